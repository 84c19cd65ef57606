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
    // Bounds are placed before they are filled, so that they are made where
    // they belong instead of being moved there; a value gets its text
    // before it is placed, and then holds it itself.
    const NodeHandle first = t.CreateElementOrThrow(Tag::Value);
    t.SetTextOrThrow(*first, ReadValueText(t));
    if (range) {
      t.ExpectToken(Keyword::Colon);
      // The upper bound comes first in the document.
      const NodeHandle upper = t.CreateElementOrThrow(Tag::UpperBound);
      t.AppendChildOrThrow(item, *upper);
      AppendValue(t, *upper, ReadValueText(t));
      const NodeHandle lower = t.CreateElementOrThrow(Tag::LowerBound);
      t.AppendChildOrThrow(item, *lower);
      t.AppendChildOrThrow(*lower, *first);
    } else {
      t.AppendChildOrThrow(item, *first);  // no bound element in value themes
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
    // The list enters the theme only when it is whole: an item placed in
    // it before it is read is made in place, and one that fails goes with it.
    const NodeHandle item = CreateElementOrThrow(range ? Tag::RangeItem : Tag::ValueItem);
    AppendChildOrThrow(*list, *item);
    ReadThemeItem(*this, *item, false, range);
    if (!Accept(Keyword::Comma)) break;
  }
  if (IsToken(Keyword::Else)) {
    const NodeHandle item = CreateElementOrThrow(range ? Tag::DefaultRange : Tag::DefaultValue);
    AppendChildOrThrow(*list, *item);
    ReadThemeItem(*this, *item, true, range);
  }
  AppendChildOrThrow(theme, *list);
  RaisePendingHostError();
}

ListHandle BrevanTranslator::FindItemElements(QdXmlNode& theme, ItemLists lists) {
  static constexpr std::pair<Tag, Tag> kPaths[] = {{Tag::RangeItems, Tag::RangeItem},
                                                   {Tag::ValueItems, Tag::ValueItem},
                                                   {Tag::PieItems, Tag::PieItem},
                                                   {Tag::BarItems, Tag::BarItem}};
  const size_t count = lists == ItemLists::AlsoCharts ? std::size(kPaths) : 2;
  for (size_t i = 0; i < count; ++i) {
    ListHandle items =
        SelectNodes(theme, std::wstring(Name(kPaths[i].first)) + L"/" + Name(kPaths[i].second));
    if (items && items->GetLength() > 0) return items;
  }
  return nullptr;
}

}  // namespace brevan
