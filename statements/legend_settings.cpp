// The legend settings statement: legend elements for pending themes, and
// row texts placed next to the items they label.
#include "host/style.h"
#include "host/text.h"
#include "statements/theme_kinds.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// Switch clauses of a layer clause: the attribute and its words for on and off.
struct Switch {
  Keyword keyword;
  Tag attribute;
  Tag on;
  Tag off;
};
constexpr Switch kSwitches[] = {
    {Keyword::Counts, Tag::ShowCounts, Tag::True, Tag::False},
    {Keyword::Reverse, Tag::Reverse, Tag::True, Tag::False},
    {Keyword::Empty, Tag::ShowEmpty, Tag::True, Tag::False},
    {Keyword::Frame, Tag::Frame, Tag::True, Tag::False},
    {Keyword::Portrait, Tag::Orientation, Tag::Portrait, Tag::Landscape},
};

// text := "text" | Blank; false for Blank (no text)
bool ReadRowText(BrevanTranslator& t, std::wstring& text) {
  if (t.Accept(Keyword::Blank)) {
    return false;
  }
  if (!CmdParseString(t.cmd, text)) t.Raise(Error::ExpectingString);
  return true;
}

// A font clause written into element, when one stands at the cursor.
void ReadFont(BrevanTranslator& t, QdXmlNode& element) {
  if (!t.IsToken(Keyword::Font)) return;
  const auto font = NewFont();
  t.ParseFontClause(*font);
  t.WriteFontStyle(element, *font);
}

// title := ( Title | Subtitle ) ( "text" | Blank ) [ Font (…) ]
void ReadTitle(BrevanTranslator& t, QdXmlNode& legend, Tag element, Tag textElement) {
  const NodeHandle title = t.CreateElementOrThrow(element);
  t.NextToken();
  std::wstring text;
  if (ReadRowText(t, text)) t.AppendTextElement(*title, textElement, text);
  ReadFont(t, *title);
  t.AppendChildOrThrow(legend, *title);
}

// display := Display [ On | Off ] — Off hides the legend
void ReadDisplay(BrevanTranslator& t, QdXmlNode& legend) {
  t.NextToken();
  if (t.ParseOnOff(true)) return;
  const NodeHandle visibility = t.CreateElementOrThrow(Tag::Visibility);
  t.AppendTextElement(*visibility, Tag::VisibleState, t.Name(Tag::False));
  t.AppendChildOrThrow(legend, *visibility);
}

// The rows of one layer clause and where they go.
struct Rows {
  QdXmlNode* theme;  // null when the layer has no theme waiting
  int32_t number;    // row number within the layer clause
};

// Rows 1 to 3 go into the first symbol, 4 to 6 into the second, each in the
// wrapper of its size; later rows have no wrapper and are not written.
void PlaceGraduatedRow(BrevanTranslator& t, QdXmlNode& theme, QdXmlNode& row, int32_t number,
                       TokenSpan rowAt) {
  constexpr Tag kWrappers[] = {Tag::SmallRow, Tag::MediumRow, Tag::LargeRow,
                               Tag::LargeRow, Tag::MediumRow, Tag::SmallRow};
  // Rows are counted from the default row, the clause's first.
  const std::wstring ordinal = IntegerText(number + 1);
  if (number < 1 || number > 6)
    return t.Unwritten(Remark::GraduatedRowNotWritten, rowAt, ordinal,
                       L"a graduated theme has a place for its rows 2 to 7");
  NodeHandle symbol = t.SelectSingleNode(theme, t.Name(number <= 3 ? Tag::FirstSymbol : Tag::SecondSymbol));
  if (!symbol) {
    if (number <= 3) t.RaiseAt(rowAt, Error::NodeNotFound, t.Name(Tag::FirstSymbol));
    return t.Unwritten(
        Remark::GraduatedRowNotWritten, rowAt, ordinal,
        L"rows 5 to 7 go with a second symbol, \"Colors Symbol (…)\", and this theme has none");
  }
  const NodeHandle wrapper = t.CreateElementOrThrow(kWrappers[number - 1]);
  t.AppendChildOrThrow(*wrapper, row);
  t.AppendChildOrThrow(*symbol, *wrapper);
}

