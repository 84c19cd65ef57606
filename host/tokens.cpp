#include "host/tokens.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "brevan_ids.h"
#include "host/text.h"

namespace brevan {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Spellings hashed and compared with ASCII letters folded to lower case, so
// that a word is looked up as written, without a lowered copy.
struct FoldedHash {
  using is_transparent = void;
  size_t operator()(std::wstring_view text) const {
    size_t hash = 14695981039346656037u;
    for (wchar_t c : text) hash = (hash ^ static_cast<size_t>(FoldAscii(c))) * 1099511628211u;
    return hash;
  }
};

struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::wstring_view a, std::wstring_view b) const {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
             return FoldAscii(x) == FoldAscii(y);
           });
  }
};

// Entries indexed by id for constant-time lookups in both directions.
struct TableIndex {
  TableIndex(const TableEntry* entries, int count) : entries(entries), count(count) {
    for (int i = 0; i < count; ++i) {
      const auto id = static_cast<unsigned short>(entries[i].id);
      if (id >= byId.size()) byId.resize(id + 1, nullptr);
      byId[id] = &entries[i];
      const std::wstring_view spelling = entries[i].text;
      bySpelling.emplace(spelling, entries[i].id);
      longest = std::max(longest, spelling.size());
    }
  }
  const TableEntry* Find(short id) const {
    const auto at = static_cast<unsigned short>(id);
    return at < byId.size() ? byId[at] : nullptr;
  }
  const TableEntry* entries;
  int count;
  std::vector<const TableEntry*> byId;
  std::unordered_map<std::wstring_view, short, FoldedHash, FoldedEqual> bySpelling;
  size_t longest = 0;  // the longest spelling: longer words are never keywords
};

namespace {

const TableIndex& KeywordIndex() {
  static const TableIndex index(kKeywordEntries, kKeywordCount);
  return index;
}

const TableIndex& TagIndex() {
  static const TableIndex index(kTagEntries, kTagCount);
  return index;
}

}  // namespace
}  // namespace brevan

using brevan::TableEntry;

const wchar_t* Tokens::TagName(short id, int) const {
  const TableEntry* entry = index_.Find(id);
  return entry ? entry->text : L"";
}

const wchar_t* Tokens::KeywordText(short id, int reserved) const { return TagName(id, reserved); }

const void* Tokens::FindToken(short id, int) const {
  const TableEntry* entry = index_.Find(id);
  if (entry == nullptr || (exprOnly_ && entry->role != brevan::KeywordRole::Expression)) return nullptr;
  return entry;
}

short Tokens::Lookup(std::wstring_view spelling) const {
  if (spelling.size() > index_.longest) return 0;
  const auto found = index_.bySpelling.find(spelling);
  return found == index_.bySpelling.end() ? short{0} : found->second;
}

const TableEntry* Tokens::Entries() const { return index_.entries; }

int Tokens::Count() const { return index_.count; }

Tokens* GetWorkspaceTags() {
  static Tokens tags(brevan::TagIndex(), false);
  return &tags;
}

Tokens* GetBrevanKeywords() {
  static Tokens keywords(brevan::KeywordIndex(), false);
  return &keywords;
}

Tokens* CreateBrevanTokens() { return new Tokens(brevan::KeywordIndex(), true); }

bool IsStatementKeyword(short id) {
  const TableEntry* entry = brevan::KeywordIndex().Find(id);
  return entry != nullptr && entry->role == brevan::KeywordRole::Statement;
}

bool IsExpressionKeyword(short id) {
  const TableEntry* entry = brevan::KeywordIndex().Find(id);
  return entry != nullptr && entry->role == brevan::KeywordRole::Expression;
}
