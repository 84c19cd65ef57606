// Brevan: translate map workspaces into XML workspace documents.
//
//   brevan::Options options;
//   options.version = brevan::FormatVersion(250);  // else the file's "!version N", else 300
//   brevan::Result result = brevan::TranslateFile("roads.bws", options);
//   if (!result.ok) std::cerr << result.line << ':' << result.column << ": " << result.message << '\n';
//   else std::cout << result.xml;
//
// Every function may be called from several threads at once.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brevan/format_version.h"
#include "brevan/model.h"

namespace pugi {
class xml_document;
}

namespace brevan {

// A rule that rewrites the start of table file paths: data that moved.
struct PathRewrite {
  std::string from;  // C:\GIS or /old/data
  std::string to;    // /mnt/gis
};

struct Options {
  // Form of the statements (see FormatVersion). Unset: the file's
  // "!version N" first line, else fallbackVersion, else FormatVersion::Newest().
  std::optional<FormatVersion> version;
  std::optional<FormatVersion> fallbackVersion;
  // Encoding of the input bytes, any name iconv knows; empty for UTF-8
  // (a byte-order mark is dropped). "auto": a byte-order mark decides,
  // else UTF-8 when the bytes are valid UTF-8, else a detector's finding
  // when it is sure and finds other than Latin letters (a remark), else
  // fallbackEncoding. A named single-byte encoding that makes mojibake of
  // valid UTF-8, or ISO-8859-1 giving control characters where CP1252 has
  // letters, is a warning.
  std::string encoding;
  // What "auto" reads bytes as when it cannot tell; empty: CP1252.
  std::string fallbackEncoding;
  // Indent the XML text.
  bool indent = true;
  // With a sink: hand the document over also after a translation error.
  bool partial = false;
  // With a sink: warnings fail the translation like an error, so the
  // document is handed over only with partial. result.ok still tells
  // whether the statements were translated.
  bool strict = false;
  // With a sink: result.xml also holds the document, as handed over, or as
  // it stood when it was not (a failed translation without partial), for
  // a caller that shows it besides writing it (the tool's report pages).
  // With check (TranslateBytes): result.xml holds what the statements that
  // translated made (an editor's outline of a text with errors).
  bool keepDocument = false;
  // Fill result.workspace with the tables and map windows the document
  // holds (its statements are always listed). Off for a caller that only
  // writes the document.
  bool readModel = true;
  // Keep the translated document in memory with the result (result.tree),
  // for StatementFragment (<brevan/workspace.h>).
  bool keepTree = false;
  // Report every error: after one, translation goes on at the next
  // statement, and result.errors lists them all. No document is made
  // (result.xml stays empty, a sink gets nothing) unless keepDocument.
  bool check = false;
  // Look up each open table's file (<brevan/files.h>: relative to folder,
  // else under dataRoots); a file not found is a warning at its file
  // string, and listed in result.missingFiles.
  bool checkFiles = false;
  // The workspace's folder, where relative table files stand; empty: the
  // file's own folder (TranslateFile), else the working folder.
  std::string folder;
  std::vector<std::string> dataRoots;
  // Table files (copies included) are written with the longest matching
  // rule's prefix replaced, each rewrite a remark; checkFiles looks for the
  // rewritten path. Without rules the document is as translated.
  std::vector<PathRewrite> rewritePaths;
  // Codes of warnings and remarks not to tell (DiagnosticKinds()): they
  // are dropped from the result, so that they count nowhere.
  std::vector<std::string> ignore;
};

// A statement that was passed over because it is not one that is translated.
struct Skipped {
  int line = 0;
  int column = 0;
  std::string keyword;  // its first words, as written
};

// What a place in the text names, for tools that read the text beside the
// document: an outline, where a table is opened, which layer a number
// stands for. Only what was translated is marked.
struct Mark {
  enum class Kind {
    Statement,    // a translated statement from its first token; name: its first words ("Open Table")
    TableFile,    // the file string of an open-table statement; name: the file as written
    TableAlias,   // the alias an open-table statement gives; name: the alias
    TableName,    // a table a map-window statement names; name: the layer it became
    LayerNumber,  // a layer identifier; name: the name of the layer it stood for there
  };
  Kind kind = Kind::Statement;
  int line = 0;  // 1-based
  int column = 0;
  int endColumn = 0;  // just past the tokens on their first line
  std::string name;
  int lastLine = 0;       // the line of the last token (a statement over several lines)
  int lastEndColumn = 0;  // just past the last token on its line
};

// How much a diagnostic matters:
// - an error stops the translation (or, with Options::check, the statement);
// - a warning is something passed over or cut short (the document is still
//   written; Options::strict makes warnings fail);
// - a remark is something the workspace says that the document has no
//   place for: read and not written. Never a failure.
enum class Severity { Error, Warning, Remark };

// An error, a warning or a remark, at its place in the text.
struct Diagnostic {
  Severity severity = Severity::Error;
  int number = 0;  // the message number of an error (as Result::error); 0 otherwise
  // The stable code of a warning's or remark's kind ("clause-not-written",
  // DiagnosticCodes()); empty for an error.
  std::string code;
  int line = 0;  // 1-based; 0 when not about a line
  int column = 0;
  int endColumn = 0;               // just past the culprit on its line
  std::string message;             // UTF-8
  std::vector<std::string> notes;  // facts that make the message actionable
  std::string sourceLine;          // the text of that line
};

// The message numbers of Result::error that callers branch on. The others
// are translation errors: 1 to 35 for what the text says, 9985 to 9988 for
// what the host could not do.
namespace ErrorNumber {
// Bytes that do not decode, a binary file, an unreadable file or a broken
// version line: nothing was translated.
inline constexpr int kInputError = 0;
// A token that cannot be read (an unclosed string, a stray character).
inline constexpr int kInvalidToken = 2;
// Memory ran out; the input may be fine.
inline constexpr int kOutOfMemory = 9984;
}  // namespace ErrorNumber

// A translated document kept in memory (Options::keepTree).
class Tree;

struct Result {
  bool ok = false;
  // The message number when !ok (see ErrorNumber).
  int error = 0;
  // When a file could not be read: the system's reason (an errno such as
  // ENOENT, EACCES or EISDIR); 0 otherwise.
  int systemError = 0;
  std::string message;  // UTF-8, its argument filled in; empty when ok
  int line = 0;         // where the culprit stands (1-based; 0 when not about a line)
  int column = 0;
  int endColumn = 0;               // just past the culprit on its line
  std::vector<std::string> notes;  // facts that make the message actionable
  std::string sourceLine;          // the text of that line
  // The document, UTF-8 with a declaration; when !ok, as it stood at the
  // failure (empty after an input error).
  std::string xml;
  std::vector<Skipped> skipped;
  // Every error, warning and remark, in the order of the text.
  std::vector<Diagnostic> diagnostics;
  // What the translated statements name, in the order they were read.
  std::vector<Mark> marks;
  // What the translation made: every statement, and the tables and map
  // windows of the document (Options::readModel), also after a failure.
  Workspace workspace;
  std::shared_ptr<const Tree> tree;  // with Options::keepTree
  // With Options::checkFiles: the table files not found, as written.
  std::vector<std::string> missingFiles;
  // The encoding the text was read in: "UTF-8", "UTF-16LE", "CP1252"… (as
  // named, or as "auto" found it); empty when the bytes could not be read.
  std::string encoding;
  // The warnings of diagnostics: statements cut short, expressions that
  // run on over a line break, a file with nothing to translate.
  std::vector<Diagnostic> warnings;
  // The errors of diagnostics: every error when !ok, the first one as
  // above; with Options::check all the errors of the text, else just that one.
  std::vector<Diagnostic> errors;

