// The read model: a translated document read back by the names of the tag
// table, the one place outside the translator that knows its shape.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <pugixml.hpp>
#include <unordered_map>

#include "brevan/workspace.h"
#include "brevan_ids.h"
#include "host/document_names.h"
#include "host/text.h"
#include "host/tokens.h"

namespace brevan {

namespace {

namespace names = document_names;

// The UTF-8 name of a tag, converted once.
const char* N(Tag tag) {
  static const std::unordered_map<short, std::string> names = [] {
    std::unordered_map<short, std::string> all;
    const Tokens& tags = *GetWorkspaceTags();
    for (int i = 0; i < tags.Count(); ++i) all[tags.Entries()[i].id] = ToUtf8(tags.Entries()[i].text);
    return all;
  }();
  const auto found = names.find(static_cast<short>(tag));
  return found == names.end() ? "" : found->second.c_str();
}

std::string Literal(const wchar_t* name) { return ToUtf8(name); }

std::optional<double> NumberOf(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) return std::nullopt;
  return value;
}

std::optional<double> NumberAttribute(pugi::xml_node node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? NumberOf(attribute.value()) : std::nullopt;
}

bool IsOne(pugi::xml_node node, const char* name) {
  return std::string_view(node.attribute(name).value()) == "1";
}

// The words of a tag's name that stand for true and false, as legend switches write them.
std::optional<bool> Switch(pugi::xml_node node, Tag attribute, Tag on, Tag off) {
  const std::string_view value = node.attribute(N(attribute)).value();
  if (value == N(on)) return true;
  if (value == N(off)) return false;
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
pugi::xml_node Drawing(pugi::xml_node style) {
  return style.child(N(Tag::Graphics)).child(N(Tag::Paint)).child(N(Tag::Drawing));
}
pugi::xml_node Pattern(pugi::xml_node style) {
  return style.child(N(Tag::Patterns)).child(N(Tag::Reference));
}

std::vector<std::string> Words(std::string_view list, Tag none) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < list.size()) {
    const size_t end = std::min(list.find(' ', at), list.size());
    if (end > at && list.substr(at, end - at) != N(none)) words.emplace_back(list.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

FontStyle ReadFontAttributes(pugi::xml_node drawing) {
  FontStyle font;
  font.family = drawing.attribute(N(Tag::Family)).value();
  font.textColor = drawing.attribute(N(Tag::TextColor)).value();
  font.backColor = drawing.attribute(N(Tag::BackColor)).value();
  font.pointSize = NumberAttribute(drawing, N(Tag::PointSize)).value_or(0);
  font.bold = NumberAttribute(drawing, N(Tag::Weight)).value_or(1) >= 2;
  font.italic = std::string_view(drawing.attribute(N(Tag::Slant)).value()) == N(Tag::Italic);
  font.effects = Words(drawing.attribute(N(Tag::Effects)).value(), Tag::None);
  font.decorations = Words(drawing.attribute(N(Tag::Decoration)).value(), Tag::None);
  font.boxed = IsOne(drawing, N(Tag::Boxed));
  return font;
}

std::optional<FontStyle> ReadFont(pugi::xml_node holder) {
  const pugi::xml_node style = holder.child(N(Tag::FontStyle));
  if (!style) return std::nullopt;
  return ReadFontAttributes(Drawing(style));
}

std::optional<PenStyle> ReadPen(pugi::xml_node holder) {
  const pugi::xml_node style = holder.child(N(Tag::PenStyle));
  if (!style) return std::nullopt;
  const pugi::xml_node drawing = Drawing(style);
  return PenStyle{ReferenceNumber(Pattern(style).attribute(N(Tag::Pattern)).value()),
                  drawing.attribute(N(Tag::LineColor)).value(), drawing.attribute(N(Tag::Width)).value()};
}

std::optional<BrushStyle> ReadBrush(pugi::xml_node holder) {
  const pugi::xml_node style = holder.child(N(Tag::BrushStyle));
  if (!style) return std::nullopt;
  const pugi::xml_node drawing = Drawing(style);
  return BrushStyle{ReferenceNumber(Pattern(style).attribute(N(Tag::FillPattern)).value()),
                    drawing.attribute(N(Tag::Foreground)).value(),
                    drawing.attribute(N(Tag::Background)).value(), IsOne(drawing, N(Tag::Opaque))};
}

std::optional<SymbolStyle> ReadSymbol(pugi::xml_node holder) {
  const pugi::xml_node style = holder.child(N(Tag::SymbolStyle));
  if (!style) return std::nullopt;
  const pugi::xml_node drawing = Drawing(style);
  SymbolStyle symbol;
  symbol.shape = ReferenceNumber(Pattern(style).attribute(N(Tag::SymbolShape)).value());
  symbol.color = drawing.attribute(N(Tag::SymbolColor)).value();
  symbol.size = NumberAttribute(drawing, N(Tag::SymbolSize)).value_or(0);
  if (drawing.attribute(N(Tag::Image))) {
    symbol.type = SymbolStyle::Type::Image;
    symbol.image = drawing.attribute(N(Tag::Image)).value();
    symbol.keepColor = IsOne(drawing, N(Tag::KeepColor));
    symbol.keepSize = IsOne(drawing, N(Tag::KeepSize));
  } else if (drawing.attribute(N(Tag::Family))) {
    symbol.type = SymbolStyle::Type::Font;
    symbol.font = ReadFontAttributes(drawing);
    // "0 r 0 0 r 0": the rotation stands second.
    const std::string transform = drawing.attribute(N(Tag::Transform)).value();
    const size_t space = transform.find(' ');
    symbol.rotation = NumberOf(space == std::string::npos ? "" : transform.c_str() + space + 1).value_or(0);
  }
  return symbol;
}

// Styles written into an item: the border pen and the symbol and font
// directly, the pen and the brush in their wrapper.
Styles ReadStyles(pugi::xml_node item) {
  const pugi::xml_node wrapped = item.child(N(Tag::Styles));
  return Styles{ReadPen(item), ReadPen(wrapped), ReadBrush(wrapped), ReadSymbol(item), ReadFont(item)};
}

std::optional<LegendRow> ReadRow(pugi::xml_node holder) {
  const pugi::xml_node row =
      std::string_view(holder.name()) == N(Tag::Row) ? holder : holder.child(N(Tag::Row));
  if (!row) return std::nullopt;
  const pugi::xml_node text = row.child(N(Tag::RowText));
  return LegendRow{text.child_value(), static_cast<bool>(text),
                   std::string_view(row.attribute(N(Tag::Shown)).value()) == N(Tag::False)};
}

std::optional<LegendText> ReadLegendText(pugi::xml_node legend, Tag element, Tag textElement) {
  const pugi::xml_node holder = legend.child(N(element));
  if (!holder) return std::nullopt;
  const pugi::xml_node text = holder.child(N(textElement));
  return LegendText{text.child_value(), static_cast<bool>(text), ReadFont(holder)};
}

std::optional<Legend> ReadLegend(pugi::xml_node theme) {
  const pugi::xml_node node = theme.child(N(Tag::Legend));
  if (!node) return std::nullopt;
  Legend legend;
  legend.showCounts = Switch(node, Tag::ShowCounts, Tag::True, Tag::False);
  legend.reverse = Switch(node, Tag::Reverse, Tag::True, Tag::False);
  legend.showEmpty = Switch(node, Tag::ShowEmpty, Tag::True, Tag::False);
  legend.frame = Switch(node, Tag::Frame, Tag::True, Tag::False);
  legend.portrait = Switch(node, Tag::Orientation, Tag::Portrait, Tag::Landscape);
  legend.hidden =
      std::string_view(node.child(N(Tag::Visibility)).child_value(N(Tag::VisibleState))) == N(Tag::False);
  legend.title = ReadLegendText(node, Tag::Title, Tag::TitleText);
  legend.subtitle = ReadLegendText(node, Tag::Subtitle, Tag::SubtitleText);
  legend.rowFont = ReadFont(node.child(N(Tag::RowFont)));
  return legend;
}

// An expression element's text as written: its reference's source without
// the word of its kind.
std::string ExpressionText(pugi::xml_node expression) {
  const std::string source = expression.child(N(Tag::Reference)).attribute(N(Tag::Source)).value();
  const std::string prefix = std::string(N(Tag::Expr)) + " ";
  return source.rfind(prefix, 0) == 0 ? source.substr(prefix.size()) : source;
}

std::optional<Measure> ReadMeasure(pugi::xml_node holder) {
  const pugi::xml_node measure = holder.child(N(Tag::Measure));
  if (!measure) return std::nullopt;
  return Measure{NumberOf(measure.child_value()).value_or(0), measure.attribute(N(Tag::Unit)).value()};
}

void ReadItems(pugi::xml_node theme, Theme& out) {
  for (const pugi::xml_node list : {theme.child(N(Tag::RangeItems)), theme.child(N(Tag::ValueItems)),
                                    theme.child(N(Tag::BarItems)), theme.child(N(Tag::PieItems))}) {
    for (const pugi::xml_node node : list.children()) {
      const std::string_view name = node.name();
      ThemeItem item;
      if (name == N(Tag::RangeItem)) {
        item.low = node.child(N(Tag::LowerBound)).child_value(N(Tag::Value));
        item.high = node.child(N(Tag::UpperBound)).child_value(N(Tag::Value));
      } else if (name == N(Tag::ValueItem)) {
        item.value = node.child_value(N(Tag::Value));
      } else if (name == N(Tag::BarItem) || name == N(Tag::PieItem)) {
        item.expression = ExpressionText(node.child(N(Tag::Expression)));
        out.expressions.push_back(item.expression);
      } else if (name == N(Tag::DefaultRange) || name == N(Tag::DefaultValue)) {
        item.isDefault = true;
      } else {
        continue;
      }
      item.styles = ReadStyles(node);
      // A chart item's brush stands in the item itself.
      if (!item.styles.brush) item.styles.brush = ReadBrush(node);
      item.row = ReadRow(node);
      item.color = node.child_value(N(Tag::ItemColor));
      out.items.push_back(std::move(item));
    }
  }
}

void ReadGraduated(pugi::xml_node theme, Theme& out) {
  for (const Tag tag : {Tag::FirstSymbol, Tag::SecondSymbol}) {
    const pugi::xml_node node = theme.child(N(tag));
    if (!node) continue;
    GraduatedSymbol symbol;
    symbol.symbol = ReadSymbol(node).value_or(SymbolStyle());
    symbol.small = ReadRow(node.child(N(Tag::SmallRow)));
    symbol.medium = ReadRow(node.child(N(Tag::MediumRow)));
    symbol.large = ReadRow(node.child(N(Tag::LargeRow)));
    out.symbols.push_back(std::move(symbol));
  }
}

void ReadSizes(pugi::xml_node theme, Theme& out) {
  if (const pugi::xml_node method = theme.child(N(Tag::Method)).first_child()) {
    const std::string_view name = method.name();
    out.method = name == N(Tag::ProportionalMethod) ? N(Tag::Proportional)
                 : name == N(Tag::NormalizedMethod) ? N(Tag::Normalized)
                                                    : N(Tag::Constant);
    out.methodText = method.attribute(N(Tag::Label)).value();
  }
  const pugi::xml_node valueSize = theme.child(N(Tag::ValueSize));
  if (const pugi::xml_node reference = valueSize.child(N(Tag::ReferenceValue)))
    out.reference = NumberOf(reference.child_value());
  out.size = ReadMeasure(valueSize.child(N(Tag::Extent)));
  out.secondSize = ReadMeasure(theme.child(N(Tag::SecondSize)));
}

Theme ReadTheme(pugi::xml_node node, ThemeKind kind) {
  Theme theme;
  theme.kind = kind;
  theme.visible = !node.attribute(N(Tag::Visible)) || IsOne(node, N(Tag::Visible));
  for (const pugi::xml_node expression : node.children(N(Tag::Expression)))
    theme.expressions.push_back(ExpressionText(expression));
  theme.missing = node.child(N(Tag::MissingValue)).child_value(N(Tag::ValueText));
  const pugi::xml_node settings = node.child(N(Tag::ItemSettings));
  theme.applyTo = settings.child_value(N(Tag::ApplyTo));
  theme.spreading = settings.child_value(N(Tag::Spreading));
  theme.variant = settings.child_value(N(Tag::SpreadVariant));
  if (const pugi::xml_node reference = settings.child(N(Tag::ReferenceValue)))
    theme.reference = NumberOf(reference.child_value());
  if (const pugi::xml_node defaults = node.child(N(Tag::DefaultStyles)))
    theme.defaultStyles = ReadStyles(defaults);
  ReadItems(node, theme);
  ReadSizes(node, theme);
  if (!theme.reference)
    if (const pugi::xml_node reference = node.child(N(Tag::ValueSize)).child(N(Tag::ReferenceValue)))
      theme.reference = NumberOf(reference.child_value());
  theme.stacked = static_cast<bool>(node.child(N(Tag::BarHead)).child(N(Tag::StackedBars)));
  const pugi::xml_node pie = node.child(N(Tag::PieHead));
  if (pie) {
    theme.startAngle = NumberOf(pie.child_value(N(Tag::StartAngle)));
    theme.sweep = NumberOf(pie.child_value(N(Tag::Sweep)));
  }
  theme.outline = ReadPen(node.child(N(Tag::ChartPen)));
  theme.fill = ReadBrush(node.child(N(Tag::ChartBrush)));
  theme.horizontal = node.child(N(Tag::Placement)).child_value(N(Tag::Horizontal));
  theme.vertical = node.child(N(Tag::Placement)).child_value(N(Tag::Vertical));
  ReadGraduated(node, theme);
  theme.symbol = ReadSymbol(node.child(N(Tag::ThemeSymbol)));
  theme.symbolValue = node.child_value(N(Tag::SymbolValue));
  for (const pugi::xml_node row : node.children(N(Tag::Row)))
    if (std::optional<LegendRow> read = ReadRow(row)) theme.rows.push_back(std::move(*read));
  theme.legend = ReadLegend(node);
  return theme;
}

std::optional<ThemeKind> KindOf(std::string_view name) {
  const std::pair<Tag, ThemeKind> kinds[] = {
      {Tag::RangeTheme, ThemeKind::Range},         {Tag::ValueTheme, ThemeKind::Value},
      {Tag::BarTheme, ThemeKind::BarChart},        {Tag::PieTheme, ThemeKind::PieChart},
      {Tag::GraduatedTheme, ThemeKind::Graduated}, {Tag::SymbolTheme, ThemeKind::SingleSymbol}};
  for (const auto& [tag, kind] : kinds)
    if (name == N(tag)) return kind;
  return std::nullopt;
}

Layer ReadLayer(pugi::xml_node node) {
  Layer layer;
  layer.position = static_cast<int>(NumberAttribute(node, N(Tag::Position)).value_or(0));
  layer.name = node.attribute(N(Tag::Name)).value();
  for (const pugi::xml_node label : node.child(N(Tag::Labels)).children(N(Tag::LabelExpression)))
    layer.labels.emplace_back(label.child_value());
  layer.colorList = static_cast<bool>(node.child(N(Tag::ColorList)));
  for (const pugi::xml_node theme : node.child(N(Tag::Themes)).children())
    if (const std::optional<ThemeKind> kind = KindOf(theme.name()))
      layer.themes.push_back(ReadTheme(theme, *kind));
  return layer;
}

View ReadView(pugi::xml_node window) {
  View view;
  const auto text = [&](Tag tag) { return std::string(window.attribute(N(tag)).value()); };
  const auto number = [&](Tag tag) { return NumberAttribute(window, N(tag)); };
  view.centerX = number(Tag::CenterX);
  view.centerY = number(Tag::CenterY);
  view.smartRedraw = IsOne(window, Literal(names::kSmartRedraw).c_str());
  view.zoom = number(Tag::Zoom);
  view.zoomUnits = text(Tag::ZoomUnits);
  view.zoomLayer = text(Tag::ZoomLayer);
  view.pan = number(Tag::Pan);
  view.panUnits = text(Tag::PanUnits);
  view.panDirection = text(Tag::PanDirection);
  view.panRedraw = IsOne(window, N(Tag::PanRedraw));
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

std::optional<WindowPosition> ReadPosition(pugi::xml_node window) {
  const pugi::xml_node node = window.child(N(Tag::WindowPosition));
  if (!node) return std::nullopt;
  WindowPosition position;
  position.x = NumberAttribute(node, Literal(names::kX).c_str());
  position.y = NumberAttribute(node, Literal(names::kY).c_str());
  position.units = node.attribute(Literal(names::kUnits).c_str()).value();
  position.width = NumberAttribute(node, Literal(names::kWidth).c_str());
  position.height = NumberAttribute(node, Literal(names::kHeight).c_str());
  position.style = node.attribute(Literal(names::kStyle).c_str()).value();
  return position;
}

// A table a map window made for a repeated table: alias NAME_N beside a
// table NAME, its file that table's file or that file made unique (FILE_M).
void FindCopies(std::vector<Table>& tables) {
  std::unordered_map<std::string, const Table*> byAlias;
  for (Table& table : tables) {
    const size_t underscore = table.alias.rfind('_');
    if (underscore != std::string::npos && underscore + 1 < table.alias.size() &&
        table.alias.find_first_not_of("0123456789", underscore + 1) == std::string::npos) {
      const auto original = byAlias.find(table.alias.substr(0, underscore));
      if (original != byAlias.end()) {
        const std::string& file = original->second->file;
        const bool sameFile = table.file == file || (table.file.rfind(file + "_", 0) == 0 &&
                                                     table.file.find_first_not_of(
                                                         "0123456789", file.size() + 1) == std::string::npos);
        if (sameFile) table.copyOf = original->second->alias;
      }
    }
    byAlias.emplace(table.alias, &table);
  }
}

Workspace Read(const pugi::xml_document& document) {
  Workspace workspace;
  const pugi::xml_node root = document.child(N(Tag::Workspace));
  for (const pugi::xml_node node : root.child(N(Tag::Tables)).children(N(Tag::Table))) {
    Table table;
    table.alias = node.attribute(N(Tag::Alias)).value();
    table.file = node.attribute(N(Tag::File)).value();
    table.locked = IsOne(node, N(Tag::Locked));
    table.hidden = IsOne(node, N(Tag::Hidden));
    table.interactive = IsOne(node, N(Tag::Interactive));
    table.codepage = node.attribute(N(Tag::Codepage)).value();
    table.password = node.attribute(N(Tag::Password)).value();
    workspace.tables.push_back(std::move(table));
  }
  FindCopies(workspace.tables);
  for (const pugi::xml_node node : root.child(N(Tag::MapWindows)).children(N(Tag::MapWindow))) {
    MapWindow window;
    for (const pugi::xml_node layer : node.child(N(Tag::Layers)).children(N(Tag::Layer)))
      window.layers.push_back(ReadLayer(layer));
    window.view = ReadView(node);
    window.position = ReadPosition(node);
    workspace.mapWindows.push_back(std::move(window));
  }
  return workspace;
}

}  // namespace

std::string NumberText(double value) {
  char buffer[32];
  return std::string(buffer, WriteNumber(value, buffer));
}

const char* ThemeKindWord(ThemeKind kind) {
  switch (kind) {
    case ThemeKind::Range:
      return "range";
    case ThemeKind::Value:
      return "value";
    case ThemeKind::BarChart:
      return "bar";
    case ThemeKind::PieChart:
      return "pie";
    case ThemeKind::Graduated:
      return "graduated";
    case ThemeKind::SingleSymbol:
      return "single-symbol";
  }
  return "";
}

std::optional<Workspace> ReadWorkspace(std::string_view xml) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size())) return std::nullopt;
  return Read(document);
}

