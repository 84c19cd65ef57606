// Report pages: the document read back with pugixml and drawn as HTML with
// inline SVG legend previews. Only the public API and the document's own
// element names are used here, so a page shows what a reader of the file
// would find, not what the translator meant to write.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "brevan/report.h"

namespace brevan {

namespace {

// Text for the page: markup characters as entities, control characters
// (C0 but tab and line feed, DEL, C1) shown by their code, \x1b or \u009b.
std::string Escape(std::string_view text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t' && c != '\n') || byte == 0x7F) {
      out += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
      continue;
    }
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      out += {'\\', 'u', '0', '0', kDigits[next >> 4], kDigits[next & 0xF]};
      ++i;
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A colour as the document writes it, "rgb(r,g,b)", checked so that it can
// stand in an attribute; empty when it is not one.
std::string Colour(std::string_view text) {
  int red = 0, green = 0, blue = 0;
  char tail = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "rgb(%d,%d,%d%c", &red, &green, &blue, &tail) != 4 || tail != ')') return {};
  if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255) return {};
  return "rgb(" + std::to_string(red) + "," + std::to_string(green) + "," + std::to_string(blue) + ")";
}

// The number at the end of a style reference such as "brush2" or "glyph34"; -1 when none.
int ReferenceNumber(std::string_view reference) {
  size_t digits = reference.size();
  while (digits > 0 && reference[digits - 1] >= '0' && reference[digits - 1] <= '9') --digits;
  if (digits == reference.size() || reference.size() - digits > 6) return -1;
  return std::atoi(std::string(reference.substr(digits)).c_str());
}

double Number(std::string_view text, double otherwise) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  return end != copy.c_str() ? value : otherwise;
}

std::string Format(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

// The Drawing and the pattern Reference of a style element (PenStyle, BrushStyle, SymbolStyle, FontStyle).
pugi::xml_node Drawing(pugi::xml_node style) {
  return style.child("Graphics").child("Paint").child("Drawing");
}
pugi::xml_node Pattern(pugi::xml_node style) { return style.child("Patterns").child("Reference"); }

// The text of an element's Row (or of a Row given directly).
std::string RowText(pugi::xml_node holder) {
  const pugi::xml_node row = std::string_view(holder.name()) == "Row" ? holder : holder.child("Row");
  return row.child("RowText").child_value();
}

// Readable names for the document's element names: "RangeTheme" → "Range theme".
std::string Words(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (i > 0 && c >= 'A' && c <= 'Z' && !(name[i - 1] >= 'A' && name[i - 1] <= 'Z')) {
      out += ' ';
      out += static_cast<char>(c - 'A' + 'a');
    } else {
      out += c;
    }
  }
  return out;
}

// The hatches of brushes 3 to 8 in a tile of 6 units: horizontal, vertical,
// down diagonal, up diagonal, grid, diagonal grid (x1 < 0: no second line).
struct HatchLine {
  int x1, y1, x2, y2;
};
constexpr HatchLine kNone{-1, 0, 0, 0}, kAcross{0, 3, 6, 3}, kDownward{3, 0, 3, 6}, kFalling{0, 0, 6, 6},
    kRising{0, 6, 6, 0};
constexpr HatchLine kHatches[6][2] = {{kAcross, kNone}, {kDownward, kNone},   {kFalling, kNone},
                                      {kRising, kNone}, {kAcross, kDownward}, {kFalling, kRising}};

// The page being written, with the counter that keeps SVG pattern ids apart.
class Page {
 public:
  std::string html;

  void Add(std::string_view text) { html += text; }
  void Text(std::string_view text) { html += Escape(text); }

  // A swatch for one legend row: the item's brush, pen and symbol drawn on
  // one small canvas. label is what it says without colour.
  void Swatch(pugi::xml_node styles, const std::string& rowText) {
    const pugi::xml_node brush = styles.child("BrushStyle");
    const pugi::xml_node pen = styles.child("PenStyle");
    const pugi::xml_node symbol = styles.child("SymbolStyle");
    std::string svg, label;
    if (brush) svg += BrushShape(brush, pen, label);
    if (pen && !brush) svg += PenShape(pen, 4, 10, 36, 10, label);
    if (symbol) svg += SymbolShape(symbol, 20, 10, 1.0, label);
    if (svg.empty()) label = "no style";
    Canvas(40, 20, svg, label + (rowText.empty() ? "" : ": " + rowText));
  }

