#include "host/xml_document.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <pugixml.hpp>
#include <unordered_map>
#include <vector>

#include "host/text.h"

namespace brevan {

namespace {

std::atomic<long> liveHandles{0};

// Compiled paths kept for reuse; bounded, since made-unique names give every
// query a path of its own.
constexpr size_t kPathCacheLimit = 1024;

bool IsNameStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c >= 0x80;
}

bool IsNameChar(wchar_t c) { return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.'; }

bool IsXmlName(std::wstring_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (wchar_t c : name)
    if (!IsNameChar(c)) return false;
  return true;
}

// The paths the translator builds: steps of element names, the last one
// optionally "child::*" or carrying [@attribute="value"]. They are matched
// directly, the value literally, so a value holding quotes or brackets is
// looked up as written instead of breaking or changing the query.
struct SimplePath {
  std::vector<std::string> steps;
  bool anyChild = false;  // last step is child::*
  bool hasPredicate = false;
  std::string attribute;
  std::string value;
};

bool SplitSteps(std::wstring_view text, std::vector<std::string>& steps) {
  size_t begin = 0;
  for (;;) {
    const size_t slash = text.find(L'/', begin);
    const std::wstring_view step =
        text.substr(begin, slash == std::wstring_view::npos ? slash : slash - begin);
    if (!IsXmlName(step)) return false;
    steps.push_back(ToUtf8(step));
    if (slash == std::wstring_view::npos) return true;
    begin = slash + 1;
  }
}

bool ParseSimplePath(std::wstring_view path, SimplePath& out) {
  const size_t predicate = path.find(L"[@");
  if (predicate == std::wstring_view::npos) {
    constexpr std::wstring_view kAnyChild = L"child::*";
    if (path == kAnyChild) return out.anyChild = true;
    if (path.size() > kAnyChild.size() && path.substr(path.size() - kAnyChild.size()) == kAnyChild &&
        path[path.size() - kAnyChild.size() - 1] == L'/') {
      out.anyChild = true;
      return SplitSteps(path.substr(0, path.size() - kAnyChild.size() - 1), out.steps);
    }
    return SplitSteps(path, out.steps);
  }
  const size_t equals = path.find(L"=\"", predicate);
  if (equals == std::wstring_view::npos || path.size() < equals + 4 || path.substr(path.size() - 2) != L"\"]")
    return false;
  const std::wstring_view attribute = path.substr(predicate + 2, equals - predicate - 2);
  if (!IsXmlName(attribute) || !SplitSteps(path.substr(0, predicate), out.steps)) return false;
  out.hasPredicate = true;
  out.attribute = ToUtf8(attribute);
  out.value = ToUtf8(path.substr(equals + 2, path.size() - equals - 4));
  return true;
}

// Appends the matches of steps[depth…] under node, in document order;
// stops after the first when only one is wanted.
bool Collect(pugi::xml_node node, const SimplePath& path, size_t depth, std::vector<pugi::xml_node>& out,
             bool first) {
  if (depth == path.steps.size()) {
    if (!path.anyChild) {
      out.push_back(node);
      return first;
    }
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      out.push_back(child);
      if (first) return true;
    }
    return false;
  }
  const bool last = depth + 1 == path.steps.size() && !path.anyChild;
  for (pugi::xml_node child = node.child(path.steps[depth].c_str()); child;
       child = child.next_sibling(path.steps[depth].c_str())) {
    if (last && path.hasPredicate) {
      const pugi::xml_attribute attribute = child.attribute(path.attribute.c_str());
      if (!attribute || path.value != attribute.value()) continue;
    }
    if (Collect(child, path, depth + 1, out, first)) return true;
  }
  return false;
}

}  // namespace

// Lookups by attribute value under one context node: every node that the
// steps reach, by its value of the attribute, in document order. Kept up to
// date as nodes are appended; anything it cannot follow marks it stale.
struct PathIndex {
  std::vector<std::string> steps;
  std::string attribute;
  std::unordered_map<std::string, std::vector<pugi::xml_node>> byValue;
  bool stale = true;
};

