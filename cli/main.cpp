// brevan: translates workspace files into XML workspace documents, one or
// many at a time.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "brevan/brevan.h"
#include "brevan/report.h"
#include "cli/heap_pages.h"
#include "host/document_memory.h"
#include "host/text.h"
#include "host/tokens.h"

namespace brevan::cli {
namespace {

namespace fs = std::filesystem;

enum ExitCode { kTranslated = 0, kTranslationError = 1, kUsageOrIoError = 2 };

// How diagnostics are written on standard error.
enum class Format { Text, Json };

struct Settings {
  std::vector<std::string> files;
  std::string output;
  std::string outDir;
  unsigned jobs = 0;
  int version = -1;
  std::string encoding;
  bool partial = false;
  bool report = false;
  bool strict = false;
  bool check = false;
  bool quiet = false;
  // A report page per file: at htmlPath for one file, beside each document
  // with --out-dir (plus an index there).
  bool html = false;
  std::string htmlPath;
  Format format = Format::Text;
};

// One file's outcome, kept until it is its turn to be told.
struct Outcome {
  int exitCode = kTranslated;
  std::string messages;  // diagnostics and report lines
  std::string written;   // the output path, when written
  size_t warnings = 0;
  IndexEntry entry;  // for the batch's report index
};

std::string DisplayName(const std::string& file) { return file == "-" ? "<stdin>" : file; }

// The source line and a caret under the culprit (^~~~), tabs kept so that
// it lines up. A long line is cut to a window around the caret, marked with
// "…" where it was cut: a machine-written line may run to megabytes.
std::string SourceAndCaret(const std::string& sourceLine, int column, int endColumn) {
  constexpr int kWindow = 120, kBefore = 40;
  std::wstring source = FromUtf8(sourceLine);
  int length = static_cast<int>(source.size());
  if (length > kWindow) {
    const int begin = std::clamp(column - 1 - kBefore, 0, length - kWindow);
    source = source.substr(begin, kWindow);
    if (begin + kWindow < length) source += L'…';
    if (begin > 0) {
      source.insert(0, 1, L'…');
      column -= begin - 1;
      endColumn -= begin - 1;
    }
    length = static_cast<int>(source.size());
  }
  std::string caret;
  for (int i = 0; i + 1 < column && i < length; ++i) caret += source[i] == L'\t' ? '\t' : ' ';
  caret += '^';
  for (int i = column; i + 1 < endColumn && i < length; ++i) caret += '~';
  return ToUtf8(source) + '\n' + caret + '\n';
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char kDigits[] = "0123456789abcdef";
      out += "\\u00";
      out += kDigits[c >> 4];
      out += kDigits[c & 0xF];
    } else {
      out += c;
    }
  }
  return out + '"';
}

// One diagnostic of file: "FILE:LINE:COL: error N: MESSAGE", the source
// line with a caret and the notes; or one JSON object on a line.
std::string Tell(const std::string& file, const Diagnostic& d, const char* severity, Format format) {
  if (format == Format::Json) {
    std::string notes;
    for (const std::string& note : d.notes) notes += (notes.empty() ? "" : ",") + JsonString(note);
    return "{\"file\":" + JsonString(DisplayName(file)) + ",\"line\":" + std::to_string(d.line) +
           ",\"column\":" + std::to_string(d.column) + ",\"endColumn\":" + std::to_string(d.endColumn) +
           ",\"severity\":" + JsonString(severity) + ",\"number\":" + std::to_string(d.number) +
           ",\"message\":" + JsonString(d.message) + ",\"notes\":[" + notes + "]}\n";
  }
  std::string where = DisplayName(file);
  if (d.line > 0) where += ':' + std::to_string(d.line);
  if (d.column > 0) where += ':' + std::to_string(d.column);
  std::string label = severity;
  if (d.number > 0) label += ' ' + std::to_string(d.number);
  std::string text = where + ": " + label + ": " + d.message + '\n';
  if (d.column > 0) text += SourceAndCaret(d.sourceLine, d.column, d.endColumn);
  for (const std::string& note : d.notes) text += where + ": note: " + note + '\n';
  return text;
}

// A failure of the tool itself about file (no number, no place).
std::string TellFailure(const std::string& file, const std::string& message, Format format) {
  Diagnostic failure;
  failure.message = message;
  return Tell(file, failure, "error", format);
}

