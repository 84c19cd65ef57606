// Huge pages for malloc's heap. glibc gives them only when asked at
// process start (GLIBC_TUNABLES), so on large inputs the tool restarts
// itself once with the setting: the translator's many small objects
// (names, hash nodes) then cost a tenth to a quarter less time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevan::cli {

// Inputs smaller than this in all never restart: a restart is a second
// start of the process (4 to 7 ms measured), which smaller workspaces do
// not win back.
inline constexpr std::uint64_t kHeapPagesFrom = 2 << 20;

// The GLIBC_TUNABLES value to restart with, or none: when the inputs are
// small, when the user's own value (tunables, null when unset) already
// says anything about huge pages (and after the restart it does), or when
// the kernel gives huge pages only on request and not at all
// (thpMode: the text of /sys/kernel/mm/transparent_hugepage/enabled).
std::optional<std::string> HeapPagesTunables(std::uint64_t inputBytes, const char* tunables,
                                             std::string_view thpMode);

// The total size of the inputs that are regular files ("-": standard
// input, when it is one); the others count nothing.
std::uint64_t InputBytes(const std::vector<std::string>& files);

// Restarts the tool with huge pages for its heap when HeapPagesTunables
// says so; returns when it does not or when the restart fails, with
// nothing changed.
void RestartWithHeapPages(char** argv, const std::vector<std::string>& files);

}  // namespace brevan::cli
