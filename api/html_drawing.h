// Inside the public API: legend previews as inline SVG, drawn from the
// styles of the read model.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "brevan/workspace.h"

namespace brevan::html {

// Text for a page: markup characters as entities, control characters
// (C0 but tab and line feed, DEL, C1) shown by their code, \x1b or \u009b.
std::string Escape(std::string_view text);

// A colour as the document writes it, "rgb(r,g,b)", checked so that it can
// stand in an attribute; empty when it is not one.
std::string Colour(std::string_view text);

// A number with one decimal.
std::string Format(double value);

// Draws the swatches of one page. Each distinct drawing is defined once,
// as an SVG symbol, and every swatch that shows it uses it: a page of a
// thousand layers with the same legends is not a thousand times the
// drawings.
class Drawing {
 public:
  // The swatch of one legend row: the item's brush (its border or pen as
  // the outline), else its pen, and its symbol, on one small canvas. Its
  // label says in words what it shows, then text.
  std::string Swatch(const Styles& styles, const std::string& text);
  // A graduated theme's symbol at scale, with its label.
  std::string GrowingSymbol(const SymbolStyle& symbol, double scale, const std::string& text);
  // A chart: bars (stacked or side by side) or a pie of equal slices, in the items' brush colours.
  std::string Chart(const std::vector<ThemeItem>& items, bool pie, bool stacked);
  // The definitions of every drawing used, to stand once in the page.
  std::string Definitions() const;

 private:
  // A canvas that uses the drawing svg, defined when it is new.
  std::string Canvas(int width, int height, const std::string& svg, const std::string& drawn,
                     const std::string& label);
  std::string BrushShape(const BrushStyle& brush, const PenStyle* outline, std::string& label);
  static std::string PenShape(const PenStyle& pen, int x1, int y1, int x2, int y2, std::string& label);
  static std::string SymbolShape(const SymbolStyle& symbol, double cx, double cy, double scale,
                                 std::string& label);

  std::unordered_map<std::string, std::string> ids_;  // a drawing's SVG to its symbol's id
  std::string definitions_;
};

}  // namespace brevan::html