struct XmlDocument::State {
  pugi::xml_document doc;
  pugi::xml_node root;  // the one element that the document writes
  long handles = 0;
  // Indexes by their context node, then by steps and attribute.
  std::unordered_map<pugi::xml_node_struct*, std::unordered_map<std::string, PathIndex>> indexes;
  // One bit per hash of a context node: most nodes are no context, and a
  // clear bit says so without a lookup.
  std::bitset<4096> contextBits;
  static size_t ContextBit(pugi::xml_node_struct* node) {
    return (reinterpret_cast<uintptr_t>(node) >> 4) % 4096;
  }
  std::vector<std::string> indexedAttributes;  // attribute names any index uses
  // Reused buffers for names and values on their way to pugixml.
  std::string nameBuffer;
  std::string valueBuffer;
  const char* Name(std::wstring_view name) {
    AssignUtf8(nameBuffer, name);
    return nameBuffer.c_str();
  }
  const char* Value(std::wstring_view value) {
    AssignUtf8(valueBuffer, value);
    return valueBuffer.c_str();
  }
  size_t deepestIndex = 0;  // the most steps of any index
  // Elements created but never appended, waiting until no handle can reach them.
  std::vector<pugi::xml_node> garbage;
  std::unordered_map<std::string, pugi::xpath_query> paths;

  bool IsDetached(pugi::xml_node node) const { return node.parent() == doc && node != root; }

  void Acquire() {
    ++handles;
    ++liveHandles;
  }

  void Release() {
    --liveHandles;
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

  // Removes a detached element with the indexes whose context lies in it.
  void Remove(pugi::xml_node node) {
    if (!indexes.empty()) {
      if (!node.first_child()) {
        indexes.erase(node.internal_object());
      } else {
        std::erase_if(indexes, [&](const auto& entry) { return TopOf(pugi::xml_node(entry.first)) == node; });
      }
    }
    doc.remove_child(node);
  }

  pugi::xml_node TopOf(pugi::xml_node node) const {
    while (node.parent() && node.parent() != doc) node = node.parent();
    return node;
  }

  // The nodes that path reaches under context with value in its attribute,
  // from the index (built or rebuilt when needed).
  const std::vector<pugi::xml_node>& Indexed(pugi::xml_node context, const SimplePath& path) {
    std::string key;
    for (const std::string& step : path.steps) key.append(step).push_back('/');
    key.append("@").append(path.attribute);
    PathIndex& index = indexes[context.internal_object()][key];
    contextBits.set(ContextBit(context.internal_object()));
    if (index.stale) {
      index.steps = path.steps;
      index.attribute = path.attribute;
      index.byValue.clear();
      SimplePath all = path;
      all.hasPredicate = false;
      std::vector<pugi::xml_node> members;
      Collect(context, all, 0, members, false);
      for (pugi::xml_node member : members) {
        const pugi::xml_attribute value = member.attribute(index.attribute.c_str());
        if (value) index.byValue[value.value()].push_back(member);
      }
      index.stale = false;
      if (std::find(indexedAttributes.begin(), indexedAttributes.end(), index.attribute) ==
          indexedAttributes.end())
        indexedAttributes.push_back(index.attribute);
      deepestIndex = std::max(deepestIndex, index.steps.size());
    }
    static const std::vector<pugi::xml_node> kNone;
    const auto found = index.byValue.find(path.value);
    return found == index.byValue.end() ? kNone : found->second;
  }

  // Calls visit(index, depth) for each index whose context is an ancestor
  // of node (or node itself) at most deepestIndex levels up; depth is how
  // far below the context node stands.
  template <typename Visit>
  void ForIndexesAbove(pugi::xml_node node, size_t depthBelowNode, Visit visit) {
    size_t depth = depthBelowNode;
    for (pugi::xml_node at = node; at && depth <= deepestIndex; at = at.parent(), ++depth) {
      if (!contextBits.test(ContextBit(at.internal_object()))) continue;
      const auto found = indexes.find(at.internal_object());
      if (found == indexes.end()) continue;
      for (auto& [key, index] : found->second) visit(at, index, depth);
    }
  }

  // Whether the chain from context down to node follows the index's steps.
  static bool OnSteps(pugi::xml_node context, pugi::xml_node node, const PathIndex& index, size_t depth) {
    for (size_t level = depth; level > 0; --level, node = node.parent())
      if (index.steps[level - 1] != node.name()) return false;
    return node == context;
  }

  // Whether nothing the index holds can come after node in document order:
  // no later sibling on the way up from node to the context follows the steps.
  static bool LastOnSteps(pugi::xml_node context, pugi::xml_node node) {
    for (; node && node != context; node = node.parent())
      if (node.next_sibling(node.name())) return false;
    return true;
  }

  // Keeps the indexes in step when child leaves oldParent for parent.
  void Moved(pugi::xml_node oldParent, pugi::xml_node parent, pugi::xml_node child) {
    if (indexes.empty()) return;
    if (oldParent && oldParent != doc)
      ForIndexesAbove(oldParent, 1, [&](pugi::xml_node, PathIndex& index, size_t depth) {
        if (depth <= index.steps.size()) index.stale = true;
      });
    ForIndexesAbove(parent, 1, [&](pugi::xml_node context, PathIndex& index, size_t depth) {
      if (index.stale || depth > index.steps.size() || !OnSteps(context, child, index, depth)) return;
      if (!LastOnSteps(context, child)) {
        index.stale = true;
        return;
      }
      SimplePath rest;
      rest.steps.assign(index.steps.begin() + static_cast<long>(depth), index.steps.end());
      std::vector<pugi::xml_node> members;
      Collect(child, rest, 0, members, false);
      for (pugi::xml_node member : members) {
        const pugi::xml_attribute value = member.attribute(index.attribute.c_str());
        if (value) index.byValue[value.value()].push_back(member);
      }
    });
  }

  // An attribute that an index may hold changes: the index cannot follow.
  void AttributeSet(pugi::xml_node node, const std::string& name) {
    if (std::find(indexedAttributes.begin(), indexedAttributes.end(), name) == indexedAttributes.end())
      return;
    ForIndexesAbove(node, 0, [&](pugi::xml_node context, PathIndex& index, size_t depth) {
      if (depth == index.steps.size() && index.attribute == name && OnSteps(context, node, index, depth))
        index.stale = true;
    });
  }

  // Null for a malformed path.
  const pugi::xpath_query* Compile(const std::string& path) {
    auto found = paths.find(path);
    if (found != paths.end()) return &found->second;
    if (paths.size() >= kPathCacheLimit) paths.clear();
    try {
      pugi::xpath_query query(path.c_str());
      if (!query) return nullptr;
      return &paths.emplace(path, std::move(query)).first->second;
    } catch (const pugi::xpath_exception&) {
      return nullptr;
    }
  }

  // The nodes path selects under context; ok is false for a malformed path.
  std::vector<pugi::xml_node> Select(pugi::xml_node context, const std::wstring& path, bool& ok, bool first) {
    std::vector<pugi::xml_node> nodes;
    SimplePath simple;
    if (ParseSimplePath(path, simple)) {
      ok = true;
      if (simple.hasPredicate && !simple.anyChild) {
        const std::vector<pugi::xml_node>& found = Indexed(context, simple);
        nodes.assign(found.begin(), first && !found.empty() ? found.begin() + 1 : found.end());
      } else {
        Collect(context, simple, 0, nodes, first);
      }
      return nodes;
    }
    for (const pugi::xpath_node& hit : Evaluate(context, path, ok))
      if (hit.node()) {
        nodes.push_back(hit.node());
        if (first) break;
      }
    return nodes;
  }

  pugi::xpath_node_set Evaluate(pugi::xml_node context, const std::wstring& path, bool& ok) {
    ok = false;
    const pugi::xpath_query* query = Compile(ToUtf8(path));
    if (query == nullptr) return {};
    try {
      pugi::xpath_node_set result = query->evaluate_node_set(context);
      ok = true;
      return result;
    } catch (const pugi::xpath_exception&) {
      return {};
    }
  }
};

namespace {

using State = XmlDocument::State;

class XmlNode final : public QdXmlNode {
 public:
  XmlNode(State& state, pugi::xml_node node, bool creator = false)
      : state_(state), node_(node), creator_(creator) {
    state_.Acquire();
  }
  ~XmlNode() override {
    if (creator_) state_.Discard(node_);
    state_.Release();
  }

