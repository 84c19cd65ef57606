// Report pages: a translated document drawn as HTML from the read model,
// with inline SVG legend previews (api/html_drawing.cpp). Only the public
// API is used here, so a page shows what a reader of the document finds.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "api/html_drawing.h"
#include "api/html_legend.h"
#include "brevan/report.h"
#include "brevan/workspace.h"

namespace brevan {

// The page's stylesheet, resources/report.css.
extern const char* const kReportStyle;

namespace {

using html::Escape;
using html::Joined;
using html::OnOff;
using html::Readable;
using html::Settings;

// More layers than this in one map window fold the window's list of contents.
constexpr size_t kLayersListed = 30;
// More tables than this fold the list of tables.
constexpr size_t kTablesListed = 20;
// The rows of one table of an index: a browser lays out only the tables in view.
constexpr size_t kRowsPerTable = 200;

// The page being written, the swatches it draws, and the legends drawn so
// far by what they show.
struct Page {
  std::string html;
  html::Drawing drawing;
  std::unordered_map<std::string, std::string> legends;  // a preview to the theme that showed it first
  // The themes drawn so far, without their origins, and what each drew,
  // by a hash of a few of their fields: a theme like an earlier one is
  // not drawn again (a workspace of a thousand layers with the same
  // themes drew each a thousand times).
  std::unordered_map<size_t, std::vector<std::pair<Theme, std::string>>> bodies;
  // The tables by alias, the first of each.
  std::unordered_map<std::string, const Table*> tables;

