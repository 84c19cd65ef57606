#include "host/xml_document.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <pugixml.hpp>
#include <string_view>
#include <thread>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "host/table_data.h"
#include "host/text.h"
#include "host/xml_paths.h"
#include "host/xml_printing.h"

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

namespace {

// Handle blocks a document keeps for reuse, at most.
constexpr size_t kSpareHandles = 64;

// Handles left alive when their document went, on this thread (a leak).
thread_local long orphanedHandles = 0;

}  // namespace

struct XmlDocument::State {
  State();
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  pugi::xml_document doc;
  pugi::xml_node root;  // the one element that the document writes
  long handles = 0;     // handles alive on this document
  long elements = 0;    // elements made so far
  // Elements created but never appended, waiting until no handle can reach them.
  std::vector<pugi::xml_node> garbage;
  PathEngine paths{doc};
  // The element children of the parents whose children were last listed,
  // counted once and kept in step with every move: a set-map statement
  // asks for the last map window each time, and counting the windows anew
  // made a workspace of n windows and n set-map statements quadratic. A
  // few are kept, since statements list the children of several parents
  // in turn (the windows, a window's layers, a layer's themes).
  // Parents are kept as pugixml's own pointers: an append compares them
  // with each entry, and pugixml's handle operators are calls into it.
  struct Listed {
    pugi::xml_node_struct* parent = nullptr;
    size_t count = 0;
  };
  std::array<Listed, 8> listed{};
  size_t nextListed = 0;  // the entry replaced next
  // One bit per hash of each listed parent: most appends go to a parent
  // not listed, which a clear bit tells without going through the entries.
  uint64_t listedBits = 0;
  static uint64_t ListedBit(const pugi::xml_node_struct* parent) {
    return uint64_t{1} << ((reinterpret_cast<uintptr_t>(parent) >> 4) % 64);
  }
  void ListedChanged() {
    listedBits = 0;
    for (const Listed& entry : listed)
      if (entry.parent != nullptr) listedBits |= ListedBit(entry.parent);
  }
  // Reused buffers for names and values on their way to pugixml.
  std::string nameBuffer;
  std::string valueBuffer;

