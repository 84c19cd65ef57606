#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThemeLegendTest = TranslatorTest;

constexpr const wchar_t* kRange = L"Map From A\nTheme 1 With Pop Ranges ";
constexpr const wchar_t* kItems = L" 0 : 1, 1 : 2, 2 : 3 ";

struct VariantCase {
  const wchar_t* spread;
  int variant;
  const char* word;
};

TEST_F(ThemeLegendTest, SpreadingVariants) {
  const VariantCase cases[] = {
      {L"Color", 0, "rgb"},       {L"Color", 1, "hsv"},  {L"Size", 0, "linear"}, {L"Size", 16, "logarithmic"},
      {L"Size", 32, "quadratic"}, {L"Color", 16, "hue"}, {L"Size", 1, "graded"}, {L"All", 0, "uniform"},
  };
  for (const VariantCase& c : cases) {
    const Translation result = Translate(std::wstring(kRange) + L"Spread " + c.spread + kItems +
                                         L"Adjust Mode " + std::to_wstring(c.variant));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(result.xml.find(std::string("<SpreadVariant>") + c.word + "</SpreadVariant></ItemSettings>"),
              std::string::npos)
        << c.word;
  }
}

TEST_F(ThemeLegendTest, ItemColourGoesToItsItem) {
  const Translation result =
      Translate(std::wstring(kRange) + kItems +
                L"Adjust Colors On Pen (1, 2, 255) Brush (2, 1056816) At 2 Colors Off At 1");
  ASSERT_TRUE(result.ok) << result.error;
  const size_t second = result.xml.find("<RangeItem>", result.xml.find("<RangeItem>") + 1);
  const size_t colour = result.xml.find("<ItemColor>rgb(16,32,48)</ItemColor>");
  EXPECT_GT(colour, second);
  EXPECT_LT(colour, result.xml.find("<RangeItem>", second + 1));
  EXPECT_EQ(result.xml.find("<ItemColor>", colour + 1), std::string::npos);  // Off writes nothing
}

TEST_F(ThemeLegendTest, ReferenceValueIsReusedAndASecondAdjustEndsTheBlock) {
  const Translation result = Translate(
      L"Map From A\nTheme 1 With Pop Graduated 1 : 1 0 : 36 Symbol\n"
      L"Adjust Max 5 Color 3 Base 2 Spread 5 Using a + b Max 6 Adjust Max 7");
  ASSERT_TRUE(result.ok) << result.error;
  // A new reference value is appended to the anchor, after its size.
  EXPECT_NE(result.xml.find("</Extent><ReferenceValue>6</ReferenceValue></ValueSize>"), std::string::npos);
  EXPECT_EQ(result.xml.find(">7<"), std::string::npos);  // left to the dispatcher, which skipped it
}

TEST_F(ThemeLegendTest, NothingAfterTheKindLeavesTheThemeAlone) {
  const Translation result = Translate(std::wstring(kRange) + kItems + L"Max 3");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.xml.find("ReferenceValue"), std::string::npos);
}

struct ErrorCase {
  const char* name;
  std::wstring text;
  int error;
};

TEST_F(ThemeLegendTest, Errors) {
  const std::wstring range = std::wstring(kRange) + kItems;
  const ErrorCase cases[] = {
      {"chart without a size clause", L"Map From A\nTheme 1 With X Bars Adjust Max 1", 29},
      {"variant without spreading", range + L"Adjust Mode 1", 29},
      {"item number past the list", range + L"Adjust Colors On Brush (2, 0) At 4", 30},
      {"item number zero", range + L"Adjust Colors On Brush (2, 0) At 0", 30},
      {"colour without At", range + L"Adjust Colors On Brush (2, 0) 2", 4},
      {"reference without a number", range + L"Adjust Max x", 10},
      {"variant without an integer", range + L"Adjust Mode 1.5", 11},
      {"spread 5 without Using", range + L"Adjust Spread 5 a", 4},
  };
  for (const ErrorCase& c : cases) {
    const Translation result = Translate(c.text);
    EXPECT_EQ(result.error, c.error) << c.name;
  }
}

TEST_F(ThemeLegendTest, ItemColoursNeedItems) {
  const StateRun run = RunOnState(L"Adjust Colors On At 1", [](BrevanTranslator& t) {
    const NodeHandle theme = t.CreateElementOrThrow(Tag::RangeTheme);
    t.AppendChildOrThrow(*t.root, *theme);
    const NodeHandle settings = t.CreateElementOrThrow(Tag::ItemSettings);
    t.AppendChildOrThrow(*theme, *settings);
    t.TranslateThemeLegend(*theme);
  });
  EXPECT_EQ(run.error, 29);
}

}  // namespace
}  // namespace brevan::test
