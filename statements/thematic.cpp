// The thematic statement: a theme element on a layer, with its expressions,
// the clauses of its kind, and the layer bookkeeping.
#include "host/style.h"
#include "host/value.h"
#include "statements/theme_kinds.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// expressions := expression { , expression }, each into the holder
long ReadExpressions(BrevanTranslator& t, QdXmlNode& holder) {
  long count = 0;
  for (;;) {
    const std::wstring text = t.ReadExpressionText();
    const NodeHandle expression = t.CreateElementOrThrow(Tag::Expression);
    const NodeHandle reference = t.CreateElementOrThrow(Tag::Reference);
    t.SetAttributeOrThrow(*reference, t.Name(Tag::RefKind), t.Name(Tag::Builtin));
    t.SetAttributeOrThrow(*reference, t.Name(Tag::Source), std::wstring(t.Name(Tag::Expr)) + L" " + text);
    t.AppendChildOrThrow(*expression, *reference);
    t.AppendChildOrThrow(holder, *expression);
    ++count;
    if (!t.Accept(Keyword::Comma)) return count;
  }
}

// missing := Missing value — the value standing for no data
NodeHandle ReadMissingValue(BrevanTranslator& t) {
  t.NextToken();
  const auto value = Owned(Veltra::CreateAllType());
  if (!t.cmd->ParseValue(value.get(), true)) t.Raise(Error::ParseValueFailed);
  NodeHandle missing = t.CreateElementOrThrow(Tag::MissingValue);
  const NodeHandle text = t.CreateElementOrThrow(Tag::ValueText);
  if (value->IsKindB()) {
    t.SetAttributeOrThrow(*text, t.Name(Tag::ValueType), t.Name(Tag::Text));
  } else if (value->IsKindA()) {
    t.SetAttributeOrThrow(*text, t.Name(Tag::ValueType), t.Name(Tag::Number));
  }
  t.SetTextOrThrow(*text, value->Text());
  t.AppendChildOrThrow(*missing, *text);
  return missing;
}

// Moves the holder's children, in order, to the end of theme.
void MoveChildren(BrevanTranslator& t, QdXmlNode& holder, QdXmlNode& theme) {
  for (NodeHandle child = t.FirstChild(holder); child;) {
    NodeHandle next = t.NextSibling(*child);
    t.AppendChildOrThrow(theme, *child);
    child = std::move(next);
  }
}

// A setting word chosen by the token after Apply or Spread: a name or All,
// Color, or Size; anything else raises invalid.
std::wstring ReadSetting(BrevanTranslator& t, Tag any, Tag color, Tag size, Error invalid) {
  Tag word;
  if (t.IsTokenClass(kIdentifier) || t.IsToken(Keyword::All)) {
    word = any;
  } else if (t.IsToken(Keyword::Color)) {
    word = color;
  } else if (t.IsToken(Keyword::Size)) {
    word = size;
  } else {
    t.Raise(invalid);
  }
  t.NextToken();
  t.RaisePendingHostError();
  return t.Name(word);
}

// apply := Apply ( All | name | Color | Size )
void ReadApply(BrevanTranslator& t, QdXmlNode& settings) {
  if (!t.Accept(Keyword::Apply)) return;
  const std::wstring setting = ReadSetting(t, Tag::All, Tag::Color, Tag::Size, Error::InvalidApply);
  t.AppendTextElement(settings, Tag::ApplyTo, setting);
}

