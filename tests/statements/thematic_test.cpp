#include "tests/support/faulty_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThematicTest = TranslatorTest;

constexpr const wchar_t* kMap = L"Map From A, B\n";

// The Themes element of the document, or the whole document when none.
std::string Themes(const Translation& result) {
  const size_t start = result.xml.find("<Themes>");
  const size_t end = result.xml.find("</Themes>");
  if (start == std::string::npos || end == std::string::npos) return result.xml;
  return result.xml.substr(start, end + 9 - start);
}

// Positions of each needle in haystack, which must appear in this order.
void ExpectInOrder(const std::string& haystack, std::initializer_list<const char*> needles) {
  size_t at = 0;
  for (const char* needle : needles) {
    const size_t found = haystack.find(needle, at);
    ASSERT_NE(found, std::string::npos) << needle << " after " << at << " in " << haystack;
    at = found + 1;
  }
}

TEST_F(ThematicTest, RangeThemeShape) {
  const Translation result =
      Translate(std::wstring(kMap) +
                L"Theme 1 With Pop, Area / 2 Missing -1 Ranges Apply Color Spread Size"
                L" Brush (2, 255) Border (1, 2, 0) Symbol (35, 0, 9)"
                L" 0 : 10 Brush (2, 255), 10 : 20 Else Brush (2, 0) Adjust Mode 16 Adjust");
  ASSERT_TRUE(result.ok) << result.error;
  const std::string themes = Themes(result);
  ExpectInOrder(themes,
                {"<Themes><RangeTheme description=\"\" visible=\"1\">",
                 "<Expression><Reference refKind=\"builtin\" source=\"expr Pop\" /></Expression>",
                 "<Expression><Reference refKind=\"builtin\" source=\"expr Area/2\" /></Expression>",
                 "<MissingValue><ValueText valueType=\"number\">-1</ValueText></MissingValue>",
                 "<DefaultStyles><Styles><BrushStyle>", "<PenStyle>", "<SymbolStyle>", "</DefaultStyles>",
                 "<ItemSettings><ApplyTo>color</ApplyTo><Spreading>graded</Spreading>"
                 "<SpreadVariant>logarithmic</SpreadVariant></ItemSettings>",
                 "<RangeItems><RangeItem>", "<DefaultRange>", "</RangeItems></RangeTheme></Themes>"});
  EXPECT_EQ(result.xml.find("ExpressionHolder"), std::string::npos);
}

TEST_F(ThematicTest, RangeThemeWithoutSpreadHasNoDefaultStyles) {
  const Translation result = Translate(std::wstring(kMap) + L"Theme 1 With Pop Ranges Apply All 0 : 1");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.xml.find("<Spreading>"), std::string::npos);
  EXPECT_EQ(result.xml.find("<DefaultStyles>"), std::string::npos);
  EXPECT_NE(result.xml.find("<ItemSettings><ApplyTo>all</ApplyTo></ItemSettings>"), std::string::npos);
}

struct KindCase {
  const char* name;
  const wchar_t* statement;
  std::initializer_list<const char*> inOrder;
};

