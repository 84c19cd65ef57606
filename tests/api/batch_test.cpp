// Batches as a tool developer runs them: outcomes in input order, progress,
// cancellation, outputs that may not be inputs, and re-runs into an output
// folder that redo only what changed.
#include "brevan/batch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

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

  // Runs a batch into dir/out, with pages and an index when asked.
  brevan::Batch Run(const std::vector<std::string>& inputs, brevan::BatchOptions options,
                    bool pages = false) {
    const std::string out = (dir / "out").string();
    std::string error;
    options.outDir = out;
    if (pages) options.index = out + "/index.html";
    const brevan::Batch batch =
        brevan::TranslateMany(brevan::PlanBatch(inputs, out, options.index, error), options);
    EXPECT_EQ(error + batch.error, "");
    return batch;
  }

  // Writes a file with a time of its own: a change within one tick of the
  // clock would keep the time it had.
  static void Change(const fs::path& path, const std::string& text) {
    const fs::file_time_type before = fs::exists(path) ? fs::last_write_time(path) : fs::file_time_type();
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
    fs::last_write_time(path, std::max(before + std::chrono::seconds(1), fs::last_write_time(path)));
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

// Each reason to translate a workspace again, one at a time, after a run
// that left everything up to date.
TEST_F(BatchTest, ARerunRedoesOnlyWhatChangedAndSaysWhy) {
  const std::string source = (dir / "w.bws").string();
  std::ofstream(source) << "Map From t\n";
  const fs::path out = dir / "out";
  const auto editTool = [&](brevan::BatchOptions&) {
    std::string manifest = brevan::test::Slurp(out / ".brevan-manifest.jsonl");
    const std::string tool = std::string("\"tool\":\"") + brevan::Version() + "\"";
    for (size_t at; (at = manifest.find(tool)) != std::string::npos;)
      manifest.replace(at, tool.size(), "\"tool\":\"0.0.1\"");
    std::ofstream(out / ".brevan-manifest.jsonl") << manifest;
  };
  const struct {
    const char* change;
    std::function<void(brevan::BatchOptions&)> make;
    const char* why;  // empty: up to date
  } cases[] = {
      {"nothing", [](auto&) {}, ""},
      {"a new time, the same bytes", [&](auto&) { Change(source, ""); }, ""},
      {"the source's bytes", [&](auto&) { Change(source, "Set Map Clip Auto\n"); }, "source changed"},
      {"an option", [](auto& options) { options.options.strict = true; }, "options changed"},
      {"the tool", editTool, "tool version changed"},
      {"the document removed", [&](auto&) { fs::remove(out / "w.xml"); }, "document missing"},
      {"the document edited", [&](auto&) { Change(out / "w.xml", "<!-- mine -->"); }, "document edited"},
      {"the page removed", [&](auto&) { fs::remove(out / "w.html"); }, "page missing"},
      {"everything asked for", [](auto& options) { options.redo = brevan::BatchOptions::Redo::All; },
       "forced"},
  };
  EXPECT_EQ(Run({source}, {}, true).outcomes.at(0).why, "new");
  for (const auto& c : cases) {
    Run({source}, {}, true);  // everything up to date
    brevan::BatchOptions options;
    c.make(options);
    const brevan::Batch batch = Run({source}, options, true);
    const brevan::Outcome& outcome = batch.outcomes.at(0);
    EXPECT_EQ(outcome.why, c.why) << c.change;
    EXPECT_EQ(outcome.status == brevan::Status::UpToDate, std::string(c.why).empty()) << c.change;
    EXPECT_EQ(batch.summary.upToDate, std::string(c.why).empty() ? 1u : 0u) << c.change;
  }
  // An index lists what is up to date with the files the last run left.
  const std::string index = brevan::test::Slurp(out / "index.html");
  Run({source}, {}, true);
  EXPECT_NE(
      brevan::test::Slurp(out / "index.html").find("<a href=\"w.html\">page</a> · <a href=\"w.xml\">XML</a>"),
      std::string::npos);
  EXPECT_NE(brevan::test::Slurp(out / "index.html").find("unchanged"), std::string::npos);
}

// What failed is kept failed, not its document: --retry-failed takes only
// those; documents whose source is gone are orphans, removed when asked.
TEST_F(BatchTest, RetryingFailuresAndRemovingOrphans) {
  const std::vector<std::string> inputs = Inputs(3);  // w2 fails
  const fs::path out = dir / "out";
  Run(inputs, {});
  Change(inputs[0], "Set Map Clip Auto\n");
  brevan::BatchOptions retry;
  retry.redo = brevan::BatchOptions::Redo::Failed;
  const brevan::Batch retried = Run(inputs, retry);
  EXPECT_EQ(retried.outcomes[0].status, brevan::Status::NotDone);
  EXPECT_EQ(retried.outcomes[1].status, brevan::Status::UpToDate);
  EXPECT_EQ(retried.outcomes[2].why, "failed last time");
  EXPECT_EQ(retried.outcomes[2].status, brevan::Status::Failed);
  EXPECT_FALSE(fs::exists(out / "w2.xml"));
  // Unchanged, a failure stays one without being translated again.
  const brevan::Batch again = Run(inputs, {});
  EXPECT_EQ(again.summary.translated, 1u);
  EXPECT_EQ(again.summary.failedEarlier, 1u);

  fs::remove(inputs[1]);
  const brevan::Batch orphaned = Run({inputs[0], inputs[2]}, {});
  EXPECT_EQ(orphaned.summary.orphaned, std::vector<std::string>{(out / "w1.xml").string()});
  EXPECT_TRUE(fs::exists(out / "w1.xml"));
  brevan::BatchOptions remove;
  remove.deleteOrphans = true;
  EXPECT_TRUE(Run({inputs[0], inputs[2]}, remove).summary.orphansDeleted);
  EXPECT_FALSE(fs::exists(out / "w1.xml"));
  EXPECT_TRUE(Run({inputs[0], inputs[2]}, {}).summary.orphaned.empty());
}

}  // namespace
