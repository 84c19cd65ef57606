#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThemeItemsTest = TranslatorTest;

// The item list that text gives, read into the root element.
StateRun Items(const wchar_t* text, bool range) {
  return RunOnState(text, [&](BrevanTranslator& t) { t.TranslateItemList(*t.root, range); });
}

std::string Within(const std::string& body) { return "<Workspace>" + body + "</Workspace>"; }

TEST_F(ThemeItemsTest, RangeItemsHoldTheSecondValueFirst) {
  const StateRun run = Items(L"0 : 10, -5 : \"x\" Else", true);
  EXPECT_EQ(run.error, 0);
  EXPECT_EQ(run.xml, Within("<RangeItems>"
                            "<RangeItem><UpperBound><Value>10</Value></UpperBound>"
                            "<LowerBound><Value>0</Value></LowerBound></RangeItem>"
                            "<RangeItem><UpperBound><Value>x</Value></UpperBound>"
                            "<LowerBound><Value>-5</Value></LowerBound></RangeItem>"
                            "<DefaultRange /></RangeItems>"));
}

TEST_F(ThemeItemsTest, ValueItemsHaveNoBoundElement) {
  const StateRun run = Items(L"1, 2 Else Zoom", false);
  EXPECT_EQ(run.xml, Within("<ValueItems><ValueItem><Value>1</Value></ValueItem>"
                            "<ValueItem><Value>2</Value></ValueItem><DefaultValue /></ValueItems>"));
  EXPECT_EQ(run.rest, L"Zoom");
  EXPECT_EQ(run.xml.find("LowerBound"), std::string::npos);
}

TEST_F(ThemeItemsTest, DefaultItemOnlyWithElse) {
  EXPECT_EQ(Items(L"\"a\"", false).xml,
            Within("<ValueItems><ValueItem><Value>a</Value></ValueItem></ValueItems>"));
}

TEST_F(ThemeItemsTest, StylesInInputOrderWithWrappers) {
  const StateRun run =
      Items(L"1 Border (1, 2, 0) Pen (2, 2, 0) Font (\"F\", 0, 8, 0) Symbol (35, 0, 9)", false);
  ASSERT_EQ(run.error, 0);
  const size_t border = run.xml.find("<PenStyle>");
  const size_t wrapped = run.xml.find("<Styles><PenStyle>");
  const size_t font = run.xml.find("<FontStyle>");
  const size_t symbol = run.xml.find("<SymbolStyle>");
  EXPECT_LT(border, wrapped);
  EXPECT_LT(wrapped, font);
  EXPECT_LT(font, symbol);
}

TEST_F(ThemeItemsTest, TwoBordersEndTheItemsStyles) {
  const StateRun run = Items(L"1 Border (1, 2, 0) Border (2, 2, 0)", false);
  EXPECT_EQ(run.error, 0);
  EXPECT_EQ(run.rest, L"Border");
}

struct ErrorCase {
  const wchar_t* text;
  bool range;
  int error;
  const wchar_t* rest;
};

TEST_F(ThemeItemsTest, Errors) {
  const ErrorCase cases[] = {
      {L"Ranges", false, 24, L"Ranges"},
      {L"0 10", true, 4, L"10"},
      {L"0 : Else", true, 24, L"Else"},
      {L"1 Brush (2)", false, 4, L")"},
  };
  for (const ErrorCase& c : cases) {
    const StateRun run = Items(c.text, c.range);
    EXPECT_EQ(run.error, c.error) << c.text;
    EXPECT_EQ(run.rest, c.rest) << c.text;
  }
}

}  // namespace
}  // namespace brevan::test
