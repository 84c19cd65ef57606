#include "tests/support/faulty_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using LegendSettingsTest = TranslatorTest;

constexpr const wchar_t* kRangeTheme =
    L"Map From A\nTheme 1 With Pop Ranges 0 : 1, 1 : 2, 2 : 3 Else Brush (2, 0)\n";

// Everything between the first occurrence of from and the next of to.
std::string Between(const std::string& xml, const std::string& from, const std::string& to) {
  const size_t start = xml.find(from);
  if (start == std::string::npos) return "<" + from + " not found>";
  return xml.substr(start, xml.find(to, start) - start);
}

TEST_F(LegendSettingsTest, FourRowsOfARangeTheme) {
  const Translation result =
      Translate(std::wstring(kRangeTheme) + L"Set Legend Layer 1 Ranges \"other\", \"low\", Blank, \"high\"");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_NE(
      Between(result.xml, "<DefaultRange>", "</DefaultRange>").find("<Row><RowText>other</RowText></Row>"),
      std::string::npos);
  const std::string items = Between(result.xml, "<RangeItem>", "<DefaultRange>");
  EXPECT_NE(items.find("<LowerBound><Value>0</Value></LowerBound><Row><RowText>low</RowText></Row>"),
            std::string::npos);
  EXPECT_NE(items.find("<LowerBound><Value>1</Value></LowerBound></RangeItem>"), std::string::npos);
  EXPECT_NE(items.find("<LowerBound><Value>2</Value></LowerBound><Row><RowText>high</RowText></Row>"),
            std::string::npos);
  EXPECT_NE(result.xml.find("</RangeItems><Legend /></RangeTheme>"), std::string::npos);
}

TEST_F(LegendSettingsTest, HiddenBlankRowIsPlaced) {
  const Translation result = Translate(
      std::wstring(kRangeTheme) + L"Set Legend Layer 1 Ranges Blank, Blank Display Off, Blank Display On");
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.xml.find("<Value>0</Value></LowerBound><Row shown=\"false\" /></RangeItem>"),
            std::string::npos);
  EXPECT_NE(result.xml.find("<Value>1</Value></LowerBound></RangeItem>"), std::string::npos);
  EXPECT_NE(result.xml.find("<DefaultRange>"), std::string::npos);
  EXPECT_NE(Between(result.xml, "<DefaultRange>", "</DefaultRange>").find("<Row />"), std::string::npos);
}

TEST_F(LegendSettingsTest, SwitchesTitlesAndFonts) {
  const Translation result =
      Translate(std::wstring(kRangeTheme) +
                L"Set Legend Scale Off Layer 1 Counts Reverse On Empty Off Frame Portrait On"
                L" Display Off Title \"Population\" Font (\"Serif\", 1, 12, 0) Subtitle Blank"
                L" Ranges Font (\"Sans\", 0, 8, 0) \"x\"");
  ASSERT_TRUE(result.ok) << result.error;
  const std::string legend = Between(result.xml, "<Legend", "</Legend>");
  EXPECT_EQ(legend.find("<Legend showCounts=\"false\" reverse=\"true\" showEmpty=\"false\" frame=\"false\" "
                        "orientation=\"portrait\"><Visibility><VisibleState>false</VisibleState></Visibility>"
                        "<Title><TitleText>Population</TitleText><FontStyle>"),
            0u)
      << legend;
  EXPECT_NE(legend.find("</Title><Subtitle /><RowFont><FontStyle>"), std::string::npos);
}

TEST_F(LegendSettingsTest, DisplayAloneWritesNothing) {
  const Translation result = Translate(std::wstring(kRangeTheme) + L"Set Legend Layer 1 Display Portrait");
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.xml.find("<Legend orientation=\"landscape\" />"), std::string::npos);
}

TEST_F(LegendSettingsTest, NewestThemeFirst) {
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(
      L"Map From A\nTheme 1 With X Values 1\nTheme 1 With Y Values 2\n"
      L"Set Legend Layer 1 Title \"newer\" Layer 1 Title \"older\"",
      300, [&](BrevanTranslator& state) { counts = state.themeCounts; });
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_NE(result.xml.find("source=\"expr X\" />"), std::string::npos);
  const size_t older = result.xml.find("<TitleText>older</TitleText>");
  const size_t newer = result.xml.find("<TitleText>newer</TitleText>");
  EXPECT_LT(result.xml.find("expr X"), older);
  EXPECT_LT(older, result.xml.find("expr Y"));
  EXPECT_LT(result.xml.find("expr Y"), newer);
  EXPECT_EQ(counts[L"A"], 0);
}

