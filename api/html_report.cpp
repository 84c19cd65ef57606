// Report pages: a translated document drawn as HTML from the read model,
// with inline SVG legend previews (api/html_drawing.cpp). Only the public
// API is used here, so a page shows what a reader of the document finds.
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "api/html_drawing.h"
#include "brevan/report.h"
#include "brevan/workspace.h"

namespace brevan {

namespace {

using html::Escape;

// More rows than this in one legend are folded after the first ones.
constexpr size_t kRowsShown = 12;
// More layers than this in one map window fold the window's list of contents.
constexpr size_t kLayersListed = 30;
// More tables than this fold the list of tables.
constexpr size_t kTablesListed = 20;

// The page being written, the swatches it draws, and the legends drawn so
// far by what they show.
struct Page {
  std::string html;
  html::Drawing drawing;
  std::unordered_map<std::string, std::string> legends;  // a preview to the theme that showed it first

  void Add(std::string_view text) { html += text; }
  void Text(std::string_view text) { html += Escape(text); }
};

// A number as people read it: as the document writes it, whole numbers of
// five digits and more in groups of three (100,000).
std::string Readable(const std::string& number) {
  const size_t start = !number.empty() && number[0] == '-' ? 1 : 0;
  const size_t digits = number.find_first_not_of("0123456789", start);
  const size_t end = digits == std::string::npos ? number.size() : digits;
  if (end - start < 5 || (digits != std::string::npos && number[digits] != '.')) return number;
  std::string grouped = number.substr(0, start);
  for (size_t i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) grouped += ',';
    grouped += number[i];
  }
  return grouped + number.substr(end);
}

std::string Readable(double value) { return Readable(NumberText(value)); }

const char* OnOff(bool value) { return value ? "on" : "off"; }

std::string Joined(const std::vector<std::string>& parts, const char* between = ", ") {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
  return text;
}

// Settings as a list of terms: only those given.
class Settings {
 public:
  void Add(std::string_view term, const std::string& value) {
    if (!value.empty()) items_ += "<dt>" + Escape(term) + "</dt><dd>" + Escape(value) + "</dd>";
  }
  std::string Html() const {
    return items_.empty() ? std::string() : "<dl class=\"settings\">" + items_ + "</dl>";
  }

