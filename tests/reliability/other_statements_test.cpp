// Real workspaces are mostly statements that are not translated. Lines of
// such statements, holding any printable characters, inserted before any
// statement of an example leave its document byte for byte the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "brevan/brevan.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
using brevan::test::Slurp;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool StartsStatement(const std::string& line) {
  for (const char* keyword : {"Open ", "Map ", "Set ", "Theme "})
    if (line.rfind(keyword, 0) == 0) return true;
  return false;
}

// A line of some other statement: a word the translator does not know,
// then any printable characters, quotes balanced, words of any script.
std::string OtherStatement(std::mt19937& random) {
  static const char* const kFirst[] = {"Dim",    "Print", "Refresh", "Close",
                                       "Browse", "Run",   "Undim",   "zq_Window"};
  static const char* const kPieces[] = {"Größe",     "東京", "x.y.z", "n%",   "s$", "`quoted name`",
                                        "\"a, (b\"", "\"\"", "'",     "1e5x", "..", "`",
                                        "\t",        " "};
  std::string line = kFirst[random() % std::size(kFirst)];
  const int length = static_cast<int>(random() % 40);
  for (int i = 0; i < length; ++i) {
    if (random() % 4 == 0) {
      line += kPieces[random() % std::size(kPieces)];
      continue;
    }
    char c = static_cast<char>(' ' + random() % 95);  // printable ASCII
    if (c == '"') c = '~';                            // quotes come in pairs, from the pieces
    line += c;
  }
  return line;
}

TEST(OtherStatementsTest, InsertedBeforeAnyStatementChangeNothing) {
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(BREVAN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bws") continue;
    const std::string expected = Slurp(fs::path(entry.path()).replace_extension(".xml"));
    const std::vector<std::string> lines = Lines(Slurp(entry.path()));
    for (unsigned seed = 1; seed <= 20; ++seed) {
      std::mt19937 random(seed);
      std::string text;
      for (const std::string& line : lines) {
        if (StartsStatement(line))
          for (int n = static_cast<int>(random() % 3); n > 0; --n) text += OtherStatement(random) + "\n";
        text += line + "\n";
      }
      const brevan::Result result = brevan::TranslateBytes(text);
      SCOPED_TRACE(entry.path().filename().string() + ", seed " + std::to_string(seed) + ":\n" + text);
      ASSERT_TRUE(result.ok) << result.line << ":" << result.column << " " << result.message;
      EXPECT_TRUE(result.warnings.empty()) << result.warnings[0].line << ": " << result.warnings[0].message;
      ASSERT_EQ(result.xml, expected);
      ++checked;
    }
  }
  EXPECT_GE(checked, 200);
}

}  // namespace
