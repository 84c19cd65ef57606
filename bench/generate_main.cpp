// brevan_generate SCALE: writes a synthetic workspace to standard output.
#include <cstdio>
#include <cstdlib>

#include "bench/generate.h"

int main(int argc, char** argv) {
  const int scale = argc > 1 ? std::atoi(argv[1]) : 1;
  if (scale < 1) {
    std::fprintf(stderr, "usage: brevan_generate SCALE (1 or more)\n");
    return 2;
  }
  const std::string workspace = brevan::bench::GenerateWorkspace(scale);
  return std::fwrite(workspace.data(), 1, workspace.size(), stdout) == workspace.size() ? 0 : 1;
}
