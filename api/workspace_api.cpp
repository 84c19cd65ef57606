// The public API: a workspace's bytes decoded (encoding, byte-order mark,
// version header) and translated the way a host runs the translator.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "api/decode.h"
#include "api/model_builder.h"
#include "brevan/brevan.h"
#include "brevan/files.h"
#include "brevan_ids.h"
#include "host/document_memory.h"
#include "host/source_text.h"
#include "host/table_data.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/tokens.h"
#include "host/utility.h"
#include "host/xml_document.h"
#include "translator/cmd_main.h"

namespace brevan {

namespace {

// The version a workspace gets when neither the caller nor the file names one.

// Message numbers the API gives itself: a string the reader cannot close,
// and running out of memory, which the translator does not report.
using ErrorNumber::kInvalidToken;
using ErrorNumber::kOutOfMemory;
static_assert(kInvalidToken == static_cast<int>(Error::InvalidToken));
static_assert(kOutOfMemory == static_cast<int>(Error::OutOfMemory));

Diagnostic MakeDiagnostic(Severity severity, int number, int line, int column, int endColumn,
                          std::string message, std::vector<std::string> notes, std::string sourceLine) {
  Diagnostic diagnostic;
  diagnostic.severity = severity;
  diagnostic.number = number;
  diagnostic.line = line;
  diagnostic.column = column;
  diagnostic.endColumn = endColumn;
  diagnostic.message = std::move(message);
  diagnostic.notes = std::move(notes);
  diagnostic.sourceLine = std::move(sourceLine);
  return diagnostic;
}

Result InputError(const InputFailure& failure) {
  Result result;
  result.line = failure.line;
  result.column = failure.column;
  result.endColumn = failure.endColumn;
  result.message = failure.message;
  result.sourceLine = failure.sourceLine;
  result.errors.push_back(MakeDiagnostic(Severity::Error, 0, failure.line, failure.column, failure.endColumn,
                                         failure.message, {}, failure.sourceLine));
  result.diagnostics = result.errors;
  return result;
}

Result InputError(std::string message) {
  InputFailure failure;
  failure.message = std::move(message);
  return InputError(failure);
}

std::wstring MessageText(int number, const std::wstring& argument) {
  const std::wstring text = FilledText(kErrorEntries, kErrorCount, static_cast<short>(number), argument);
  return text.empty() ? L"Error " + std::to_wstring(number) + L"." : text;
}

// Sets the first error's fields of result from its diagnostic.
void SetFirstError(Result& result, const Diagnostic& error) {
  result.error = error.number;
  result.message = error.message;
  result.line = error.line;
  result.column = error.column;
  result.endColumn = error.endColumn;
  result.notes = error.notes;
  result.sourceLine = error.sourceLine;
}

void RunTranslator(TokenReader& reader, FormatVersion version, const Options& options, XmlDocument& doc,
                   Result& result);

// Lexes text, runs the translator over it into doc and fills result.
void Run(SourceText source, FormatVersion version, const Options& options, XmlDocument& doc, Result& result) {
  TokenReader reader(std::move(source));
  if (!reader.Ok()) {
    const LexError& lex = reader.Error();
    result.errors.push_back(
        MakeDiagnostic(Severity::Error, kInvalidToken, lex.line, lex.column, lex.column + 1,
                       ToUtf8(MessageText(kInvalidToken, lex.text) + L" (" + lex.reason + L")"), {},
                       ToUtf8(reader.LineText(lex.line))));
    SetFirstError(result, result.errors.front());
    result.diagnostics = result.errors;
  } else {
    RunTranslator(reader, version, options, doc, result);
  }
  // A document always has its root, also when nothing could be translated.
  Veltra::ClearErrors();
  if (!doc.HasRoot())
    std::unique_ptr<QdXmlNode>(
        doc.GetRootElement(GetWorkspaceTags()->TagName(static_cast<short>(Tag::Workspace), 0), L" /"));
}

// A file that gives the document nothing says so: a workspace that reads
// as empty is most likely not the file that was meant.
void WarnOfNothingTranslated(const TokenReader& reader, const XmlDocument& doc, Result& result) {
  if (!result.ok || doc.RootHasElements()) return;
  const Warning warning = reader.Text().size() == 0 ? Warning::EmptyFile
                          : reader.Empty()          ? Warning::NoStatements
                                                    : Warning::NothingTranslated;
  result.warnings.push_back(MakeDiagnostic(
      Severity::Warning, 0, 0, 0, 0,
      ToUtf8(FilledText(kWarningEntries, kWarningCount, static_cast<short>(warning))), {}, {}));
  result.warnings.back().code = CodeOf(kWarningEntries, kWarningCount, static_cast<short>(warning));
}

Mark::Kind KindOf(MarkKind kind) {
  switch (kind) {
    case MarkKind::Statement:
      return Mark::Kind::Statement;
    case MarkKind::TableFile:
      return Mark::Kind::TableFile;
    case MarkKind::TableAlias:
      return Mark::Kind::TableAlias;
    case MarkKind::TableName:
      return Mark::Kind::TableName;
    case MarkKind::LayerNumber:
      return Mark::Kind::LayerNumber;
  }
  return Mark::Kind::Statement;
}

// The text of a line, kept while diagnostics of the same line follow.
class LineTexts {
 public:
  explicit LineTexts(const TokenReader& reader) : reader_(reader) {}
  const std::string& Of(int line) {
    if (line != line_) {
      line_ = line;
      text_ = ToUtf8(reader_.LineText(line));
    }
    return text_;
  }

