#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using OpenTableTest = TranslatorTest;

struct OpenTableCase {
  const char* name;
  const wchar_t* text;
  const char* tables;  // the Tables element, or the error number as text
};

TEST_F(OpenTableTest, Clauses) {
  const OpenTableCase cases[] = {
      {"file only", L"Open Table \"a.tbl\"", "<Tables><Table file=\"a.tbl\" /></Tables>"},
      {"every clause",
       L"Open Table \"a\" As t Locked Hidden Quiet Interactive Fast Codepage 1252 Password \"pw\"",
       "<Tables><Table file=\"a\" alias=\"t\" locked=\"1\" hidden=\"1\" interactive=\"1\" codepage=\"1252\" "
       "password=\"pw\" /></Tables>"},
      {"repeated clause sets again", L"Open Table \"a\" As t As u Codepage 0",
       "<Tables><Table file=\"a\" alias=\"u\" codepage=\"0\" /></Tables>"},
      {"negative codepage keeps its sign", L"Open Table \"a\" Codepage -5",
       "<Tables><Table file=\"a\" codepage=\"-5\" /></Tables>"},
      {"second statement reuses the container", L"Open Table \"a\"\nOpen Table \"b\" As b",
       "<Tables><Table file=\"a\" /><Table file=\"b\" alias=\"b\" /></Tables>"},
      {"quotes and brackets in names", L"Open Table \"c:\\\"\"x\"\"[1].tbl\" Password \"<&>\"",
       "<Tables><Table file=\"c:\\&quot;x&quot;[1].tbl\" password=\"&lt;&amp;>\" /></Tables>"},
  };
  for (const OpenTableCase& c : cases) {
    const Translation result = Translate(c.text);
    EXPECT_TRUE(result.ok) << c.name << ": error " << result.error;
    EXPECT_EQ(result.xml, std::string("<Workspace>") + c.tables + "</Workspace>") << c.name;
  }
}

struct ErrorCase {
  const char* name;
  const wchar_t* text;
  int error;
  const wchar_t* argument;
  const char* xml;  // what stays in the document
};

TEST_F(OpenTableTest, Errors) {
  const ErrorCase cases[] = {
      {"no Table keyword", L"Open Tables", 2, L"Tables", "<Workspace />"},
      {"no file name", L"Open Table a", 12, L"", "<Workspace><Tables /></Workspace>"},
      {"alias not a name", L"Open Table \"a\" As \"b\"", 5, L"", "<Workspace><Tables /></Workspace>"},
      {"codepage not an integer", L"Open Table \"a\" Codepage 1.5", 11, L"",
       "<Workspace><Tables /></Workspace>"},
      {"password not a string", L"Open Table \"a\" Password x", 13, L"", "<Workspace><Tables /></Workspace>"},
      {"earlier tables stay", L"Open Table \"a\"\nOpen Table \"b\" Codepage x", 11, L"",
       "<Workspace><Tables><Table file=\"a\" /></Tables></Workspace>"},
  };
  for (const ErrorCase& c : cases) {
    const Translation result = Translate(c.text);
    ExpectFailure(result, c.error, c.argument, c.name);
    EXPECT_EQ(result.xml, c.xml) << c.name;
  }
}

}  // namespace
}  // namespace brevan::test