  void Canvas(int width, int height, const std::string& svg, const std::string& label) {
    Add("<svg class=\"swatch\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
        "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
        "\" role=\"img\" aria-label=\"" + Escape(label) + "\"><title>" + Escape(label) + "</title>" + svg +
        "</svg>");
  }

  // A brush as a filled box: patterns 1 (hollow) and 2 (solid) as they are,
  // 3 to 8 as line hatches, any other as a dot screen (an approximation).
  std::string BrushShape(pugi::xml_node brush, pugi::xml_node border, std::string& label) {
    const pugi::xml_node drawing = Drawing(brush);
    const std::string foreground = Colour(drawing.attribute("foreground").value());
    const std::string background = Colour(drawing.attribute("background").value());
    const bool opaque = std::string_view(drawing.attribute("opaque").value()) == "1";
    const int pattern = ReferenceNumber(Pattern(brush).attribute("fillPattern").value());
    std::string outline = "var(--line)";
    std::string outlineWidth = "1";
    if (border) {
      const std::string colour = Colour(Drawing(border).attribute("lineColor").value());
      if (!colour.empty()) outline = colour;
      outlineWidth = Format(std::clamp(Number(Drawing(border).attribute("width").value(), 1), 1.0, 4.0));
    }
    const std::string box = "x=\"2\" y=\"2\" width=\"36\" height=\"16\" rx=\"2\"";
    label = "brush " + (pattern < 0 ? std::string("?") : std::to_string(pattern)) + " in " +
            (foreground.empty() ? "no colour" : foreground);
    if (pattern == 1 || foreground.empty()) {
      label += " (hollow)";
      return "<rect class=\"fill\" data-color=\"" + foreground + "\" " + box +
             " fill=\"none\" stroke-dasharray=\"3 2\" stroke=\"" + outline + "\"/>";
    }
    if (pattern == 2) {
      return "<rect class=\"fill\" data-color=\"" + foreground + "\" " + box + " fill=\"" + foreground +
             "\" stroke=\"" + outline + "\" stroke-width=\"" + outlineWidth + "\"/>";
    }
    const std::string id = "hatch" + std::to_string(++ids_);
    std::string marks;
    if (pattern >= 3 && pattern <= 8) {
      for (const HatchLine& line : kHatches[pattern - 3]) {
        if (line.x1 < 0) continue;
        marks += "<line x1=\"" + std::to_string(line.x1) + "\" y1=\"" + std::to_string(line.y1) + "\" x2=\"" +
                 std::to_string(line.x2) + "\" y2=\"" + std::to_string(line.y2) + "\" stroke=\"" +
                 foreground + "\" stroke-width=\"1.2\"/>";
      }
    } else {
      marks = "<circle cx=\"3\" cy=\"3\" r=\"1.3\" fill=\"" + foreground + "\"/>";
      label += " (pattern drawn as dots)";
    }
    if (opaque && !background.empty()) label += " on " + background;
    return "<defs><pattern id=\"" + id + "\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">" +
           (opaque && !background.empty() ? "<rect width=\"6\" height=\"6\" fill=\"" + background + "\"/>"
                                          : std::string()) +
           marks + "</pattern></defs><rect class=\"fill\" data-color=\"" + foreground + "\" " + box +
           " fill=\"url(#" + id + ")\" stroke=\"" + outline + "\" stroke-width=\"" + outlineWidth + "\"/>";
  }