 private:
  const TokenReader& reader_;
  int line_ = -1;
  std::string text_;
};

// The open tables' files that options.checkFiles looks up: each not found
// (as rewritten) is a warning at its file string.
void CheckTableFiles(const Options& options, LineTexts& lines, Result& result) {
  if (!options.checkFiles) return;
  for (const Table& table : result.workspace.tables) {
    if (!table.copyOf.empty()) continue;
    const Span& at = table.origin.clause;
    const FileLookup lookup = FindTableFile(table.file, options.folder, options.dataRoots);
    if (lookup.status != FileStatus::Missing) continue;
    std::wstring lookedFor;
    for (const std::string& path : lookup.lookedFor)
      lookedFor += (lookedFor.empty() ? L"" : L", ") + FromUtf8(path);
    std::vector<std::string> notes;
    if (!lookup.nearMatch.empty())
      notes.push_back(ToUtf8(FilledText(kNoteEntries, kNoteCount, static_cast<short>(Note::NearMatch),
                                        FromUtf8(lookup.nearMatch))));
    const int endColumn = at.endLine == at.line ? at.endColumn : at.column + 1;
    result.warnings.push_back(MakeDiagnostic(
        Severity::Warning, 0, at.line, at.column, endColumn,
        ToUtf8(FilledText(kWarningEntries, kWarningCount, static_cast<short>(Warning::TableFileMissing),
                          FromUtf8(table.file), lookedFor.empty() ? L"no place on this machine" : lookedFor)),
        std::move(notes), lines.Of(at.line)));
    result.warnings.back().code =
        CodeOf(kWarningEntries, kWarningCount, static_cast<short>(Warning::TableFileMissing));
    result.missingFiles.push_back(table.file);
  }
}

// Runs the translator over the reader's tokens into doc and fills result.
void RunTranslator(TokenReader& reader, FormatVersion version, const Options& options, XmlDocument& doc,
                   Result& result) {
  reader.SetContinueAfterError(options.check);
  if (!options.rewritePaths.empty())
    reader.SetTableFiles(
        [&rules = options.rewritePaths](const std::wstring& file) -> std::optional<std::wstring> {
          const std::optional<std::string> rewritten = RewritePath(ToUtf8(file), rules);
          if (!rewritten) return std::nullopt;
          return FromUtf8(*rewritten);
        });
  Veltra::ClearErrors();
  result.ok = CmdMain(&reader, version.Number(), &doc);
  if (options.readModel || options.checkFiles) result.workspace = ReadObjects(doc);
  AddStatements(reader, result.workspace);
  LineTexts lines(reader);
  for (const SkippedStatement& skipped : reader.Skipped())
    result.skipped.push_back({skipped.line, skipped.column, ToUtf8(skipped.keyword)});
  result.marks.reserve(reader.Marks().size());
  for (const ReaderMark& mark : reader.Marks())
    result.marks.push_back({KindOf(mark.kind), mark.line, mark.column, mark.endColumn, ToUtf8(mark.name),
                            mark.lastLine, mark.lastEndColumn});
  for (const ReaderNotice& warning : reader.Warnings()) {
    result.warnings.push_back(MakeDiagnostic(Severity::Warning, 0, warning.line, warning.column,
                                             warning.endColumn, ToUtf8(warning.message), {},
                                             lines.Of(warning.line)));
    result.warnings.back().code = CodeOf(kWarningEntries, kWarningCount, warning.kind);
  }
  WarnOfNothingTranslated(reader, doc, result);
  std::vector<Diagnostic> remarks;
  remarks.reserve(reader.Remarks().size());
  for (const ReaderNotice& remark : reader.Remarks()) {
    remarks.push_back(MakeDiagnostic(Severity::Remark, 0, remark.line, remark.column, remark.endColumn,
                                     ToUtf8(remark.message), {}, lines.Of(remark.line)));
    remarks.back().code = CodeOf(kRemarkEntries, kRemarkCount, remark.kind);
  }
  CheckTableFiles(options, lines, result);
  for (const ReaderError& error : reader.Errors()) {
    std::vector<std::string> notes;
    if (!error.note.empty()) notes.push_back(ToUtf8(error.note));
    result.errors.push_back(MakeDiagnostic(Severity::Error, error.number, error.line, error.column,
                                           error.endColumn, ToUtf8(MessageText(error.number, error.argument)),
                                           std::move(notes), lines.Of(error.line)));
  }
  if (!result.ok) {
    // Out of memory is reported by no one: it stands where the reader stopped.
    if (result.errors.empty())
      result.errors.push_back(MakeDiagnostic(
          Severity::Error, kOutOfMemory, reader.TokenLine(), reader.TokenColumn(), reader.TokenColumn() + 1,
          ToUtf8(MessageText(kOutOfMemory, L"")), {}, lines.Of(reader.TokenLine())));
    SetFirstError(result, result.errors.front());
  }
  // Kinds the caller silenced go before anything counts them.
  if (!options.ignore.empty()) {
    const auto ignored = [&](const Diagnostic& d) {
      return std::find(options.ignore.begin(), options.ignore.end(), d.code) != options.ignore.end();
    };
    std::erase_if(result.warnings, ignored);
    std::erase_if(remarks, ignored);
  }
  // Everything in the order of the text; at one place an error first, then
  // a warning, then a remark.
  result.diagnostics.reserve(result.errors.size() + result.warnings.size() + remarks.size());
  result.diagnostics = result.errors;
  result.diagnostics.insert(result.diagnostics.end(), result.warnings.begin(), result.warnings.end());
  std::move(remarks.begin(), remarks.end(), std::back_inserter(result.diagnostics));
  const auto before = [](const Diagnostic& a, const Diagnostic& b) {
    if (a.line != b.line) return a.line < b.line;
    if (a.column != b.column) return a.column < b.column;
    return a.severity < b.severity;
  };
  // Mostly in order already (remarks alone, say): a check is cheaper than
  // moving every diagnostic through a merge sort.
  if (!std::is_sorted(result.diagnostics.begin(), result.diagnostics.end(), before))
    std::stable_sort(result.diagnostics.begin(), result.diagnostics.end(), before);
}

// Tells how the bytes were read: the encoding, a remark when it was
// detected, a warning when what it made looks like text read in the wrong
// encoding. In the order of the text with the other diagnostics.
void TellDecoding(const Decoded& decoded, const Options& options, Result& result) {
  result.encoding = decoded.encoding;
  Diagnostic told;
  if (decoded.suspicion != Decoded::Suspicion::None) {
    const bool utf8 = decoded.suspicion == Decoded::Suspicion::ReadsAsUtf8;
    const Warning warning = utf8 ? Warning::ReadsAsUtf8 : Warning::C1Controls;
    told = MakeDiagnostic(Severity::Warning, 0, decoded.line, decoded.column, decoded.endColumn,
                          ToUtf8(FilledText(kWarningEntries, kWarningCount, static_cast<short>(warning),
                                            FromUtf8(decoded.meant), FromUtf8(utf8 ? decoded.made : ""))),
                          {}, decoded.sourceLine);
    told.code = CodeOf(kWarningEntries, kWarningCount, static_cast<short>(warning));
  } else if (decoded.detected || decoded.fellBack) {
    const Remark remark = decoded.detected ? Remark::EncodingDetected : Remark::EncodingFallback;
    told = MakeDiagnostic(Severity::Remark, 0, 0, 0, 0,
                          ToUtf8(FilledText(kRemarkEntries, kRemarkCount, static_cast<short>(remark),
                                            FromUtf8(decoded.encoding))),
                          {}, {});
    told.code = CodeOf(kRemarkEntries, kRemarkCount, static_cast<short>(remark));
  } else {
    return;
  }
  if (std::find(options.ignore.begin(), options.ignore.end(), told.code) != options.ignore.end()) return;
  if (told.severity == Severity::Warning) result.warnings.insert(result.warnings.begin(), told);
  const auto after = std::upper_bound(result.diagnostics.begin(), result.diagnostics.end(), told,
                                      [](const Diagnostic& a, const Diagnostic& b) {
                                        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
                                      });
  result.diagnostics.insert(after, std::move(told));
}

// Decodes and translates; false (result filled) on an input error.
bool Translate(std::string_view bytes, const Options& options, XmlDocument& doc, Result& result) {
  SourceText text;
  std::optional<FormatVersion> declared;
  InputFailure failure;
  Decoded decoded;
  if (!DecodeWorkspace(bytes, options.encoding, options.fallbackEncoding, text, decoded, failure) ||
      !TakeVersionLine(text, declared, failure)) {
    result = InputError(failure);
    return false;
  }
  const FormatVersion version =
      options.version.value_or(declared.value_or(options.fallbackVersion.value_or(FormatVersion::Newest())));
  Run(std::move(text), version, options, doc, result);
  TellDecoding(decoded, options, result);
  return true;
}

}  // namespace

namespace {

Result OutOfMemory() {
  Result result;
  result.error = kOutOfMemory;
  result.message = ToUtf8(MessageText(kOutOfMemory, L""));
  result.errors.push_back(MakeDiagnostic(Severity::Error, kOutOfMemory, 0, 0, 0, result.message, {}, {}));
  result.diagnostics = result.errors;
  return result;
}

// Runs an entry point so that no exception leaves the API: running out of
// memory is error 9984, anything else an input error with its reason.
template <typename Work>
Result Guarded(Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  } catch (const std::exception& failure) {
    return InputError(failure.what());
  }
}

// The bytes of a file, or of standard input for "-"; false with the error
// filled in. A regular file is read at once into a buffer of its size;
// pipes, FIFOs and standard input are read in large blocks until they end.
// A directory or a device is no workspace.
bool ReadFile(const std::string& path, std::string& bytes, Result& error) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  // Unreadable: an input error that keeps its errno, so that callers can
  // tell a missing file from a bad one.
  const auto fail = [&error](int reason, const std::string& why) {
    error = InputError("cannot read: " + why);
    error.systemError = reason;
    return false;
  };
  if (fd < 0) return fail(errno, std::strerror(errno));
  struct Closer {
    int fd;
    bool own;
    ~Closer() {
      if (own) ::close(fd);
    }
  } closer{fd, !standardInput};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return fail(errno, std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return fail(EISDIR, "it is a directory (-r translates the workspaces in it)");
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return fail(ENODEV, "it is a device");
  // A file is read at its size (one byte more shows that it did not grow);
  // a pipe, or a file that grows, in blocks of 1 MiB and more.
  constexpr size_t kBlock = size_t{1} << 20;
  size_t size = 0;
  if (S_ISREG(info.st_mode)) {
    ReserveLarge(bytes, static_cast<size_t>(info.st_size) + 1);
    bytes.resize(static_cast<size_t>(info.st_size) + 1);
  }
  for (;;) {
    if (bytes.size() == size) bytes.resize(std::max(bytes.capacity(), size + std::max(kBlock, size / 2)));
    const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (got > 0) {
      size += static_cast<size_t>(got);
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      return fail(errno, std::strerror(errno));
    }
  }
  bytes.resize(size);
  return true;
}

}  // namespace