 private:
  std::string items_;
};

// A font in words: "Serif, 11 pt, bold italic".
std::string FontWords(const FontStyle& font) {
  std::string text = font.family;
  if (font.pointSize > 0) text += ", " + NumberText(font.pointSize) + " pt";
  if (font.bold) text += ", bold";
  if (font.italic) text += font.bold ? " italic" : ", italic";
  return text;
}

// A style attribute that draws text in the font: its family (characters
// that could end the CSS string left out), size, weight and slant.
std::string FontStyleAttribute(const std::optional<FontStyle>& font) {
  if (!font) return std::string();
  std::string family;
  for (const char c : font->family)
    if (c != '\'' && c != '"' && c != '\\' && c != ';' && c != '<' && c != '>' && c != '&' &&
        static_cast<unsigned char>(c) >= 0x20)
      family += c;
  std::string css = "font-family:'" + family + "',sans-serif";
  if (font->pointSize > 0) css += ";font-size:" + NumberText(std::clamp(font->pointSize, 6.0, 48.0)) + "pt";
  css += font->bold ? ";font-weight:700" : ";font-weight:400";
  if (font->italic) css += ";font-style:italic";
  return " style=\"" + Escape(css) + "\"";
}

// One legend row: the swatch and the row text in the row font, with what
// the row stands for; a hidden row is struck through.
std::string Row(Page& page, const Styles& styles, const std::string& text, const std::string& stands,
                bool hidden, const std::string& font) {
  std::string row = std::string("<li class=\"row") + (hidden ? " hidden-row" : "") + "\">";
  row += page.drawing.Swatch(styles, text);
  row += "<span class=\"row-text\"" + font + ">" + Escape(text.empty() ? stands : text) + "</span>";
  if (!stands.empty() && !text.empty()) row += "<span class=\"stands\">" + Escape(stands) + "</span>";
  if (hidden) row += "<span class=\"stands\">not shown</span>";
  return row + "</li>";
}

std::string RowText(const std::optional<LegendRow>& row) { return row ? row->text : std::string(); }
bool RowHidden(const std::optional<LegendRow>& row) { return row && row->hidden; }

// What a kind of theme is called.
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

// The legend settings of a theme: title and subtitle drawn in their fonts
// and described, and the switches.
std::string LegendSettings(const Legend& legend) {
  std::string html = "<div class=\"legend-settings\">";
  for (const auto* text : {&legend.title, &legend.subtitle}) {
    if (!*text) continue;
    const bool title = text == &legend.title;
    html += title ? "<p class=\"legend-title\">" : "<p class=\"legend-subtitle\">";
    html += "<span class=\"legend-text\"" + FontStyleAttribute((*text)->font) + ">" + Escape((*text)->text) +
            "</span>";
    if ((*text)->font) html += " <span class=\"font\">" + Escape(FontWords(*(*text)->font)) + "</span>";
    html += "</p>";
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
  return html + settings.Html() + "</div>";
}

// What an item stands for: its bounds, its value, its expression, or all others.
std::string Stands(const ThemeItem& item) {
  if (item.isDefault) return "all others";
  if (!item.expression.empty()) return item.expression;
  if (!item.value.empty()) return Readable(item.value);
  return Readable(item.low) + " – " + Readable(item.high);
}

// The rows of a theme's legend preview.
std::vector<std::string> Rows(Page& page, const Theme& theme) {
  const std::string font = theme.legend ? FontStyleAttribute(theme.legend->rowFont) : std::string();
  std::vector<std::string> rows;
  switch (theme.kind) {
    case ThemeKind::Range:
    case ThemeKind::Value:
      for (const ThemeItem& item : theme.items)
        rows.push_back(Row(page, item.styles, RowText(item.row), Stands(item), RowHidden(item.row), font));
      break;
    case ThemeKind::BarChart:
    case ThemeKind::PieChart:
      if (!theme.items.empty())
        rows.push_back("<li class=\"chart\">" +
                       page.drawing.Chart(theme.items, theme.kind == ThemeKind::PieChart, theme.stacked) +
                       "</li>");
      for (const ThemeItem& item : theme.items) {
        Styles brush;
        brush.brush = item.styles.brush;
        rows.push_back(Row(page, brush, RowText(item.row), item.expression, RowHidden(item.row), font));
      }
      break;
    case ThemeKind::Graduated:
      for (const GraduatedSymbol& symbol : theme.symbols) {
        double scale = 0.35;
        for (const auto& [size, row] :
             {std::pair("small", &symbol.small), std::pair("medium", &symbol.medium),
              std::pair("large", &symbol.large)}) {
          rows.push_back(
              std::string("<li class=\"row") + (RowHidden(*row) ? " hidden-row" : "") + "\">" +
              page.drawing.GrowingSymbol(symbol.symbol, scale, std::string(size) + ": " + RowText(*row)) +
              "<span class=\"row-text\"" + font + ">" + Escape(RowText(*row)) +
              "</span><span class=\"stands\">" + size + "</span></li>");
          scale += 0.325;
        }
      }
      break;
    case ThemeKind::SingleSymbol: {
      Styles symbol;
      symbol.symbol = theme.symbol;
      for (const LegendRow& row : theme.rows)
        rows.push_back(Row(page, symbol, row.text, theme.symbolValue, row.hidden, font));
      if (theme.rows.empty() && theme.symbol)  // no legend row: the symbol alone
        rows.push_back(Row(page, symbol, std::string(), theme.symbolValue, false, font));
      break;
    }
  }
  return rows;
}

// A theme's legend preview: its legend settings and its rows, the rows
// past the first ones folded.
std::string Preview(Page& page, const Theme& theme) {
  const std::vector<std::string> rows = Rows(page, theme);
  if (rows.empty() && !theme.legend) return std::string();
  std::string html = "<figure class=\"legend\"><figcaption>Legend preview</figcaption>";
  if (theme.legend) html += LegendSettings(*theme.legend);
  html += "<ul class=\"rows\">";
  for (size_t i = 0; i < rows.size() && i < kRowsShown; ++i) html += rows[i];
  html += "</ul>";
  if (rows.size() > kRowsShown) {
    html += "<details class=\"more\"><summary>" + std::to_string(rows.size() - kRowsShown) +
            " more rows</summary><ul class=\"rows\">";
    for (size_t i = kRowsShown; i < rows.size(); ++i) html += rows[i];
    html += "</ul></details>";
  }
  return html + "</figure>";
}

// The settings of a theme that its legend does not show.
std::string ThemeSettings(const Theme& theme) {
  Settings settings;
  if (!theme.visible) settings.Add("Shown", "off");
  if (!theme.missing.empty()) settings.Add("No data", theme.missing);
  settings.Add("Applies to", theme.applyTo);
  settings.Add("Spreading", theme.spreading + (theme.variant.empty() ? "" : " (" + theme.variant + ")"));
  if (!theme.method.empty())
    settings.Add("Sizes", theme.method + (theme.methodText.empty() ? "" : ", " + theme.methodText));
  if (theme.reference) settings.Add("Reference value", Readable(*theme.reference));
  if (theme.size) settings.Add("Size", NumberText(theme.size->value) + " " + theme.size->unit);
  if (theme.secondSize)
    settings.Add("Second size", NumberText(theme.secondSize->value) + " " + theme.secondSize->unit);
  if (theme.startAngle) settings.Add("Start angle", NumberText(*theme.startAngle) + "°");
  if (theme.sweep) settings.Add("Turning", *theme.sweep < 0 ? "clockwise" : "counter-clockwise");
  if (!theme.horizontal.empty() || !theme.vertical.empty())
    settings.Add("Placement", theme.horizontal + (theme.vertical.empty() ? "" : ", " + theme.vertical));
  std::vector<std::string> colours;
  for (size_t i = 0; i < theme.items.size(); ++i)
    if (!theme.items[i].color.empty()) colours.push_back(std::to_string(i + 1) + ": " + theme.items[i].color);
  settings.Add("Item colours", Joined(colours));
  const std::string html = settings.Html();
  return html.empty() ? html : "<details><summary>Theme settings</summary>" + html + "</details>";
}

// Where a layer and its themes stand on the page.
std::string LayerId(size_t window, const Layer& layer) {
  return "w" + std::to_string(window) + "-l" + std::to_string(layer.position);
}

// A theme: its kind and expression, its legend preview and its other
// settings; a theme that would show the same as one before links to it
// instead, so that a workspace of a thousand layers with the same themes
// is not a thousand times their legends.
void WriteTheme(Page& page, const Theme& theme, const std::string& id, const std::string& where) {
  page.Add(std::string("<section class=\"theme\" id=\"") + id + "\" data-kind=\"" +
           ThemeKindWord(theme.kind) + "\"><h4>" + KindName(theme.kind));
  if (!theme.expressions.empty() && theme.kind != ThemeKind::BarChart && theme.kind != ThemeKind::PieChart)
    page.Add(" by <span class=\"expression\">" + Escape(Joined(theme.expressions)) + "</span>");
  page.Add("</h4>");
  std::string body = Preview(page, theme);
  if (body.empty()) body = "<p class=\"same-legend\">No legend rows.</p>";
  body += ThemeSettings(theme);
  const auto [first, added] =
      page.legends.try_emplace(body, "<a href=\"#" + id + "\">" + Escape(where) + "</a>");
  page.Add(added ? body : "<p class=\"same-legend\">The same as " + first->second + "</p>");
  page.Add("</section>");
}

void WriteLayer(Page& page, size_t window, const Layer& layer, const Workspace& workspace,
                const std::unordered_set<std::string>& missing) {
  const std::string id = LayerId(window, layer);
  page.Add("<li class=\"layer\" id=\"" + id + "\" data-layer=\"" + Escape(layer.name) +
           "\"><h3><span class=\"position\">" + std::to_string(layer.position) + "</span> " +
           Escape(layer.name) + "</h3>");
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
  for (size_t t = 0; t < layer.themes.size(); ++t)
    WriteTheme(page, layer.themes[t], id + "-t" + std::to_string(t + 1),
               "layer " + std::to_string(layer.position) + " (" + layer.name + ")");
  page.Add("</li>");
}

// A map window's view as it was set, in one line:
// "centre (-1.5, 52.25), zoom 40 km, scale 1 in : 100,000 in".
std::string ViewWords(const View& view) {
  std::vector<std::string> parts;
  if (view.centerX)
    parts.push_back("centre (" + NumberText(*view.centerX) + ", " + NumberText(view.centerY.value_or(0)) +
                    ")");
  if (view.zoom)
    parts.push_back("zoom " + Readable(*view.zoom) + (view.zoomUnits.empty() ? "" : " " + view.zoomUnits));
  if (!view.zoomLayer.empty()) parts.push_back("zoomed to layer " + view.zoomLayer);
  if (view.scaleFrom)
    parts.push_back("scale " + Readable(*view.scaleFrom) + " " + view.scaleFromUnits + " : " +
                    Readable(view.scaleTo.value_or(0)) + " " + view.scaleToUnits);
  if (view.pan)
    parts.push_back("panned " + Readable(*view.pan) + " " + view.panUnits + " " + view.panDirection);
  if (!view.distanceType.empty()) parts.push_back(view.distanceType + " distances");
  return Joined(parts);
}

std::string WindowWords(const WindowPosition& p) {
  std::vector<std::string> parts;
  if (p.x)
    parts.emplace_back("at (" + NumberText(*p.x) + ", " + NumberText(p.y.value_or(0)) + ") " + p.units);
  if (p.width) parts.emplace_back("width " + NumberText(*p.width));
  if (p.height) parts.emplace_back("height " + NumberText(*p.height));
  if (!p.style.empty()) parts.emplace_back(p.style == "min" ? "minimized" : "maximized");
  return Joined(parts);
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
  if (window.position) settings.Add("Window", WindowWords(*window.position));
  page.Add(settings.Html());
  page.Add("<ol class=\"layers\">");
  for (const Layer& layer : window.layers) WriteLayer(page, number, layer, workspace, missing);
  page.Add("</ol></section>");
}

// The contents: each map window, its layers and their themes, linked.
void Contents(Page& page, const Workspace& workspace, bool tables, bool diagnostics) {
  page.Add("<nav class=\"toc\" aria-labelledby=\"contents\"><h2 id=\"contents\">Contents</h2><ol>");
  if (diagnostics) page.Add("<li><a href=\"#diagnostics\">Diagnostics</a></li>");
  if (tables)
    page.Add("<li><a href=\"#tables\">Tables</a> (" + std::to_string(workspace.tables.size()) + ")</li>");
  for (size_t w = 0; w < workspace.mapWindows.size(); ++w) {
    const MapWindow& window = workspace.mapWindows[w];
    page.Add("<li><a href=\"#window" + std::to_string(w + 1) + "\">Map window " + std::to_string(w + 1) +
             "</a> (" + std::to_string(window.layers.size()) +
             (window.layers.size() == 1 ? " layer)" : " layers)"));
    if (!window.layers.empty()) {
      const bool fold = window.layers.size() > kLayersListed;
      if (fold) page.Add("<details><summary>Layers</summary>");
      page.Add("<ol class=\"layers-toc\">");
      for (const Layer& layer : window.layers) {
        const std::string id = LayerId(w + 1, layer);
        page.Add("<li><a href=\"#" + id + "\">" + std::to_string(layer.position) + " " + Escape(layer.name) +
                 "</a>");
        for (size_t t = 0; t < layer.themes.size(); ++t)
          page.Add(" <a href=\"#" + id + "-t" + std::to_string(t + 1) + "\">" +
                   ThemeKindWord(layer.themes[t].kind) + "</a>");
        page.Add("</li>");
      }
      page.Add("</ol>");
      if (fold) page.Add("</details>");
    }
    page.Add("</li>");
  }
  page.Add("</ol></nav>");
}

// The source line with a caret under the culprit, as the tool shows it.
std::string Caret(const Diagnostic& d) {
  std::string caret;
  int column = 1;
  for (size_t i = 0; i < d.sourceLine.size() && column < d.column; ++i) {
    const auto c = static_cast<unsigned char>(d.sourceLine[i]);
    if ((c & 0xC0) == 0x80) continue;  // a character counts once, whatever its bytes
    caret += d.sourceLine[i] == '\t' ? '\t' : ' ';
    ++column;
  }
  caret += '^';
  for (int i = d.column + 1; i < d.endColumn; ++i) caret += '~';
  return caret;
}

void Diagnostics(Page& page, const Result& result) {
  page.Add(
      "<section class=\"diagnostics\" aria-labelledby=\"diagnostics\"><h2 "
      "id=\"diagnostics\">Diagnostics</h2>");
  if (result.diagnostics.empty() && result.skipped.empty())
    page.Add("<p>No errors, no warnings, no remarks, no statement passed over.</p>");
  // One entry per diagnostic; warnings and remarks of one message are one
  // entry with the lines they stand on, shown at the first.
  const auto List = [&](const std::vector<const Diagnostic*>& list, const char* kind, bool grouped) {
    if (list.empty()) return;
    std::vector<std::pair<const Diagnostic*, std::vector<int>>> entries;
    std::unordered_map<std::string, size_t> byMessage;
    for (const Diagnostic* d : list) {
      const auto [at, added] =
          byMessage.try_emplace(grouped ? d->message : std::to_string(entries.size()), entries.size());
      if (added) entries.push_back({d, {}});
      entries[at->second].second.push_back(d->line);
    }
    page.Add(std::string("<ul class=\"") + kind + "s\">");
    for (const auto& [d, lines] : entries) {
      page.Add(std::string("<li class=\"") + kind + "\"><strong>" + kind +
               (d->number > 0 ? " " + std::to_string(d->number) : std::string()) + "</strong> ");
      if (lines.size() > 1) {
        std::vector<std::string> numbers;
        for (const int line : lines) numbers.push_back(std::to_string(line));
        page.Add("<span class=\"where\">" + std::to_string(lines.size()) + " times, lines " +
                 Joined(numbers) + "</span> ");
      } else if (d->line > 0) {
        page.Add("<span class=\"where\">line " + std::to_string(d->line) + ", column " +
                 std::to_string(d->column) + "</span> ");
      }
      page.Text(d->message);
      if (!d->sourceLine.empty()) {
        page.Add("<pre>" + Escape(d->sourceLine) + "</pre>");
        if (d->column > 0)
          page.Add("<pre class=\"caret\" aria-hidden=\"true\">" + Escape(Caret(*d)) + "</pre>");
      }
      for (const std::string& note : d->notes)
        page.Add("<span class=\"note\">note: " + Escape(note) + "</span><br>");
      page.Add("</li>");
    }
    page.Add("</ul>");
  };
  std::vector<const Diagnostic*> errors, warnings, remarks;
  for (const Diagnostic& d : result.diagnostics)
    (d.severity == Severity::Error     ? errors
     : d.severity == Severity::Warning ? warnings
                                       : remarks)
        .push_back(&d);
  List(errors, "error", false);
  List(warnings, "warning", true);
  if (!remarks.empty()) {
    page.Add("<details><summary>" + std::to_string(remarks.size()) +
             (remarks.size() == 1 ? " remark" : " remarks") +
             ": what the workspace says and the document has no place for</summary>");
    List(remarks, "remark", true);
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
.status.ok{color:var(--good)}.status.warned{color:var(--warn)}.status.failed{color:var(--bad)}
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
table.index{width:100%}.index th,.index td{padding-right:.6rem}.index td:first-child{overflow-wrap:anywhere;min-width:14rem}.index td.num{text-align:right}.index td:last-child{min-width:9rem}.index td.files{white-space:nowrap}
th{font-weight:600}
.layers{list-style:none;padding:0;margin:0}
.layer{content-visibility:auto;contain-intrinsic-size:auto 14rem;border:1px solid var(--line);border-radius:6px;padding:.9rem 1.1rem;margin:.8rem 0;background:var(--paper)}
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
.toc ol{margin:.2rem 0;padding-left:1.4rem}.toc .layers-toc{font-size:.92rem;list-style:none;padding-left:1rem}.toc details .layers-toc{columns:2 18rem}.toc .layers-toc li{break-inside:avoid}
.toc .layers-toc a+a{font-size:.85em;margin-left:.3rem}
.same-legend{color:var(--soft);margin:.3rem 0}
.missing{color:var(--bad)}tr.missing td{color:var(--bad)}
.caret{margin:0;background:none;padding:0 .6rem;color:var(--bad)}
.definitions{position:absolute;width:0;height:0;overflow:hidden}
.more{font-size:.9rem;color:var(--soft)}
@media print{body{font-size:11pt;background:#fff;color:#000}header,main{max-width:none;padding:0}.layer{break-inside:avoid}.toc{display:none}details>*{display:block}.swatch,.legend{print-color-adjust:exact;-webkit-print-color-adjust:exact}}
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
  const bool fold = workspace.tables.size() > kTablesListed;
  page.Add("<section aria-labelledby=\"tables\"><h2 id=\"tables\">Tables</h2>");
  if (fold) page.Add("<details><summary>" + std::to_string(workspace.tables.size()) + " tables</summary>");
  page.Add(
      "<table><thead><tr><th scope=\"col\">Alias</th><th scope=\"col\">File</th><th "
      "scope=\"col\">Settings</th></tr></thead><tbody>");
  for (const Table& table : workspace.tables) {
    std::vector<std::string> settings;
    if (!table.copyOf.empty()) settings.emplace_back("copy of " + table.copyOf);
    if (table.locked) settings.emplace_back("locked");
    if (table.hidden) settings.emplace_back("hidden");
    if (table.interactive) settings.emplace_back("interactive");
    if (!table.codepage.empty()) settings.emplace_back("code page " + table.codepage);
    if (!table.password.empty()) settings.emplace_back("with a password");
    const bool lost = missing.count(table.file) > 0;
    if (lost) settings.emplace_back("file not found");
    page.Add(std::string("<tr") + (lost ? " class=\"missing\"" : "") + "><td><code>" + Escape(table.alias) +
             "</code></td><td><code>" + Escape(table.file) + "</code></td><td>" + Escape(Joined(settings)) +
             "</td></tr>");
  }
  page.Add("</tbody></table>");
  if (fold) page.Add("</details>");
  page.Add("</section>");
}

// The badge of a translation: "Translated", "Translated with warnings" or "Failed".
std::string Badge(const Result* result, bool read) {
  if (result ? !result->ok : !read) return "<span class=\"status failed\">Failed</span>";
  if (result && !result->warnings.empty())
    return "<span class=\"status warned\">Translated with warnings</span>";
  return "<span class=\"status ok\">Translated</span>";
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
  page.Add("<header><p class=\"kicker\">Brevan report</p><h1>");
  page.Text(name);
  page.Add("</h1><p>" + Badge(result, workspace.has_value()) + "</p><dl class=\"counts\">");
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
    if (!result->missingFiles.empty()) Count("table files not found", result->missingFiles.size());
  }
  page.Add("</dl></header><main>");
  Contents(page, shown, !shown.tables.empty(), result != nullptr);
  if (result) Diagnostics(page, *result);
  if (!workspace) page.Add("<p>The document could not be read: nothing more to show.</p>");
  std::unordered_set<std::string> missing;
  if (result) missing.insert(result->missingFiles.begin(), result->missingFiles.end());
  TablesSection(page, shown, missing);
  size_t number = 0;
  for (const MapWindow& window : shown.mapWindows) WriteWindow(page, window, ++number, shown, missing);
  page.Add(page.drawing.Definitions());
  page.Add("</main></body></html>\n");
  return std::move(page.html);
}

}  // namespace

std::string RenderHtml(const Result& result, const std::string& name) {
  std::optional<Workspace> workspace;
  if (result.xml.empty() || ReadWorkspace(result.xml)) workspace = ReadWorkspace(result);
  return RenderPage(workspace, &result, name);
}

std::string RenderHtml(const Result& result, const Workspace& workspace, const std::string& name) {
  return RenderPage(workspace, &result, name);
}

std::string RenderHtml(std::string_view xml, const std::string& name) {
  return RenderPage(ReadWorkspace(xml), nullptr, name);
}

std::string RenderHtmlIndex(const std::vector<IndexEntry>& entries, const std::string& title) {
  Page page;
  Head(page, title + " — Brevan reports");
  size_t failed = 0, warnings = 0, remarks = 0, missing = 0;
  for (const IndexEntry& entry : entries) {
    failed += entry.result.ok ? 0 : 1;
    warnings += entry.result.warnings.size();
    remarks += entry.result.Count(Severity::Remark);
    missing += entry.result.missingFiles.size();
  }
  page.Add("<header><p class=\"kicker\">Brevan reports</p><h1>");
  page.Text(title);
  page.Add("</h1><dl class=\"counts\"><div><dt>files</dt><dd>" + std::to_string(entries.size()) +
           "</dd></div><div><dt>failed</dt><dd>" + std::to_string(failed) +
           "</dd></div><div><dt>warnings</dt><dd>" + std::to_string(warnings) +
           "</dd></div><div><dt>remarks</dt><dd>" + std::to_string(remarks) +
           "</dd></div><div><dt>table files not found</dt><dd>" + std::to_string(missing) +
           "</dd></div></dl></header><main>");
  page.Add(
      "<table class=\"index\"><thead><tr><th scope=\"col\">Workspace</th><th scope=\"col\">Status</th><th "
      "scope=\"col\">Layers</th><th scope=\"col\">Themes</th><th scope=\"col\">Warnings</th><th "
      "scope=\"col\">Remarks</th><th scope=\"col\">Missing tables</th><th scope=\"col\">Files</th><th "
      "scope=\"col\">Diagnostics</th></tr></thead><tbody>");
  for (const IndexEntry& entry : entries) {
    const Result& r = entry.result;
    const bool warned = r.ok && !r.warnings.empty();
    page.Add("<tr class=\"" + std::string(!r.ok ? "failed" : warned ? "warned" : "ok") + "\"><td>");
    if (!entry.page.empty())
      page.Add("<a href=\"" + Escape(entry.page) + "\">" + Escape(entry.name) + "</a>");
    else
      page.Text(entry.name);
    page.Add("</td><td>" + Badge(&r, true) + "</td>");
    for (size_t count :
         {entry.layers, entry.themes, r.warnings.size(), r.Count(Severity::Remark), r.missingFiles.size()})
      page.Add("<td class=\"num\">" + std::to_string(count) + "</td>");
    page.Add("<td class=\"files\">");
    std::vector<std::string> links;
    if (!entry.page.empty()) links.push_back("<a href=\"" + Escape(entry.page) + "\">page</a>");
    if (!entry.document.empty()) links.push_back("<a href=\"" + Escape(entry.document) + "\">XML</a>");
    if (!entry.source.empty()) links.push_back("<a href=\"" + Escape(entry.source) + "\">source</a>");
    page.Add(Joined(links, " · ") + "</td><td>");
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
