// The host's utility library: the per-thread error list and small conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Veltra {

enum eErrorLevel { ERR_NONE = 0, ERR_INFO = 1, ERR_NOTE = 2, ERR_WARNING = 3, ERR_ERROR = 4 };

struct GUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

// One entry of the error list, as the host keeps it.
struct ErrorEntry {
  eErrorLevel level;
  int number;
  std::wstring text;
  GUID module;
  int messageId;
  std::wstring argument1;
  std::wstring argument2;
};

// The error list belongs to the calling thread: translations on different
// threads never see each other's entries.
void SetError(eErrorLevel level, int number, const wchar_t* text, const GUID& module, int messageId,
              const wchar_t* argument1, const wchar_t* argument2);
bool HaveErrors();
// Copies the text of the first (first true) or next entry into buffer,
// truncated to size - 1 characters and terminated; false when none is left.
bool GetNextError(bool first, wchar_t* buffer, size_t size);
// The number of entry index, or 0 when there is none.
int GetErrorNum(int index);
void ClearErrors();
// Host extension for presenting errors: entry index, or null.
const ErrorEntry* GetErrorEntry(int index);

// Reads an optionally signed decimal integer that fills the whole text
// (surrounding blanks allowed). On success stores it and returns true; a text
// that is no integer leaves out unchanged; one beyond the bounds stores the
// nearer bound and returns false. end, when given, receives the stop position.
bool StringToLong(const wchar_t* text, int32_t* out, const wchar_t** end, int32_t min, int32_t max);

// Rounds to the nearest 16-bit value, halves away from zero, clamping at
// the type's bounds; NaN gives 0.
int16_t DoubleToShort(double value);

// The text between quote marks, a quote mark inside doubled, so that the
// result reads back as the same string constant.
std::wstring quotestring(std::wstring_view text, wchar_t quote);

// At most limit characters of text.
std::wstring strcpyn(std::wstring_view text, size_t limit);

}  // namespace Veltra
