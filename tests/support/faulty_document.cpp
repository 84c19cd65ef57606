#include "tests/support/faulty_document.h"

#include <memory>

namespace brevan::test {

namespace {

// Forwards every operation to a real node, except the faults it was given.
class FaultyNode final : public QdXmlNode {
 public:
  FaultyNode(QdXmlNode* inner, const Faults& faults) : inner_(inner), faults_(faults) {}

  static QdXmlNode* Wrap(QdXmlNode* inner, const Faults& faults) {
    return inner ? new FaultyNode(inner, faults) : nullptr;
  }

  void GetNodeName(std::wstring& name) override { inner_->GetNodeName(name); }
  bool GetNodeText(std::wstring& text) override { return inner_->GetNodeText(text); }
  bool GetAttribute(std::wstring_view name, std::wstring& value) override {
    return name != faults_.failGetAttribute && inner_->GetAttribute(name, value);
  }
  void GetFirstChild(QdXmlNode** node) override {
    inner_->GetFirstChild(node);
    *node = Wrap(*node, faults_);
  }
  void GetNextSibling(QdXmlNode** node) override {
    inner_->GetNextSibling(node);
    *node = Wrap(*node, faults_);
  }
  void GetChildNodes(QdXmlNodeList** list) override;
  void SelectSingleNode(const std::wstring& path, QdXmlNode** node) override {
    inner_->SelectSingleNode(path, node);
    *node = Wrap(*node, faults_);
  }
  void SelectSingleNode(const wchar_t* path, QdXmlNode** node) override {
    SelectSingleNode(std::wstring(path), node);
  }
  void SelectNodes(const std::wstring& path, QdXmlNodeList** list) override;
  bool AppendChild(QdXmlNode* child) override {
    if (Named(faults_.failAppendInto)) return false;
    auto* other = dynamic_cast<FaultyNode*>(child);
    return other && inner_->AppendChild(other->inner_.get());
  }
  bool SetText(double value) override { return !Named(faults_.failSetTextOn) && inner_->SetText(value); }
  bool SetText(const std::wstring& text) override {
    return !Named(faults_.failSetTextOn) && inner_->SetText(text);
  }
  bool SetText(const wchar_t* text) override { return SetText(std::wstring(text)); }
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
    return name != faults_.failSetAttribute && inner_->SetAttribute(name, value);
  }
  bool SetAttribute(std::wstring_view name, double value) override {
    return name != faults_.failSetAttribute && inner_->SetAttribute(name, value);
  }

 private:
  bool Named(const std::wstring& name) {
    std::wstring own;
    inner_->GetNodeName(own);
    return !name.empty() && own == name;
  }

  std::unique_ptr<QdXmlNode> inner_;
  const Faults& faults_;
};

class FaultyList final : public QdXmlNodeList {
 public:
  FaultyList(QdXmlNodeList* inner, const Faults& faults) : inner_(inner), faults_(faults) {}
  bool GetItem(long index, QdXmlNode** node) override {
    const bool ok = inner_->GetItem(index, node);
    *node = FaultyNode::Wrap(*node, faults_);
    return ok;
  }
  long GetCount() override { return inner_->GetCount(); }
  long GetLength() override { return inner_->GetLength(); }

 private:
  std::unique_ptr<QdXmlNodeList> inner_;
  const Faults& faults_;
};

void FaultyNode::GetChildNodes(QdXmlNodeList** list) {
  inner_->GetChildNodes(list);
  if (*list) *list = new FaultyList(*list, faults_);
}

void FaultyNode::SelectNodes(const std::wstring& path, QdXmlNodeList** list) {
  inner_->SelectNodes(path, list);
  if (*list) *list = new FaultyList(*list, faults_);
}

}  // namespace

QdXmlNode* FaultyDocument::CreateElement(std::wstring_view name) {
  return FaultyNode::Wrap(inner_.CreateElement(name), faults_);
}

QdXmlNode* FaultyDocument::GetRootElement(std::wstring_view name, const wchar_t* where) {
  return FaultyNode::Wrap(inner_.GetRootElement(name, where), faults_);
}

}  // namespace brevan::test