// spread := Spread ( All | name | Color | Size ) [ Brush (…) ] [ Border (…) ] [ Symbol (…) ]
void ReadSpreading(BrevanTranslator& t, QdXmlNode& settings, QdXmlNode& theme) {
  if (!t.Accept(Keyword::Spread)) return;
  const std::wstring setting = ReadSetting(t, Tag::Uniform, Tag::Hue, Tag::Graded, Error::InvalidSpreading);
  t.AppendTextElement(settings, Tag::Spreading, setting);
  const NodeHandle defaults = t.CreateElementOrThrow(Tag::DefaultStyles);
  if (t.IsToken(Keyword::Brush)) {
    const auto brush = NewBrush();
    t.ParseBrushClause(*brush);
    t.WriteBrushStyle(*defaults, *brush, true);
  }
  if (t.IsToken(Keyword::Border)) {
    const auto pen = NewPen();
    t.ParsePenClause(*pen);
    t.WritePenStyle(*defaults, *pen, false);
  }
  if (t.IsToken(Keyword::Symbol)) {
    SymbolHandle symbol = NewSymbol();
    t.ParseSymbolClause(symbol);
    t.WriteSymbolStyle(*defaults, *symbol);
  }
  t.AppendChildOrThrow(theme, *defaults);
}

// range := Ranges [ apply ] [ spread ] item-list [ legend-block ]
void ReadRangeTheme(BrevanTranslator& t, QdXmlNode& theme) {
  t.NextToken();
  const NodeHandle settings = t.CreateElementOrThrow(Tag::ItemSettings);
  ReadApply(t, *settings);
  ReadSpreading(t, *settings, theme);
  t.AppendChildOrThrow(theme, *settings);
  t.TranslateItemList(theme, true);
  t.TranslateThemeLegend(theme);
}

// value := Values [ apply ] item-list
void ReadValueTheme(BrevanTranslator& t, QdXmlNode& theme) {
  t.ExpectToken(Keyword::Values);
  const NodeHandle settings = t.CreateElementOrThrow(Tag::ItemSettings);
  ReadApply(t, *settings);
  t.AppendChildOrThrow(theme, *settings);
  t.TranslateItemList(theme, false);
}

// Writes a symbol clause into a new element named by tag on theme.
void AppendSymbol(BrevanTranslator& t, QdXmlNode& theme, Tag tag) {
  SymbolHandle symbol = NewSymbol();
  const NodeHandle element = t.CreateElementOrThrow(tag);
  t.ParseSymbolClause(symbol);
  t.WriteSymbolStyle(*element, *symbol);
  t.AppendChildOrThrow(theme, *element);
}

// graduated := Graduated number : integer number : integer [ Symbol (…) ]
//              [ Colors Symbol (…) ] [ Text Size Mode "text" ] [ legend-block ]
void ReadGraduatedTheme(BrevanTranslator& t, QdXmlNode& theme) {
  constexpr double kPointsPerInch = 72;
  t.NextToken();
  const size_t start = t.cmd->Position();
  t.ReadDouble();
  t.ExpectToken(Keyword::Colon);
  t.ReadLong();
  t.Unwritten(Remark::GraduatedStartNotWritten, t.Since(start), t.Written(t.Since(start)));
  const double value = t.ReadDouble();
  t.ExpectToken(Keyword::Colon);
  const int32_t points = t.ReadLong();
  const NodeHandle base = t.CreateElementOrThrow(Tag::BaseValue);
  t.SetNumberTextOrThrow(*base, 0);
  t.AppendChildOrThrow(theme, *base);
  if (t.IsToken(Keyword::Symbol)) AppendSymbol(t, theme, Tag::FirstSymbol);
  if (t.Accept(Keyword::Colors)) {
    if (t.IsTokenClass(Keyword::Symbol)) AppendSymbol(t, theme, Tag::SecondSymbol);
  }
  std::wstring text;
  t.ReadTextSizeMode(text);
  t.RaisePendingHostError();
  t.WriteMethodElement(theme, t.Name(Tag::Constant), text);
  t.WriteValueSizeElement(theme, value, points / kPointsPerInch, t.Name(Tag::In), t.Here());
  t.TranslateThemeLegend(theme);
}

