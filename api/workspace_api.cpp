// The public API: a workspace's bytes decoded (encoding, byte-order mark,
// version header) and translated the way a host runs the translator.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <pugixml.hpp>
#include <sstream>

#include "brevan/brevan.h"
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
constexpr short kNewestVersion = 300;

// Message numbers the API gives itself: a string the reader cannot close,
// and running out of memory, which the translator does not report.
constexpr int kInvalidToken = static_cast<int>(Error::InvalidToken);
constexpr int kOutOfMemory = static_cast<int>(Error::OutOfMemory);

int LineOf(std::string_view bytes, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < bytes.size(); ++i)
    if (bytes[i] == '\n') ++line;
  return line;
}

std::string Hex(unsigned char byte) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0xF];
}

Result InputError(int line, std::string message) {
  Result result;
  result.line = line;
  result.message = std::move(message);
  result.errors.push_back({0, line, 0, 0, result.message, {}, {}});
  return result;
}

// Bytes of a legacy encoding to UTF-8; false with the error filled in.
bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out, Result& error) {
  iconv_t converter = iconv_open("UTF-8", encoding.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    error = InputError(0, "unknown encoding '" + encoding + "'");
    return false;
  }
  out.assign(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* to = out.data();
  size_t toLeft = out.size();
  const size_t converted = iconv(converter, &in, &inLeft, &to, &toLeft);
  const int failure = errno;
  iconv_close(converter);
  if (converted == static_cast<size_t>(-1)) {
    const size_t offset = bytes.size() - inLeft;
    error = InputError(LineOf(bytes, offset), "byte " + Hex(static_cast<unsigned char>(bytes[offset])) +
                                                  " is not valid " + encoding + " (" +
                                                  std::strerror(failure) + ")");
    return false;
  }
  out.resize(out.size() - toLeft);
  return true;
}

bool IsUtf8(const std::string& encoding) {
  return encoding.empty() || encoding == "UTF-8" || encoding == "utf-8" || encoding == "utf8";
}

// The text of the bytes; false with the error filled in.
bool Decode(std::string_view bytes, const std::string& encoding, SourceText& text, Result& error) {
  std::string converted;
  std::string_view utf8 = bytes;
  if (!IsUtf8(encoding)) {
    if (!ConvertToUtf8(bytes, encoding, converted, error)) return false;
    utf8 = converted;
  } else if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8.remove_prefix(3);
  }
  size_t bad = 0;
  if (DecodeUtf8(utf8, text, bad)) return true;
  error = InputError(LineOf(utf8, bad), "byte " + Hex(static_cast<unsigned char>(utf8[bad])) +
                                            " is not valid UTF-8 (name the file's encoding)");
  return false;
}

// "!version N" on the first line declares the form of the statements; the
// line is blanked in place so that line numbers and offsets stay.
bool TakeVersionHeader(SourceText& text, std::optional<short>& version, Result& error) {
  const std::wstring prefix = L"!version";
  if (text.Substr(0, prefix.size()) != prefix) return true;
  const std::wstring line = text.Substr(0, text.Find(L'\n'));
  std::wistringstream in(line.substr(prefix.size()));
  long number = -1;
  std::wstring rest;
  if (!(in >> number) || (in >> rest) || number < 0 || number > 32767) {
    error = InputError(1, "the first line must read \"!version N\" with N from 0 to 32767");
    return false;
  }
  version = static_cast<short>(number);
  text.Fill(0, line.size(), L' ');
  return true;
}

