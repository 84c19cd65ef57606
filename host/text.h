// Text conversions at the edges: UTF-8 in and out, numbers as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevan {

// Whether an XML document can hold c, escaped or not.
constexpr bool IsXmlChar(wchar_t c) {
  return c >= 0x20 ? !(c >= 0xD800 && c <= 0xDFFF) && c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF
                   : c == L'\t' || c == L'\n' || c == L'\r';
}

// Whether c ends a line: a line feed or a carriage return (a CR LF pair
// ends one line).
constexpr bool IsLineEnd(wchar_t c) { return c == L'\n' || c == L'\r'; }

// Whether c is a blank between tokens: space, tab, form feed, vertical tab,
// or another space separator (no-break space U+00A0 and the rest of
// Unicode's category Zs), which editors put where a space was meant.
constexpr bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\f' || c == L'\v' || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Writes c as UTF-8 at out (room for 4 bytes) and returns the end; a code
// point that cannot be encoded becomes U+FFFD. Inline: the document
// stores every value through it.
inline char* PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
    return out;
  }
  if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
  }
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Encodes wide text as UTF-8; code points that cannot be encoded become U+FFFD.
std::string ToUtf8(std::wstring_view text);

// The same into out, reusing its storage.
void AssignUtf8(std::string& out, std::wstring_view text);

// Decodes the UTF-8 sequence at bytes[i] into c; returns its length, or 0
// when the byte starts no valid sequence (overlong forms and surrogates
// included).
size_t DecodeOne(std::string_view bytes, size_t i, char32_t& c);

// Decodes UTF-8 that is known to be valid (from our own document).
std::wstring FromUtf8(std::string_view bytes);

// Decodes UTF-8 from outside. On an invalid sequence returns false and sets
// badOffset to the byte where decoding stopped.
bool DecodeUtf8(std::string_view bytes, std::wstring& out, size_t& badOffset);

// A number as people write it: the fewest digits that read back to the
// same double, in plain decimal notation from 1e-6 up to 1e21 (100000,
// 0.000001, -2.5), in exponent form outside it (1e+21, 5e-7), as
// ECMAScript's Number-to-String does; -0 keeps its sign. INF, -INF and NaN
// for the values that are no numbers. Into buffer (32 characters are
// enough), returning the end.
char* WriteNumber(double value, char* buffer);
std::wstring FormatNumber(double value);

// The decimal digits of value, a minus sign first when negative: what
// std::to_wstring gives, without its wide formatting machinery.
std::wstring IntegerText(long long value);

// Truncates toward zero into [min, max]; NaN gives 0. Never undefined.
int64_t TruncateClamped(double value, int64_t min, int64_t max);

// The text with each character that XML cannot hold written as \xNN, so
// that a message about it prints cleanly.
std::wstring Printable(std::wstring_view text);

// ASCII-only lower case: keyword spellings are ASCII.
std::wstring AsciiLower(std::wstring_view text);

}  // namespace brevan