  void Add(std::string_view text) { html += text; }
  void Text(std::string_view text) { html += Escape(text); }
};

// The settings of a theme that its legend does not show.
std::string ThemeSettings(const Theme& theme) {
  Settings settings;
  if (!theme.visible) settings.Add("Shown", "off");
  if (!theme.missing.empty()) settings.Add("No data", theme.missing);
  settings.Add("Applies to", Word(theme.applyTo));
  if (theme.spreading != Spreading::Unset)
    settings.Add("Spreading",
                 Word(theme.spreading) + (theme.variant.empty() ? "" : " (" + theme.variant + ")"));
  if (theme.method != SizeMethod::Unset)
    settings.Add("Sizes", Word(theme.method) + (theme.methodText.empty() ? "" : ", " + theme.methodText));
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
// A hash of what a theme shows that tells most themes apart.
size_t ThemeHash(const Theme& theme) {
  const std::hash<std::string> text;
  size_t hash = static_cast<size_t>(theme.kind) ^ theme.items.size() << 4 ^ theme.symbols.size() << 16;
  for (const std::string& expression : theme.expressions) hash = hash * 31 + text(expression);
  if (!theme.items.empty()) {
    const ThemeItem& item = theme.items.front();
    hash = hash * 31 + text(item.low) + text(item.value) + text(item.expression);
    if (item.styles.brush) hash = hash * 31 + text(item.styles.brush->foreground);
    if (item.row) hash = hash * 31 + text(item.row->text);
  }
  return hash;
}

// A theme's legend preview and settings: drawn once for all themes alike.
std::string Body(Page& page, const Theme& theme) {
  Theme shown = theme;
  shown.origin = Origin();
  if (shown.legend) shown.legend->origin = Origin();
  std::vector<std::pair<Theme, std::string>>& alike = page.bodies[ThemeHash(shown)];
  for (const auto& [other, body] : alike)
    if (other == shown) return body;
  std::string body = Preview(page.drawing, theme);
  if (body.empty()) body = "<p class=\"same-legend\">No legend rows.</p>";
  body += ThemeSettings(theme);
  alike.emplace_back(std::move(shown), body);
  return body;
}

void WriteTheme(Page& page, const Theme& theme, const std::string& id, const std::string& where) {
  page.Add(std::string("<section class=\"theme\" id=\"") + id + "\" data-kind=\"" +
           ThemeKindWord(theme.kind) + "\"><h4>" + ThemeKindName(theme.kind));
  if (!theme.expressions.empty() && theme.kind != ThemeKind::BarChart && theme.kind != ThemeKind::PieChart)
    page.Add(" by <span class=\"expression\">" + Escape(Joined(theme.expressions)) + "</span>");
  page.Add("</h4>");
  std::string body = Body(page, theme);
  const auto [first, added] =
      page.legends.try_emplace(body, "<a href=\"#" + id + "\">" + Escape(where) + "</a>");
  page.Add(added ? body : "<p class=\"same-legend\">The same as " + first->second + "</p>");
  page.Add("</section>");
}

void WriteLayer(Page& page, size_t window, const Layer& layer,
                const std::unordered_set<std::string>& missing) {
  const std::string id = LayerId(window, layer);
  page.Add("<li class=\"layer\" id=\"" + id + "\" data-layer=\"" + Escape(layer.name) +
           "\"><h3><span class=\"position\">" + std::to_string(layer.position) + "</span> " +
           Escape(layer.name) + "</h3>");
  const auto found = page.tables.find(layer.name);
  const Table* table = found == page.tables.end() ? nullptr : found->second;
  page.Add("<p class=\"table\">Table <code>" + Escape(layer.name) + "</code>");
  if (table) {
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
  if (p.style != WindowPosition::Style::Normal)
    parts.emplace_back(p.style == WindowPosition::Style::Minimized ? "minimized" : "maximized");
  return Joined(parts);
}

void WriteWindow(Page& page, const MapWindow& window, size_t number,
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
  for (const Layer& layer : window.layers) WriteLayer(page, number, layer, missing);
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

// The text a diagnostic's span covers on its line (columns count characters).
std::string Spanned(const Diagnostic& d) {
  std::string text;
  int column = 1;
  for (size_t at = 0; at < d.sourceLine.size(); ++column) {
    size_t length = 1;
    while (at + length < d.sourceLine.size() &&
           (static_cast<unsigned char>(d.sourceLine[at + length]) & 0xC0) == 0x80)
      ++length;
    if (column >= d.column && column < d.endColumn) text.append(d.sourceLine, at, length);
    at += length;
  }
  return text;
}

void Diagnostics(Page& page, const Result& result) {
  page.Add(
      "<section class=\"diagnostics\" aria-labelledby=\"diagnostics\"><h2 "
      "id=\"diagnostics\">Diagnostics</h2>");
  if (result.diagnostics.empty() && result.skipped.empty())
    page.Add("<p>No errors, no warnings, no remarks, no statement passed over.</p>");
  // One entry per diagnostic; warnings and remarks of one message about
  // the same text are one entry with the lines they stand on, shown at the
  // first.
  const auto List = [&](const std::vector<const Diagnostic*>& list, const char* kind, bool grouped) {
    if (list.empty()) return;
    std::vector<std::pair<const Diagnostic*, std::vector<int>>> entries;
    std::unordered_map<std::string, size_t> byMessage;
    for (const Diagnostic* d : list) {
      const auto [at, added] = byMessage.try_emplace(
          grouped ? d->message + '\0' + Spanned(*d) : std::to_string(entries.size()), entries.size());
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

void Head(Page& page, const std::string& title) {
  page.Add(
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
      "content=\"width=device-width,initial-scale=1\">"
      "<link rel=\"icon\" href=\"data:,\"><title>");
  page.Text(title);
  page.Add("</title><style>\n");
  page.Add(kReportStyle);
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
std::string StatusBadge(bool failed, bool warned) {
  if (failed) return "<span class=\"status failed\">Failed</span>";
  if (warned) return "<span class=\"status warned\">Translated with warnings</span>";
  return "<span class=\"status ok\">Translated</span>";
}

std::string Badge(const Result* result, bool read) {
  return StatusBadge(result ? !result->ok : !read, result && !result->warnings.empty());
}

std::string RenderPage(const std::optional<Workspace>& workspace, const Result* result,
                       const std::string& name) {
  Page page;
  Head(page, name + " — Brevan report");
  const Workspace empty;
  const Workspace& shown = workspace ? *workspace : empty;
  for (const Table& table : shown.tables) page.tables.emplace(table.alias, &table);
  page.Add("<header><p class=\"kicker\">Brevan report</p><h1>");
  page.Text(name);
  page.Add("</h1><p>" + Badge(result, workspace.has_value()) + "</p><dl class=\"counts\">");
  const auto Count = [&](const char* what, size_t n) {
    page.Add(std::string("<div><dt>") + what + "</dt><dd>" + std::to_string(n) + "</dd></div>");
  };
  Count("map windows", shown.mapWindows.size());
  Count("layers", shown.LayerCount());
  Count("themes", shown.ThemeCount());
  Count("tables", shown.tables.size());
  if (result) {
    Count("errors", result->errors.size());
    Count("warnings", result->warnings.size());
    Count("remarks", result->Count(Severity::Remark));
    Count("passed over", result->skipped.size());
    if (!result->missingFiles.empty()) Count("table files not found", result->missingFiles.size());
    if (!result->encoding.empty()) {
      page.Add("<div><dt>encoding</dt><dd>");
      page.Text(result->encoding);
      page.Add("</dd></div>");
    }
  }
  page.Add("</dl></header><main>");
  Contents(page, shown, !shown.tables.empty(), result != nullptr);
  if (result) Diagnostics(page, *result);
  if (!workspace) page.Add("<p>The document could not be read: nothing more to show.</p>");
  std::unordered_set<std::string> missing;
  if (result) missing.insert(result->missingFiles.begin(), result->missingFiles.end());
  TablesSection(page, shown, missing);
  size_t number = 0;
  for (const MapWindow& window : shown.mapWindows) WriteWindow(page, window, ++number, missing);
  page.Add(page.drawing.Definitions());
  page.Add("</main></body></html>\n");
  return std::move(page.html);
}

}  // namespace

std::string RenderHtml(const Result& result, const std::string& name) {
  return RenderPage(result.workspace, &result, name);
}

std::string RenderHtml(std::string_view xml, const std::string& name) {
  return RenderPage(ReadWorkspace(xml), nullptr, name);
}

FileFacts FactsOf(const Result& result, bool failed) {
  FileFacts facts;
  facts.failed = failed;
  facts.layers = result.workspace.LayerCount();
  facts.themes = result.workspace.ThemeCount();
  facts.warnings = result.warnings.size();
  facts.remarks = result.Count(Severity::Remark);
  facts.passedOver = result.skipped.size();
  facts.missingTables = result.missingFiles.size();
  facts.encoding = result.encoding;
  for (const Diagnostic& d : result.diagnostics)
    if (!d.code.empty()) ++facts.losses[d.code];
  for (const Skipped& skipped : result.skipped) ++facts.passedOverByName[skipped.keyword];
  for (const auto* list : {&result.errors, &result.warnings})
    for (const Diagnostic& d : *list) {
      if (facts.diagnostics.size() == FileFacts::kShown) {
        ++facts.unshown;
        continue;
      }
      Diagnostic shown;
      shown.severity = d.severity;
      shown.line = d.line;
      shown.column = d.column;
      shown.message = d.message;
      facts.diagnostics.push_back(std::move(shown));
    }
  return facts;
}

namespace {

// The classes of an index row: its state, and what the filters pick.
std::string RowClasses(const FileFacts& facts) {
  std::string classes = facts.failed ? "failed" : facts.warnings > 0 ? "warned" : "ok";
  if (facts.missingTables > 0) classes += " missing";
  return classes;
}

void IndexRow(Page& page, const IndexEntry& entry) {
  const FileFacts& facts = entry.facts;
  page.Add("<tr class=\"" + RowClasses(facts) + "\"><td>");
  if (!entry.page.empty())
    page.Add("<a href=\"" + Escape(entry.page) + "\">" + Escape(entry.name) + "</a>");
  else
    page.Text(entry.name);
  // The status sorts failed first, then with warnings.
  page.Add("</td><td data-v=\"" +
           std::string(facts.failed         ? "0"
                       : facts.warnings > 0 ? "1"
                                            : "2") +
           "\">" + StatusBadge(facts.failed, facts.warnings > 0) +
           (entry.upToDate ? " <span class=\"where\">unchanged</span>" : "") + "</td>");
  for (size_t count :
       {facts.layers, facts.themes, facts.warnings, facts.remarks, facts.passedOver, facts.missingTables})
    page.Add("<td class=\"num\">" + std::to_string(count) + "</td>");
  page.Add("<td class=\"files\">");
  std::vector<std::string> links;
  if (!entry.page.empty()) links.push_back("<a href=\"" + Escape(entry.page) + "\">page</a>");
  if (!entry.document.empty()) links.push_back("<a href=\"" + Escape(entry.document) + "\">XML</a>");
  if (!entry.source.empty()) links.push_back("<a href=\"" + Escape(entry.source) + "\">source</a>");
  page.Add(Joined(links, " · ") + "</td><td>");
  for (const Diagnostic& d : facts.diagnostics)
    page.Add(
        std::string("<div class=\"") + (d.severity == Severity::Error ? "error-line" : "warning-line") +
        "\">" +
        (d.line > 0 ? "<span class=\"where\">line " + std::to_string(d.line) + ":</span> " : std::string()) +
        Escape(d.message) + "</div>");
  if (facts.unshown > 0)
    page.Add("<div class=\"where\">and " + std::to_string(facts.unshown) + " more (see its page)</div>");
  page.Add("</td></tr>");
}

// Sorts the rows of each folder (over its tables) by the column whose heading was clicked;
// a second click reverses. Numbers and the status sort by value.
constexpr const char* kSortScript = R"(<script>
document.querySelectorAll('table.heads button').forEach((button, column) => {
  button.addEventListener('click', () => {
    const th = button.parentElement;
    const up = th.getAttribute('aria-sort') !== 'ascending';
    th.closest('tr').querySelectorAll('th').forEach(h => h.removeAttribute('aria-sort'));
    th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
    const key = td => td.dataset.v ?? (td.classList.contains('num') ? Number(td.textContent) : td.textContent);
    for (const group of document.querySelectorAll('section.group')) {
      const bodies = [...group.querySelectorAll('tbody')];
      const rows = bodies.flatMap(body => [...body.rows]);
      const keys = new Map(rows.map(row => [row, key(row.cells[column])]));
      rows.sort((a, b) => { const x = keys.get(a), y = keys.get(b);
        const order = typeof x === 'number' ? x - y : String(x).localeCompare(String(y));
        return up ? order : -order; });
      let next = 0;
      for (const body of bodies) { const count = body.rows.length; body.append(...rows.slice(next, next + count)); next += count; }
    }
  });
});
</script>)";

}  // namespace

std::string RenderHtmlIndex(const std::vector<IndexEntry>& entries, const std::string& title) {
  Page page;
  Head(page, title + " — Brevan reports");
  size_t failed = 0, warned = 0, warnings = 0, remarks = 0, missing = 0, missingFiles = 0, unchanged = 0;
  // Folders in order of their names, each with its files in batch order.
  std::map<std::string, std::vector<const IndexEntry*>> folders;
  for (const IndexEntry& entry : entries) {
    const FileFacts& facts = entry.facts;
    failed += facts.failed ? 1 : 0;
    warned += !facts.failed && facts.warnings > 0 ? 1 : 0;
    warnings += facts.warnings;
    remarks += facts.remarks;
    missing += facts.missingTables > 0 ? 1 : 0;
    missingFiles += facts.missingTables;
    unchanged += entry.upToDate ? 1 : 0;
    folders[entry.folder].push_back(&entry);
  }
  page.Add("<header class=\"wide\"><p class=\"kicker\">Brevan reports</p><h1>");
  page.Text(title);
  page.Add("</h1><dl class=\"counts\">");
  const auto count = [&](const char* what, size_t n) {
    page.Add(std::string("<div><dt>") + what + "</dt><dd>" + std::to_string(n) + "</dd></div>");
  };
  count("files", entries.size());
  if (folders.size() > 1) count("folders", folders.size());
  count("failed", failed);
  count("warnings", warnings);
  count("remarks", remarks);
  count("table files not found", missingFiles);
  if (unchanged > 0) count("unchanged since the last run", unchanged);
  page.Add("</dl></header><main class=\"wide\">");
  // Filters without script: each radio button, checked, hides the rows
  // (and folders) it leaves out; the stylesheet says how.
  const std::pair<const char*, std::string> filters[] = {
      {"all", "All (" + std::to_string(entries.size()) + ")"},
      {"failed", "Failed (" + std::to_string(failed) + ")"},
      {"warned", "With warnings (" + std::to_string(warned) + ")"},
      {"missing", "Missing tables (" + std::to_string(missing) + ")"}};
  for (const auto& [id, label] : filters)
    page.Add(std::string("<input type=\"radio\" name=\"show\" class=\"show\" id=\"show-") + id + "\"" +
             (std::string_view(id) == "all" ? " checked" : "") + ">");
  page.Add("<div class=\"filters\">Show ");
  for (const auto& [id, label] : filters)
    page.Add(std::string("<label for=\"show-") + id + "\">" + label + "</label>");
  page.Add("</div>");
  // The headings stand in a table of their own and each folder's rows in
  // tables of at most kRowsPerTable, all with the same fixed columns: the
  // browser then lays out only the tables in view (10,000 rows in one
  // table took it over a second).
  const std::string columns =
      "<colgroup><col class=\"c-name\"><col class=\"c-status\"><col class=\"c-num\" span=\"6\"><col "
      "class=\"c-files\"><col></colgroup>";
  page.Add("<table class=\"index heads\">" + columns + "<thead><tr>");
  for (const char* heading : {"Workspace", "Status", "Layers", "Themes", "Warnings", "Remarks", "Passed over",
                              "Missing tables", "Files", "Diagnostics"})
    page.Add(std::string("<th scope=\"col\"><button type=\"button\">") + heading + "</button></th>");
  page.Add("</tr></thead></table>");
  for (const auto& [folder, members] : folders) {
    size_t folderFailed = 0, folderWarned = 0, folderMissing = 0;
    for (const IndexEntry* entry : members) {
      folderFailed += entry->facts.failed ? 1 : 0;
      folderWarned += !entry->facts.failed && entry->facts.warnings > 0 ? 1 : 0;
      folderMissing += entry->facts.missingTables > 0 ? 1 : 0;
    }
    std::string has;
    if (folderFailed > 0) has += " has-failed";
    if (folderWarned > 0) has += " has-warned";
    if (folderMissing > 0) has += " has-missing";
    page.Add("<section class=\"group" + has + "\">");
    if (folders.size() > 1) {
      page.Add("<h2 class=\"folder\">");
      page.Text(folder.empty() ? "." : folder);
      std::vector<std::string> counts = {std::to_string(members.size()) +
                                         (members.size() == 1 ? " file" : " files")};
      if (folderFailed > 0) counts.push_back(std::to_string(folderFailed) + " failed");
      if (folderWarned > 0) counts.push_back(std::to_string(folderWarned) + " with warnings");
      if (folderMissing > 0) counts.push_back(std::to_string(folderMissing) + " missing tables");
      page.Add(" <span class=\"where\">" + Joined(counts, " · ") + "</span></h2>");
    }
    for (size_t first = 0; first < members.size(); first += kRowsPerTable) {
      page.Add("<div class=\"rows\"><table class=\"index\">" + columns + "<tbody>");
      for (size_t i = first; i < std::min(members.size(), first + kRowsPerTable); ++i)
        IndexRow(page, *members[i]);
      page.Add("</tbody></table></div>");
    }
    page.Add("</section>");
  }
  page.Add("</main>");
  page.Add(kSortScript);
  page.Add("</body></html>\n");
  return std::move(page.html);
}

}  // namespace brevan
