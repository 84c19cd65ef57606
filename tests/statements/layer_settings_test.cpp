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

}  // namespace
}  // namespace brevan::test