// What a kind of theme is called in messages.
const wchar_t* KindTerm(ThemeKind kind) {
  switch (kind) {
    case ThemeKind::Range:
      return L"range theme";
    case ThemeKind::Value:
      return L"value theme";
    case ThemeKind::BarChart:
      return L"bar chart";
    case ThemeKind::PieChart:
      return L"pie chart";
    case ThemeKind::Graduated:
      return L"graduated theme";
    case ThemeKind::SingleSymbol:
      return L"single-symbol theme";
  }
  return L"theme";
}

// Places a row by the theme's kind; a row that has no place is a remark.
// rowAt: the row in the statement, where a row with no place is reported.
void PlaceRow(BrevanTranslator& t, Rows& rows, ThemeKind kind, QdXmlNodeList* items, QdXmlNode& row,
              bool isDefault, bool changed, TokenSpan rowAt) {
  QdXmlNode& theme = *rows.theme;
  if (isDefault) {
    if (kind != ThemeKind::Range && kind != ThemeKind::Value)
      return t.Unwritten(Remark::DefaultRowNotWritten, rowAt, KindTerm(kind));
    const std::wstring path = kind == ThemeKind::Range
                                  ? std::wstring(t.Name(Tag::RangeItems)) + L"/" + t.Name(Tag::DefaultRange)
                                  : std::wstring(t.Name(Tag::ValueItems)) + L"/" + t.Name(Tag::DefaultValue);
    const NodeHandle item = t.SelectSingleNode(theme, path);
    if (!item) t.RaiseAt(rowAt, Error::NodeNotFound, path);
    t.AppendChildOrThrow(*item, row);
    return;
  }
  if (!changed) return t.Unwritten(Remark::RowUnchanged, rowAt);
  if (kind == ThemeKind::SingleSymbol) return t.AppendChildOrThrow(theme, row);
  if (kind == ThemeKind::Graduated) return PlaceGraduatedRow(t, theme, row, rows.number, rowAt);
  const NodeHandle item = t.ItemOrThrow(items, static_cast<long>(rows.number) - 1, rowAt);
  t.AppendChildOrThrow(*item, row);
}

// rows := Ranges [ Font (…) ] row { , row }
// row := ( "text" | Blank ) [ Display [ On | Off ] ]
void ReadRows(BrevanTranslator& t, QdXmlNode& legend, Rows& rows) {
  t.NextToken();
  if (t.IsToken(Keyword::Font)) {
    const NodeHandle rowFont = t.CreateElementOrThrow(Tag::RowFont);
    ReadFont(t, *rowFont);
    t.AppendChildOrThrow(legend, *rowFont);
  }
  // Without a theme waiting, rows are read and go nowhere; the kind is not asked.
  const ThemeKind kind = rows.theme ? t.GetThemeKind(*rows.theme) : ThemeKind::Range;
  const ListHandle items =
      rows.theme ? t.FindItemElements(*rows.theme, BrevanTranslator::ItemLists::AlsoCharts) : nullptr;
  for (bool first = true;; first = false) {
    const size_t rowStart = t.cmd->Position();
    const NodeHandle row = t.CreateElementOrThrow(Tag::Row);
    bool changed = false;
    std::wstring text;
    if (ReadRowText(t, text)) {
      t.AppendTextElement(*row, Tag::RowText, text);
      changed = true;
    }
    if (t.Accept(Keyword::Display)) {
      const bool shown = t.ParseOnOff(true);
      t.SetAttributeOrThrow(*row, t.Name(Tag::Shown), t.Name(shown ? Tag::True : Tag::False));
      changed = changed || !shown;
    }
    const TokenSpan rowAt = t.Since(rowStart);
    const bool more = t.IsToken(Keyword::Comma);
    if (more) t.NextToken();
    if (rows.theme)
      PlaceRow(t, rows, kind, items.get(), *row, first && kind != ThemeKind::SingleSymbol, changed, rowAt);
    ++rows.number;
    if (!more) return;
  }
}