  pugi::xml_node Native() const { return node_; }
  State& Owner() const { return state_; }

  void GetNodeName(std::wstring& name) override { name = FromUtf8(node_.name()); }

  bool GetNodeText(std::wstring& text) override {
    text = FromUtf8(node_.child_value());
    return true;
  }

  bool GetAttribute(std::wstring_view name, std::wstring& value) override {
    const pugi::xml_attribute attribute = node_.attribute(state_.Name(name));
    if (!attribute) return false;
    value = FromUtf8(attribute.value());
    return true;
  }

  void GetFirstChild(QdXmlNode** node) override { *node = Wrap(node_.find_child(IsElement)); }

  void GetNextSibling(QdXmlNode** node) override {
    pugi::xml_node next = node_.next_sibling();
    while (next && next.type() != pugi::node_element) next = next.next_sibling();
    *node = Wrap(next);
  }

  void GetChildNodes(QdXmlNodeList** list) override;

  void SelectSingleNode(const std::wstring& path, QdXmlNode** node) override {
    if (IsXmlName(path)) {  // a bare name, the commonest query
      *node = Wrap(node_.child(state_.Name(path)));
      return;
    }
    bool ok = false;
    const std::vector<pugi::xml_node> found = state_.Select(node_, path, ok, true);
    *node = found.empty() ? nullptr : Wrap(found.front());
  }

