// The read model of a translated document for Python: typed, read-only
// objects, and records for tables of data (pandas.DataFrame(records)).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "brevan/workspace.h"

namespace py = pybind11;

namespace {

// One dict per table, layer or theme, each carrying where it stands.
py::list Records(const brevan::Workspace& workspace, const std::string& what) {
  py::list records;
  if (what == "tables") {
    for (const brevan::Table& t : workspace.tables)
      records.append(py::dict(py::arg("alias") = t.alias, py::arg("file") = t.file,
                              py::arg("copy_of") = t.copyOf, py::arg("line") = t.origin.statement.line,
                              py::arg("locked") = t.locked, py::arg("hidden") = t.hidden,
                              py::arg("codepage") = t.codepage));
    return records;
  }
  if (what != "layers" && what != "themes")
    throw py::value_error("to_records takes \"tables\", \"layers\" or \"themes\", not \"" + what + "\"");
  for (size_t w = 0; w < workspace.mapWindows.size(); ++w) {
    for (const brevan::Layer& layer : workspace.mapWindows[w].layers) {
      if (what == "layers") {
        records.append(py::dict(py::arg("window") = w + 1, py::arg("position") = layer.position,
                                py::arg("name") = layer.name, py::arg("labels") = layer.labels.size(),
                                py::arg("themes") = layer.themes.size(),
                                py::arg("color_list") = layer.colorList));
        continue;
      }
      for (const brevan::Theme& theme : layer.themes) {
        std::string by;
        for (const std::string& expression : theme.expressions) by += (by.empty() ? "" : ", ") + expression;
        records.append(py::dict(py::arg("window") = w + 1, py::arg("layer") = layer.name,
                                py::arg("kind") = brevan::ThemeKindWord(theme.kind),
                                py::arg("expressions") = by, py::arg("items") = theme.items.size(),
                                py::arg("title") = theme.legend && theme.legend->title
                                                       ? theme.legend->title->text
                                                       : std::string()));
      }
    }
  }
  return records;
}

}  // namespace

// A word of a closed set, None when unset.
template <typename Value>
py::object WordOrNone(Value value) {
  const char* word = brevan::Word(value);
  return *word == '\0' ? py::object(py::none()) : py::object(py::str(word));
}