// layer-clause := Layer layer-id { switch [ On | Off ] | Display [ On | Off ]
//                                | title | rows }
// False when the layer carries a colour list: that ends the whole statement.
bool TranslateLegendLayer(BrevanTranslator& t) {
  t.NextToken();
  const size_t first = t.cmd->Position();
  NodeHandle layer = t.ReadLayerOrThrow();
  const TokenSpan layerAt = t.Since(first);
  if (t.SelectSingleNode(*layer, t.Name(Tag::ColorList))) return false;
  // A layer with no theme waiting: its clauses are still read, and what
  // they would write goes nowhere.
  ObjectPlace place;
  const NodeHandle theme = t.FindPendingTheme(*layer, &place);
  layer.reset();
  if (!theme) t.WarnAt(layerAt, Warning::LegendNoTheme, t.Written(layerAt));
  const NodeHandle legend = t.CreateElementOrThrow(Tag::Legend);
  Rows rows{theme.get(), 0};
  for (;;) {
    const Switch* flag = nullptr;
    for (const Switch& candidate : kSwitches)
      if (t.IsToken(candidate.keyword)) flag = &candidate;
    if (flag) {
      t.NextToken();
      t.SetAttributeOrThrow(*legend, t.Name(flag->attribute),
                            t.Name(t.ParseOnOff(false) ? flag->on : flag->off));
    } else if (t.IsToken(Keyword::Display)) {
      ReadDisplay(t, *legend);
    } else if (t.IsToken(Keyword::Title)) {
      ReadTitle(t, *legend, Tag::Title, Tag::TitleText);
    } else if (t.IsToken(Keyword::Subtitle)) {
      ReadTitle(t, *legend, Tag::Subtitle, Tag::SubtitleText);
    } else if (t.IsToken(Keyword::Ranges)) {
      ReadRows(t, *legend, rows);
    } else {
      break;
    }
  }
  if (theme) {
    t.AppendChildOrThrow(*theme, *legend);
    t.Made(DocumentObject::Legend, place, layerAt);
  }
  return true;
}

}  // namespace

NodeHandle BrevanTranslator::FindPendingTheme(QdXmlNode& layer, ObjectPlace* place) {
  std::wstring name;
  GetAttributeOrThrow(layer, Name(Tag::Name), name);
  const auto entry = themeCounts.find(name);
  const int32_t count = entry == themeCounts.end() ? 0 : entry->second;
  if (count <= 0) return nullptr;
  const ListHandle themes = SelectNodes(layer, std::wstring(Name(Tag::Themes)) + L"/child::*");
  if (!themes || themes->GetLength() == 0) Raise(Error::NodeNotFound, Name(Tag::Themes));
  NodeHandle theme = ItemOrThrow(themes.get(), count - 1, Here());
  entry->second = count - 1;
  if (place) {
    *place = PlaceOfLayer(name);
    place->theme = count - 1;
  }
  return theme;
}

ThemeKind BrevanTranslator::GetThemeKind(QdXmlNode& theme) {
  std::wstring name;
  theme.GetNodeName(name);
  for (const ThemeKindEntry& entry : kThemeKinds)
    if (name == Name(entry.element)) return entry.kind;
  Raise(Error::InvalidThemeType);
}

// legend-settings := Set Legend [ Scale [ On | Off ] ] { layer-clause }
void BrevanTranslator::TranslateLegendSettings() {
  NextToken();
  const size_t scale = cmd->Position();
  if (Accept(Keyword::Scale)) {
    ParseOnOff(true);
    Unwritten(Remark::ClauseNotWritten, Since(scale));
  }
  while (IsToken(Keyword::Layer))
    if (!TranslateLegendLayer(*this)) return;
  RaisePendingHostError();
}

}  // namespace brevan