  // Element and attribute names, each converted and checked once: the first
  // use of a name parses it into a prototype kept in the document, and every
  // node made from a prototype shares its name's text (pugixml shares the
  // parsed text of nodes it copies within a document) instead of holding a
  // copy of its own. The holder is a detached child of the document whose
  // name is no XML name, so no path reaches it, and it is never printed.
  struct WideHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>{}(text); }
  };
  pugi::xml_node prototypes;
  std::unordered_map<std::wstring, pugi::xml_node, WideHash, std::equal_to<>> elementPrototypes;
  std::unordered_map<std::wstring, pugi::xml_attribute, WideHash, std::equal_to<>> attributePrototypes;
  // By the text of the element prototype's name, which stays where it is.
  std::unordered_map<const char*, pugi::xml_node> textPrototypes;

  // The prototypes last found, by where their name's text stood: names come
  // from the tag table or from constants, at the same place every time, so
  // a hit costs a comparison of a few characters instead of a hash.
  template <typename Prototype>
  struct RecentNames {
    struct Entry {
      const wchar_t* at = nullptr;
      std::wstring_view name;  // the map's key
      Prototype prototype;
      bool fixed = false;  // at is a text of the tag table, which never changes
    };
    // Room for every name a translation uses, and the address mixed so
    // that names stored side by side do not share a slot.
    static constexpr int kSlotBits = 8;
    std::array<Entry, size_t{1} << kSlotBits> entries;

    Entry& Slot(std::wstring_view name) {
      const uint64_t key = (reinterpret_cast<uintptr_t>(name.data()) >> 3) ^ (uint64_t{name.size()} << 40);
      return entries[(key * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
    }
  };
  RecentNames<pugi::xml_node> recentElements;
  RecentNames<pugi::xml_attribute> recentAttributes;

  template <typename Prototype, typename Make>
  Prototype Find(std::unordered_map<std::wstring, Prototype, WideHash, std::equal_to<>>& known,
                 RecentNames<Prototype>& recent, std::wstring_view name, Make make) {
    auto& slot = recent.Slot(name);
    if (Holds(slot, name)) return slot.prototype;
    auto found = known.find(name);
    if (found == known.end()) {
      if (!IsXmlName(name)) return {};
      found = known.emplace(name, make()).first;
    }
    slot = {name.data(), found->first, found->second, IsTagText(name.data())};
    return found->second;
  }

  // Whether slot was filled for name. Text at a tag table's address is
  // that tag's name for good: only other text is compared.
  template <typename Entry>
  static bool Holds(const Entry& slot, std::wstring_view name) {
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
    return std::binary_search(texts.begin(), texts.end(), text, std::less<>());
  }

  const char* Name(std::wstring_view name) {
    AssignUtf8(nameBuffer, name);
    return nameBuffer.c_str();
  }

  // The prototype element of name; null when name is no XML name.
  pugi::xml_node ElementPrototype(std::wstring_view name) {
    return Find(elementPrototypes, recentElements, name,
                [&] { return Prototype(std::string("<") + Name(name) + "/>"); });
  }

  // The prototype attribute of name (with an empty value); null when name is no XML name.
  pugi::xml_attribute AttributePrototype(std::wstring_view name) {
    return Find(attributePrototypes, recentAttributes, name,
                [&] { return Prototype(std::string("<a ") + Name(name) + "=\"\"/>").first_attribute(); });
  }

  // The prototype of element with text held in the element itself: pugixml
  // keeps such text in the element's value (as when it parses with
  // parse_embed_pcdata) instead of in a text node of 64 bytes of its own,
  // prints it as it would print the text node, and sets it through text().
  // Only a parse makes an element's value; its placeholder is always
  // replaced before the element can reach the document.
  pugi::xml_node TextPrototype(pugi::xml_node element) {
    pugi::xml_node& prototype = textPrototypes[element.name()];
    if (!prototype)
      prototype = Prototype(std::string("<") + element.name() + ">?</" + element.name() + ">",
                            pugi::parse_default | pugi::parse_embed_pcdata);
    return prototype;
  }

  pugi::xml_node Prototype(const std::string& text, unsigned options = pugi::parse_default) {
    if (!prototypes) prototypes = doc.append_child(kPrototypes);
    if (!prototypes ||
        prototypes.append_buffer(text.data(), text.size(), options, pugi::encoding_utf8).status !=
            pugi::status_ok)
      throw std::bad_alloc();  // a checked name always parses: only memory can fail
    return prototypes.last_child();
  }

  static constexpr const char* kPrototypes = " prototypes";
  // Null for text that no XML document can hold (control characters).
  const char* Value(std::wstring_view value) {
    for (wchar_t c : value)
      if (!IsXmlChar(c)) return nullptr;
    AssignUtf8(valueBuffer, value);
    return valueBuffer.c_str();
  }

  bool IsDetached(pugi::xml_node node) const {
    return node.parent() == doc && node != root && node != prototypes;
  }

  // Handles come and go by the million: the document counts them and
  // recycles their memory itself, with no lookup of per-thread state.
  std::vector<void*> spareHandles;
  std::thread::id owner = std::this_thread::get_id();

  void Acquire() { ++handles; }

  void Release() {
    if (--handles > 0) return;
    for (pugi::xml_node node : garbage)
      if (IsDetached(node)) Remove(node);
    garbage.clear();
  }

  // Drops a never-appended element at once when nothing can point into it.
  void Discard(pugi::xml_node node) {
    if (!IsDetached(node)) return;
    if (node.first_child())
      garbage.push_back(node);
    else
      Remove(node);
  }

  void Remove(pugi::xml_node node) {
    paths.Forget(node);
    // A count kept for a node removed would be taken for the next node
    // made at its address. Only the removed subtree's counts go: dropping
    // them all made every statement that discards an element recount the
    // map windows.
    for (Listed& entry : listed) {
      pugi::xml_node ancestor(entry.parent);
      while (ancestor && ancestor != node) ancestor = ancestor.parent();
      if (ancestor) entry = {};
    }
    ListedChanged();
    doc.remove_child(node);
  }

  // child, an element, left oldParent (null when new) for parent.
  void Moved(pugi::xml_node oldParent, pugi::xml_node parent, pugi::xml_node child) {
    paths.Moved(oldParent, parent, child);
    pugi::xml_node_struct* const from = oldParent.internal_object();
    pugi::xml_node_struct* const to = parent.internal_object();
    if ((((from != nullptr ? ListedBit(from) : 0) | ListedBit(to)) & listedBits) == 0) return;
    for (Listed& entry : listed) {
      if (entry.parent == nullptr) continue;
      if (entry.parent == from) --entry.count;
      if (entry.parent == to) ++entry.count;
    }
  }

  size_t ElementChildren(pugi::xml_node parent) {
    for (const Listed& entry : listed)
      if (entry.parent == parent.internal_object()) return entry.count;
    Listed& entry = listed[nextListed++ % listed.size()];
    entry = {parent.internal_object(), 0};
    for (const pugi::xml_node child : parent.children()) entry.count += child.type() == pugi::node_element;
    ListedChanged();
    return entry.count;
  }
};
// paths refers to doc, and the list of live states holds the address: a
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
  XmlNode(State& state, pugi::xml_node node) : state_(state), node_(node), creator_(false) {
    state_.Acquire();
  }
  // A new element: made in pugixml only when first needed, so that one
  // appended straight away is made in its place instead of being moved there.
  XmlNode(State& state, pugi::xml_node prototype, bool)
      : state_(state), prototype_(prototype), creator_(true) {
    state_.Acquire();
  }
  ~XmlNode() override {
    if (creator_ && node_) state_.Discard(node_);
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

  void GetNodeName(std::wstring& name) override { name = FromUtf8(node_ ? node_.name() : prototype_.name()); }

  bool GetNodeText(std::wstring& text) override {
    text = FromUtf8(Node().child_value());
    return true;
  }

  // Names made from one prototype share its text: most answers are one
  // comparison of addresses.
  bool HasName(std::wstring_view name) override {
    const pugi::xml_node prototype = state_.ElementPrototype(name);
    if (!prototype) return false;
    const char* mine = node_ ? node_.name() : prototype_.name();
    return mine == prototype.name() || std::strcmp(mine, prototype.name()) == 0;
  }

  void GetChild(std::wstring_view name, QdXmlNode** node) override { *node = Wrap(Select(name)); }

  bool GetAttributeUtf8(std::wstring_view name, std::string& value) override {
    const pugi::xml_attribute prototype = state_.AttributePrototype(name);
    const pugi::xml_attribute attribute =
        prototype ? Node().attribute(prototype.name()) : pugi::xml_attribute();
    if (!attribute) return false;
    value.assign(attribute.value());
    return true;
  }

  bool GetNodeTextUtf8(std::string& text) override {
    text.assign(Node().child_value());
    return true;
  }

  bool GetAttribute(std::wstring_view name, std::wstring& value) override {
    const pugi::xml_attribute attribute = Node().attribute(state_.Name(name));
    if (!attribute) return false;
    value = FromUtf8(attribute.value());
    return true;
  }

  void GetFirstChild(QdXmlNode** node) override { *node = Wrap(Node().find_child(IsElement)); }

  void GetNextSibling(QdXmlNode** node) override {
    pugi::xml_node next = Node().next_sibling();
    while (next && next.type() != pugi::node_element) next = next.next_sibling();
    *node = Wrap(next);
  }

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
    if (other == nullptr || &other->state_ != &state_ || !Node()) return false;
    if (!other->node_) {
      if (!other->Make(node_)) return false;
      state_.Moved(pugi::xml_node(), node_, other->node_);
      return true;
    }
    const pugi::xml_node oldParent = other->node_.parent();
    if (!node_.append_move(other->node_)) return false;
    state_.Moved(oldParent, node_, other->node_);
    return true;
  }

  bool SetText(double value) override { return SetText(FormatNumber(value)); }
  // Text XML cannot hold is refused; past that, pugixml fails only when it
  // runs out of memory, which is no workspace error.
  bool SetText(const std::wstring& text) override {
    const char* value = state_.Value(text);
    if (value == nullptr) return false;
    // An element not made yet has no children: its text goes inside it
    // (printed the same, before any child appended later). Empty text
    // keeps its text node, which prints as a start and an end tag.
    // Text of an element not made yet waits with it, so that one appended
    // next is made in place with its text instead of being moved there.
    if (!node_ && prototype_ && *value != '\0') {
      prototype_ = state_.TextPrototype(prototype_);
      pendingText_.assign(value);
      return true;
    }
    pugi::xml_node node = Node();
    const bool held = *node.value() != '\0';
    if (!node.text().set(value)) throw std::bad_alloc();
    // Emptied, text held in the element is gone: an empty text node keeps
    // the start and end tags that empty text prints as.
    if (held && *value == '\0' && !node.prepend_child(pugi::node_pcdata)) throw std::bad_alloc();
    return true;
  }
  bool SetText(const wchar_t* text) override { return SetText(std::wstring(text ? text : L"")); }

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
    const char* text = state_.Value(value);
    if (text == nullptr) return false;
    const pugi::xml_attribute prototype = state_.AttributePrototype(name);
    if (!prototype) return false;
    pugi::xml_node node = Node();
    // Most attributes go onto elements that have none yet.
    pugi::xml_attribute attribute =
        node.first_attribute() ? node.attribute(prototype.name()) : pugi::xml_attribute();
    if (!attribute) attribute = node.append_copy(prototype);
    if (!attribute || !attribute.set_value(text)) throw std::bad_alloc();
    state_.paths.AttributeSet(node, prototype.name());
    return true;
  }

  bool SetAttribute(std::wstring_view name, double value) override {
    return SetAttribute(name, FormatNumber(value));
  }

 private:
  static bool IsElement(pugi::xml_node node) { return node.type() == pugi::node_element; }

  pugi::xml_node Select(std::wstring_view path) {
    // A bare name, the commonest query, is mostly one of the names last
    // made: found so, it needs no check that it is a name.
    if (const auto& recent = state_.recentElements.Slot(path); State::Holds(recent, path))
      return recent.prototype ? Node().child(recent.prototype.name()) : pugi::xml_node();
    if (IsXmlName(path)) {
      // A name from the tag table stands at the same place every time: its
      // prototype's UTF-8 name is found without converting it again.
      const pugi::xml_node prototype = state_.ElementPrototype(path);
      return prototype ? Node().child(prototype.name()) : pugi::xml_node();
    }
    bool ok = false;
    return state_.paths.SelectFirst(Node(), path, ok);
  }

  QdXmlNode* Wrap(pugi::xml_node node) { return node ? new (state_) XmlNode(state_, node) : nullptr; }

  // Makes the pending element in pugixml as parent's last child.
  pugi::xml_node Make(pugi::xml_node parent) {
    node_ = parent.append_copy(prototype_);
    // The name was checked when the element was created: only memory can fail here.
    if (!node_) throw std::bad_alloc();
    if (!pendingText_.empty()) {
      if (!node_.text().set(pendingText_.c_str())) throw std::bad_alloc();
      pendingText_.clear();
    }
    ++state_.elements;
    prototype_ = pugi::xml_node();
    return node_;
  }

  // The element in pugixml, made as a detached child of the document when
  // still pending (null only when that fails).
  pugi::xml_node Node() {
    if (!node_ && prototype_) Make(state_.doc);
    return node_;
  }

  friend bool brevan::PrintNode(QdXmlNode& node, const std::function<bool(std::string_view)>& write);

  State& state_;
  pugi::xml_node node_;
  pugi::xml_node prototype_;  // what the element is made from, while it is not yet made
  std::string pendingText_;   // its text, while it is not yet made
  bool creator_;              // made by CreateElement: drops the element if never appended
};

