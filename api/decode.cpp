#include "api/decode.h"

#include <errno.h>
#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "api/names.h"
#include "host/lexer.h"
#include "host/text.h"

namespace brevan {

namespace {

std::string Hex(unsigned char byte) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0xF];
}

std::string Escaped(unsigned char byte) { return "\\x" + Hex(byte).substr(2); }

bool IsUtf8Name(const std::string& encoding) {
  std::string name;
  for (const char c : encoding)
    if (c != '-' && c != '_') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return name.empty() || name == "utf8";
}

// Where offset stands in UTF-8 text: its line (CR, LF and CR LF end one),
// its column in characters, and the offset its line begins at.
struct Place {
  int line = 1;
  int column = 1;
  size_t lineBegin = 0;
};

Place PlaceOf(std::string_view utf8, size_t offset) {
  Place place;
  for (size_t i = 0; i < offset; ++i) {
    const char c = utf8[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= utf8.size() || utf8[i + 1] != '\n'))) {
      ++place.line;
      place.lineBegin = i + 1;
    }
  }
  for (size_t i = place.lineBegin; i < offset; ++i)
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++place.column;
  return place;
}

// The line of utf8 that begins at lineBegin, as UTF-8: bytes that do not
// decode are shown as \xNN. A line of binary may run on: it is cut a little
// past upTo, where the culprit stands.
std::string ShownLine(std::string_view utf8, size_t lineBegin, size_t upTo) {
  constexpr size_t kAfterCulprit = 4096;
  const size_t stop = std::min(utf8.size(), upTo + kAfterCulprit);
  std::string shown;
  for (size_t i = lineBegin; i < stop && utf8[i] != '\n' && utf8[i] != '\r';) {
    char32_t c = 0;
    const size_t length = DecodeOne(utf8, i, c);
    if (length == 0) {
      shown += Escaped(static_cast<unsigned char>(utf8[i]));
      ++i;
      continue;
    }
    shown.append(utf8.substr(i, length));
    i += length;
  }
  return shown;
}

// A failure about the byte at offset of utf8, shown as \xNN when it does not decode.
InputFailure FailureAt(std::string_view utf8, size_t offset, std::string message, bool shownEscaped) {
  const Place place = PlaceOf(utf8, offset);
  InputFailure failure;
  failure.message = std::move(message);
  failure.line = place.line;
  failure.column = place.column;
  failure.endColumn = place.column + (shownEscaped ? 4 : 1);
  failure.sourceLine = ShownLine(utf8, place.lineBegin, offset);
  return failure;
}

struct IconvCloser {
  void operator()(void* converter) const { iconv_close(static_cast<iconv_t>(converter)); }
};

