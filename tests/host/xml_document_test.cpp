#include "host/xml_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "host/text.h"
#include "tests/support/translate.h"

namespace brevan {
namespace {

using Node = std::unique_ptr<QdXmlNode>;
using List = std::unique_ptr<QdXmlNodeList>;

class XmlDocumentTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(LiveNodeHandles(), 0); }

  Node Element(const wchar_t* name) { return Node(doc.CreateElement(name)); }
  Node Select(QdXmlNode& node, const std::wstring& path) {
    QdXmlNode* found = nullptr;
    node.SelectSingleNode(path, &found);
    return Node(found);
  }
  // The list path selects; null for a malformed path.
  List SelectAll(QdXmlNode& node, const std::wstring& path) {
    QdXmlNodeList* found = nullptr;
    node.SelectNodes(path, &found);
    return List(found);
  }
  std::wstring NameOf(QdXmlNode& node) {
    std::wstring name;
    node.GetNodeName(name);
    return name;
  }
  std::string Body() { return test::CompactXml(doc.ToXml()); }

  XmlDocument doc;
};

TEST_F(XmlDocumentTest, RootIsCreatedOnceAndWrittenAlone) {
  EXPECT_FALSE(doc.HasRoot());
  {
    Node detached = Element(L"Loose");
    Node root(doc.GetRootElement(L"Workspace", L" /"));
    Node again(doc.GetRootElement(L"Workspace", L" /"));
    ASSERT_TRUE(root && again);
    EXPECT_EQ(Node(doc.GetRootElement(L"Other", L" /")), nullptr);
    EXPECT_EQ(Body(), "<Workspace />");
  }
  EXPECT_EQ(doc.ToXml(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace />\n");
}

TEST_F(XmlDocumentTest, PathShapesTheTranslatorBuilds) {
  Node root(doc.GetRootElement(L"W", L" /"));
  Node windows = Element(L"Windows");
  root->AppendChild(windows.get());
  for (const wchar_t* name : {L"a", L"b", L"a"}) {
    Node window = Element(L"Window");
    Node layers = Element(L"Layers");
    Node layer = Element(L"Layer");
    layer->SetAttribute(L"name", name);
    layers->AppendChild(layer.get());
    window->AppendChild(layers.get());
    windows->AppendChild(window.get());
  }
  EXPECT_EQ(NameOf(*Select(*root, L"Windows")), L"Windows");
  Node b = Select(*windows, L"Window/Layers/Layer[@name=\"b\"]");
  ASSERT_TRUE(b);
  std::wstring value;
  EXPECT_TRUE(b->GetAttribute(L"name", value));
  EXPECT_EQ(value, L"b");
  EXPECT_FALSE(b->GetAttribute(L"missing", value));
  EXPECT_FALSE(Select(*windows, L"Window/Layers/Layer[@name=\"c\"]"));
  List hits = SelectAll(*windows, L"Window/Layers/Layer[@name=\"a\"]");
  ASSERT_TRUE(hits);
  EXPECT_EQ(hits->GetLength(), 2);
  List all = SelectAll(*windows, L"child::*");
  EXPECT_EQ(all->GetLength(), 3);
  QdXmlNode* item = nullptr;
  EXPECT_FALSE(all->GetItem(3, &item));
  EXPECT_FALSE(all->GetItem(-1, &item));
  EXPECT_EQ(item, nullptr);
  EXPECT_TRUE(all->GetItem(2, &item));
  Node last(item);
}

TEST_F(XmlDocumentTest, MalformedPathsFindNothing) {
  Node root(doc.GetRootElement(L"W", L" /"));
  for (const wchar_t* path : {L"Layer[@na]me=\"x\"]", L"Layer[@name=]", L"[", L"", L"Layer[@name=\"x"}) {
    EXPECT_FALSE(Select(*root, path)) << path;
    List list = SelectAll(*root, path);
    EXPECT_EQ(list, nullptr) << path;
  }
}

TEST_F(XmlDocumentTest, PredicateValuesAreMatchedAsWritten) {
  Node root(doc.GetRootElement(L"W", L" /"));
  for (const wchar_t* name : {L"a", L"a\"]|//*[@n=\"", L""}) {
    Node e = Element(L"E");
    e->SetAttribute(L"n", name);
    root->AppendChild(e.get());
  }
  Node plain = Element(L"E");
  root->AppendChild(plain.get());
  for (const wchar_t* name : {L"a", L"a\"]|//*[@n=\"", L""}) {
    Node found = Select(*root, std::wstring(L"E[@n=\"") + name + L"\"]");
    ASSERT_TRUE(found) << name;
    std::wstring value;
    found->GetAttribute(L"n", value);
    EXPECT_EQ(value, name);
  }
  List empty = SelectAll(*root, L"E[@n=\"\"]");
  EXPECT_EQ(empty->GetLength(), 1);  // the element without the attribute does not match
}

// Lookups by attribute are answered from an index: it must see every change
// to the tree that could change an answer.
TEST_F(XmlDocumentTest, AttributeLookupsFollowChangesToTheTree) {
  Node root(doc.GetRootElement(L"W", L" /"));
  const std::wstring path = L"Window/Layers/Layer[@name=\"a\"]";
  auto firstPosition = [&]() -> std::wstring {
    Node found = Select(*root, path);
    std::wstring position = L"-";
    if (found) found->GetAttribute(L"position", position);
    return position;
  };
  auto addWindow = [&](std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> layers) {
    Node window = Element(L"Window");
    Node list = Element(L"Layers");
    for (const auto& [name, position] : layers) {
      Node layer = Element(L"Layer");
      layer->SetAttribute(L"name", name);
      layer->SetAttribute(L"position", position);
      list->AppendChild(layer.get());
    }
    window->AppendChild(list.get());
    root->AppendChild(window.get());
    QdXmlNode* raw = nullptr;
    window->GetFirstChild(&raw);
    return Node(raw);
  };
  EXPECT_EQ(firstPosition(), L"-");
  Node firstLayers = addWindow({{L"b", L"1"}});
  EXPECT_EQ(firstPosition(), L"-");
  addWindow({{L"a", L"2"}});
  EXPECT_EQ(firstPosition(), L"2");  // appended at the end: added in place
  {
    Node early = Element(L"Layer");
    early->SetAttribute(L"name", L"a");
    early->SetAttribute(L"position", L"1");
    firstLayers->AppendChild(early.get());  // earlier in document order than the other a
  }
  EXPECT_EQ(firstPosition(), L"1");
  {
    Node renamed = Select(*root, L"Window/Layers/Layer[@name=\"b\"]");
    renamed->SetAttribute(L"name", L"c");
  }
  EXPECT_FALSE(Select(*root, L"Window/Layers/Layer[@name=\"b\"]"));
  EXPECT_TRUE(Select(*root, L"Window/Layers/Layer[@name=\"c\"]"));
  {
    Node moved = Select(*root, L"Window/Layers/Layer[@name=\"c\"]");
    Node elsewhere = Element(L"Elsewhere");
    root->AppendChild(elsewhere.get());
    elsewhere->AppendChild(moved.get());  // out of the path's reach
  }
  EXPECT_FALSE(Select(*root, L"Window/Layers/Layer[@name=\"c\"]"));
  List all = SelectAll(*root, path);
  EXPECT_EQ(all->GetLength(), 2);
}

TEST_F(XmlDocumentTest, AppendMovesAndRefusesCycles) {
  Node root(doc.GetRootElement(L"W", L" /"));
  Node a = Element(L"A");
  Node b = Element(L"B");
  Node c = Element(L"C");
  a->AppendChild(c.get());
  root->AppendChild(a.get());
  root->AppendChild(b.get());
  EXPECT_TRUE(b->AppendChild(c.get()));  // moves out of A
  EXPECT_FALSE(c->AppendChild(root.get()));
  EXPECT_FALSE(c->AppendChild(c.get()));  // no element goes inside itself, children or not
  EXPECT_FALSE(b->AppendChild(b.get()));
  EXPECT_EQ(Body(), "<W><A /><B><C /></B></W>");
  Node first;
  {
    QdXmlNode* raw = nullptr;
    root->GetFirstChild(&raw);
    first.reset(raw);
    raw = nullptr;
    first->GetNextSibling(&raw);
    Node second(raw);
    EXPECT_EQ(NameOf(*second), L"B");
    second->GetNextSibling(&raw);
    EXPECT_EQ(raw, nullptr);
  }
}

// New elements are made in pugixml only when first needed; nothing of that may show.
TEST_F(XmlDocumentTest, NewElementsBehaveAlikeBeforeAndAfterBeingPlaced) {
  Node root(doc.GetRootElement(L"W", L" /"));
  Node early = Element(L"Early");  // filled, then placed
  EXPECT_EQ(NameOf(*early), L"Early");
  EXPECT_EQ(Select(*early, L"Inner"), nullptr);
  early->SetAttribute(L"k", L"1");
  Node inner = Element(L"Inner");
  EXPECT_TRUE(early->AppendChild(inner.get()));
  EXPECT_TRUE(root->AppendChild(early.get()));
  Node late = Element(L"Late");  // placed, then filled
  EXPECT_TRUE(root->AppendChild(late.get()));
  EXPECT_EQ(NameOf(*late), L"Late");
  late->SetAttribute(L"k", L"2");
  late->SetText(L"t");
  EXPECT_EQ(Body(), "<W><Early k=\"1\"><Inner /></Early><Late k=\"2\">t</Late></W>");
  EXPECT_NE(Select(*root, L"Late[@k=\"2\"]"), nullptr);
  EXPECT_TRUE(early->AppendChild(late.get()));  // still moves like any other
  EXPECT_EQ(Select(*root, L"Late[@k=\"2\"]"), nullptr);
  EXPECT_NE(Select(*root, L"Early/Late[@k=\"2\"]"), nullptr);
  EXPECT_EQ(Body(), "<W><Early k=\"1\"><Inner /><Late k=\"2\">t</Late></Early></W>");
}

// Child counts are kept for several parents at once and follow every move.
TEST_F(XmlDocumentTest, ChildCountsFollowMovesBetweenParents) {
  Node root(doc.GetRootElement(L"W", L" /"));
  Node a = Element(L"A"), b = Element(L"B");
  root->AppendChild(a.get());
  root->AppendChild(b.get());
  const auto count = [](QdXmlNode& parent) {
    QdXmlNodeList* raw = nullptr;
    parent.GetChildNodes(&raw);
    const List list(raw);
    return list->GetLength();
  };
  for (int i = 0; i < 3; ++i) a->AppendChild(Element(L"C").get());
  EXPECT_EQ(count(*a), 3);
  EXPECT_EQ(count(*b), 0);
  {
    QdXmlNode* raw = nullptr;
    a->GetFirstChild(&raw);
    const Node moved(raw);
    b->AppendChild(moved.get());
  }
  EXPECT_EQ(count(*a), 2);
  EXPECT_EQ(count(*b), 1);
  EXPECT_EQ(count(*root), 2);
}

// An element set aside goes once no handle is left, with the counts of its
// subtree: elements made afterwards, perhaps at the same addresses, start
// from none, and the counts of placed elements stay right.
TEST_F(XmlDocumentTest, ChildCountsGoWithAnElementSetAside) {
  const auto count = [](QdXmlNode& parent) {
    QdXmlNodeList* raw = nullptr;
    parent.GetChildNodes(&raw);
    const List list(raw);
    return list->GetLength();
  };
  {
    Node root(doc.GetRootElement(L"W", L" /"));
    root->AppendChild(Element(L"P").get());
    EXPECT_EQ(count(*root), 1);
  }
  // Enough elements that the memory of those set aside is handed out again.
  constexpr int kInner = 8, kChildren = 200;
  for (int round = 0; round < 3; ++round) {
    {
      Node loose = Element(L"L");
      for (int i = 0; i < kInner; ++i) {
        Node inner = Element(L"I");
        loose->AppendChild(inner.get());
        for (int c = 0; c < kChildren; ++c) inner->AppendChild(Element(L"C").get());
        EXPECT_EQ(count(*inner), kChildren);
      }
    }
    Node root(doc.GetRootElement(L"W", L" /"));
    for (int i = 0; i < kInner * kChildren; ++i) {
      Node fresh = Element(L"F");
      root->AppendChild(fresh.get());
      ASSERT_EQ(count(*fresh), 0) << "round " << round << ", element " << i;
    }
    EXPECT_EQ(count(*root), 1 + (round + 1) * kInner * kChildren);
  }
}

// Text set before an element is placed is held in the element itself;
// whatever the order of the calls, the document prints as if each text
// were a text node, and the copy handed out has text nodes.
TEST(XmlDocumentTextTest, TextIsWrittenTheSameWhereverItIsHeld) {
  // Each case makes an element E under the root W, with calls as listed:
  // t: SetText, c: append a child C, a: set an attribute, p: place E.
  const std::pair<std::vector<std::pair<char, const wchar_t*>>, std::string> cases[] = {
      {{{'t', L"a<b"}, {'p', nullptr}}, "<W><E>a&lt;b</E></W>"},
      {{{'p', nullptr}, {'t', L"t"}}, "<W><E>t</E></W>"},
      {{{'t', L""}, {'p', nullptr}}, "<W><E></E></W>"},
      {{{'t', L"t"}, {'t', L""}, {'p', nullptr}}, "<W><E></E></W>"},
      {{{'t', L"one"}, {'t', L"two"}, {'c', nullptr}, {'a', nullptr}, {'p', nullptr}},
       "<W><E k=\"v\">two<C /></E></W>"},
  };
  for (const auto& [calls, body] : cases) {
    XmlDocument doc;
    {
      Node root(doc.GetRootElement(L"W", L" /")), e(doc.CreateElement(L"E"));
      for (const auto& [call, text] : calls)
        EXPECT_TRUE(call == 't'   ? e->SetText(text)
                    : call == 'c' ? e->AppendChild(Node(doc.CreateElement(L"C")).get())
                    : call == 'a' ? e->SetAttribute(L"k", L"v")
                                  : root->AppendChild(e.get()));
      std::wstring read;
      pugi::xml_document copy;
      doc.CopyTo(copy);
      const pugi::xml_node copied = copy.child("W").child("E");
      EXPECT_TRUE(e->GetNodeText(read) && read == FromUtf8(copied.child_value())) << body;
      EXPECT_STREQ(copied.value(), "") << body << ": the copy's text is in a text node";
      std::ostringstream saved;
      copy.save(saved, "  ", pugi::format_indent | pugi::format_no_declaration);
      EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + saved.str(), doc.ToXml()) << body;
    }
    EXPECT_EQ(test::CompactXml(doc.ToXml()), body);
  }
  EXPECT_EQ(LiveNodeHandles(), 0);
}

TEST_F(XmlDocumentTest, InvalidNamesAreRefusedAndTextIsEscaped) {
  EXPECT_EQ(Element(L"bad name"), nullptr);
  EXPECT_EQ(Element(L"1st"), nullptr);
  Node root(doc.GetRootElement(L"W", L" /"));
  EXPECT_FALSE(root->SetAttribute(L"a\"b", L"x"));
  EXPECT_TRUE(root->SetAttribute(L"a", L"<&\"é>"));
  EXPECT_EQ(Body(), "<W a=\"&lt;&amp;&quot;é>\" />");
}

// An element never appended is dropped at once when nothing can reach into
// it, else once the last handle on the document goes.
TEST_F(XmlDocumentTest, ElementsNeverAppendedLeaveNoTrace) {
  {
    Node root(doc.GetRootElement(L"W", L" /"));
    Element(L"Alone");
    EXPECT_EQ(doc.DetachedElements(), 0u);
    {
      Node holder = Element(L"Holder");
      Node child = Element(L"Child");
      holder->AppendChild(child.get());
      EXPECT_EQ(doc.DetachedElements(), 1u);  // the holder, with the child inside
    }
    EXPECT_EQ(doc.DetachedElements(), 1u);  // kept while any handle is alive
  }
  EXPECT_EQ(doc.DetachedElements(), 0u);
  EXPECT_EQ(Body(), "<W />");
}

// Elements never placed that hold a deep subtree are given back without
// recursion, and their records serve the next elements.
TEST_F(XmlDocumentTest, DeepSubtreesSetAsideAreGivenBack) {
  for (int round = 0; round < 2; ++round) {
    Node root(doc.GetRootElement(L"W", L" /"));
    Node top = Element(L"Top");
    Node at = Element(L"Level");
    top->AppendChild(at.get());
    for (int level = 0; level < 200000; ++level) {
      Node next = Element(L"Level");
      next->SetAttribute(L"n", level);
      at->AppendChild(next.get());
      at = std::move(next);
    }
    EXPECT_EQ(doc.DetachedElements(), 1u);
  }  // the last handle goes: so does the subtree
  EXPECT_EQ(doc.DetachedElements(), 0u);
  EXPECT_EQ(Body(), "<W />");
}

// A saved document read back: the same text printed, the same answers
// from the node readers; nothing read into a document that holds something.
TEST_F(XmlDocumentTest, LoadedDocumentsReadAsTheyWereWritten) {
  {
    Node root(doc.GetRootElement(L"W", L" /"));
    Node a = Element(L"A");
    a->SetAttribute(L"v", L"1 < 2 & \"q\"");
    a->SetText(L"own é");
    root->AppendChild(a.get());
    a->AppendChild(Element(L"B").get());
    Node c = Element(L"C");
    root->AppendChild(c.get());
    c->AppendChild(Element(L"D").get());
    c->SetText(L"after");  // a text node after D
    root->AppendChild(Element(L"Empty").get());
  }
  const std::string written = doc.ToXml();
  XmlDocument loaded;
  ASSERT_TRUE(loaded.Load(written));
  EXPECT_EQ(loaded.ToXml(), written);
  Node root(loaded.GetRootElement(L"W", L" /"));
  QdXmlNode* found = nullptr;
  root->GetChild(L"A", &found);
  Node a(found);
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->HasName(L"A"));
  EXPECT_FALSE(a->HasName(L"B"));
  EXPECT_FALSE(a->HasName(L"Unheard"));
  std::string text;
  EXPECT_TRUE(a->GetAttributeUtf8(L"v", text));
  EXPECT_EQ(text, "1 < 2 & \"q\"");
  EXPECT_FALSE(a->GetAttributeUtf8(L"w", text));
  EXPECT_TRUE(a->GetNodeTextUtf8(text));
  EXPECT_EQ(text, "own \xC3\xA9");
  std::string printed;
  EXPECT_TRUE(PrintNode(*a, [&](std::string_view piece) {
    printed.append(piece);
    return true;
  }));
  EXPECT_EQ(printed, "<A v=\"1 &lt; 2 &amp; &quot;q&quot;\">own \xC3\xA9<B />\n</A>\n");
  EXPECT_NE(written.find("<C>\n    <D />after</C>"), std::string::npos) << written;

  std::string deep;  // deeper than any stack would allow a recursive copy
  for (int level = 0; level < 200000; ++level) deep += "<L>";
  for (int level = 0; level < 200000; ++level) deep += "</L>";
  XmlDocument nested;
  EXPECT_TRUE(nested.Load(deep));

  for (const std::string_view bad : {"", "<W>", "text only", "<?xml version=\"1.0\"?>"}) {
    XmlDocument other;
    EXPECT_FALSE(other.Load(bad)) << bad;
  }
  EXPECT_FALSE(loaded.Load(written));  // holds a document already
}

