// Every example cut after each of its tokens, and with each single token
// deleted: the translation succeeds or stops at one numbered error, and
// leaves nothing alive.
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "host/lexer.h"
#include "host/style.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/tokens.h"
#include "host/utility.h"
#include "host/value.h"
#include "host/xml_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

namespace fs = std::filesystem;

struct Workspace {
  std::wstring text;
  short version = 300;
};

// The example's text with its version header blanked out.
Workspace ReadExample(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  Workspace workspace{FromUtf8(bytes.str())};
  if (workspace.text.rfind(L"!version ", 0) == 0) {
    const size_t end = workspace.text.find(L'\n');
    workspace.version = static_cast<short>(std::stoi(workspace.text.substr(9, end - 9)));
    workspace.text.erase(0, end);
  }
  return workspace;
}

bool IsMessageNumber(int number) {
  return (number >= 1 && number <= 35) || (number >= 9984 && number <= 9988);
}

// Translates text and checks the outcome; counts failures by number.
void Check(const std::wstring& text, short version, const std::string& what, std::map<int, int>& failures) {
  {
    TokenReader reader(text);
    if (!reader.Ok()) return;  // the tool reports these as error 2
    XmlDocument doc;
    Veltra::ClearErrors();
    const bool ok = CmdMain(&reader, version, &doc);
    if (!ok) {
      ASSERT_TRUE(Veltra::HaveErrors()) << what;
      EXPECT_TRUE(IsMessageNumber(Veltra::GetErrorNum(0))) << what << ": " << Veltra::GetErrorNum(0);
      EXPECT_EQ(Veltra::GetErrorNum(1), 0) << what;
      ++failures[Veltra::GetErrorNum(0)];
    } else {
      EXPECT_FALSE(Veltra::HaveErrors()) << what;
    }
    Veltra::ClearErrors();
    // Whatever stood at the failure is a well-formed document.
    pugi::xml_document parsed;
    EXPECT_TRUE(parsed.load_string(doc.ToXml().c_str())) << what;
  }
  ASSERT_EQ(LiveNodeHandles(), 0) << what;
  ASSERT_EQ(Veltra::LiveStyleObjects(), 0) << what;
  ASSERT_EQ(Veltra::LiveValueObjects(), 0) << what;
}

TEST(TruncationTest, EveryCutAndEveryDeletedToken) {
  size_t translations = 0;
  std::map<int, int> failures;
  for (const auto& entry : fs::directory_iterator(fs::path(BREVAN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bws") continue;
    const Workspace workspace = ReadExample(entry.path());
    Lexed lexed;
    LexError error;
    ASSERT_TRUE(Lex(SourceText(workspace.text), *GetBrevanKeywords(), lexed, error)) << entry.path();
    const std::vector<Token>& tokens = lexed.tokens;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {  // all but the end token
      const size_t begin = tokens[i].begin, end = begin + tokens[i].length;
      const std::string where = entry.path().filename().string() + " token " + std::to_string(i);
      Check(workspace.text.substr(0, end), workspace.version, "cut after " + where, failures);
      Check(workspace.text.substr(0, begin) + workspace.text.substr(end), workspace.version,
            "without " + where, failures);
      translations += 2;
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(translations, 2000u);
  EXPECT_GT(failures.size(), 10u);  // the cuts reach many different errors
}

}  // namespace
}  // namespace brevan::test
