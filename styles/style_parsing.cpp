// Style clauses: a keyword and an optional value list, read into the host's
// style objects.
#include <cmath>

#include "host/text.h"
#include "host/utility.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

int32_t ToInteger(double value) { return static_cast<int32_t>(TruncateClamped(value, INT32_MIN, INT32_MAX)); }

// The low 16 bits of the integer, as a signed value.
int16_t ToSigned16(double value) {
  return static_cast<int16_t>(static_cast<uint16_t>(ToInteger(value) & 0xFFFF));
}
uint16_t ToUnsigned16(double value) { return static_cast<uint16_t>(ToInteger(value) & 0xFFFF); }

// The low 32 bits, alpha forced to opaque.
Veltra::cColor ToColor(double value) {
  const auto bits = static_cast<uint64_t>(TruncateClamped(value, INT64_MIN, INT64_MAX));
  return Veltra::cColor::Opaque(static_cast<uint32_t>(bits));
}

// The number at the cursor, not consumed (error 28 when there is none).
double Number(BrevanTranslator& t) {
  if (!t.IsTokenClass(kNumericConstant)) t.Raise(Error::ExpectingConstantNumber);
  return t.DoubleValue();
}

// The string at the cursor, not consumed (error 27 when there is none).
std::wstring String(BrevanTranslator& t) {
  if (!t.IsTokenClass(kStringConstant)) t.Raise(Error::ExpectingConstantString);
  return t.StringValue();
}

// A font name as the documents' readers hold it: copied into a buffer of 32
// characters with its terminator, so at most 31. A longer one is cut, with
// a warning.
std::wstring FontName(BrevanTranslator& t) {
  constexpr size_t kLongest = 31;
  if (t.IsTokenClass(kStringConstant) && t.StringValue().size() > kLongest)
    t.Warn(Warning::FontNameCut, IntegerText(kLongest));
  return Veltra::strcpyn(String(t), kLongest);
}

// Steps over the item just read and the separator after it.
void NextItem(BrevanTranslator& t) {
  t.NextToken();
  t.ExpectToken(Keyword::Comma);
}

// A font symbol's rotation in tenths of a degree, kept non-negative.
void SetRotation(Veltra::cFontSymbol& symbol, double degrees) {
  symbol.SetRotation(Veltra::DoubleToShort(std::fmod(degrees, 360.0) * 10.0));
  if (symbol.GetRotation() < 0) symbol.SetRotation(static_cast<int16_t>(symbol.GetRotation() + 3600));
}

}  // namespace

// pen := Pen [ ( width , pattern , color [ , color ] ) ]
void BrevanTranslator::ParsePenClause(Veltra::cPen& pen) {
  NextToken();
  if (Accept(Keyword::LeftParen)) {
    pen.SetWidth(ToInteger(Number(*this)));
    NextItem(*this);
    pen.SetPattern(ToSigned16(Number(*this)));
    // Widths 0 and 10 draw nothing visible unless the pen is hollow anyway.
    if ((pen.GetWidth() == 0 || pen.GetWidth() == 10) && pen.GetPattern() != Veltra::PAT_HOLLOW) {
      pen.SetWidth(1);
      pen.SetPattern(Veltra::PAT_SOLID);
    }
    NextItem(*this);
    const TokenSpan thirdAt = Here();
    const double third = Number(*this);
    NextToken();
    if (Accept(Keyword::Comma)) {
      pen.SetColor(ToColor(Number(*this)));
      NextToken();
      Unwritten(Remark::PenThirdNumberNotWritten, thirdAt);
    } else {
      pen.SetColor(ToColor(third));
    }
    ExpectToken(Keyword::RightParen);
  }
  RaisePendingHostError();
}

