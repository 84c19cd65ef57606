#include "host/xml_paths.h"

#include <algorithm>

#include "host/text.h"

namespace brevan::xml {

namespace {

// The number of a step's name, kNone with unknown set when the document
// has no such name; false when step is no name.
bool StepName(const Tree& tree, std::wstring_view step, Id& id, bool& unknown) {
  if (!IsXmlName(step)) return false;
  id = tree.Find(step);
  unknown = unknown || id == kNone;
  return true;
}

bool SplitSteps(const Tree& tree, std::wstring_view text, SimplePath& out) {
  out.steps.clear();
  size_t begin = 0;
  for (;;) {
    const size_t slash = text.find(L'/', begin);
    const std::wstring_view step =
        text.substr(begin, slash == std::wstring_view::npos ? slash : slash - begin);
    Id id = kNone;
    if (!StepName(tree, step, id, out.unknownName)) return false;
    out.steps.push_back(id);
    if (slash == std::wstring_view::npos) return true;
    begin = slash + 1;
  }
}

}  // namespace

bool ParseSimplePath(const Tree& tree, std::wstring_view path, SimplePath& out) {
  out.anyChild = false;
  out.hasPredicate = false;
  out.unknownName = false;
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
      return SplitSteps(tree, path.substr(0, path.size() - kAnyChild.size() - 1), out);
    }
    return SplitSteps(tree, path, out);
  }
  const size_t equals = path.find(L"=\"", predicate);
  if (equals == std::wstring_view::npos || path.size() < equals + 4 || path.substr(path.size() - 2) != L"\"]")
    return false;
  if (!SplitSteps(tree, path.substr(0, predicate), out) ||
      !StepName(tree, path.substr(predicate + 2, equals - predicate - 2), out.attribute, out.unknownName))
    return false;
  out.hasPredicate = true;
  AssignUtf8(out.value, path.substr(equals + 2, path.size() - equals - 4));
  return true;
}

namespace {

// Appends the matches of steps[depth…] under node, in document order;
// stops after the first when only one is wanted.
bool Collect(const Tree& tree, Id node, const SimplePath& path, size_t depth, std::vector<Id>& out,
             bool first) {
  if (depth == path.steps.size()) {
    if (!path.anyChild) {
      out.push_back(node);
      return first;
    }
    for (Id child = tree.FirstElement(node); child != kNone; child = tree.NextElement(child)) {
      out.push_back(child);
      if (first) return true;
    }
    return false;
  }
  const bool last = depth + 1 == path.steps.size() && !path.anyChild;
  for (Id child = tree.Child(node, path.steps[depth]); child != kNone; child = tree.NextNamed(child)) {
    if (last && path.hasPredicate) {
      const Id attribute = tree.AttributeOf(child, path.attribute);
      if (attribute == kNone || path.value != tree.Value(attribute)) continue;
    }
    if (Collect(tree, child, path, depth + 1, out, first)) return true;
  }
  return false;
}

// Whether the chain from context down to node follows the index's steps.
bool OnSteps(const Tree& tree, Id context, Id node, const PathIndex& index, size_t depth) {
  for (size_t level = depth; level > 0; --level, node = tree.nodes[node].parent)
    if (node == kNone || index.steps[level - 1] != tree.nodes[node].name) return false;
  return node == context;
}

// Whether nothing the index holds can come after node in document order:
// no later sibling on the way up from node to the context follows the steps.
bool LastOnSteps(const Tree& tree, Id context, Id node) {
  for (; node != kNone && node != context; node = tree.nodes[node].parent)
    if (tree.NextNamed(node) != kNone) return false;
  return true;
}

void AddMembers(const Tree& tree, Id from, const SimplePath& rest, PathIndex& index) {
  std::vector<Id> members;
  Collect(tree, from, rest, 0, members, false);
  for (const Id member : members) {
    const Id value = tree.AttributeOf(member, index.attribute);
    if (value != kNone) index.byValue[std::string(tree.Value(value))].push_back(member);
  }
}

}  // namespace