// single := Single number : size [ Color integer ]
void ReadSingleSymbolTheme(BrevanTranslator& t, QdXmlNode& theme) {
  t.NextToken();
  const double value = t.ReadDouble();
  t.ExpectToken(Keyword::Colon);
  const int32_t size = t.ReadLong();
  int32_t color = 0;
  if (t.Accept(Keyword::Color)) {
    color = t.ReadLong();
  }
  const SymbolHandle symbol = NewSymbol();
  symbol->SetColor(Veltra::cColor::Opaque(static_cast<uint32_t>(color)));
  symbol->SetSize(static_cast<int16_t>(static_cast<uint16_t>(size & 0xFFFF)));
  const NodeHandle element = t.CreateElementOrThrow(Tag::ThemeSymbol);
  t.WriteSymbolStyle(*element, *symbol);
  t.AppendChildOrThrow(theme, *element);
  const NodeHandle number = t.CreateElementOrThrow(Tag::SymbolValue);
  t.SetNumberTextOrThrow(*number, value);
  t.AppendChildOrThrow(theme, *number);
}

}  // namespace

void BrevanTranslator::InsertLayerName(const std::wstring& name) {
  if (!layerNames.InsertBeforeFirst(name)) Raise(Error::LayerNameNotFound);
}

// thematic := Theme layer-id With expressions [ missing ] ( range | chart | graduated | single | value )
void BrevanTranslator::TranslateThematic() {
  NextToken();
  const size_t layerStart = cmd->Position();
  std::wstring found;
  const NodeHandle layer = ReadLayerOrThrow(&found);
  const TokenSpan layerAt = Since(layerStart);
  NodeHandle themes = SelectSingleNode(*layer, Name(Tag::Themes));
  if (!themes) {
    themes = CreateElementOrThrow(Tag::Themes);
    AppendChildOrThrow(*layer, *themes);
  }
  ExpectToken(Keyword::With);
  NodeHandle holder = CreateElementOrThrow(Tag::ExpressionHolder);
  const size_t expressionsStart = cmd->Position();
  const long count = ReadExpressions(*this, *holder);
  const TokenSpan expressionsAt = Since(expressionsStart);
  if (!IsToken(Keyword::Missing) && !ThemeKindOf(TokenId())) Raise(Error::InvalidExpression);
  NodeHandle missing;
  if (IsToken(Keyword::Missing)) missing = ReadMissingValue(*this);
  const ThemeKindEntry* selected = ThemeKindOf(TokenId());
  if (!selected) Raise(Error::InvalidThemeType);
  const ThemeKind kind = selected->kind;

  const NodeHandle theme = CreateElementOrThrow(selected->element);
  SetAttributeOrThrow(*theme, Name(Tag::Description), L"");
  SetNumberAttributeOrThrow(*theme, Name(Tag::Visible), 1);
  AppendChildOrThrow(*themes, *theme);
  ObjectPlace place;
  if (const auto at = layerPlaces.find(found); at != layerPlaces.end())
    place = {-1, at->second.window, at->second.position, at->second.themes++};
  Made(DocumentObject::Theme, place, layerAt);
  const bool chart = kind == ThemeKind::BarChart || kind == ThemeKind::PieChart;
  if (!chart) {
    MoveChildren(*this, *holder, *theme);
    holder.reset();
  }
  if (missing) AppendChildOrThrow(*theme, *missing);

  switch (kind) {
    case ThemeKind::Range:
      ReadRangeTheme(*this, *theme);
      break;
    case ThemeKind::Value:
      ReadValueTheme(*this, *theme);
      break;
    case ThemeKind::BarChart:
    case ThemeKind::PieChart:
      TranslateChartClauses(*theme, kind, *holder, count);
      // Only the Each brushes take the expressions into the document.
      if (FirstChild(*holder)) Unwritten(Remark::ChartExpressionsNotWritten, expressionsAt);
      TranslateThemeLegend(*theme);
      holder.reset();
      break;
    case ThemeKind::Graduated:
      ReadGraduatedTheme(*this, *theme);
      break;
    case ThemeKind::SingleSymbol:
      ReadSingleSymbolTheme(*this, *theme);
      break;
  }

  std::wstring name;
  GetAttributeOrThrow(*layer, Name(Tag::Name), name);
  InsertLayerName(name);
  ++themeCounts[name];
  RaisePendingHostError();
}

}  // namespace brevan