Workspace ReadWorkspace(const Result& result) {
  Workspace workspace = ReadWorkspace(result.xml).value_or(Workspace());
  // The file strings of the open tables, in the order the tables stand.
  auto mark = result.marks.begin();
  for (Table& table : workspace.tables) {
    if (!table.copyOf.empty()) continue;
    while (mark != result.marks.end() && mark->kind != Mark::Kind::TableFile) ++mark;
    if (mark == result.marks.end()) break;
    table.line = mark->line;
    table.column = mark->column;
    table.endColumn = mark->endColumn;
    ++mark;
  }
  return workspace;
}

namespace {

// The statement a Statement mark names, by its first words as written.
enum class StatementKind { OpenTable, MapWindow, SetMap, Legend, Theme, Other };

StatementKind KindOfStatement(std::string_view words) {
  std::string lower(words);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto starts = [&](std::string_view prefix) { return lower.rfind(prefix, 0) == 0; };
  if (starts("open")) return StatementKind::OpenTable;
  if (starts("map")) return StatementKind::MapWindow;
  if (starts("theme")) return StatementKind::Theme;
  if (starts("set") && lower.find("legend") != std::string::npos) return StatementKind::Legend;
  if (starts("set")) return StatementKind::SetMap;
  return StatementKind::Other;
}

// Prints nodes until maxLines lines are written, then stops the printing.
class LineLimitedWriter : public pugi::xml_writer {
 public:
  struct Full {};
  explicit LineLimitedWriter(size_t maxLines) : left_(maxLines) {}
  void write(const void* data, size_t size) override {
    const std::string_view piece(static_cast<const char*>(data), size);
    for (size_t at = 0; at < piece.size();) {
      const size_t line = piece.find('\n', at);
      const size_t end = line == std::string_view::npos ? piece.size() : line + 1;
      text.append(piece.substr(at, end - at));
      at = end;
      if (line != std::string_view::npos && --left_ == 0) throw Full{};
    }
  }
  std::string text;

