#include <cmath>

#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThemeSizesTest = TranslatorTest;

std::string Within(const std::string& body) {
  return body.empty() ? "<Workspace />" : "<Workspace>" + body + "</Workspace>";
}

struct ValueSizeCase {
  double value;
  double size;
  const wchar_t* unit;
  int error;
  const char* xml;
};

TEST_F(ThemeSizesTest, ValueAndSize) {
  const ValueSizeCase cases[] = {
      {0, 1, L"in", 0, "<ValueSize><Extent><Measure unit=\"inches\">1</Measure></Extent></ValueSize>"},
      {0.5, 2, L"in", 0,
       "<ValueSize><ReferenceValue>0.5</ReferenceValue><Extent><Measure unit=\"inches\">2</Measure></Extent>"
       "</ValueSize>"},
      {-3, 2, L"px", 0, "<ValueSize><Extent><Measure unit=\"pixels\">2</Measure></Extent></ValueSize>"},
      {std::nan(""), 2, L"dm", 0,
       "<ValueSize><Extent><Measure unit=\"decimeters\">2</Measure></Extent></ValueSize>"},
      {1, 2, L"pt", 32, ""},  // the pen-width word is no unit: nothing appended
      {1, 2, L"IN", 32, ""},  // units compare exactly
  };
  for (const ValueSizeCase& c : cases) {
    const StateRun run = RunOnState(
        L"", [&](BrevanTranslator& t) { t.WriteValueSizeElement(*t.root, c.value, c.size, c.unit); });
    EXPECT_EQ(run.error, c.error) << c.unit;
    EXPECT_EQ(run.xml, Within(c.xml)) << c.unit;
  }
}

TEST_F(ThemeSizesTest, EveryUnitHasItsWord) {
  const std::pair<const wchar_t*, const char*> units[] = {
      {L"in", "inches"},     {L"px", "pixels"},         {L"cm", "centimeters"}, {L"mm", "millimeters"},
      {L"ft", "feet"},       {L"yd", "yards"},          {L"mi", "miles"},       {L"m", "meters"},
      {L"km", "kilometers"}, {L"nmi", "nauticalmiles"}, {L"pc", "picas"},       {L"twip", "twips"},
      {L"dm", "decimeters"}};
  for (const auto& [unit, word] : units) {
    const StateRun run = RunOnState(L"", [&](BrevanTranslator& t) { t.WriteSizeWithUnit(*t.root, 3, unit); });
    EXPECT_EQ(run.xml, Within(std::string("<Measure unit=\"") + word + "\">3</Measure>")) << word;
  }
}

TEST_F(ThemeSizesTest, MethodElement) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"proportional", "<Method><ProportionalMethod /></Method>"},
      {L"constant", "<Method><ConstantMethod label=\"\" /></Method>"},
      {L"normalized", "<Method><NormalizedMethod /></Method>"},
  };
  for (const auto& [method, xml] : cases) {
    const StateRun run =
        RunOnState(L"", [&](BrevanTranslator& t) { t.WriteMethodElement(*t.root, method, L""); });
    EXPECT_EQ(run.xml, Within(xml));
  }
  const StateRun labelled =
      RunOnState(L"", [&](BrevanTranslator& t) { t.WriteMethodElement(*t.root, L"constant", L"per 1000"); });
  EXPECT_EQ(labelled.xml, Within("<Method><ConstantMethod label=\"per 1000\" /></Method>"));
}

}  // namespace
}  // namespace brevan::test