  void SelectSingleNode(const wchar_t* path, QdXmlNode** node) override {
    SelectSingleNode(std::wstring(path ? path : L""), node);
  }

  void SelectNodes(const std::wstring& path, QdXmlNodeList** list) override;

  bool AppendChild(QdXmlNode* child) override {
    auto* other = dynamic_cast<XmlNode*>(child);
    if (other == nullptr || &other->state_ != &state_ || !node_) return false;
    const pugi::xml_node oldParent = other->node_.parent();
    if (!node_.append_move(other->node_)) return false;
    state_.Moved(oldParent, node_, other->node_);
    return true;
  }

  bool SetText(double value) override { return SetText(FormatNumber(value)); }
  bool SetText(const std::wstring& text) override { return node_.text().set(state_.Value(text)); }
  bool SetText(const wchar_t* text) override { return SetText(std::wstring(text ? text : L"")); }

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
    if (!IsXmlName(name)) return false;
    const char* key = state_.Name(name);
    pugi::xml_attribute attribute = node_.attribute(key);
    if (!attribute) attribute = node_.append_attribute(key);
    if (!attribute || !attribute.set_value(state_.Value(value))) return false;
    state_.AttributeSet(node_, state_.nameBuffer);
    return true;
  }

  bool SetAttribute(std::wstring_view name, double value) override {
    return SetAttribute(name, FormatNumber(value));
  }

 private:
  static bool IsElement(pugi::xml_node node) { return node.type() == pugi::node_element; }

  QdXmlNode* Wrap(pugi::xml_node node) { return node ? new XmlNode(state_, node) : nullptr; }

  State& state_;
  pugi::xml_node node_;
  bool creator_;  // made by CreateElement: drops the element if never appended
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
    *node = new XmlNode(state_, nodes_[index]);
    return true;
  }
  long GetCount() override { return static_cast<long>(nodes_.size()); }
  long GetLength() override { return static_cast<long>(nodes_.size()); }

 private:
  State& state_;
  std::vector<pugi::xml_node> nodes_;
};

void XmlNode::GetChildNodes(QdXmlNodeList** list) {
  std::vector<pugi::xml_node> nodes;
  for (pugi::xml_node child : node_.children())
    if (IsElement(child)) nodes.push_back(child);
  *list = new XmlNodeList(state_, std::move(nodes));
}

void XmlNode::SelectNodes(const std::wstring& path, QdXmlNodeList** list) {
  bool ok = false;
  std::vector<pugi::xml_node> nodes = state_.Select(node_, path, ok, false);
  *list = ok ? new XmlNodeList(state_, std::move(nodes)) : nullptr;
}

}  // namespace

XmlDocument::XmlDocument() : state_(std::make_unique<State>()) {}

XmlDocument::~XmlDocument() = default;

QdXmlNode* XmlDocument::CreateElement(std::wstring_view name) {
  if (!IsXmlName(name)) return nullptr;
  pugi::xml_node node = state_->doc.append_child(state_->Name(name));
  if (!node) return nullptr;
  return new XmlNode(*state_, node, true);
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
  return root ? new XmlNode(*state_, root) : nullptr;
}

bool XmlDocument::HasRoot() const { return static_cast<bool>(state_->root); }

namespace {

// Hands what pugixml writes to a function, without a stream in between.
class FunctionWriter final : public pugi::xml_writer {
 public:
  explicit FunctionWriter(const std::function<bool(std::string_view)>& write) : write_(write) {}
  void write(const void* data, size_t size) override {
    if (ok_) ok_ = write_(std::string_view(static_cast<const char*>(data), size));
  }
  bool ok() const { return ok_; }

 private:
  const std::function<bool(std::string_view)>& write_;
  bool ok_ = true;
};

}  // namespace

bool XmlDocument::WriteXml(const std::function<bool(std::string_view)>& write, bool indent) const {
  if (!write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")) return false;
  const pugi::xml_node root = state_->root;
  if (!root) return true;
  FunctionWriter writer(write);
  root.print(writer, "  ", indent ? pugi::format_indent : pugi::format_raw);
  return writer.ok() && (indent || write("\n"));
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

void XmlDocument::CopyTo(pugi::xml_document& target) const {
  target.reset();
  const pugi::xml_node root = state_->root;
  if (root) target.append_copy(root);
}

long LiveNodeHandles() { return liveHandles.load(); }

}  // namespace brevan
