// Brevan's read model: what a translation made, as typed objects, each with
// the place in the text of the statement and clause that made it.
//
//   brevan::Result result = brevan::TranslateFile("roads.bws");
//   for (const brevan::Table& table : result.workspace.tables)
//     std::cout << table.alias << ' ' << table.file << " (line " << table.origin.statement.line << ")\n";
//   for (const brevan::Statement& statement : result.workspace.statements)
//     std::cout << brevan::StatementKindWord(statement.kind) << ' ' << statement.name << '\n';
//
// The translation fills it from the document it built; the report pages,
// the inventory, Python and the language server read workspaces through it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevan {

// Tokens of the text: from the first's line and column (1-based) to just
// past the last's; all 0 when not known.
struct Span {
  int line = 0;
  int column = 0;
  int endLine = 0;
  int endColumn = 0;

  bool operator==(const Span&) const = default;
};

// Where an object comes from: the statement that made it and, inside it,
// the clause.
struct Origin {
  Span statement;
  Span clause;

  bool operator==(const Origin&) const = default;
};

// Styles as the document writes them. A colour is "rgb(r,g,b)" as written,
// empty when none is given.
struct PenStyle {
  int pattern = 0;    // 1 none, 2 solid, others dashed
  std::string color;  // the line colour
  std::string width;  // "1" (pixels) or "2.5pt"

  bool operator==(const PenStyle&) const = default;
};

struct BrushStyle {
  int pattern = 0;  // 1 hollow, 2 solid, 3 to 8 hatches, others patterns
  std::string foreground;
  std::string background;
  bool opaque = false;  // whether the background is painted

  bool operator==(const BrushStyle&) const = default;
};

struct FontStyle {
  std::string family;
  std::string textColor;
  std::string backColor;
  double pointSize = 0;
  bool bold = false;
  bool italic = false;
  std::vector<std::string> effects;      // "shadow", "caps", "halo"
  std::vector<std::string> decorations;  // "overline", "expanded", "underline", "strikeout"
  bool boxed = false;                    // drawn on its background colour

  bool operator==(const FontStyle&) const = default;
};

struct SymbolStyle {
  enum class Type { Vector, Font, Image };
  Type type = Type::Vector;
  int shape = 0;  // the glyph
  std::string color;
  double size = 0;                // points
  double rotation = 0;            // font symbols: tenths of a degree
  std::optional<FontStyle> font;  // font symbols
  std::string image;              // image symbols: the file
  bool keepColor = false;         // image symbols
  bool keepSize = false;

  bool operator==(const SymbolStyle&) const = default;
};

// The styles of an item: a border pen, a pen, a brush, a symbol, a font.
struct Styles {
  std::optional<PenStyle> border;
  std::optional<PenStyle> pen;
  std::optional<BrushStyle> brush;
  std::optional<SymbolStyle> symbol;
  std::optional<FontStyle> font;

  bool operator==(const Styles&) const = default;
};

// A size in a unit: "0.75" in "inches".
struct Measure {
  double value = 0;
  std::string unit;  // inches, pixels, centimeters, … (the document's word)

  bool operator==(const Measure&) const = default;
};

// A legend row as the legend settings give it.
struct LegendRow {
  std::string text;
  bool hasText = false;
  bool hidden = false;  // Display Off

  bool operator==(const LegendRow&) const = default;
};

struct LegendText {
  std::string text;
  bool hasText = false;
  std::optional<FontStyle> font;

  bool operator==(const LegendText&) const = default;
};

// A theme's legend: its switches as given (unset when not), title,
// subtitle, the font of its rows.
struct Legend {
  std::optional<bool> showCounts;
  std::optional<bool> reverse;
  std::optional<bool> showEmpty;
  std::optional<bool> frame;
  std::optional<bool> portrait;
  bool hidden = false;  // Display Off
  std::optional<LegendText> title;
  std::optional<LegendText> subtitle;
  std::optional<FontStyle> rowFont;
  Origin origin;  // the legend-settings statement; its clause: the layer clause

  bool operator==(const Legend&) const = default;
};

// One item of a theme.
struct ThemeItem {
  std::string low;         // a range's lower bound, as written
  std::string high;        // and its upper bound
  std::string value;       // a value item's value
  std::string expression;  // a chart item's expression
  bool isDefault = false;  // the item for all other values
  Styles styles;
  std::optional<LegendRow> row;
  std::string color;  // the colour a legend block gives it

  bool operator==(const ThemeItem&) const = default;
};

// A graduated theme's symbol with the rows of its three sizes.
struct GraduatedSymbol {
  SymbolStyle symbol;
  std::optional<LegendRow> small;
  std::optional<LegendRow> medium;
  std::optional<LegendRow> large;

  bool operator==(const GraduatedSymbol&) const = default;
};

// The kinds of theme, in the order the translator numbers them.
enum class ThemeKind { Range, BarChart, PieChart, Graduated, SingleSymbol, Value };
inline constexpr size_t kThemeKindCount = 6;

// A theme kind in one word: "range", "bar", "pie", "graduated", "single-symbol", "value".
const char* ThemeKindWord(ThemeKind kind);
// What people call it: "Range theme", "Bar chart", … "Value theme".
const char* ThemeKindName(ThemeKind kind);

// The closed sets of words a theme's settings take (Unset: not given).
enum class ApplyTo { Unset, All, Color, Size };
enum class Spreading { Unset, Uniform, Hue, Graded };
enum class SizeMethod { Unset, Constant, Proportional, Normalized };
// The words of these settings as the document writes them; "" for Unset.
const char* Word(ApplyTo value);
const char* Word(Spreading value);
const char* Word(SizeMethod value);

