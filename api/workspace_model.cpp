// The read model: the document a translation built, read through the
// host's node interface by the names of the tag table (the one place
// outside the translator that knows its shape), with each object's origin
// as the translator told it.
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/model_builder.h"
#include "brevan/workspace.h"
#include "brevan_ids.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/tokens.h"
#include "host/xml_document.h"
#include "statements/theme_kinds.h"
#include "translator/literal_names.h"

namespace brevan {

namespace {

namespace names = literal_names;

// The names of the tag table by id, each made once from its text.
template <typename Name, typename Make>
std::vector<Name> NamesById(Make make) {
  std::vector<Name> all;
  const Tokens& tags = *GetWorkspaceTags();
  for (int i = 0; i < tags.Count(); ++i) {
    const auto id = static_cast<size_t>(tags.Entries()[i].id);
    if (id >= all.size()) all.resize(id + 1);
    all[id] = make(tags.Entries()[i].text);
  }
  return all;
}

template <typename Name>
const Name& ById(const std::vector<Name>& names, Tag tag) {
  static const Name none;
  const auto id = static_cast<size_t>(static_cast<short>(tag));
  return id < names.size() ? names[id] : none;
}

// A tag's name, measured once.
std::wstring_view N(Tag tag) {
  static const auto names =
      NamesById<std::wstring_view>([](const wchar_t* text) { return std::wstring_view(text); });
  return ById(names, tag);
}

// An element of the document, or none; every question of a missing one
// answers nothing, so that paths read like the document's shape.
class Element {
 public:
  Element() = default;
  explicit Element(QdXmlNode* node) : node_(node) {}

  explicit operator bool() const { return node_ != nullptr; }
  QdXmlNode* Release() { return node_.release(); }

  bool Is(std::wstring_view name) const { return node_ && node_->HasName(name); }
  bool Is(Tag tag) const { return Is(N(tag)); }

  // The first child element named by tag: the document's own lookup of a
  // bare name, which makes no handle of the children it passes.
  Element Child(Tag tag) const {
    QdXmlNode* found = nullptr;
    if (node_) node_->GetChild(N(tag), &found);
    return Element(found);
  }
  Element FirstChild() const {
    QdXmlNode* child = nullptr;
    if (node_) node_->GetFirstChild(&child);
    return Element(child);
  }

  // Calls visit with each child element in order while it answers true.
  template <typename Visit>
  void ForEachChild(Visit visit) const {
    for (Element child = FirstChild(); child;) {
      // Taken before visit, which may move child away, and owned at once.
      QdXmlNode* next = nullptr;
      child.node_->GetNextSibling(&next);
      Element following(next);
      if (!visit(child)) return;
      child = std::move(following);
    }
  }
  // The same for the children named by tag.
  template <typename Visit>
  void ForEach(Tag tag, Visit visit) const {
    const std::wstring_view name = N(tag);
    ForEachChild([&](Element& child) {
      if (child.Is(name)) visit(child);
      return true;
    });
  }

  bool Has(std::wstring_view attribute) const {
    std::string value;
    return node_ && node_->GetAttributeUtf8(attribute, value);
  }
  bool Has(Tag attribute) const { return Has(N(attribute)); }
  std::string Attribute(std::wstring_view attribute) const {
    std::string value;
    if (node_) node_->GetAttributeUtf8(attribute, value);
    return value;
  }
  std::string Attribute(Tag attribute) const { return Attribute(N(attribute)); }
  // Whether the attribute holds the name of tag value (a word of the document's).
  bool AttributeIs(Tag attribute, Tag value) const { return node_ && Attribute(attribute) == Utf8(value); }
  bool IsOne(std::wstring_view attribute) const { return node_ && Attribute(attribute) == "1"; }
  bool IsOne(Tag attribute) const { return IsOne(N(attribute)); }
  std::optional<double> Number(std::wstring_view attribute) const;
  std::optional<double> Number(Tag attribute) const { return Number(N(attribute)); }

  std::string Text() const {
    std::string text;
    if (node_) node_->GetNodeTextUtf8(text);
    return text;
  }
  // The text of the first child named by tag.
  std::string Text(Tag tag) const { return Child(tag).Text(); }
  // Whether the text is the name of tag value.
  bool TextIs(Tag value) const { return node_ && Text() == Utf8(value); }

