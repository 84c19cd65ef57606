// Every workload shape of the benchmark generator at two sizes four times
// apart: linear work grows about 4 times, quadratic 16. The guard fails
// past 8 times, twice the linear growth, so that noise does not trip it,
// and half the quadratic growth, so that a quadratic path does; the last
// test shows it on a loop planted to be quadratic. Medians of runs of the
// two sizes taken in turn, so that both see the machine in the same state.
// Built only without sanitizers: a timing under them measures them.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "brevan/brevan.h"

namespace {

using brevan::bench::Shape;

constexpr double kGrowthLimit = 8;  // for four times the size
constexpr int kRuns = 7;

// The smaller size of each shape, in the order of Shape: large enough that
// the fixed costs do not hide the growth, small enough to stay quick.
constexpr int kSmallSizes[] = {1500, 1000, 4000, 4000, 1000, 32000, 250, 250};
static_assert(std::size(kSmallSizes) == std::size(brevan::bench::kShapes));

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// How many times longer the large work takes than the small one.
double Growth(const std::function<void()>& small, const std::function<void()>& large) {
  // Memory stays with the process between runs: the runs then measure
  // work, not how long the kernel takes to hand out fresh pages.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  std::vector<double> smalls, larges;
  for (int run = 0; run < kRuns; ++run) {
    smalls.push_back(Seconds(small));
    larges.push_back(Seconds(large));
  }
  return Median(larges) / Median(smalls);
}

// Translation alone: printing a document larger than the caches grows
// faster than its size for reasons no statement causes (and is checked on
// its own in the document's tests).
std::function<void()> Translation(const std::string& text) {
  return [&text] {
    brevan::Options check;
    check.check = true;
    const brevan::Result result = brevan::TranslateBytes(text, check);
    EXPECT_TRUE(result.ok) << result.message;
  };
}

class ScalingGuardTest : public testing::TestWithParam<brevan::bench::ShapeInfo> {};

TEST_P(ScalingGuardTest, GrowsLinearly) {
  const Shape shape = GetParam().shape;
  const int size = kSmallSizes[static_cast<int>(shape)];
  const std::string small = brevan::bench::GenerateShape(shape, size);
  const std::string large = brevan::bench::GenerateShape(shape, 4 * size);
  const double growth = Growth(Translation(small), Translation(large));
  RecordProperty("growth", std::to_string(growth));
  EXPECT_LT(growth, kGrowthLimit);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ScalingGuardTest, testing::ValuesIn(brevan::bench::kShapes),
                         [](const testing::TestParamInfo<brevan::bench::ShapeInfo>& info) {
                           std::string name = info.param.name;  // test names take no hyphen
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// The guard trips on a quadratic path: each item looked up in a list
// searched from its start, as a lookup without an index does.
TEST(ScalingGuardLimitTest, CatchesAPlantedQuadraticLoop) {
  const auto quadratic = [](int n) {
    return [n] {
      std::vector<int> seen;
      for (int i = 0; i < n; ++i) {
        if (std::find(seen.begin(), seen.end(), i) == seen.end()) seen.push_back(i);
      }
      EXPECT_EQ(seen.size(), static_cast<size_t>(n));
    };
  };
  const double growth = Growth(quadratic(4000), quadratic(16000));
  RecordProperty("growth", std::to_string(growth));
  EXPECT_GT(growth, kGrowthLimit);
}

}  // namespace
