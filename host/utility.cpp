#include "host/utility.h"

#include <cmath>
#include <cwchar>
#include <vector>

namespace Veltra {

namespace {

struct ErrorList {
  std::vector<ErrorEntry> entries;
  size_t next = 0;  // entry that GetNextError (false) gives
};

ErrorList& ThreadErrors() {
  thread_local ErrorList list;
  return list;
}

std::wstring OrEmpty(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

}  // namespace

void SetError(eErrorLevel level, int number, const wchar_t* text, const GUID& module, int messageId,
              const wchar_t* argument1, const wchar_t* argument2) {
  ThreadErrors().entries.push_back(
      {level, number, OrEmpty(text), module, messageId, OrEmpty(argument1), OrEmpty(argument2)});
}

bool HaveErrors() { return !ThreadErrors().entries.empty(); }

bool GetNextError(bool first, wchar_t* buffer, size_t size) {
  ErrorList& list = ThreadErrors();
  if (first) list.next = 0;
  if (list.next >= list.entries.size()) return false;
  const std::wstring& text = list.entries[list.next++].text;
  if (buffer != nullptr && size > 0) {
    const size_t length = std::min(text.size(), size - 1);
    std::wmemcpy(buffer, text.data(), length);
    buffer[length] = L'\0';
  }
  return true;
}

int GetErrorNum(int index) {
  const ErrorEntry* entry = GetErrorEntry(index);
  return entry ? entry->number : 0;
}

void ClearErrors() {
  ThreadErrors().entries.clear();
  ThreadErrors().next = 0;
}

const ErrorEntry* GetErrorEntry(int index) {
  const auto& entries = ThreadErrors().entries;
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
  return &entries[index];
}

bool StringToLong(const wchar_t* text, int32_t* out, const wchar_t** end, int32_t min, int32_t max) {
  const wchar_t* p = text;
  if (end) *end = text;
  if (p == nullptr) return false;
  while (*p == L' ' || *p == L'\t') ++p;
  bool negative = false;
  if (*p == L'-' || *p == L'+') negative = (*p++ == L'-');
  if (*p < L'0' || *p > L'9') return false;
  int64_t value = 0;
  bool overflow = false;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    value = value * 10 + (*p - L'0');
    if (value > (int64_t{1} << 40)) overflow = true, value = int64_t{1} << 40;
  }
  const wchar_t* stop = p;
  while (*p == L' ' || *p == L'\t') ++p;
  if (end) *end = stop;
  if (*p != L'\0' && end == nullptr) return false;
  if (negative) value = -value;
  if (overflow || value < min || value > max) {
    *out = value < min ? min : max;
    return false;
  }
  *out = static_cast<int32_t>(value);
  return true;
}

int16_t DoubleToShort(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::round(value);
  if (rounded <= -32768.0) return -32768;
  if (rounded >= 32767.0) return 32767;
  return static_cast<int16_t>(rounded);
}

std::wstring quotestring(std::wstring_view text, wchar_t quote) {
  std::wstring out;
  out.reserve(text.size() + 2);
  out += quote;
  for (wchar_t c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  out += quote;
  return out;
}

std::wstring strcpyn(std::wstring_view text, size_t limit) { return std::wstring(text.substr(0, limit)); }

}  // namespace Veltra
