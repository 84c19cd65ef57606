// The host's token library: the workspace tag table and the keyword tables.
#pragma once

#include <string_view>

#include "host/table_data.h"

namespace brevan {
struct TableIndex;
}

// One id-to-text table. The tag table and the keyword table are shared and
// host-owned; CreateBrevanTokens hands out a view holding only the
// expression keywords, which its caller deletes.
class Tokens {
 public:
  Tokens(const brevan::TableIndex& index, bool exprOnly) : index_(index), exprOnly_(exprOnly) {}
  virtual ~Tokens() = default;
  Tokens(const Tokens&) = delete;
  Tokens& operator=(const Tokens&) = delete;

  // The name of tag id; an empty text (never null) for an id not in the table.
  virtual const wchar_t* TagName(short id, int reserved) const;
  // The spelling of keyword id; empty for an unknown id.
  virtual const wchar_t* KeywordText(short id, int reserved) const;
  // Non-null when the table holds id.
  virtual const void* FindToken(short id, int reserved) const;

  // Host extensions: the id for a spelling (case-insensitive), 0 when none;
  // and the entries in file order for listings.
  short Lookup(std::wstring_view spelling) const;
  // The same for a word of Latin-1 characters, one byte each.
  short Lookup(std::string_view latin1) const;
  const brevan::TableEntry* Entries() const;
  int Count() const;

 private:
  const brevan::TableIndex& index_;
  bool exprOnly_;
};

// Whether keyword id begins a statement that is translated (Open, Map,
// Set, Theme): where skipping an untranslated statement stops.
bool IsStatementKeyword(short id);
// Whether keyword id is an operator or word of expressions (the table of
// CreateBrevanTokens): after one, an expression goes on over a line break.
bool IsExpressionKeyword(short id);

// The workspace tag table; host-owned, never null here.
Tokens* GetWorkspaceTags();
// The expression keyword table; the caller deletes it.
Tokens* CreateBrevanTokens();
// The statement keyword table that the token reader lexes with; host-owned.
Tokens* GetBrevanKeywords();
