// Every workload shape of the benchmark generator at two sizes four times
// apart: linear work grows about 4 times, quadratic 16. The guard fails only
// past 6 times, so noise never trips it (and it runs alone). Not a timing test.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string>

#include "bench/generate.h"
#include "brevan/brevan.h"

namespace {

using brevan::bench::Shape;

// The smaller size of each shape, in the order of Shape: large enough that
// the fixed costs do not hide the growth, small enough to stay quick under
// the sanitizers.
constexpr int kSmallSizes[] = {1500, 1000, 4000, 1000, 1000, 32000};
static_assert(std::size(kSmallSizes) == std::size(brevan::bench::kShapes));

double FastestSeconds(const std::string& text) {
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    // Translation alone: printing a document larger than the caches grows
    // faster than its size for reasons no statement causes (and is checked
    // on its own in the document's tests).
    brevan::Options check;
    check.check = true;
    const brevan::Result result = brevan::TranslateBytes(text, check);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_TRUE(result.ok) << result.message;
  }
  return best;
}

class ScalingGuardTest : public testing::TestWithParam<brevan::bench::ShapeInfo> {};

TEST_P(ScalingGuardTest, GrowsLinearly) {
  // Memory stays with the process between runs: the fastest run then
  // measures work, not how long the kernel takes to hand out fresh pages,
  // which wanders with the machine's state.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  const Shape shape = GetParam().shape;
  const std::string largeText = brevan::bench::GenerateShape(shape, 4 * kSmallSizes[static_cast<int>(shape)]);
  const double small =
      FastestSeconds(brevan::bench::GenerateShape(shape, kSmallSizes[static_cast<int>(shape)]));
  const double large = FastestSeconds(largeText);
  EXPECT_LT(large, 6 * small) << small << " s, then " << large << " s";
}

INSTANTIATE_TEST_SUITE_P(Shapes, ScalingGuardTest, testing::ValuesIn(brevan::bench::kShapes),
                         [](const testing::TestParamInfo<brevan::bench::ShapeInfo>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