  // A tag's name as UTF-8, converted once.
  static const std::string& Utf8(Tag tag);

 private:
  std::unique_ptr<QdXmlNode> node_;
};

const std::string& Element::Utf8(Tag tag) {
  static const auto names = NamesById<std::string>([](const wchar_t* text) { return ToUtf8(text); });
  return ById(names, tag);
}

std::optional<double> NumberOf(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  return value;
}

std::optional<double> Element::Number(std::wstring_view attribute) const {
  std::string value;
  if (!node_ || !node_->GetAttributeUtf8(attribute, value)) return std::nullopt;
  return NumberOf(value);
}

// The words of a tag's name that stand for true and false, as legend switches write them.
std::optional<bool> Switch(const Element& node, Tag attribute, Tag on, Tag off) {
  const std::string value = node.Attribute(attribute);
  if (value == Element::Utf8(on)) return true;
  if (value == Element::Utf8(off)) return false;
  return std::nullopt;
}

// The number at the end of a style reference such as "brush2" or "glyph34"; 0 when none.
int ReferenceNumber(std::string_view reference) {
  size_t digits = reference.size();
  while (digits > 0 && reference[digits - 1] >= '0' && reference[digits - 1] <= '9') --digits;
  if (digits == reference.size() || reference.size() - digits > 9) return 0;
  return std::atoi(std::string(reference.substr(digits)).c_str());
}

// The drawing node and the pattern reference of a style element.
Element Drawing(const Element& style) {
  return style.Child(Tag::Graphics).Child(Tag::Paint).Child(Tag::Drawing);
}
Element Pattern(const Element& style) { return style.Child(Tag::Patterns).Child(Tag::Reference); }

std::vector<std::string> Words(std::string_view list, Tag none) {
  const std::string& noneWord = Element::Utf8(none);
  std::vector<std::string> words;
  size_t at = 0;
  while (at < list.size()) {
    const size_t end = std::min(list.find(' ', at), list.size());
    if (end > at && list.substr(at, end - at) != noneWord) words.emplace_back(list.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

FontStyle ReadFontAttributes(const Element& drawing) {
  FontStyle font;
  font.family = drawing.Attribute(Tag::Family);
  font.textColor = drawing.Attribute(Tag::TextColor);
  font.backColor = drawing.Attribute(Tag::BackColor);
  font.pointSize = drawing.Number(Tag::PointSize).value_or(0);
  font.bold = drawing.Number(Tag::Weight).value_or(1) >= 2;
  font.italic = drawing.AttributeIs(Tag::Slant, Tag::Italic);
  font.effects = Words(drawing.Attribute(Tag::Effects), Tag::None);
  font.decorations = Words(drawing.Attribute(Tag::Decoration), Tag::None);
  font.boxed = drawing.IsOne(Tag::Boxed);
  return font;
}

std::optional<FontStyle> ReadFont(const Element& holder) {
  const Element style = holder.Child(Tag::FontStyle);
  if (!style) return std::nullopt;
  return ReadFontAttributes(Drawing(style));
}

std::optional<PenStyle> ReadPen(const Element& holder) {
  const Element style = holder.Child(Tag::PenStyle);
  if (!style) return std::nullopt;
  const Element drawing = Drawing(style);
  return PenStyle{ReferenceNumber(Pattern(style).Attribute(Tag::Pattern)), drawing.Attribute(Tag::LineColor),
                  drawing.Attribute(Tag::Width)};
}

std::optional<BrushStyle> ReadBrush(const Element& holder) {
  const Element style = holder.Child(Tag::BrushStyle);
  if (!style) return std::nullopt;
  const Element drawing = Drawing(style);
  return BrushStyle{ReferenceNumber(Pattern(style).Attribute(Tag::FillPattern)),
                    drawing.Attribute(Tag::Foreground), drawing.Attribute(Tag::Background),
                    drawing.IsOne(Tag::Opaque)};
}

std::optional<SymbolStyle> ReadSymbol(const Element& holder) {
  const Element style = holder.Child(Tag::SymbolStyle);
  if (!style) return std::nullopt;
  const Element drawing = Drawing(style);
  SymbolStyle symbol;
  symbol.shape = ReferenceNumber(Pattern(style).Attribute(Tag::SymbolShape));
  symbol.color = drawing.Attribute(Tag::SymbolColor);
  symbol.size = drawing.Number(Tag::SymbolSize).value_or(0);
  if (drawing.Has(Tag::Image)) {
    symbol.type = SymbolStyle::Type::Image;
    symbol.image = drawing.Attribute(Tag::Image);
    symbol.keepColor = drawing.IsOne(Tag::KeepColor);
    symbol.keepSize = drawing.IsOne(Tag::KeepSize);
  } else if (drawing.Has(Tag::Family)) {
    symbol.type = SymbolStyle::Type::Font;
    symbol.font = ReadFontAttributes(drawing);
    // "0 r 0 0 r 0": the rotation stands second.
    const std::string transform = drawing.Attribute(Tag::Transform);
    const size_t space = transform.find(' ');
    symbol.rotation = space == std::string::npos ? 0 : NumberOf(transform.substr(space + 1)).value_or(0);
  }
  return symbol;
}

// Styles written into an item: the border pen and the symbol and font
// directly, the pen and the brush in their wrapper.
Styles ReadStyles(const Element& item) {
  const Element wrapped = item.Child(Tag::Styles);
  return Styles{ReadPen(item), ReadPen(wrapped), ReadBrush(wrapped), ReadSymbol(item), ReadFont(item)};
}

std::optional<LegendRow> ReadRowElement(const Element& row) {
  if (!row) return std::nullopt;
  const Element text = row.Child(Tag::RowText);
  return LegendRow{text.Text(), static_cast<bool>(text), row.AttributeIs(Tag::Shown, Tag::False)};
}

std::optional<LegendRow> ReadRow(const Element& holder) { return ReadRowElement(holder.Child(Tag::Row)); }

std::optional<LegendText> ReadLegendText(const Element& legend, Tag element, Tag textElement) {
  const Element holder = legend.Child(element);
  if (!holder) return std::nullopt;
  const Element text = holder.Child(textElement);
  return LegendText{text.Text(), static_cast<bool>(text), ReadFont(holder)};
}

std::optional<Legend> ReadLegend(const Element& theme) {
  const Element node = theme.Child(Tag::Legend);
  if (!node) return std::nullopt;
  Legend legend;
  legend.showCounts = Switch(node, Tag::ShowCounts, Tag::True, Tag::False);
  legend.reverse = Switch(node, Tag::Reverse, Tag::True, Tag::False);
  legend.showEmpty = Switch(node, Tag::ShowEmpty, Tag::True, Tag::False);
  legend.frame = Switch(node, Tag::Frame, Tag::True, Tag::False);
  legend.portrait = Switch(node, Tag::Orientation, Tag::Portrait, Tag::Landscape);
  legend.hidden = node.Child(Tag::Visibility).Child(Tag::VisibleState).TextIs(Tag::False);
  legend.title = ReadLegendText(node, Tag::Title, Tag::TitleText);
  legend.subtitle = ReadLegendText(node, Tag::Subtitle, Tag::SubtitleText);
  legend.rowFont = ReadFont(node.Child(Tag::RowFont));
  return legend;
}

// An expression element's text as written: its reference's source without
// the word of its kind.
std::string ExpressionText(const Element& expression) {
  std::string source = expression.Child(Tag::Reference).Attribute(Tag::Source);
  const std::string& kind = Element::Utf8(Tag::Expr);
  if (source.size() > kind.size() && source.compare(0, kind.size(), kind) == 0 && source[kind.size()] == ' ')
    source.erase(0, kind.size() + 1);
  return source;
}

std::optional<Measure> ReadMeasure(const Element& holder) {
  const Element measure = holder.Child(Tag::Measure);
  if (!measure) return std::nullopt;
  return Measure{NumberOf(measure.Text()).value_or(0), measure.Attribute(Tag::Unit)};
}

// The items of a theme's item lists, each list holding its own kind of
// item (and a range or value list its default item).
void ReadItems(const Element& theme, Theme& out) {
  struct List {
    Tag list, item, fallback;
  };
  constexpr List kLists[] = {{Tag::RangeItems, Tag::RangeItem, Tag::DefaultRange},
                             {Tag::ValueItems, Tag::ValueItem, Tag::DefaultValue},
                             {Tag::BarItems, Tag::BarItem, Tag::BarItem},
                             {Tag::PieItems, Tag::PieItem, Tag::PieItem}};
  for (const List& list : kLists) {
    const bool chart = list.item == Tag::BarItem || list.item == Tag::PieItem;
    theme.Child(list.list).ForEachChild([&](const Element& node) {
      const bool isItem = node.Is(list.item);
      if (!isItem && (chart || !node.Is(list.fallback))) return true;
      ThemeItem& item = out.items.emplace_back();
      if (!isItem) {
        item.isDefault = true;
      } else if (list.item == Tag::RangeItem) {
        item.low = node.Child(Tag::LowerBound).Text(Tag::Value);
        item.high = node.Child(Tag::UpperBound).Text(Tag::Value);
      } else if (list.item == Tag::ValueItem) {
        item.value = node.Text(Tag::Value);
      } else {
        item.expression = ExpressionText(node.Child(Tag::Expression));
        out.expressions.push_back(item.expression);
      }
      item.styles = ReadStyles(node);
      // A chart item's brush stands in the item itself.
      if (chart && !item.styles.brush) item.styles.brush = ReadBrush(node);
      item.row = ReadRow(node);
      item.color = node.Text(Tag::ItemColor);
      return true;
    });
  }
}

void ReadGraduated(const Element& theme, Theme& out) {
  for (const Tag tag : {Tag::FirstSymbol, Tag::SecondSymbol}) {
    const Element node = theme.Child(tag);
    if (!node) continue;
    GraduatedSymbol symbol;
    symbol.symbol = ReadSymbol(node).value_or(SymbolStyle());
    symbol.small = ReadRow(node.Child(Tag::SmallRow));
    symbol.medium = ReadRow(node.Child(Tag::MediumRow));
    symbol.large = ReadRow(node.Child(Tag::LargeRow));
    out.symbols.push_back(std::move(symbol));
  }
}

// A word of the document's as one of a closed set of values.
template <typename Value, size_t n>
Value WordOf(const std::string& text, const std::pair<Tag, Value> (&words)[n]) {
  for (const auto& [tag, value] : words)
    if (text == Element::Utf8(tag)) return value;
  return Value::Unset;
}

void ReadSizes(const Element& theme, Theme& out) {
  if (const Element method = theme.Child(Tag::Method).FirstChild()) {
    out.method = method.Is(Tag::ProportionalMethod) ? SizeMethod::Proportional
                 : method.Is(Tag::NormalizedMethod) ? SizeMethod::Normalized
                                                    : SizeMethod::Constant;
    out.methodText = method.Attribute(Tag::Label);
  }
  const Element valueSize = theme.Child(Tag::ValueSize);
  if (const Element reference = valueSize.Child(Tag::ReferenceValue))
    out.reference = NumberOf(reference.Text());
  out.size = ReadMeasure(valueSize.Child(Tag::Extent));
  out.secondSize = ReadMeasure(theme.Child(Tag::SecondSize));
}

Theme ReadTheme(const Element& node, ThemeKind kind) {
  Theme theme;
  theme.kind = kind;
  theme.visible = !node.Has(Tag::Visible) || node.IsOne(Tag::Visible);
  node.ForEach(Tag::Expression,
               [&](const Element& expression) { theme.expressions.push_back(ExpressionText(expression)); });
  theme.missing = node.Child(Tag::MissingValue).Text(Tag::ValueText);
  const Element settings = node.Child(Tag::ItemSettings);
  theme.applyTo =
      WordOf<ApplyTo>(settings.Child(Tag::ApplyTo).Text(),
                      {{Tag::All, ApplyTo::All}, {Tag::Color, ApplyTo::Color}, {Tag::Size, ApplyTo::Size}});
  theme.spreading = WordOf<Spreading>(
      settings.Child(Tag::Spreading).Text(),
      {{Tag::Uniform, Spreading::Uniform}, {Tag::Hue, Spreading::Hue}, {Tag::Graded, Spreading::Graded}});
  theme.variant = settings.Text(Tag::SpreadVariant);
  if (const Element reference = settings.Child(Tag::ReferenceValue))
    theme.reference = NumberOf(reference.Text());
  if (const Element defaults = node.Child(Tag::DefaultStyles)) theme.defaultStyles = ReadStyles(defaults);
  ReadItems(node, theme);
  ReadSizes(node, theme);
  theme.stacked = static_cast<bool>(node.Child(Tag::BarHead).Child(Tag::StackedBars));
  if (const Element pie = node.Child(Tag::PieHead)) {
    theme.startAngle = NumberOf(pie.Text(Tag::StartAngle));
    theme.sweep = NumberOf(pie.Text(Tag::Sweep));
  }
  theme.outline = ReadPen(node.Child(Tag::ChartPen));
  theme.fill = ReadBrush(node.Child(Tag::ChartBrush));
  const Element placement = node.Child(Tag::Placement);
  theme.horizontal = placement.Text(Tag::Horizontal);
  theme.vertical = placement.Text(Tag::Vertical);
  ReadGraduated(node, theme);
  theme.symbol = ReadSymbol(node.Child(Tag::ThemeSymbol));
  theme.symbolValue = node.Text(Tag::SymbolValue);
  node.ForEach(Tag::Row, [&](const Element& row) {
    if (std::optional<LegendRow> read = ReadRowElement(row)) theme.rows.push_back(std::move(*read));
  });
  theme.legend = ReadLegend(node);
  return theme;
}

Layer ReadLayer(const Element& node) {
  Layer layer;
  layer.position = static_cast<int>(node.Number(Tag::Position).value_or(0));
  layer.name = node.Attribute(Tag::Name);
  node.Child(Tag::Labels).ForEach(Tag::LabelExpression, [&](const Element& label) {
    layer.labels.push_back(label.Text());
  });
  layer.colorList = static_cast<bool>(node.Child(Tag::ColorList));
  node.Child(Tag::Themes).ForEachChild([&](const Element& theme) {
    for (const ThemeKindEntry& entry : kThemeKinds)
      if (theme.Is(entry.element)) {
        layer.themes.push_back(ReadTheme(theme, entry.kind));
        break;
      }
    return true;
  });
  return layer;
}

View ReadView(const Element& window) {
  View view;
  const auto text = [&](Tag tag) { return window.Attribute(tag); };
  const auto number = [&](Tag tag) { return window.Number(tag); };
  view.centerX = number(Tag::CenterX);
  view.centerY = number(Tag::CenterY);
  view.smartRedraw = window.IsOne(names::kSmartRedraw);
  view.zoom = number(Tag::Zoom);
  view.zoomUnits = text(Tag::ZoomUnits);
  view.zoomLayer = text(Tag::ZoomLayer);
  view.pan = number(Tag::Pan);
  view.panUnits = text(Tag::PanUnits);
  view.panDirection = text(Tag::PanDirection);
  view.panRedraw = window.IsOne(Tag::PanRedraw);
  view.scaleFrom = number(Tag::ScaleFrom);
  view.scaleFromUnits = text(Tag::ScaleFromUnits);
  view.scaleTo = number(Tag::ScaleTo);
  view.scaleToUnits = text(Tag::ScaleToUnits);
  view.preserve = text(Tag::Preserve);
  view.display = text(Tag::Display);
  view.layerOrder = text(Tag::LayerOrder);
  view.coordinateUnits = text(Tag::CoordinateUnits);
  view.areaUnits = text(Tag::AreaUnits);
  if (const std::optional<double> flat = number(Tag::AreaFlat)) view.areaProjected = *flat == 0;
  view.distanceType = text(Tag::DistanceType);
  view.distanceUnits = text(Tag::DistanceUnits);
  if (const std::optional<double> redraw = number(Tag::Redraw)) view.redraw = *redraw != 0;
  return view;
}

std::optional<WindowPosition> ReadPosition(const Element& window) {
  const Element node = window.Child(Tag::WindowPosition);
  if (!node) return std::nullopt;
  WindowPosition position;
  position.x = node.Number(names::kX);
  position.y = node.Number(names::kY);
  position.units = node.Attribute(names::kUnits);
  position.width = node.Number(names::kWidth);
  position.height = node.Number(names::kHeight);
  const std::wstring style = FromUtf8(node.Attribute(names::kStyle));
  position.style = style == names::kMinimized   ? WindowPosition::Style::Minimized
                   : style == names::kMaximized ? WindowPosition::Style::Maximized
                                                : WindowPosition::Style::Normal;
  return position;
}

Element Root(XmlDocument& doc) {
  if (!doc.HasRoot()) return Element();
  return Element(doc.GetRootElement(N(Tag::Workspace), L" /"));
}

}  // namespace

Workspace ReadObjects(XmlDocument& doc) {
  Workspace workspace;
  const Element root = Root(doc);
  root.Child(Tag::Tables).ForEach(Tag::Table, [&](const Element& node) {
    Table table;
    table.alias = node.Attribute(Tag::Alias);
    table.file = node.Attribute(Tag::File);
    table.locked = node.IsOne(Tag::Locked);
    table.hidden = node.IsOne(Tag::Hidden);
    table.interactive = node.IsOne(Tag::Interactive);
    table.codepage = node.Attribute(Tag::Codepage);
    table.password = node.Attribute(Tag::Password);
    workspace.tables.push_back(std::move(table));
  });
  root.Child(Tag::MapWindows).ForEach(Tag::MapWindow, [&](const Element& node) {
    MapWindow window;
    node.Child(Tag::Layers).ForEach(Tag::Layer, [&](const Element& layer) {
      window.layers.push_back(ReadLayer(layer));
    });
    window.view = ReadView(node);
    window.position = ReadPosition(node);
    workspace.mapWindows.push_back(std::move(window));
  });
  return workspace;
}

namespace {

Span SpanOf(const ReaderSpan& span) { return {span.line, span.column, span.endLine, span.endColumn}; }

StatementKind KindOf(TranslatedStatement kind) {
  switch (kind) {
    case TranslatedStatement::OpenTable:
      return StatementKind::OpenTable;
    case TranslatedStatement::MapWindow:
      return StatementKind::MapWindow;
    case TranslatedStatement::SetMap:
      return StatementKind::SetMap;
    case TranslatedStatement::Thematic:
      return StatementKind::Thematic;
    case TranslatedStatement::LegendSettings:
      return StatementKind::LegendSettings;
  }
  return StatementKind::PassedOver;
}

// The reference of what a statement of kind made or changed, and gives
// the object its origin when it stands in workspace.
ObjectRef Refer(StatementKind statement, const ReaderObject& object, const Origin& origin,
                Workspace& workspace) {
  ObjectRef ref;
  ref.table = object.place.table;
  ref.window = object.place.window;
  ref.layer = object.place.layer - 1;
  ref.theme = object.place.theme;
  const auto layer = [&]() -> Layer* {
    if (ref.window < 0 || static_cast<size_t>(ref.window) >= workspace.mapWindows.size()) return nullptr;
    std::vector<Layer>& layers = workspace.mapWindows[ref.window].layers;
    return ref.layer >= 0 && static_cast<size_t>(ref.layer) < layers.size() ? &layers[ref.layer] : nullptr;
  };
  const auto theme = [&]() -> Theme* {
    Layer* found = layer();
    return found && ref.theme >= 0 && static_cast<size_t>(ref.theme) < found->themes.size()
               ? &found->themes[ref.theme]
               : nullptr;
  };
  switch (object.kind) {
    case DocumentObject::Table:
    case DocumentObject::TableCopy:
      ref.kind = ObjectRef::Kind::Table;
      if (ref.table >= 0 && static_cast<size_t>(ref.table) < workspace.tables.size()) {
        Table& table = workspace.tables[ref.table];
        table.origin = origin;
        if (object.kind == DocumentObject::TableCopy) table.copyOf = ToUtf8(object.name);
      }
      break;
    case DocumentObject::MapWindow:
      ref.kind = ObjectRef::Kind::MapWindow;
      ref.changed = statement == StatementKind::SetMap;
      if (ref.window >= 0 && static_cast<size_t>(ref.window) < workspace.mapWindows.size()) {
        MapWindow& window = workspace.mapWindows[ref.window];
        (ref.changed ? window.view.origin : window.origin) = origin;
      }
      break;
    case DocumentObject::Layer:
      ref.kind = ObjectRef::Kind::Layer;
      ref.changed = statement != StatementKind::MapWindow;
      if (Layer* found = layer(); found && !ref.changed) found->origin = origin;
      break;
    case DocumentObject::Theme:
      ref.kind = ObjectRef::Kind::Theme;
      if (Theme* found = theme()) found->origin = origin;
      break;
    case DocumentObject::Legend:
      ref.kind = ObjectRef::Kind::Legend;
      if (Theme* found = theme(); found && found->legend) found->legend->origin = origin;
      break;
  }
  return ref;
}

}  // namespace

void AddStatements(TokenReader& reader, Workspace& workspace) {
  // Clauses are placed only for objects there are to give them to.
  reader.FinishStatements(!workspace.tables.empty() || !workspace.mapWindows.empty());
  const std::vector<SkippedStatement>& skipped = reader.Skipped();
  const std::vector<ReaderObject>& objects = reader.Objects();
  workspace.statements.reserve(reader.Statements().size() + skipped.size());
  auto passed = skipped.begin();
  const auto addPassedOverBefore = [&](int line, int column) {
    for (; passed != skipped.end() &&
           (passed->line < line || (passed->line == line && passed->column < column));
         ++passed) {
      Statement statement;
      statement.kind = StatementKind::PassedOver;
      statement.name = ToUtf8(passed->keyword);
      const int length = static_cast<int>(passed->keyword.size());
      statement.span = {passed->line, passed->column, passed->line, passed->column + length};
      workspace.statements.push_back(std::move(statement));
    }
  };
  for (const ReaderStatement& read : reader.Statements()) {
    addPassedOverBefore(read.span.line, read.span.column);
    Statement statement;
    statement.kind = KindOf(read.kind);
    statement.span = SpanOf(read.span);
    statement.name = ToUtf8(read.name);
    statement.failed = !read.translated;
    statement.objects.reserve(read.objectsEnd - read.objectsBegin);
    for (size_t i = read.objectsBegin; i < read.objectsEnd; ++i)
      statement.objects.push_back(
          Refer(statement.kind, objects[i], Origin{statement.span, SpanOf(objects[i].clause)}, workspace));
    workspace.statements.push_back(std::move(statement));
  }
  addPassedOverBefore(INT32_MAX, INT32_MAX);
}

std::unique_ptr<QdXmlNode> ElementOf(XmlDocument& doc, const ObjectRef& ref) {
  const Element root = Root(doc);
  // The index-th child named by tag.
  const auto nth = [](const Element& parent, Tag tag, int index) {
    Element found;
    if (index < 0) return found;
    const std::wstring_view name = N(tag);
    parent.ForEachChild([&](Element& child) {
      if (!child.Is(name) || index-- > 0) return true;
      found = std::move(child);
      return false;
    });
    return found;
  };
  Element found;
  if (ref.kind == ObjectRef::Kind::Table) {
    found = nth(root.Child(Tag::Tables), Tag::Table, ref.table);
  } else {
    found = nth(root.Child(Tag::MapWindows), Tag::MapWindow, ref.window);
    if (ref.kind != ObjectRef::Kind::MapWindow) found = nth(found.Child(Tag::Layers), Tag::Layer, ref.layer);
    if (ref.kind == ObjectRef::Kind::Theme || ref.kind == ObjectRef::Kind::Legend) {
      Element theme;
      int index = ref.theme;
      found.Child(Tag::Themes).ForEachChild([&](Element& child) {
        if (index-- > 0) return true;
        theme = std::move(child);
        return false;
      });
      found = index < 0 ? std::move(theme) : Element();
    }
  }
  return std::unique_ptr<QdXmlNode>(found ? found.Release() : nullptr);
}

}  // namespace brevan
