#include "host/style.h"

#include "host/text.h"

namespace Veltra {

namespace {

thread_local long liveStyles = 0;
thread_local bool refuseSetters = false;

int16_t Clamp16(int value) {
  return static_cast<int16_t>(brevan::TruncateClamped(value, INT16_MIN, INT16_MAX));
}

}  // namespace

StyleCount::StyleCount() { ++liveStyles; }
StyleCount::StyleCount(const StyleCount&) { ++liveStyles; }
StyleCount::~StyleCount() { --liveStyles; }
long LiveStyleObjects() { return liveStyles; }

cPen* cPen::Create(int width, PAT_STYLE pattern, const cColor& color) {
  auto* pen = new cPen();
  pen->SetWidth(width);
  pen->SetPattern(static_cast<int16_t>(pattern));
  pen->SetColor(color);
  return pen;
}
void cPen::SetWidth(int width) { width_ = Clamp16(width); }
int16_t cPen::GetWidth() const { return width_; }
void cPen::SetPattern(int16_t pattern) { pattern_ = pattern; }
int32_t cPen::GetPattern() const { return pattern_; }
void cPen::SetColor(const cColor& color) { color_ = color; }
const cColor* cPen::GetColor() const { return &color_; }
bool cPen::HasWholeWidth() const { return width_ <= 10; }
double cPen::GetScaledWidth() const { return HasWholeWidth() ? width_ : (width_ - 10) / 10.0; }

cBrush* cBrush::Create(PAT_STYLE pattern, const cColor& fore, const cColor& back, bool transparent) {
  auto* brush = new cBrush();
  brush->SetPattern(pattern);
  brush->SetForeColor(fore);
  brush->SetBackColor(back);
  brush->SetTransparent(transparent);
  return brush;
}
void cBrush::SetPattern(const PAT_STYLE& pattern) { pattern_ = pattern; }
int32_t cBrush::GetPattern() const { return pattern_; }
void cBrush::SetForeColor(const cColor& color) { fore_ = color; }
const cColor* cBrush::GetForeColor() const { return &fore_; }
void cBrush::SetBackColor(const cColor& color) { back_ = color; }
const cColor* cBrush::GetBackColor() const { return &back_; }
void cBrush::SetTransparent(bool transparent) { transparent_ = transparent; }
bool cBrush::IsTransparent() const { return transparent_; }

cFont* cFont::Create() { return new cFont(); }
bool cFont::FontFlag1() const { return Flag(1); }
bool cFont::FontFlag2() const { return Flag(2); }
bool cFont::FontFlag3() const { return Flag(4); }
bool cFont::FontFlag4() const { return Flag(8); }
bool cFont::FontFlag5() const { return Flag(16); }
bool cFont::FontFlag6() const { return Flag(32); }
bool cFont::FontFlag7() const { return Flag(64); }
bool cFont::FontFlag8() const { return Flag(128); }
bool cFont::FontFlag9() const { return Flag(256); }
void cFont::SetSize(int size) { size_ = Clamp16(size); }
int16_t cFont::GetSize() const { return size_; }
void cFont::SetForeColor(const cColor& color) { fore_ = color; }
const cColor* cFont::GetForeColor() const { return &fore_; }
void cFont::SetBackColor(const cColor& color) { back_ = color; }
const cColor* cFont::GetBackColor() const { return &back_; }
void cFont::SetHasBackground(bool on) { hasBackground_ = on; }
bool cFont::HasBackground() const { return hasBackground_; }
void cFont::SetStyle(int style) { style_ = style; }
void cFont::SetName(const wchar_t* name) { name_ = name ? name : L""; }
const wchar_t* cFont::GetName() const { return name_.c_str(); }

cSymbol* cSymbol::Create(int type) {
  switch (type) {
    case 1:
      return cFontSymbol::Create();
    case 2:
      return cEffSymbol::Create();
    default:
      return cVectorSymbol::Create();
  }
}
void cSymbol::SetColor(const cColor& color) { color_ = color; }
const cColor* cSymbol::GetColor() const { return &color_; }
void cSymbol::SetSize(int size) { size_ = Clamp16(size); }
int16_t cSymbol::GetSize() const { return size_; }
void cSymbol::SetShape(int shape) { shape_ = Clamp16(shape); }
int16_t cSymbol::GetShape() const { return shape_; }

cVectorSymbol* cVectorSymbol::Create() { return new cVectorSymbol(); }

cFontSymbol* cFontSymbol::Create() { return new cFontSymbol(); }
cFontSymbol::cFontSymbol() : font_(cFont::Create()) {}
cFontSymbol::cFontSymbol(const cFontSymbol& other)
    : cSymbol(other), font_(new cFont(*other.font_)), rotation_(other.rotation_) {}
cFontSymbol::~cFontSymbol() { delete font_; }
void cFontSymbol::SetFont(const cFont* font) {
  if (font) *font_ = *font;
}
const cFont* cFontSymbol::GetFont() const { return font_; }
void cFontSymbol::SetRotation(int16_t tenths) { rotation_ = tenths; }
int16_t cFontSymbol::GetRotation() const { return rotation_; }

cEffSymbol* cEffSymbol::Create() { return new cEffSymbol(); }
void cEffSymbol::SetName(const wchar_t* name) { name_ = name ? name : L""; }
const wchar_t* cEffSymbol::GetName() const { return name_.c_str(); }
void cEffSymbol::SetStyle(uint16_t style) { style_ = style; }
bool cEffSymbol::BitmapFlag1() const { return (style_ & 2) != 0; }
bool cEffSymbol::BitmapFlag2() const { return (style_ & 1) != 0; }

void CopySymbol(cSymbol** target, const cSymbol* source) {
  if (target == nullptr || source == nullptr) return;
  cSymbol* copy = source->Clone();
  delete *target;
  *target = copy;
}

cVectorSymbol* VectorSymbol(cSymbol* symbol) {
  return symbol && symbol->GetType() == 0 ? static_cast<cVectorSymbol*>(symbol) : nullptr;
}
cFontSymbol* FontSymbol(cSymbol* symbol) {
  return symbol && symbol->GetType() == 1 ? static_cast<cFontSymbol*>(symbol) : nullptr;
}
cEffSymbol* EffSymbol(cSymbol* symbol) {
  return symbol && symbol->GetType() == 2 ? static_cast<cEffSymbol*>(symbol) : nullptr;
}

cToolSettings* cToolSettings::Create(int symbolType) { return new cToolSettings(symbolType); }
cToolSettings::cToolSettings(int symbolType) : symbol_(cSymbol::Create(symbolType)) {}
cToolSettings::~cToolSettings() { delete symbol_; }
void cToolSettings::Release() { delete this; }
void cToolSettings::RefuseSettersForTesting(bool refuse) { refuseSetters = refuse; }
bool cToolSettings::Refused() const { return refuseSetters; }

bool cToolSettings::SetPen(const cPen* pen) {
  if (Refused() || !pen) return false;
  pen_ = *pen;
  return true;
}
bool cToolSettings::SetBrush(const cBrush* brush) {
  if (Refused() || !brush) return false;
  brush_ = *brush;
  return true;
}
bool cToolSettings::SetSecondPen(const cPen* pen) {
  if (Refused() || !pen) return false;
  secondPen_ = *pen;
  return true;
}
bool cToolSettings::SetSymbol(const cSymbol* symbol) {
  if (Refused() || !symbol) return false;
  CopySymbol(&symbol_, symbol);
  return true;
}
bool cToolSettings::SetFont(const cFont* font, bool) {
  if (Refused() || !font) return false;
  font_ = *font;
  return true;
}

}  // namespace Veltra
