// Inputs meant to break things: huge, deep, long, badly encoded, or out of
// range. Each has a documented outcome (docs/reliability.md).
#include "brevan/brevan.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using HostileInputsTest = TranslatorTest;

TEST_F(HostileInputsTest, TenMegabyteString) {
  const std::wstring file(10 * 1024 * 1024, L'x');
  const Translation result = Translate(L"Open Table \"" + file + L"\" As t");
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.xml.find("file=\"" + std::string(file.size(), 'x') + "\""), std::string::npos);
}

TEST_F(HostileInputsTest, HundredThousandNestedParentheses) {
  const size_t depth = 100000;
  const std::wstring expression = std::wstring(depth, L'(') + L"x" + std::wstring(depth, L')');
  const Translation result = Translate(L"Map From A\nTheme 1 With " + expression + L" Values 1");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_NE(result.xml.find("source=\"expr ((((("), std::string::npos);
}

TEST_F(HostileInputsTest, MillionTokenStatement) {
  std::wstring items;
  for (int i = 0; i < 500000; ++i) items += std::to_wstring(i) + L", ";
  const Translation result = Translate(L"Map From A\nTheme 1 With Pop Values " + items + L"-1");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_NE(result.xml.find("<ValueItem><Value>499999</Value></ValueItem><ValueItem><Value>-1</Value>"),
            std::string::npos);
}

TEST_F(HostileInputsTest, QuotesAndBracketsInNames) {
  const Translation result = Translate(
      L"Open Table \"c:\\\\a\"\"]'[1].tbl\" As `t\"]|//*[@alias=\"`\n"
      L"Open Table \"other.tbl\" As u\n"
      L"Map From `t\"]|//*[@alias=\"`, u, `t\"]|//*[@alias=\"`\n"
      L"Theme 3 With X Values 1\n");
  ASSERT_TRUE(result.ok) << result.error;
  // The repeated name finds its own table, whose file is copied and made unique.
  EXPECT_NE(
      result.xml.find("<Table file=\"c:\\\\a&quot;]'[1].tbl_2\" alias=\"t&quot;]|//*[@alias=&quot;_2\" />"),
      std::string::npos)
      << result.xml;
  // Layer 3 is the second copy of the name, not u.
  EXPECT_NE(result.xml.find("<Layer name=\"t&quot;]|//*[@alias=&quot;_2\" position=\"3\"><Themes>"),
            std::string::npos);
}

TEST_F(HostileInputsTest, NumbersBeyondEveryRange) {
  const Translation center = Translate(L"Map From A\nSet Map Center (1e400, -1e400) Zoom 1e308");
  ASSERT_TRUE(center.ok);
  EXPECT_NE(center.xml.find("centerX=\"INF\" centerY=\"-INF\" zoom=\"1e+308\""), std::string::npos);
  EXPECT_EQ(Translate(L"Open Table \"a\" Codepage 99999999999").error, 11);
  EXPECT_EQ(Translate(L"Map From A\nTheme 1e400 With X Values 1").error, 26);
  EXPECT_EQ(Translate(L"Map From A\nTheme 1 With X Single 1 : 9999999999").error, 11);
  const Translation pen = Translate(L"Map From A\nTheme 1 With X Values 1 Pen (1e300, 1e300, 1e300)");
  ASSERT_TRUE(pen.ok);
  EXPECT_NE(pen.xml.find("lineColor=\"rgb(255,255,255)\""), std::string::npos);
}

TEST(HostileBytesTest, InvalidEncodingAndControlCharacters) {
  const brevan::Result invalid = brevan::TranslateBytes("Open Table \"a\"\nOpen Table \"\xC3\x28\"");
  EXPECT_EQ(invalid.error, 0);
  EXPECT_EQ(std::pair(invalid.line, invalid.column), std::pair(2, 13));
  // A NUL makes the file no workspace...
  EXPECT_EQ(brevan::TranslateBytes(std::string("Print \"\0\"", 9)).error, 0);
  // ...and a document cannot hold another control character: refused where it would be written...
  const brevan::Result control = brevan::TranslateBytes("Open Table \"a\x01b\"");
  EXPECT_EQ(control.error, 20);
  EXPECT_EQ(control.message, "Error while setting an XML node attribute: \"file\"");
  // ...shown by its code in a message, and passed over where it is skipped.
  const brevan::Result bare = brevan::TranslateBytes("Open\x02");
  EXPECT_EQ(bare.error, 2);
  EXPECT_EQ(bare.message, "Invalid token \"\\x02\".");
  EXPECT_TRUE(brevan::TranslateBytes("Print \"\x02\" \x01\nOpen Table \"a\"").ok);
}

TEST(HostileBytesTest, FileEndingInsideAString) {
  const brevan::Result result = brevan::TranslateBytes("Open Table \"a\" As t\nOpen Table \"unfinished");
  EXPECT_EQ(result.error, 2);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 12);
  EXPECT_NE(result.message.find("not closed"), std::string::npos);
}

}  // namespace
}  // namespace brevan::test