TEST_F(LegendSettingsTest, ColourListLayerEndsTheStatement) {
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(
      L"Map From A\nTheme 1 With X Values 1\nSet Map Layer 1 Colors 0\n"
      L"Set Legend Layer 1 Title \"t\" Layer 1 Title \"u\"",
      300, [&](BrevanTranslator& state) { counts = state.themeCounts; });
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.xml.find("<Legend"), std::string::npos);
  EXPECT_EQ(counts[L"A"], 1);
}

TEST_F(LegendSettingsTest, LayerWithoutAPendingThemeIsReadInStep) {
  const Translation result = Translate(
      L"Map From A\nSet Legend Layer 1 Title \"t\" Ranges \"a\", \"b\" Layer 1 Counts\nOpen Table \"x\"");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.xml.find("<Legend"), std::string::npos);
  EXPECT_NE(result.xml.find("<Table file=\"x\" />"), std::string::npos);
}

TEST_F(LegendSettingsTest, RowsOfOtherKinds) {
  struct Case {
    const char* name;
    const wchar_t* theme;
    const wchar_t* rows;
    std::vector<const char*> expected;
    std::vector<const char*> absent;
  };
  const Case cases[] = {
      {"single symbol: every changed row, the first included, in order",
       L"Single 1 : 2",
       L"\"one\", Blank, \"two\"",
       {"<SymbolValue>1</SymbolValue><Row><RowText>one</RowText></Row><Row><RowText>two</RowText></"
        "Row><Legend />"},
       {}},
      {"chart: the first row is never written",
       L"Bars Each Brush (2, 0) Brush (2, 1)",
       L"\"first\", \"x\", \"y\"",
       {"</BrushStyle><Row><RowText>x</RowText></Row></BarItem>",
        "<Row><RowText>y</RowText></Row></BarItem>"},
       {"first"}},
      {"graduated without a second symbol drops rows 4 to 6",
       L"Graduated 1 : 2 3 : 4 Symbol (35, 0, 9)",
       L"\"zero\", \"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\"",
       {"<SmallRow><Row><RowText>1</RowText></Row></SmallRow>", "<MediumRow><Row><RowText>2</RowText>",
        "<LargeRow><Row><RowText>3</RowText>"},
       {"zero", ">4<", ">5<", ">6<", ">7<"}},
      {"graduated rows land in their wrappers",
       L"Graduated 1 : 2 3 : 4 Symbol (35, 0, 9) Colors Symbol (36, 0, 9)",
       L"\"zero\", \"1\", \"2\", \"3\", \"4\", \"5\", \"6\"",
       {"<FirstSymbol>", "<SmallRow><Row><RowText>1", "<MediumRow><Row><RowText>2",
        "<LargeRow><Row><RowText>3", "<SecondSymbol>", "<LargeRow><Row><RowText>4",
        "<MediumRow><Row><RowText>5", "<SmallRow><Row><RowText>6"},
       {"zero"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Translation result = Translate(std::wstring(L"Map From A\nTheme 1 With X, Y ") + c.theme +
                                         L"\nSet Legend Layer 1 Ranges " + c.rows);
    ASSERT_TRUE(result.ok) << result.error;
    size_t at = 0;
    for (const char* needle : c.expected) {
      at = result.xml.find(needle, at);
      ASSERT_NE(at, std::string::npos) << needle << "\n" << result.xml;
    }
    for (const char* needle : c.absent) EXPECT_EQ(result.xml.find(needle), std::string::npos) << needle;
  }
}

struct ErrorCase {
  const char* name;
  std::wstring text;
  int error;
  const wchar_t* argument;
};

TEST_F(LegendSettingsTest, Errors) {
  const std::wstring range = kRangeTheme;
  const ErrorCase cases[] = {
      {"no such layer", L"Map From A\nSet Legend Layer 2", 26, L"Layer"},
      {"range theme without a default item",
       L"Map From A\nTheme 1 With X Ranges 0 : 1\nSet Legend Layer 1 Ranges \"a\"", 26,
       L"RangeItems/DefaultRange"},
      {"value theme without a default item",
       L"Map From A\nTheme 1 With X Values 1\nSet Legend Layer 1 Ranges \"a\"", 26,
       L"ValueItems/DefaultValue"},
      {"graduated theme without its first symbol",
       L"Map From A\nTheme 1 With X Graduated 1 : 2 3 : 4\nSet Legend Layer 1 Ranges \"a\", \"b\"", 26,
       L"FirstSymbol"},
      {"row past the items", range + L"Set Legend Layer 1 Ranges \"d\", \"1\", \"2\", \"3\", \"4\"", 30, L""},
      {"changed chart row without items",
       L"Map From A\nTheme 1 With X Pie\nSet Legend Layer 1 Ranges \"a\", \"b\"", 30, L""},
      {"title not a string", range + L"Set Legend Layer 1 Title 5", 25, L""},
      {"row not a string", range + L"Set Legend Layer 1 Ranges \"a\", 5", 25, L""},
      {"row font broken", range + L"Set Legend Layer 1 Ranges Font (1)", 27, L""},
  };
  for (const ErrorCase& c : cases) {
    ExpectFailure(Translate(c.text), c.error, c.argument, c.name);
  }
}

TEST_F(LegendSettingsTest, StateAndDocumentFailures) {
  // A theme element of no known kind.
  const StateRun kind = RunOnState(L"", [](BrevanTranslator& t) {
    const NodeHandle odd = t.CreateElementOrThrow(Tag::Legend);
    t.GetThemeKind(*odd);
  });
  EXPECT_EQ(kind.error, 31);
  // A count with no themes to match it.
  const StateRun missing = RunOnState(L"Map From A", [](BrevanTranslator& t) {
    t.TranslateMapWindow();
    t.themeCounts[L"A"] = 1;
    const NodeHandle layer = t.FindLayerOrThrow(1);
    t.FindPendingTheme(*layer);
  });
  EXPECT_EQ(missing.error, 26);
  const std::wstring text = std::wstring(kRangeTheme) + L"Set Legend Layer 1 Title \"t\" Display Off";
  Faults faults;
  faults.failSetTextOn = L"TitleText";
  EXPECT_EQ(TranslateWithFaults(text, faults).error, 23);
  faults = Faults();
  faults.failSetTextOn = L"VisibleState";
  EXPECT_EQ(TranslateWithFaults(text, faults).error, 23);
  faults = Faults();
  faults.failAppendInto = L"Title";
  EXPECT_EQ(TranslateWithFaults(text, faults).error, 22);
}

// The road of a typical workspace, end to end: the whole document and the
// records the statements leave behind.
TEST_F(LegendSettingsTest, TypicalWorkspace) {
  std::vector<std::wstring> names;
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(
      L"Open Table \"a.tbl\" As A\n"
      L"Map From A\n"
      L"Set Map Zoom 10 Units \"km\" Layer 1 Label With Name\n"
      L"Theme 1 With Pop Ranges 0 : 10 Brush (2, 255), 10 : 20 Brush (2, 65280) Else Brush (2, 0)\n"
      L"Set Legend Layer 1 Ranges \"other\", \"low\", \"high\"\n",
      300, [&](BrevanTranslator& state) {
        names = state.layerNames;
        counts = state.themeCounts;
      });
  ASSERT_TRUE(result.ok) << result.error;
  auto brush = [](const char* color) {
    return std::string(
               "<Styles><BrushStyle><Patterns><Reference refKind=\"builtin\" fillPattern=\"brush2\" "
               "/></Patterns>"
               "<Graphics><Paint><Drawing foreground=\"") +
           color +
           "\" background=\"rgb(255,255,255)\" opaque=\"0\" /></Paint></Graphics></BrushStyle></Styles>";
  };
  EXPECT_EQ(
      result.xml,
      "<Workspace><Tables><Table file=\"a.tbl\" alias=\"A\" /></Tables>"
      "<MapWindows><MapWindow zoom=\"10\" zoomUnits=\"km\"><Layers><Layer name=\"A\" position=\"1\">"
      "<Labels><LabelExpression>Name</LabelExpression></Labels>"
      "<Themes><RangeTheme description=\"\" visible=\"1\">"
      "<Expression><Reference refKind=\"builtin\" source=\"expr Pop\" /></Expression>"
      "<ItemSettings /><RangeItems>"
      "<RangeItem><UpperBound><Value>10</Value></UpperBound><LowerBound><Value>0</Value></LowerBound>" +
          brush("rgb(0,0,255)") + "<Row><RowText>low</RowText></Row></RangeItem>" +
          "<RangeItem><UpperBound><Value>20</Value></UpperBound><LowerBound><Value>10</Value></LowerBound>" +
          brush("rgb(0,255,0)") + "<Row><RowText>high</RowText></Row></RangeItem>" + "<DefaultRange>" +
          brush("rgb(0,0,0)") + "<Row><RowText>other</RowText></Row></DefaultRange>" +
          "</RangeItems><Legend /></RangeTheme></Themes></Layer></Layers><WindowPosition /></MapWindow>"
          "</MapWindows></Workspace>");
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"A"}));
  EXPECT_EQ(counts, (std::map<std::wstring, int32_t>{{L"A", 0}}));
}

}  // namespace
}  // namespace brevan::test
