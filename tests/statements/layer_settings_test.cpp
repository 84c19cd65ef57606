#include "host/style.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using LayerSettingsTest = TranslatorTest;

constexpr const wchar_t* kWindow = L"Map From a, b\nSet Map ";

TEST_F(LayerSettingsTest, RefusedStyleRunIsErrorThirtyThree) {
  Veltra::cToolSettings::RefuseSettersForTesting(true);
  const Translation result = Translate(std::wstring(kWindow) + L"Layer 1 Style Pen (1, 2, 0)");
  Veltra::cToolSettings::RefuseSettersForTesting(false);
  EXPECT_EQ(result.error, 33);
  EXPECT_EQ(result.at, "2:23-36");  // the style run
}

struct AlignmentCase {
  const wchar_t* text;
  int first;
  int second;
};

TEST_F(LayerSettingsTest, Alignment) {
  const AlignmentCase cases[] = {
      {L"Position Center", -1, -1},
      {L"Position Left Center", 0, 2},
      {L"Position Center Below", 2, 1},
      {L"Position Right Above", 1, 0},
      {L"Zoom", -1, -1},
  };
  for (const AlignmentCase& c : cases) {
    int32_t first = -1, second = -1;
    RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseAlignmentClause(first, second); });
    EXPECT_EQ(first, c.first) << c.text;
    EXPECT_EQ(second, c.second) << c.text;
  }
}

TEST_F(LayerSettingsTest, RgbColor) {
  Veltra::cColor color(0x12345678);
  RunOnState(L"rgb(16, 32, 48)", [&](BrevanTranslator& t) { t.ParseRgbColor(color); });
  EXPECT_EQ(color.Value(), 0xFF102030u);
  RunOnState(L"5", [&](BrevanTranslator& t) { t.ParseRgbColor(color); });
  EXPECT_EQ(color.Value(), 0xFF000000u);
  bool blend = true;
  uint8_t spread = 0;
  double base = 9;
  const StateRun run =
      RunOnState(L"Colors 1 At rgb(1, 2, 3) : 4 Base 2.5 Adjust Spread 258 Spread 7 Adjust x",
                 [&](BrevanTranslator& t) { t.ParseLayerColorListClause(blend, spread, base); });
  EXPECT_FALSE(blend);
  EXPECT_EQ(spread, 7);
  EXPECT_EQ(base, 2.5);
  EXPECT_EQ(run.rest, L"x");
}

}  // namespace
}  // namespace brevan::test
