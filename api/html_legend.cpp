// Legend previews: a theme's legend settings and rows, each row with the
// swatch of its item's styles.
#include "api/html_legend.h"

#include <algorithm>
#include <optional>

namespace brevan::html {

namespace {

// More rows than this in one legend are folded after the first ones.
constexpr size_t kRowsShown = 12;

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
std::string Row(Drawing& drawing, const Styles& styles, const std::string& text, const std::string& stands,
                bool hidden, const std::string& font) {
  std::string row = std::string("<li class=\"row") + (hidden ? " hidden-row" : "") + "\">";
  row += drawing.Swatch(styles, text);
  row += "<span class=\"row-text\"" + font + ">" + Escape(text.empty() ? stands : text) + "</span>";
  if (!stands.empty() && !text.empty()) row += "<span class=\"stands\">" + Escape(stands) + "</span>";
  if (hidden) row += "<span class=\"stands\">not shown</span>";
  return row + "</li>";
}

std::string RowText(const std::optional<LegendRow>& row) { return row ? row->text : std::string(); }
bool RowHidden(const std::optional<LegendRow>& row) { return row && row->hidden; }

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
std::vector<std::string> Rows(Drawing& drawing, const Theme& theme) {
  const std::string font = theme.legend ? FontStyleAttribute(theme.legend->rowFont) : std::string();
  std::vector<std::string> rows;
  switch (theme.kind) {
    case ThemeKind::Range:
    case ThemeKind::Value:
      for (const ThemeItem& item : theme.items)
        rows.push_back(Row(drawing, item.styles, RowText(item.row), Stands(item), RowHidden(item.row), font));
      break;
    case ThemeKind::BarChart:
    case ThemeKind::PieChart:
      if (!theme.items.empty())
        rows.push_back("<li class=\"chart\">" +
                       drawing.Chart(theme.items, theme.kind == ThemeKind::PieChart, theme.stacked) +
                       "</li>");
      for (const ThemeItem& item : theme.items) {
        Styles brush;
        brush.brush = item.styles.brush;
        rows.push_back(Row(drawing, brush, RowText(item.row), item.expression, RowHidden(item.row), font));
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
              drawing.GrowingSymbol(symbol.symbol, scale, std::string(size) + ": " + RowText(*row)) +
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
        rows.push_back(Row(drawing, symbol, row.text, theme.symbolValue, row.hidden, font));
      if (theme.rows.empty() && theme.symbol)  // no legend row: the symbol alone
        rows.push_back(Row(drawing, symbol, std::string(), theme.symbolValue, false, font));
      break;
    }
  }
  return rows;
}

}  // namespace

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

std::string Joined(const std::vector<std::string>& parts, const char* between) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
  return text;
}

std::string Preview(Drawing& drawing, const Theme& theme) {
  const std::vector<std::string> rows = Rows(drawing, theme);
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

}  // namespace brevan::html
