#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "brevan_ids.h"
#include "host/table_data.h"
#include "host/text.h"
#include "host/tokens.h"
#include "translator/errors.h"

namespace brevan {
namespace {

struct Row {
  int id;
  std::string text;
  std::string extra;
};

std::vector<Row> ReadTable(const std::string& name) {
  std::ifstream in(std::string(BREVAN_SOURCE_DIR) + "/resources/" + name);
  EXPECT_TRUE(in) << name;
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line)) {
    const size_t tab = line.find('\t');
    EXPECT_NE(tab, std::string::npos) << line;
    Row row{std::stoi(line.substr(0, tab)), line.substr(tab + 1), ""};
    const size_t second = row.text.find('\t');
    if (name != "errors.tsv" && second != std::string::npos) {
      row.extra = row.text.substr(second + 1);
      row.text.resize(second);
    }
    rows.push_back(row);
  }
  return rows;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(TablesTest, NoDuplicateIdsOrSpellings) {
  for (const char* name : {"keywords.tsv", "tags.tsv", "errors.tsv"}) {
    std::set<int> ids;
    std::set<std::string> texts;
    for (const Row& row : ReadTable(name)) {
      EXPECT_TRUE(ids.insert(row.id).second) << name << ": id " << row.id;
      if (std::string(name) != "errors.tsv") {
        EXPECT_TRUE(texts.insert(Lower(row.text)).second) << name << ": " << row.text;
      }
      EXPECT_TRUE(row.extra.empty() || row.extra == "expr") << name << ": " << row.extra;
    }
  }
}

// Every id the statements rely on, so that a row dropped from a table is
// caught here rather than by a workspace that can no longer be written.
TEST(TablesTest, EveryKeywordTheStatementsUseIsSpelled) {
  const int used[] = {
      9,    28,   1027, 1028, 1030, 1031, 1038, 1042, 1047, 1048, 1049, 1052, 1059, 1066, 1079, 1080, 1085,
      1087, 1089, 1090, 1100, 1101, 1102, 1103, 1104, 1105, 1108, 1110, 1112, 1115, 1116, 1117, 1118, 1119,
      1120, 1122, 1124, 1126, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1136, 1138, 1141, 1144, 1145, 1146,
      1281, 1282, 1283, 1285, 1286, 1289, 1290, 1292, 1293, 1299, 1300, 1301, 1304, 1305, 1310, 1311, 1316,
      1317, 1329, 1335, 1336, 1341, 1343, 1344, 1353, 1357, 1371, 1399, 1400, 1401, 1402, 1403, 1559, 1561,
      1588, 1590, 1593, 1594, 1617, 1627, 1632, 1636, 1652, 1653, 1655, 1796, 1797, 1798, 1800, 1801, 1802,
      1803, 1804, 1805, 1806, 1807, 1808, 1810, 1811, 1812, 1821, 1837, 1840, 1841, 1842, 1866, 1889, 1890,
      1895, 1902, 1906, 1907, 1908, 2050, 2051, 2052, 2064, 2094, 2100, 2106, 2117, 2118};
  const Tokens& keywords = *GetBrevanKeywords();
  for (int id : used) EXPECT_NE(std::wstring(keywords.KeywordText(static_cast<short>(id), 0)), L"") << id;
}

TEST(TablesTest, TagNamesAreXmlNamesAndUnitsPairUp) {
  const Tokens& tags = *GetWorkspaceTags();
  for (const Row& row : ReadTable("tags.tsv")) {
    ASSERT_FALSE(row.text.empty());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(row.text[0]))) << row.text;
    for (char c : row.text) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << row.text;
  }
  for (short unit = 400; unit <= 412; ++unit) {
    EXPECT_NE(std::wstring(tags.TagName(unit, 0)), L"") << unit;
    EXPECT_NE(std::wstring(tags.TagName(static_cast<short>(unit + 20), 0)), L"") << unit + 20;
    EXPECT_NE(std::wstring(tags.TagName(unit, 0)), tags.TagName(413, 0));
  }
  EXPECT_EQ(std::wstring(tags.TagName(9999, 0)), L"");
}

TEST(TablesTest, ExpressionTableHoldsOnlyMarkedKeywords) {
  std::unique_ptr<Tokens> expr(CreateBrevanTokens());
  for (const Row& row : ReadTable("keywords.tsv"))
    EXPECT_EQ(expr->FindToken(static_cast<short>(row.id), 0) != nullptr, row.extra == "expr") << row.text;
  EXPECT_NE(expr->FindToken(static_cast<short>(Keyword::LeftParen), 0), nullptr);
  EXPECT_EQ(expr->FindToken(static_cast<short>(Keyword::Comma), 0), nullptr);
}

TEST(TablesTest, ErrorNumbersMatchTheMessageTable) {
  const Error numbers[] = {Error::UnresolvedIdentifier,
                           Error::InvalidToken,
                           Error::InvalidCommand,
                           Error::ExpectingToken,
                           Error::ExpectingTableIdentifier,
                           Error::ExpectingCoordinates,
                           Error::InvalidPanningDirection,
                           Error::InvalidCoordSys,
                           Error::ExpectingDistanceUnits,
                           Error::ExpectingFloat,
                           Error::ExpectingInteger,
                           Error::ExpectingFileName,
                           Error::ExpectingPassword,
                           Error::ExpectingUnits,
                           Error::InvalidLayerIdentifier,
                           Error::ExpectingDistanceType,
                           Error::InvalidWindowIdentifier,
                           Error::InvalidSpreading,
                           Error::InvalidApply,
                           Error::SetAttributeFailed,
                           Error::GetAttributeFailed,
                           Error::AppendFailed,
                           Error::SetValueFailed,
                           Error::ParseValueFailed,
                           Error::ExpectingString,
                           Error::NodeNotFound,
                           Error::ExpectingConstantString,
                           Error::ExpectingConstantNumber,
                           Error::LegendThemeNotFound,
                           Error::NodeByIndexFailed,
                           Error::InvalidThemeType,
                           Error::InvalidUnit,
                           Error::SetStyleFailed,
                           Error::LayerNameNotFound,
                           Error::InvalidExpression,
                           Error::OutOfMemory,
                           Error::FileNotFound,
                           Error::ConversionFailed,
                           Error::DatatypeMismatch,
                           Error::InvalidState};
  std::set<int> table;
  for (const Row& row : ReadTable("errors.tsv")) table.insert(row.id);
  std::set<int> code;
  for (Error e : numbers) code.insert(static_cast<int>(e));
  EXPECT_EQ(code, table);
  EXPECT_EQ(std::wstring(kErrorEntries[3].text), L"Expecting token\t\"^0\".");
}

}  // namespace
}  // namespace brevan
