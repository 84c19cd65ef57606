#include <vector>

#include "host/style.h"
#include "styles/style_objects.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using StyleParsingTest = TranslatorTest;

struct PenCase {
  const wchar_t* text;
  int error;
  int width;
  int pattern;
  uint32_t color;
};

TEST_F(StyleParsingTest, Pen) {
  const PenCase cases[] = {
      {L"Pen", 0, 1, 2, 0xFF000000},
      {L"Pen (2, 3, 255)", 0, 2, 3, 0xFF0000FF},
      {L"Pen (2, 3, 255, 16711680)", 0, 2, 3, 0xFFFF0000},  // the fourth number wins
      {L"Pen (0, 5, 0)", 0, 1, 2, 0xFF000000},
      {L"Pen (10, 7, 0)", 0, 1, 2, 0xFF000000},
      {L"Pen (10, 1, 0)", 0, 10, 1, 0xFF000000},
      {L"Pen (0, 1, 0)", 0, 0, 1, 0xFF000000},
      {L"Pen (3, 65538, 4294967295)", 0, 3, 2, 0xFFFFFFFF},  // low 16 bits; top byte forced
      {L"Pen (2, 3, \"x\", 5)", 28, 2, 3, 0xFF000000},       // the third must be a number even with a fourth
      {L"Pen (2 3 0)", 4, 2, 2, 0xFF000000},
      {L"Pen (2, 3, 0", 4, 2, 3, 0xFF000000},
  };
  for (const PenCase& c : cases) {
    const auto pen = NewPen();
    const StateRun run = RunOnState(c.text, [&](BrevanTranslator& t) { t.ParsePenClause(*pen); });
    EXPECT_EQ(run.error, c.error) << c.text;
    EXPECT_EQ(pen->GetWidth(), c.width) << c.text;
    EXPECT_EQ(pen->GetPattern(), c.pattern) << c.text;
    EXPECT_EQ(pen->GetColor()->Value(), c.color) << c.text;
  }
}

TEST_F(StyleParsingTest, Brush) {
  auto brush = NewBrush();
  EXPECT_EQ(RunOnState(L"Brush (5, 255)", [&](BrevanTranslator& t) { t.ParseBrushClause(*brush); }).error, 0);
  EXPECT_EQ(brush->GetPattern(), 5);
  EXPECT_EQ(brush->GetForeColor()->Value(), 0xFF0000FFu);
  EXPECT_TRUE(brush->IsTransparent());
  brush = NewBrush();
  RunOnState(L"Brush (65535, 255, 65280)", [&](BrevanTranslator& t) { t.ParseBrushClause(*brush); });
  EXPECT_EQ(brush->GetPattern(), -1);
  EXPECT_EQ(brush->GetBackColor()->Value(), 0xFF00FF00u);
  EXPECT_FALSE(brush->IsTransparent());
  brush = NewBrush();
  const StateRun bare = RunOnState(L"Brush Pen", [&](BrevanTranslator& t) { t.ParseBrushClause(*brush); });
  EXPECT_EQ(bare.rest, L"Pen");
  EXPECT_EQ(brush->GetPattern(), 2);
  EXPECT_FALSE(brush->IsTransparent());
}

struct FontCase {
  const wchar_t* text;
  int error;
  bool background;
};

TEST_F(StyleParsingTest, FontBackground) {
  const FontCase cases[] = {
      {L"Font (\"Serif\", 1, 9, 255)", 0, false},
      {L"Font (\"Serif\", 1, 9, 255, 65280)", 0, true},
      {L"Font (\"Serif\", 1, 9, 255, 16777215)", 0, false},  // white is no background
      {L"Font (\"Serif\", 64, 9, 255, 65280)", 0, false},    // a halo replaces it
      {L"Font (Serif, 1, 9, 255)", 27, false},
      {L"Font (\"Serif\", 1, x, 255)", 28, false},
  };
  for (const FontCase& c : cases) {
    const auto font = NewFont();
    const StateRun run = RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseFontClause(*font); });
    EXPECT_EQ(run.error, c.error) << c.text;
    EXPECT_EQ(font->HasBackground(), c.background) << c.text;
  }
  const auto font = NewFont();
  RunOnState(L"Font (\"A Font Name Longer Than Thirty-Two Characters\", 3, 9, 255)",
             [&](BrevanTranslator& t) { t.ParseFontClause(*font); });
  EXPECT_EQ(std::wstring(font->GetName()), L"A Font Name Longer Than Thirty-Two Characters");
  EXPECT_TRUE(font->FontFlag1() && font->FontFlag2() && !font->FontFlag3());
  EXPECT_EQ(font->GetSize(), 9);
}