// The signal that asked the tool to stop (SIGINT, SIGTERM), or 0.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int signal) { interrupted = signal; }

// Where a document goes: standard output, or a file written under a
// temporary name beside its target and renamed into place when complete,
// so that no failure or interruption leaves half a document under its name.
// Nothing is made before the first piece: a translation that writes
// nothing leaves no file behind. A device or a FIFO (-o /dev/null) is
// written in place: there is no file to replace; through a symbolic link
// the link's target is replaced and the link stays.
class Output {
 public:
  explicit Output(const std::string& path) : path_(path) {}
  ~Output() {
    if (file_ == nullptr || file_ == stdout) return;
    std::fclose(file_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // False once writing failed, or the tool was asked to stop.
  bool Write(std::string_view piece) {
    started_ = true;
    if (interrupted != 0) return Fail("interrupted");
    if (file_ == nullptr && !Open()) return false;
    if (std::fwrite(piece.data(), 1, piece.size(), file_) != piece.size()) return Fail(std::strerror(errno));
    return true;
  }
  // Whether everything handed over reached its place; Error() says why not.
  bool Close() {
    if (file_ == nullptr || !error_.empty()) return false;  // the destructor removes the temporary
    const bool toStandardOutput = file_ == stdout;
    if (std::fflush(file_) != 0 || std::ferror(file_)) return Fail(std::strerror(errno));
    if (toStandardOutput) {
      file_ = nullptr;
      return true;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    if (temporary_.empty()) {  // written in place
      if (std::fclose(file) == 0) return true;
      error_ = std::strerror(errno);
      return false;
    }
    if (std::fclose(file) != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
      error_ = std::strerror(errno);
      std::remove(temporary_.c_str());
      return false;
    }
    return true;
  }
  // Whether a document was handed over at all.
  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }

 private:
  bool Open() {
    if (path_.empty() || path_ == "-") {
      file_ = stdout;
      return true;
    }
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      if (S_ISDIR(info.st_mode)) return Fail("it is a directory");
      file_ = std::fopen(path_.c_str(), "wb");
      return file_ != nullptr || Fail(std::strerror(errno));
    }
    target_ = path_;
    if (::lstat(path_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      std::error_code error;
      const fs::path resolved = fs::weakly_canonical(path_, error);
      if (!error) target_ = resolved.string();
    }
    std::string name = target_ + ".XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return Fail(std::strerror(errno));
    ::fchmod(fd, 0644);
    temporary_ = name;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
      ::close(fd);
      std::remove(temporary_.c_str());
      return Fail(std::strerror(errno));
    }
    return true;
  }
  bool Fail(const char* reason) {
    if (error_.empty()) error_ = reason;
    return false;
  }

  std::string path_;
  std::string target_;     // the file renamed onto: path_, or where its link points
  std::string temporary_;  // empty when written in place
  std::FILE* file_ = nullptr;
  bool started_ = false;
  std::string error_;
};

// Writes text to path atomically; false, with the reason added to
// messages, when it cannot.
bool WriteWhole(const std::string& file, const std::string& path, std::string_view text,
                const Settings& settings, std::string& messages) {
  Output output(path);
  if (output.Write(text) && output.Close()) return true;
  messages += TellFailure(file, "cannot write " + path + ": " + output.Error(), settings.format);
  return false;
}

// Translates file; writes its document to outputPath (standard output when
// empty, nowhere when writeDocument is false) and, when htmlPath is given,
// its report page there.
Outcome TranslateOne(const std::string& file, const std::string& outputPath, const Settings& settings,
                     const std::string& htmlPath = std::string(), bool writeDocument = true) {
  Options options;
  options.encoding = settings.encoding;
  options.partial = settings.partial;
  options.strict = settings.strict;
  options.check = settings.check;
  options.secondThread = true;  // the tool's own process: it may start threads
  if (settings.version >= 0) options.version = static_cast<short>(settings.version);
  Output output(outputPath);
  bool written = true;
  // A report page needs the document itself, also when the translation failed.
  options.keepDocument = !htmlPath.empty();
  Result result = TranslateFile(file, options, [&](std::string_view piece) {
    return !writeDocument || (written = output.Write(piece));
  });
  Outcome outcome;
  // Everything about the text in its order; at one place a warning or an
  // error comes before the report line of the statement it is about.
  struct Told {
    int line, column;
    std::string text;
  };
  std::vector<Told> told;
  for (const Diagnostic& error : result.errors)
    told.push_back({error.line, error.column, Tell(file, error, "error", settings.format)});
  for (const Diagnostic& warning : result.warnings)
    told.push_back({warning.line, warning.column, Tell(file, warning, "warning", settings.format)});
  if (settings.report)
    for (const Skipped& skipped : result.skipped) {
      Diagnostic line;
      line.line = skipped.line;
      line.column = skipped.column;
      line.endColumn = skipped.column + 1;
      line.message = skipped.keyword;
      told.push_back({skipped.line, skipped.column,
                      settings.format == Format::Json
                          ? Tell(file, line, "skipped", settings.format)
                          : DisplayName(file) + ":" + std::to_string(skipped.line) + ":" +
                                std::to_string(skipped.column) + ": skipped: " + skipped.keyword + "\n"});
    }
  std::stable_sort(told.begin(), told.end(), [](const Told& a, const Told& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  });
  for (const Told& message : told) outcome.messages += message.text;
  outcome.warnings = result.warnings.size();
  if (!result.ok) {
    // Input that cannot be read, and running out of memory, are no fault of the statements.
    constexpr int kOutOfMemory = 9984;
    outcome.exitCode =
        result.error == 0 || result.error == kOutOfMemory ? kUsageOrIoError : kTranslationError;
  } else if (settings.strict && outcome.warnings > 0) {
    outcome.messages += TellFailure(file,
                                    std::to_string(outcome.warnings) +
                                        (outcome.warnings == 1 ? " warning" : " warnings") + " with --strict",
                                    settings.format);
    outcome.exitCode = kTranslationError;
  }
  if (!htmlPath.empty()) {
    const std::string page = RenderHtml(result, DisplayName(file));
    if (!WriteWhole(file, htmlPath, page, settings, outcome.messages)) outcome.exitCode = kUsageOrIoError;
    result.xml.clear();
    outcome.entry = {file, fs::path(htmlPath).filename().string(), std::move(result)};
  }
  if (!output.Started()) return outcome;
  if (output.Close() && written) {
    outcome.written = outputPath;
  } else {
    outcome.messages +=
        TellFailure(file,
                    "cannot write " + (outputPath.empty() ? std::string("standard output") : outputPath) +
                        ": " + output.Error(),
                    settings.format);
    outcome.exitCode = kUsageOrIoError;
  }
  return outcome;
}

// Output paths in --out-dir: the input's name with .xml; two inputs may not share one.
bool OutputPaths(const Settings& settings, std::vector<std::string>& paths) {
  std::set<std::string> seen;
  for (const std::string& file : settings.files) {
    if (file == "-") {
      std::cerr << "brevan: standard input cannot be translated with --out-dir\n";
      return false;
    }
    const std::string path = (fs::path(settings.outDir) / fs::path(file).stem()).string() + ".xml";
    if (!seen.insert(path).second) {
      std::cerr << "brevan: two inputs would both be written to " << path << '\n';
      return false;
    }
    paths.push_back(path);
  }
  return true;
}

// Makes the output folder, or says why it cannot be written into: once,
// before any work.
bool PrepareOutDir(const std::string& dir);

// Report pages of a batch: NAME.html beside the index, none of them the index itself.
bool PagePaths(const Settings& settings, const std::vector<std::string>& outputs,
               std::vector<std::string>& pages) {
  const fs::path index(settings.htmlPath);
  for (const std::string& output : outputs) {
    pages.push_back((index.parent_path() / fs::path(output).stem()).string() + ".html");
    if (fs::path(pages.back()).lexically_normal() == index.lexically_normal()) {
      std::cerr << "brevan: the page of " << output << " would overwrite the index " << settings.htmlPath
                << '\n';
      return false;
    }
  }
  return index.parent_path().empty() || PrepareOutDir(index.parent_path().string());
}

// Makes the output folder, or says why it cannot be written into: once,
// before any work.
bool PrepareOutDir(const std::string& dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) {
    std::cerr << "brevan: cannot make " << dir << ": " << error.message() << '\n';
    return false;
  }
  if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    std::cerr << "brevan: cannot write into " << dir << ": " << std::strerror(errno) << '\n';
    return false;
  }
  return true;
}

