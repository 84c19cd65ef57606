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

#include "api/manifest.h"
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

const char* Word(Status status) {
  switch (status) {
    case Status::Translated:
      return "translated";
    case Status::TranslatedWithWarnings:
      return "translated with warnings";
    case Status::Failed:
      return "failed";
    case Status::NotDone:
      return "not done";
    case Status::UpToDate:
      return "up to date";
  }
  return "";
}

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
// lock, removes those of its own outputs (and of the manifest). One
// listing of each folder written into.
void RemoveLeftTemporaries(const std::string& outDir, const std::vector<Job>& jobs) {
  // A folder as one spelling: "out", "out/" and "./out" are one.
  const auto normal = [](const fs::path& dir) { return (dir / "x").lexically_normal().parent_path(); };
  std::map<fs::path, std::set<std::string, std::less<>>> outputs;  // by folder
  outputs[normal(outDir)].insert(Manifest::kName);
  for (const Job& job : jobs)
    for (const std::string* path : {&job.output, &job.page})
      if (!path->empty() && *path != "-")
        outputs[normal(fs::path(*path).parent_path())].insert(fs::path(*path).filename().string());
  std::error_code error;
  for (const auto& [folder, names] : outputs)
    for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, error), end;
         !error && entry != end; entry.increment(error))
      if (IsTemporaryOf(entry->path().filename().string(), names) && entry->is_regular_file(error))
        fs::remove(entry->path(), error);
}

// Removes a file an earlier run left, a regular file only: a link or a
// device named as an output is the caller's.
bool RemoveLeft(const std::string& path) {
  std::error_code error;
  return !path.empty() && path != "-" && fs::is_regular_file(fs::symlink_status(path, error)) &&
         fs::remove(path, error);
}

// What a batch into an output folder knows besides its jobs.
struct Ledger {
  explicit Ledger(const BatchOptions& options)
      : manifest(options.outDir),
        keys{OptionsKey(options.options, false), OptionsKey(options.options, true)} {}
  Manifest manifest;
  std::string keys[2];  // OptionsKey without and with a page
};

// Why the last translation of a job no longer stands; empty when it does.
// hash gets the source's hash when it had to be read.
std::string Staleness(const Job& job, const Record& last, const std::string& source,
                      const std::string& optionsKey, const std::optional<FileStamp>& stamp,
                      std::string& hash) {
  if (last.source != source) return "new";
  if (last.tool != Version()) return "tool version changed";
  if (last.options != optionsKey) return "options changed";
  // Not readable now, or last time (a permission since given leaves the
  // time as it was): translating it says why, or reads it now.
  if (!stamp || last.sourceHash.empty()) return "source changed";
  // A time or size that moved with the same bytes (a copy, a touch) is no change.
  if (*stamp != last.sourceStamp && (hash = HashOf(job.input).value_or("")) != last.sourceHash)
    return "source changed";
  if (last.outputStamp) {
    const std::optional<FileStamp> now = StampOf(job.output);
    if (!now) return "document missing";
    if (*now != *last.outputStamp) return "document edited";
  }
  if (!job.page.empty()) {
    const std::optional<FileStamp> now = StampOf(job.page);
    if (!now || !last.pageStamp) return "page missing";
    if (*now != *last.pageStamp) return "page edited";
  }
  return {};
}