std::wstring MessageText(int number, const std::wstring& argument) {
  for (int i = 0; i < kErrorCount; ++i) {
    if (kErrorEntries[i].id != number) continue;
    std::wstring text = kErrorEntries[i].text;
    const size_t at = text.find(L"^0");
    if (at != std::wstring::npos) text.replace(at, 2, argument);
    return text;
  }
  return L"Error " + std::to_wstring(number) + L".";
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

void RunTranslator(TokenReader& reader, short version, bool check, XmlDocument& doc, Result& result);

// Lexes text, runs the translator over it into doc and fills result.
void Run(SourceText source, short version, bool check, XmlDocument& doc, Result& result) {
  TokenReader reader(std::move(source));
  if (!reader.Ok()) {
    const LexError& lex = reader.Error();
    Diagnostic error{kInvalidToken,
                     lex.line,
                     lex.column,
                     lex.column + 1,
                     ToUtf8(MessageText(kInvalidToken, lex.text) + L" (" + lex.reason + L")"),
                     {},
                     ToUtf8(reader.LineText(lex.line))};
    SetFirstError(result, error);
    result.errors.push_back(std::move(error));
  } else {
    RunTranslator(reader, version, check, doc, result);
  }
  // A document always has its root, also when nothing could be translated.
  Veltra::ClearErrors();
  if (!doc.HasRoot())
    std::unique_ptr<QdXmlNode>(
        doc.GetRootElement(GetWorkspaceTags()->TagName(static_cast<short>(Tag::Workspace), 0), L" /"));
}

// Runs the translator over the reader's tokens into doc and fills result.
void RunTranslator(TokenReader& reader, short version, bool check, XmlDocument& doc, Result& result) {
  reader.SetContinueAfterError(check);
  Veltra::ClearErrors();
  result.ok = CmdMain(&reader, version, &doc);
  for (const SkippedStatement& skipped : reader.Skipped())
    result.skipped.push_back({skipped.line, skipped.column, ToUtf8(skipped.keyword)});
  for (const ReaderWarning& warning : reader.Warnings())
    result.warnings.push_back({0,
                               warning.line,
                               warning.column,
                               warning.column + 1,
                               ToUtf8(warning.message),
                               {},
                               ToUtf8(reader.LineText(warning.line))});
  for (const ReaderError& error : reader.Errors()) {
    std::vector<std::string> notes;
    if (!error.note.empty()) notes.push_back(ToUtf8(error.note));
    result.errors.push_back({error.number, error.line, error.column, error.endColumn,
                             ToUtf8(MessageText(error.number, error.argument)), std::move(notes),
                             ToUtf8(reader.LineText(error.line))});
  }
  if (!result.ok) {
    // Out of memory is reported by no one: it stands where the reader stopped.
    if (result.errors.empty())
      result.errors.push_back({kOutOfMemory,
                               reader.TokenLine(),
                               reader.TokenColumn(),
                               reader.TokenColumn() + 1,
                               ToUtf8(MessageText(kOutOfMemory, L"")),
                               {},
                               ToUtf8(reader.LineText(reader.TokenLine()))});
    SetFirstError(result, result.errors.front());
  }
}

// Decodes and translates; false (result filled) on an input error.
bool Translate(std::string_view bytes, const Options& options, XmlDocument& doc, Result& result) {
  SourceText text;
  std::optional<short> declared;
  if (!Decode(bytes, options.encoding, text, result) || !TakeVersionHeader(text, declared, result))
    return false;
  Run(std::move(text), options.version.value_or(declared.value_or(kNewestVersion)), options.check, doc,
      result);
  return true;
}

}  // namespace

namespace {

Result OutOfMemory() {
  Result result;
  result.error = kOutOfMemory;
  result.message = ToUtf8(MessageText(kOutOfMemory, L""));
  result.errors.push_back({kOutOfMemory, 0, 0, 0, result.message, {}, {}});
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
    return InputError(0, failure.what());
  }
}

// The bytes of a file, or of standard input for "-"; false with the error
// filled in. A regular file is read at once into a buffer of its size;
// pipes, FIFOs and standard input are read in large blocks until they end.
// A directory or a device is no workspace.
bool ReadFile(const std::string& path, std::string& bytes, Result& error) {
  const bool standardInput = path == "-";
  const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = InputError(0, std::string("cannot read: ") + std::strerror(errno));
    return false;
  }
  struct Closer {
    int fd;
    bool own;
    ~Closer() {
      if (own) ::close(fd);
    }
  } closer{fd, !standardInput};
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = InputError(0, std::string("cannot read: ") + std::strerror(errno));
    return false;
  }
  if (S_ISDIR(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    error = InputError(
        0, S_ISDIR(info.st_mode) ? "cannot read: it is a directory" : "cannot read: it is a device");
    return false;
  }
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
      error = InputError(0, std::string("cannot read: ") + std::strerror(errno));
      return false;
    }
  }
  bytes.resize(size);
  return true;
}

}  // namespace

Result TranslateBytes(std::string_view bytes, const Options& options) {
  return Guarded([&] {
    Result result;
    XmlDocument doc;
    if (Translate(bytes, options, doc, result) && !options.check) result.xml = doc.ToXml(options.indent);
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

Result TranslateFile(const std::string& path, const Options& options) {
  return Guarded([&] {
    std::string bytes;
    Result error;
    if (!ReadFile(path, bytes, error)) return error;
    return TranslateBytes(bytes, options);
  });
}

// Exceptions that the sink throws are the caller's and pass through.
Result TranslateFile(const std::string& path, const Options& options, const Sink& sink) {
  std::string bytes;
  XmlDocument doc;
  bool translated = false, write = false;
  Result result = Guarded([&] {
    Result read;
    if (!ReadFile(path, bytes, read)) return read;
    translated = Translate(bytes, options, doc, read) && !options.check;
    if (!translated) return read;
    const bool failed = !read.ok || (options.strict && !read.warnings.empty());
    write = !failed || options.partial;
    return read;
  });
  const bool keep = options.keepDocument && translated;
  try {
    if (write) {
      const Sink keeping = [&](std::string_view piece) {
        result.xml.append(piece);
        return sink(piece);
      };
      doc.WriteXml(keep ? keeping : sink, options.indent, options.secondThread);
    } else if (keep) {
      result.xml = doc.ToXml(options.indent);
    }
  } catch (const std::bad_alloc&) {
    result = OutOfMemory();
  }
  return result;
}

const char* Version() { return BREVAN_VERSION; }

}  // namespace brevan
