// Every example workspace translates to the document checked in beside it,
// byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ExamplesTest, EachTranslatesToItsExpectedDocument) {
  const fs::path examples = fs::path(BREVAN_SOURCE_DIR) / "examples";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(examples)) {
    if (entry.path().extension() != ".bws") continue;
    const fs::path expected = fs::path(entry.path()).replace_extension(".xml");
    ASSERT_TRUE(fs::exists(expected)) << expected;
    const std::string command = std::string(BREVAN_BINARY_DIR) + "/brevan '" + entry.path().string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
    const int status = pclose(pipe.release());
    EXPECT_EQ(WEXITSTATUS(status), 0) << entry.path();
    EXPECT_EQ(output, Slurp(expected)) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
