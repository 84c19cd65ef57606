#include <vector>

#include "host/style.h"
#include "styles/style_objects.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using StyleParsingTest = TranslatorTest;

// A clause that fails part-way leaves the caller's symbol as it was.
TEST_F(StyleParsingTest, FailedSymbolClauseReplacesNothing) {
  for (const wchar_t* text : {L"Symbol (35, 255, 12, \"Glyphs\", 1, x)", L"Symbol (\"pin\", 255 12, 3)"}) {
    SymbolHandle symbol = NewSymbol();
    symbol->SetShape(7);
    EXPECT_NE(RunOnState(text, [&](BrevanTranslator& t) { t.ParseSymbolClause(symbol); }).error, 0) << text;
    EXPECT_EQ(symbol->GetType(), 0) << text;
    EXPECT_EQ(symbol->GetShape(), 7) << text;
  }
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

}  // namespace
}  // namespace brevan::test
