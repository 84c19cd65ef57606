// The document's tree: a write-mostly tree kept in arenas. Elements and
// attributes are records of a few words that refer to each other by number
// and to their names by number; names are converted and checked once;
// text is UTF-8 in large blocks. Part of the document's implementation:
// only the host's xml_*.cpp files include it.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "host/document_memory.h"

namespace brevan::xml {

// A node or attribute number; 0 is none.
using Id = uint32_t;
constexpr Id kNone = 0;
// The name of a text node: a text set on an element after its children,
// printed where it stands.
constexpr Id kTextName = 0;

// Whether name is an XML name (the names the document accepts).
bool IsXmlName(std::wstring_view name);

struct Node {
  Id name = kNone;  // kTextName for a text node
  Id parent = kNone;
  Id next = kNone;
  Id prev = kNone;
  Id first = kNone;  // children, elements and text nodes
  Id last = kNone;
  Id attributes = kNone;  // the first
  uint32_t textSize = 0;
  // An element's own text, printed before its children; null for none
  // (empty text is an empty string: it prints as a start and an end tag).
  // A text node's text.
  const char* text = nullptr;
};

struct Attribute {
  Id name = kNone;
  Id next = kNone;
  uint32_t size = 0;
  const char* value = "";
};

// Records by number, in chunks that never move: a record's address stays
// valid while the tree grows, and growing copies nothing. Chunks are small
// enough that a tiny document takes little.
template <typename Record>
class Records {
 public:
  Records() = default;
  Records(const Records&) = delete;
  Records& operator=(const Records&) = delete;
  ~Records() {
    for (Record* chunk : chunks_) FreeDocumentBlock(chunk);
  }

  Record& operator[](Id id) { return chunks_[(id - 1) >> kChunkBits][(id - 1) & kChunkMask]; }
  const Record& operator[](Id id) const { return chunks_[(id - 1) >> kChunkBits][(id - 1) & kChunkMask]; }

  // A fresh record: one given back earlier, or the next one.
  Id Add() {
    if (free_ != kNone) {
      const Id id = free_;
      free_ = (*this)[id].next;
      (*this)[id] = Record();
      return id;
    }
    if ((size_ & kChunkMask) == 0) {
      if (size_ == kMostRecords) throw std::bad_alloc();
      chunks_.reserve(chunks_.size() + 1);
      void* chunk = AllocateDocumentBlock(kChunkSize * sizeof(Record));
      if (chunk == nullptr) throw std::bad_alloc();
      chunks_.push_back(static_cast<Record*>(chunk));
    }
    (*this)[size_ + 1] = Record();
    return ++size_;
  }

  // Gives a record back for reuse.
  void Free(Id id) {
    (*this)[id] = Record();
    (*this)[id].next = free_;
    free_ = id;
  }

 private:
  static_assert(std::is_trivially_destructible_v<Record> && std::is_trivially_copyable_v<Record>);
  static constexpr unsigned kChunkBits = 8;
  static constexpr size_t kChunkSize = size_t{1} << kChunkBits;
  static constexpr Id kChunkMask = kChunkSize - 1;
  static constexpr Id kMostRecords = static_cast<Id>(0 - kChunkSize);  // numbers stay below the Id's range
  std::vector<Record*> chunks_;
  Id size_ = 0;
  Id free_ = kNone;
};

// Text bytes, appended in blocks that never move. Text replaced stays
// where it was until the document goes: text is set once, nearly always.
class TextStore {
 public:
  TextStore() = default;
  TextStore(const TextStore&) = delete;
  TextStore& operator=(const TextStore&) = delete;
  ~TextStore();

  // Room for size bytes (never null), to be filled by the caller before the next call.
  char* Reserve(size_t size);

 private:
  // Blocks double from the first to the largest: a tiny document takes little.
  static constexpr size_t kFirstBlock = size_t{4} << 10;
  static constexpr size_t kLargestBlock = size_t{64} << 10;
  std::vector<char*> blocks_;
  char* at_ = nullptr;
  size_t left_ = 0;
  size_t nextBlock_ = kFirstBlock;
};

struct Name {
  std::string utf8;
  std::wstring wide;
};

struct Tree {
  Records<Node> nodes;
  Records<Attribute> attributes;
  TextStore text;
  // Names by number (from 1), and numbers by wide name.
  std::vector<Name> names{Name()};
  struct WideHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>{}(text); }
  };
  std::unordered_map<std::wstring, Id, WideHash, std::equal_to<>> byName;

  const std::string& Utf8Name(Id name) const { return names[name].utf8; }

  // The number of name, made on first use; kNone when name is no XML name.
  Id Intern(std::wstring_view name);
  // The number of name when the document has it, else kNone.
  Id Find(std::wstring_view name) const {
    const auto found = byName.find(name);
    return found == byName.end() ? kNone : found->second;
  }

  bool IsElement(Id node) const { return nodes[node].name != kTextName; }
  // The first element child of node, or the next element sibling of node.
  Id FirstElement(Id node) const { return NextElement(nodes[node].first, true); }
  Id NextElement(Id node, bool inclusive = false) const {
    if (node != kNone && !inclusive) node = nodes[node].next;
    while (node != kNone && nodes[node].name == kTextName) node = nodes[node].next;
    return node;
  }
  // The first child element of node named name.
  Id Child(Id node, Id name) const {
    for (Id child = nodes[node].first; child != kNone; child = nodes[child].next)
      if (nodes[child].name == name && name != kTextName) return child;
    return kNone;
  }
  Id NextNamed(Id node) const {
    const Id name = nodes[node].name;
    for (Id next = nodes[node].next; next != kNone; next = nodes[next].next)
      if (nodes[next].name == name) return next;
    return kNone;
  }
  // The attribute of node named name, or kNone.
  Id AttributeOf(Id node, Id name) const {
    for (Id at = nodes[node].attributes; at != kNone; at = attributes[at].next)
      if (attributes[at].name == name) return at;
    return kNone;
  }
  std::string_view Value(Id attribute) const {
    return {attributes[attribute].value, attributes[attribute].size};
  }
  // What GetNodeText reads: the element's own text, else its text node's.
  std::string_view TextOf(Id node) const;

  // Links child, which has no parent, as parent's last child.
  void Link(Id parent, Id child);
  // Unlinks child from its parent.
  void Unlink(Id child);
  // Gives back node and everything in it.
  void FreeSubtree(Id node) noexcept;
};

}  // namespace brevan::xml
