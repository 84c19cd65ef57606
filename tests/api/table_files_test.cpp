// Table files on this machine: found as the host would find them, missing
// ones warned of at their file string, and paths rewritten for data that
// moved.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "brevan/files.h"

namespace {

namespace fs = std::filesystem;

class TableFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("brevan_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    for (const char* file :
         {"ws/data/roads.tbl", "ws/data/Rivers.TBL", "ws/data/parks.tab", "ws/data/old/hills.tbl",
          "ws/forest.tbl", "root/GIS/data/towns.tbl", "root/lakes.tbl", "root/shared/hydro/rivers.tbl"}) {
      fs::create_directories((dir / file).parent_path());
      std::ofstream(dir / file) << "t";
    }
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
};

TEST_F(TableFilesTest, FoundAsTheHostWouldFindThem) {
  using brevan::FileStatus;
  const std::string ws = (dir / "ws").string(), root = (dir / "root").string();
  const struct {
    std::string file;
    bool withRoot;
    FileStatus status;
    std::string found;  // where, below dir; for a missing file its near match
  } cases[] = {
      {"data/roads.tbl", false, FileStatus::Found, "ws/data/roads.tbl"},
      {"data\\roads.tbl", false, FileStatus::Found, "ws/data/roads.tbl"},
      {".\\data//\\roads.tbl", false, FileStatus::Found, "ws/data/roads.tbl"},
      {(dir / "ws/data/roads.tbl").string(), false, FileStatus::Found, "ws/data/roads.tbl"},
      {"data/rivers.tbl", false, FileStatus::FoundOtherCase, "ws/data/Rivers.TBL"},
      {"DATA\\ROADS.TBL", false, FileStatus::FoundOtherCase, "ws/data/roads.tbl"},
      {"C:\\GIS\\data\\towns.tbl", true, FileStatus::Found, "root/GIS/data/towns.tbl"},
      {"c:/elsewhere/GIS/data/TOWNS.tbl", true, FileStatus::FoundOtherCase, "root/GIS/data/towns.tbl"},
      {"\\\\server\\share\\maps\\lakes.tbl", true, FileStatus::Found, "root/lakes.tbl"},
      {"\\\\gisserver\\shared\\hydro\\rivers.tbl", true, FileStatus::Found, "root/shared/hydro/rivers.tbl"},
      {"C:\\GIS\\data\\towns.tbl", false, FileStatus::Missing, ""},
      {"data/parks.tbl", false, FileStatus::Missing, "ws/data/parks.tab"},
      {"data/hills.tbl", false, FileStatus::Missing, "ws/data/old/hills.tbl"},
      {"data/forest.tbl", false, FileStatus::Missing, "ws/forest.tbl"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const brevan::FileLookup found = brevan::FindTableFile(
        c.file, ws, c.withRoot ? std::vector<std::string>{root} : std::vector<std::string>{});
    EXPECT_EQ(found.status, c.status);
    const std::string& where = c.status == FileStatus::Missing ? found.nearMatch : found.path;
    EXPECT_EQ(c.found.empty() ? where : fs::path(where).lexically_relative(dir).string(), c.found);
  }
  // A foreign path with no data root is looked for nowhere; a relative one beside the workspace.
  EXPECT_TRUE(brevan::FindTableFile("C:\\x.tbl", ws, {}).lookedFor.empty());
  EXPECT_EQ(brevan::FindTableFile("no/such.tbl", ws, {}).lookedFor,
            std::vector<std::string>{ws + "/no/such.tbl"});
}

// Folder listings are kept between lookups, and not past a change: a file
// that appears after a lookup is found by the next, also at once.
TEST_F(TableFilesTest, ALookupSeesAFolderAsItIsNow) {
  const std::string ws = (dir / "ws").string();
  const fs::path old = dir / "ws" / "data";
  fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(1));  // still: kept
  EXPECT_EQ(brevan::FindTableFile("data/TOWNS.tbl", ws, {}).status, brevan::FileStatus::Missing);
  std::ofstream(old / "Towns.tbl") << "t";
  EXPECT_EQ(brevan::FindTableFile("data/TOWNS.tbl", ws, {}).status, brevan::FileStatus::FoundOtherCase);
  fs::remove(old / "Towns.tbl");
  EXPECT_EQ(brevan::FindTableFile("data/TOWNS.tbl", ws, {}).status, brevan::FileStatus::Missing);
}

