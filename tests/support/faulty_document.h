// A document whose nodes refuse chosen operations, for the errors that a
// healthy document never causes (20 to 23).
#pragma once

#include <string>

#include "host/xml_document.h"

namespace brevan::test {

struct Faults {
  std::wstring failSetAttribute;  // attribute name whose setting fails
  std::wstring failGetAttribute;  // attribute name whose reading fails
  std::wstring failAppendInto;    // element name that refuses children
  std::wstring failSetTextOn;     // element name whose text cannot be set

  static Faults SetAttribute(std::wstring name) { return {std::move(name), L"", L"", L""}; }
  static Faults GetAttribute(std::wstring name) { return {L"", std::move(name), L"", L""}; }
  static Faults AppendInto(std::wstring element) { return {L"", L"", std::move(element), L""}; }
  static Faults SetTextOn(std::wstring element) { return {L"", L"", L"", std::move(element)}; }
};

class FaultyDocument final : public QdXmlDocument {
 public:
  explicit FaultyDocument(Faults faults) : faults_(std::move(faults)) {}
  QdXmlNode* CreateElement(std::wstring_view name) override;
  QdXmlNode* GetRootElement(std::wstring_view name, const wchar_t* where) override;
  XmlDocument& Inner() { return inner_; }

 private:
  XmlDocument inner_;
  Faults faults_;
};

}  // namespace brevan::test
