// The tables embedded from resources/*.tsv (see cmake/EmbedTables.cmake).
#pragma once

#include <string>

namespace brevan {

// What a keyword is besides its spelling (keywords.tsv's third column):
// a word of expressions, or the first word of a statement that is translated.
enum class KeywordRole : unsigned char { None, Expression, Statement };

struct TableEntry {
  short id;
  const wchar_t* text;
  KeywordRole role = KeywordRole::None;
  // A warning's or remark's stable code: its name in kebab case
  // ("clause-not-written"); null in the other tables.
  const char* code = nullptr;
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

// The code of entry id of the warnings or remarks; empty when none.
const char* CodeOf(const TableEntry* entries, int count, short id);

// The text of entry id of a table, its ^0 and ^1 filled with the facts;
// empty when the table has no such entry.
std::wstring FilledText(const TableEntry* entries, int count, short id, const std::wstring& fact0 = {},
                        const std::wstring& fact1 = {});

}  // namespace brevan