// The element children of a node, found when asked: the last one from the
// end, the others counting from the start.
class XmlChildList final : public QdXmlNodeList {
 public:
  XmlChildList(State& state, pugi::xml_node parent) : state_(state), parent_(parent) { state_.Acquire(); }
  ~XmlChildList() override { state_.Release(); }

  bool GetItem(long index, QdXmlNode** node) override {
    *node = nullptr;
    const long count = GetCount();
    if (index < 0 || index >= count) return false;
    pugi::xml_node child;
    if (index == count - 1) {
      for (child = parent_.last_child(); child.type() != pugi::node_element;)
        child = child.previous_sibling();
    } else {
      for (child = parent_.first_child();; child = child.next_sibling())
        if (child.type() == pugi::node_element && index-- == 0) break;
    }
    *node = new (state_) XmlNode(state_, child);
    return true;
  }
  long GetCount() override { return static_cast<long>(state_.ElementChildren(parent_)); }
  long GetLength() override { return GetCount(); }

 private:
  State& state_;
  pugi::xml_node parent_;
};

class XmlNodeList final : public QdXmlNodeList {
 public:
  XmlNodeList(State& state, std::vector<pugi::xml_node> nodes) : state_(state), nodes_(std::move(nodes)) {
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
  std::vector<pugi::xml_node> nodes_;
};

void XmlNode::GetChildNodes(QdXmlNodeList** list) { *list = new XmlChildList(state_, Node()); }

void XmlNode::SelectNodes(const std::wstring& path, QdXmlNodeList** list) {
  bool ok = false;
  std::vector<pugi::xml_node> nodes = state_.paths.Select(Node(), path, ok, false);
  *list = ok ? new XmlNodeList(state_, std::move(nodes)) : nullptr;
}

}  // namespace

