// Keyword-aware: each byte picks a token — a keyword of the table, a name,
// a number, a string or a line break — so that most inputs are nearly
// statements and reach deep into the clause readers.
#include <string>

#include "fuzz/fuzz_support.h"
#include "host/tokens.h"

namespace {

const wchar_t* const kLiterals[] = {L"A",      L"B",    L"rgb",        L"0",   L"1",     L"2",
                                    L"3",      L"-1",   L"36",         L"0.5", L"1e400", L"\"a.tbl\"",
                                    L"\"in\"", L"\"\"", L"\"x\"\"y\"", L"\n",  L"\n  ",  L"a.b",
                                    L"n$",     L"$",    L"[",          L";",   L"`",     L"\"\x01\""};
constexpr int kLiteralCount = sizeof kLiterals / sizeof *kLiterals;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Tokens& keywords = *GetBrevanKeywords();
  std::wstring text;
  for (size_t i = 1; i < size; ++i) {
    const int pick = data[i] % (keywords.Count() + kLiteralCount);
    text += pick < keywords.Count() ? keywords.Entries()[pick].text : kLiterals[pick - keywords.Count()];
    text += L' ';
  }
  brevan::fuzz::TranslateAndCheck(text, brevan::fuzz::kVersions[data[0] % 3], (data[0] & 4) != 0);
  return 0;
}
