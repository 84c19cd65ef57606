#include "host/style.h"
#include "host/xml_document.h"
#include "styles/style_objects.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using StyleWritersTest = TranslatorTest;

// Writes into the root element and gives the document.
std::string Written(const std::function<void(BrevanTranslator&, QdXmlNode&)>& write) {
  return RunOnState(L"", [&](BrevanTranslator& t) { write(t, *t.root); }).xml;
}

TEST_F(StyleWritersTest, ExistingChainsAreReusedInTheirOrder) {
  // A drawing chain already there keeps its place before a new pattern chain.
  const auto pen = NewPen();
  const std::string xml = Written([&](BrevanTranslator& t, QdXmlNode& parent) {
    const NodeHandle style = t.FindOrAddChild(parent, Tag::PenStyle);
    t.FindOrAddChild(*style, Tag::Graphics);
    t.WritePenStyle(parent, *pen, false);
  });
  EXPECT_TRUE(InOrder(xml, {"<Graphics>", "<Patterns>"})) << xml;
}

}  // namespace
}  // namespace brevan::test
