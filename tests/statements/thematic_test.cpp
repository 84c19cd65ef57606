#include "tests/support/faulty_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using ThematicTest = TranslatorTest;

constexpr const wchar_t* kMap = L"Map From A, B\n";

// Positions of each needle in haystack, which must appear in this order.
void ExpectInOrder(const std::string& haystack, std::initializer_list<const char*> needles) {
  size_t at = 0;
  for (const char* needle : needles) {
    const size_t found = haystack.find(needle, at);
    ASSERT_NE(found, std::string::npos) << needle << " after " << at << " in " << haystack;
    at = found + 1;
  }
}

TEST_F(ThematicTest, LayerBookkeeping) {
  const Translation result = TranslateWithState(
      std::wstring(kMap) +
      L"Theme 1 With Pop Values 1\nTheme 3 With Pop Single 1 : 2\nTheme 1 With X Values 2");
  ASSERT_TRUE(result.ok) << result.error;
  // Layer 3 after the first theme is B: its theme lands on B.
  EXPECT_NE(result.xml.find("<Layer name=\"B\" position=\"2\"><Themes><SymbolTheme"), std::string::npos);
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"A", L"A", L"A", L"B", L"B"}));
  EXPECT_EQ(result.themeCounts, (std::map<std::wstring, int32_t>{{L"A", 2}, {L"B", 1}}));
  ExpectInOrder(result.xml,
                {"<Layer name=\"A\" position=\"1\"><Themes><ValueTheme", "<ValueTheme", "</Themes>"});
}

TEST_F(ThematicTest, FailingStatementLeavesTheRecordsAlone) {
  const Translation result = TranslateWithState(std::wstring(kMap) + L"Theme 1 With Pop Ranges 0 : Zoom");
  EXPECT_EQ(result.error, 24);
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"A", L"B"}));
  EXPECT_EQ(result.themeCounts, (std::map<std::wstring, int32_t>{{L"A", 0}, {L"B", 0}}));
}

TEST_F(ThematicTest, DocumentFailures) {
  const std::wstring statement = std::wstring(kMap) + L"Theme 1 With Pop Single 1 : 2";
  const Translation setAttribute = TranslateWithFaults(statement, Faults::SetAttribute(L"visible"));
  EXPECT_EQ(setAttribute.error, 20);
  EXPECT_EQ(setAttribute.argument, L"visible");
  const Translation getAttribute = TranslateWithFaults(statement, Faults::GetAttribute(L"name"));
  EXPECT_EQ(getAttribute.error, 21);
  const Translation append = TranslateWithFaults(statement, Faults::AppendInto(L"Themes"));
  EXPECT_EQ(append.error, 22);
  const Translation setText = TranslateWithFaults(statement, Faults::SetTextOn(L"SymbolValue"));
  EXPECT_EQ(setText.error, 23);
  // A write the document refuses points at the statement as far as it was read.
  EXPECT_EQ(setAttribute.at, "2:1-17");
  EXPECT_EQ(getAttribute.at, "2:1-30");
  EXPECT_EQ(append.at, "2:1-17");
  EXPECT_EQ(setText.at, "2:1-30");
}

TEST_F(ThematicTest, LayerNameMissingFromTheListIsErrorThirtyFour) {
  const StateRun run = RunOnState(L"", [](BrevanTranslator& t) {
    t.layerNames = {L"A", L"B"};
    t.InsertLayerName(L"B");
    EXPECT_EQ(std::vector<std::wstring>(t.layerNames), (std::vector<std::wstring>{L"A", L"B", L"B"}));
    t.InsertLayerName(L"b");  // names compare exactly
  });
  EXPECT_EQ(run.error, 34);
}

}  // namespace
}  // namespace brevan::test
