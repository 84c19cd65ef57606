#include "cli/heap_pages.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace brevan::cli {

std::optional<std::string> HeapPagesTunables(std::uint64_t inputBytes, const char* tunables,
                                             std::string_view thpMode) {
  if (inputBytes < kHeapPagesFrom) return std::nullopt;
  const std::string_view own = tunables != nullptr ? tunables : "";
  if (own.find("glibc.malloc.hugetlb") != std::string_view::npos) return std::nullopt;
  // "[always]" gives the heap huge pages already, "[never]" never does.
  if (thpMode.find("[madvise]") == std::string_view::npos) return std::nullopt;
  std::string value(own);
  if (!value.empty()) value += ':';
  return value + "glibc.malloc.hugetlb=1";
}

std::uint64_t InputBytes(const std::vector<std::string>& files) {
  std::uint64_t total = 0;
  for (const std::string& file : files) {
    struct stat status {};
    const int result = file == "-" ? fstat(STDIN_FILENO, &status) : stat(file.c_str(), &status);
    if (result == 0 && S_ISREG(status.st_mode)) total += static_cast<std::uint64_t>(status.st_size);
  }
  return total;
}

void RestartWithHeapPages(char** argv, const std::vector<std::string>& files) {
#if defined(__GLIBC__) && !defined(BREVAN_ADDRESS_SANITIZER) && !defined(BREVAN_THREAD_SANITIZER)
  const std::uint64_t bytes = InputBytes(files);
  if (bytes < kHeapPagesFrom) return;  // before reading the kernel's setting: small inputs pay nothing
  std::ifstream modeFile("/sys/kernel/mm/transparent_hugepage/enabled");
  const std::string mode((std::istreambuf_iterator<char>(modeFile)), std::istreambuf_iterator<char>());
  const char* own = std::getenv("GLIBC_TUNABLES");
  const std::optional<std::string> value = HeapPagesTunables(bytes, own, mode);
  if (!value) return;
  const std::optional<std::string> saved = own != nullptr ? std::optional<std::string>(own) : std::nullopt;
  if (setenv("GLIBC_TUNABLES", value->c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Not restarted (no /proc, say): go on as the tool was.
  if (saved)
    setenv("GLIBC_TUNABLES", saved->c_str(), 1);
  else
    unsetenv("GLIBC_TUNABLES");
#else
  (void)argv;
  (void)files;
#endif
}

}  // namespace brevan::cli
