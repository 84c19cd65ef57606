// Style objects written as style elements: a pattern chain and a drawing
// chain whose leaves carry the values.
#include <charconv>
#include <iomanip>
#include <sstream>

#include "host/style.h"
#include "host/text.h"
#include "translator/translator.h"

namespace brevan {

namespace {
void AddStyleChains(BrevanTranslator& t, QdXmlNode& style, bool withPattern, NodeHandle& drawing,
                    NodeHandle& pattern);

// prefix name followed by the number: pen2, brush5, glyph35.
std::wstring Reference(const BrevanTranslator& t, Tag prefix, long number) {
  return t.Name(prefix) + IntegerText(number);
}

// Words of the flags that are set, one space between; "none" when none is.
std::wstring WordList(const BrevanTranslator& t, std::initializer_list<std::pair<bool, Tag>> flags) {
  std::wstring words;
  for (const auto& [set, word] : flags) {
    if (!set) continue;
    if (!words.empty()) words += L' ';
    words += t.Name(word).View();
  }
  return words.empty() ? t.Name(Tag::None) : words;
}

std::wstring PenWidth(const BrevanTranslator& t, const Veltra::cPen& pen) {
  if (pen.HasWholeWidth()) return IntegerText(pen.GetWidth());
  std::wostringstream text;
  text << std::fixed << std::setprecision(1) << pen.GetScaledWidth() << t.Name(Tag::Pt);
  return text.str();
}

void WritePenAttributes(BrevanTranslator& t, QdXmlNode& drawing, QdXmlNode& pattern,
                        const Veltra::cPen& pen) {
  t.SetAttributeOrThrow(drawing, t.Name(Tag::LineColor), t.FormatColor(*pen.GetColor()));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Width), PenWidth(t, pen));
  t.SetAttributeOrThrow(pattern, t.Name(Tag::RefKind), t.Name(Tag::Builtin));
  t.SetAttributeOrThrow(pattern, t.Name(Tag::Pattern), Reference(t, Tag::Pen, pen.GetPattern()));
}

void WriteBrushAttributes(BrevanTranslator& t, QdXmlNode& drawing, QdXmlNode& pattern,
                          const Veltra::cBrush& brush) {
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Foreground), t.FormatColor(*brush.GetForeColor()));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Background), t.FormatColor(*brush.GetBackColor()));
  t.SetAttributeOrThrow(pattern, t.Name(Tag::RefKind), t.Name(Tag::Builtin));
  t.SetAttributeOrThrow(pattern, t.Name(Tag::FillPattern), Reference(t, Tag::Brush, brush.GetPattern()));
  t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::Opaque), brush.IsTransparent() ? 0.0 : 1.0);
}

void WriteFontAttributes(BrevanTranslator& t, QdXmlNode& drawing, const Veltra::cFont& font) {
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Family), font.GetName());
  t.SetAttributeOrThrow(drawing, t.Name(Tag::TextColor), t.FormatColor(*font.GetForeColor()));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::BackColor), t.FormatColor(*font.GetBackColor()));
  t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::PointSize), font.GetSize());
  t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::Weight), font.FontFlag1() ? 2.0 : 1.0);
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Slant), t.Name(font.FontFlag2() ? Tag::Italic : Tag::Upright));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Effects),
                        WordList(t, {{font.FontFlag5(), Tag::Shadow},
                                     {font.FontFlag6(), Tag::Caps},
                                     {font.FontFlag7(), Tag::Halo}}));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::Decoration),
                        WordList(t, {{font.FontFlag8(), Tag::Overline},
                                     {font.FontFlag9(), Tag::Expanded},
                                     {font.FontFlag3(), Tag::Underline},
                                     {font.FontFlag4(), Tag::Strikeout}}));
  t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::Boxed), font.HasBackground() ? 1.0 : 0.0);
}