struct SymbolCase {
  const wchar_t* text;
  int error;
  int type;
  int rotation;  // font symbols only
};

TEST_F(StyleParsingTest, SymbolForms) {
  const SymbolCase cases[] = {
      {L"Symbol", 0, 1, 0},
      {L"Symbol (\"pin.png\", 255, 18, 3)", 0, 2, 0},
      {L"Symbol (35, 255, 12)", 0, 0, 0},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, -90)", 0, 1, 2700},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, 360)", 0, 1, 0},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, 725)", 0, 1, 50},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, 45.5)", 0, 1, 455},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, 400)", 0, 1, 400},
      {L"Symbol (35, 255, 12, \"Glyphs\", 1, x)", 10, 0, 0},
      {L"Symbol (35, 255, 12, Glyphs, 1, 0)", 27, 0, 0},
      {L"Symbol (35, 255 12)", 4, 0, 0},
  };
  for (const SymbolCase& c : cases) {
    SymbolHandle symbol = NewSymbol();
    symbol->SetShape(7);
    const StateRun run = RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseSymbolClause(symbol); });
    EXPECT_EQ(run.error, c.error) << c.text;
    EXPECT_EQ(symbol->GetType(), c.type) << c.text;
    if (c.error != 0) {
      EXPECT_EQ(symbol->GetShape(), 7) << c.text;  // a failed clause leaves the symbol as it was
      continue;
    }
    if (auto* font = Veltra::FontSymbol(symbol.get())) {
      EXPECT_EQ(font->GetRotation(), c.rotation) << c.text;
    }
  }
}

TEST_F(StyleParsingTest, SymbolValues) {
  SymbolHandle symbol = NewSymbol();
  RunOnState(L"Symbol (40, 65280, 14, \"Glyphs\", 257, 0)",
             [&](BrevanTranslator& t) { t.ParseSymbolClause(symbol); });
  const auto* font = Veltra::FontSymbol(symbol.get());
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->GetShape(), 40);
  EXPECT_EQ(font->GetSize(), 14);
  EXPECT_EQ(std::wstring(font->GetFont()->GetName()), L"Glyphs");
  EXPECT_EQ(font->GetFont()->GetForeColor()->Value(), 0xFF00FF00u);  // the symbol's colour
  EXPECT_TRUE(font->GetFont()->FontFlag1() && font->GetFont()->FontFlag9());
  RunOnState(L"Symbol (\"pin.png\", 255, 18, 65539)",
             [&](BrevanTranslator& t) { t.ParseSymbolClause(symbol); });
  const auto* bitmap = Veltra::EffSymbol(symbol.get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(std::wstring(bitmap->GetName()), L"pin.png");
  EXPECT_TRUE(bitmap->BitmapFlag1() && bitmap->BitmapFlag2());  // 65539 keeps its low bits 3
}

// Tool settings that record what they are given, in order.
class RecordingSettings final : public Veltra::cToolSettings {
 public:
  RecordingSettings() : cToolSettings(0) {}
  bool SetPen(const Veltra::cPen* pen) override { return Record(L"pen", pen->GetWidth()); }
  bool SetBrush(const Veltra::cBrush* brush) override { return Record(L"brush", brush->GetPattern()); }
  bool SetSecondPen(const Veltra::cPen* pen) override { return Record(L"border", pen->GetWidth()); }
  bool SetSymbol(const Veltra::cSymbol* symbol) override { return Record(L"symbol", symbol->GetShape()); }
  bool SetFont(const Veltra::cFont* font, bool) override { return Record(L"font", font->GetSize()); }
  std::wstring log;

 private:
  bool Record(const wchar_t* what, int value) {
    log += std::wstring(what) + L"=" + std::to_wstring(value) + L" ";
    return true;
  }
};

