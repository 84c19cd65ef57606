// Report pages: a translated document drawn as HTML from the read model,
// with inline SVG legend previews (api/html_drawing.cpp). Only the public
// API is used here, so a page shows what a reader of the document finds.
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "api/html_drawing.h"
#include "brevan/report.h"
#include "brevan/workspace.h"

namespace brevan {

namespace {

using html::Escape;

// The page being written, and the swatches it draws.
struct Page {
  std::string html;
  html::Drawing drawing;

  void Add(std::string_view text) { html += text; }
  void Text(std::string_view text) { html += Escape(text); }
};

// A number as the page shows it: the shortest text that reads back.
std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

const char* OnOff(bool value) { return value ? "on" : "off"; }

// Settings as a list of terms: only those given.
class Settings {
 public:
  void Add(std::string_view term, const std::string& value) {
    if (!value.empty()) items_ += "<dt>" + Escape(term) + "</dt><dd>" + Escape(value) + "</dd>";
  }
  void Write(Page& page) const {
    if (!items_.empty()) page.Add("<dl class=\"settings\">" + items_ + "</dl>");
  }

 private:
  std::string items_;
};

// A font in words: "Serif, 11 pt, bold italic".
std::string FontWords(const FontStyle& font) {
  std::string text = font.family;
  if (font.pointSize > 0) text += ", " + Number(font.pointSize) + " pt";
  if (font.bold) text += ", bold";
  if (font.italic) text += font.bold ? " italic" : ", italic";
  return text;
}

// One legend row: the swatch and the row text, with what the row stands for.
void WriteRow(Page& page, const Styles& styles, const std::string& text, const std::string& stands,
              bool hidden = false) {
  page.Add(std::string("<li class=\"row") + (hidden ? " hidden-row" : "") + "\">");
  page.Add(page.drawing.Swatch(styles, text));
  page.Add("<span class=\"row-text\">");
  page.Text(text.empty() ? stands : text);
  page.Add("</span>");
  if (!stands.empty() && !text.empty()) page.Add("<span class=\"stands\">" + Escape(stands) + "</span>");
  if (hidden) page.Add("<span class=\"stands\">not shown</span>");
  page.Add("</li>");
}

std::string RowText(const std::optional<LegendRow>& row) { return row ? row->text : std::string(); }
bool RowHidden(const std::optional<LegendRow>& row) { return row && row->hidden; }

// What a kind of theme is called, and the word of its data-kind.
const char* KindName(ThemeKind kind) {
  switch (kind) {
    case ThemeKind::Range:
      return "Range theme";
    case ThemeKind::Value:
      return "Value theme";
    case ThemeKind::BarChart:
      return "Bar chart";
    case ThemeKind::PieChart:
      return "Pie chart";
    case ThemeKind::Graduated:
      return "Graduated symbols";
    case ThemeKind::SingleSymbol:
      return "Single symbol";
  }
  return "Theme";
}

// The legend settings of a theme: title and subtitle with their fonts, and the switches.
void LegendSettings(Page& page, const Legend& legend) {
  page.Add("<div class=\"legend-settings\">");
  for (const auto* text : {&legend.title, &legend.subtitle}) {
    if (!*text) continue;
    page.Add(text == &legend.title ? "<p class=\"legend-title\"><strong>" : "<p class=\"legend-subtitle\">");
    page.Text((*text)->text);
    if (text == &legend.title) page.Add("</strong>");
    if ((*text)->font) page.Add(" <span class=\"font\">" + Escape(FontWords(*(*text)->font)) + "</span>");
    page.Add("</p>");
  }
  Settings settings;
  const std::pair<const char*, const std::optional<bool>*> switches[] = {{"Counts", &legend.showCounts},
                                                                         {"Reverse order", &legend.reverse},
                                                                         {"Empty ranges", &legend.showEmpty},
                                                                         {"Frame", &legend.frame}};
  for (const auto& [term, value] : switches)
    if (*value) settings.Add(term, OnOff(**value));
  if (legend.portrait) settings.Add("Orientation", *legend.portrait ? "portrait" : "landscape");
  if (legend.hidden) settings.Add("Shown", "off");
  if (legend.rowFont) settings.Add("Row font", FontWords(*legend.rowFont));
  settings.Write(page);
  page.Add("</div>");
}

// What an item stands for: its bounds, its value, its expression, or all others.
std::string Stands(const ThemeItem& item) {
  if (item.isDefault) return "all others";
  if (!item.expression.empty()) return item.expression;
  if (!item.value.empty()) return item.value;
  return item.low + " – " + item.high;
}

// A theme: its kind and expression, its legend settings, a legend preview
// and its other settings, folded.
void WriteTheme(Page& page, const Theme& theme) {
  page.Add(std::string("<section class=\"theme\" data-kind=\"") + ThemeKindWord(theme.kind) + "\"><h4>" +
           KindName(theme.kind));
  if (!theme.expressions.empty() && theme.kind != ThemeKind::BarChart && theme.kind != ThemeKind::PieChart) {
    std::string by;
    for (const std::string& expression : theme.expressions) by += (by.empty() ? "" : ", ") + expression;
    page.Add(" by <span class=\"expression\">" + Escape(by) + "</span>");
  }
  page.Add("</h4>");
  page.Add("<figure class=\"legend\"><figcaption>Legend preview</figcaption>");
  if (theme.legend) LegendSettings(page, *theme.legend);
  page.Add("<ul class=\"rows\">");
  switch (theme.kind) {
    case ThemeKind::Range:
    case ThemeKind::Value:
      for (const ThemeItem& item : theme.items)
        WriteRow(page, item.styles, RowText(item.row), Stands(item), RowHidden(item.row));
      break;
    case ThemeKind::BarChart:
    case ThemeKind::PieChart:
      page.Add("<li class=\"chart\">" +
               page.drawing.Chart(theme.items, theme.kind == ThemeKind::PieChart, theme.stacked) + "</li>");
      for (const ThemeItem& item : theme.items) {
        Styles brush;
        brush.brush = item.styles.brush;
        WriteRow(page, brush, RowText(item.row), item.expression, RowHidden(item.row));
      }
      break;
    case ThemeKind::Graduated:
      for (const GraduatedSymbol& symbol : theme.symbols) {
        double scale = 0.35;
        for (const auto& [size, row] :
             {std::pair("small", &symbol.small), std::pair("medium", &symbol.medium),
              std::pair("large", &symbol.large)}) {
          page.Add(std::string("<li class=\"row") + (RowHidden(*row) ? " hidden-row" : "") + "\">");
          page.Add(
              page.drawing.GrowingSymbol(symbol.symbol, scale, std::string(size) + ": " + RowText(*row)));
          page.Add("<span class=\"row-text\">" + Escape(RowText(*row)) + "</span><span class=\"stands\">" +
                   size + "</span></li>");
          scale += 0.325;
        }
      }
      break;
    case ThemeKind::SingleSymbol: {
      Styles symbol;
      symbol.symbol = theme.symbol;
      for (const LegendRow& row : theme.rows) WriteRow(page, symbol, row.text, theme.symbolValue, row.hidden);
      if (theme.rows.empty()) WriteRow(page, symbol, std::string(), theme.symbolValue);  // the symbol alone
      break;
    }
  }
  page.Add("</ul></figure>");
  Settings settings;
  if (!theme.visible) settings.Add("Shown", "off");
  if (!theme.missing.empty()) settings.Add("No data", theme.missing);
  settings.Add("Applies to", theme.applyTo);
  settings.Add("Spreading", theme.spreading + (theme.variant.empty() ? "" : " (" + theme.variant + ")"));
  if (!theme.method.empty())
    settings.Add("Sizes", theme.method + (theme.methodText.empty() ? "" : ", " + theme.methodText));
  if (theme.reference) settings.Add("Reference value", Number(*theme.reference));
  if (theme.size) settings.Add("Size", Number(theme.size->value) + " " + theme.size->unit);
  if (theme.secondSize)
    settings.Add("Second size", Number(theme.secondSize->value) + " " + theme.secondSize->unit);
  if (theme.startAngle) settings.Add("Start angle", Number(*theme.startAngle) + "°");
  if (theme.sweep) settings.Add("Turning", *theme.sweep < 0 ? "clockwise" : "counter-clockwise");
  if (!theme.horizontal.empty() || !theme.vertical.empty())
    settings.Add("Placement", theme.horizontal + (theme.vertical.empty() ? "" : ", " + theme.vertical));
  std::string itemColours;
  for (size_t i = 0; i < theme.items.size(); ++i)
    if (!theme.items[i].color.empty())
      itemColours += (itemColours.empty() ? "" : ", ") + std::to_string(i + 1) + ": " + theme.items[i].color;
  settings.Add("Item colours", itemColours);
  std::string settingsHtml;
  std::swap(page.html, settingsHtml);
  settings.Write(page);
  std::swap(page.html, settingsHtml);
  if (!settingsHtml.empty())
    page.Add("<details><summary>Theme settings</summary>" + settingsHtml + "</details>");
  page.Add("</section>");
}

void WriteLayer(Page& page, const Layer& layer, const Workspace& workspace,
                const std::unordered_set<std::string>& missing) {
  page.Add("<li class=\"layer\" data-layer=\"" + Escape(layer.name) + "\"><h3><span class=\"position\">" +
           std::to_string(layer.position) + "</span> " + Escape(layer.name) + "</h3>");
  const auto table = std::find_if(workspace.tables.begin(), workspace.tables.end(),
                                  [&](const Table& t) { return t.alias == layer.name; });
  page.Add("<p class=\"table\">Table <code>" + Escape(layer.name) + "</code>");
  if (table != workspace.tables.end()) {
    page.Add(" from <code>" + Escape(table->file) + "</code>");
    if (missing.count(table->file)) page.Add(" <strong class=\"missing\">(file not found)</strong>");
  } else {
    page.Add(" (not among the open tables)");
  }
  page.Add("</p>");
  if (!layer.labels.empty()) {
    page.Add("<h4>Labels</h4><ul class=\"labels\">");
    for (const std::string& label : layer.labels) page.Add("<li><code>" + Escape(label) + "</code></li>");
    page.Add("</ul>");
  }
  if (layer.colorList) page.Add("<p class=\"note\">Colour-coded (its legend settings end here).</p>");
  for (const Theme& theme : layer.themes) WriteTheme(page, theme);
  page.Add("</li>");
}

// A map window's view as it was set, in one line.
std::string ViewWords(const View& view) {
  std::vector<std::string> parts;
  if (view.centerX)
    parts.push_back("centre (" + Number(*view.centerX) + ", " + Number(view.centerY.value_or(0)) + ")");
  if (view.zoom)
    parts.push_back("zoom " + Number(*view.zoom) + (view.zoomUnits.empty() ? "" : " " + view.zoomUnits));
  if (!view.zoomLayer.empty()) parts.push_back("zoomed to layer " + view.zoomLayer);
  if (view.scaleFrom)
    parts.push_back("scale " + Number(*view.scaleFrom) + " " + view.scaleFromUnits + " : " +
                    Number(view.scaleTo.value_or(0)) + " " + view.scaleToUnits);
  if (view.pan)
    parts.push_back("panned " + Number(*view.pan) + " " + view.panUnits + " " + view.panDirection);
  if (!view.distanceType.empty()) parts.push_back(view.distanceType + " distances");
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : ", ") + part;
  return line;
}

void WriteWindow(Page& page, const MapWindow& window, size_t number, const Workspace& workspace,
                 const std::unordered_set<std::string>& missing) {
  const std::string id = "window" + std::to_string(number);
  page.Add("<section class=\"window\" aria-labelledby=\"" + id + "\"><h2 id=\"" + id + "\">Map window " +
           std::to_string(number) + "</h2>");
  const View& view = window.view;
  Settings settings;
  settings.Add("View", ViewWords(view));
  if (view.smartRedraw || view.panRedraw) settings.Add("Smart redraw", "on");
  if (view.redraw) settings.Add("Redraw", OnOff(*view.redraw));
  settings.Add("Keeps on resize", view.preserve);
  settings.Add("Shows", view.display);
  settings.Add("Layer order", view.layerOrder);
  settings.Add("Coordinate units", view.coordinateUnits);
  settings.Add(
      "Area units",
      view.areaUnits + (view.areaProjected ? (*view.areaProjected ? ", projected" : ", on the sphere") : ""));
  settings.Add("Distance units", view.distanceUnits);
  if (window.position) {
    const WindowPosition& p = *window.position;
    std::vector<std::string> parts;
    if (p.x) parts.push_back("at (" + Number(*p.x) + ", " + Number(p.y.value_or(0)) + ") " + p.units);
    if (p.width) parts.push_back("width " + Number(*p.width));
    if (p.height) parts.push_back("height " + Number(*p.height));
    if (!p.style.empty()) parts.push_back(p.style == "min" ? "minimized" : "maximized");
    std::string where;
    for (const std::string& part : parts) where += (where.empty() ? "" : ", ") + part;
    settings.Add("Window", where);
  }
  settings.Write(page);
  page.Add("<ol class=\"layers\">");
  for (const Layer& layer : window.layers) WriteLayer(page, layer, workspace, missing);
  page.Add("</ol></section>");
}

void Diagnostics(Page& page, const Result& result) {
  page.Add(
      "<section class=\"diagnostics\" aria-labelledby=\"diagnostics\"><h2 "
      "id=\"diagnostics\">Diagnostics</h2>");
  const size_t remarks = result.Count(Severity::Remark);
  if (result.errors.empty() && result.warnings.empty() && result.skipped.empty() && remarks == 0)
    page.Add("<p>No errors, no warnings, no remarks, no statement passed over.</p>");
  const auto List = [&](const std::vector<Diagnostic>& list, const char* kind) {
    if (list.empty()) return;
    page.Add(std::string("<ul class=\"") + kind + "s\">");
    for (const Diagnostic& d : list) {
      page.Add(std::string("<li class=\"") + kind + "\"><strong>" + kind + "</strong> ");
      if (d.line > 0)
        page.Add("<span class=\"where\">line " + std::to_string(d.line) + ", column " +
                 std::to_string(d.column) + "</span> ");
      page.Text(d.message);
      for (const std::string& note : d.notes)
        page.Add("<br><span class=\"note\">note: " + Escape(note) + "</span>");
      if (!d.sourceLine.empty()) page.Add("<pre>" + Escape(d.sourceLine) + "</pre>");
      page.Add("</li>");
    }
    page.Add("</ul>");
  };
  List(result.errors, "error");
  List(result.warnings, "warning");
  if (remarks > 0) {
    std::vector<Diagnostic> list;
    for (const Diagnostic& d : result.diagnostics)
      if (d.severity == Severity::Remark) list.push_back(d);
    page.Add("<details><summary>" + std::to_string(remarks) + (remarks == 1 ? " remark" : " remarks") +
             ": what the workspace says and the document has no place for</summary>");
    List(list, "remark");
    page.Add("</details>");
  }
  if (!result.skipped.empty()) {
    page.Add("<details><summary>" + std::to_string(result.skipped.size()) +
             (result.skipped.size() == 1 ? " statement" : " statements") +
             " passed over (not translated)</summary><table class=\"skipped\"><thead><tr><th "
             "scope=\"col\">Line</th><th scope=\"col\">Statement</th></tr></thead><tbody>");
    for (const Skipped& skipped : result.skipped)
      page.Add("<tr><td>" + std::to_string(skipped.line) + "</td><td><code>" + Escape(skipped.keyword) +
               "</code></td></tr>");
    page.Add("</tbody></table></details>");
  }
  page.Add("</section>");
}

constexpr const char* kStyle = R"(
:root{color-scheme:light dark;--paper:#fdfdfb;--ink:#1d2125;--soft:#5b636b;--line:#c9ced3;--panel:#f2f4f5;--accent:#1f5f8b;--bad:#a1261c;--warn:#8a5a00;--good:#2e6b34}
@media (prefers-color-scheme:dark){:root{--paper:#15181b;--ink:#e6e8ea;--soft:#a3abb3;--line:#3b4248;--panel:#1e2328;--accent:#7fb6de;--bad:#f08b80;--warn:#e0b35c;--good:#8fcf95}}
*{box-sizing:border-box}
body{margin:0;background:var(--paper);color:var(--ink);font:15px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans",sans-serif}
header,main{max-width:68rem;margin:0 auto;padding:1.5rem 2rem}
header{border-bottom:1px solid var(--line)}
h1{font-size:1.7rem;margin:.2rem 0;word-break:break-all}
h2{font-size:1.3rem;margin:2rem 0 .6rem;padding-bottom:.3rem;border-bottom:1px solid var(--line)}
h3{font-size:1.08rem;margin:0 0 .3rem}
h4{font-size:.98rem;margin:.9rem 0 .3rem}
.kicker{margin:0;color:var(--soft);text-transform:uppercase;letter-spacing:.08em;font-size:.75rem}
.status{display:inline-block;font-weight:600;padding:.05rem .6rem;border-radius:1rem;border:1px solid currentColor}
.status.ok{color:var(--good)}.status.failed{color:var(--bad)}
.counts{display:flex;flex-wrap:wrap;gap:.3rem 1.6rem;margin:.8rem 0 0}
.counts div{display:flex;gap:.35rem;align-items:baseline}.counts dt{color:var(--soft)}.counts dd{margin:0;font-weight:600;font-variant-numeric:tabular-nums}
code,pre{font-family:ui-monospace,"SFMono-Regular",Menlo,Consolas,monospace;font-size:.9em}
pre{background:var(--panel);padding:.4rem .6rem;border-radius:4px;overflow-x:auto;margin:.3rem 0}
.errors,.warnings,.remarks{list-style:none;padding:0}
.error,.warning,.remark{border-left:4px solid;padding:.3rem .7rem;margin:.5rem 0;background:var(--panel)}
.error{border-color:var(--bad)}.warning{border-color:var(--warn)}.remark{border-color:var(--line)}
.error>strong{color:var(--bad);text-transform:uppercase;font-size:.8em}.warning>strong{color:var(--warn);text-transform:uppercase;font-size:.8em}.remark>strong{color:var(--soft);text-transform:uppercase;font-size:.8em}
.where,.note,.stands,.font{color:var(--soft)}
table{border-collapse:collapse;margin:.4rem 0}th,td{text-align:left;padding:.2rem .9rem .2rem 0;border-bottom:1px solid var(--line);vertical-align:top}
th{font-weight:600}
.layers{list-style:none;padding:0;margin:0}
.layer{border:1px solid var(--line);border-radius:6px;padding:.9rem 1.1rem;margin:.8rem 0;background:var(--paper)}
.position{display:inline-block;min-width:1.6rem;color:var(--soft);font-variant-numeric:tabular-nums}
.table{margin:0 0 .3rem;color:var(--soft)}
.theme{border-top:1px dashed var(--line);margin-top:.8rem;padding-top:.2rem}
.expression{font-weight:400;font-family:ui-monospace,Menlo,Consolas,monospace;font-size:.9em;color:var(--accent)}
.legend{margin:.3rem 0 .5rem;padding:.6rem .9rem;background:var(--panel);border-radius:6px;display:inline-block;min-width:18rem}
.legend figcaption{font-size:.75rem;text-transform:uppercase;letter-spacing:.06em;color:var(--soft)}
.legend-title,.legend-subtitle{margin:.2rem 0}
.rows{list-style:none;padding:0;margin:.3rem 0 0}
.row{display:flex;align-items:center;gap:.6rem;margin:.15rem 0}.row .stands{font-size:.85em}
.hidden-row .row-text{text-decoration:line-through}
.swatch{flex:none;overflow:visible}
.settings{display:grid;grid-template-columns:max-content 1fr;gap:.1rem 1rem;margin:.3rem 0;font-size:.9rem}
.settings dt{color:var(--soft)}.settings dd{margin:0}.settings .settings{margin:0}
details summary{cursor:pointer;color:var(--soft);font-size:.9rem;margin:.3rem 0}
a{color:var(--accent)}
@media print{body{font-size:11pt;background:#fff;color:#000}header,main{max-width:none;padding:0}.layer{break-inside:avoid}details>*{display:block}.swatch,.legend{print-color-adjust:exact;-webkit-print-color-adjust:exact}}
)";

void Head(Page& page, const std::string& title) {
  page.Add(
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
      "content=\"width=device-width,initial-scale=1\">"
      "<link rel=\"icon\" href=\"data:,\"><title>");
  page.Text(title);
  page.Add("</title><style>");
  page.Add(kStyle);
  page.Add("</style></head><body>");
}

void TablesSection(Page& page, const Workspace& workspace, const std::unordered_set<std::string>& missing) {
  if (workspace.tables.empty()) return;
  page.Add(
      "<section aria-labelledby=\"tables\"><h2 id=\"tables\">Tables</h2><table><thead><tr><th "
      "scope=\"col\">Alias</th><th scope=\"col\">File</th><th "
      "scope=\"col\">Settings</th></tr></thead><tbody>");
  for (const Table& table : workspace.tables) {
    std::vector<std::string> settings;
    if (!table.copyOf.empty()) settings.push_back("copy of " + table.copyOf);
    if (table.locked) settings.push_back("locked");
    if (table.hidden) settings.push_back("hidden");
    if (table.interactive) settings.push_back("interactive");
    if (!table.codepage.empty()) settings.push_back("code page " + table.codepage);
    if (!table.password.empty()) settings.push_back("with a password");
    if (missing.count(table.file)) settings.push_back("file not found");
    std::string text;
    for (const std::string& setting : settings) text += (text.empty() ? "" : ", ") + setting;
    page.Add(std::string("<tr") + (missing.count(table.file) ? " class=\"missing\"" : "") + "><td><code>" +
             Escape(table.alias) + "</code></td><td><code>" + Escape(table.file) + "</code></td><td>" +
             Escape(text) + "</td></tr>");
  }
  page.Add("</tbody></table></section>");
}

std::string RenderPage(const std::optional<Workspace>& workspace, const Result* result,
                       const std::string& name) {
  Page page;
  Head(page, name + " — Brevan report");
  const Workspace empty;
  const Workspace& shown = workspace ? *workspace : empty;
  size_t layers = 0, themes = 0;
  for (const MapWindow& window : shown.mapWindows) {
    layers += window.layers.size();
    for (const Layer& layer : window.layers) themes += layer.themes.size();
  }
  const bool ok = result ? result->ok : workspace.has_value();
  page.Add("<header><p class=\"kicker\">Brevan report</p><h1>");
  page.Text(name);
  page.Add("</h1><p class=\"status " + std::string(ok ? "ok\">Translated" : "failed\">Failed") +
           "</p><dl class=\"counts\">");
  const auto Count = [&](const char* what, size_t n) {
    page.Add(std::string("<div><dt>") + what + "</dt><dd>" + std::to_string(n) + "</dd></div>");
  };
  Count("map windows", shown.mapWindows.size());
  Count("layers", layers);
  Count("themes", themes);
  Count("tables", shown.tables.size());
  if (result) {
    Count("errors", result->errors.size());
    Count("warnings", result->warnings.size());
    Count("remarks", result->Count(Severity::Remark));
    Count("passed over", result->skipped.size());
  }
  page.Add("</dl></header><main>");
  if (result) Diagnostics(page, *result);
  if (!workspace) page.Add("<p>The document could not be read: nothing more to show.</p>");
  std::unordered_set<std::string> missing;
  if (result) missing.insert(result->missingFiles.begin(), result->missingFiles.end());
  TablesSection(page, shown, missing);
  size_t number = 0;
  for (const MapWindow& window : shown.mapWindows) WriteWindow(page, window, ++number, shown, missing);
  page.Add("</main></body></html>\n");
  return std::move(page.html);
}

}  // namespace

std::string RenderHtml(const Result& result, const std::string& name) {
  std::optional<Workspace> workspace;
  if (result.xml.empty() || ReadWorkspace(result.xml)) workspace = ReadWorkspace(result);
  return RenderPage(workspace, &result, name);
}

std::string RenderHtml(std::string_view xml, const std::string& name) {
  return RenderPage(ReadWorkspace(xml), nullptr, name);
}

std::string RenderHtmlIndex(const std::vector<IndexEntry>& entries, const std::string& title) {
  Page page;
  Head(page, title);
  size_t failed = 0, warnings = 0;
  for (const IndexEntry& entry : entries) {
    failed += entry.result.ok ? 0 : 1;
    warnings += entry.result.warnings.size();
  }
  page.Add("<header><p class=\"kicker\">Brevan reports</p><h1>");
  page.Text(title);
  page.Add("</h1><dl class=\"counts\"><div><dt>files</dt><dd>" + std::to_string(entries.size()) +
           "</dd></div><div><dt>failed</dt><dd>" + std::to_string(failed) +
           "</dd></div><div><dt>warnings</dt><dd>" + std::to_string(warnings) +
           "</dd></div></dl></header><main>");
  page.Add(
      "<table class=\"index\"><thead><tr><th scope=\"col\">Workspace</th><th scope=\"col\">Status</th><th "
      "scope=\"col\">Errors</th><th scope=\"col\">Warnings</th><th scope=\"col\">Passed over</th><th "
      "scope=\"col\">Diagnostics</th></tr></thead><tbody>");
  for (const IndexEntry& entry : entries) {
    const Result& r = entry.result;
    page.Add("<tr class=\"" + std::string(r.ok ? "ok" : "failed") + "\"><td>");
    if (!entry.page.empty())
      page.Add("<a href=\"" + Escape(entry.page) + "\">" + Escape(entry.name) + "</a>");
    else
      page.Text(entry.name);
    page.Add("</td><td><span class=\"status " + std::string(r.ok ? "ok\">Translated" : "failed\">Failed") +
             "</span></td><td>" + std::to_string(r.errors.size()) + "</td><td>" +
             std::to_string(r.warnings.size()) + "</td><td>" + std::to_string(r.skipped.size()) +
             "</td><td>");
    for (const auto* list : {&r.errors, &r.warnings})
      for (const Diagnostic& d : *list)
        page.Add(std::string("<div class=\"") + (list == &r.errors ? "error-line" : "warning-line") + "\">" +
                 (d.line > 0 ? "<span class=\"where\">line " + std::to_string(d.line) + ":</span> "
                             : std::string()) +
                 Escape(d.message) + "</div>");
    page.Add("</td></tr>");
  }
  page.Add("</tbody></table></main></body></html>\n");
  return std::move(page.html);
}

}  // namespace brevan