  // A pen as a line of its width and colour: pattern 1 (none) faint and
  // dotted, 2 solid, any other dashed (an approximation).
  static std::string PenShape(pugi::xml_node pen, int x1, int y1, int x2, int y2, std::string& label) {
    const pugi::xml_node drawing = Drawing(pen);
    const std::string colour = Colour(drawing.attribute("lineColor").value());
    const double width = std::clamp(Number(drawing.attribute("width").value(), 1), 1.0, 8.0);
    const int pattern = ReferenceNumber(Pattern(pen).attribute("pattern").value());
    label = "pen " + (pattern < 0 ? std::string("?") : std::to_string(pattern)) + ", width " + Format(width) +
            ", in " + (colour.empty() ? "no colour" : colour);
    std::string dashes;
    if (pattern == 1) dashes = " stroke-dasharray=\"1 3\" opacity=\"0.5\"";
    if (pattern > 2) dashes = " stroke-dasharray=\"" + std::to_string(2 + pattern % 5) + " 2\"";
    return "<line class=\"pen\" data-color=\"" + colour + "\" x1=\"" + std::to_string(x1) + "\" y1=\"" +
           std::to_string(y1) + "\" x2=\"" + std::to_string(x2) + "\" y2=\"" + std::to_string(y2) +
           "\" stroke=\"" + (colour.empty() ? "var(--line)" : colour) + "\" stroke-width=\"" + Format(width) +
           "\"" + dashes + "/>";
  }

  // A symbol as a shape of its colour and size: glyphs 32 to 39 as square,
  // diamond, circle, star, triangle, inverted triangle, plus and cross; any
  // other glyph, font or image symbol as a circle (an approximation).
  static std::string SymbolShape(pugi::xml_node symbol, double cx, double cy, double scale,
                                 std::string& label) {
    const pugi::xml_node drawing = Drawing(symbol);
    const std::string colour = Colour(drawing.attribute("symbolColor").value());
    const double points = Number(drawing.attribute("symbolSize").value(), 12);
    // Sizes are drawn to scale up to 21 points, larger ones as 21.
    const double r = std::max(1.5, std::clamp(points * 0.42, 2.0, 9.0) * scale);
    const int glyph = ReferenceNumber(Pattern(symbol).attribute("symbolShape").value());
    const std::string fill = colour.empty() ? "var(--ink)" : colour;
    label = "symbol " + (glyph < 0 ? std::string("?") : std::to_string(glyph)) + ", " + Format(points) +
            " pt, in " + (colour.empty() ? "no colour" : colour);
    const std::string common = "class=\"symbol\" data-color=\"" + colour + "\" fill=\"" + fill + "\"";
    const auto at = [&](double dx, double dy) { return Format(cx + dx * r) + "," + Format(cy + dy * r); };
    switch (glyph) {
      case 32:
        return "<rect " + common + " x=\"" + Format(cx - r) + "\" y=\"" + Format(cy - r) + "\" width=\"" +
               Format(2 * r) + "\" height=\"" + Format(2 * r) + "\"/>";
      case 33:
        return "<polygon " + common + " points=\"" + at(0, -1) + " " + at(1, 0) + " " + at(0, 1) + " " +
               at(-1, 0) + "\"/>";
      case 35: {
        std::string points;
        for (int i = 0; i < 10; ++i) {
          const double angle = -1.5708 + i * 0.6283;
          const double k = i % 2 ? 0.45 : 1.0;
          points += at(k * std::cos(angle), k * std::sin(angle)) + " ";
        }
        return "<polygon " + common + " points=\"" + points + "\"/>";
      }
      case 36:
        return "<polygon " + common + " points=\"" + at(0, -1) + " " + at(0.9, 0.8) + " " + at(-0.9, 0.8) +
               "\"/>";
      case 37:
        return "<polygon " + common + " points=\"" + at(0, 1) + " " + at(0.9, -0.8) + " " + at(-0.9, -0.8) +
               "\"/>";
      case 38:
      case 39: {
        const double k = glyph == 38 ? 1.0 : 0.7071;
        const std::string stroke = "class=\"symbol\" data-color=\"" + colour + "\" stroke=\"" + fill +
                                   "\" stroke-width=\"" + Format(std::max(1.5, r / 3)) + "\"";
        return glyph == 38 ? "<path " + stroke + " d=\"M" + at(-k, 0) + "L" + at(k, 0) + "M" + at(0, -k) +
                                 "L" + at(0, k) + "\"/>"
                           : "<path " + stroke + " d=\"M" + at(-k, -k) + "L" + at(k, k) + "M" + at(-k, k) +
                                 "L" + at(k, -k) + "\"/>";
      }
      default:
        return "<circle " + common + " cx=\"" + Format(cx) + "\" cy=\"" + Format(cy) + "\" r=\"" + Format(r) +
               "\"/>";
    }
  }

