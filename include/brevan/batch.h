// Brevan batches: many workspaces translated at once, each document written
// whole or not at all, outcomes told in input order.
//
//   std::string error;
//   std::vector<brevan::Job> jobs = brevan::PlanBatch(paths, "out", "", error);
//   brevan::BatchOptions options;
//   options.onOutcome = [](const brevan::Outcome& o) { std::cout << o.job.input << '\n'; };
//   brevan::Batch batch = brevan::TranslateMany(jobs, options);
//   if (!batch.error.empty()) std::cerr << batch.error << '\n';
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "brevan/brevan.h"
#include "brevan/report.h"

namespace brevan {

// One file of a batch and where what it becomes goes.
struct Job {
  std::string input;   // a workspace file; "-" reads standard input
  std::string output;  // its document: a file, "-" for standard output, empty for none
  std::string page;    // its report page (<brevan/report.h>); empty for none
};

// How a file of a batch ended.
enum class Status {
  Translated,              // its document was written (or, without an output, could have been)
  TranslatedWithWarnings,  // the same, with warnings
  Failed,                  // not translated, not readable, or its document not written
  NotDone,                 // the batch was cancelled before it started, or --retry-failed left it
  UpToDate,                // not translated again: its last translation into the output folder stands
};

// How a status is said: "translated", "translated with warnings",
// "failed", "not done", "up to date".
const char* Word(Status status);

struct Outcome {
  size_t index = 0;  // its place in the batch
  Job job;
  Status status = Status::NotDone;
  // Its translation; result.xml is empty: the document was written, not
  // kept (see BatchOptions::options for result.workspace).
  Result result;
  bool written = false;       // whether its document reached job.output (a failed one only with partial)
  std::string writeError;     // why its document was not written, when it was to be
  std::string pageError;      // why its page was not written, when it was to be
  bool staleRemoved = false;  // it failed, and the document an earlier run left was removed
  // With BatchOptions::outDir: why it was translated again ("new", "source
  // changed", "options changed", "tool version changed", "document
  // missing", "document edited", "page missing", "page edited", "forced",
  // "failed last time"), or why not (NotDone); empty when up to date.
  std::string why;
  // What the index shows of it: of this translation, or for one up to
  // date of the last.
  FileFacts facts;
};

// What happened to a whole batch.
struct BatchSummary {
  size_t files = 0;
  size_t translated = 0;  // without warnings
  size_t translatedWithWarnings = 0;
  size_t failed = 0;
  size_t notDone = 0;
  size_t upToDate = 0;       // not translated again (BatchOptions::outDir)
  size_t failedEarlier = 0;  // of those, the ones whose last translation failed
  // Documents in the output folder whose source is gone, as the manifest
  // knows them; removed with BatchOptions::deleteOrphans.
  std::vector<std::string> orphaned;
  bool orphansDeleted = false;
  std::string manifestError;   // why the manifest was not written, when it was to be
  size_t pagesNotWritten = 0;  // report pages that could not be written (not counted as failures)
  size_t warnings = 0;         // over all files
  size_t passedOver = 0;       // statements passed over as not translated, over all files
  std::map<std::string, size_t> passedOverByName;  // by their leading words ("Browse", "Set Window")
  size_t remarks = 0;
  size_t missingFiles = 0;  // table files not found (Options::checkFiles)
  bool cancelled = false;
  std::string indexError;  // why the report index was not written, when it was to be
};

struct BatchOptions {
  // For every file. With keepDocument, onEnded sees each file's document in
  // result.xml. With readModel (the default) each outcome keeps the tables
  // and map windows of result.workspace; without it they are read only for
  // a page, and dropped after it (the statements are kept in any case).
  Options options;
  unsigned jobs = 0;  // files translated at once; 0: one per core
  // A report index of the batch, written here after the files (not when
  // cancelled), linking each page; empty for none. indexTitle names the
  // batch; empty: from the inputs.
  std::string index;
  std::string indexTitle;
  // Each outcome, in input order, as soon as every one before it was told;
  // never two calls at once.
  std::function<void(const Outcome&)> onOutcome;
  // After each file ends, in any order: files ended so far and failures
  // among them; never two calls at once.
  std::function<void(size_t ended, size_t failed)> onProgress;
  // On the thread that translated it, as soon as a file ends, before its
  // document is dropped: per-file work that runs in parallel.
  std::function<void(Outcome&)> onEnded;
  // Asked before each file and while writing: true cancels the batch. The
  // files under way end without writing; no more start.
  std::function<bool()> cancelled;
  // The folder the batch mirrors a tree into (PlanTree's outDir), made
  // when missing. While
  // the batch runs it holds an advisory lock on OUTDIR/.brevan.lock (the
  // system releases it when the holder dies) and does not start when
  // another holds it; it removes the temporaries a killed run left beside
  // its outputs; and it keeps a manifest, OUTDIR/.brevan-manifest.jsonl,
  // of what each document was made from and how it ended. A workspace
  // whose source, options and tool version are those of its last
  // translation there, and whose document and page are as that run left
  // them, is not translated again (Status::UpToDate). When a file fails,
  // the document and page an earlier run left are removed: no document
  // outlives its source's translation. Empty: none of this.
  std::string outDir;
  enum class Redo {
    Changed,  // only what changed (above)
    All,      // everything
    Failed,   // only the workspaces whose last translation failed; the others are left as they are
  };
  Redo redo = Redo::Changed;
  // Remove the documents and pages of workspaces the manifest knows whose
  // source is gone (BatchSummary::orphaned), and forget them.
  bool deleteOrphans = false;
};

struct Batch {
  // Why the batch did not start, nothing run and nothing written: an
  // output that is one of the inputs, two files writing one output.
  std::string error;
  std::vector<Outcome> outcomes;  // in input order
  BatchSummary summary;
};

// A workspace file to translate, and the folder below which its document
// takes the same place in the output folder: the folder it was found in,
// or for a file named directly the deepest folder of all those named so.
struct FoundWorkspace {
  std::string path;
  std::string root;
};

// The workspace files that paths name, with their roots: a file as it is,
// a folder's files whose names match glob ("*.bws" without regard to case
// when empty), in its sub-folders too when recursive (each folder once,
// links followed). A path that cannot be read, a folder without recursive,
// or a link that leads nowhere is a problem in words, and the others go on.
// With keepUnreadable a path that cannot be read (a folder without
// recursive among them) is kept as a file, for a batch that tells why when
// it reads it.
std::vector<FoundWorkspace> FindWorkspaces(const std::vector<std::string>& paths, bool recursive,
                                           const std::string& glob, std::vector<std::string>& problems,
                                           bool keepUnreadable = false);

// Jobs that translate each workspace into outDir at its place below its
// root (gis/north/p01/map.bws found in gis/ → OUT/north/p01/map.xml) and,
// with an index, write its page beside its document (map.html). Empty with
// error filled when two inputs would share an output, also one spelled in
// other letter case (naming both), a page
// would be the index, or an input is standard input.
std::vector<Job> PlanTree(const std::vector<FoundWorkspace>& found, const std::string& outDir,
                          const std::string& index, std::string& error);

// The deepest folder that holds every one of paths (made absolute; "-"
// aside); empty for none.
std::string CommonFolder(const std::vector<std::string>& paths);

// The same for files named directly: each below the deepest folder common
// to them all (files of one folder go straight into outDir).
std::vector<Job> PlanBatch(const std::vector<std::string>& inputs, const std::string& outDir,
                           const std::string& index, std::string& error);

// Makes a folder (and those above it) to write into; false with error
// filled when it cannot be made or written into.
bool MakeFolder(const std::string& dir, std::string& error);

// Translates every job on options.jobs threads. No output, page or index
// may be the same file as an input (also through links and ".."), and no
// two may be the same file: such a batch does not start.
Batch TranslateMany(const std::vector<Job>& jobs, const BatchOptions& options);

}  // namespace brevan
