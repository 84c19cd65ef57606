#include "host/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "host/document_memory.h"
#include "host/source_text.h"

namespace brevan {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, PutUtf8(c, bytes));
}

}  // namespace

size_t DecodeOne(std::string_view bytes, size_t i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  size_t length = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

void AssignUtf8(std::string& out, std::wstring_view text) {
  // Names and most values are ASCII: copy those without growing one by one.
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<char32_t>(text[i]) >= 0x80) {
      out.resize(i);
      for (wchar_t c : text.substr(i)) AppendUtf8(out, static_cast<char32_t>(c));
      return;
    }
    out[i] = static_cast<char>(text[i]);
  }
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  AssignUtf8(out, text);
  return out;
}

std::wstring FromUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const size_t length = DecodeOne(bytes, i, c);
    if (length == 0) {
      out += static_cast<wchar_t>(kReplacement);
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += length;
  }
  return out;
}

bool DecodeUtf8(std::string_view bytes, std::wstring& out, size_t& badOffset) {
  // Never more characters than bytes: decode into place, then cut to size.
  out.clear();
  ReserveLarge(out, bytes.size());
  out.resize(bytes.size());
  wchar_t* to = out.data();
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      *to++ = static_cast<wchar_t>(bytes[i++]);
      continue;
    }
    char32_t c = 0;
    const size_t length = DecodeOne(bytes, i, c);
    if (length == 0) {
      badOffset = i;
      out.resize(static_cast<size_t>(to - out.data()));
      return false;
    }
    *to++ = static_cast<wchar_t>(c);
    i += length;
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return true;
}

SourceText::SourceText(std::wstring wide) {
  if (std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0 && c < 0x100; })) {
    narrow_.resize(wide.size());
    std::transform(wide.begin(), wide.end(), narrow_.begin(), [](wchar_t c) { return static_cast<char>(c); });
  } else {
    wide_ = std::move(wide);
    isWide_ = true;
  }
}

namespace {

// The offset of the first byte at or after from that is not ASCII; size when none.
size_t SkipAscii(std::string_view bytes, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  size_t i = from;
  for (uint64_t word = 0; i + 8 <= bytes.size(); i += 8) {
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & kHighBits) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, SourceText& out, size_t& badOffset) {
  // One pass checks the bytes and finds whether one byte a character will do.
  bool latin1 = true;
  bool ascii = true;
  for (size_t i = SkipAscii(bytes, 0); i < bytes.size(); i = SkipAscii(bytes, i)) {
    char32_t c = 0;
    const size_t length = DecodeOne(bytes, i, c);
    if (length == 0) {
      badOffset = i;
      return false;
    }
    ascii = false;
    if (c >= 0x100) latin1 = false;
    i += length;
  }
  if (!latin1) {
    std::wstring wide;
    if (!DecodeUtf8(bytes, wide, badOffset)) return false;
    out = SourceText(std::move(wide));
    return true;
  }
  std::string narrow;
  ReserveLarge(narrow, bytes.size());
  if (ascii) {
    narrow.assign(bytes);  // the bytes are the characters
  } else {
    narrow.resize(bytes.size());
    size_t n = 0;
    for (size_t i = 0; i < bytes.size();) {
      char32_t c = static_cast<unsigned char>(bytes[i]);
      i += c < 0x80 ? 1 : DecodeOne(bytes, i, c);
      narrow[n++] = static_cast<char>(c);
    }
    narrow.resize(n);
  }
  out = SourceText::Latin1(std::move(narrow));
  return true;
}

char* WriteNumber(double value, char* out) {
  // The spellings that XML Schema doubles use.
  const auto put = [&](std::string_view text) { return std::copy(text.begin(), text.end(), out); };
  if (std::isnan(value)) return put("NaN");
  if (std::isinf(value)) return put(value > 0 ? "INF" : "-INF");
  // The shortest digits d1.d2…dk and the exponent e of value = d1.d2…dk × 10^e.
  char scientific[32];
  const char* end =
      std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
  const char* at = scientific;
  if (*at == '-') *out++ = *at++;
  char digits[20];
  int k = 0;
  for (; *at != 'e'; ++at)
    if (*at != '.') digits[k++] = *at;
  int exponent = 0;
  std::from_chars(at + (at[1] == '+' ? 2 : 1), end, exponent);
  const int n = exponent + 1;  // where the point stands after the first n digits
  if (k <= n && n <= 21) {     // an integer: its digits and zeros
    out = std::copy(digits, digits + k, out);
    return std::fill_n(out, n - k, '0');
  }
  if (0 < n && n <= 21) {
    out = std::copy(digits, digits + n, out);
    *out++ = '.';
    return std::copy(digits + n, digits + k, out);
  }
  if (-6 < n && n <= 0) {
    out = put("0.");
    out = std::fill_n(out, -n, '0');
    return std::copy(digits, digits + k, out);
  }
  *out++ = digits[0];
  if (k > 1) {
    *out++ = '.';
    out = std::copy(digits + 1, digits + k, out);
  }
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  return std::to_chars(out, out + 4, exponent < 0 ? -exponent : exponent).ptr;
}

std::wstring FormatNumber(double value) {
  char buffer[32];
  return std::wstring(buffer, WriteNumber(value, buffer));
}

std::wstring IntegerText(long long value) {
  char digits[24];  // 20 digits and a sign at most
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::wstring(digits, result.ptr);
}

int64_t TruncateClamped(double value, int64_t min, int64_t max) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(min)) return min;
  if (value >= static_cast<double>(max)) return max;
  return static_cast<int64_t>(value);
}

std::wstring AsciiLower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return out;
}

std::wstring Printable(std::wstring_view text) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring shown;
  shown.reserve(text.size());
  for (wchar_t c : text) {
    if (IsXmlChar(c) && c != L'\n' && c != L'\r') {
      shown += c;
      continue;
    }
    shown += L"\\x";
    if (c > 0xFF) shown += {kDigits[(c >> 12) & 0xF], kDigits[(c >> 8) & 0xF]};
    shown += {kDigits[(c >> 4) & 0xF], kDigits[c & 0xF]};
  }
  return shown;
}

}  // namespace brevan