 private:
  int ids_ = 0;
};

// A generic view of the settings an element holds: its attributes, and its
// child elements (except those named in skip) with theirs, nested.
void Settings(Page& page, pugi::xml_node element, std::initializer_list<std::string_view> skipAttributes,
              std::initializer_list<std::string_view> skipChildren) {
  std::string items;
  for (const pugi::xml_attribute attribute : element.attributes()) {
    if (std::find(skipAttributes.begin(), skipAttributes.end(), attribute.name()) != skipAttributes.end())
      continue;
    items += "<dt>" + Escape(Words(attribute.name())) + "</dt><dd>" + Escape(attribute.value()) + "</dd>";
  }
  if (!items.empty() || element.find_child([&](pugi::xml_node child) {
        return child.type() == pugi::node_element &&
               std::find(skipChildren.begin(), skipChildren.end(), child.name()) == skipChildren.end();
      })) {
    page.Add("<dl class=\"settings\">" + items);
    for (const pugi::xml_node child : element.children()) {
      if (child.type() != pugi::node_element ||
          std::find(skipChildren.begin(), skipChildren.end(), child.name()) != skipChildren.end())
        continue;
      page.Add("<dt>" + Escape(Words(child.name())) + "</dt><dd>");
      if (child.first_child() && child.first_child().type() == pugi::node_pcdata)
        page.Text(child.child_value());
      Settings(page, child, {}, {});
      page.Add("</dd>");
    }
    page.Add("</dl>");
  }
}

// One legend row: the swatch and the row text, with what the row stands for.
void LegendRow(Page& page, pugi::xml_node styles, const std::string& text, const std::string& stands,
               bool hidden = false) {
  page.Add(std::string("<li class=\"row") + (hidden ? " hidden-row" : "") + "\">");
  page.Swatch(styles, text);
  page.Add("<span class=\"row-text\">");
  page.Text(text.empty() ? stands : text);
  page.Add("</span>");
  if (!stands.empty() && !text.empty()) page.Add("<span class=\"stands\">" + Escape(stands) + "</span>");
  if (hidden) page.Add("<span class=\"stands\">not shown</span>");
  page.Add("</li>");
}

// Where an item's styles stand: in a Styles element, or directly in the item.
pugi::xml_node StylesOf(pugi::xml_node item) {
  const pugi::xml_node styles = item.child("Styles");
  return styles ? styles : item;
}

// A range item's bounds, "low – high".
std::string Bounds(pugi::xml_node item) {
  return std::string(item.child("LowerBound").child("Value").child_value()) + " – " +
         item.child("UpperBound").child("Value").child_value();
}

