// Inside the public API, and for the language server: how far apart two
// names are, for "did you mean" suggestions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace brevan {

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