XmlDocument::XmlDocument() : state_(std::make_unique<State>()) {}

XmlDocument::~XmlDocument() = default;

QdXmlNode* XmlDocument::CreateElement(std::wstring_view name) {
  const pugi::xml_node prototype = state_->ElementPrototype(name);
  return prototype ? new (*state_) XmlNode(*state_, prototype, true) : nullptr;
}

QdXmlNode* XmlDocument::GetRootElement(std::wstring_view name, const wchar_t*) {
  pugi::xml_node& root = state_->root;
  if (!root) {
    if (!IsXmlName(name)) return nullptr;
    // Before any detached element, so that it is the document element.
    root = state_->doc.prepend_child(state_->Name(name));
  } else if (FromUtf8(root.name()) != name) {
    return nullptr;
  }
  return root ? new (*state_) XmlNode(*state_, root) : nullptr;
}

bool XmlDocument::HasRoot() const { return static_cast<bool>(state_->root); }

bool XmlDocument::RootHasElements() const {
  return state_->root &&
         state_->root.find_child([](pugi::xml_node node) { return node.type() == pugi::node_element; });
}

size_t XmlDocument::DetachedElements() const {
  size_t count = 0;
  for (pugi::xml_node node : state_->doc.children())
    if (state_->IsDetached(node)) ++count;
  return count;
}