// A chart: bars (stacked or side by side) or a pie of equal slices, in the items' brush colours.
void Chart(Page& page, pugi::xml_node items, bool pie, bool stacked) {
  std::vector<std::string> colours;
  for (const pugi::xml_node item : items.children())
    if (item.type() == pugi::node_element)
      colours.push_back(Colour(Drawing(item.child("BrushStyle")).attribute("foreground").value()));
  if (colours.empty()) return;
  std::string svg;
  const size_t n = colours.size();
  if (pie) {
    double angle = -1.5708;
    const double step = 6.28319 / static_cast<double>(n);
    for (size_t i = 0; i < n; ++i) {
      const double next = angle + step;
      const std::string fill = colours[i].empty() ? "var(--line)" : colours[i];
      if (n == 1) {
        svg += "<circle class=\"part\" data-color=\"" + colours[i] +
               "\" cx=\"24\" cy=\"24\" r=\"20\" fill=\"" + fill + "\"/>";
        break;
      }
      svg += "<path class=\"part\" data-color=\"" + colours[i] + "\" fill=\"" + fill +
             "\" stroke=\"var(--paper)\" d=\"M24,24 L" + Format(24 + 20 * std::cos(angle)) + "," +
             Format(24 + 20 * std::sin(angle)) + " A20,20 0 " + (step > 3.14159 ? "1" : "0") + ",1 " +
             Format(24 + 20 * std::cos(next)) + "," + Format(24 + 20 * std::sin(next)) + " Z\"/>";
      angle = next;
    }
    page.Canvas(48, 48, svg, "pie chart of " + std::to_string(n) + " parts");
    return;
  }
  double y = 44;
  for (size_t i = 0; i < n; ++i) {
    const double height = stacked ? 36.0 / static_cast<double>(n)
                                  : 12.0 + 28.0 * static_cast<double>(i + 1) / static_cast<double>(n);
    const double width = stacked ? 16.0 : std::min(12.0, 40.0 / static_cast<double>(n));
    const double x = stacked ? 16.0 : 4.0 + static_cast<double>(i) * width;
    const double top = stacked ? y - height : 44 - height;
    if (stacked) y -= height;
    const std::string fill = colours[i].empty() ? "var(--line)" : colours[i];
    svg += "<rect class=\"part\" data-color=\"" + colours[i] + "\" x=\"" + Format(x) + "\" y=\"" +
           Format(top) + "\" width=\"" + Format(width - (stacked ? 0 : 1)) + "\" height=\"" + Format(height) +
           "\" fill=\"" + fill + "\"/>";
  }
  page.Canvas(
      48, 48, svg,
      std::string(stacked ? "stacked" : "side-by-side") + " bar chart of " + std::to_string(n) + " bars");
}

// The legend settings of a theme: title and subtitle with their fonts, and the flags.
void LegendSettings(Page& page, pugi::xml_node legend) {
  if (!legend) return;
  page.Add("<div class=\"legend-settings\">");
  const auto Font = [](pugi::xml_node holder) {
    const pugi::xml_node drawing = Drawing(holder.child("FontStyle"));
    if (!drawing) return std::string();
    std::string text = drawing.attribute("family").value();
    if (drawing.attribute("pointSize"))
      text += std::string(", ") + drawing.attribute("pointSize").value() + " pt";
    if (drawing.attribute("slant")) text += std::string(", ") + drawing.attribute("slant").value();
    return text;
  };
  if (const pugi::xml_node title = legend.child("Title")) {
    page.Add("<p class=\"legend-title\"><strong>");
    page.Text(title.child("TitleText").child_value());
    page.Add("</strong>");
    if (const std::string font = Font(title); !font.empty())
      page.Add(" <span class=\"font\">" + Escape(font) + "</span>");
    page.Add("</p>");
  }
  if (const pugi::xml_node subtitle = legend.child("Subtitle")) {
    page.Add("<p class=\"legend-subtitle\">");
    page.Text(subtitle.child("SubtitleText").child_value());
    if (const std::string font = Font(subtitle); !font.empty())
      page.Add(" <span class=\"font\">" + Escape(font) + "</span>");
    page.Add("</p>");
  }
  Settings(page, legend, {}, {"Title", "Subtitle"});
  page.Add("</div>");
}

