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