// Converts bytes in encoding to UTF-8; false with the failure filled in.
// what names the bytes in messages ("CP1252", "UTF-16LE after its
// byte-order mark").
bool Convert(std::string_view bytes, const std::string& encoding, const std::string& what, std::string& out,
             InputFailure& failure) {
  iconv_t opened = iconv_open("UTF-8", encoding.c_str());
  if (opened == reinterpret_cast<iconv_t>(-1)) {
    failure.message = "unknown encoding \"" + encoding +
                      "\": name one that iconv knows (iconv --list), such as CP1252 or ISO-8859-1";
    return false;
  }
  const std::unique_ptr<void, IconvCloser> converter(opened);
  // Four bytes of UTF-8 are enough for any character of one byte or more.
  out.assign(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* to = out.data();
  size_t toLeft = out.size();
  const size_t converted = iconv(static_cast<iconv_t>(converter.get()), &in, &inLeft, &to, &toLeft);
  const int reason = errno;
  out.resize(out.size() - toLeft);
  if (converted != static_cast<size_t>(-1)) return true;
  const size_t offset = bytes.size() - inLeft;
  const std::string fix = ": name the file's encoding with --encoding NAME";
  std::string message = reason == EINVAL ? "the file ends inside a character of " + what + fix
                                         : "byte " + Hex(static_cast<unsigned char>(bytes[offset])) +
                                               " is not valid " + what + fix;
  // The place is counted in what was converted, and the culprit shown after it.
  const size_t at = out.size();
  out += Escaped(static_cast<unsigned char>(bytes[std::min(offset, bytes.size() - 1)]));
  failure = FailureAt(out, at, std::move(message), false);
  failure.endColumn = failure.column + 4;
  return false;
}

struct Bom {
  std::string_view mark;
  const char* encoding;
};

// A Unicode byte-order mark other than UTF-8's at the start, or null.
const Bom* UnicodeBom(std::string_view bytes) {
  // UTF-32LE first: its mark starts with UTF-16LE's.
  static const Bom kBoms[] = {{std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
                              {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
                              {"\xFF\xFE", "UTF-16LE"},
                              {"\xFE\xFF", "UTF-16BE"}};
  for (const Bom& bom : kBoms)
    if (bytes.substr(0, bom.mark.size()) == bom.mark) return &bom;
  return nullptr;
}

// Text of one byte a character and NUL between them: UTF-16 without its
// byte-order mark. The encoding it looks like, or null.
const char* LooksLikeUtf16(std::string_view bytes) {
  const size_t pairs = std::min<size_t>(bytes.size(), 4096) / 2;
  size_t evenNul = 0, oddNul = 0;
  for (size_t i = 0; i < pairs; ++i) {
    evenNul += bytes[2 * i] == '\0';
    oddNul += bytes[2 * i + 1] == '\0';
  }
  if (pairs == 0) return nullptr;
  if (oddNul * 2 >= pairs && evenNul * 16 <= pairs) return "UTF-16LE";
  if (evenNul * 2 >= pairs && oddNul * 16 <= pairs) return "UTF-16BE";
  return nullptr;
}

InputFailure BinaryFailure(std::string_view utf8, size_t nul, const char* utf16) {
  if (utf16 != nullptr)
    return FailureAt(utf8, nul,
                     std::string("NUL bytes between the characters: this looks like ") + utf16 +
                         " text without a byte-order mark; read it with --encoding " + utf16,
                     false);
  return FailureAt(utf8, nul, "a NUL character: this looks like a binary file, not a workspace", false);
}

// The single-byte encoding that the whole of bytes reads as: CP1252, as
// files from Windows are, else ISO-8859-1, which reads any byte.
std::string SingleByteEncoding(std::string_view bytes) {
  std::string converted;
  InputFailure ignored;
  if (Convert(bytes, "CP1252", "CP1252", converted, ignored)) return "CP1252";
  return "ISO-8859-1";
}

bool IsValidUtf8(std::string_view bytes) {
  SourceText ignored;
  size_t bad = 0;
  return DecodeUtf8(bytes, ignored, bad);
}

// The encoding of bytes that are not UTF-8 and have no byte-order mark.
// The detector is trusted for other scripts; on short texts of Latin
// letters it cannot tell Western from Central European (it takes French
// for ISO-8859-2), so its Latin guesses, and no guess, are the fallback's.
std::string DetectEncoding(std::string_view bytes, const std::string& fallback, Decoded& decoded) {
  const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                          uchardet_delete);
  uchardet_handle_data(detector.get(), bytes.data(), bytes.size());
  uchardet_data_end(detector.get());
  std::string found = uchardet_get_charset(detector.get());
  constexpr std::string_view kLatin[] = {"",
                                         "ASCII",
                                         "ISO-8859-1",
                                         "ISO-8859-2",
                                         "ISO-8859-9",
                                         "ISO-8859-15",
                                         "WINDOWS-1250",
                                         "WINDOWS-1252",
                                         "UTF-8",
                                         "MAC-CENTRALEUROPE"};
  decoded.detected = std::none_of(std::begin(kLatin), std::end(kLatin),
                                  [&](std::string_view latin) { return SameFolded(found, latin); });
  if (decoded.detected) return found;
  decoded.fellBack = true;
  return fallback.empty() ? kFallbackEncoding : fallback;
}

// The first character at or after from of utf8 in [low, high]; npos when none.
size_t FindCharacter(std::string_view utf8, size_t from, char32_t low, char32_t high) {
  for (size_t at = from; at < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t k = 1; k < length && at + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[at + k]) & 0x3F);
    if (c >= low && c <= high) return at;
    at += length;
  }
  return std::string_view::npos;
}

