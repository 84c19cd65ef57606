// A synthetic but valid workspace of a chosen size: tables, map windows of
// many layers (one table repeated in each window), six themes of every kind
// on every layer with many items, set-map layer clauses, and legend
// settings for every theme.
#include "bench/generate.h"

#include <algorithm>
#include <vector>

namespace brevan::bench {

namespace {

constexpr int kWindowsPerScale = 10;
constexpr int kTablesPerWindow = 100;  // the window adds one repeated table: 101 layers
constexpr int kRangeItems = 10;
constexpr int kValueItems = 53;
constexpr int kThemesPerLayer = 6;

std::string Table(int window, int table) {
  std::string name = "T";
  name += std::to_string(window);
  name += '_';
  name += std::to_string(table);
  return name;
}

// The themes of one layer, numbered as the layer stands when they come.
void Themes(int number, std::string& out) {
  const std::string n = std::to_string(number);
  std::string text = "Theme " + n + " With Population Ranges Apply All Spread Color Brush (2, 16777215)\n ";
  for (int i = 0; i < kRangeItems; ++i) {
    text += ' ';
    text += std::to_string(i * 1000);
    text += " : ";
    text += std::to_string(i * 1000 + 1000);
    text += " Brush (2, ";
    text += std::to_string(i * 1000003 % 16777216);
    text += i + 1 < kRangeItems ? ")," : ")";
  }
  text += " Else Brush (2, 12632256)\n  Adjust Mode 1 Adjust\n";
  text += "Theme " + n + " With Kind Values Apply Color";
  for (int i = 0; i < kValueItems; ++i) {
    text += i ? ", \"K" : " \"K";
    text += std::to_string(i);
    text += '"';
  }
  text += " Else Brush (2, 0)\n";
  text += "Theme " + n +
          " With A, B, C Stacked Bars Max Size 0.5 Units \"in\" Each Brush (2, 255), Brush (2, 65280), "
          "Brush (2, 16711680)\n";
  text +=
      "Theme " + n + " With A, B Pie Angle 90 Max Size 1 Units \"cm\" Each Brush (2, 255) Brush (2, 65280)\n";
  text += "Theme " + n + " With Population Graduated 0 : 2 1000000 : 36 Symbol (34, 16711680, 24)\n";
  text += "Theme " + n + " With Beds Single 1 : 12 Color 16711680\n";
  out += text;
}

}  // namespace

std::string GenerateWorkspace(int scale) {
  std::string out;
  const auto Print = [&out](const std::string& text) { out += text; };
  const int windows = kWindowsPerScale * scale;
  Print("!version 300\n# Generated workspace, scale " + std::to_string(scale) + "\n");
  for (int w = 0; w < windows; ++w)
    for (int t = 0; t < kTablesPerWindow; ++t)
      Print("Open Table \"data/" + Table(w, t) + ".tbl\" As " + Table(w, t) + " Codepage 1252\n");
  int layers = 0;
  for (int w = 0; w < windows; ++w) {
    std::string text = "Map From ";
    for (int t = 0; t < kTablesPerWindow; ++t) text += Table(w, t) + ", ";
    text += Table(w, 0) + "\n  Position (1, 1) Units \"in\" Width 8 Height 6\n";
    // Layer numbers run over every window: this window's first layer comes after the earlier ones.
    text += "Set Map Center (" + std::to_string(w) + ", 50) Zoom 40 Units \"km\"\n";
    for (int t = 0; t < kTablesPerWindow; t += 10)
      text += "  Layer " + std::to_string(layers + t + 1) + " Label With Name Font (\"Sans\", 1, 8, 0)\n";
    Print(text);
    layers += kTablesPerWindow + 1;
  }
  // From the last layer to the first, so that the themes of a layer shift
  // only the numbers of layers that already have theirs.
  for (int layer = layers; layer >= 1; --layer) Themes(layer, out);
  // Layer k now stands at 1 + 7 (k - 1): each has its six copies before it.
  std::string legend = "Set Legend Scale Off\n";
  for (int layer = 1; layer <= layers; ++layer) {
    const std::string n = std::to_string(1 + (kThemesPerLayer + 1) * (layer - 1));
    legend += "  Layer " + n + " Title \"Beds\" Ranges \"Bed\"\n";
    legend += "  Layer " + n + " Title \"Population\" Ranges \"skip\", \"1\", \"2\", \"3\"\n";
    legend += "  Layer " + n + " Ranges \"skip\", \"A\", \"B\"\n";
    legend += "  Layer " + n + " Ranges \"skip\", \"A\", \"B\", \"C\"\n";
    legend += "  Layer " + n + " Ranges \"Other\", \"K0\", \"K1\"\n";
    legend += "  Layer " + n + " Title \"Population\" Counts On Ranges \"Other\", \"Low\", \"Next\"\n";
  }
  Print(legend);
  return out;
}

}  // namespace brevan::bench