struct RunCase {
  const wchar_t* text;
  const wchar_t* applied;
  const wchar_t* rest;
};

TEST_F(StyleParsingTest, RunsApplyTheLastOfEachKindInFixedOrder) {
  const RunCase cases[] = {
      {L"Font (\"F\", 0, 8, 0) Symbol (3, 0, 9) Pen (2, 2, 0) Brush (4, 0) Border (5, 2, 0) Pen (6, 2, 0) "
       L"Zoom",
       L"brush=4 pen=6 border=5 symbol=3 font=8 ", L"Zoom"},
      {L"Pen (2, 2, 0) Pen (3, 2, 0)", L"pen=3 ", L""},
      {L"Border (2, 2, 0) Border (3, 2, 0) Pen (4, 2, 0)", L"border=2 ", L"Border"},
      {L"Border (2, 2, 0) Pen (4, 2, 0)", L"pen=4 border=2 ", L""},
      {L"Zoom", L"", L"Zoom"},
  };
  for (const RunCase& c : cases) {
    auto* settings = new RecordingSettings();
    const StateRun run = RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseStyleClauses(*settings); });
    EXPECT_EQ(run.error, 0) << c.text;
    EXPECT_EQ(settings->log, c.applied) << c.text;
    EXPECT_EQ(run.rest, c.rest) << c.text;
    settings->Release();
  }
}

TEST_F(StyleParsingTest, RefusedSetterIsErrorThirtyThree) {
  Veltra::cToolSettings* settings = Veltra::cToolSettings::Create(0);
  Veltra::cToolSettings::RefuseSettersForTesting(true);
  const StateRun run =
      RunOnState(L"Pen (2, 2, 0) Brush (2, 0)", [&](BrevanTranslator& t) { t.ParseStyleClauses(*settings); });
  Veltra::cToolSettings::RefuseSettersForTesting(false);
  settings->Release();
  EXPECT_EQ(run.error, 33);
}

TEST_F(StyleParsingTest, FailureInsideARunReleasesEverything) {
  Veltra::cToolSettings* settings = Veltra::cToolSettings::Create(0);
  const StateRun run = RunOnState(L"Pen (2, 2, 0) Symbol (1, 2, 3) Brush (2, x)",
                                  [&](BrevanTranslator& t) { t.ParseStyleClauses(*settings); });
  settings->Release();
  EXPECT_EQ(run.error, 28);
}

struct ColorCase {
  const wchar_t* text;
  uint32_t color;
};

TEST_F(StyleParsingTest, ColorOfTheLastClause) {
  const ColorCase cases[] = {
      {L"Pen (1, 2, 255) Brush (2, 65280)", 0xFF00FF00},
      {L"Brush (2, 65280) Pen (1, 2, 255)", 0xFF0000FF},
      {L"Pen (1, 2, 255) Border (1, 2, 16711680)",
       0xFFFF0000},  // a lone Border ends the run, its colour kept
      {L"Symbol (3, 128, 9)", 0xFF000080},
      {L"Font (\"F\", 0, 8, 16711935)", 0xFFFF00FF},
      {L"Zoom", 0x12345678},
  };
  for (const ColorCase& c : cases) {
    Veltra::cColor color(0x12345678);
    RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseStyleClauseColor(color); });
    EXPECT_EQ(color.Value(), c.color) << c.text;
  }
}

struct AngleCase {
  const wchar_t* text;
  int error;
  int angle;
  bool flag;
};

TEST_F(StyleParsingTest, AngleClause) {
  const AngleCase cases[] = {
      {L"Angle -450", 0, -90, true}, {L"Angle 725 Counter", 0, 5, false}, {L"Counter", 0, 99, false},
      {L"Zoom", 0, 99, true},        {L"Angle Counter", 10, 99, true},
  };
  for (const AngleCase& c : cases) {
    int16_t angle = 99;
    bool flag = true;
    const StateRun run = RunOnState(c.text, [&](BrevanTranslator& t) { t.ParseAngleClause(angle, flag); });
    EXPECT_EQ(run.error, c.error) << c.text;
    EXPECT_EQ(angle, c.angle) << c.text;
    EXPECT_EQ(flag, c.flag) << c.text;
  }
}

}  // namespace
}  // namespace brevan::test
