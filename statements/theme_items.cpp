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

}  // namespace

// item-list := item { , item } [ Else { style } ]
void BrevanTranslator::TranslateItemList(QdXmlNode& theme, bool range) {
  const NodeHandle list = CreateElementOrThrow(range ? Tag::RangeItems : Tag::ValueItems);
  for (;;) {
    const NodeHandle item = CreateElementOrThrow(range ? Tag::RangeItem : Tag::ValueItem);
    ReadThemeItem(*item, false, range);
    AppendChildOrThrow(*list, *item);
    if (!IsToken(Keyword::Comma)) break;
    NextToken();
  }
  if (IsToken(Keyword::Else)) {
    const NodeHandle item = CreateElementOrThrow(range ? Tag::DefaultRange : Tag::DefaultValue);
    ReadThemeItem(*item, true, range);
    AppendChildOrThrow(*list, *item);
  }
  AppendChildOrThrow(theme, *list);
  RaisePendingHostError();
}

// item := value [ : value ] { style }    (two values in range themes)
// default-item := Else { style }
// style := [ Border (…) ] ( Pen (…) | Brush (…) | Symbol (…) | Font (…) )
void BrevanTranslator::ReadThemeItem(QdXmlNode& item, bool isDefault, bool range) {
  if (isDefault) {
    if (IsToken(Keyword::Else)) NextToken();
  } else {
    const NodeHandle lower = CreateElementOrThrow(Tag::LowerBound);
    const NodeHandle first = CreateElementOrThrow(Tag::Value);
    SetTextOrThrow(*first, ReadValueText(*this));
    AppendChildOrThrow(*lower, *first);
    if (range) {
      ExpectToken(Keyword::Colon);
      const NodeHandle upper = CreateElementOrThrow(Tag::UpperBound);
      AppendValue(*this, *upper, ReadValueText(*this));
      // The upper bound comes first in the document.
      AppendChildOrThrow(item, *upper);
      AppendChildOrThrow(item, *lower);
    } else {
      AppendChildOrThrow(item, *first);  // the bound element never enters the document
    }
  }
  for (;;) {
    if (IsToken(Keyword::Border)) {
      const auto pen = NewPen();
      ParsePenClause(*pen);
      WritePenStyle(item, *pen, false);
    }
    if (IsToken(Keyword::Pen)) {
      const auto pen = NewPen();
      ParsePenClause(*pen);
      WritePenStyle(item, *pen, true);
    } else if (IsToken(Keyword::Brush)) {
      const auto brush = NewBrush();
      ParseBrushClause(*brush);
      WriteBrushStyle(item, *brush, true);
    } else if (IsToken(Keyword::Symbol)) {
      SymbolHandle symbol = NewSymbol();
      ParseSymbolClause(symbol);
      WriteSymbolStyle(item, *symbol);
    } else if (IsToken(Keyword::Font)) {
      const auto font = NewFont();
      ParseFontClause(*font);
      WriteFontStyle(item, *font);
    } else {
      break;
    }
  }
  RaisePendingHostError();
}

}  // namespace brevan