// brush := Brush [ ( pattern , color [ , background ] ) ]
void BrevanTranslator::ParseBrushClause(Veltra::cBrush& brush) {
  NextToken();
  if (Accept(Keyword::LeftParen)) {
    brush.SetPattern(static_cast<Veltra::PAT_STYLE>(ToSigned16(Number(*this))));
    NextItem(*this);
    brush.SetForeColor(ToColor(Number(*this)));
    NextToken();
    if (Accept(Keyword::Comma)) {
      brush.SetBackColor(ToColor(Number(*this)));
      brush.SetTransparent(false);
      NextToken();
    } else {
      brush.SetTransparent(true);
    }
    ExpectToken(Keyword::RightParen);
  }
  RaisePendingHostError();
}

// font := Font [ ( "name" , style , size , color [ , background ] ) ]
void BrevanTranslator::ParseFontClause(Veltra::cFont& font) {
  NextToken();
  if (Accept(Keyword::LeftParen)) {
    font.SetName(FontName(*this).c_str());
    NextItem(*this);
    font.SetStyle(ToInteger(Number(*this)));
    if (font.FontFlag7()) font.SetHasBackground(false);
    NextItem(*this);
    font.SetSize(ToInteger(Number(*this)));
    NextItem(*this);
    font.SetForeColor(ToColor(Number(*this)));
    NextToken();
    if (Accept(Keyword::Comma)) {
      font.SetBackColor(ToColor(Number(*this)));
      // A white background is the same as none; a halo replaces it.
      font.SetHasBackground(!font.FontFlag7() && font.GetBackColor()->Value() != 0xFFFFFFFFu);
      NextToken();
    } else {
      font.SetHasBackground(false);
    }
    ExpectToken(Keyword::RightParen);
  }
  RaisePendingHostError();
}

// symbol := Symbol [ ( "bitmap" , color , size , style )
//                  | ( shape , color , size )
//                  | ( shape , color , size , "font" , style , rotation ) ]
void BrevanTranslator::ParseSymbolClause(SymbolHandle& symbol) {
  auto bitmap = Owned(Veltra::cEffSymbol::Create());
  auto fontSymbol = Owned(Veltra::cFontSymbol::Create());
  auto vector = Owned(Veltra::cVectorSymbol::Create());
  const auto replaceWith = [&symbol](const Veltra::cSymbol& source) {
    Veltra::cSymbol* target = symbol.release();
    Veltra::CopySymbol(&target, &source);
    symbol.reset(target);
  };
  NextToken();
  if (!IsToken(Keyword::LeftParen)) {
    replaceWith(*fontSymbol);
    RaisePendingHostError();
    return;
  }
  NextToken();
  if (IsTokenClass(kStringConstant)) {
    fontSymbol.reset();
    vector.reset();
    bitmap->SetName(StringValue().c_str());
    NextItem(*this);
    bitmap->SetColor(ToColor(Number(*this)));
    NextItem(*this);
    bitmap->SetSize(ToInteger(Number(*this)));
    NextItem(*this);
    bitmap->SetStyle(ToUnsigned16(Number(*this)));
    NextToken();
    ExpectToken(Keyword::RightParen);
    replaceWith(*bitmap);
    RaisePendingHostError();
    return;
  }
  bitmap.reset();
  const int32_t shape = ToInteger(Number(*this));
  fontSymbol->SetShape(shape);
  vector->SetShape(shape);
  NextItem(*this);
  const Veltra::cColor color = ToColor(Number(*this));
  fontSymbol->SetColor(color);
  vector->SetColor(color);
  NextItem(*this);
  const int32_t size = ToInteger(Number(*this));
  fontSymbol->SetSize(size);
  vector->SetSize(size);
  NextToken();
  if (IsToken(Keyword::RightParen)) {
    fontSymbol.reset();
    ExpectToken(Keyword::RightParen);
    replaceWith(*vector);
    RaisePendingHostError();
    return;
  }
  vector.reset();
  {
    const auto font = NewFont();
    font->SetForeColor(*fontSymbol->GetColor());
    ExpectToken(Keyword::Comma);
    font->SetName(FontName(*this).c_str());
    NextItem(*this);
    font->SetStyle(ToSigned16(Number(*this)));
    fontSymbol->SetFont(font.get());
  }
  NextItem(*this);
  SetRotation(*fontSymbol, ReadDouble());
  ExpectToken(Keyword::RightParen);
  replaceWith(*fontSymbol);
  RaisePendingHostError();
}

