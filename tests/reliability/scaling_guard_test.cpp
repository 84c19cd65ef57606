// Workloads that once grew quadratically, at two sizes four times apart:
// linear work grows about 4 times, quadratic 16. The guard fails only past
// 8 times, so noise never trips it. Not a timing test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include "brevan/brevan.h"

namespace {

// A range theme of n items and a legend block giving each item a colour.
std::string ColourClauses(int n) {
  std::string text = "Map From A\nTheme 1 With X Ranges ";
  for (int i = 0; i < n; ++i) text += (i ? ", " : "") + std::to_string(i) + " : " + std::to_string(i + 1);
  text += "\n  Adjust";
  for (int i = 0; i < n; ++i)
    text += " Colors On Brush (2, " + std::to_string(i) + ") At " + std::to_string(i + 1);
  return text + "\n";
}

double FastestSeconds(const std::string& text) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const brevan::Result result = brevan::TranslateBytes(text);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_TRUE(result.ok) << result.message;
  }
  return best;
}

TEST(ScalingGuardTest, ColourClausesGrowLinearly) {
  const double small = FastestSeconds(ColourClauses(1500));
  const double large = FastestSeconds(ColourClauses(6000));
  EXPECT_LT(large, 8 * small) << small << " s, then " << large << " s";
}

}  // namespace
