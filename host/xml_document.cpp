#include "host/xml_document.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <mutex>
#include <new>
#include <pugixml.hpp>
#include <string_view>
#include <thread>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "host/table_data.h"
#include "host/text.h"
#include "host/xml_paths.h"
#include "host/xml_printing.h"
#include "host/xml_tree.h"

bool QdXmlNode::HasName(std::wstring_view name) {
  std::wstring mine;
  GetNodeName(mine);
  return mine == name;
}

void QdXmlNode::GetChild(std::wstring_view name, QdXmlNode** node) {
  SelectSingleNode(std::wstring(name), node);
}

bool QdXmlNode::GetAttributeUtf8(std::wstring_view name, std::string& value) {
  std::wstring wide;
  if (!GetAttribute(name, wide)) return false;
  brevan::AssignUtf8(value, wide);
  return true;
}

bool QdXmlNode::GetNodeTextUtf8(std::string& text) {
  std::wstring wide;
  if (!GetNodeText(wide)) return false;
  brevan::AssignUtf8(text, wide);
  return true;
}

namespace brevan {

using xml::Id;
using xml::kNone;

namespace {

// Handle blocks a document keeps for reuse, at most.
constexpr size_t kSpareHandles = 64;

// Handles left alive when their document went, on this thread (a leak).
thread_local long orphanedHandles = 0;

// The UTF-8 length of value, or SIZE_MAX when it holds a character that no
// XML document can hold.
size_t Utf8Length(std::wstring_view value) {
  size_t length = value.size();
  for (wchar_t c : value) {
    if (static_cast<char32_t>(c) < 0x80 ? c < 0x20 && !IsXmlChar(c) : !IsXmlChar(c)) return SIZE_MAX;
    if (static_cast<char32_t>(c) < 0x80) continue;
    length += c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  }
  return length;
}

}  // namespace

struct XmlDocument::State {
  State();
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  xml::Tree tree;
  xml::PathEngine paths{tree};
  Id root = kNone;      // the one element that the document writes
  long handles = 0;     // handles alive on this document
  size_t detached = 0;  // elements made, never appended and not yet given back
  // Elements never appended, waiting until no handle can reach into them.
  std::vector<Id> garbage;
  // The element children of the parents whose children were last listed,
  // counted once and kept in step with every move: a set-map statement
  // asks for the last map window each time, and counting the windows anew
  // made a workspace of n windows and n set-map statements quadratic. A
  // few are kept, since statements list the children of several parents
  // in turn (the windows, a window's layers, a layer's themes).
  struct Listed {
    Id parent = kNone;
    size_t count = 0;
  };
  std::array<Listed, 8> listed{};
  size_t nextListed = 0;  // the entry replaced next
  // One bit per hash of each listed parent: most appends go to a parent
  // not listed, which a clear bit tells without going through the entries.
  uint64_t listedBits = 0;
  static uint64_t ListedBit(Id parent) { return uint64_t{1} << (parent % 64); }
  void ListedChanged() {
    listedBits = 0;
    for (const Listed& entry : listed)
      if (entry.parent != kNone) listedBits |= ListedBit(entry.parent);
  }

  // The names last looked up, by where their text stood: names come from
  // the tag table or from constants, at the same place every time, so a
  // hit costs a comparison of a few characters instead of a hash. The
  // address is mixed, so that names stored side by side do not share a
  // slot; with 256 slots, two names of one statement still shared one
  // about one lookup in thirteen.
  struct Recent {
    const wchar_t* at = nullptr;
    std::wstring_view name;  // the name table's own text
    Id id = kNone;
    bool fixed = false;  // at is a text of the tag table, which never changes
  };
  static constexpr int kSlotBits = 10;
  std::array<Recent, size_t{1} << kSlotBits> recent;

