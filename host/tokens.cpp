#include "host/tokens.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/text.h"

namespace brevan {

// Hashing by view, so that lookups need no string of their own.
struct ViewHash {
  using is_transparent = void;
  size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>()(text); }
};

// Entries indexed by id for constant-time lookups in both directions.
struct TableIndex {
  TableIndex(const TableEntry* entries, int count) : entries(entries), count(count) {
    for (int i = 0; i < count; ++i) {
      const auto id = static_cast<unsigned short>(entries[i].id);
      if (id >= byId.size()) byId.resize(id + 1, nullptr);
      byId[id] = &entries[i];
      const std::wstring spelling = AsciiLower(entries[i].text);
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
  std::unordered_map<std::wstring, short, ViewHash, std::equal_to<>> bySpelling;
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
  if (entry == nullptr || (exprOnly_ && !entry->expr)) return nullptr;
  return entry;
}

short Tokens::Lookup(std::wstring_view spelling) const {
  constexpr size_t kBuffer = 64;
  if (spelling.size() > index_.longest || spelling.size() > kBuffer) return 0;
  wchar_t lower[kBuffer] = {};
  for (size_t i = 0; i < spelling.size(); ++i) {
    const wchar_t c = spelling[i];
    lower[i] = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  }
  const auto found = index_.bySpelling.find(std::wstring_view(lower, spelling.size()));
  return found == index_.bySpelling.end() ? 0 : found->second;
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