// The progress line of a batch on a terminal: files done of all, failures,
// speed and the time left.
std::string Progress(size_t finished, size_t count, size_t failed,
                     std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double rate = seconds > 0 ? static_cast<double>(finished) / seconds : 0;
  std::ostringstream line;
  line << "\r\033[K[" << finished << '/' << count << "] " << failed << " failed";
  if (rate > 0) {
    line << ", " << std::fixed << std::setprecision(rate < 10 ? 1 : 0) << rate << " files/s, "
         << std::lround(static_cast<double>(count - finished) / rate) << " s left";
  }
  return line.str();
}

// Translates every file on settings.jobs threads; tells each outcome in
// input order. An interruption lets the files under way end (without
// writing them), starts no more and ends with 128 + the signal.
int TranslateBatch(const Settings& settings) {
  const size_t count = settings.files.size();
  std::vector<std::string> paths, pages;
  if (settings.check) {
    paths.assign(count, std::string());  // nothing is written
  } else if (!OutputPaths(settings, paths) || !PrepareOutDir(settings.outDir) ||
             (settings.html && !PagePaths(settings, paths, pages))) {
    return kUsageOrIoError;
  }
  std::vector<Outcome> outcomes(count);
  std::vector<bool> done(count, false);
  std::atomic<size_t> next{0};
  std::mutex tell;
  size_t told = 0, finished = 0, failed = 0, warnings = 0;
  const bool progress = isatty(STDERR_FILENO) && !settings.quiet;
  const auto start = std::chrono::steady_clock::now();
  const auto work = [&] {
    for (size_t i; interrupted == 0 && (i = next++) < count;) {
      Outcome outcome =
          TranslateOne(settings.files[i], paths[i], settings, settings.html ? pages[i] : std::string());
      const std::lock_guard<std::mutex> lock(tell);
      outcomes[i] = std::move(outcome);
      done[i] = true;
      ++finished;
      if (outcomes[i].exitCode != kTranslated) ++failed;
      warnings += outcomes[i].warnings;
      for (; told < count && done[told]; ++told) {
        const Outcome& o = outcomes[told];
        if (progress) std::cerr << "\r\033[K";
        std::cerr << o.messages;
        if (!progress && !settings.quiet && !o.written.empty() && settings.format == Format::Text)
          std::cerr << "brevan: " << settings.files[told] << " -> " << o.written << '\n';
      }
      if (progress) std::cerr << Progress(finished, count, failed, start) << std::flush;
    }
  };
  const unsigned jobs = std::max(1u, std::min<unsigned>(settings.jobs, static_cast<unsigned>(count)));
  std::vector<std::thread> workers;
  for (unsigned j = 1; j < jobs; ++j) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  if (progress) std::cerr << "\r\033[K";
  const size_t notDone = count - finished;
  if (settings.html && interrupted == 0) {
    std::vector<IndexEntry> entries;
    entries.reserve(outcomes.size());
    for (Outcome& outcome : outcomes) entries.push_back(std::move(outcome.entry));
    const std::string& index = settings.htmlPath;
    std::string messages;
    if (WriteWhole(index, index, RenderHtmlIndex(entries, "Workspaces in " + settings.outDir), settings,
                   messages)) {
      if (!settings.quiet && settings.format == Format::Text)
        std::cerr << "brevan: report index -> " << index << '\n';
    } else {
      std::cerr << messages;
      ++failed;
    }
  }
  if (settings.format == Format::Json) {
    std::cerr << "{\"files\":" << count << ",\"failed\":" << failed << ",\"warnings\":" << warnings;
    if (interrupted != 0) std::cerr << ",\"interrupted\":true,\"notDone\":" << notDone;
    std::cerr << "}\n";
  } else {
    std::cerr << "brevan: " << (interrupted != 0 ? "interrupted: " : "") << finished - failed
              << (settings.check ? " checked, " : " translated, ") << failed << " failed";
    if (warnings > 0) std::cerr << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    if (interrupted != 0) std::cerr << ", " << notDone << " not done";
    std::cerr << '\n';
  }
  if (interrupted != 0) return 128 + interrupted;
  return failed == 0 ? kTranslated : kTranslationError;
}

