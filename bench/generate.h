// Synthetic workspaces for benchmarks: scale 1 has 1,010 layers in 10 map
// windows and about 63,000 theme items; each doubling doubles everything.
#pragma once

#include <string>

namespace brevan::bench {

std::string GenerateWorkspace(int scale);

}  // namespace brevan::bench