  // How many diagnostics have severity.
  size_t Count(Severity severity) const;
};

// Whether a translation failed under its options: an error, or (with
// Options::strict) a warning.
bool Failed(const Result& result, const Options& options);

// Translates the bytes of a workspace.
Result TranslateBytes(std::string_view bytes, const Options& options = {});

// Translates a workspace file; "-" reads standard input.
Result TranslateFile(const std::string& path, const Options& options = {});

// The same into a caller's pugixml document (replacing what it held);
// result.xml stays empty.
Result TranslateBytes(std::string_view bytes, pugi::xml_document& document, const Options& options = {});

// Receives the document in pieces; returns false to stop (a write failed).
using Sink = std::function<bool(std::string_view piece)>;

// Translates a workspace file and hands the document to sink as it is
// written, without holding its text: when the translation succeeded, or
// with options.partial also after a translation error; never after an input
// error. result.xml stays empty. An empty sink takes nothing: the document
// is not printed (a caller that wants only the model or the diagnostics).
Result TranslateFile(const std::string& path, const Options& options, const Sink& sink);

// The library's version, "major.minor.patch".
const char* Version();

// A kind of warning or remark: its stable code and its message, the facts
// it names shown as "…".
struct DiagnosticKind {
  std::string code;
  Severity severity = Severity::Warning;
  std::string message;
};

// Every kind of warning and remark, warnings first.
std::vector<DiagnosticKind> DiagnosticKinds();

}  // namespace brevan
