// The kinds of theme: the keyword that selects each in a thematic statement
// and the element it is written as, which the legend settings statement
// reads back.
#pragma once

#include "brevan_ids.h"

namespace brevan {

enum class ThemeKind { Range, BarChart, PieChart, Graduated, SingleSymbol, Value };

struct ThemeKindEntry {
  Keyword keyword;
  ThemeKind kind;
  Tag element;
};

inline constexpr ThemeKindEntry kThemeKinds[] = {
    {Keyword::Ranges, ThemeKind::Range, Tag::RangeTheme},
    {Keyword::Values, ThemeKind::Value, Tag::ValueTheme},
    {Keyword::Pie, ThemeKind::PieChart, Tag::PieTheme},
    {Keyword::Half, ThemeKind::PieChart, Tag::PieTheme},
    {Keyword::Bars, ThemeKind::BarChart, Tag::BarTheme},
    {Keyword::Stacked, ThemeKind::BarChart, Tag::BarTheme},
    {Keyword::Graduated, ThemeKind::Graduated, Tag::GraduatedTheme},
    {Keyword::Single, ThemeKind::SingleSymbol, Tag::SymbolTheme},
};

// The entry of the keyword that selects a kind, or null.
inline const ThemeKindEntry* ThemeKindOf(Keyword keyword) {
  for (const ThemeKindEntry& entry : kThemeKinds)
    if (entry.keyword == keyword) return &entry;
  return nullptr;
}

}  // namespace brevan
