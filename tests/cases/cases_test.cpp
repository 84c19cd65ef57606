// Runs the statement cases in tests/cases/*.test: workspace text in, then
// the expected outcome. A case reads
//
//   case: what it shows            (starts a case)
//   version: 199                   (optional; 300 otherwise)
//   Open Table "a" As t            (the statements, up to the expectation)
//   expect: error 5 ""             (one error with its argument), or
//   expect: ok                     (success; then each "has:" line must
//   has: <Table file="a" />         appear in the compact document, in order,
//   lacks: <Legend                  and no "lacks:" line may appear)
//   at: 3:9-14                      (after an error: where its culprit stands,
//   note: layer 5 was asked for     line:column-end, and its note; a case
//                                    with "at:" and no "note:" has no note)
//   warns: 2:5 statement ends       (each warning, in order, by its place
//                                    and the start of its message; a case
//                                    without "warns:" lines warns of nothing)
//   remarks: 2:9-18 this clause      (each remark the same way, with the
//                                    end of its span; checked when a case
//                                    lists any; "remarks: none" for a case
//                                    that has none)
//
// Lines starting with "#" outside the statements are comments.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "host/text.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string where;  // file:line
  std::string name;
  short version = 300;
  std::string text;
  bool expectOk = false;
  int error = 0;
  std::string argument;
  std::vector<std::string> has;
  std::vector<std::string> lacks;
  std::vector<std::string> warns;
  std::vector<std::string> remarks;
  std::string at;
  std::string note;
};

// How the test list names a case's parameter.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

bool StartsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

// expect: error N "ARGUMENT"
void ParseExpectation(const std::string& rest, Case& c) {
  if (rest == "ok") {
    c.expectOk = true;
    return;
  }
  ASSERT_TRUE(StartsWith(rest, "error ")) << c.where << ": expect what? " << rest;
  const size_t quote = rest.find('"');
  c.error = std::stoi(rest.substr(6, quote - 6));
  ASSERT_TRUE(quote != std::string::npos && rest.back() == '"') << c.where << ": argument in quotes";
  c.argument = rest.substr(quote + 1, rest.size() - quote - 2);
}

std::vector<Case> ReadCases(const fs::path& path) {
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string line;
  bool inText = false;
  for (int number = 1; std::getline(in, line); ++number) {
    if (StartsWith(line, "case: ")) {
      Case c;
      c.where = path.filename().string() + ":" + std::to_string(number);
      c.name = line.substr(6);
      cases.push_back(c);
      inText = true;
    } else if (cases.empty() || (!inText && (line.empty() || StartsWith(line, "#")))) {
      continue;
    } else if (StartsWith(line, "version: ") && cases.back().text.empty()) {
      cases.back().version = static_cast<short>(std::stoi(line.substr(9)));
    } else if (StartsWith(line, "expect: ")) {
      ParseExpectation(line.substr(8), cases.back());
      inText = false;
    } else if (StartsWith(line, "has: ") && !inText) {
      cases.back().has.push_back(line.substr(5));
    } else if (StartsWith(line, "lacks: ") && !inText) {
      cases.back().lacks.push_back(line.substr(7));
    } else if (StartsWith(line, "at: ") && !inText) {
      cases.back().at = line.substr(4);
    } else if (StartsWith(line, "note: ") && !inText) {
      cases.back().note = line.substr(6);
    } else if (StartsWith(line, "warns: ") && !inText) {
      cases.back().warns.push_back(line.substr(7));
    } else if (StartsWith(line, "remarks: ") && !inText) {
      cases.back().remarks.push_back(line.substr(9));
    } else if (inText) {
      cases.back().text += line + "\n";
    }
  }
  return cases;
}

// Each notice by its place and the start of its message, in order.
void CheckNotices(const std::string& label, const char* kind, const std::vector<std::string>& found,
                  const std::vector<std::string>& expected) {
  EXPECT_EQ(found.size(), expected.size()) << label << ": " << kind << "s";
  for (size_t i = 0; i < std::max(found.size(), expected.size()); ++i) {
    const std::string got = i < found.size() ? found[i] : "(none)";
    const std::string want = i < expected.size() ? expected[i] : "(none)";
    EXPECT_TRUE(StartsWith(got, want.c_str()))
        << label << ": " << kind << " " << got << ", expected " << want;
  }
}

void Check(const Case& c) {
  const Translation result = Translate(FromUtf8(c.text), c.version);
  const std::string label = c.where + " (" + c.name + ")";
  CheckNotices(label, "warning", result.warnings, c.warns);
  if (c.remarks == std::vector<std::string>{"none"})
    CheckNotices(label, "remark", result.remarks, {});
  else if (!c.remarks.empty())
    CheckNotices(label, "remark", result.remarks, c.remarks);
  if (!c.expectOk) {
    EXPECT_FALSE(result.ok) << label;
    EXPECT_EQ(result.error, c.error) << label;
    EXPECT_EQ(result.argument, FromUtf8(c.argument)) << label;
    if (!c.at.empty()) {
      EXPECT_EQ(result.at, c.at) << label;
      EXPECT_EQ(result.note, c.note) << label;
    }
    return;
  }
  ASSERT_TRUE(result.ok) << label << ": error " << result.error << " " << ToUtf8(result.argument);
  size_t at = 0;
  for (const std::string& needle : c.has) {
    const size_t found = result.xml.find(needle, at);
    ASSERT_NE(found, std::string::npos) << label << ": no " << needle << " after " << at << " in\n"
                                        << result.xml;
    at = found + 1;
  }
  for (const std::string& needle : c.lacks)
    EXPECT_EQ(result.xml.find(needle), std::string::npos) << label << ": " << needle;
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(BREVAN_SOURCE_DIR) / "tests" / "cases"))
    if (entry.path().extension() == ".test") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files)
    for (Case& c : ReadCases(file)) cases.push_back(std::move(c));
  return cases;
}

// Each case is a test of its own, named after its file and line.
class CasesTest : public TranslatorTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CasesTest, Case) { Check(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Files, CasesTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.where;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(CaseFilesTest, ThereAreMany) { EXPECT_GT(AllCases().size(), 100u); }

}  // namespace
}  // namespace brevan::test
