// Brevan's read model: what a translated document holds, as typed objects.
//
//   brevan::Result result = brevan::TranslateFile("roads.bws");
//   brevan::Workspace workspace = brevan::ReadWorkspace(result);
//   for (const brevan::Table& table : workspace.tables) std::cout << table.alias << ' ' << table.file <<
//   '\n';
//
// This is the one place outside the translator that knows which element of
// the document holds what; the report pages, the inventory, Python and the
// language server read documents through it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brevan/brevan.h"

namespace brevan {

// Styles as the document writes them. A colour is "rgb(r,g,b)" as written,
// empty when none is given.
struct PenStyle {
  int pattern = 0;    // 1 none, 2 solid, others dashed
  std::string color;  // the line colour
  std::string width;  // "1" (pixels) or "2.5pt"
};

struct BrushStyle {
  int pattern = 0;  // 1 hollow, 2 solid, 3 to 8 hatches, others patterns
  std::string foreground;
  std::string background;
  bool opaque = false;  // whether the background is painted
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
};

// The styles of an item: a border pen, a pen, a brush, a symbol, a font.
struct Styles {
  std::optional<PenStyle> border;
  std::optional<PenStyle> pen;
  std::optional<BrushStyle> brush;
  std::optional<SymbolStyle> symbol;
  std::optional<FontStyle> font;
};

// A size in a unit: "0.75" in "inches".
struct Measure {
  double value = 0;
  std::string unit;  // inches, pixels, centimeters, … (the document's word)
};

// A legend row as the legend settings give it.
struct LegendRow {
  std::string text;
  bool hasText = false;
  bool hidden = false;  // Display Off
};

struct LegendText {
  std::string text;
  bool hasText = false;
  std::optional<FontStyle> font;
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
};

// A graduated theme's symbol with the rows of its three sizes.
struct GraduatedSymbol {
  SymbolStyle symbol;
  std::optional<LegendRow> small;
  std::optional<LegendRow> medium;
  std::optional<LegendRow> large;
};

enum class ThemeKind { Range, Value, BarChart, PieChart, Graduated, SingleSymbol };

// A theme kind in one word: "range", "value", "bar", "pie", "graduated", "single-symbol".
const char* ThemeKindWord(ThemeKind kind);

struct Theme {
  ThemeKind kind = ThemeKind::Range;
  std::vector<std::string> expressions;  // as written (a chart's: those of its items)
  std::string missing;                   // the value that stands for no data
  bool visible = true;
  // Range and value themes.
  std::string applyTo;    // "all", "color", "size"
  std::string spreading;  // "uniform", "hue", "graded"
  std::string variant;    // the spreading variant: "rgb", "hsv", "linear", …
  std::optional<Styles> defaultStyles;
  std::vector<ThemeItem> items;  // range, value and chart items, the default item last
  // Charts and graduated themes.
  std::string method;  // "constant", "proportional", "normalized"
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
};

struct Layer {
  int position = 0;  // 1, 2, 3 … in its window
  std::string name;  // also the alias of its table
  std::vector<std::string> labels;
  bool colorList = false;  // colour-coded (Colors)
  std::vector<Theme> themes;
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
  std::string preserve;  // "Scale", "Zoom"
  std::string display;   // "Scale", "Zoom", "Location"
  std::string layerOrder;
  std::string coordinateUnits;
  std::string areaUnits;
  std::optional<bool> areaProjected;
  std::string distanceType;
  std::string distanceUnits;
  std::optional<bool> redraw;
};

struct WindowPosition {
  std::optional<double> x, y;
  std::string units;
  std::optional<double> width, height;
  std::string style;  // "min", "max"
};

struct MapWindow {
  std::vector<Layer> layers;
  View view;
  std::optional<WindowPosition> position;
};

struct Table {
  std::string alias;
  std::string file;  // as written
  // For a table copy that a map window made for a repeated table: the
  // alias of the table it copies; empty otherwise.
  std::string copyOf;
  bool locked = false;
  bool hidden = false;
  bool interactive = false;
  std::string codepage;
  std::string password;
  int line = 0;    // of its open-table statement (ReadWorkspace of a result); 0 when not known
  int column = 0;  // of its file string
  int endColumn = 0;
};

struct Workspace {
  std::vector<Table> tables;
  std::vector<MapWindow> mapWindows;
};

// A number as the document writes numbers: the fewest digits that read
// back, plain from one millionth to 10^21 (100000, 0.25), exponent form
// outside (1e+21).
std::string NumberText(double value);

// The read model of a document as brevan writes it (UTF-8 XML); nothing
// when it cannot be parsed.
std::optional<Workspace> ReadWorkspace(std::string_view xml);

// The same for a translation's document (result.xml, as it stood also after
// a failure), with each table's place in the text; empty when there is
// no document.
Workspace ReadWorkspace(const Result& result);

// What the translated statement of result.marks[index] (a Statement mark)
// made or changed in the document (result.xml), as indented XML of at most
// maxLines lines (then "…"): an open-table statement's table, a map-window
// statement's window, the window a set-map statement set, the theme a
// thematic statement added, the layers a legend statement gave legends.
// Empty when there is no such element.
std::string StatementFragment(const Result& result, size_t index, size_t maxLines = 40);

}  // namespace brevan