struct Theme {
  ThemeKind kind = ThemeKind::Range;
  std::vector<std::string> expressions;  // as written (a chart's: those of its items)
  std::string missing;                   // the value that stands for no data
  bool visible = true;
  // Range and value themes.
  ApplyTo applyTo = ApplyTo::Unset;
  Spreading spreading = Spreading::Unset;
  std::string variant;  // the spreading variant: "rgb", "hsv", "linear", … or the spreading's word
  std::optional<Styles> defaultStyles;
  std::vector<ThemeItem> items;  // range, value and chart items, the default item last
  // Charts and graduated themes.
  SizeMethod method = SizeMethod::Unset;
  std::string methodText;
  std::optional<double> reference;  // the reference value
  std::optional<Measure> size;      // the size at the reference value
  std::optional<Measure> secondSize;
  bool stacked = false;  // bar charts
  std::optional<double> startAngle;
  std::optional<double> sweep;  // pie charts: ±360, ±180 (negative: clockwise)
  std::optional<PenStyle> outline;
  std::optional<BrushStyle> fill;
  std::string horizontal;  // placement: "left", "right", "middle"
  std::string vertical;    // "above", "below", "middle"
  // Graduated themes.
  std::vector<GraduatedSymbol> symbols;  // the first, then the second
  // Single-symbol themes.
  std::optional<SymbolStyle> symbol;
  std::string symbolValue;
  std::vector<LegendRow> rows;
  std::optional<Legend> legend;
  Origin origin;  // the thematic statement; its clause: the layer identifier

  bool operator==(const Theme&) const = default;
};

struct Layer {
  int position = 0;  // 1, 2, 3 … in its window
  std::string name;  // also the alias of its table
  std::vector<std::string> labels;
  bool colorList = false;  // colour-coded (Colors)
  std::vector<Theme> themes;
  Origin origin;  // the map-window statement; its clause: the table name
};

// The view of a map window, as its set-map statements leave it; unset
// what none set.
struct View {
  std::optional<double> centerX, centerY;
  bool smartRedraw = false;
  std::optional<double> zoom;
  std::string zoomUnits;
  std::string zoomLayer;
  std::optional<double> pan;
  std::string panUnits, panDirection;
  bool panRedraw = false;
  std::optional<double> scaleFrom, scaleTo;
  std::string scaleFromUnits, scaleToUnits;
  std::string preserve;  // what a resize keeps, as written: "Scale", "Zoom"
  std::string display;   // what the window shows, as written: "Scale", "Zoom", "Position"
  std::string layerOrder;
  std::string coordinateUnits;
  std::string areaUnits;
  std::optional<bool> areaProjected;
  std::string distanceType;
  std::string distanceUnits;
  std::optional<bool> redraw;
  Origin origin;  // the last set-map statement on the window; unset when none
};

struct WindowPosition {
  std::optional<double> x, y;
  std::string units;
  std::optional<double> width, height;
  enum class Style { Normal, Minimized, Maximized };
  Style style = Style::Normal;
};

struct MapWindow {
  std::vector<Layer> layers;
  View view;
  std::optional<WindowPosition> position;
  Origin origin;  // the map-window statement
};

struct Table {
  std::string alias;
  std::string file;  // as written (rewritten when Options::rewritePaths says so)
  // For a table copy that a map window made for a repeated table: the
  // alias of the table it copies; empty otherwise.
  std::string copyOf;
  bool locked = false;
  bool hidden = false;
  bool interactive = false;
  std::string codepage;
  std::string password;
  // The open-table statement and its file string; for a copy, the
  // map-window statement and the table name that made it.
  Origin origin;
};

// The statements of a workspace as the translation dispatched them.
enum class StatementKind { OpenTable, MapWindow, SetMap, Thematic, LegendSettings, PassedOver };
// "open_table", "map_window", "set_map", "thematic", "legend_settings", "passed_over".
const char* StatementKindWord(StatementKind kind);

// An object of the model a statement made or changed: indexes into
// Workspace::tables, Workspace::mapWindows, a window's layers and a layer's
// themes (from 0; -1 where it does not apply).
struct ObjectRef {
  enum class Kind { Table, MapWindow, Layer, Theme, Legend };
  Kind kind = Kind::Table;
  int table = -1;
  int window = -1;
  int layer = -1;
  int theme = -1;
  bool changed = false;  // set or amended by the statement, made by an earlier one
};

struct Statement {
  StatementKind kind = StatementKind::PassedOver;
  Span span;  // from its first token to its last (a passed-over statement: its first token)
  // Its first words as written: "Open Table", "Map From", "Set Map", "Set
  // Legend", "Theme 1"; for one passed over its leading words ("Create Map
  // Legend"), by which such statements are counted.
  std::string name;
  bool failed = false;  // stopped by an error: what it made before stays
  std::vector<ObjectRef> objects;
};

struct Workspace {
  std::vector<Table> tables;
  std::vector<MapWindow> mapWindows;
  // Every statement in the order of the text, translated or passed over.
  std::vector<Statement> statements;

  // Layers and themes over every map window.
  size_t LayerCount() const;
  size_t ThemeCount() const;
  // The object a reference names; null when it names none.
  const Table* TableOf(const ObjectRef& ref) const;
  const MapWindow* WindowOf(const ObjectRef& ref) const;
  const Layer* LayerOf(const ObjectRef& ref) const;
  const Theme* ThemeOf(const ObjectRef& ref) const;
  // The table of that alias (the first opened); null when none.
  const Table* TableNamed(std::string_view alias) const;
};

}  // namespace brevan