// Large documents are handed to the writer in blocks as they are printed:
// the text must be what pugixml prints from a copy of the tree, and a
// refusing or throwing writer must stop the flow.
TEST_F(XmlDocumentTest, LargeDocumentsPrintInBlocks) {
  {
    Node root(doc.GetRootElement(L"W", L" /"));
    for (int i = 0; i < 40000; ++i) {
      Node layer = Element(L"Layer");
      root->AppendChild(layer.get());
      layer->SetAttribute(L"name", L"<layer \"" + std::to_wstring(i) + L"\">");
      Node label = Element(L"Label");
      label->SetText(L"é & " + std::to_wstring(i));
      layer->AppendChild(label.get());
    }
  }
  pugi::xml_document copy;
  doc.CopyTo(copy);
  for (const bool indent : {true, false}) {
    std::ostringstream expected;
    expected << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    copy.save(expected, "  ",
              (indent ? pugi::format_indent : pugi::format_raw) | pugi::format_no_declaration);
    if (!indent) expected << '\n';
    std::string pieces;
    int calls = 0;
    EXPECT_TRUE(doc.WriteXml(
        [&](std::string_view piece) {
          pieces.append(piece);
          return ++calls > 0;
        },
        indent));
    EXPECT_TRUE(pieces == expected.str());  // (no diff of megabytes on failure)
    EXPECT_GT(calls, 2);
    calls = 0;
    EXPECT_FALSE(doc.WriteXml([&](std::string_view) { return ++calls < 3; }, indent));
    EXPECT_EQ(calls, 3);
    calls = 0;
    const auto throwing = [&](std::string_view) {
      if (++calls == 3) throw std::runtime_error("disk gone");
      return true;
    };
    EXPECT_THROW(doc.WriteXml(throwing, indent), std::runtime_error);
  }
}

}  // namespace
}  // namespace brevan
