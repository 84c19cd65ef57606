// Batches as a tool developer runs them: outcomes in input order, progress,
// cancellation, and outputs that may not be inputs.
#include "brevan/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("brevan_batch_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::vector<std::string> Inputs(int count) {
    std::vector<std::string> inputs;
    for (int i = 0; i < count; ++i) {
      inputs.push_back((dir / ("w" + std::to_string(i) + ".bws")).string());
      std::ofstream(inputs.back()) << (i % 3 == 2 ? "Open Table 5\n" : "Map From t\nSet Map Clip Auto\n");
    }
    return inputs;
  }

  fs::path dir;
};

TEST_F(BatchTest, OutcomesInInputOrderWithProgressAndCounts) {
  std::string error;
  const std::vector<brevan::Job> jobs = brevan::PlanBatch(Inputs(9), (dir / "out").string(), "", error);
  ASSERT_TRUE(brevan::MakeFolder((dir / "out").string(), error)) << error;
  brevan::BatchOptions options;
  options.jobs = 4;
  std::vector<size_t> told;
  size_t lastEnded = 0;
  options.onOutcome = [&](const brevan::Outcome& outcome) { told.push_back(outcome.index); };
  options.onProgress = [&](size_t ended, size_t) { lastEnded = std::max(lastEnded, ended); };
  const brevan::Batch batch = brevan::TranslateMany(jobs, options);
  ASSERT_EQ(batch.error, "");
  EXPECT_EQ(told, (std::vector<size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(lastEnded, 9u);
  EXPECT_EQ(batch.summary.translated, 6u);
  EXPECT_EQ(batch.summary.failed, 3u);
  EXPECT_EQ(batch.summary.remarks, 6u);
  for (const brevan::Outcome& outcome : batch.outcomes) {
    EXPECT_EQ(outcome.written, outcome.index % 3 != 2) << outcome.index;
    EXPECT_EQ(fs::exists(outcome.job.output), outcome.written);
    EXPECT_TRUE(outcome.result.xml.empty());  // written, not kept
  }
}

TEST_F(BatchTest, CancelledBatchStartsNoMoreAndWritesNoIndex) {
  std::string error;
  const std::vector<brevan::Job> jobs =
      brevan::PlanBatch(Inputs(6), (dir / "out").string(), (dir / "index.html").string(), error);
  ASSERT_TRUE(brevan::MakeFolder((dir / "out").string(), error));
  brevan::BatchOptions options;
  options.jobs = 1;
  options.index = (dir / "index.html").string();
  bool stop = false;
  options.onOutcome = [&](const brevan::Outcome&) { stop = true; };
  options.cancelled = [&] { return stop; };
  const brevan::Batch batch = brevan::TranslateMany(jobs, options);
  EXPECT_TRUE(batch.summary.cancelled);
  EXPECT_EQ(batch.summary.translated + batch.summary.failed, 1u);
  EXPECT_EQ(batch.summary.notDone, 5u);
  EXPECT_FALSE(fs::exists(dir / "index.html"));
  EXPECT_FALSE(fs::exists(dir / "out" / "w1.xml"));
}

TEST_F(BatchTest, AnOutputThatIsAnInputOrAnotherOutputStopsTheBatch) {
  const std::vector<std::string> inputs = Inputs(2);
  fs::create_hard_link(inputs[0], dir / "hard.xml");
  const std::vector<std::pair<std::vector<brevan::Job>, std::string>> cases = {
      {{{inputs[0], (dir / "hard.xml").string(), ""}}, " is the input "},
      {{{inputs[0], "", inputs[0]}}, " is the input "},
      {{{inputs[0], (dir / "a.xml").string(), ""}, {inputs[1], (dir / "." / "a.xml").string(), ""}},
       "two outputs would both be written to "},
  };
  for (const auto& [jobs, message] : cases) {
    const brevan::Batch batch = brevan::TranslateMany(jobs, {});
    EXPECT_NE(batch.error.find(message), std::string::npos) << batch.error;
    EXPECT_TRUE(batch.outcomes.empty());
  }
  EXPECT_EQ(brevan::test::Slurp(inputs[0]), "Map From t\nSet Map Clip Auto\n");
  EXPECT_FALSE(fs::exists(dir / "a.xml"));
  // Devices take any number of outputs.
  EXPECT_EQ(brevan::TranslateMany({{inputs[0], "/dev/null", ""}, {inputs[1], "/dev/null", ""}}, {}).error,
            "");
}

}  // namespace
