#include "host/tokens.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brevan_ids.h"
#include "host/source_text.h"
#include "host/text.h"

namespace brevan {

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Whether a word (of wide or Latin-1 characters) is spelling, ASCII letters
// folded to lower case: a word is looked up as written, without a copy.
template <typename Char>
bool SameFolded(std::basic_string_view<Char> word, std::wstring_view spelling) {
  return word.size() == spelling.size() &&
         std::equal(word.begin(), word.end(), spelling.begin(),
                    [](Char x, wchar_t y) { return FoldAscii(Widen(x)) == FoldAscii(y); });
}

// Entries indexed by id for constant-time lookups in both directions.
// Spellings are found by their length and their first and last letters,
// folded: most words meet one candidate or none, with no hash of the word.
struct TableIndex {
  TableIndex(const TableEntry* entries, int count) : entries(entries), count(count) {
    std::vector<std::pair<uint32_t, const TableEntry*>> keyed;
    for (int i = 0; i < count; ++i) {
      const auto id = static_cast<unsigned short>(entries[i].id);
      if (id >= byId.size()) byId.resize(id + 1, nullptr);
      byId[id] = &entries[i];
      const std::wstring_view spelling = entries[i].text;
      longest = std::max(longest, spelling.size());
      if (!spelling.empty()) keyed.emplace_back(Key(spelling), &entries[i]);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    bucketStart.assign(kBuckets + 1, 0);
    for (const auto& [key, entry] : keyed) {
      ++bucketStart[key + 1];
      bySpelling.push_back(entry);
    }
    for (size_t bucket = 0; bucket < kBuckets; ++bucket) bucketStart[bucket + 1] += bucketStart[bucket];
  }
  const TableEntry* Find(short id) const {
    const auto at = static_cast<unsigned short>(id);
    return at < byId.size() ? byId[at] : nullptr;
  }
  template <typename Char>
  short Lookup(std::basic_string_view<Char> word) const {
    if (word.empty() || word.size() > longest) return 0;
    const uint32_t key = Key(word);
    for (uint32_t at = bucketStart[key]; at < bucketStart[key + 1]; ++at)
      if (SameFolded(word, std::wstring_view(bySpelling[at]->text))) return bySpelling[at]->id;
    return 0;
  }

  static constexpr size_t kBuckets = size_t{1} << 14;
  template <typename Char>
  static uint32_t Key(std::basic_string_view<Char> word) {
    const auto folded = [](Char c) { return static_cast<uint32_t>(FoldAscii(Widen(c))); };
    return ((static_cast<uint32_t>(word.size()) & 15) << 10) | ((folded(word.front()) & 31) << 5) |
           (folded(word.back()) & 31);
  }

  const TableEntry* entries;
  int count;
  std::vector<const TableEntry*> byId;
  std::vector<uint32_t> bucketStart;          // each bucket's first place in bySpelling
  std::vector<const TableEntry*> bySpelling;  // by bucket, in table order within one
  size_t longest = 0;                         // the longest spelling: longer words are never keywords
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

short Tokens::Lookup(std::wstring_view spelling) const { return index_.Lookup(spelling); }

short Tokens::Lookup(std::string_view latin1) const { return index_.Lookup(latin1); }

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
