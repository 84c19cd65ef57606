// The host's XML document as the translator sees it. Every node and node
// list handle belongs to whoever received it and is given back by deleting
// it (the virtual destructor is Release); the document keeps appended nodes.
#pragma once

#include <string>
#include <string_view>

class QdXmlNode;

class QdXmlNodeList {
 public:
  virtual ~QdXmlNodeList() = default;  // Release
  // Item index (0-based) as a new handle; false when out of range.
  virtual bool GetItem(long index, QdXmlNode** node) = 0;
  virtual long GetCount() = 0;
  virtual long GetLength() = 0;
};

class QdXmlNode {
 public:
  virtual ~QdXmlNode() = default;  // Release
  virtual void GetNodeName(std::wstring& name) = 0;
  virtual bool GetNodeText(std::wstring& text) = 0;
  virtual bool GetAttribute(std::wstring_view name, std::wstring& value) = 0;
  // The first element child, or null.
  virtual void GetFirstChild(QdXmlNode** node) = 0;
  // The next element sibling, or null.
  virtual void GetNextSibling(QdXmlNode** node) = 0;
  // The element children, in document order.
  virtual void GetChildNodes(QdXmlNodeList** list) = 0;
  // The first element the path selects, or null; a malformed path selects nothing.
  virtual void SelectSingleNode(const std::wstring& path, QdXmlNode** node) = 0;
  virtual void SelectSingleNode(const wchar_t* path, QdXmlNode** node) = 0;
  // The elements the path selects; null when the path is malformed.
  virtual void SelectNodes(const std::wstring& path, QdXmlNodeList** list) = 0;
  // Appends child as the last child; a node already in the tree moves.
  virtual bool AppendChild(QdXmlNode* child) = 0;
  virtual bool SetText(double value) = 0;
  virtual bool SetText(const std::wstring& text) = 0;
  virtual bool SetText(const wchar_t* text) = 0;
  virtual bool SetAttribute(std::wstring_view name, std::wstring_view value) = 0;
  virtual bool SetAttribute(std::wstring_view name, double value) = 0;

  // Host extensions for readers of a whole document (the read model): the
  // same answers without a wide copy of every name and value. A document
  // may answer them faster; these do it through the calls above.
  virtual bool HasName(std::wstring_view name);
  // The first child element named name (a bare name, no path), or null.
  virtual void GetChild(std::wstring_view name, QdXmlNode** node);
  // The attribute's value, or the element's text, as UTF-8.
  virtual bool GetAttributeUtf8(std::wstring_view name, std::string& value);
  virtual bool GetNodeTextUtf8(std::string& text);
};

class QdXmlDocument {
 public:
  virtual ~QdXmlDocument() = default;
  // A new element, not yet in the tree; null when the name is not a valid
  // element name.
  virtual QdXmlNode* CreateElement(std::wstring_view name) = 0;
  // The root element of that name, created when absent. The second argument
  // names where the root lives; the document itself is the only place.
  virtual QdXmlNode* GetRootElement(std::wstring_view name, const wchar_t* where) = 0;
};
