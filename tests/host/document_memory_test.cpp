#include "host/document_memory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/xml_document.h"

namespace brevan {
namespace {

// A document of n layers with a few attributes each, as text.
std::string Build(XmlDocument& doc, int n) {
  std::unique_ptr<QdXmlNode> root(doc.GetRootElement(L"W", L" /"));
  for (int i = 0; i < n; ++i) {
    std::unique_ptr<QdXmlNode> layer(doc.CreateElement(L"Layer"));
    root->AppendChild(layer.get());
    layer->SetAttribute(L"name", L"layer" + std::to_wstring(i));
    layer->SetAttribute(L"position", i);
  }
  return doc.ToXml();
}

// Each test runs in a process of its own, so each switches afresh.
TEST(DocumentMemoryTest, DocumentsAreTheSameAndGiveTheirRegionsBack) {
  auto before = std::make_unique<XmlDocument>();  // from malloc
  const std::string expected = Build(*before, 20000);
  UseLargePages();
  {
    XmlDocument small;  // a tiny document stays with malloc
    Build(small, 20);
    EXPECT_EQ(LargePageRegions(), 0u);
  }
  Build(*before, 60000);  // grows into the regions
  EXPECT_GT(LargePageRegions(), 0u);
  {
    XmlDocument after;
    EXPECT_EQ(Build(after, 20000), expected);
    std::unique_ptr<QdXmlNode> root(after.GetRootElement(L"W", L" /"));
    root->SetText(std::wstring(20 << 20, L'x'));  // a block too large for a shared region
  }
  before.reset();                     // gives back memory of both kinds
  EXPECT_EQ(LargePageRegions(), 1u);  // the current region, kept for the next document
  {
    XmlDocument next;
    EXPECT_EQ(Build(next, 20000), expected);
    EXPECT_EQ(LargePageRegions(), 1u);
  }
}

TEST(DocumentMemoryTest, ThreadsShareTheRegions) {
  UseLargePages();
  UseLargePages();  // once is enough; again changes nothing
  XmlDocument reference;
  const std::string expected = Build(reference, 5000);
  std::vector<std::string> texts(4);
  std::vector<std::thread> threads;
  for (std::string& text : texts)
    threads.emplace_back([&text] {
      for (int round = 0; round < 3; ++round) {
        XmlDocument doc;
        text = Build(doc, 5000);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (const std::string& text : texts) EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace brevan