// Translates one job and writes what it asks for. With a ledger, first
// asks whether its last translation stands, and fills record with what
// this one was made from.
Outcome RunJob(const Job& job, size_t index, const BatchOptions& batch, const Ledger* ledger,
               std::optional<Record>& record) {
  Outcome outcome;
  outcome.index = index;
  outcome.job = job;
  const bool page = !job.page.empty();
  std::string key, source, hash;
  std::optional<FileStamp> stamp;
  const Record* last = nullptr;
  if (ledger) {
    key = ledger->manifest.KeyOf(job.output);
    std::error_code error;
    source = fs::absolute(job.input, error).lexically_normal().string();
    last = ledger->manifest.Last(key);
    stamp = StampOf(job.input);
    const std::string& optionsKey = ledger->keys[page ? 1 : 0];
    outcome.why = batch.redo == BatchOptions::Redo::All ? "forced"
                  : last == nullptr                     ? "new"
                                    : Staleness(job, *last, source, optionsKey, stamp, hash);
    if (batch.redo == BatchOptions::Redo::Failed) {
      if (last != nullptr && last->status == Status::Failed) {
        outcome.why = "failed last time";
      } else if (!outcome.why.empty()) {
        outcome.why += ": not retried (only those that failed last time are)";
        if (last != nullptr) outcome.facts = last->facts;
        return outcome;  // NotDone
      }
    }
    if (outcome.why.empty()) {
      outcome.status = Status::UpToDate;
      outcome.facts = last->facts;
      if (stamp && *stamp != last->sourceStamp) {
        // The same bytes under a new time: remember it, so as not to read them again.
        record = *last;
        record->sourceStamp = *stamp;
      }
      return outcome;
    }
    // Read before translating: a change while it translates shows next time.
    if (hash.empty() && stamp) hash = HashOf(job.input).value_or("");
  }
  Options options = batch.options;
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
  if (page && !WriteWholeFile(job.page, RenderHtml(outcome.result, job.input), outcome.pageError) &&
      outcome.pageError.empty())
    outcome.pageError = "not written";
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
  outcome.facts = FactsOf(result, outcome.status == Status::Failed);
  if (ledger && outcome.status != Status::NotDone) {
    // A document is its source's current translation or nothing: one an
    // earlier run left goes when the source fails now (or its document
    // could not be written), and so does a page no longer asked for.
    if (outcome.status == Status::Failed && !outcome.written) outcome.staleRemoved = RemoveLeft(job.output);
    if (!page && last != nullptr && !last->page.empty())
      RemoveLeft((fs::path(batch.outDir) / last->page).string());
  }
  // A document that could not be written (a full disk) is no outcome of
  // its source: nothing is recorded, and the next run translates it again.
  if (ledger && outcome.status != Status::NotDone && outcome.writeError.empty()) {
    record = Record{key,
                    source,
                    stamp.value_or(FileStamp{}),
                    hash,
                    std::nullopt,
                    page ? ledger->manifest.KeyOf(job.page) : std::string(),
                    std::nullopt,
                    ledger->keys[page ? 1 : 0],
                    Version(),
                    outcome.status,
                    outcome.facts};
    if (outcome.written) record->outputStamp = StampOf(job.output);
    if (page && outcome.pageError.empty()) record->pageStamp = StampOf(job.page);
  }
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
      case Status::UpToDate:
        ++summary.upToDate;
        if (outcome.facts.failed) ++summary.failedEarlier;
        break;
    }
    if (!outcome.pageError.empty()) ++summary.pagesNotWritten;
    summary.warnings += outcome.result.warnings.size();
    summary.passedOver += outcome.result.skipped.size();
    for (const Skipped& skipped : outcome.result.skipped) ++summary.passedOverByName[skipped.keyword];
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