TEST(PathRewriteTest, LongestPrefixAtWholeComponents) {
  const std::vector<brevan::PathRewrite> rules = {{"C:\\GIS", "/mnt/gis"},
                                                  {"C:\\GIS\\data\\", "/data"},
                                                  {"\\\\server\\share", "/srv"},
                                                  {"/old", "/new/"},
                                                  {"/srv/cartes", "D:\\Cartes"}};
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"C:\\GIS\\data\\roads.tbl", "/data/roads.tbl"},
      {"c:\\gis\\Other\\x.tbl", "/mnt/gis/Other/x.tbl"},  // a drive letter names no case
      {"C:/GIS/data/roads.tbl_2", "/data/roads.tbl_2"},   // copies like their tables
      {"C:\\GISDATA\\x.tbl", std::nullopt},               // not at a whole component
      {"\\\\SERVER\\Share\\a\\b.tbl", "/srv/a/b.tbl"},
      {"/old/data/a.tbl", "/new/data/a.tbl"},
      {"/OLD/data/a.tbl", std::nullopt},  // here, case matters
      {"data/a.tbl", std::nullopt},
      {"/srv/cartes/data/nord/counties.tbl",
       "D:\\Cartes\\data\\nord\\counties.tbl"},  // the target's separators
  };
  for (const auto& [path, rewritten] : cases) EXPECT_EQ(brevan::RewritePath(path, rules), rewritten) << path;
  brevan::PathRewrite rule;
  std::string error;
  EXPECT_TRUE(brevan::ParsePathRewrite("C:\\a=b=c", rule, error));
  EXPECT_EQ(std::pair(rule.from, rule.to), std::pair(std::string("C:\\a"), std::string("b=c")));
  EXPECT_FALSE(brevan::ParsePathRewrite("C:\\a", rule, error));
  EXPECT_EQ(error, "a path rewrite reads OLD=NEW, and \"C:\\a\" has no \"=\"");
  EXPECT_FALSE(brevan::ParsePathRewrite("=b", rule, error));
}

// Translating with checkFiles and rewrites: warnings at the file strings,
// copies checked as their table, rewrites in the document and as remarks.
TEST_F(TableFilesTest, CheckedAndRewrittenWhileTranslating) {
  const std::string text =
      "Open Table \"data/roads.tbl\" As Roads\nOpen Table \"data\\parks.tbl\" As Parks\n"
      "Open Table \"C:\\GIS\\data\\towns.tbl\" As Towns\nMap From Roads, Roads, Towns, Towns\n";
  brevan::Options options;
  options.checkFiles = true;
  options.folder = (dir / "ws").string();
  const brevan::Result checked = brevan::TranslateBytes(text, options);
  ASSERT_TRUE(checked.ok);
  ASSERT_EQ(checked.warnings.size(), 2u);
  EXPECT_EQ(checked.warnings[0].message,
            "table file \"data\\parks.tbl\" not found (looked for " + options.folder + "/data/parks.tbl)");
  EXPECT_EQ(std::pair(checked.warnings[0].line, checked.warnings[0].column), std::pair(2, 12));
  EXPECT_EQ(
      checked.warnings[0].notes,
      std::vector<std::string>{"a file that may be the one meant: " + options.folder + "/data/parks.tab"});
  EXPECT_EQ(checked.warnings[1].message,
            "table file \"C:\\GIS\\data\\towns.tbl\" not found (looked for no place on this machine)");
  EXPECT_EQ(checked.missingFiles, (std::vector<std::string>{"data\\parks.tbl", "C:\\GIS\\data\\towns.tbl"}));

  options.rewritePaths = {{"C:\\GIS", (dir / "root" / "GIS").string()}};
  const brevan::Result rewritten = brevan::TranslateBytes(text, options);
  EXPECT_EQ(rewritten.missingFiles, std::vector<std::string>{"data\\parks.tbl"});
  const std::string moved = (dir / "root" / "GIS").string();
  EXPECT_NE(rewritten.xml.find("<Table file=\"" + moved + "/data/towns.tbl\" alias=\"Towns\" />"),
            std::string::npos);
  EXPECT_NE(rewritten.xml.find("<Table file=\"" + moved + "/data/towns.tbl_2\" alias=\"Towns_2\" />"),
            std::string::npos)
      << rewritten.xml;
  ASSERT_EQ(rewritten.Count(brevan::Severity::Remark), 1u);
  EXPECT_EQ(rewritten.diagnostics.back().message, "table file \"C:\\GIS\\data\\towns.tbl\" is written as \"" +
                                                      moved + "/data/towns.tbl\" (a path rewrite)");
  // Without the options the document is as translated.
  EXPECT_NE(brevan::TranslateBytes(text).xml.find("file=\"C:\\GIS\\data\\towns.tbl_2\""), std::string::npos);
}

}  // namespace
