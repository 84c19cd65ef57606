// Synthetic workspaces for benchmarks: scale 1 has 1,010 layers in 10 map
// windows and about 63,000 theme items; each doubling doubles everything.
#pragma once

#include <string>

namespace brevan::bench {

std::string GenerateWorkspace(int scale);

// Workloads that stress one statement or clause, each linear in n in its
// own size (see GenerateShape): a growing list per item shows up as
// quadratic growth.
enum class Shape {
  kColours,  // a range theme of n items, one colour clause per item
  kLabels,   // n layers, each given a label expression in one set-map statement
  kLegend,   // n / 100 layers with a 100-item theme each, one legend statement naming them all
  // n map windows over the same tables, each naming them twice, given a
  // theme (which sets an element aside) and set by a set-map statement
  kWindows,
  kRepeats,  // one map window naming one table n times
  kItems,    // a value theme of n items
  // n layers as workspaces hold them: windows of 8 tables, each layer with a
  // theme of one of the six kinds in turn, labels on every third, a legend
  // statement over each window's layers, statements passed over between
  kRealistic,
  // the same with windows of 24 tables, a theme on every other layer and
  // labels on every layer
  kRealisticWide,
};

struct ShapeInfo {
  Shape shape;
  const char* name;
};
inline constexpr ShapeInfo kShapes[] = {
    {Shape::kColours, "colours"},     {Shape::kLabels, "labels"},
    {Shape::kLegend, "legend"},       {Shape::kWindows, "windows"},
    {Shape::kRepeats, "repeats"},     {Shape::kItems, "items"},
    {Shape::kRealistic, "realistic"}, {Shape::kRealisticWide, "realistic-wide"},
};

std::string GenerateShape(Shape shape, int n);

// The knobs of a realistic workspace of n tables, each shown as a layer.
struct Mix {
  int perWindow = 8;   // tables in each map window
  int themeEvery = 1;  // a theme on every k-th layer of a window
  int labelEvery = 3;  // labels on every k-th layer of a window; 0 for none
};
std::string GenerateRealistic(int n, const Mix& mix);

}  // namespace brevan::bench
