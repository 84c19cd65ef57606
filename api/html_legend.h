// Inside the public API: the legend previews of report pages (a theme's
// legend settings and rows, drawn with html::Drawing), and the words and
// numbers pages write.
#pragma once

#include <string>
#include <vector>

#include "api/html_drawing.h"
#include "brevan/workspace.h"

namespace brevan::html {

// A number as people read it: as the document writes it, whole numbers of
// five digits and more in groups of three (100,000).
std::string Readable(const std::string& number);
std::string Readable(double value);

const char* OnOff(bool value);

std::string Joined(const std::vector<std::string>& parts, const char* between = ", ");

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

// A theme's legend preview: its legend settings and its rows, the rows
// past the first ones folded; empty when it has neither.
std::string Preview(Drawing& drawing, const Theme& theme);

}  // namespace brevan::html