TEST_F(ThematicTest, EveryKind) {
  const KindCase cases[] = {
      {"value theme moves both expressions",
       L"Theme 2 With Kind, Sub Values Apply Size \"a\" Brush (2, 255), \"b\" Else",
       {"<ValueTheme description=\"\" visible=\"1\">", "source=\"expr Kind\"", "source=\"expr Sub\"",
        "<ItemSettings><ApplyTo>size</ApplyTo></ItemSettings>", "<ValueItems><ValueItem><Value>a</Value>",
        "<DefaultValue />"}},
      {"bar chart",
       L"Theme 1 With X, Y Bars Max Size 1 Units \"in\"",
       {"<BarTheme description=\"\" visible=\"1\"><BarHead><SideBySide /></BarHead>",
        "<Method><ConstantMethod label=\"\" /></Method>", "<ValueSize><Extent>"}},
      {"pie chart", L"Theme 1 With X, Y Pie", {"<PieTheme", "<StartAngle>0</StartAngle><Sweep>-360</Sweep>"}},
      {"graduated",
       L"Theme 1 With Pop Graduated 100 : 4 2000 : 36 Symbol (35, 255, 12)",
       {"<GraduatedTheme description=\"\" visible=\"1\">", "source=\"expr Pop\"", "<BaseValue>0</BaseValue>",
        "<FirstSymbol><SymbolStyle>", "<Method><ConstantMethod label=\"\" /></Method>",
        "<ValueSize><ReferenceValue>2000</ReferenceValue><Extent><Measure unit=\"inches\">0.5</Measure>"}},
      {"graduated second symbol and text",
       L"Theme 1 With Pop Graduated 1 : 2 0 : 72 Colors Symbol (40, 0, 9) Text Size Mode \"per km\"",
       {"<BaseValue>0</BaseValue>", "<SecondSymbol>", "<ConstantMethod label=\"per km\" />",
        "<ValueSize><Extent><Measure unit=\"inches\">1</Measure>"}},
      {"single symbol is black without a colour",
       L"Theme 1 With Pop Single 7.5 : 14",
       {"<SymbolTheme description=\"\" visible=\"1\">", "source=\"expr Pop\"", "<ThemeSymbol><SymbolStyle>",
        "symbolColor=\"rgb(0,0,0)\" symbolSize=\"14\"", "<SymbolValue>7.5</SymbolValue>"}},
      {"single symbol colour",
       L"Theme 1 With Pop Single 1 : 9 Color 16711680",
       {"symbolColor=\"rgb(255,0,0)\" symbolSize=\"9\""}},
      {"text missing value",
       L"Theme 1 With Pop Missing \"none\" Values 1",
       {"<MissingValue><ValueText valueType=\"text\">none</ValueText></MissingValue>"}},
      {"name missing value has no type",
       L"Theme 1 With Pop Missing nothing Values 1",
       {"<MissingValue><ValueText>nothing</ValueText></MissingValue>"}},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Translation result = Translate(std::wstring(kMap) + c.statement);
    ASSERT_TRUE(result.ok) << result.error;
    ExpectInOrder(Themes(result), c.inOrder);
    EXPECT_EQ(result.xml.find("ExpressionHolder"), std::string::npos);
  }
}

TEST_F(ThematicTest, ChartExpressionsEnterOnlyThroughBrushes) {
  const Translation without = Translate(std::wstring(kMap) + L"Theme 1 With X, Y, Z Stacked Bars");
  ASSERT_TRUE(without.ok);
  EXPECT_EQ(without.xml.find("<Expression>"), std::string::npos);
  const Translation with = Translate(
      std::wstring(kMap) + L"Theme 1 With X, Y, Z Bars Each Brush (2, 255), Brush (2, 65280) Brush (2, 0)");
  ASSERT_TRUE(with.ok) << with.error;
  ExpectInOrder(Themes(with),
                {"<BarItems><BarItem><Expression><Reference refKind=\"builtin\" source=\"expr X\" />",
                 "</Expression><BrushStyle>", "rgb(0,0,255)", "</BarItem><BarItem><Expression>", "expr Y",
                 "rgb(0,255,0)", "expr Z", "rgb(0,0,0)", "</BarItem></BarItems>"});
}

struct HeadCase {
  const wchar_t* head;
  const char* element;
  const char* method;
};

TEST_F(ThematicTest, ChartHeadsAndTheirMethods) {
  const HeadCase cases[] = {
      {L"Bars", "<BarHead><SideBySide /></BarHead>", "<ConstantMethod label=\"\" />"},
      {L"Bars Normalized", "<BarHead><SideBySide /></BarHead>", "<NormalizedMethod />"},
      {L"Stacked Bars", "<BarHead><StackedBars /></BarHead>", "<ConstantMethod label=\"\" />"},
      {L"Stacked Bars Proportional", "<BarHead><StackedBars /></BarHead>", "<ProportionalMethod />"},
      {L"Pie", "<StartAngle>0</StartAngle><Sweep>-360</Sweep>", "<ConstantMethod label=\"\" />"},
      {L"Pie Counter", "<StartAngle>0</StartAngle><Sweep>360</Sweep>", "<ConstantMethod label=\"\" />"},
      {L"Half Pie", "<StartAngle>0</StartAngle><Sweep>-180</Sweep>", "<ConstantMethod label=\"\" />"},
      {L"Half Pie Angle 405 Counter Proportional", "<StartAngle>45</StartAngle><Sweep>180</Sweep>",
       "<ProportionalMethod />"},
  };
  for (const HeadCase& c : cases) {
    const Translation result =
        Translate(std::wstring(kMap) + L"Theme 1 With X, Y " + c.head + L" Max Size 1 Units \"in\"");
    ASSERT_TRUE(result.ok) << result.error;
    ExpectInOrder(Themes(result), {c.element, c.method});
  }
}