// The nodes that path reaches under context with value in its attribute,
// from the index (built or rebuilt when needed).
const std::vector<Id>& PathEngine::Indexed(Id context, const SimplePath& path) {
  std::string& key = key_;
  key.assign(reinterpret_cast<const char*>(path.steps.data()), path.steps.size() * sizeof(Id));
  key.append(reinterpret_cast<const char*>(&path.attribute), sizeof(Id));
  auto& byKey = indexes_[context];
  auto at = byKey.find(key);
  if (at == byKey.end()) at = byKey.emplace(key, PathIndex()).first;
  PathIndex& index = at->second;
  contextBits_.set(ContextBit(context));
  if (index.stale) {
    index.steps = path.steps;
    index.attribute = path.attribute;
    index.byValue.clear();
    SimplePath all = path;
    all.hasPredicate = false;
    AddMembers(tree_, context, all, index);
    index.stale = false;
    Add(indexedAttributes_, index.attribute);
    for (const Id step : index.steps) Add(stepNames_, step);
    deepestIndex_ = std::max(deepestIndex_, index.steps.size());
  }
  static const std::vector<Id> kNoNodes;
  const auto found = index.byValue.find(path.value);
  return found == index.byValue.end() ? kNoNodes : found->second;
}

// Calls visit(context, index, depth) for each index whose context is an
// ancestor of node (or node itself) at most deepestIndex_ levels up; depth
// is how far below the context node stands.
template <typename Visit>
void PathEngine::ForIndexesAbove(Id node, size_t depthBelowNode, Visit visit) {
  size_t depth = depthBelowNode;
  for (Id at = node; at != kNone && depth <= deepestIndex_; at = tree_.nodes[at].parent, ++depth) {
    if (!contextBits_.test(ContextBit(at))) continue;
    const auto found = indexes_.find(at);
    if (found == indexes_.end()) continue;
    for (auto& [key, index] : found->second) visit(at, index, depth);
  }
}

void PathEngine::Moved(Id oldParent, Id parent, Id child) {
  if (indexes_.empty()) return;
  if (oldParent != kNone)
    ForIndexesAbove(oldParent, 1, [&](Id, PathIndex& index, size_t depth) {
      if (depth <= index.steps.size()) index.stale = true;
    });
  // A node an index holds lies on its steps, and child would be one of
  // them: an element of any other name adds nothing (most appends).
  if (!Has(stepNames_, tree_.nodes[child].name)) return;
  ForIndexesAbove(parent, 1, [&](Id context, PathIndex& index, size_t depth) {
    if (index.stale || depth > index.steps.size() || !OnSteps(tree_, context, child, index, depth)) return;
    if (!LastOnSteps(tree_, context, child)) {
      index.stale = true;
      return;
    }
    SimplePath rest;
    rest.steps.assign(index.steps.begin() + static_cast<long>(depth), index.steps.end());
    AddMembers(tree_, child, rest, index);
  });
}

// An attribute that an index may hold changes: the index cannot follow.
void PathEngine::AttributeSet(Id node, Id name) {
  if (!Has(indexedAttributes_, name)) return;
  ForIndexesAbove(node, 0, [&](Id context, PathIndex& index, size_t depth) {
    if (depth == index.steps.size() && index.attribute == name && OnSteps(tree_, context, node, index, depth))
      index.stale = true;
  });
}

const std::vector<Id>& PathEngine::Match(Id context, std::wstring_view path, bool& ok, bool first,
                                         std::vector<Id>& scratch) {
  ok = ParseSimplePath(tree_, path, parsed_);
  // A name the document never had: nothing to find, and nothing to index.
  if (!ok || parsed_.unknownName) return scratch;
  if (parsed_.hasPredicate && !parsed_.anyChild) return Indexed(context, parsed_);
  Collect(tree_, context, parsed_, 0, scratch, first);
  return scratch;
}

std::vector<Id> PathEngine::Select(Id context, std::wstring_view path, bool& ok, bool first) {
  std::vector<Id> scratch;
  const std::vector<Id>& found = Match(context, path, ok, first, scratch);
  if (&found == &scratch) return scratch;
  return {found.begin(), first && !found.empty() ? found.begin() + 1 : found.end()};
}

Id PathEngine::SelectFirst(Id context, std::wstring_view path, bool& ok) {
  std::vector<Id> scratch;  // no memory taken for an indexed lookup
  const std::vector<Id>& found = Match(context, path, ok, true, scratch);
  return found.empty() ? kNone : found.front();
}

void PathEngine::Forget(Id node) noexcept {
  if (indexes_.empty()) return;
  // Drops the indexes whose context lies in the subtree, visiting it by
  // the tree's own links: this runs in destructors, so it allocates nothing.
  Id at = node;
  for (;;) {
    if (contextBits_.test(ContextBit(at))) indexes_.erase(at);
    if (tree_.nodes[at].first != kNone) {
      at = tree_.nodes[at].first;
      continue;
    }
    while (at != node && tree_.nodes[at].next == kNone) at = tree_.nodes[at].parent;
    if (at == node) return;
    at = tree_.nodes[at].next;
  }
}

}  // namespace brevan::xml