// A theme: its kind and expression, its settings, and the legend preview.
void Theme(Page& page, pugi::xml_node theme, size_t& themes) {
  ++themes;
  const std::string_view kind = theme.name();
  const std::string expression = theme.child("Expression").child("Reference").attribute("source").value();
  page.Add("<section class=\"theme\" data-kind=\"" + Escape(kind) + "\"><h4>" + Escape(Words(kind)));
  if (!expression.empty()) page.Add(" <span class=\"expression\">" + Escape(expression) + "</span>");
  page.Add("</h4>");
  page.Add("<figure class=\"legend\"><figcaption>Legend preview</figcaption>");
  LegendSettings(page, theme.child("Legend"));
  page.Add("<ul class=\"rows\">");
  if (kind == "RangeTheme" || kind == "ValueTheme") {
    for (const pugi::xml_node item :
         theme.child(kind == "RangeTheme" ? "RangeItems" : "ValueItems").children()) {
      const std::string_view name = item.name();
      if (name == "RangeItem")
        LegendRow(page, StylesOf(item), RowText(item), Bounds(item));
      else if (name == "ValueItem")
        LegendRow(page, StylesOf(item), RowText(item), item.child("Value").child_value());
      else if (name == "DefaultRange" || name == "DefaultValue")
        LegendRow(page, StylesOf(item), RowText(item), "all others");
    }
  } else if (kind == "BarTheme" || kind == "PieTheme") {
    const bool pie = kind == "PieTheme";
    const pugi::xml_node items = theme.child(pie ? "PieItems" : "BarItems");
    page.Add("<li class=\"chart\">");
    Chart(page, items, pie, static_cast<bool>(theme.child("BarHead").child("StackedBars")));
    page.Add("</li>");
    for (const pugi::xml_node item : items.children()) {
      if (item.type() != pugi::node_element) continue;
      pugi::xml_document holder;  // the item's brush, as the styles of one row
      holder.append_child("Styles").append_copy(item.child("BrushStyle"));
      LegendRow(page, holder.child("Styles"), RowText(item),
                item.child("Expression").child("Reference").attribute("source").value());
    }
  } else if (kind == "GraduatedTheme") {
    for (const char* which : {"FirstSymbol", "SecondSymbol"}) {
      const pugi::xml_node symbol = theme.child(which);
      if (!symbol) continue;
      const pugi::xml_node style = symbol.child("SymbolStyle");
      double scale = 0.35;
      for (const char* size : {"SmallRow", "MediumRow", "LargeRow"}) {
        const pugi::xml_node row = symbol.child(size);
        std::string label;
        const std::string shape = Page::SymbolShape(style, 20, 20, scale, label);
        page.Add("<li class=\"row\">");
        page.Canvas(40, 40, shape, label + ", " + Words(size) + ": " + RowText(row));
        page.Add("<span class=\"row-text\">" + Escape(RowText(row)) + "</span><span class=\"stands\">" +
                 Escape(Words(size)) + "</span></li>");
        scale += 0.325;
      }
    }
  } else if (kind == "SymbolTheme") {
    const pugi::xml_node symbol = theme.child("ThemeSymbol");
    const std::string value = theme.child("SymbolValue").child_value();
    for (const pugi::xml_node row : theme.children("Row"))
      LegendRow(page, symbol, RowText(row), value,
                std::string_view(row.attribute("shown").value()) == "false");
    if (!theme.child("Row"))
      LegendRow(page, symbol, std::string(), value);  // no legend row: the symbol alone
  }
  page.Add("</ul></figure>");
  page.Add("<details><summary>Theme settings</summary>");
  Settings(
      page, theme, {},
      {"RangeItems", "ValueItems", "BarItems", "PieItems", "Legend", "FirstSymbol", "SecondSymbol", "Row"});
  page.Add("</details></section>");
}

struct Counts {
  size_t windows = 0, layers = 0, themes = 0, tables = 0;
};

