// The tables embedded from resources/*.tsv (see cmake/EmbedTables.cmake).
#pragma once

namespace brevan {

struct TableEntry {
  short id;
  const wchar_t* text;
  bool expr;  // keyword belongs to the expression table
};

extern const TableEntry kKeywordEntries[];
extern const int kKeywordCount;
extern const TableEntry kTagEntries[];
extern const int kTagCount;
extern const TableEntry kErrorEntries[];
extern const int kErrorCount;
// Notes that follow an error message with the facts that make it actionable.
extern const TableEntry kNoteEntries[];
extern const int kNoteCount;
// The texts of the warnings.
extern const TableEntry kWarningEntries[];
extern const int kWarningCount;
// The texts of the remarks.
extern const TableEntry kRemarkEntries[];
extern const int kRemarkCount;

}  // namespace brevan
