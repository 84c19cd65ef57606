#include "host/style.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using LayerSettingsTest = TranslatorTest;

constexpr const wchar_t* kWindow = L"Map From a, b\nSet Map ";

// The first layer element, as XML.
std::string FirstLayer(const Translation& result) {
  const size_t start = result.xml.find("<Layer name=\"a\"");
  const size_t end = result.xml.find("<Layer name=\"b\"");
  return start == std::string::npos ? result.xml : result.xml.substr(start, end - start);
}

TEST_F(LayerSettingsTest, LabelExpressionsShareOneLabelsElement) {
  const Translation result = Translate(std::wstring(kWindow) +
                                       L"Layer 1 Label With Name + \"!\" Font (\"Serif\", 1, 8, 0)\n"
                                       L"  Label Position Center Left With Pop Max 3 Center (5, 6)");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(FirstLayer(result),
            "<Layer name=\"a\" position=\"1\"><Labels><LabelExpression>Name+\"!\"</LabelExpression>"
            "<LabelExpression>Pop</LabelExpression></Labels></Layer>");
  EXPECT_NE(result.xml.find("<MapWindow centerX=\"5\""), std::string::npos);  // the statement went on
}

TEST_F(LayerSettingsTest, ReducedFormReadsItsOwnValues) {
  const Translation result =
      Translate(std::wstring(kWindow) +
                L"Layer 1 Label Auto 3 Caption \"c\" Angle -45 Spacing (1, 2) Margin (3, 4)"
                L" Border Arrow Priority 2 Offset Zoom Center (7, 8)");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(FirstLayer(result), "<Layer name=\"a\" position=\"1\"><Labels /></Layer>");
  EXPECT_NE(result.xml.find("<MapWindow centerX=\"7\""), std::string::npos);
}

TEST_F(LayerSettingsTest, ColorListAddsItsElement) {
  for (const wchar_t* clause :
       {L"Colors 0",
        L"Colors 2 Mode Blend At rgb(255, 0, 0) : 10 rgb(0, 0, 255) : 20 Base 5"
        L" Adjust Spread 3 Adjust",
        L"Colors 3 At rgb(1, 2, 3) : 1 rgb(4, 5, 6) :"}) {  // stops at a missing number
    const Translation result =
        Translate(std::wstring(kWindow) + L"Layer 1 " + clause + L" Colors 0 Center (9, 9)");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(FirstLayer(result), "<Layer name=\"a\" position=\"1\"><ColorList /></Layer>") << clause;
    EXPECT_NE(result.xml.find("centerX=\"9\""), std::string::npos) << clause;
  }
}

// Each clause that writes nothing must still be read whole, so that the
// Label clause after it is translated.
TEST_F(LayerSettingsTest, SubClausesThatWriteNothingKeepTheStreamInStep) {
  const wchar_t* clauses[] = {
      L"Style Pen (1, 2, 0) Brush (2, 255) Symbol (35, 0, 12)",
      L"Global Color Off",
      L"Global Font (\"F\", 0, 9, 0)",
      L"Zoom (0, 100) Units \"km\" Off",
      L"Display Graphic",
      L"Nodes",
      L"Selectable Off Arrows Centroids On Editable Cluster Stagger Off",
      L"Curve On",
      L"Color 255",
      L"Threshold 1 Tolerance -2 Depth 3 Rank 4",
      L"Else Zoom",
      L"Extra On Lines Points Filter a > 2 Option x Off On",
      L"Label Auto Caption \"x\"",
      L"Label Parallel Off Duplicates On Blank Overlap Shadow Off Else Offset On Border Plain",
      L"Label Offset Zoom (1, 2) Units \"m\" Priority Max",
  };
  for (const wchar_t* clause : clauses) {
    const Translation result = Translate(std::wstring(kWindow) + L"Layer 1 " + clause + L" Label With Name");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NE(FirstLayer(result).find("<LabelExpression>Name</LabelExpression>"), std::string::npos)
        << "after " << clause << ": " << FirstLayer(result);
  }
}

TEST_F(LayerSettingsTest, NoLayerElementForNumbersBelowOne) {
  for (const wchar_t* layer : {L"0", L"Roads"}) {
    const Translation result =
        Translate(std::wstring(kWindow) + L"Layer " + layer + L" Label With Name Colors 0 Center (5, 5)");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.xml.find("<Labels"), std::string::npos) << layer;
    EXPECT_EQ(result.xml.find("<ColorList"), std::string::npos) << layer;
    EXPECT_NE(result.xml.find("centerX=\"5\""), std::string::npos) << layer;
  }
}

TEST_F(LayerSettingsTest, SecondLayerByNumber) {
  const Translation result = Translate(std::wstring(kWindow) + L"Layer 2 Colors 0");
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.xml.find("<Layer name=\"b\" position=\"2\"><ColorList /></Layer>"), std::string::npos);
}

struct ErrorCase {
  const char* name;
  const wchar_t* clause;
  int error;
  const wchar_t* argument;
};

TEST_F(LayerSettingsTest, Errors) {
  const ErrorCase cases[] = {
      {"layer beyond the list", L"Layer 3 Nodes", 26, L"Layer"},
      {"color not an integer", L"Layer 1 Color 2.5", 11, L""},
      {"short out of range", L"Layer 1 Depth 70000", 11, L""},
      {"count not a constant", L"Layer 1 Colors x", 28, L""},
      {"colour list without At", L"Layer 1 Colors 1 rgb(1, 2, 3)", 4, L"rgb"},
      {"blend without its word", L"Layer 1 Colors 1 Mode At", 4, L"At"},
      {"caption not a string", L"Layer 1 Label Auto Caption 5", 25, L""},
      {"spacing number missing", L"Layer 1 Label Auto Spacing (x, 1)", 10, L""},
      {"spacing without parenthesis", L"Layer 1 Label Auto Spacing 1", 4, L"1"},
      {"else without zoom", L"Layer 1 Else 5", 4, L"5"},
      {"style clause broken", L"Layer 1 Style Pen (1, 2)", 4, L")"},
      {"layer identifier missing", L"Layer , 1", 24, L""},
  };
  for (const ErrorCase& c : cases) {
    ExpectFailure(Translate(std::wstring(kWindow) + c.clause), c.error, c.argument, c.name);
  }
}

TEST_F(LayerSettingsTest, RefusedStyleRunIsErrorThirtyThree) {
  Veltra::cToolSettings::RefuseSettersForTesting(true);
  const Translation result = Translate(std::wstring(kWindow) + L"Layer 1 Style Pen (1, 2, 0)");
  Veltra::cToolSettings::RefuseSettersForTesting(false);
  EXPECT_EQ(result.error, 33);
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