 private:
  size_t left_;
};

std::string Printed(const std::vector<pugi::xml_node>& nodes, size_t maxLines) {
  LineLimitedWriter writer(maxLines);
  try {
    for (const pugi::xml_node node : nodes) node.print(writer, "  ", pugi::format_indent);
  } catch (const LineLimitedWriter::Full&) {
    writer.text += "…\n";
  }
  return writer.text;
}

pugi::xml_node LayerNamed(pugi::xml_node window, const std::string& name) {
  for (const pugi::xml_node layer : window.child(N(Tag::Layers)).children(N(Tag::Layer)))
    if (name == layer.attribute(N(Tag::Name)).value()) return layer;
  return {};
}

}  // namespace

std::string StatementFragment(const Result& result, size_t index, size_t maxLines) {
  if (index >= result.marks.size() || result.marks[index].kind != Mark::Kind::Statement || maxLines == 0)
    return {};
  pugi::xml_document document;
  if (!document.load_buffer(result.xml.data(), result.xml.size())) return {};
  const pugi::xml_node root = document.child(N(Tag::Workspace));
  // The marks of a statement's parts come before its own: those after the
  // statement before it are this one's.
  size_t first = index;
  while (first > 0 && result.marks[first - 1].kind != Mark::Kind::Statement) --first;
  // The window a statement works on is the newest one made before it; a
  // thematic statement's theme is its layer's themes counted so far.
  int windows = 0;
  std::unordered_map<std::string, size_t> themesOfLayer;
  std::string layerOfTheme;
  for (size_t i = 0, partsFrom = 0; i <= index; ++i) {
    const Mark& mark = result.marks[i];
    if (mark.kind != Mark::Kind::Statement) continue;
    const StatementKind kind = KindOfStatement(mark.name);
    if (kind == StatementKind::MapWindow) {
      ++windows;
      themesOfLayer.clear();
    } else if (kind == StatementKind::Theme) {
      for (size_t part = partsFrom; part < i; ++part)
        if (result.marks[part].kind == Mark::Kind::LayerNumber) {
          layerOfTheme = result.marks[part].name;
          ++themesOfLayer[layerOfTheme];
          break;
        }
    }
    partsFrom = i + 1;
  }
  std::vector<pugi::xml_node> nodes;
  pugi::xml_node window;
  int number = 0;
  for (const pugi::xml_node node : root.child(N(Tag::MapWindows)).children(N(Tag::MapWindow)))
    if (++number == windows) window = node;
  switch (KindOfStatement(result.marks[index].name)) {
    case StatementKind::OpenTable:
      for (size_t part = first; part < index; ++part)
        if (result.marks[part].kind == Mark::Kind::TableAlias ||
            result.marks[part].kind == Mark::Kind::TableFile) {
          const Mark& mark = result.marks[part];
          const char* attribute = N(mark.kind == Mark::Kind::TableAlias ? Tag::Alias : Tag::File);
          for (const pugi::xml_node table : root.child(N(Tag::Tables)).children(N(Tag::Table)))
            if (mark.name == table.attribute(attribute).value()) nodes.assign(1, table);
        }
      break;
    case StatementKind::MapWindow:
    case StatementKind::SetMap:
      if (window) nodes.push_back(window);
      break;
    case StatementKind::Theme: {
      const pugi::xml_node themes = LayerNamed(window, layerOfTheme).child(N(Tag::Themes));
      size_t count = 0;
      for (const pugi::xml_node theme : themes.children())
        if (++count == themesOfLayer[layerOfTheme]) nodes.push_back(theme);
      break;
    }
    case StatementKind::Legend:
      for (size_t part = first; part < index; ++part)
        if (result.marks[part].kind == Mark::Kind::LayerNumber) {
          const pugi::xml_node layer = LayerNamed(window, result.marks[part].name);
          if (layer && std::find(nodes.begin(), nodes.end(), layer) == nodes.end()) nodes.push_back(layer);
        }
      break;
    case StatementKind::Other:
      break;
  }
  return Printed(nodes, maxLines);
}

}  // namespace brevan
