// The public API as a tool developer uses it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <pugixml.hpp>
#include <thread>
#include <utility>

#include "brevan/brevan.h"

namespace {

TEST(ApiTest, TranslatesText) {
  const brevan::Result result = brevan::TranslateBytes("Open Table \"a\" As a\nMap From a\n");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(std::pair(result.error, result.message), std::pair(0, std::string()));
  EXPECT_EQ(result.xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace>\n", 0), 0u);
  brevan::Options compact;
  compact.indent = false;
  EXPECT_EQ(brevan::TranslateBytes("", compact).xml,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace/>\n");
}

TEST(ApiTest, ErrorsCarryNumberMessageAndPlace) {
  const brevan::Result result = brevan::TranslateBytes("Open Table \"a\"\nMap From a\n  Height x\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, 10);
  EXPECT_EQ(result.message, "Expecting a floating point value.");
  EXPECT_EQ(std::pair(result.line, result.column), std::pair(3, 10));
  EXPECT_EQ(result.sourceLine, "  Height x");
  EXPECT_NE(result.xml.find("<Table file=\"a\" />"), std::string::npos);  // as it stood
  const brevan::Result token = brevan::TranslateBytes("Map From \"t\", \"u");
  EXPECT_EQ(std::pair(token.error, token.column), std::pair(2, 15));
  EXPECT_EQ(token.message, "Invalid token \"\"u\". (string constant not closed on its line)");
  const brevan::Result filled = brevan::TranslateBytes("Map Form t");
  EXPECT_EQ(filled.message, "Expecting token\t\"From\".");
}

TEST(ApiTest, WarningsCarryPlaceMessageAndSourceLine) {
  const brevan::Result result =
      brevan::TranslateBytes("Map From a\r\nSet Map Layer 1 Label With x +\r\n  y Display Off\r\n");
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(std::pair(result.warnings[0].line, result.warnings[0].column), std::pair(3, 3));
  EXPECT_EQ(result.warnings[0].message, "expression continues onto line 3");
  EXPECT_EQ(result.warnings[0].sourceLine, "  y Display Off");
  EXPECT_NE(result.xml.find("<LabelExpression>x+y</LabelExpression>"), std::string::npos);
}

TEST(ApiTest, StrictHandsOverNoDocumentWithWarnings) {
  const std::string path = ::testing::TempDir() + "brevan_strict.bws";
  std::ofstream(path) << "Map From a\nSet Map Display Off\n";
  for (const bool partial : {false, true}) {
    brevan::Options options;
    options.strict = true;
    options.partial = partial;
    std::string document;
    const auto collect = [&](std::string_view piece) {
      document += piece;
      return true;
    };
    const brevan::Result result = brevan::TranslateFile(path, options, collect);
    EXPECT_TRUE(result.ok);  // the statements were translated
    EXPECT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(document.empty(), !partial);
    // Kept, the document is in the result whether or not it was handed over.
    const std::string handedOver = std::exchange(document, std::string());
    options.keepDocument = true;
    const brevan::Result kept = brevan::TranslateFile(path, options, collect);
    EXPECT_EQ(document, handedOver);
    EXPECT_NE(kept.xml.find("<Layer name=\"a\""), std::string::npos);
    EXPECT_TRUE(!partial || kept.xml == document);
  }
  std::remove(path.c_str());
}

TEST(ApiTest, CheckListsEveryErrorWithItsSpanAndNotes) {
  brevan::Options options;
  options.check = true;
  const brevan::Result result =
      brevan::TranslateBytes("Map From a, t, t\nMap From b\nSet Map Zoom x\n", options);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.xml, "");  // nothing is made
  ASSERT_EQ(result.errors.size(), 2u);
  const brevan::Diagnostic& table = result.errors[0];
  EXPECT_EQ(table.number, 26);
  EXPECT_EQ(table.line, 1);
  EXPECT_EQ(table.column, 16);
  EXPECT_EQ(table.endColumn, 17);
  EXPECT_EQ(table.notes,
            std::vector<std::string>{
                "no table is open under the name \"t\": open it first with \"Open Table … As t\""});
  EXPECT_EQ(result.errors[1].number, 10);
  EXPECT_EQ(result.errors[1].line, 3);
  // The first error's fields repeat it.
  EXPECT_EQ(result.error, 26);
  EXPECT_EQ(result.endColumn, 17);
  EXPECT_EQ(result.notes, table.notes);
  // Translation itself stops at the first.
  EXPECT_EQ(brevan::TranslateBytes("Map From t, t\nSet Map Zoom x\n").errors.size(), 1u);
}

TEST(ApiTest, InputErrorsHaveNumberZero) {
  const brevan::Result bad = brevan::TranslateBytes("Open Table \"\xFF\"");
  EXPECT_EQ(bad.error, 0);
  EXPECT_EQ(bad.line, 1);
  EXPECT_EQ(bad.xml, "");
  EXPECT_NE(bad.message.find("0xFF"), std::string::npos);
  EXPECT_EQ(brevan::TranslateFile("/no/such/file.bws").error, 0);
  EXPECT_FALSE(brevan::TranslateBytes("!version many\n").ok);
}

TEST(ApiTest, VersionAndEncodingOptions) {
  const std::string old = "!version 199\nMap From a Width 2 \"cm\"\n";
  EXPECT_TRUE(brevan::TranslateBytes(old).ok);
  brevan::Options newest;
  newest.version = 300;
  // From 200 on the bare units string is not read: the statement ends before it.
  const brevan::Result result = brevan::TranslateBytes(old, newest);
  EXPECT_TRUE(result.ok);
  ASSERT_EQ(result.skipped.size(), 1u);
  EXPECT_EQ(result.skipped[0].keyword, "\"cm\"");
  EXPECT_EQ(result.skipped[0].line, 2);

  brevan::Options latin;
  latin.encoding = "ISO-8859-1";
  EXPECT_NE(brevan::TranslateBytes("Open Table \"caf\xE9\"", latin).xml.find("caf\xC3\xA9"),
            std::string::npos);
}

TEST(ApiTest, IntoAPugixmlDocument) {
  pugi::xml_document document;
  document.append_child("Old");
  const brevan::Result result = brevan::TranslateBytes("Open Table \"a\" As a", document);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.xml, "");
  EXPECT_STREQ(document.document_element().name(), "Workspace");
  EXPECT_STREQ(document.select_node("/Workspace/Tables/Table").node().attribute("alias").value(), "a");
  EXPECT_FALSE(document.child("Old"));
}

TEST(ApiTest, ThreadsDoNotSeeEachOthersErrors) {
  std::vector<std::thread> threads;
  std::vector<brevan::Result> results(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&results, i] {
      for (int round = 0; round < 50; ++round)
        results[i] = brevan::TranslateBytes(i % 2 ? "Open Table 5" : "Open Table \"a\"\nMap From b, b");
    });
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(results[i].error, i % 2 ? 12 : 26) << i;
    EXPECT_EQ(results[i].line, i % 2 ? 1 : 2) << i;
  }
}

}  // namespace
