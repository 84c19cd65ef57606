#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThemeLegendTest = TranslatorTest;

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
