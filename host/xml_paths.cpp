#include "host/xml_paths.h"

#include <algorithm>

#include "host/text.h"

namespace brevan {

namespace {

// Compiled XPath queries kept at most.
constexpr size_t kPathCacheLimit = 1024;

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

namespace {

// Fills steps in place: a reused SimplePath keeps its strings' memory, so
// the lookups a statement makes per layer allocate nothing.
bool SplitSteps(std::wstring_view text, std::vector<std::string>& steps) {
  size_t begin = 0;
  for (size_t count = 0;; ++count) {
    const size_t slash = text.find(L'/', begin);
    const std::wstring_view step =
        text.substr(begin, slash == std::wstring_view::npos ? slash : slash - begin);
    if (!IsXmlName(step)) return false;
    if (count == steps.size()) steps.emplace_back();
    AssignUtf8(steps[count], step);
    if (slash == std::wstring_view::npos) {
      steps.resize(count + 1);
      return true;
    }
    begin = slash + 1;
  }
}

}  // namespace

bool ParseSimplePath(std::wstring_view path, SimplePath& out) {
  out.anyChild = false;
  out.hasPredicate = false;
  const size_t predicate = path.find(L"[@");
  if (predicate == std::wstring_view::npos) {
    constexpr std::wstring_view kAnyChild = L"child::*";
    if (path == kAnyChild) {
      out.steps.clear();
      return out.anyChild = true;
    }
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
  AssignUtf8(out.attribute, attribute);
  AssignUtf8(out.value, path.substr(equals + 2, path.size() - equals - 4));
  return true;
}

namespace {

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

// Whether the chain from context down to node follows the index's steps.
bool OnSteps(pugi::xml_node context, pugi::xml_node node, const PathIndex& index, size_t depth) {
  for (size_t level = depth; level > 0; --level, node = node.parent())
    if (index.steps[level - 1] != node.name()) return false;
  return node == context;
}

// Whether nothing the index holds can come after node in document order:
// no later sibling on the way up from node to the context follows the steps.
bool LastOnSteps(pugi::xml_node context, pugi::xml_node node) {
  for (; node && node != context; node = node.parent())
    if (node.next_sibling(node.name())) return false;
  return true;
}

}  // namespace

// The nodes that path reaches under context with value in its attribute,
// from the index (built or rebuilt when needed).
const std::vector<pugi::xml_node>& PathEngine::Indexed(pugi::xml_node context, const SimplePath& path) {
  std::string& key = key_;
  key.clear();
  for (const std::string& step : path.steps) key.append(step).push_back('/');
  key.append("@").append(path.attribute);
  auto& byKey = indexes_[context.internal_object()];
  auto at = byKey.find(key);
  if (at == byKey.end()) at = byKey.emplace(key, PathIndex()).first;
  PathIndex& index = at->second;
  contextBits_.set(ContextBit(context.internal_object()));
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
    indexedAttributes_.Add(index.attribute);
    for (const std::string& step : index.steps) stepNames_.Add(step);
    deepestIndex_ = std::max(deepestIndex_, index.steps.size());
  }
  static const std::vector<pugi::xml_node> kNone;
  const auto found = index.byValue.find(path.value);
  return found == index.byValue.end() ? kNone : found->second;
}

// Calls visit(index, depth) for each index whose context is an ancestor
// of node (or node itself) at most deepestIndex_ levels up; depth is how
// far below the context node stands.
template <typename Visit>
void PathEngine::ForIndexesAbove(pugi::xml_node node, size_t depthBelowNode, Visit visit) {
  size_t depth = depthBelowNode;
  for (pugi::xml_node at = node; at && depth <= deepestIndex_; at = at.parent(), ++depth) {
    if (!contextBits_.test(ContextBit(at.internal_object()))) continue;
    const auto found = indexes_.find(at.internal_object());
    if (found == indexes_.end()) continue;
    for (auto& [key, index] : found->second) visit(at, index, depth);
  }
}

// Keeps the indexes_ in step when child leaves oldParent for parent.
void PathEngine::Moved(pugi::xml_node oldParent, pugi::xml_node parent, pugi::xml_node child) {
  if (indexes_.empty()) return;
  if (oldParent && oldParent != doc_)
    ForIndexesAbove(oldParent, 1, [&](pugi::xml_node, PathIndex& index, size_t depth) {
      if (depth <= index.steps.size()) index.stale = true;
    });
  // A node an index holds lies on its steps, and child would be one of
  // them: an element of any other name adds nothing (most appends).
  if (!stepNames_.Contains(child.name())) return;
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
void PathEngine::AttributeSet(pugi::xml_node node, const char* name) {
  if (!indexedAttributes_.Contains(name)) return;
  ForIndexesAbove(node, 0, [&](pugi::xml_node context, PathIndex& index, size_t depth) {
    if (depth == index.steps.size() && index.attribute == name && OnSteps(context, node, index, depth))
      index.stale = true;
  });
}

// Null for a malformed path.
const pugi::xpath_query* PathEngine::Compile(const std::string& path) {
  auto found = compiled_.find(path);
  if (found != compiled_.end()) return &found->second;
  if (compiled_.size() >= kPathCacheLimit) compiled_.clear();
  try {
    pugi::xpath_query query(path.c_str());
    if (!query) return nullptr;
    return &compiled_.emplace(path, std::move(query)).first->second;
  } catch (const pugi::xpath_exception&) {
    return nullptr;
  }
}

// The nodes path selects under context (only the first when asked): an
// index's own list, or scratch filled; ok is false for a malformed path.
const std::vector<pugi::xml_node>& PathEngine::Match(pugi::xml_node context, std::wstring_view path, bool& ok,
                                                     bool first, std::vector<pugi::xml_node>& scratch) {
  if (ParseSimplePath(path, parsed_)) {
    ok = true;
    if (parsed_.hasPredicate && !parsed_.anyChild) return Indexed(context, parsed_);
    Collect(context, parsed_, 0, scratch, first);
    return scratch;
  }
  for (const pugi::xpath_node& hit : Evaluate(context, path, ok))
    if (hit.node()) {
      scratch.push_back(hit.node());
      if (first) break;
    }
  return scratch;
}

std::vector<pugi::xml_node> PathEngine::Select(pugi::xml_node context, std::wstring_view path, bool& ok,
                                               bool first) {
  std::vector<pugi::xml_node> scratch;
  const std::vector<pugi::xml_node>& found = Match(context, path, ok, first, scratch);
  if (&found == &scratch) return scratch;
  return {found.begin(), first && !found.empty() ? found.begin() + 1 : found.end()};
}

pugi::xml_node PathEngine::SelectFirst(pugi::xml_node context, std::wstring_view path, bool& ok) {
  std::vector<pugi::xml_node> scratch;  // no memory taken for an indexed lookup
  const std::vector<pugi::xml_node>& found = Match(context, path, ok, true, scratch);
  return found.empty() ? pugi::xml_node() : found.front();
}

pugi::xpath_node_set PathEngine::Evaluate(pugi::xml_node context, std::wstring_view path, bool& ok) {
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

void PathEngine::Forget(pugi::xml_node node) {
  if (indexes_.empty()) return;
  // Drops the indexes whose context lies in the subtree, by visiting the
  // subtree: removal costs as much anyway, where looking at every index
  // for every removed element grew with the number of indexes.
  std::vector<pugi::xml_node> pending{node};
  while (!pending.empty()) {
    const pugi::xml_node at = pending.back();
    pending.pop_back();
    if (contextBits_.test(ContextBit(at.internal_object()))) indexes_.erase(at.internal_object());
    for (pugi::xml_node child = at.first_child(); child; child = child.next_sibling())
      pending.push_back(child);
  }
}

}  // namespace brevan
