// brevan_generate [SHAPE] N: writes a synthetic workspace to standard output,
// the mixed workload at scale N or one of the shapes of n = N.
// realistic:P,T,L sets the realistic shape's knobs: P tables a window, a
// theme on every T-th layer, labels on every L-th (0: none).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/generate.h"

int main(int argc, char** argv) {
  const char* shapeName = argc > 2 ? argv[1] : nullptr;
  const int n = argc > 1 ? std::atoi(argv[argc > 2 ? 2 : 1]) : 1;
  std::string workspace;
  brevan::bench::Mix mix;
  if (shapeName &&
      std::sscanf(shapeName, "realistic:%d,%d,%d", &mix.perWindow, &mix.themeEvery, &mix.labelEvery) == 3) {
    if (mix.perWindow >= 1 && mix.themeEvery >= 1 && mix.labelEvery >= 0)
      workspace = brevan::bench::GenerateRealistic(n, mix);
  } else if (shapeName && std::strcmp(shapeName, "mixed") != 0) {
    for (const brevan::bench::ShapeInfo& info : brevan::bench::kShapes)
      if (std::strcmp(info.name, shapeName) == 0) workspace = brevan::bench::GenerateShape(info.shape, n);
  } else {
    workspace = brevan::bench::GenerateWorkspace(n);
  }
  if (n < 1 || workspace.empty()) {
    std::fprintf(stderr,
                 "usage: brevan_generate [mixed|colours|labels|legend|windows|repeats|items|realistic|"
                 "realistic-wide|realistic:P,T,L] N (1 or more)\n");
    return 2;
  }
  return std::fwrite(workspace.data(), 1, workspace.size(), stdout) == workspace.size() ? 0 : 1;
}