namespace {

// Documents of fewer elements are printed on the calling thread alone.
constexpr long kPrintAlongsideElements = 20000;

}  // namespace

bool XmlDocument::WriteXml(const std::function<bool(std::string_view)>& write, bool indent,
                           bool secondThread) const {
  if (!write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")) return false;
  const pugi::xml_node root = state_->root;
  if (!root) return true;
  return PrintElement(root, write, indent, secondThread && state_->elements >= kPrintAlongsideElements) &&
         (indent || write("\n"));
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

// Copies element under parent with text held in elements turned back into
// text nodes: the document handed out is built as a parse would build it.
void CopyElement(pugi::xml_node element, pugi::xml_node parent) {
  pugi::xml_node copy = parent.append_child(element.name());
  if (!copy) throw std::bad_alloc();
  for (pugi::xml_attribute attribute : element.attributes())
    if (!copy.append_attribute(attribute.name()).set_value(attribute.value())) throw std::bad_alloc();
  if (*element.value() != '\0' && !copy.append_child(pugi::node_pcdata).set_value(element.value()))
    throw std::bad_alloc();
  for (pugi::xml_node child : element.children()) {
    if (child.type() == pugi::node_element)
      CopyElement(child, copy);
    else if (!copy.append_copy(child))
      throw std::bad_alloc();
  }
}

}  // namespace

bool XmlDocument::Load(std::string_view xml) {
  State& state = *state_;
  // Only into a document that holds nothing yet: nothing may point into it.
  if (state.root || state.elements > 0 || state.handles > 0 || state.prototypes) return false;
  if (!state.doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8)) {
    state.doc.reset();
    return false;
  }
  state.root = state.doc.document_element();
  return static_cast<bool>(state.root);
}

bool PrintNode(QdXmlNode& node, const std::function<bool(std::string_view)>& write) {
  auto* element = typeid(node) == typeid(XmlNode) ? static_cast<XmlNode*>(&node) : nullptr;
  if (element == nullptr) return false;
  const pugi::xml_node printed = element->Node();
  if (!printed) return false;
  PrintElement(printed, write, true, false);
  return true;
}

void XmlDocument::CopyTo(pugi::xml_document& target) const {
  target.reset();
  const pugi::xml_node root = state_->root;
  if (root) CopyElement(root, target);
}

long LiveNodeHandles() {
  long count = orphanedHandles;
  const std::lock_guard lock(liveStatesMutex);
  for (const State* state : liveStates)
    if (state->owner == std::this_thread::get_id()) count += state->handles;
  return count;
}

}  // namespace brevan
