// Paths over the document: the shapes that the translator builds are
// matched directly (and, with an attribute predicate, from indexes kept up
// to date as the tree grows); any other path goes to pugixml's XPath
// engine. Part of the document's implementation: only host/xml_document.cpp
// and host/xml_paths.cpp include it.
#pragma once

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brevan {

// Whether name is an XML name (the names the document accepts).
bool IsXmlName(std::wstring_view name);

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

// Parses the shapes above; false for any other path.
bool ParseSimplePath(std::wstring_view path, SimplePath& out);

// Lookups by attribute value under one context node: every node that the
// steps reach, by its value of the attribute, in document order. Kept up to
// date as nodes are appended; anything it cannot follow marks it stale.
struct PathIndex {
  std::vector<std::string> steps;
  std::string attribute;
  std::unordered_map<std::string, std::vector<pugi::xml_node>> byValue;
  bool stale = true;
};

class PathEngine {
 public:
  explicit PathEngine(const pugi::xml_document& doc) : doc_(doc) {}

  // The nodes path selects under context, in document order (only the
  // first when asked); ok is false for a malformed path.
  std::vector<pugi::xml_node> Select(pugi::xml_node context, std::wstring_view path, bool& ok, bool first);
  // The first of them, or a null node.
  pugi::xml_node SelectFirst(pugi::xml_node context, std::wstring_view path, bool& ok);
  // Keeps the indexes in step when child leaves oldParent for parent.
  void Moved(pugi::xml_node oldParent, pugi::xml_node parent, pugi::xml_node child);
  // An attribute was set on node.
  void AttributeSet(pugi::xml_node node, const char* name);
  // node, a detached element, is about to be removed with everything in it.
  void Forget(pugi::xml_node node);

 private:
  const std::vector<pugi::xml_node>& Indexed(pugi::xml_node context, const SimplePath& path);
  const std::vector<pugi::xml_node>& Match(pugi::xml_node context, std::wstring_view path, bool& ok,
                                           bool first, std::vector<pugi::xml_node>& scratch);
  template <typename Visit>
  void ForIndexesAbove(pugi::xml_node node, size_t depthBelowNode, Visit visit);
  const pugi::xpath_query* Compile(const std::string& path);
  pugi::xpath_node_set Evaluate(pugi::xml_node context, std::wstring_view path, bool& ok);

  static size_t ContextBit(pugi::xml_node_struct* node) {
    return (reinterpret_cast<uintptr_t>(node) >> 4) % 4096;
  }

  const pugi::xml_document& doc_;
  // Indexes by their context node, then by steps and attribute.
  std::unordered_map<pugi::xml_node_struct*, std::unordered_map<std::string, PathIndex>> indexes_;
  // One bit per hash of a context node: most nodes are no context, and a
  // clear bit says so without a lookup.
  std::bitset<4096> contextBits_;
  // A few names, with a filter that answers most "not one of them" (every
  // append asks) without comparing text.
  class NameSet {
   public:
    void Add(std::string_view name) {
      if (Contains(name)) return;
      names_.emplace_back(name);
      filter_.set(Bit(name.empty() ? '\0' : name[0], name.size() > 1 ? name[1] : '\0'));
    }
    bool Contains(std::string_view name) const {
      return filter_.test(Bit(name.empty() ? '\0' : name[0], name.size() > 1 ? name[1] : '\0')) &&
             std::find(names_.begin(), names_.end(), name) != names_.end();
    }
    // The same for pugixml's text, measured only when the filter lets it by.
    bool Contains(const char* name) const {
      return filter_.test(Bit(name[0], name[0] == '\0' ? '\0' : name[1])) && Contains(std::string_view(name));
    }

   private:
    // By the first two characters, which need no measuring.
    static size_t Bit(char first, char second) {
      return (size_t{static_cast<unsigned char>(first)} * 31 + static_cast<unsigned char>(second)) % 256;
    }
    std::vector<std::string> names_;
    std::bitset<256> filter_;
  };
  NameSet indexedAttributes_;  // attribute names any index uses
  NameSet stepNames_;          // element names on the steps of any index
  size_t deepestIndex_ = 0;    // the most steps of any index
  // Compiled XPath queries; bounded, since made-unique names give every
  // query a path of its own.
  std::unordered_map<std::string, pugi::xpath_query> compiled_;
  SimplePath parsed_;  // the path being looked up, its memory kept for the next
  std::string key_;    // its index key, likewise
};

}  // namespace brevan
