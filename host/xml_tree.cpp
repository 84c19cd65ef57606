#include "host/xml_tree.h"

#include <algorithm>

#include "host/text.h"

namespace brevan::xml {

namespace {

bool IsNameStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c >= 0x80;
}

bool IsNameChar(wchar_t c) { return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.'; }

}  // namespace

bool IsXmlName(std::wstring_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (wchar_t c : name)
    if (!IsNameChar(c)) return false;
  return true;
}

TextStore::~TextStore() {
  for (char* block : blocks_) FreeDocumentBlock(block);
}

char* TextStore::Reserve(size_t size) {
  if (size <= left_ && at_ != nullptr) {
    char* at = at_;
    at_ += size;
    left_ -= size;
    return at;
  }
  // A long text gets a block of its own; the current block stays current.
  const bool own = size > nextBlock_ / 4;
  const size_t bytes = own ? size : nextBlock_;
  blocks_.reserve(blocks_.size() + 1);
  auto* block = static_cast<char*>(AllocateDocumentBlock(bytes == 0 ? 1 : bytes));
  if (block == nullptr) throw std::bad_alloc();
  blocks_.push_back(block);
  if (own) return block;
  nextBlock_ = std::min(nextBlock_ * 2, kLargestBlock);
  at_ = block + size;
  left_ = bytes - size;
  return block;
}

Id Tree::Intern(std::wstring_view name) {
  const auto found = byName.find(name);
  if (found != byName.end()) return found->second;
  if (!IsXmlName(name)) return kNone;
  Name entry;
  AssignUtf8(entry.utf8, name);
  entry.wide = name;
  names.push_back(std::move(entry));
  const Id id = static_cast<Id>(names.size() - 1);
  try {
    byName.emplace(name, id);
  } catch (...) {
    names.pop_back();
    throw;
  }
  return id;
}

std::string_view Tree::TextOf(Id node) const {
  const Node& element = nodes[node];
  if (element.text != nullptr) return {element.text, element.textSize};
  for (Id child = element.first; child != kNone; child = nodes[child].next)
    if (nodes[child].name == kTextName) return {nodes[child].text, nodes[child].textSize};
  return {};
}

void Tree::Link(Id parent, Id child) {
  Node& p = nodes[parent];
  Node& c = nodes[child];
  c.parent = parent;
  c.prev = p.last;
  c.next = kNone;
  if (p.last != kNone)
    nodes[p.last].next = child;
  else
    p.first = child;
  p.last = child;
}

void Tree::Unlink(Id child) {
  Node& c = nodes[child];
  if (c.parent == kNone) return;
  Node& p = nodes[c.parent];
  if (c.prev != kNone)
    nodes[c.prev].next = c.next;
  else
    p.first = c.next;
  if (c.next != kNone)
    nodes[c.next].prev = c.prev;
  else
    p.last = c.prev;
  c.parent = c.prev = c.next = kNone;
}

void Tree::FreeSubtree(Id node) noexcept {
  // Children before their parent, by the tree's own links: no stack, so
  // that giving back, which runs in destructors, never allocates, and a
  // deep subtree costs no recursion.
  Id at = node;
  for (;;) {
    while (nodes[at].first != kNone) at = nodes[at].first;
    const Id next = nodes[at].next;
    const Id parent = nodes[at].parent;
    for (Id attribute = nodes[at].attributes; attribute != kNone;) {
      const Id following = attributes[attribute].next;
      attributes.Free(attribute);
      attribute = following;
    }
    nodes.Free(at);
    if (at == node) return;
    if (next != kNone) {
      at = next;
    } else {
      nodes[parent].first = kNone;  // its children are all given back
      at = parent;
    }
  }
}

}  // namespace brevan::xml
