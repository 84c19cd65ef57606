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
  std::vector<std::wstring> names;
  std::map<std::wstring, int32_t> counts;
  const Translation result = TranslateWithState(
      L"Open Table \"t.tbl\" As t\nOpen Table \"u.tbl\" As u\nOpen Table \"t.tbl_2\" As x\n"
      L"Map From t, u, t, t",
      300, [&](BrevanTranslator& state) {
        names = state.layerNames;
        counts = state.themeCounts;
      });
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(Body(result),
            "<Tables><Table file=\"t.tbl\" alias=\"t\" /><Table file=\"u.tbl\" alias=\"u\" />"
            "<Table file=\"t.tbl_2\" alias=\"x\" />"
            "<Table file=\"t.tbl_3\" alias=\"t_2\" /><Table file=\"t.tbl_4\" alias=\"t_3\" /></Tables>"
            "<MapWindows><MapWindow><Layers>"
            "<Layer name=\"t\" position=\"1\" /><Layer name=\"u\" position=\"2\" />"
            "<Layer name=\"t_2\" position=\"3\" /><Layer name=\"t_3\" position=\"4\" />"
            "</Layers><WindowPosition /></MapWindow></MapWindows>");
  EXPECT_EQ(names, (std::vector<std::wstring>{L"t", L"u", L"t_2", L"t_3"}));
  EXPECT_EQ(counts, (std::map<std::wstring, int32_t>{{L"t", 0}, {L"u", 0}, {L"t_2", 0}, {L"t_3", 0}}));
}

TEST_F(MapWindowTest, ExistingAliasIsNotCopiedAgain) {
  const Translation result = Translate(L"Open Table \"t\" As t\nOpen Table \"other\" As t_2\nMap From t, t");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(
      Body(result).substr(0, 91),
      "<Tables><Table file=\"t\" alias=\"t\" /><Table file=\"other\" alias=\"t_2\" /></Tables><MapWindows>");
}

TEST_F(MapWindowTest, UniquenessHoldsWithinOneWindowOnly) {
  std::vector<std::wstring> names;
  const Translation result = TranslateWithState(L"Map From t\nMap From t", 300,
                                                [&](BrevanTranslator& state) { names = state.layerNames; });
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"t", L"t"}));
}

struct PositionCase {
  const char* name;
  const wchar_t* clauses;
  short version;
  const char* position;
};

TEST_F(MapWindowTest, WindowPosition) {
  const PositionCase cases[] = {
      {"none", L"", 300, "<WindowPosition />"},
      {"default unit", L"Position (1, 2.5)", 300, "<WindowPosition X=\"1\" Y=\"2.5\" Units=\"inches\" />"},
      {"unit carries over from height", L"Height 3 Units \"cm\" Width 4 Position (-1, 0)", 300,
       "<WindowPosition Height=\"3\" Width=\"4\" X=\"-1\" Y=\"0\" Units=\"cm\" />"},
      {"old form requires units", L"Position (1, 2) \"mm\" Max", 199,
       "<WindowPosition X=\"1\" Y=\"2\" Units=\"mm\" Style=\"max\" />"},
      {"style overwritten", L"Min Max Min", 300, "<WindowPosition Style=\"min\" />"},
      {"missing coordinates leave zeros", L"Position Units \"cm\"", 300,
       "<WindowPosition X=\"0\" Y=\"0\" Units=\"cm\" />"},
  };
  for (const PositionCase& c : cases) {
    const Translation result = Translate(std::wstring(L"Map From t ") + c.clauses, c.version);
    ASSERT_TRUE(result.ok) << c.name << ": error " << result.error;
    EXPECT_EQ(Body(result), std::string("<MapWindows><MapWindow><Layers><Layer name=\"t\" position=\"1\" />"
                                        "</Layers>") +
                                c.position + "</MapWindow></MapWindows>")
        << c.name;
  }
}

struct ErrorCase {
  const char* name;
  const wchar_t* text;
  short version;
  int error;
  const wchar_t* argument;
};

TEST_F(MapWindowTest, Errors) {
  const ErrorCase cases[] = {
      {"From missing", L"Map t", 300, 4, L"From"},
      {"table not a name", L"Map From 5", 300, 5, L""},
      {"trailing comma", L"Map From t,", 300, 5, L""},
      {"repeated table without its table", L"Open Table \"a\" As a\nMap From t, t", 300, 26,
       L"Table[@alias=\"t\"]"},
      {"repeated table before any open table", L"Map From t, t", 300, 26, L"Table[@alias=\"t\"]"},
      {"height without a number", L"Map From t Height Units \"in\"", 300, 10, L""},
      {"units without a string", L"Map From t Width 2 Units 5", 300, 14, L""},
      {"old form without units", L"Map From t Width 2", 199, 14, L""},
  };
  for (const ErrorCase& c : cases) {
    ExpectFailure(Translate(c.text, c.version), c.error, c.argument, c.name);
  }
}

TEST_F(MapWindowTest, FailureKeepsTheLayersAlreadyRecorded) {
  std::vector<std::wstring> names;
  const Translation result = TranslateWithState(L"Map From a, b Height x", 300,
                                                [&](BrevanTranslator& state) { names = state.layerNames; });
  EXPECT_EQ(result.error, 10);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(result.xml, "<Workspace><MapWindows /></Workspace>");
}

}  // namespace
}  // namespace brevan::test
