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
  EXPECT_TRUE(InOrder(result.xml, {"source=\"expr X\" />", "<TitleText>older</TitleText>", "expr Y",
                                   "<TitleText>newer</TitleText>"}))
      << result.xml;
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
    const NodeHandle layer = t.FindLayerOrThrow(1, t.Here());
    t.FindPendingTheme(*layer);
  });
  EXPECT_EQ(missing.error, 26);
  const std::wstring text = std::wstring(kRangeTheme) + L"Set Legend Layer 1 Title \"t\" Display Off";
  EXPECT_EQ(TranslateWithFaults(text, Faults::SetTextOn(L"TitleText")).error, 23);
  EXPECT_EQ(TranslateWithFaults(text, Faults::SetTextOn(L"VisibleState")).error, 23);
  EXPECT_EQ(TranslateWithFaults(text, Faults::AppendInto(L"Title")).error, 22);
}

}  // namespace
}  // namespace brevan::test
