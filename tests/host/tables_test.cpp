#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "brevan/brevan.h"
#include "brevan_ids.h"
#include "host/table_data.h"
#include "host/text.h"
#include "host/tokens.h"

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
    if (second != std::string::npos) {
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
  for (const char* name : {"keywords.tsv", "tags.tsv", "errors.tsv", "notes.tsv", "warnings.tsv"}) {
    std::set<int> ids;
    std::set<std::string> texts;
    const bool messages = std::string(name) != "keywords.tsv" && std::string(name) != "tags.tsv";
    for (const Row& row : ReadTable(name)) {
      EXPECT_TRUE(ids.insert(row.id).second) << name << ": id " << row.id;
      EXPECT_TRUE(texts.insert(Lower(row.text)).second) << name << ": " << row.text;
      EXPECT_TRUE(messages ? !row.extra.empty()
                           : row.extra.empty() || row.extra == "expr" || row.extra == "statement")
          << name << ": " << row.extra;
    }
  }
}

TEST(TablesTest, TagNamesAreXmlNames) {
  const Tokens& tags = *GetWorkspaceTags();
  for (const Row& row : ReadTable("tags.tsv")) {
    ASSERT_FALSE(row.text.empty());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(row.text[0]))) << row.text;
    for (char c : row.text) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << row.text;
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

// Every message number the code raises by name, and every one the public
// header promises, has a row with a text in errors.tsv; message 4 keeps its
// tab as written.
TEST(TablesTest, EveryRaisedNumberHasAMessage) {
  std::map<std::string, Row> rows;
  for (const Row& row : ReadTable("errors.tsv")) rows[row.text] = row;  // text: the name column
  const std::regex raised(R"(Error::([A-Z][A-Za-z]*))");
  size_t seen = 0;
  for (const char* folder : {"translator", "statements", "styles", "host", "api"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(BREVAN_SOURCE_DIR) + "/" + folder)) {
      std::ifstream in(entry.path());
      const std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (std::sregex_iterator it(code.begin(), code.end(), raised), end; it != end; ++it, ++seen) {
        const auto row = rows.find((*it)[1]);
        ASSERT_NE(row, rows.end()) << entry.path() << ": " << (*it)[1];
        EXPECT_FALSE(row->second.extra.empty()) << (*it)[1];
      }
    }
  }
  EXPECT_GT(seen, 30u);
  for (const int number : {ErrorNumber::kInvalidToken, ErrorNumber::kOutOfMemory})
    EXPECT_FALSE(FilledText(kErrorEntries, kErrorCount, static_cast<short>(number)).empty()) << number;
  EXPECT_EQ(FilledText(kErrorEntries, kErrorCount, static_cast<short>(Error::ExpectingToken), L"x"),
            L"Expecting token\t\"x\".");
}

}  // namespace
}  // namespace brevan
