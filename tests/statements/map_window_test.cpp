#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using MapWindowTest = TranslatorTest;

std::string Body(const Translation& result) {
  const std::string open = "<Workspace>", close = "</Workspace>";
  if (result.xml.rfind(open, 0) != 0) return result.xml;
  return result.xml.substr(open.size(), result.xml.size() - open.size() - close.size());
}

TEST_F(MapWindowTest, RepeatedTablesGetUniqueLayersAndCopiedTables) {
  const Translation result = TranslateWithState(
      L"Open Table \"t.tbl\" As t\nOpen Table \"u.tbl\" As u\nOpen Table \"t.tbl_2\" As x\n"
      L"Map From t, u, t, t");
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(Body(result),
            "<Tables><Table file=\"t.tbl\" alias=\"t\" /><Table file=\"u.tbl\" alias=\"u\" />"
            "<Table file=\"t.tbl_2\" alias=\"x\" />"
            "<Table file=\"t.tbl_3\" alias=\"t_2\" /><Table file=\"t.tbl_4\" alias=\"t_3\" /></Tables>"
            "<MapWindows><MapWindow><Layers>"
            "<Layer name=\"t\" position=\"1\" /><Layer name=\"u\" position=\"2\" />"
            "<Layer name=\"t_2\" position=\"3\" /><Layer name=\"t_3\" position=\"4\" />"
            "</Layers><WindowPosition /></MapWindow></MapWindows>");
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"t", L"u", L"t_2", L"t_3"}));
  EXPECT_EQ(result.themeCounts,
            (std::map<std::wstring, int32_t>{{L"t", 0}, {L"u", 0}, {L"t_2", 0}, {L"t_3", 0}}));
}

TEST_F(MapWindowTest, UniquenessHoldsWithinOneWindowOnly) {
  const Translation result = TranslateWithState(L"Map From t\nMap From t");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"t", L"t"}));
}

TEST_F(MapWindowTest, FailureKeepsTheLayersAlreadyRecorded) {
  const Translation result = TranslateWithState(L"Map From a, b Height x");
  EXPECT_EQ(result.error, 10);
  EXPECT_EQ(result.layerNames, (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(result.xml, "<Workspace><MapWindows /></Workspace>");
}

}  // namespace
}  // namespace brevan::test
