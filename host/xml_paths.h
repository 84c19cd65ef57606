// Paths over the document: the shapes that the translator builds, matched
// directly (and, with an attribute predicate, from indexes kept up to date
// as the tree grows). Any other path is malformed and selects nothing.
// Part of the document's implementation: only the host's xml_*.cpp files
// include it.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/xml_tree.h"

namespace brevan::xml {

// The paths the translator builds: steps of element names, the last one
// optionally "child::*" or carrying [@attribute="value"]. The value is
// matched literally, so a value holding quotes or brackets is looked up as
// written instead of breaking or changing the query.
struct SimplePath {
  std::vector<Id> steps;
  bool anyChild = false;  // last step is child::*
  bool hasPredicate = false;
  bool unknownName = false;  // names a step or attribute the document has never had
  Id attribute = kNone;
  std::string value;
};

// Parses the shapes above, names as the tree numbers them; false for any other path.
bool ParseSimplePath(const Tree& tree, std::wstring_view path, SimplePath& out);

// Lookups by attribute value under one context node: every node that the
// steps reach, by its value of the attribute, in document order. Kept up to
// date as nodes are appended; anything it cannot follow marks it stale.
struct PathIndex {
  std::vector<Id> steps;
  Id attribute = kNone;
  std::unordered_map<std::string, std::vector<Id>> byValue;
  bool stale = true;
};

class PathEngine {
 public:
  explicit PathEngine(const Tree& tree) : tree_(tree) {}

  // The nodes path selects under context, in document order (only the
  // first when asked); ok is false for a malformed path.
  std::vector<Id> Select(Id context, std::wstring_view path, bool& ok, bool first);
  // The first of them, or kNone.
  Id SelectFirst(Id context, std::wstring_view path, bool& ok);
  // Keeps the indexes in step when child leaves oldParent (kNone when new) for parent.
  void Moved(Id oldParent, Id parent, Id child);
  // An attribute was set on node.
  void AttributeSet(Id node, Id name);
  // node, a detached element, is about to be given back with everything in it.
  void Forget(Id node) noexcept;

 private:
  const std::vector<Id>& Indexed(Id context, const SimplePath& path);
  const std::vector<Id>& Match(Id context, std::wstring_view path, bool& ok, bool first,
                               std::vector<Id>& scratch);
  template <typename Visit>
  void ForIndexesAbove(Id node, size_t depthBelowNode, Visit visit);

  static size_t ContextBit(Id node) { return node % 4096; }
  static bool Has(const std::vector<bool>& names, Id name) { return name < names.size() && names[name]; }
  static void Add(std::vector<bool>& names, Id name) {
    if (name >= names.size()) names.resize(name + 1);
    names[name] = true;
  }

  const Tree& tree_;
  // Indexes by their context node, then by steps and attribute.
  std::unordered_map<Id, std::unordered_map<std::string, PathIndex>> indexes_;
  // One bit per hash of a context node: most nodes are no context, and a
  // clear bit says so without a lookup.
  std::bitset<4096> contextBits_;
  // Names that any index uses, by number: as an attribute, as a step.
  std::vector<bool> indexedAttributes_;
  std::vector<bool> stepNames_;
  size_t deepestIndex_ = 0;  // the most steps of any index
  SimplePath parsed_;        // the path being looked up, its memory kept for the next
  std::string key_;          // its index key, likewise
};

}  // namespace brevan::xml