void WriteIndex(const std::vector<Outcome>& outcomes, const Ledger* ledger, const BatchOptions& options,
                const std::vector<Job>& jobs, BatchSummary& summary) {
  const fs::path folder = fs::path(options.index).parent_path();
  std::vector<IndexEntry> entries(outcomes.size());
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const Outcome& outcome = outcomes[i];
    const Job& job = outcome.job;
    IndexEntry& entry = entries[i];
    entry.name = job.input;
    entry.upToDate = outcome.status == Status::UpToDate;
    entry.facts = outcome.facts;
    // What is there now: written by this run, or left by the last.
    const bool left = outcome.status == Status::UpToDate || outcome.status == Status::NotDone;
    const Record* last = ledger && left ? ledger->manifest.Last(ledger->manifest.KeyOf(job.output)) : nullptr;
    const bool hasPage = left ? last && last->pageStamp : outcome.pageError.empty();
    const bool hasDocument = left ? last && last->outputStamp : outcome.written;
    if (hasPage && !job.page.empty()) entry.page = LinkFrom(folder, job.page);
    if (hasDocument && job.output != "-") entry.document = LinkFrom(folder, job.output);
    if (job.input != "-") entry.source = LinkFrom(folder, job.input);
    const std::string& placed = !job.output.empty() && job.output != "-" ? job.output : job.page;
    if (!placed.empty()) entry.folder = fs::path(LinkFrom(folder, placed)).parent_path().generic_string();
  }
  const std::string title = options.indexTitle.empty() ? TitleOf(jobs) : options.indexTitle;
  if (!WriteWholeFile(options.index, RenderHtmlIndex(entries, title), summary.indexError) &&
      summary.indexError.empty())
    summary.indexError = "not written";
}

// The documents the manifest knows whose source is gone and that this
// batch does not make; removed and forgotten when asked.
void FindOrphans(const std::vector<Job>& jobs, const BatchOptions& options, Ledger& ledger,
                 BatchSummary& summary) {
  std::set<std::string> made;
  for (const Job& job : jobs) made.insert(ledger.manifest.KeyOf(job.output));
  for (const auto& [key, record] : ledger.manifest.Earlier()) {
    std::error_code error;
    if (made.count(key) > 0 || fs::exists(fs::symlink_status(record.source, error))) continue;
    const fs::path document = fs::path(options.outDir) / key;
    summary.orphaned.push_back(document.string());
    if (!options.deleteOrphans) continue;
    RemoveLeft(document.string());
    if (!record.page.empty()) RemoveLeft((fs::path(options.outDir) / record.page).string());
    ledger.manifest.Drop(key);
  }
  summary.orphansDeleted = options.deleteOrphans && !summary.orphaned.empty();
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
  std::map<std::string, const std::string*> writtenBy;  // an output, in lower case, and its input
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
    // Names that differ only in case clash too: a tree is often copied
    // to a file system that does not tell them apart.
    std::string folded = job.output;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (const auto [other, added] = writtenBy.try_emplace(folded, &input); !added) {
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
  if (!MakeFolder(options.outDir, batch.error)) return batch;
  const FolderLock lock(options.outDir, batch.error);
  if (!batch.error.empty()) return batch;
  std::optional<Ledger> ledger;
  if (!options.outDir.empty()) {
    RemoveLeftTemporaries(options.outDir, jobs);
    ledger.emplace(options);
  }
  const size_t count = jobs.size();
  batch.outcomes.resize(count);
  for (size_t i = 0; i < count; ++i) {
    batch.outcomes[i].index = i;
    batch.outcomes[i].job = jobs[i];
  }
  std::vector<bool> ended(count, false);
  std::atomic<size_t> next{0};
  std::mutex telling;
  size_t told = 0, endedCount = 0, failed = 0;
  const auto work = [&] {
    for (size_t i; !Cancelled(options) && (i = next++) < count;) {
      std::optional<Record> record;
      Outcome outcome = RunJob(jobs[i], i, options, ledger ? &*ledger : nullptr, record);
      const std::lock_guard<std::mutex> lock(telling);
      if (record) ledger->manifest.Add(std::move(*record));
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
  if (ledger) {
    if (!batch.summary.cancelled) FindOrphans(jobs, options, *ledger, batch.summary);
    ledger->manifest.Save(batch.summary.manifestError);
  }
  if (!options.index.empty() && !batch.summary.cancelled)
    WriteIndex(batch.outcomes, ledger ? &*ledger : nullptr, options, jobs, batch.summary);
  return batch;
}

}  // namespace brevan
