// brevan [options] FILE...: translates workspace files into XML workspace
// documents, one or many at a time.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "brevan/batch.h"
#include "brevan/files.h"
#include "cli/commands.h"
#include "cli/heap_pages.h"
#include "cli/terminal.h"
#include "host/document_memory.h"
#include "host/text.h"
#include "host/tokens.h"

namespace brevan::cli {
namespace {

struct Settings {
  std::vector<std::string> files;
  bool recursive = false;  // folders among files are walked
  std::string glob;        // which files of a walked folder are workspaces
  std::string output;
  std::string outDir;
  unsigned jobs = 0;
  std::optional<brevan::FormatVersion> version;
  std::string encoding;
  std::string fallbackEncoding;
  bool partial = false;
  bool report = false;
  bool remarks = false;
  bool strict = false;
  bool check = false;
  bool quiet = false;
  // A report page: at htmlPath for one file; with --out-dir an index of the
  // batch there, each workspace's page beside it.
  std::string htmlPath;
  Format format = Format::Text;
  bool checkFiles = false;
  std::vector<std::string> dataRoots;
  std::vector<std::string> rewrites;  // OLD=NEW
  // With --out-dir: what is translated again (by default what changed
  // since the last run into the folder), and whether orphans go.
  bool force = false;
  bool retryFailed = false;
  bool deleteOrphans = false;
  std::vector<std::string> ignore;  // codes of warnings and remarks not to tell
};

// Where the manifest of an output folder is.
std::string Manifest(const std::string& outDir) {
  return (std::filesystem::path(outDir) / ".brevan-manifest.jsonl").string();
}

// How the tool names an output: standard output has no path.
std::string OutputName(const std::string& path) { return path == "-" ? "<stdout>" : path; }

// Everything one outcome has to say, in the order of its text: at one
// place an error first, then a warning, a remark, and the report line of
// the statement it is about. Then the failures of the tool itself.
std::string Messages(const Outcome& outcome, const Settings& settings, const Options& options) {
  const std::string& file = outcome.job.input;
  const Result& result = outcome.result;
  struct Told {
    int line, column, rank;
    std::string text;
  };
  std::vector<Told> told;
  const bool remarks = settings.remarks || settings.report;
  for (const Diagnostic& d : result.diagnostics)
    if (d.severity != Severity::Remark || remarks)
      told.push_back({d.line, d.column, static_cast<int>(d.severity), Tell(file, d, settings.format)});
  if (settings.report)
    for (const Skipped& skipped : result.skipped)
      told.push_back({skipped.line, skipped.column, 3, TellSkipped(file, skipped, settings.format)});
  std::stable_sort(told.begin(), told.end(), [](const Told& a, const Told& b) {
    return std::tie(a.line, a.column, a.rank) < std::tie(b.line, b.column, b.rank);
  });
  std::string messages;
  for (const Told& one : told) messages += one.text;
  const size_t warnings = result.warnings.size();
  if (result.ok && Failed(result, options))
    messages +=
        TellFailure(file, Plural(warnings, "warning", "warnings") + " with --strict", settings.format);
  if (!outcome.writeError.empty())
    messages +=
        TellFailure(OutputName(outcome.job.output), "cannot write: " + outcome.writeError, settings.format);
  if (!outcome.pageError.empty())
    messages += TellFailure(outcome.job.page, "cannot write: " + outcome.pageError, settings.format);
  if (outcome.status == Status::UpToDate && outcome.facts.failed)
    messages += TellFailure(file, "failed last time and has not changed (--retry-failed tries it again)",
                            settings.format);
  if (outcome.staleRemoved && settings.format == Format::Text)
    messages += "brevan: " + Escaped(OutputName(outcome.job.output)) +
                " removed: an earlier run left it, and " +
                (outcome.writeError.empty() ? "its source no longer translates\n"
                                            : "its new translation could not be written\n");
  return messages;
}

// The version of the objects a batch writes with --diagnostics-format json.
constexpr const char* kRunSchema = "brevan-run/1";

// One file of a batch as a JSON record: where it went, how it ended, and
// what it lost, by kind.
std::string OutcomeRecord(const Outcome& outcome) {
  const FileFacts& facts = outcome.facts;
  const auto path = [](const std::string& path, bool there) -> nlohmann::json {
    if (!there || path.empty() || path == "-") return nullptr;
    return DisplayName(path);
  };
  const bool written = outcome.written || (outcome.status == Status::UpToDate && !facts.failed);
  nlohmann::json record = {{"type", "outcome"},
                           {"schema", kRunSchema},
                           {"input", DisplayName(outcome.job.input)},
                           {"output", path(outcome.job.output, written)},
                           {"page", path(outcome.job.page, outcome.pageError.empty())},
                           {"status", Word(outcome.status)},
                           {"why", outcome.why},
                           {"encoding", facts.encoding},
                           {"failed", facts.failed},
                           {"warnings", facts.warnings},
                           {"remarks", facts.remarks},
                           {"passedOver", facts.passedOver},
                           {"missingTables", facts.missingTables},
                           {"losses", facts.losses},
                           {"passedOverByName", facts.passedOverByName}};
  return JsonLine(record);
}

// The last line of a batch: how many files ended how, and what was not written.
std::string Summary(const BatchSummary& s, const BatchOptions& options, const Settings& settings) {
  if (settings.format == Format::Json) {
    nlohmann::json json = {{"type", "summary"},
                           {"schema", kRunSchema},
                           {"files", s.files},
                           {"translated", s.translated},
                           {"translatedWithWarnings", s.translatedWithWarnings},
                           {"failed", s.failed},
                           {"warnings", s.warnings},
                           {"passedOver", s.passedOver},
                           {"passedOverByName", s.passedOverByName},
                           {"remarks", s.remarks},
                           {"pagesNotWritten", s.pagesNotWritten},
                           {"missingFiles", s.missingFiles},
                           {"indexWritten", !options.index.empty() && s.indexError.empty()}};
    if (!options.outDir.empty())
      json.update({{"upToDate", s.upToDate},
                   {"failedEarlier", s.failedEarlier},
                   {"orphaned", s.orphaned},
                   {"orphansDeleted", s.orphansDeleted},
                   {"manifestWritten", s.manifestError.empty()}});
    if (s.cancelled) json.update({{"interrupted", true}, {"notDone", s.notDone}});
    return JsonLine(json);
  }
  const char* done = settings.check ? " checked" : " translated";
  std::string line =
      std::string("brevan: ") + (s.cancelled ? "interrupted: " : "") + std::to_string(s.translated) + done;
  if (s.translatedWithWarnings > 0)
    line += ", " + std::to_string(s.translatedWithWarnings) + done + " with warnings";
  line += ", " + std::to_string(s.failed) + " failed";
  if (s.upToDate > 0) {
    line += ", " + std::to_string(s.upToDate) + " up to date";
    if (s.failedEarlier > 0) line += " (" + std::to_string(s.failedEarlier) + " of them failed last time)";
  }
  if (!s.orphaned.empty())
    line += ", " + std::to_string(s.orphaned.size()) + (s.orphansDeleted ? " orphaned removed" : " orphaned");
  if (s.warnings > 0) line += ", " + Plural(s.warnings, "warning", "warnings");
  if (s.remarks > 0) line += ", " + Plural(s.remarks, "remark", "remarks");
  if (s.passedOver > 0) line += ", " + Plural(s.passedOver, "statement", "statements") + " passed over";
  if (s.missingFiles > 0) line += ", " + Plural(s.missingFiles, "table file", "table files") + " missing";
  if (s.pagesNotWritten > 0)
    line += ", " + Plural(s.pagesNotWritten, "report page", "report pages") + " not written";
  if (!s.indexError.empty()) line += ", the report index not written";
  if (!s.manifestError.empty()) line += ", the manifest not written";
  if (s.cancelled)
    line += ", " + std::to_string(s.notDone) + " not done";
  else if (s.notDone > 0)
    line += ", " + std::to_string(s.notDone) + " out of date and not retried";
  return line + '\n';
}

// The jobs the settings ask for; empty with error filled when they cannot be had.
std::vector<Job> Jobs(const Settings& settings, std::string& error) {
  std::vector<std::string> problems;
  // A file that cannot be read is kept: reading it tells why, in its place.
  const std::vector<FoundWorkspace> found =
      FindWorkspaces(settings.files, settings.recursive, settings.glob, problems, true);
  for (const std::string& problem : problems) std::cerr << "brevan: " << Escaped(problem) << '\n';
  if (found.empty()) {
    error =
        settings.recursive ? "no workspace found (names ending in .bws, or --glob)" : "no workspace given";
    return {};
  }
  if (!settings.outDir.empty()) {
    std::vector<Job> jobs = PlanTree(found, settings.outDir, settings.htmlPath, error);
    const std::string indexFolder = std::filesystem::path(settings.htmlPath).parent_path().string();
    if (jobs.empty() || !MakeFolder(settings.outDir, error) || !MakeFolder(indexFolder, error)) return {};
    return jobs;
  }
  if (!settings.check && found.size() > 1) {
    error = "several files need --out-dir";
    return {};
  }
  std::vector<Job> jobs;
  for (const FoundWorkspace& workspace : found) {
    const std::string& file = workspace.path;
    Job job{file, std::string(), std::string()};
    if (!settings.check) {
      // With a page and no -o, the page is what was asked for: no document on standard output.
      job.output = !settings.output.empty() ? settings.output : settings.htmlPath.empty() ? "-" : "";
      job.page = settings.htmlPath;
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

// The exit status of one file translated on its own: input and output
// failures (and running out of memory) are no fault of the statements.
int SingleExitCode(const Outcome& outcome, const Options& options) {
  const Result& result = outcome.result;
  if (!result.ok)
    return result.error == brevan::ErrorNumber::kInputError ||
                   result.error == brevan::ErrorNumber::kOutOfMemory
               ? kUsageOrIoError
               : kTranslationError;
  if (!outcome.writeError.empty() || !outcome.pageError.empty()) return kUsageOrIoError;
  if (Failed(result, options)) return kTranslationError;
  return kTranslated;
}

// Translates what the settings ask for and tells every outcome in input
// order; a batch ends with its summary. An interruption lets the files
// under way end (without writing them), starts no more and ends with 128 +
// the signal.
int Translate(const Settings& settings) {
  std::string error;
  const std::vector<Job> jobs = Jobs(settings, error);
  if (jobs.empty()) {
    std::cerr << "brevan: " << Escaped(error) << '\n';
    return kUsageOrIoError;
  }
  const bool batch = !settings.outDir.empty() || jobs.size() > 1;
  const bool progress = batch && !settings.quiet && isatty(STDERR_FILENO);
  const bool sayWritten = batch && !settings.quiet && settings.format == Format::Text;
  BatchOptions options;
  options.options.encoding = settings.encoding;
  options.options.fallbackEncoding = settings.fallbackEncoding;
  options.options.partial = settings.partial;
  options.options.strict = settings.strict;
  options.options.check = settings.check;
  // Only pages show what the document holds; each file's page asks for it.
  options.options.readModel = false;
  options.options.version = settings.version;
  options.options.checkFiles = settings.checkFiles;
  options.options.dataRoots = settings.dataRoots;
  options.options.ignore = settings.ignore;
  if (!ParseRewrites(settings.rewrites, options.options.rewritePaths, error)) {
    std::cerr << "brevan: " << Escaped(error) << '\n';
    return kUsageOrIoError;
  }
  options.jobs = settings.jobs;
  if (!settings.outDir.empty()) {
    options.index = settings.htmlPath;
    // Locked, kept in a manifest, redone only where something changed.
    options.outDir = settings.outDir;
    options.redo = settings.force         ? BatchOptions::Redo::All
                   : settings.retryFailed ? BatchOptions::Redo::Failed
                                          : BatchOptions::Redo::Changed;
    options.deleteOrphans = settings.deleteOrphans;
  }
  options.cancelled = [] { return interrupted != 0; };
  options.onOutcome = [&](const Outcome& outcome) {
    if (progress) std::cerr << "\r\033[K";
    std::cerr << Messages(outcome, settings, options.options);
    if (batch && settings.format == Format::Json) std::cerr << OutcomeRecord(outcome);
    const bool written =
        outcome.status == Status::Translated || outcome.status == Status::TranslatedWithWarnings;
    if (sayWritten && written && !outcome.job.output.empty()) {
      // A file that lost statements is told apart from one translated whole.
      const size_t passed = outcome.result.skipped.size();
      std::cerr << "brevan: " << Escaped(outcome.job.input) << " -> " << Escaped(outcome.job.output)
                << (passed > 0 ? " (" + Plural(passed, "statement", "statements") + " passed over)" : "")
                << '\n';
    }
  };
  const auto start = std::chrono::steady_clock::now();
  if (progress)
    options.onProgress = [&](size_t ended, size_t failed) {
      std::cerr << Progress(ended, jobs.size(), failed, start) << std::flush;
    };
  const Batch done = TranslateMany(jobs, options);
  if (!done.error.empty()) {
    std::cerr << "brevan: " << Escaped(done.error) << '\n';
    return kUsageOrIoError;
  }
  if (progress) std::cerr << "\r\033[K";
  const BatchSummary& summary = done.summary;
  for (const std::string& orphan : summary.orphaned)
    if (settings.format == Format::Text)
      std::cerr << "brevan: " << Escaped(orphan)
                << (summary.orphansDeleted ? " removed: its source is gone\n"
                                           : " is orphaned: its source is gone (--delete removes it)\n");
  if (!summary.manifestError.empty())
    std::cerr << TellFailure(Manifest(options.outDir), "cannot write: " + summary.manifestError,
                             settings.format);
  if (!options.index.empty()) {
    if (!summary.indexError.empty())
      std::cerr << TellFailure(options.index, "cannot write: " + summary.indexError, settings.format);
    else if (!summary.cancelled && sayWritten)
      std::cerr << "brevan: report index -> " << Escaped(options.index) << '\n';
  }
  if (interrupted != 0) {
    if (batch) std::cerr << Summary(summary, options, settings);
    return DieByInterruption();
  }
  if (!batch) return SingleExitCode(done.outcomes.front(), options.options);
  std::cerr << Summary(summary, options, settings);
  // The state of the tree: a workspace that failed last time and has not
  // changed fails it still.
  const bool whole = summary.failed == 0 && summary.failedEarlier == 0 && summary.pagesNotWritten == 0 &&
                     summary.indexError.empty();
  return whole ? kTranslated : kTranslationError;
}

void ListTable(const Tokens& table) {
  for (int i = 0; i < table.Count(); ++i)
    std::cout << table.Entries()[i].id << '\t' << Escaped(ToUtf8(table.Entries()[i].text)) << '\n';
}

// What the options say that CLI11 cannot check alone; null when nothing.
const char* Misuse(const Settings& settings) {
  if (settings.files.empty()) return "no workspace file given (see --help)";
  if (settings.check && (!settings.output.empty() || !settings.outDir.empty() || !settings.htmlPath.empty()))
    return "--check writes nothing: it excludes --output, --out-dir and --html";
  if (!settings.outDir.empty() && !settings.output.empty())
    return "--output and --out-dir exclude each other";
  if (settings.outDir.empty() && (settings.force || settings.retryFailed || settings.deleteOrphans))
    return "--force, --retry-failed and --delete are about an output folder: they need --out-dir";
  if (settings.force && settings.retryFailed) return "--force and --retry-failed exclude each other";
  for (const std::string& code : settings.ignore) {
    const std::vector<DiagnosticKind> kinds = DiagnosticKinds();
    if (std::none_of(kinds.begin(), kinds.end(),
                     [&](const DiagnosticKind& kind) { return kind.code == code; }))
      return "--ignore takes the code of a warning or remark (brevan --list-codes lists them)";
  }
  if (settings.outDir.empty() && !settings.check && settings.files.size() > 1)
    return "several files need --out-dir";
  return nullptr;
}

}  // namespace

Command AddTranslateCommand(CLI::App& app, char** argv) {
  struct Given {
    Settings settings;
    bool listKeywords = false, listTags = false, listCodes = false;
    std::string format = "text";
  };
  const auto given = std::make_shared<Given>();
  Settings& settings = given->settings;
  settings.jobs = std::max(1u, std::thread::hardware_concurrency());
  app.add_option("files", settings.files,
                 "Workspace files to translate, and folders with -r; - reads standard input");
  app.add_flag("-r,--recursive", settings.recursive,
               "Translate the workspaces in folders and their sub-folders (with --out-dir: each at its "
               "place below the folder)");
  app.add_option("--glob", settings.glob,
                 "With -r: which files are workspaces (default: names ending in .bws)");
  app.add_option("-o,--output", settings.output,
                 "Write the document here instead of standard output (one file)");
  app.add_option("--out-dir", settings.outDir,
                 "Translate every file into DIR, each at its place below the folder it was found in (files "
                 "named directly: below their common folder)");
  app.add_flag("--force", settings.force,
               "With --out-dir: translate every workspace again, also those whose last translation stands");
  app.add_flag("--retry-failed", settings.retryFailed,
               "With --out-dir: translate only the workspaces whose last translation there failed");
  app.add_flag("--delete", settings.deleteOrphans,
               "With --out-dir: remove the documents and pages whose source is gone");
  app.add_option("--jobs", settings.jobs,
                 "Files translated at once with --out-dir (default: the number of cores)")
      ->check(CLI::Range(1u, 1024u));
  AddVersionOption(app, settings.version,
                   "Version of the statements (below 200 and below 300 select older forms); "
                   "overrides a \"!version N\" line");
  app.add_option("--encoding", settings.encoding,
                 "Encoding of the files (default UTF-8, or UTF-16/32 after a byte-order mark), e.g. "
                 "ISO-8859-1, CP1252; auto: each file's own (byte-order mark, UTF-8, else detected)");
  app.add_option("--fallback-encoding", settings.fallbackEncoding,
                 "With --encoding auto: what a file that is not UTF-8 is read as when its encoding cannot be "
                 "told (default CP1252)");
  app.add_flag("--partial", settings.partial, "On a translation error, still write the document as it stood");
  app.add_flag("--strict", settings.strict,
               "Warnings fail a file like an error (exit 1; written only with --partial); remarks never do");
  app.add_flag("--check", settings.check,
               "Report every error of each file, going on at the next statement; write nothing");
  app.add_option("--diagnostics-format", given->format, "How diagnostics are written: text or json")
      ->check(CLI::IsMember({"text", "json"}));
  app.add_flag("--quiet", settings.quiet, "Batch mode: no progress line and no line per file written");
  app.add_option("--html", settings.htmlPath,
                 "Write a report page of what the workspace became to FILE; with --out-dir, FILE is "
                 "an index of the batch and each workspace's page goes beside its document as NAME.html");
  app.add_flag("--report", settings.report,
               "List the statements passed over as not translated, and the remarks");
  app.add_flag("--remarks", settings.remarks,
               "Tell each remark: what a workspace says that the document has no place for");
  app.add_flag("--check-files", settings.checkFiles,
               "Look up each open table's file; a file not found is a warning at its file string");
  app.add_option("--data-root", settings.dataRoots,
                 "A folder where table files are looked up by their trailing path components (repeatable)")
      ->allow_extra_args(false);
  app.add_option("--rewrite-path", settings.rewrites,
                 "OLD=NEW: table files starting with OLD are written starting with NEW (repeatable; the "
                 "longest OLD wins)")
      ->allow_extra_args(false);
  app.add_option(
         "--ignore", settings.ignore,
         "CODE: do not tell (nor count) warnings or remarks of this kind (repeatable; see --list-codes)")
      ->allow_extra_args(false);
  app.add_flag("--list-codes", given->listCodes,
               "Print the codes of the warnings and remarks (code, severity, message) and exit");
  app.add_flag("--list-keywords", given->listKeywords, "Print the keyword table (id, spelling) and exit");
  app.add_flag("--list-tags", given->listTags, "Print the tag table (id, name) and exit");
  return {nullptr, [given, argv] {
            Settings& settings = given->settings;
            if (given->listCodes) {
              for (const DiagnosticKind& kind : DiagnosticKinds())
                std::cout << kind.code << '\t' << (kind.severity == Severity::Warning ? "warning" : "remark")
                          << '\t' << kind.message << '\n';
              return static_cast<int>(kTranslated);
            }
            if (given->listKeywords || given->listTags) {
              if (given->listKeywords) ListTable(*GetBrevanKeywords());
              if (given->listTags) ListTable(*GetWorkspaceTags());
              return static_cast<int>(kTranslated);
            }
            if (given->format == "json") settings.format = Format::Json;
            if (const char* usage = Misuse(settings)) {
              std::cerr << "brevan: " << usage << '\n';
              return static_cast<int>(kUsageOrIoError);
            }
            RestartWithHeapPages(argv, settings.files);
            // Documents are large and short-lived: page faults were a third of the time.
            UseLargePages();
            InstallInterruptHandlers();
            return Translate(settings);
          }};
}

}  // namespace brevan::cli
