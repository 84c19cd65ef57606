#include "tests/support/faulty_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using LegendSettingsTest = TranslatorTest;

constexpr const wchar_t* kRangeTheme =
    L"Map From A\nTheme 1 With Pop Ranges 0 : 1, 1 : 2, 2 : 3 Else Brush (2, 0)\n";

TEST_F(LegendSettingsTest, NewestThemeFirst) {
  const Translation result = TranslateWithState(
      L"Map From A\nTheme 1 With X Values 1\nTheme 1 With Y Values 2\n"
      L"Set Legend Layer 1 Title \"newer\" Layer 1 Title \"older\"");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_NE(result.xml.find("source=\"expr X\" />"), std::string::npos);
  const size_t older = result.xml.find("<TitleText>older</TitleText>");
  const size_t newer = result.xml.find("<TitleText>newer</TitleText>");
  EXPECT_LT(result.xml.find("expr X"), older);
  EXPECT_LT(older, result.xml.find("expr Y"));
  EXPECT_LT(result.xml.find("expr Y"), newer);
  EXPECT_EQ(result.themeCounts.at(L"A"), 0);
}

TEST_F(LegendSettingsTest, ColourListLayerEndsTheStatement) {
  const Translation result = TranslateWithState(
      L"Map From A\nTheme 1 With X Values 1\nSet Map Layer 1 Colors 0\n"
      L"Set Legend Layer 1 Title \"t\" Layer 1 Title \"u\"");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.xml.find("<Legend"), std::string::npos);
  EXPECT_EQ(result.themeCounts.at(L"A"), 1);
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
  EXPECT_EQ(TranslateWithFaults(text, Faults::SetTextOn(L"TitleText")).error, 23);
  EXPECT_EQ(TranslateWithFaults(text, Faults::SetTextOn(L"VisibleState")).error, 23);
  EXPECT_EQ(TranslateWithFaults(text, Faults::AppendInto(L"Title")).error, 22);
}

// The road of a typical workspace, end to end: the whole document and the
// records the statements leave behind.
TEST_F(LegendSettingsTest, TypicalWorkspace) {
  const Translation result = TranslateWithState(
      L"Open Table \"a.tbl\" As A\n"
      L"Map From A\n"
      L"Set Map Zoom 10 Units \"km\" Layer 1 Label With Name\n"
      L"Theme 1 With Pop Ranges 0 : 10 Brush (2, 255), 10 : 20 Brush (2, 65280) Else Brush (2, 0)\n"
      L"Set Legend Layer 1 Ranges \"other\", \"low\", \"high\"\n");
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
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"A", L"A"}));
  EXPECT_EQ(result.themeCounts, (std::map<std::wstring, int32_t>{{L"A", 0}}));
}

}  // namespace
}  // namespace brevan::test