void WriteSymbolAttributes(BrevanTranslator& t, QdXmlNode& drawing, QdXmlNode& pattern,
                           Veltra::cSymbol& symbol) {
  t.SetAttributeOrThrow(pattern, t.Name(Tag::RefKind), t.Name(Tag::Builtin));
  t.SetAttributeOrThrow(pattern, t.Name(Tag::SymbolShape), Reference(t, Tag::Glyph, symbol.GetShape()));
  t.SetAttributeOrThrow(drawing, t.Name(Tag::SymbolColor), t.FormatColor(*symbol.GetColor()));
  t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::SymbolSize), symbol.GetSize());
  if (const Veltra::cFontSymbol* fontSymbol = Veltra::FontSymbol(&symbol)) {
    const std::wstring rotation = IntegerText(fontSymbol->GetRotation());
    t.SetAttributeOrThrow(drawing, t.Name(Tag::Transform), L"0 " + rotation + L" 0 0 " + rotation + L" 0");
    WriteFontAttributes(t, drawing, *fontSymbol->GetFont());
  } else if (const Veltra::cEffSymbol* bitmap = Veltra::EffSymbol(&symbol)) {
    t.SetAttributeOrThrow(drawing, t.Name(Tag::Image), bitmap->GetName());
    t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::KeepColor), bitmap->BitmapFlag2() ? 1.0 : 0.0);
    t.SetNumberAttributeOrThrow(drawing, t.Name(Tag::KeepSize), bitmap->BitmapFlag1() ? 1.0 : 0.0);
  }
}

// The style element under parent, or under its Styles wrapper when asked.
NodeHandle StyleElement(BrevanTranslator& t, QdXmlNode& parent, Tag style, bool wrap) {
  if (!wrap) return t.FindOrAddChild(parent, style);
  const NodeHandle wrapper = t.FindOrAddChild(parent, Tag::Styles);
  return t.FindOrAddChild(*wrapper, style);
}

}  // namespace

// Built in place, with room for the largest: a style writes two or three
// colours, and growing the text piece by piece cost more than writing it.
BrevanTranslator::ColorText BrevanTranslator::FormatColor(const Veltra::cColor& color) const {
  ColorText text;
  const std::wstring_view name = Name(Tag::Rgb).View().substr(0, ColorText::kMostName);
  wchar_t* at = std::copy(name.begin(), name.end(), text.text_.data());
  const auto append = [&at](long value, wchar_t after) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    at = std::copy(digits, result.ptr, at);
    *at++ = after;
  };
  *at++ = L'(';
  append(color.Red(), L',');
  append(color.Green(), L',');
  append(color.Blue(), L')');
  text.size_ = static_cast<size_t>(at - text.text_.data());
  return text;
}

namespace {

void AddStyleChains(BrevanTranslator& t, QdXmlNode& style, bool withPattern, NodeHandle& drawing,
                    NodeHandle& pattern) {
  if (withPattern) {
    const NodeHandle patterns = t.FindOrAddChild(style, Tag::Patterns);
    pattern = t.FindOrAddChild(*patterns, Tag::Reference);
  }
  const NodeHandle graphics = t.FindOrAddChild(style, Tag::Graphics);
  const NodeHandle paint = t.FindOrAddChild(*graphics, Tag::Paint);
  drawing = t.FindOrAddChild(*paint, Tag::Drawing);
}

// Pen and brush styles differ only in their element and attribute writer.
template <typename Style, typename WriteAttributes>
void WriteChainedStyle(BrevanTranslator& t, QdXmlNode& parent, Tag tag, bool wrap, const Style& style,
                       WriteAttributes writeAttributes) {
  {
    const NodeHandle element = StyleElement(t, parent, tag, wrap);
    NodeHandle drawing, pattern;
    AddStyleChains(t, *element, true, drawing, pattern);
    writeAttributes(t, *drawing, *pattern, style);
  }
  t.RaisePendingHostError();
}

}  // namespace

void BrevanTranslator::WritePenStyle(QdXmlNode& parent, const Veltra::cPen& pen, bool wrap) {
  WriteChainedStyle(*this, parent, Tag::PenStyle, wrap, pen, WritePenAttributes);
}

void BrevanTranslator::WriteBrushStyle(QdXmlNode& parent, const Veltra::cBrush& brush, bool wrap) {
  WriteChainedStyle(*this, parent, Tag::BrushStyle, wrap, brush, WriteBrushAttributes);
}

void BrevanTranslator::WriteFontStyle(QdXmlNode& parent, const Veltra::cFont& font) {
  {
    const NodeHandle style = FindOrAddChild(parent, Tag::FontStyle);
    NodeHandle drawing, pattern;
    AddStyleChains(*this, *style, false, drawing, pattern);
    WriteFontAttributes(*this, *drawing, font);
  }
  RaisePendingHostError();
}

void BrevanTranslator::WriteSymbolStyle(QdXmlNode& parent, Veltra::cSymbol& symbol) {
  {
    const NodeHandle style = FindOrAddChild(parent, Tag::SymbolStyle);
    NodeHandle drawing, pattern;
    AddStyleChains(*this, *style, true, drawing, pattern);
    WriteSymbolAttributes(*this, *drawing, *pattern, symbol);
  }
  RaisePendingHostError();
}

}  // namespace brevan
