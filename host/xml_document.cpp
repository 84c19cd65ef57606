#include "host/xml_document.h"

#include <atomic>
#include <pugixml.hpp>
#include <sstream>
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

struct XmlDocument::State {
  pugi::xml_document doc;
  pugi::xml_node root;  // the one element that the document writes
  long handles = 0;
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
      if (IsDetached(node)) doc.remove_child(node);
    garbage.clear();
  }

  // Drops a never-appended element at once when nothing can point into it.
  void Discard(pugi::xml_node node) {
    if (!IsDetached(node)) return;
    if (node.first_child())
      garbage.push_back(node);
    else
      doc.remove_child(node);
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
      Collect(context, simple, 0, nodes, first);
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

  bool GetAttribute(const std::wstring& name, std::wstring& value) override {
    const pugi::xml_attribute attribute = node_.attribute(ToUtf8(name).c_str());
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
    return static_cast<bool>(node_.append_move(other->node_));
  }

  bool SetText(double value) override { return SetText(FormatNumber(value)); }
  bool SetText(const std::wstring& text) override { return node_.text().set(ToUtf8(text).c_str()); }
  bool SetText(const wchar_t* text) override { return SetText(std::wstring(text ? text : L"")); }

  bool SetAttribute(const std::wstring& name, const std::wstring& value) override {
    if (!IsXmlName(name)) return false;
    const std::string key = ToUtf8(name);
    pugi::xml_attribute attribute = node_.attribute(key.c_str());
    if (!attribute) attribute = node_.append_attribute(key.c_str());
    return attribute && attribute.set_value(ToUtf8(value).c_str());
  }

  bool SetAttribute(const std::wstring& name, double value) override {
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

QdXmlNode* XmlDocument::CreateElement(const std::wstring& name) {
  if (!IsXmlName(name)) return nullptr;
  pugi::xml_node node = state_->doc.append_child(ToUtf8(name).c_str());
  if (!node) return nullptr;
  return new XmlNode(*state_, node, true);
}

QdXmlNode* XmlDocument::GetRootElement(const std::wstring& name, const wchar_t*) {
  pugi::xml_node& root = state_->root;
  if (!root) {
    if (!IsXmlName(name)) return nullptr;
    // Before any detached element, so that it is the document element.
    root = state_->doc.prepend_child(ToUtf8(name).c_str());
  } else if (FromUtf8(root.name()) != name) {
    return nullptr;
  }
  return root ? new XmlNode(*state_, root) : nullptr;
}

bool XmlDocument::HasRoot() const { return static_cast<bool>(state_->root); }

std::string XmlDocument::ToXml(bool indent) const {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const pugi::xml_node root = state_->root;
  if (root) {
    const unsigned flags = indent ? pugi::format_indent : pugi::format_raw;
    root.print(out, "  ", flags);
    if (!indent) out << '\n';
  }
  return out.str();
}

void XmlDocument::CopyTo(pugi::xml_document& target) const {
  target.reset();
  const pugi::xml_node root = state_->root;
  if (root) target.append_copy(root);
}

long LiveNodeHandles() { return liveHandles.load(); }

}  // namespace brevan
