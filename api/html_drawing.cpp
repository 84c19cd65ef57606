// Legend previews: each style of the read model drawn as inline SVG in the
// colours the document gives, with a title that says in words what it shows.
#include "api/html_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace brevan::html {

namespace {

// The hatches of brushes 3 to 8 in a tile of 6 units: horizontal, vertical,
// down diagonal, up diagonal, grid, diagonal grid (x1 < 0: no second line).
struct HatchLine {
  int x1, y1, x2, y2;
};
constexpr HatchLine kNone{-1, 0, 0, 0}, kAcross{0, 3, 6, 3}, kDownward{3, 0, 3, 6}, kFalling{0, 0, 6, 6},
    kRising{0, 6, 6, 0};
constexpr HatchLine kHatches[6][2] = {{kAcross, kNone}, {kDownward, kNone},   {kFalling, kNone},
                                      {kRising, kNone}, {kAcross, kDownward}, {kFalling, kRising}};

}  // namespace

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

std::string Format(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

std::string Drawing::Swatch(const Styles& styles, const std::string& text) {
  std::string svg, label;
  const PenStyle* outline = styles.border ? &*styles.border : styles.pen ? &*styles.pen : nullptr;
  if (styles.brush) svg += BrushShape(*styles.brush, outline, label);
  if (styles.pen && !styles.brush) svg += PenShape(*styles.pen, 4, 10, 36, 10, label);
  if (styles.symbol) {
    std::string symbolLabel;
    svg += SymbolShape(*styles.symbol, 20, 10, 1.0, symbolLabel);
    label += (label.empty() ? "" : ", ") + symbolLabel;
  }
  if (svg.empty()) label = "no style";
  return Canvas(40, 20, svg, label, label + (text.empty() ? "" : ": " + text));
}

std::string Drawing::GrowingSymbol(const SymbolStyle& symbol, double scale, const std::string& text) {
  std::string label;
  const std::string shape = SymbolShape(symbol, 20, 20, scale, label);
  return Canvas(40, 40, shape, label, label + (text.empty() ? "" : ": " + text));
}

std::string Drawing::Canvas(int width, int height, const std::string& svg, const std::string& drawn,
                            const std::string& label) {
  const std::string box = "0 0 " + std::to_string(width) + " " + std::to_string(height);
  auto [entry, added] = ids_.try_emplace(svg, "d" + std::to_string(ids_.size() + 1));
  if (added) {
    // A hatch pattern is drawn once too: its id is the drawing's.
    std::string body = svg;
    for (size_t at; (at = body.find("HATCH")) != std::string::npos;) body.replace(at, 5, entry->second + "h");
    definitions_ += "<symbol id=\"" + entry->second + "\" viewBox=\"" + box + "\"><title>" + Escape(drawn) +
                    "</title>" + body + "</symbol>";
  }
  return "<svg class=\"swatch\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" role=\"img\" aria-label=\"" + Escape(label) + "\"><use href=\"#" + entry->second + "\"/></svg>";
}

std::string Drawing::Definitions() const {
  if (definitions_.empty()) return std::string();
  return "<svg class=\"definitions\" width=\"0\" height=\"0\" aria-hidden=\"true\">" + definitions_ +
         "</svg>";
}

// A brush as a filled box: patterns 1 (hollow) and 2 (solid) as they are,
// 3 to 8 as line hatches, any other as a dot screen (an approximation).
std::string Drawing::BrushShape(const BrushStyle& brush, const PenStyle* border, std::string& label) {
  const std::string foreground = Colour(brush.foreground);
  const std::string background = Colour(brush.background);
  const bool opaque = brush.opaque;
  const int pattern = brush.pattern;
  std::string outline = "var(--line)";
  std::string outlineWidth = "1";
  if (border) {
    const std::string colour = Colour(border->color);
    if (!colour.empty()) outline = colour;
    outlineWidth = Format(
        std::clamp(std::atof(border->width.c_str()) > 0 ? std::atof(border->width.c_str()) : 1.0, 1.0, 4.0));
  }
  const std::string box = "x=\"2\" y=\"2\" width=\"36\" height=\"16\" rx=\"2\"";
  label = "brush " + (pattern <= 0 ? std::string("?") : std::to_string(pattern)) + " in " +
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
  // The id is the drawing's, filled in when it is defined (Canvas).
  const std::string id = "HATCH";
  std::string marks;
  if (pattern >= 3 && pattern <= 8) {
    for (const HatchLine& line : kHatches[pattern - 3]) {
      if (line.x1 < 0) continue;
      marks += "<line x1=\"" + std::to_string(line.x1) + "\" y1=\"" + std::to_string(line.y1) + "\" x2=\"" +
               std::to_string(line.x2) + "\" y2=\"" + std::to_string(line.y2) + "\" stroke=\"" + foreground +
               "\" stroke-width=\"1.2\"/>";
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
// dotted, 2 solid, any other dashed (an approximation). A width in points
// ("2.5pt") is drawn as that many pixels.
std::string Drawing::PenShape(const PenStyle& pen, int x1, int y1, int x2, int y2, std::string& label) {
  const std::string colour = Colour(pen.color);
  const double given = std::atof(pen.width.c_str());
  const double width = std::clamp(given > 0 ? given : 1.0, 1.0, 8.0);
  const int pattern = pen.pattern;
  label = "pen " + (pattern <= 0 ? std::string("?") : std::to_string(pattern)) + ", width " + Format(width) +
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
std::string Drawing::SymbolShape(const SymbolStyle& symbol, double cx, double cy, double scale,
                                 std::string& label) {
  const std::string colour = Colour(symbol.color);
  const double points = symbol.size > 0 ? symbol.size : 12;
  // Sizes are drawn to scale up to 21 points, larger ones as 21.
  const double r = std::max(1.5, std::clamp(points * 0.42, 2.0, 9.0) * scale);
  const int glyph = symbol.shape;
  const std::string fill = colour.empty() ? "var(--ink)" : colour;
  label = "symbol " + (glyph <= 0 ? std::string("?") : std::to_string(glyph)) + ", " + Format(points) +
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
      return glyph == 38 ? "<path " + stroke + " d=\"M" + at(-k, 0) + "L" + at(k, 0) + "M" + at(0, -k) + "L" +
                               at(0, k) + "\"/>"
                         : "<path " + stroke + " d=\"M" + at(-k, -k) + "L" + at(k, k) + "M" + at(-k, k) +
                               "L" + at(k, -k) + "\"/>";
    }
    default:
      return "<circle " + common + " cx=\"" + Format(cx) + "\" cy=\"" + Format(cy) + "\" r=\"" + Format(r) +
             "\"/>";
  }
}

std::string Drawing::Chart(const std::vector<ThemeItem>& items, bool pie, bool stacked) {
  std::vector<std::string> colours;
  colours.reserve(items.size());
  for (const ThemeItem& item : items)
    colours.push_back(item.styles.brush ? Colour(item.styles.brush->foreground) : "");
  if (colours.empty()) return std::string();
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
    const std::string label = "pie chart of " + std::to_string(n) + " parts";
    return Canvas(48, 48, svg, label, label);
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
  const std::string label =
      std::string(stacked ? "stacked" : "side-by-side") + " bar chart of " + std::to_string(n) + " bars";
  return Canvas(48, 48, svg, label, label);
}

}  // namespace brevan::html