void Layer(Page& page, pugi::xml_node layer, pugi::xml_node tables, size_t& themes) {
  const std::string name = layer.attribute("name").value();
  page.Add("<li class=\"layer\" data-layer=\"" + Escape(name) + "\"><h3><span class=\"position\">" +
           Escape(layer.attribute("position").value()) + "</span> " + Escape(name) + "</h3>");
  const pugi::xml_node table = tables.find_child_by_attribute("Table", "alias", name.c_str());
  page.Add("<p class=\"table\">Table <code>" + Escape(name) + "</code>");
  if (table)
    page.Add(" from <code>" + Escape(table.attribute("file").value()) + "</code>");
  else
    page.Add(" (not among the open tables)");
  page.Add("</p>");
  if (const pugi::xml_node labels = layer.child("Labels")) {
    page.Add("<h4>Labels</h4><ul class=\"labels\">");
    for (const pugi::xml_node expression : labels.children("LabelExpression"))
      page.Add("<li><code>" + Escape(expression.child_value()) + "</code></li>");
    page.Add("</ul>");
    Settings(page, labels, {}, {"LabelExpression"});
  }
  Settings(page, layer, {"name", "position"}, {"Labels", "Themes"});
  for (const pugi::xml_node theme : layer.child("Themes").children())
    if (theme.type() == pugi::node_element) Theme(page, theme, themes);
  page.Add("</li>");
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

std::string RenderPage(const pugi::xml_document& document, const Result* result, const std::string& name,
                       bool parsed) {
  Page page;
  Head(page, name + " — Brevan report");
  const pugi::xml_node root = document.child("Workspace");
  const pugi::xml_node tables = root.child("Tables");
  Counts counts;
  for (const pugi::xml_node window : root.child("MapWindows").children("MapWindow")) {
    ++counts.windows;
    for (const pugi::xml_node layer : window.child("Layers").children("Layer")) {
      ++counts.layers;
      for (const pugi::xml_node theme : layer.child("Themes").children())
        if (theme.type() == pugi::node_element) ++counts.themes;
    }
  }
  for (const pugi::xml_node table : tables.children("Table")) {
    (void)table;
    ++counts.tables;
  }
  const bool ok = result ? result->ok : parsed;
  page.Add("<header><p class=\"kicker\">Brevan report</p><h1>");
  page.Text(name);
  page.Add("</h1><p class=\"status " + std::string(ok ? "ok\">Translated" : "failed\">Failed") +
           "</p><dl class=\"counts\">");
  const auto Count = [&](const char* what, size_t n) {
    page.Add(std::string("<div><dt>") + what + "</dt><dd>" + std::to_string(n) + "</dd></div>");
  };
  Count("map windows", counts.windows);
  Count("layers", counts.layers);
  Count("themes", counts.themes);
  Count("tables", counts.tables);
  if (result) {
    Count("errors", result->errors.size());
    Count("warnings", result->warnings.size());
    Count("remarks", result->Count(Severity::Remark));
    Count("passed over", result->skipped.size());
  }
  page.Add("</dl></header><main>");
  if (result) Diagnostics(page, *result);
  if (!parsed) page.Add("<p>The document could not be read: nothing more to show.</p>");
  if (tables) {
    page.Add(
        "<section aria-labelledby=\"tables\"><h2 id=\"tables\">Tables</h2><table><thead><tr><th "
        "scope=\"col\">Alias</th><th scope=\"col\">File</th><th "
        "scope=\"col\">Settings</th></tr></thead><tbody>");
    for (const pugi::xml_node table : tables.children("Table")) {
      std::string settings;
      for (const pugi::xml_attribute attribute : table.attributes()) {
        const std::string_view key = attribute.name();
        if (key == "alias" || key == "file") continue;
        settings += (settings.empty() ? "" : ", ") + Words(key) + " " + attribute.value();
      }
      page.Add("<tr><td><code>" + Escape(table.attribute("alias").value()) + "</code></td><td><code>" +
               Escape(table.attribute("file").value()) + "</code></td><td>" + Escape(settings) +
               "</td></tr>");
    }
    page.Add("</tbody></table></section>");
  }
  size_t number = 0, themes = 0;
  for (const pugi::xml_node window : root.child("MapWindows").children("MapWindow")) {
    const std::string id = "window" + std::to_string(++number);
    page.Add("<section class=\"window\" aria-labelledby=\"" + id + "\"><h2 id=\"" + id + "\">Map window " +
             std::to_string(number) + "</h2>");
    Settings(page, window, {}, {"Layers"});
    page.Add("<ol class=\"layers\">");
    for (const pugi::xml_node layer : window.child("Layers").children("Layer"))
      Layer(page, layer, tables, themes);
    page.Add("</ol></section>");
  }
  page.Add("</main></body></html>\n");
  return std::move(page.html);
}

}  // namespace

std::string RenderHtml(const Result& result, const std::string& name) {
  pugi::xml_document document;
  const bool parsed = result.xml.empty() || document.load_buffer(result.xml.data(), result.xml.size());
  return RenderPage(document, &result, name, parsed);
}

std::string RenderHtml(std::string_view xml, const std::string& name) {
  pugi::xml_document document;
  const bool parsed = static_cast<bool>(document.load_buffer(xml.data(), xml.size()));
  return RenderPage(document, nullptr, name, parsed);
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