Result TranslateBytes(std::string_view bytes, const Options& options) {
  return Guarded([&] {
    Result result;
    const std::shared_ptr<Tree> tree = std::make_shared<Tree>();
    if (Translate(bytes, options, tree->document, result) && (!options.check || options.keepDocument))
      result.xml = tree->document.ToXml(options.indent);
    if (options.keepTree) result.tree = tree;
    return result;
  });
}

Result TranslateBytes(std::string_view bytes, pugi::xml_document& document, const Options& options) {
  return Guarded([&] {
    Result result;
    XmlDocument doc;
    if (Translate(bytes, options, doc, result) && !options.check) doc.CopyTo(document);
    return result;
  });
}

// The options with the folder of path, when they name none: a workspace's
// relative table files stand beside it.
Options InFolderOf(const std::string& path, Options options) {
  if (options.folder.empty() && path != "-")
    options.folder = std::filesystem::path(path).parent_path().string();
  return options;
}

Result TranslateFile(const std::string& path, const Options& given) {
  return Guarded([&] {
    std::string bytes;
    Result error;
    if (!ReadFile(path, bytes, error)) return error;
    return TranslateBytes(bytes, InFolderOf(path, given));
  });
}

// Exceptions that the sink throws are the caller's and pass through.
Result TranslateFile(const std::string& path, const Options& given, const Sink& sink) {
  const Options options = InFolderOf(path, given);
  std::string bytes;
  const std::shared_ptr<Tree> tree = std::make_shared<Tree>();
  XmlDocument& doc = tree->document;
  bool translated = false, write = false;
  Result result = Guarded([&] {
    Result read;
    if (!ReadFile(path, bytes, read)) return read;
    translated = Translate(bytes, options, doc, read) && !options.check;
    if (!translated) return read;
    write = !Failed(read, options) || options.partial;
    if (options.keepTree) read.tree = tree;
    return read;
  });
  const bool keep = options.keepDocument && translated;
  try {
    if (write && !sink) {
      if (keep) result.xml = doc.ToXml(options.indent);
    } else if (write) {
      const Sink keeping = [&](std::string_view piece) {
        result.xml.append(piece);
        return sink(piece);
      };
      doc.WriteXml(keep ? keeping : sink, options.indent);
    } else if (keep) {
      result.xml = doc.ToXml(options.indent);
    }
  } catch (const std::bad_alloc&) {
    result = OutOfMemory();
  }
  return result;
}

size_t Result::Count(Severity severity) const {
  return static_cast<size_t>(std::count_if(diagnostics.begin(), diagnostics.end(),
                                           [&](const Diagnostic& d) { return d.severity == severity; }));
}

const char* Version() { return BREVAN_VERSION; }

std::vector<DiagnosticKind> DiagnosticKinds() {
  std::vector<DiagnosticKind> kinds;
  struct Table {
    const TableEntry* entries;
    int count;
    Severity severity;
  };
  for (const auto& [entries, count, severity] : {Table{kWarningEntries, kWarningCount, Severity::Warning},
                                                 Table{kRemarkEntries, kRemarkCount, Severity::Remark}})
    for (int i = 0; i < count; ++i)
      kinds.push_back(
          {entries[i].code, severity, ToUtf8(FilledText(entries, count, entries[i].id, L"…", L"…"))});
  return kinds;
}

}  // namespace brevan