namespace brevan::bench {

namespace {

std::string Colours(int n) {
  std::string text = "!version 300\nOpen Table \"a.tbl\" As A\nMap From A\nTheme 1 With X Ranges ";
  for (int i = 0; i < n; ++i) text += (i ? ", " : "") + std::to_string(i) + " : " + std::to_string(i + 1);
  text += "\n  Adjust";
  for (int i = 0; i < n; ++i)
    text += " Colors On Brush (2, " + std::to_string(i) + ") At " + std::to_string(i + 1);
  return text + "\n";
}

// n tables in one window.
std::string OneWindow(int n) {
  std::string text = "!version 300\n";
  for (int i = 0; i < n; ++i)
    text += "Open Table \"t" + std::to_string(i) + ".tbl\" As T" + std::to_string(i) + "\n";
  text += "Map From ";
  for (int i = 0; i < n; ++i) text += (i ? ", T" : "T") + std::to_string(i);
  return text + "\n";
}

std::string Labels(int n) {
  std::string text = OneWindow(n) + "Set Map\n";
  for (int i = 1; i <= n; ++i)
    text += "  Layer " + std::to_string(i) + " Label With Name + \" (\" + Str$(Population / " +
            std::to_string(i) + ") + \")\" Font (\"Sans\", 1, 8, 0) Position Center Above\n";
  return text;
}

std::string Legend(int n) {
  constexpr int kItems = 100;
  const int layers = std::max(1, n / kItems);
  std::string text = OneWindow(layers);
  for (int layer = 1; layer <= layers; ++layer) {
    // Each theme goes in front of its layer: layer k's theme is layer k + (k - 1).
    text += "Theme " + std::to_string(2 * layer - 1) + " With X Ranges ";
    for (int i = 0; i < kItems; ++i)
      text += (i ? ", " : "") + std::to_string(i) + " : " + std::to_string(i + 1) + " Brush (2, " +
              std::to_string(i * 1000003 % 16777216) + ")";
    text += " Else Brush (2, 12632256)\n";
  }
  text += "Set Legend\n";
  for (int layer = 1; layer <= layers; ++layer) {
    text += "  Layer " + std::to_string(2 * layer - 1) + " Title \"T" + std::to_string(layer) +
            "\" Ranges \"Other\"";
    for (int i = 0; i < kItems; ++i) text += ", \"Row " + std::to_string(i) + "\"";
    text += "\n";
  }
  return text;
}

std::string Windows(int n) {
  std::string text = "!version 300\nOpen Table \"a.tbl\" As A\nOpen Table \"b.tbl\" As B\n";
  for (int i = 0; i < n; ++i)
    text +=
        "Map From A, B, A, B\n  Position (" + std::to_string(i % 100) +
        ", 0) Units \"in\" Width 4 Height 3\nTheme 1 With Class Values \"x\" Pen (1, 2, 255)\nSet Map Zoom " +
        std::to_string(i % 50 + 1) + " Units \"km\"\n";
  return text;
}

std::string Repeats(int n) {
  std::string text = "!version 300\nOpen Table \"a.tbl\" As A\nMap From A";
  for (int i = 1; i < n; ++i) text += ", A";
  return text + "\n";
}

// The theme of kind (0 to 5: range, value, bar, pie, graduated, single
// symbol) for layer number, and the legend clause that names its rows.
std::string RealisticTheme(int kind, const std::string& number) {
  std::string text = "Theme " + number;
  switch (kind) {
    case 0:
      text += " With Population Ranges";
      for (int i = 0; i < 5; ++i)
        text += (i ? ", " : " ") + std::to_string(i * 1000) + " : " + std::to_string(i * 1000 + 1000) +
                " Brush (2, " + std::to_string(i * 3355443) + ") Pen (1, 2, 0)";
      return text + " Else Brush (2, 12632256)\n";
    case 1:
      text += " With Class Values Apply Color";
      for (int i = 0; i < 8; ++i)
        text +=
            (i ? ", \"C" : " \"C") + std::to_string(i) + "\" Brush (2, " + std::to_string(i * 2097152) + ")";
      return text + " Else Brush (2, 0)\n";
    case 2:
      return text +
             " With A, B, C Stacked Bars Max Size 0.5 Units \"in\" Each Brush (2, 255), Brush (2, 65280), "
             "Brush (2, 16711680)\n";
    case 3:
      return text + " With A, B Pie Angle 90 Max Size 1 Units \"cm\" Each Brush (2, 255) Brush (2, 65280)\n";
    case 4:
      return text + " With Population Graduated 0 : 2 1000000 : 36 Symbol (34, 16711680, 24)\n";
    default:
      return text + " With Beds Single 1 : 12 Color 16711680\n";
  }
}

const char* const kRealisticRows[] = {
    "Title \"Population\" Ranges \"Other\", \"Low\", \"Next\", \"Mid\", \"High\", \"Top\"",
    "Title \"Class\" Ranges \"Other\", \"C0\", \"C1\", \"C2\"",
    "Title \"Mix\" Ranges \"skip\", \"A\", \"B\", \"C\"",
    "Ranges \"skip\", \"A\", \"B\"",
    "Title \"Population\" Ranges \"skip\", \"1\", \"2\", \"3\"",
    "Title \"Beds\" Ranges \"Bed\"",
};

}  // namespace

std::string GenerateRealistic(int n, const Mix& mix) {
  const int perWindow = std::max(1, mix.perWindow);
  const int themeEvery = std::max(1, mix.themeEvery);
  std::string text = "!version 300\n";
  for (int i = 0; i < n; ++i)
    text += "Open Table \"data/T" + std::to_string(i) + ".tbl\" As T" + std::to_string(i) +
            (i % 4 == 0   ? " Interactive"
             : i % 4 == 1 ? " Codepage 1252"
                          : "") +
            "\n";
  int before = 0;  // layers of the earlier windows, theme layers included
  for (int first = 0; first < n; first += perWindow) {
    const int count = std::min(perWindow, n - first);
    const auto themed = [&](int t) { return t % themeEvery == 0; };
    text += "Map From ";
    for (int t = 0; t < count; ++t) text += (t ? ", T" : "T") + std::to_string(first + t);
    text += "\n  Position (1, 1) Units \"in\" Width 8 Height 6\nSet Map Center (" +
            std::to_string(first % 90) + ", 50) Zoom 40 Units \"km\" Preserve Zoom\n";
    // From the last layer to the first, so that a theme shifts only layers
    // that have theirs; then layer t stands at before + t + the themes before it.
    for (int t = count; t >= 1; --t)
      if (themed(t)) text += RealisticTheme((first + t) % 6, std::to_string(before + t));
    std::vector<int> at(count + 1);
    for (int t = 1, themes = 0; t <= count; ++t) {
      at[t] = before + t + themes;
      themes += themed(t);
    }
    if (mix.labelEvery > 0) {
      text += "Set Map\n";
      for (int t = mix.labelEvery; t <= count; t += mix.labelEvery)
        text += "  Layer " + std::to_string(at[t]) +
                " Label With Name Font (\"Sans\", 1, 8, 0) Position Center Above\n";
    }
    if (count >= themeEvery) {
      text += "Set Legend\n";
      for (int t = themeEvery; t <= count; t += themeEvery)
        text += "  Layer " + std::to_string(at[t]) + " " + kRealisticRows[(first + t) % 6] + "\n";
    }
    text += "Browse * From T" + std::to_string(first) + "\nSet Window FrontWindow() Width 8 Units \"in\"\n";
    before += count + count / themeEvery;
  }
  return text;
}

namespace {

std::string Items(int n) {
  std::string text =
      "!version 300\nOpen Table \"a.tbl\" As A\nMap From A\nTheme 1 With Kind Values Apply Color";
  for (int i = 0; i < n; ++i) text += (i ? ", \"K" : " \"K") + std::to_string(i) + "\"";
  return text + " Else Brush (2, 0)\n";
}

}  // namespace

std::string GenerateShape(Shape shape, int n) {
  switch (shape) {
    case Shape::kColours:
      return Colours(n);
    case Shape::kLabels:
      return Labels(n);
    case Shape::kLegend:
      return Legend(n);
    case Shape::kWindows:
      return Windows(n);
    case Shape::kRepeats:
      return Repeats(n);
    case Shape::kItems:
      return Items(n);
    case Shape::kRealistic:
      return GenerateRealistic(n, Mix());
    case Shape::kRealisticWide:
      return GenerateRealistic(n, Mix{24, 2, 1});
  }
  return {};
}

}  // namespace brevan::bench
