// Batches: many files translated on several threads, their documents and
// pages written whole or not at all, their outcomes told in input order.
#include "brevan/batch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "api/output_file.h"
#include "brevan/report.h"
#include "brevan/workspace.h"

namespace brevan {

namespace {

namespace fs = std::filesystem;

struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId& other) const { return device == other.device && inode == other.inode; }
};

// The file that path names, through links and "..", when there is one.
std::optional<FileId> IdOf(const std::string& path) {
  struct stat info {};
  if (path.empty() || path == "-" || ::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// Why the batch must not start: an output that is an input, or two
// outputs that are one file. Empty when it may.
std::string CheckTargets(const std::vector<Job>& jobs, const std::string& index) {
  std::vector<std::pair<FileId, const std::string*>> inputs;
  for (const Job& job : jobs)
    if (const std::optional<FileId> id = IdOf(job.input)) inputs.emplace_back(*id, &job.input);
  std::set<std::string> targets;
  const auto check = [&](const std::string& path) -> std::string {
    if (path.empty() || path == "-") return {};
    if (const std::optional<FileId> id = IdOf(path))
      for (const auto& [input, name] : inputs)
        if (input == *id)
          return "the output " + path + " is the input " + *name +
                 ": writing it would destroy the workspace; choose another output";
    // Devices and FIFOs are written in place and may take several outputs.
    if (IsSpecialFile(path)) return {};
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    if (!targets.insert(error ? fs::path(path).lexically_normal().string() : canonical.string()).second)
      return "two outputs would both be written to " + path;
    return {};
  };
  for (const Job& job : jobs)
    for (const std::string* path : {&job.output, &job.page})
      if (std::string why = check(*path); !why.empty()) return why;
  return check(index);
}

}  // namespace

bool MakeFolder(const std::string& dir, std::string& error) {
  if (dir.empty()) return true;
  std::error_code made;
  fs::create_directories(dir, made);
  if (made) {
    error = "cannot make " + dir + ": " + made.message();
    return false;
  }
  if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

namespace {

bool Cancelled(const BatchOptions& options) { return options.cancelled && options.cancelled(); }

// An advisory lock on FOLDER/.brevan.lock for as long as it lives; error
// filled when another run holds it or it cannot be taken. flock locks go
// with the open file: the kernel drops them when the holder dies.
class FolderLock {
 public:
  FolderLock(const std::string& folder, std::string& error) {
    if (folder.empty()) return;
    const std::string path = (fs::path(folder) / ".brevan.lock").string();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      error = "cannot lock " + folder + ": " + std::strerror(errno);
    } else if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      error = errno == EWOULDBLOCK
                  ? folder + " is in use by another brevan run: wait for it to end, or write elsewhere"
                  : "cannot lock " + folder + ": " + std::strerror(errno);
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Whether name is a temporary of an output, as OutputFile names them:
// "OUTPUT.XXXXXX", six letters and digits after the output's own name.
bool IsTemporaryOf(std::string_view name, const std::set<std::string, std::less<>>& outputs) {
  constexpr size_t kSuffix = 7;  // the point and six characters
  if (name.size() <= kSuffix || name[name.size() - kSuffix] != '.') return false;
  for (size_t i = name.size() - kSuffix + 1; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  return outputs.count(name.substr(0, name.size() - kSuffix)) > 0;
}

// A run that died (kill -9, a power cut) leaves the temporaries of the
// documents it was writing; the next run into the folder, which holds its
// lock, removes those of its own outputs there. One listing of the folder.
void RemoveLeftTemporaries(const std::string& folder, const std::vector<Job>& jobs) {
  // A folder as one spelling: "out", "out/" and "./out" are one.
  const auto normal = [](const fs::path& dir) { return (dir / "x").lexically_normal().parent_path(); };
  const fs::path locked = normal(folder);
  std::set<std::string, std::less<>> outputs;
  for (const Job& job : jobs)
    for (const std::string* path : {&job.output, &job.page})
      if (!path->empty() && *path != "-" && normal(fs::path(*path).parent_path()) == locked)
        outputs.insert(fs::path(*path).filename().string());
  std::error_code error;
  for (fs::directory_iterator entry(locked.empty() ? fs::path(".") : locked, error), end;
       !error && entry != end; entry.increment(error))
    if (IsTemporaryOf(entry->path().filename().string(), outputs) && entry->is_regular_file(error))
      fs::remove(entry->path(), error);
}

// Translates one job and writes what it asks for; entry gets what its
// document holds for the index.
Outcome RunJob(const Job& job, size_t index, const BatchOptions& batch, IndexEntry& entry) {
  Outcome outcome;
  outcome.index = index;
  outcome.job = job;
  Options options = batch.options;
  const bool page = !job.page.empty();
  options.readModel = page || batch.options.readModel;
  // A document's place in a tree may be a folder not made yet.
  for (const std::string* path : {&job.output, &job.page})
    if (!path->empty() && *path != "-") {
      std::error_code made;
      fs::create_directories(fs::path(*path).parent_path(), made);
    }
  std::optional<OutputFile> output;
  if (!job.output.empty()) output.emplace(job.output, batch.cancelled);
  bool written = true;
  Sink sink;
  if (output || options.keepDocument)
    sink = [&](std::string_view piece) { return !output || (written = output->Write(piece)); };
  outcome.result = TranslateFile(job.input, options, sink);
  if (page) {
    entry.layers = outcome.result.workspace.LayerCount();
    entry.themes = outcome.result.workspace.ThemeCount();
    if (!WriteWholeFile(job.page, RenderHtml(outcome.result, job.input), outcome.pageError) &&
        outcome.pageError.empty())
      outcome.pageError = "not written";
  }
  if (output && output->Started()) {
    outcome.written = output->Close() && written;
    if (!outcome.written) outcome.writeError = output->Error();
  }
  const Result& result = outcome.result;
  const bool failed = Failed(result, options) || !outcome.writeError.empty();
  outcome.status = failed                    ? Status::Failed
                   : result.warnings.empty() ? Status::Translated
                                             : Status::TranslatedWithWarnings;
  // A file cut off by the cancel is one not done, not one that failed.
  if (!outcome.writeError.empty() && Cancelled(batch)) outcome.status = Status::NotDone;
  // A document is its source's current translation or nothing: one left by
  // an earlier run goes when the source fails now (a regular file only:
  // a link or a device named as the output is the caller's).
  std::error_code error;
  if (batch.removeStale && outcome.status == Status::Failed && !outcome.written &&
      outcome.writeError.empty() && !job.output.empty() && job.output != "-" &&
      fs::is_regular_file(fs::symlink_status(job.output, error)))
    outcome.staleRemoved = fs::remove(job.output, error);
  if (batch.onEnded) batch.onEnded(outcome);
  // Written, not kept: a batch may be large. The model read for a page
  // goes too, unless the caller asked for it.
  outcome.result.xml = std::string();
  if (!batch.options.readModel) {
    outcome.result.workspace.tables = {};
    outcome.result.workspace.mapWindows = {};
  }
  return outcome;
}

BatchSummary Summarize(const std::vector<Outcome>& outcomes, bool cancelled) {
  BatchSummary summary;
  summary.files = outcomes.size();
  summary.cancelled = cancelled;
  for (const Outcome& outcome : outcomes) {
    switch (outcome.status) {
      case Status::Translated:
        ++summary.translated;
        break;
      case Status::TranslatedWithWarnings:
        ++summary.translatedWithWarnings;
        break;
      case Status::Failed:
        ++summary.failed;
        break;
      case Status::NotDone:
        ++summary.notDone;
        break;
    }
    if (!outcome.pageError.empty()) ++summary.pagesNotWritten;
    summary.warnings += outcome.result.warnings.size();
    summary.remarks += outcome.result.Count(Severity::Remark);
    summary.missingFiles += outcome.result.missingFiles.size();
  }
  return summary;
}

// "Workspaces in FOLDER" when the inputs share one, else how many they are.
std::string TitleOf(const std::vector<Job>& jobs) {
  std::optional<fs::path> folder;
  for (const Job& job : jobs) {
    const fs::path parent = fs::path(job.input).parent_path();
    if (folder && *folder != parent) return std::to_string(jobs.size()) + " workspaces";
    folder = parent;
  }
  return folder && !folder->empty() ? "Workspaces in " + folder->string() : "Workspaces";
}

// A path as the index links it: relative to the index's folder.
std::string LinkFrom(const fs::path& folder, const std::string& path) {
  std::error_code error;
  const fs::path from = fs::absolute(folder.empty() ? fs::path(".") : folder, error);
  return fs::absolute(path, error).lexically_normal().lexically_relative(from.lexically_normal()).string();
}

void WriteIndex(const std::vector<Outcome>& outcomes, std::vector<IndexEntry>& entries,
                const BatchOptions& options, const std::vector<Job>& jobs, BatchSummary& summary) {
  const fs::path folder = fs::path(options.index).parent_path();
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const Outcome& outcome = outcomes[i];
    IndexEntry& entry = entries[i];
    entry.name = outcome.job.input;
    if (outcome.pageError.empty() && !outcome.job.page.empty())
      entry.page = LinkFrom(folder, outcome.job.page);
    if (outcome.written && outcome.job.output != "-") entry.document = LinkFrom(folder, outcome.job.output);
    if (outcome.job.input != "-") entry.source = LinkFrom(folder, outcome.job.input);
    entry.result = outcome.result;
  }
  const std::string title = options.indexTitle.empty() ? TitleOf(jobs) : options.indexTitle;
  if (!WriteWholeFile(options.index, RenderHtmlIndex(entries, title), summary.indexError) &&
      summary.indexError.empty())
    summary.indexError = "not written";
}

}  // namespace

std::string CommonFolder(const std::vector<std::string>& paths) {
  std::optional<fs::path> common;
  for (const std::string& path : paths) {
    if (path == "-") continue;
    std::error_code error;
    const fs::path folder = fs::absolute(path, error).lexically_normal().parent_path();
    if (!common) {
      common = folder;
      continue;
    }
    fs::path shared;
    for (auto a = common->begin(), b = folder.begin(); a != common->end() && b != folder.end() && *a == *b;
         ++a, ++b)
      shared /= *a;
    common = shared;
  }
  return common ? common->string() : std::string();
}

std::vector<Job> PlanTree(const std::vector<FoundWorkspace>& found, const std::string& outDir,
                          const std::string& index, std::string& error) {
  std::vector<Job> jobs;
  std::map<std::string, const std::string*> writtenBy;  // an output and the input that writes it
  const fs::path indexPath(index);
  for (const FoundWorkspace& workspace : found) {
    const std::string& input = workspace.path;
    if (input == "-") {
      error = "standard input cannot be translated into a folder";
      return {};
    }
    std::error_code failure;
    const fs::path file = fs::absolute(input, failure).lexically_normal();
    const fs::path root =
        fs::absolute(workspace.root.empty() ? "." : workspace.root, failure).lexically_normal();
    fs::path place = file.lexically_relative(root);
    if (place.empty() || *place.begin() == "..") place = file.filename();
    const fs::path base = (fs::path(outDir) / place).replace_extension();
    Job job{input, base.string() + ".xml", std::string()};
    if (const auto [other, added] = writtenBy.try_emplace(job.output, &input); !added) {
      error = *other->second + " and " + input + " would both be written to " + job.output +
              ": translate them in two runs, or into folders of their own";
      return {};
    }
    if (!index.empty()) {
      job.page = base.string() + ".html";
      if (fs::path(job.page).lexically_normal() == indexPath.lexically_normal()) {
        error = "the page of " + input + " would be the index " + index;
        return {};
      }
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

std::vector<Job> PlanBatch(const std::vector<std::string>& inputs, const std::string& outDir,
                           const std::string& index, std::string& error) {
  const std::string root = CommonFolder(inputs);
  std::vector<FoundWorkspace> found;
  found.reserve(inputs.size());
  for (const std::string& input : inputs) found.push_back({input, root});
  return PlanTree(found, outDir, index, error);
}

Batch TranslateMany(const std::vector<Job>& jobs, const BatchOptions& options) {
  Batch batch;
  batch.error = CheckTargets(jobs, options.index);
  if (!batch.error.empty()) return batch;
  const FolderLock lock(options.lockFolder, batch.error);
  if (!batch.error.empty()) return batch;
  if (!options.lockFolder.empty()) RemoveLeftTemporaries(options.lockFolder, jobs);
  const size_t count = jobs.size();
  batch.outcomes.resize(count);
  for (size_t i = 0; i < count; ++i) {
    batch.outcomes[i].index = i;
    batch.outcomes[i].job = jobs[i];
  }
  std::vector<bool> ended(count, false);
  std::vector<IndexEntry> entries(count);
  std::atomic<size_t> next{0};
  std::mutex telling;
  size_t told = 0, endedCount = 0, failed = 0;
  const auto work = [&] {
    for (size_t i; !Cancelled(options) && (i = next++) < count;) {
      Outcome outcome = RunJob(jobs[i], i, options, entries[i]);
      const std::lock_guard<std::mutex> lock(telling);
      batch.outcomes[i] = std::move(outcome);
      ended[i] = true;
      ++endedCount;
      if (batch.outcomes[i].status == Status::Failed) ++failed;
      for (; told < count && ended[told]; ++told)
        if (options.onOutcome) options.onOutcome(batch.outcomes[told]);
      if (options.onProgress) options.onProgress(endedCount, failed);
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const unsigned threads = static_cast<unsigned>(
      std::clamp<size_t>(options.jobs == 0 ? cores : options.jobs, 1, std::max<size_t>(count, 1)));
  std::vector<std::thread> workers;
  for (unsigned j = 1; j < threads; ++j) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  batch.summary = Summarize(batch.outcomes, Cancelled(options));
  if (!options.index.empty() && !batch.summary.cancelled)
    WriteIndex(batch.outcomes, entries, options, jobs, batch.summary);
  return batch;
}

}  // namespace brevan
