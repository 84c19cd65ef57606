// Range and value item lists of range and value themes.
#include "host/style.h"
#include "host/value.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// value := [-] number | "text" | name, as the value library prints it.
std::wstring ReadValueText(BrevanTranslator& t) {
  const auto value = Owned(Veltra::CreateAllType());
  if (!t.cmd->ParseValue(value.get(), true)) t.Raise(Error::ParseValueFailed);
  // The whole text: the host's 80-character buffer would cut long values.
  return value->Text();
}

// A value element holding text, appended to parent.
void AppendValue(BrevanTranslator& t, QdXmlNode& parent, const std::wstring& text) {
  t.AppendTextElement(parent, Tag::Value, text);
}

// item := value [ : value ] { style }    (two values in range themes)
// default-item := Else { style }
// style := [ Border (…) ] ( Pen (…) | Brush (…) | Symbol (…) | Font (…) )
void ReadThemeItem(BrevanTranslator& t, QdXmlNode& item, bool isDefault, bool range) {
  if (isDefault) {
    t.Accept(Keyword::Else);
  } else {
    const NodeHandle lower = t.CreateElementOrThrow(Tag::LowerBound);
    const NodeHandle first = t.CreateElementOrThrow(Tag::Value);
    t.SetTextOrThrow(*first, ReadValueText(t));
    t.AppendChildOrThrow(*lower, *first);
    if (range) {
      t.ExpectToken(Keyword::Colon);
      const NodeHandle upper = t.CreateElementOrThrow(Tag::UpperBound);
      AppendValue(t, *upper, ReadValueText(t));
      // The upper bound comes first in the document.
      t.AppendChildOrThrow(item, *upper);
      t.AppendChildOrThrow(item, *lower);
    } else {
      t.AppendChildOrThrow(item, *first);  // the bound element never enters the document
    }
  }
  for (;;) {
    if (t.IsToken(Keyword::Border)) {
      const auto pen = NewPen();
      t.ParsePenClause(*pen);
      t.WritePenStyle(item, *pen, false);
    }
    if (t.IsToken(Keyword::Pen)) {
      const auto pen = NewPen();
      t.ParsePenClause(*pen);
      t.WritePenStyle(item, *pen, true);
    } else if (t.IsToken(Keyword::Brush)) {
      const auto brush = NewBrush();
      t.ParseBrushClause(*brush);
      t.WriteBrushStyle(item, *brush, true);
    } else if (t.IsToken(Keyword::Symbol)) {
      SymbolHandle symbol = NewSymbol();
      t.ParseSymbolClause(symbol);
      t.WriteSymbolStyle(item, *symbol);
    } else if (t.IsToken(Keyword::Font)) {
      const auto font = NewFont();
      t.ParseFontClause(*font);
      t.WriteFontStyle(item, *font);
    } else {
      break;
    }
  }
  t.RaisePendingHostError();
}

}  // namespace

// item-list := item { , item } [ Else { style } ]
void BrevanTranslator::TranslateItemList(QdXmlNode& theme, bool range) {
  const NodeHandle list = CreateElementOrThrow(range ? Tag::RangeItems : Tag::ValueItems);
  for (;;) {
    const NodeHandle item = CreateElementOrThrow(range ? Tag::RangeItem : Tag::ValueItem);
    ReadThemeItem(*this, *item, false, range);
    AppendChildOrThrow(*list, *item);
    if (!IsToken(Keyword::Comma)) break;
    NextToken();
  }
  if (IsToken(Keyword::Else)) {
    const NodeHandle item = CreateElementOrThrow(range ? Tag::DefaultRange : Tag::DefaultValue);
    ReadThemeItem(*this, *item, true, range);
    AppendChildOrThrow(*list, *item);
  }
  AppendChildOrThrow(theme, *list);
  RaisePendingHostError();
}

namespace {}  // namespace

}  // namespace brevan
