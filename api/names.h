// Inside the public API, and for the language server: names compared
// without regard to ASCII letter case, and how far apart two names are, for
// "did you mean" suggestions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brevan {

inline char FoldedChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// text with its ASCII capitals made small.
inline std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), FoldedChar);
  return folded;
}

// Whether a and b are one name, ASCII letter case aside.
inline bool SameFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return FoldedChar(x) == FoldedChar(y); });
}

namespace detail {

template <typename Text>
size_t EditDistance(Text a, Text b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace detail

// Edits (insertions, deletions, changes) that turn a into b.
inline size_t EditDistance(std::string_view a, std::string_view b) { return detail::EditDistance(a, b); }
inline size_t EditDistance(std::wstring_view a, std::wstring_view b) { return detail::EditDistance(a, b); }

}  // namespace brevan