  Recent& Slot(std::wstring_view name) {
    const uint64_t key = (reinterpret_cast<uintptr_t>(name.data()) >> 3) ^ (uint64_t{name.size()} << 40);
    return recent[(key * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
  }
  // Whether slot was filled for name. Text at a tag table's address is
  // that tag's name for good: only other text is compared.
  static bool Holds(const Recent& slot, std::wstring_view name) {
    return slot.at == name.data() && slot.name.size() == name.size() && (slot.fixed || slot.name == name);
  }
  static bool IsTagText(const wchar_t* text) {
    static const std::vector<const wchar_t*> texts = [] {
      std::vector<const wchar_t*> all;
      all.reserve(static_cast<size_t>(kTagCount));
      for (int i = 0; i < kTagCount; ++i) all.push_back(kTagEntries[i].text);
      std::sort(all.begin(), all.end(), std::less<>());
      return all;
    }();
    // Most other text (a string of the translator's) lies outside the
    // table's texts altogether.
    const std::less<> before;
    if (texts.empty() || before(text, texts.front()) || before(texts.back(), text)) return false;
    return std::binary_search(texts.begin(), texts.end(), text, before);
  }

  // The number of name, made on first use when make is set; kNone when
  // name is no XML name (or unknown and not made).
  Id NameId(std::wstring_view name, bool make) {
    Recent& slot = Slot(name);
    if (Holds(slot, name)) return slot.id;
    const Id id = make ? tree.Intern(name) : tree.Find(name);
    if (id != kNone) slot = {name.data(), tree.names[id].wide, id, IsTagText(name.data())};
    return id;
  }

  // value stored as UTF-8; false when it holds what XML cannot.
  bool Store(std::wstring_view value, const char*& text, uint32_t& size) {
    const size_t length = Utf8Length(value);
    if (length == SIZE_MAX) return false;
    if (length > UINT32_MAX) throw std::bad_alloc();
    char* out = tree.text.Reserve(length);
    text = out;
    for (const wchar_t c : value) out = PutUtf8(static_cast<char32_t>(c), out);
    size = static_cast<uint32_t>(length);
    return true;
  }
  void Store(std::string_view value, const char*& text, uint32_t& size) {
    char* out = tree.text.Reserve(value.size());
    std::copy(value.begin(), value.end(), out);
    text = out;
    size = static_cast<uint32_t>(value.size());
  }

  // Sets the text of element: its own text when it has some or has no
  // children yet, else its text node, made after the children when absent.
  void SetText(Id element, const char* text, uint32_t size) {
    xml::Node& node = tree.nodes[element];
    if (node.text == nullptr && node.first != kNone) {
      Id holder = kNone;
      for (Id child = node.first; child != kNone && holder == kNone; child = tree.nodes[child].next)
        if (tree.nodes[child].name == xml::kTextName) holder = child;
      if (holder == kNone) {
        holder = tree.nodes.Add();
        tree.Link(element, holder);
      }
      tree.nodes[holder].text = text;
      tree.nodes[holder].textSize = size;
      return;
    }
    node.text = text;
    node.textSize = size;
  }

  void SetAttribute(Id element, Id name, const char* value, uint32_t size) {
    Id last = kNone;
    Id attribute = tree.nodes[element].attributes;
    for (; attribute != kNone && tree.attributes[attribute].name != name;
         attribute = tree.attributes[attribute].next)
      last = attribute;
    if (attribute == kNone) {
      attribute = tree.attributes.Add();
      tree.attributes[attribute].name = name;
      if (last == kNone)
        tree.nodes[element].attributes = attribute;
      else
        tree.attributes[last].next = attribute;
    }
    tree.attributes[attribute].value = value;
    tree.attributes[attribute].size = size;
    paths.AttributeSet(element, name);
  }

  bool IsDetached(Id node) const {
    const xml::Node& record = tree.nodes[node];
    // A record given back has no name; a text node always has a parent.
    return record.parent == kNone && record.name != xml::kTextName && node != root;
  }

  // Handles come and go by the million: the document counts them and
  // recycles their memory itself, with no lookup of per-thread state.
  std::vector<void*> spareHandles;
  std::thread::id owner = std::this_thread::get_id();

  void Acquire() { ++handles; }

  void Release() {
    if (--handles > 0) return;
    for (const Id node : garbage)
      if (IsDetached(node)) Remove(node);
    garbage.clear();
  }

  // Gives back a never-appended element at once when nothing can point
  // into it. Runs in a handle's destructor: with no memory to note the
  // element for later, it stays until the document goes.
  void Discard(Id node) noexcept {
    if (!IsDetached(node)) return;
    if (tree.nodes[node].first == kNone) return Remove(node);
    try {
      garbage.push_back(node);
    } catch (const std::bad_alloc&) {
    }
  }

  void Remove(Id node) noexcept {
    paths.Forget(node);
    // A count kept for a node given back would be taken for the next node
    // made from its record. Only the removed subtree's counts go: dropping
    // them all made every statement that discards an element recount the
    // map windows.
    for (Listed& entry : listed) {
      Id ancestor = entry.parent;
      while (ancestor != kNone && ancestor != node) ancestor = tree.nodes[ancestor].parent;
      if (ancestor != kNone) entry = {};
    }
    ListedChanged();
    tree.FreeSubtree(node);
    --detached;
  }

  // child, an element, left oldParent (kNone when detached) for parent.
  void Moved(Id oldParent, Id parent, Id child) {
    paths.Moved(oldParent, parent, child);
    if ((((oldParent != kNone ? ListedBit(oldParent) : 0) | ListedBit(parent)) & listedBits) == 0) return;
    for (Listed& entry : listed) {
      if (entry.parent == kNone) continue;
      if (entry.parent == oldParent) --entry.count;
      if (entry.parent == parent) ++entry.count;
    }
  }

  size_t ElementChildren(Id parent) {
    for (const Listed& entry : listed)
      if (entry.parent == parent) return entry.count;
    Listed& entry = listed[nextListed++ % listed.size()];
    entry = {parent, 0};
    for (Id child = tree.FirstElement(parent); child != kNone; child = tree.NextElement(child)) ++entry.count;
    ListedChanged();
    return entry.count;
  }
};
// paths refers to tree, and the list of live states holds the address: a
// copy or a move would leave both pointing at the original.
static_assert(!std::is_copy_constructible_v<XmlDocument::State> &&
              !std::is_move_constructible_v<XmlDocument::State>);

namespace {

using State = XmlDocument::State;

// The documents alive, for LiveNodeHandles: registered once per document.
std::mutex liveStatesMutex;
std::vector<const State*> liveStates;

}  // namespace

XmlDocument::State::State() {
  spareHandles.reserve(kSpareHandles);
  const std::lock_guard lock(liveStatesMutex);
  liveStates.push_back(this);
}

XmlDocument::State::~State() {
  for (void* block : spareHandles) ::operator delete(block);
  orphanedHandles += handles;
  const std::lock_guard lock(liveStatesMutex);
  liveStates.erase(std::find(liveStates.begin(), liveStates.end(), this));
}

namespace {

class XmlNode final : public QdXmlNode {
 public:
  XmlNode(State& state, Id node, bool creator = false) : state_(state), node_(node), creator_(creator) {
    state_.Acquire();
  }
  ~XmlNode() override {
    if (creator_) state_.Discard(node_);
    state_.Release();
  }

  // Made with new (state) XmlNode(state, …): the memory comes from, and
  // goes back to, the document's spare blocks (not under the address
  // sanitizer, whom recycled memory would hide misuse from).
  static void* operator new(size_t size, State& state) {
#ifndef BREVAN_ADDRESS_SANITIZER
    if (!state.spareHandles.empty()) {
      void* block = state.spareHandles.back();
      state.spareHandles.pop_back();
      return block;
    }
#endif
    (void)state;
    return ::operator new(size);
  }
  static void operator delete(void* block, State&) { ::operator delete(block); }
  static void operator delete(XmlNode* node, std::destroying_delete_t) {
    State& state = node->state_;
    node->~XmlNode();
#ifndef BREVAN_ADDRESS_SANITIZER
    if (state.spareHandles.size() < kSpareHandles) {
      state.spareHandles.push_back(node);
      return;
    }
#endif
    (void)state;
    ::operator delete(node);
  }

  void GetNodeName(std::wstring& name) override {
    name = state_.tree.names[TheTree().nodes[node_].name].wide;
  }

  bool GetNodeText(std::wstring& text) override {
    text = FromUtf8(TheTree().TextOf(node_));
    return true;
  }

  // Names are numbers: one comparison, without the name's text.
  bool HasName(std::wstring_view name) override {
    const Id id = state_.NameId(name, false);
    return id != kNone && TheTree().nodes[node_].name == id;
  }

  void GetChild(std::wstring_view name, QdXmlNode** node) override { *node = Wrap(Select(name)); }

  bool GetAttributeUtf8(std::wstring_view name, std::string& value) override {
    const Id id = state_.NameId(name, false);
    const Id attribute = id == kNone ? kNone : TheTree().AttributeOf(node_, id);
    if (attribute == kNone) return false;
    value.assign(TheTree().Value(attribute));
    return true;
  }

  bool GetNodeTextUtf8(std::string& text) override {
    text.assign(TheTree().TextOf(node_));
    return true;
  }

  bool GetAttribute(std::wstring_view name, std::wstring& value) override {
    const Id id = state_.NameId(name, false);
    const Id attribute = id == kNone ? kNone : TheTree().AttributeOf(node_, id);
    if (attribute == kNone) return false;
    value = FromUtf8(TheTree().Value(attribute));
    return true;
  }

  void GetFirstChild(QdXmlNode** node) override { *node = Wrap(TheTree().FirstElement(node_)); }

  void GetNextSibling(QdXmlNode** node) override { *node = Wrap(TheTree().NextElement(node_)); }

  void GetChildNodes(QdXmlNodeList** list) override;

  void SelectSingleNode(const std::wstring& path, QdXmlNode** node) override { *node = Wrap(Select(path)); }

  void SelectSingleNode(const wchar_t* path, QdXmlNode** node) override {
    *node = Wrap(Select(path ? std::wstring_view(path) : std::wstring_view()));
  }

  void SelectNodes(const std::wstring& path, QdXmlNodeList** list) override;

  bool AppendChild(QdXmlNode* child) override {
    // XmlNode is final: comparing the type is all a cast would do, without its search.
    auto* other =
        child != nullptr && typeid(*child) == typeid(XmlNode) ? static_cast<XmlNode*>(child) : nullptr;
    if (other == nullptr || &other->state_ != &state_) return false;
    const Id moving = other->node_;
    // The root stays the document's element, and no element goes inside itself.
    if (moving == state_.root || moving == node_) return false;
    // (An element without children is no one's ancestor.)
    if (TheTree().nodes[moving].first != kNone)
      for (Id at = node_; at != kNone; at = TheTree().nodes[at].parent)
        if (at == moving) return false;
    const Id oldParent = TheTree().nodes[moving].parent;
    if (oldParent == kNone)
      --state_.detached;
    else
      TheTree().Unlink(moving);
    TheTree().Link(node_, moving);
    state_.Moved(oldParent, node_, moving);
    return true;
  }

  bool SetText(double value) override {
    char number[32];
    const char* text = nullptr;
    uint32_t size = 0;
    state_.Store(std::string_view(number, WriteNumber(value, number) - number), text, size);
    state_.SetText(node_, text, size);
    return true;
  }
  bool SetText(const std::wstring& text) override { return SetText(std::wstring_view(text)); }
  bool SetText(const wchar_t* text) override { return SetText(std::wstring_view(text ? text : L"")); }

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
    const char* text = nullptr;
    uint32_t size = 0;
    if (!state_.Store(value, text, size)) return false;
    const Id id = state_.NameId(name, true);
    if (id == kNone) return false;
    state_.SetAttribute(node_, id, text, size);
    return true;
  }

  bool SetAttribute(std::wstring_view name, double value) override {
    const Id id = state_.NameId(name, true);
    if (id == kNone) return false;
    char number[32];
    const char* text = nullptr;
    uint32_t size = 0;
    state_.Store(std::string_view(number, WriteNumber(value, number) - number), text, size);
    state_.SetAttribute(node_, id, text, size);
    return true;
  }

 private:
  xml::Tree& TheTree() { return state_.tree; }

  // Text XML cannot hold is refused.
  bool SetText(std::wstring_view value) {
    const char* text = nullptr;
    uint32_t size = 0;
    if (!state_.Store(value, text, size)) return false;
    state_.SetText(node_, text, size);
    return true;
  }

  Id Select(std::wstring_view path) {
    // A bare name, the commonest query: by its number, without parsing;
    // mostly one of the names last used, found so without a look at its
    // characters. A name the document never had, or no name at all,
    // selects nothing.
    if (const State::Recent& recent = state_.Slot(path); State::Holds(recent, path))
      return TheTree().Child(node_, recent.id);
    if (std::none_of(path.begin(), path.end(),
                     [](wchar_t c) { return c == L'/' || c == L'[' || c == L':'; })) {
      const Id name = state_.NameId(path, false);
      return name == kNone ? kNone : TheTree().Child(node_, name);
    }
    bool ok = false;
    return state_.paths.SelectFirst(node_, path, ok);
  }

  QdXmlNode* Wrap(Id node) { return node != kNone ? new (state_) XmlNode(state_, node) : nullptr; }

  friend bool brevan::PrintNode(QdXmlNode& node, const std::function<bool(std::string_view)>& write);

  State& state_;
  const Id node_;
  const bool creator_;  // made by CreateElement: gives the element back if never appended
};

// The element children of a node, found when asked: the last one from the
// end, the others counting from the start.
class XmlChildList final : public QdXmlNodeList {
 public:
  XmlChildList(State& state, Id parent) : state_(state), parent_(parent) { state_.Acquire(); }
  ~XmlChildList() override { state_.Release(); }

  bool GetItem(long index, QdXmlNode** node) override {
    *node = nullptr;
    const long count = GetCount();
    if (index < 0 || index >= count) return false;
    const xml::Tree& tree = state_.tree;
    Id child = kNone;
    if (index == count - 1) {
      for (child = tree.nodes[parent_].last; !tree.IsElement(child);) child = tree.nodes[child].prev;
    } else {
      for (child = tree.FirstElement(parent_); index-- > 0;) child = tree.NextElement(child);
    }
    *node = new (state_) XmlNode(state_, child);
    return true;
  }
  long GetCount() override { return static_cast<long>(state_.ElementChildren(parent_)); }
  long GetLength() override { return GetCount(); }

 private:
  State& state_;
  Id parent_;
};

class XmlNodeList final : public QdXmlNodeList {
 public:
  XmlNodeList(State& state, std::vector<Id> nodes) : state_(state), nodes_(std::move(nodes)) {
    state_.Acquire();
  }
  ~XmlNodeList() override { state_.Release(); }

  bool GetItem(long index, QdXmlNode** node) override {
    *node = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size()) return false;
    *node = new (state_) XmlNode(state_, nodes_[index]);
    return true;
  }
  long GetCount() override { return static_cast<long>(nodes_.size()); }
  long GetLength() override { return static_cast<long>(nodes_.size()); }

 private:
  State& state_;
  std::vector<Id> nodes_;
};

void XmlNode::GetChildNodes(QdXmlNodeList** list) { *list = new XmlChildList(state_, node_); }

void XmlNode::SelectNodes(const std::wstring& path, QdXmlNodeList** list) {
  bool ok = false;
  std::vector<Id> nodes = state_.paths.Select(node_, path, ok, false);
  *list = ok ? new XmlNodeList(state_, std::move(nodes)) : nullptr;
}

}  // namespace

XmlDocument::XmlDocument() : state_(std::make_unique<State>()) {}

XmlDocument::~XmlDocument() = default;

QdXmlNode* XmlDocument::CreateElement(std::wstring_view name) {
  const Id id = state_->NameId(name, true);
  if (id == kNone) return nullptr;
  const Id element = state_->tree.nodes.Add();
  state_->tree.nodes[element].name = id;
  ++state_->detached;
  return new (*state_) XmlNode(*state_, element, true);
}

QdXmlNode* XmlDocument::GetRootElement(std::wstring_view name, const wchar_t*) {
  Id& root = state_->root;
  if (root == kNone) {
    const Id id = state_->NameId(name, true);
    if (id == kNone) return nullptr;
    root = state_->tree.nodes.Add();
    state_->tree.nodes[root].name = id;
  } else if (state_->tree.names[state_->tree.nodes[root].name].wide != name) {
    return nullptr;
  }
  return new (*state_) XmlNode(*state_, root);
}

bool XmlDocument::HasRoot() const { return state_->root != kNone; }

bool XmlDocument::RootHasElements() const {
  return state_->root != kNone && state_->tree.FirstElement(state_->root) != kNone;
}

size_t XmlDocument::DetachedElements() const { return state_->detached; }

bool XmlDocument::WriteXml(const std::function<bool(std::string_view)>& write, bool indent) const {
  if (!write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")) return false;
  if (state_->root == kNone) return true;
  return xml::PrintElement(state_->tree, state_->root, write, indent) && (indent || write("\n"));
}

std::string XmlDocument::ToXml(bool indent) const {
  std::string out;
  WriteXml(
      [&out](std::string_view piece) {
        out.append(piece);
        return true;
      },
      indent);
  return out;
}

namespace {

void Check(bool made) {
  if (!made) throw std::bad_alloc();  // pugixml fails only for want of memory
}

// Copies element under parent, its own text as a text node first: the
// document handed out is built as a parse would build it.
void CopyElement(const xml::Tree& tree, Id element, pugi::xml_node parent) {
  const xml::Node& node = tree.nodes[element];
  pugi::xml_node copy = parent.append_child(tree.Utf8Name(node.name).c_str());
  Check(copy);
  for (Id attribute = node.attributes; attribute != kNone; attribute = tree.attributes[attribute].next)
    Check(copy.append_attribute(tree.Utf8Name(tree.attributes[attribute].name).c_str())
              .set_value(std::string(tree.Value(attribute)).c_str()));
  const auto text = [&](const char* data, uint32_t size) {
    pugi::xml_node made = copy.append_child(pugi::node_pcdata);
    Check(made);
    // Empty text is a text node without a value, as a parse of <E></E> leaves none at all.
    if (size > 0) Check(made.set_value(std::string(data, size).c_str()));
  };
  if (node.text != nullptr) text(node.text, node.textSize);
  for (Id child = node.first; child != kNone; child = tree.nodes[child].next) {
    if (tree.IsElement(child))
      CopyElement(tree, child, copy);
    else
      text(tree.nodes[child].text, tree.nodes[child].textSize);
  }
}

}  // namespace

namespace {

// Copies element, parsed by pugixml, with its attributes under parent
// (kNone for the root).
Id LoadElement(State& state, pugi::xml_node element, Id parent) {
  xml::Tree& tree = state.tree;
  const Id name = state.NameId(FromUtf8(element.name()), true);
  if (name == kNone) throw std::bad_alloc();  // pugixml accepts only names we accept
  const Id made = tree.nodes.Add();
  tree.nodes[made].name = name;
  if (parent != kNone) tree.Link(parent, made);
  for (const pugi::xml_attribute attribute : element.attributes()) {
    const Id attributeName = state.NameId(FromUtf8(attribute.name()), true);
    if (attributeName == kNone) throw std::bad_alloc();
    const char* text = nullptr;
    uint32_t size = 0;
    state.Store(std::string_view(attribute.value()), text, size);
    state.SetAttribute(made, attributeName, text, size);
  }
  return made;
}

// Copies root and everything in it as the document would have built it
// (text before any child is the element's own, text after one a text
// node), by the trees' own links: a saved document may be nested deeper
// than a stack allows.
Id LoadTree(State& state, pugi::xml_node root) {
  const Id top = LoadElement(state, root, kNone);
  pugi::xml_node node = root;
  Id id = top;
  for (pugi::xml_node child = node.first_child();;) {
    if (!child) {
      if (node == root) return top;
      child = node.next_sibling();
      node = node.parent();
      id = state.tree.nodes[id].parent;
      continue;
    }
    if (child.type() == pugi::node_element) {
      const Id made = LoadElement(state, child, id);
      if (child.first_child()) {
        node = child;
        id = made;
        child = node.first_child();
        continue;
      }
    } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      const char* text = nullptr;
      uint32_t size = 0;
      state.Store(std::string_view(child.value()), text, size);
      state.SetText(id, text, size);
    }
    child = child.next_sibling();
  }
}

}  // namespace

bool XmlDocument::Load(std::string_view xml) {
  State& state = *state_;
  // Only into a document that holds nothing yet: nothing may point into it.
  if (state.root != kNone || state.detached > 0 || state.handles > 0) return false;
  pugi::xml_document parsed;
  if (!parsed.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
  const pugi::xml_node root = parsed.document_element();
  if (!root) return false;
  state.root = LoadTree(state, root);
  return true;
}

bool PrintNode(QdXmlNode& node, const std::function<bool(std::string_view)>& write) {
  auto* element = typeid(node) == typeid(XmlNode) ? static_cast<XmlNode*>(&node) : nullptr;
  if (element == nullptr) return false;
  xml::PrintElement(element->state_.tree, element->node_, write, true);
  return true;
}

void XmlDocument::CopyTo(pugi::xml_document& target) const {
  target.reset();
  if (state_->root != kNone) CopyElement(state_->tree, state_->root, target);
}

long LiveNodeHandles() {
  long count = orphanedHandles;
  const std::lock_guard lock(liveStatesMutex);
  for (const State* state : liveStates)
    if (state->owner == std::this_thread::get_id()) count += state->handles;
  return count;
}

}  // namespace brevan