TEST_F(ThematicTest, ChartClausesInInputOrder) {
  const Translation result = Translate(
      std::wstring(kMap) +
      L"Theme 1 With X, Y Bars Max Size 1 Units \"in\" At Value 100 Text Size Mode \"k\" At Scale 2 Units "
      L"\"mi\"\n"
      L"  Width 3 Units \"cm\" Max Size 2 Outline Pen (2, 2, 0) Fill Brush (5, 255) Position Left Center");
  ASSERT_TRUE(result.ok) << result.error;
  ExpectInOrder(Themes(result),
                {"<ConstantMethod label=\"k\" />",
                 "<ValueSize><ReferenceValue>100</ReferenceValue><Extent><Measure unit=\"inches\">1",
                 "<SecondSize><Measure unit=\"centimeters\">3</Measure></SecondSize>",
                 // the second size clause carries the reference, the text and the unit over
                 "<ConstantMethod label=\"k\" />",
                 "<ValueSize><ReferenceValue>100</ReferenceValue><Extent><Measure unit=\"inches\">2",
                 "<ChartPen><PenStyle>", "<ChartBrush><BrushStyle>", "fillPattern=\"brush5\"",
                 "<Placement><Horizontal>left</Horizontal><Vertical>middle</Vertical></Placement>"});
}

TEST_F(ThematicTest, SettingPairs) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"Position Center", "<Horizontal>middle</Horizontal><Vertical>middle</Vertical>"},
      {L"Position Left Center", "<Horizontal>left</Horizontal><Vertical>middle</Vertical>"},
      {L"Position Center Below", "<Horizontal>middle</Horizontal><Vertical>below</Vertical>"},
      {L"Position Right Left Above", "<Horizontal>left</Horizontal><Vertical>above</Vertical>"},
      {L"Position", "<Horizontal></Horizontal><Vertical></Vertical>"},
  };
  for (const auto& [clause, xml] : cases) {
    const Translation result = Translate(std::wstring(kMap) + L"Theme 1 With X Pie " + clause);
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.xml.find(xml), std::string::npos) << result.xml;
  }
}

TEST_F(ThematicTest, LayerBookkeeping) {
  std::vector<std::wstring> names;
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(
      std::wstring(kMap) +
          L"Theme 1 With Pop Values 1\nTheme 3 With Pop Single 1 : 2\nTheme 1 With X Values 2",
      300, [&](BrevanTranslator& state) {
        names = state.layerNames;
        counts = state.themeCounts;
      });
  ASSERT_TRUE(result.ok) << result.error;
  // Layer 3 after the first theme is B: its theme lands on B.
  EXPECT_NE(result.xml.find("<Layer name=\"B\" position=\"2\"><Themes><SymbolTheme"), std::string::npos);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"A", L"A", L"B", L"B"}));
  EXPECT_EQ(counts, (std::map<std::wstring, int32_t>{{L"A", 2}, {L"B", 1}}));
  ExpectInOrder(result.xml,
                {"<Layer name=\"A\" position=\"1\"><Themes><ValueTheme", "<ValueTheme", "</Themes>"});
}

TEST_F(ThematicTest, FailingStatementLeavesTheRecordsAlone) {
  std::vector<std::wstring> names;
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(std::wstring(kMap) + L"Theme 1 With Pop Ranges 0 : Zoom", 300,
                                                [&](BrevanTranslator& state) {
                                                  names = state.layerNames;
                                                  counts = state.themeCounts;
                                                });
  EXPECT_EQ(result.error, 24);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B"}));
  EXPECT_EQ(counts, (std::map<std::wstring, int32_t>{{L"A", 0}, {L"B", 0}}));
}

struct ErrorCase {
  const char* name;
  const wchar_t* statement;
  int error;
  const wchar_t* argument;
};

