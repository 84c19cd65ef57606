// Our document: the host's XML document, a compact tree of our own
// (host/xml_tree.h). pugixml is used only to read a saved document in and
// to hand a copy out.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/xml.h"

namespace pugi {
class xml_document;
}

namespace brevan {

class XmlDocument final : public QdXmlDocument {
 public:
  XmlDocument();
  ~XmlDocument() override;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  QdXmlNode* CreateElement(std::wstring_view name) override;
  QdXmlNode* GetRootElement(std::wstring_view name, const wchar_t* where) override;

  // True once a root element exists.
  bool HasRoot() const;
  // True when the root element holds an element: something was translated into it.
  bool RootHasElements() const;
  // The document as UTF-8 with a declaration; indented when asked. Only the
  // root element is written; elements never appended are not part of it.
  std::string ToXml(bool indent = true) const;
  // The same, handed to write in pieces; false when write refused one.
  bool WriteXml(const std::function<bool(std::string_view)>& write, bool indent = true) const;
  // Reads xml (UTF-8, such as a document saved by the tool) into a new
  // document; false when it is not well-formed, has no root element, or the
  // document already holds something.
  bool Load(std::string_view xml);
  // Copies the root element into a caller's pugixml document.
  void CopyTo(pugi::xml_document& target) const;
  // Elements made but never appended that the document still holds, for
  // leak checks in tests: none once no handle can reach them.
  size_t DetachedElements() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Prints node's element, indented, handing the text to write in order until
// it refuses a piece; false when node is not of an XmlDocument.
bool PrintNode(QdXmlNode& node, const std::function<bool(std::string_view)>& write);

// Node and list handles made and not yet released on the calling thread,
// for leak checks in tests (per thread, like the other counters).
long LiveNodeHandles();

}  // namespace brevan
