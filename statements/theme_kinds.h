// The kinds of theme, each with the keywords that select it in a thematic
// statement, the element it is written as (which the legend settings
// statement reads back), and its word and name for people: the one table of
// them, in the order of ThemeKind.
#pragma once

#include <cstddef>
#include <iterator>

#include "brevan/model.h"
#include "brevan_ids.h"

namespace brevan {

struct ThemeKindEntry {
  ThemeKind kind;
  Tag element;
  Keyword keywords[2];  // a kind that one keyword selects repeats it
  const char* word;
  const char* name;
};

inline constexpr ThemeKindEntry kThemeKinds[] = {
    {ThemeKind::Range, Tag::RangeTheme, {Keyword::Ranges, Keyword::Ranges}, "range", "Range theme"},
    {ThemeKind::BarChart, Tag::BarTheme, {Keyword::Bars, Keyword::Stacked}, "bar", "Bar chart"},
    {ThemeKind::PieChart, Tag::PieTheme, {Keyword::Pie, Keyword::Half}, "pie", "Pie chart"},
    {ThemeKind::Graduated,
     Tag::GraduatedTheme,
     {Keyword::Graduated, Keyword::Graduated},
     "graduated",
     "Graduated symbols"},
    {ThemeKind::SingleSymbol,
     Tag::SymbolTheme,
     {Keyword::Single, Keyword::Single},
     "single-symbol",
     "Single symbol"},
    {ThemeKind::Value, Tag::ValueTheme, {Keyword::Values, Keyword::Values}, "value", "Value theme"},
};
static_assert(std::size(kThemeKinds) == kThemeKindCount);

constexpr const ThemeKindEntry& EntryOf(ThemeKind kind) { return kThemeKinds[static_cast<size_t>(kind)]; }

// The entry of the keyword that selects a kind, or null.
inline const ThemeKindEntry* ThemeKindOf(Keyword keyword) {
  for (const ThemeKindEntry& entry : kThemeKinds)
    if (entry.keywords[0] == keyword || entry.keywords[1] == keyword) return &entry;
  return nullptr;
}

}  // namespace brevan