void BindWorkspace(py::module_& m) {
  using namespace brevan;
  py::enum_<ThemeKind>(m, "ThemeKind", "The kinds of theme.")
      .value("RANGE", ThemeKind::Range)
      .value("BAR_CHART", ThemeKind::BarChart)
      .value("PIE_CHART", ThemeKind::PieChart)
      .value("GRADUATED", ThemeKind::Graduated)
      .value("SINGLE_SYMBOL", ThemeKind::SingleSymbol)
      .value("VALUE", ThemeKind::Value);
  py::class_<Span>(m, "Span",
                   "Tokens of the text: from line:column to just past end_line:end_column (1-based).")
      .def_readonly("line", &Span::line)
      .def_readonly("column", &Span::column)
      .def_readonly("end_line", &Span::endLine)
      .def_readonly("end_column", &Span::endColumn)
      .def("__repr__", [](const Span& span) {
        return "<Span " + std::to_string(span.line) + ":" + std::to_string(span.column) + "-" +
               std::to_string(span.endLine) + ":" + std::to_string(span.endColumn) + ">";
      });
  py::class_<Origin>(m, "Origin", "The statement that made an object and, inside it, the clause.")
      .def_readonly("statement", &Origin::statement)
      .def_readonly("clause", &Origin::clause);
  py::class_<PenStyle>(m, "PenStyle")
      .def_readonly("pattern", &PenStyle::pattern)
      .def_readonly("color", &PenStyle::color)
      .def_readonly("width", &PenStyle::width);
  py::class_<BrushStyle>(m, "BrushStyle")
      .def_readonly("pattern", &BrushStyle::pattern)
      .def_readonly("foreground", &BrushStyle::foreground)
      .def_readonly("background", &BrushStyle::background)
      .def_readonly("opaque", &BrushStyle::opaque);
  py::class_<FontStyle>(m, "FontStyle")
      .def_readonly("family", &FontStyle::family)
      .def_readonly("text_color", &FontStyle::textColor)
      .def_readonly("back_color", &FontStyle::backColor)
      .def_readonly("point_size", &FontStyle::pointSize)
      .def_readonly("bold", &FontStyle::bold)
      .def_readonly("italic", &FontStyle::italic)
      .def_readonly("effects", &FontStyle::effects)
      .def_readonly("decorations", &FontStyle::decorations)
      .def_readonly("boxed", &FontStyle::boxed);
  py::class_<SymbolStyle>(m, "SymbolStyle")
      .def_readonly("shape", &SymbolStyle::shape)
      .def_readonly("color", &SymbolStyle::color)
      .def_readonly("size", &SymbolStyle::size)
      .def_readonly("rotation", &SymbolStyle::rotation)
      .def_readonly("font", &SymbolStyle::font)
      .def_readonly("image", &SymbolStyle::image);
  py::class_<Styles>(m, "Styles")
      .def_readonly("border", &Styles::border)
      .def_readonly("pen", &Styles::pen)
      .def_readonly("brush", &Styles::brush)
      .def_readonly("symbol", &Styles::symbol)
      .def_readonly("font", &Styles::font);
  py::class_<Measure>(m, "Measure")
      .def_readonly("value", &Measure::value)
      .def_readonly("unit", &Measure::unit);
  py::class_<LegendRow>(m, "LegendRow")
      .def_readonly("text", &LegendRow::text)
      .def_readonly("has_text", &LegendRow::hasText)
      .def_readonly("hidden", &LegendRow::hidden);
  py::class_<LegendText>(m, "LegendText")
      .def_readonly("text", &LegendText::text)
      .def_readonly("font", &LegendText::font);
  py::class_<Legend>(m, "Legend")
      .def_readonly("show_counts", &Legend::showCounts)
      .def_readonly("reverse", &Legend::reverse)
      .def_readonly("show_empty", &Legend::showEmpty)
      .def_readonly("frame", &Legend::frame)
      .def_readonly("portrait", &Legend::portrait)
      .def_readonly("hidden", &Legend::hidden)
      .def_readonly("title", &Legend::title)
      .def_readonly("subtitle", &Legend::subtitle)
      .def_readonly("row_font", &Legend::rowFont);
  py::class_<ThemeItem>(m, "ThemeItem")
      .def_readonly("low", &ThemeItem::low)
      .def_readonly("high", &ThemeItem::high)
      .def_readonly("value", &ThemeItem::value)
      .def_readonly("expression", &ThemeItem::expression)
      .def_readonly("is_default", &ThemeItem::isDefault)
      .def_readonly("styles", &ThemeItem::styles)
      .def_readonly("row", &ThemeItem::row)
      .def_readonly("color", &ThemeItem::color);
  py::class_<GraduatedSymbol>(m, "GraduatedSymbol")
      .def_readonly("symbol", &GraduatedSymbol::symbol)
      .def_readonly("small", &GraduatedSymbol::small)
      .def_readonly("medium", &GraduatedSymbol::medium)
      .def_readonly("large", &GraduatedSymbol::large);
  py::class_<Theme>(m, "Theme")
      .def_readonly("kind", &Theme::kind)
      .def_readonly("expressions", &Theme::expressions)
      .def_readonly("missing", &Theme::missing)
      .def_property_readonly("apply_to", [](const Theme& theme) { return WordOrNone(theme.applyTo); })
      .def_property_readonly("spreading", [](const Theme& theme) { return WordOrNone(theme.spreading); })
      .def_readonly("variant", &Theme::variant)
      .def_readonly("items", &Theme::items)
      .def_property_readonly("method", [](const Theme& theme) { return WordOrNone(theme.method); })
      .def_readonly("origin", &Theme::origin)
      .def_readonly("reference", &Theme::reference)
      .def_readonly("size", &Theme::size)
      .def_readonly("symbols", &Theme::symbols)
      .def_readonly("symbol", &Theme::symbol)
      .def_readonly("rows", &Theme::rows)
      .def_readonly("legend", &Theme::legend)
      .def("__repr__", [](const Theme& theme) {
        return std::string("<Theme ") + ThemeKindWord(theme.kind) + " of " +
               std::to_string(theme.items.size()) + " items>";
      });
  py::class_<Layer>(m, "Layer")
      .def_readonly("position", &Layer::position)
      .def_readonly("name", &Layer::name)
      .def_readonly("labels", &Layer::labels)
      .def_readonly("color_list", &Layer::colorList)
      .def_readonly("themes", &Layer::themes)
      .def_readonly("origin", &Layer::origin)
      .def("__repr__", [](const Layer& layer) {
        return "<Layer " + std::to_string(layer.position) + " " + layer.name + ">";
      });
  py::class_<View>(m, "View")
      .def_readonly("center_x", &View::centerX)
      .def_readonly("center_y", &View::centerY)
      .def_readonly("zoom", &View::zoom)
      .def_readonly("zoom_units", &View::zoomUnits)
      .def_readonly("scale_from", &View::scaleFrom)
      .def_readonly("scale_from_units", &View::scaleFromUnits)
      .def_readonly("scale_to", &View::scaleTo)
      .def_readonly("scale_to_units", &View::scaleToUnits)
      .def_readonly("distance_type", &View::distanceType)
      .def_readonly("origin", &View::origin);
  py::class_<MapWindow>(m, "MapWindow")
      .def_readonly("layers", &MapWindow::layers)
      .def_readonly("view", &MapWindow::view)
      .def_readonly("origin", &MapWindow::origin);
  py::class_<Table>(m, "Table")
      .def_readonly("alias", &Table::alias)
      .def_readonly("file", &Table::file)
      .def_readonly("copy_of", &Table::copyOf)
      .def_readonly("locked", &Table::locked)
      .def_readonly("hidden", &Table::hidden)
      .def_readonly("interactive", &Table::interactive)
      .def_readonly("codepage", &Table::codepage)
      .def_property_readonly("line", [](const Table& table) { return table.origin.statement.line; })
      .def_readonly("origin", &Table::origin)
      .def("__repr__", [](const Table& table) { return "<Table " + table.alias + " " + table.file + ">"; });
  py::class_<Statement>(m, "Statement", "A statement of the text, translated or passed over.")
      .def_property_readonly("kind", [](const Statement& s) { return StatementKindWord(s.kind); })
      .def_property_readonly("line", [](const Statement& s) { return s.span.line; })
      .def_property_readonly("column", [](const Statement& s) { return s.span.column; })
      .def_property_readonly("end_line", [](const Statement& s) { return s.span.endLine; })
      .def_readonly("span", &Statement::span)
      .def_readonly("name", &Statement::name)
      .def_readonly("failed", &Statement::failed)
      .def("__repr__", [](const Statement& s) {
        return std::string("<Statement ") + StatementKindWord(s.kind) + " " + s.name + " at line " +
               std::to_string(s.span.line) + ">";
      });
  py::class_<Workspace>(m, "Workspace", "What a translation made.")
      .def_readonly("tables", &Workspace::tables)
      .def_readonly("map_windows", &Workspace::mapWindows)
      .def_readonly("statements", &Workspace::statements)
      .def("to_records", &Records, py::arg("what") = "tables",
           "One dict per table, layer or theme (what: \"tables\", \"layers\", \"themes\"), for "
           "pandas.DataFrame(records)");
}