namespace {

// The objects a run of style clauses keeps, one slot per clause kind.
struct StyleSlots {
  PenHandle secondPen;
  PenHandle pen;
  BrushHandle brush;
  SymbolHandle symbol;
  FontHandle font;
};

// Reads one pass of a run: an optional Border clause, then at most one of
// Pen, Brush, Symbol, Font. onRead sees each object as soon as it is read.
// False when the pass read no clause of the second group.
template <typename OnRead>
bool ReadStylePass(BrevanTranslator& t, StyleSlots& slots, OnRead onRead) {
  if (t.IsToken(Keyword::Border)) {
    slots.secondPen = NewPen();
    t.ParsePenClause(*slots.secondPen);
    onRead(*slots.secondPen->GetColor());
  }
  if (t.IsToken(Keyword::Pen)) {
    slots.pen = NewPen();
    t.ParsePenClause(*slots.pen);
    onRead(*slots.pen->GetColor());
  } else if (t.IsToken(Keyword::Brush)) {
    slots.brush = NewBrush();
    t.ParseBrushClause(*slots.brush);
    onRead(*slots.brush->GetForeColor());
  } else if (t.IsToken(Keyword::Symbol)) {
    slots.symbol = NewSymbol();
    t.ParseSymbolClause(slots.symbol);
    onRead(*slots.symbol->GetColor());
  } else if (t.IsToken(Keyword::Font)) {
    slots.font = NewFont();
    t.ParseFontClause(*slots.font);
    onRead(*slots.font->GetForeColor());
  } else {
    return false;
  }
  return true;
}

template <typename T, typename Apply>
void ApplySlot(BrevanTranslator& t, TokenSpan runAt, std::unique_ptr<T>& slot, Apply apply) {
  if (!slot) return;
  if (!apply(slot.get())) t.RaiseAt(runAt, Error::SetStyleFailed);
  slot.reset();
}

}  // namespace

// style-run := { [ Border ] ( Pen | Brush | Symbol | Font ) } — the last of each kind wins
void BrevanTranslator::ParseStyleClauses(Veltra::cToolSettings& settings) {
  StyleSlots slots;
  const size_t first = cmd->Position();
  while (ReadStylePass(*this, slots, [](const Veltra::cColor&) {})) {
  }
  const TokenSpan runAt = Since(first);
  ApplySlot(*this, runAt, slots.brush, [&](const Veltra::cBrush* brush) { return settings.SetBrush(brush); });
  ApplySlot(*this, runAt, slots.pen, [&](const Veltra::cPen* pen) { return settings.SetPen(pen); });
  ApplySlot(*this, runAt, slots.secondPen,
            [&](const Veltra::cPen* pen) { return settings.SetSecondPen(pen); });
  ApplySlot(*this, runAt, slots.symbol,
            [&](const Veltra::cSymbol* symbol) { return settings.SetSymbol(symbol); });
  ApplySlot(*this, runAt, slots.font,
            [&](const Veltra::cFont* font) { return settings.SetFont(font, false); });
}

// The colour of the last clause of a run; unchanged when the run is empty.
void BrevanTranslator::ParseStyleClauseColor(Veltra::cColor& color) {
  const auto keep = [&color](const Veltra::cColor& read) { color = read; };
  for (;;) {
    StyleSlots slots;  // each object goes as soon as its colour is taken
    if (!ReadStylePass(*this, slots, keep)) return;
  }
}

// angle := [ Angle number ] [ Counter ] — clockwise unless Counter says otherwise
void BrevanTranslator::ParseAngleClause(int16_t& angle, bool& clockwise) {
  if (Accept(Keyword::Angle)) {
    const int16_t whole = Veltra::DoubleToShort(ReadDouble());
    angle = static_cast<int16_t>(whole % 360);
  }
  clockwise = !Accept(Keyword::Counter);
  RaisePendingHostError();
}

}  // namespace brevan