void ListTable(const Tokens& table) {
  for (int i = 0; i < table.Count(); ++i)
    std::cout << table.Entries()[i].id << '\t' << ToUtf8(table.Entries()[i].text) << '\n';
}

int Run(int argc, char** argv) {
  CLI::App app{"Translates workspace files into XML workspace documents."};
  app.set_version_flag("--version", std::string("brevan ") + Version());
  Settings settings;
  settings.jobs = std::max(1u, std::thread::hardware_concurrency());
  bool listKeywords = false, listTags = false;
  app.add_option("files", settings.files, "Workspace files to translate; - reads standard input");
  app.add_option("-o,--output", settings.output,
                 "Write the document here instead of standard output (one file)");
  app.add_option("--out-dir", settings.outDir, "Translate every file into DIR/NAME.xml");
  app.add_option("--jobs", settings.jobs,
                 "Files translated at once with --out-dir (default: the number of cores)")
      ->check(CLI::Range(1u, 1024u));
  app.add_option("--format-version", settings.version,
                 "Version of the statements (below 200 and below 300 select older forms); "
                 "overrides a \"!version N\" first line")
      ->check(CLI::Range(0, 32767));
  app.add_option("--encoding", settings.encoding,
                 "Encoding of the files (default UTF-8), e.g. ISO-8859-1, CP1252");
  app.add_flag("--partial", settings.partial, "On a translation error, still write the document as it stood");
  app.add_flag("--strict", settings.strict,
               "Warnings fail a file like an error (exit 1; written only with --partial)");
  app.add_flag("--check", settings.check,
               "Report every error of each file, going on at the next statement; write nothing");
  std::string format = "text";
  app.add_option("--diagnostics-format", format, "How errors and warnings are written: text or json")
      ->check(CLI::IsMember({"text", "json"}));
  app.add_flag("--quiet", settings.quiet, "Batch mode: no progress line and no line per file written");
  app.add_option("--html", settings.htmlPath,
                 "Write a report page of what the workspace became to FILE; with --out-dir, FILE is "
                 "an index of the batch and each workspace's page goes beside it as NAME.html");
  app.add_flag("--report", settings.report, "List the statements that were skipped as not translated");
  app.add_flag("--list-keywords", listKeywords, "Print the keyword table (id, spelling) and exit");
  app.add_flag("--list-tags", listTags, "Print the tag table (id, name) and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kTranslated : kUsageOrIoError;
  }
  if (listKeywords || listTags) {
    if (listKeywords) ListTable(*GetBrevanKeywords());
    if (listTags) ListTable(*GetWorkspaceTags());
    return kTranslated;
  }
  if (format == "json") settings.format = Format::Json;
  settings.html = !settings.htmlPath.empty();
  if (settings.files.empty()) {
    std::cerr << "brevan: no workspace file given (see --help)\n";
    return kUsageOrIoError;
  }
  RestartWithHeapPages(argv, settings.files);
  // Documents are large and short-lived: page faults were a third of the time.
  UseLargePages();
  // Ctrl-C or a termination: files under way end unwritten; a second one
  // ends the tool at once (a temporary file may stay, never half a document).
  struct sigaction stop {};
  stop.sa_handler = OnInterrupt;
  stop.sa_flags = SA_RESETHAND;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  if (settings.check) {
    if (!settings.output.empty() || !settings.outDir.empty() || settings.html) {
      std::cerr << "brevan: --check writes nothing: it excludes --output, --out-dir and --html\n";
      return kUsageOrIoError;
    }
    if (settings.files.size() > 1) return TranslateBatch(settings);
  } else if (!settings.outDir.empty()) {
    if (!settings.output.empty()) {
      std::cerr << "brevan: --output and --out-dir exclude each other\n";
      return kUsageOrIoError;
    }
    return TranslateBatch(settings);
  }
  if (settings.files.size() > 1) {
    std::cerr << "brevan: several files need --out-dir\n";
    return kUsageOrIoError;
  }
  // With a page and no -o, the page is what was asked for: no document on standard output.
  const Outcome outcome = TranslateOne(settings.files[0], settings.output, settings, settings.htmlPath,
                                       !settings.html || !settings.output.empty());
  std::cerr << outcome.messages;
  return interrupted != 0 ? 128 + interrupted : outcome.exitCode;
}

}  // namespace
}  // namespace brevan::cli

// Nothing escapes: running out of memory, or anything else the standard
// library throws, ends the tool with a message and exit status 2.
int main(int argc, char** argv) {
  try {
    return brevan::cli::Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "brevan: not enough memory\n";
  } catch (const std::exception& failure) {
    std::cerr << "brevan: " << failure.what() << '\n';
  } catch (...) {
    std::cerr << "brevan: unexpected failure\n";
  }
  return brevan::cli::kUsageOrIoError;
}