TEST_F(ThematicTest, Errors) {
  const ErrorCase cases[] = {
      {"no such layer", L"Theme 3 With Pop Values 1", 26, L"Layer"},
      {"With missing", L"Theme 1 Pop Values 1", 4, L"Pop"},
      {"no kind after the expressions", L"Theme 1 With Pop Zoom", 35, L""},
      {"missing value unreadable", L"Theme 1 With Pop Missing Values 1", 24, L""},
      {"no kind after the missing value", L"Theme 1 With Pop Missing 0 Zoom", 31, L""},
      {"apply setting", L"Theme 1 With Pop Ranges Apply 5 0 : 1", 19, L""},
      {"spreading setting", L"Theme 1 With Pop Ranges Spread Pen 0 : 1", 18, L""},
      {"graduated number", L"Theme 1 With Pop Graduated x : 1 2 : 3", 10, L""},
      {"graduated integer", L"Theme 1 With Pop Graduated 1 : 1.5 2 : 3", 11, L""},
      {"graduated colon", L"Theme 1 With Pop Graduated 1 1 2 : 3", 4, L"1"},
      {"graduated text size", L"Theme 1 With Pop Graduated 1 : 1 2 : 3 Text Mode \"x\"", 4, L"Mode"},
      {"single size", L"Theme 1 With Pop Single 1 : x", 11, L""},
      {"single colour", L"Theme 1 With Pop Single 1 : 2 Color", 11, L""},
      {"chart Stacked without Bars", L"Theme 1 With X Stacked Pie", 4, L"Pie"},
      {"chart Half without Pie", L"Theme 1 With X Half Bars", 4, L"Bars"},
      {"size without Size", L"Theme 1 With X Bars Max 5", 4, L"5"},
      {"size number", L"Theme 1 With X Bars Max Size x", 10, L""},
      {"size unit", L"Theme 1 With X Bars Max Size 1 Units \"parsecs\"", 32, L""},
      {"size reference", L"Theme 1 With X Bars Max Size 1 At 5", 4, L"5"},
      {"outline needs a pen", L"Theme 1 With X Bars Outline Brush (1, 0)", 4, L"Pen"},
      {"fill needs a brush", L"Theme 1 With X Bars Fill Pen (1, 2, 0)", 4, L"Brush"},
      {"each needs brushes", L"Theme 1 With X, Y Bars Each Brush (2, 0) Pen (1, 2, 0)", 4, L"Brush"},
      {"pie angle", L"Theme 1 With X Pie Angle x", 10, L""},
  };
  for (const ErrorCase& c : cases) {
    ExpectFailure(Translate(std::wstring(kMap) + c.statement), c.error, c.argument, c.name);
  }
}

TEST_F(ThematicTest, DocumentFailures) {
  const std::wstring statement = std::wstring(kMap) + L"Theme 1 With Pop Single 1 : 2";
  Faults faults;
  faults.failSetAttribute = L"visible";
  const Translation setAttribute = TranslateWithFaults(statement, faults);
  EXPECT_EQ(setAttribute.error, 20);
  EXPECT_EQ(setAttribute.argument, L"visible");
  faults = Faults();
  faults.failGetAttribute = L"name";
  EXPECT_EQ(TranslateWithFaults(statement, faults).error, 21);
  faults = Faults();
  faults.failAppendInto = L"Themes";
  EXPECT_EQ(TranslateWithFaults(statement, faults).error, 22);
  faults = Faults();
  faults.failSetTextOn = L"SymbolValue";
  EXPECT_EQ(TranslateWithFaults(statement, faults).error, 23);
}

TEST_F(ThematicTest, LayerNameMissingFromTheListIsErrorThirtyFour) {
  const StateRun run = RunOnState(L"", [](BrevanTranslator& t) {
    t.layerNames = {L"A", L"B"};
    t.InsertLayerName(L"B");
    EXPECT_EQ(std::vector<std::wstring>(t.layerNames), (std::vector<std::wstring>{L"A", L"B", L"B"}));
    t.InsertLayerName(L"b");  // names compare exactly
  });
  EXPECT_EQ(run.error, 34);
}

}  // namespace
}  // namespace brevan::test