// Marks decoded with what in converted (bytes read as a single-byte
// encoding) is likely mojibake: text that is valid UTF-8 read byte by
// byte, or C1 controls where CP1252 has letters.
void Suspect(std::string_view bytes, const std::string& encoding, std::string_view converted,
             Decoded& decoded) {
  // made: the bytes of converted from at that the encoding made.
  const auto mark = [&](Decoded::Suspicion suspicion, size_t at, size_t bytesMade, std::string meant) {
    const InputFailure place = FailureAt(converted, at, "", false);
    decoded.suspicion = suspicion;
    decoded.line = place.line;
    decoded.column = place.column;
    decoded.made = std::string(converted.substr(at, bytesMade));
    decoded.endColumn =
        place.column + static_cast<int>(std::count_if(decoded.made.begin(), decoded.made.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    decoded.sourceLine = place.sourceLine;
    decoded.meant = std::move(meant);
  };
  const size_t nonAscii = FindCharacter(bytes, 0, 0x80, 0x10FFFF);
  if (nonAscii != std::string_view::npos && IsValidUtf8(bytes)) {
    // The first non-ASCII character stands after ASCII alone: its column is
    // the same in both readings.
    const size_t at = FindCharacter(converted, 0, 0x80, 0x10FFFF);
    const size_t length = FindCharacter(converted, at, 0, 0x7F) - at;
    const size_t run = FindCharacter(bytes, nonAscii, 0, 0x7F);
    mark(Decoded::Suspicion::ReadsAsUtf8, at, length, std::string(bytes.substr(nonAscii, run - nonAscii)));
    return;
  }
  if (!SameFolded(encoding, "ISO-8859-1") && !SameFolded(encoding, "LATIN1")) return;
  const size_t control = FindCharacter(converted, 0, 0x80, 0x9F);
  if (control == std::string_view::npos) return;
  std::string letter;
  InputFailure ignored;
  // U+0080 to U+009F are C2 80 to C2 9F in UTF-8: the second is the byte read.
  const std::string byte(1, converted[control + 1]);
  if (!Convert(byte, "CP1252", "CP1252", letter, ignored)) return;  // a byte CP1252 has no letter for
  mark(Decoded::Suspicion::C1Controls, control, 2, letter);
}

}  // namespace

bool DecodeWorkspace(std::string_view bytes, const std::string& encoding, const std::string& fallback,
                     SourceText& text, Decoded& decoded, InputFailure& failure) {
  std::string converted;
  std::string_view utf8 = bytes;
  std::string named = encoding;
  decoded = Decoded{};
  if (SameFolded(encoding, "AUTO")) {
    // A byte-order mark, then valid UTF-8, decide before any guess.
    named =
        UnicodeBom(bytes) != nullptr || IsValidUtf8(bytes) ? "" : DetectEncoding(bytes, fallback, decoded);
  }
  decoded.encoding = named.empty() ? "UTF-8" : named;
  if (!IsUtf8Name(named)) {
    if (!Convert(bytes, named, named, converted, failure)) return false;
    utf8 = converted;
    if (!SameFolded(encoding, "AUTO")) Suspect(bytes, named, converted, decoded);
  } else if (const Bom* bom = UnicodeBom(bytes)) {
    decoded.encoding = bom->encoding;
    if (!Convert(bytes.substr(bom->mark.size()), bom->encoding,
                 std::string(bom->encoding) + " (the file starts with its byte-order mark)", converted,
                 failure))
      return false;
    utf8 = converted;
  } else {
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
    const size_t nul = utf8.find('\0');
    if (nul != std::string_view::npos) {
      failure = BinaryFailure(utf8, nul, LooksLikeUtf16(utf8));
      return false;
    }
  }
  size_t bad = 0;
  if (!DecodeUtf8(utf8, text, bad)) {
    // Only bytes read as UTF-8 get here: what iconv gives is valid.
    failure = FailureAt(utf8, bad,
                        "byte " + Hex(static_cast<unsigned char>(utf8[bad])) +
                            " is not valid UTF-8: name the file's encoding with --encoding NAME "
                            "(the whole file reads as --encoding " +
                            SingleByteEncoding(utf8) + ")",
                        true);
    return false;
  }
  if (!converted.empty()) {
    const size_t nul = utf8.find('\0');
    if (nul != std::string_view::npos) {
      failure = BinaryFailure(utf8, nul, nullptr);
      return false;
    }
  }
  return true;
}

namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

// version-line := { blank } ! version { blank } digits { blank } [ # comment ]
bool TakeVersionLine(SourceText& text, std::optional<FormatVersion>& version, InputFailure& failure) {
  const size_t size = text.size();
  size_t lineBegin = 0;
  int line = 1;
  // Past blank lines and comment lines to the first that holds anything else.
  const size_t at = SkipBlanksAndComments(
      0, size, [&](size_t i) { return text[i]; },
      [&](size_t next) {
        lineBegin = next;
        ++line;
      });
  if (at >= size || text[at] != L'!') return true;
  const size_t bang = at;
  size_t end = bang;
  while (end < size && !IsLineEnd(text[end])) ++end;
  size_t i = bang + 1;
  while (i < end && IsBlank(text[i])) ++i;
  const size_t wordBegin = i;
  while (i < end && IsAsciiLetter(text[i])) ++i;
  const std::wstring word = AsciiLower(text.Substr(wordBegin, i - wordBegin));
  const auto fail = [&](std::string message) {
    failure.message = std::move(message);
    failure.line = line;
    failure.column = static_cast<int>(bang - lineBegin) + 1;
    failure.endColumn = static_cast<int>(end - lineBegin) + 1;
    failure.sourceLine = ToUtf8(text.Substr(lineBegin, end - lineBegin));
    return false;
  };
  const std::string form = "\"!version N\", N a whole number from " + std::to_string(FormatVersion::kLowest) +
                           " to " + std::to_string(FormatVersion::kHighest);
  if (word != L"version") {
    // "!versoin 199", "!ver 250": meant as a version line, and silently
    // reading the file as the newest form would misread it.
    const bool meant =
        word.size() >= 3 && (word.rfind(L"ver", 0) == 0 || EditDistance(word, L"version") <= 2);
    return !meant || fail("\"!" + ToUtf8(text.Substr(wordBegin, i - wordBegin)) +
                          "\" reads as a broken version line: write it " + form);
  }
  while (i < end && IsBlank(text[i])) ++i;
  const size_t digits = i;
  long number = 0;
  for (; i < end && IsDigit(text[i]); ++i)
    number = std::min(number * 10 + (text[i] - L'0'), FormatVersion::kHighest + 1);
  while (i < end && IsBlank(text[i])) ++i;
  version = FormatVersion::FromNumber(number);
  if (i == digits || !version || (i < end && text[i] != kCommentMark))
    return fail("the version line must read " + form);
  text.Fill(bang, end - bang, L' ');
  return true;
}

}  // namespace brevan
