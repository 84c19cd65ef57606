// The public API as a tool developer uses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
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

// Text that cannot be read has no system reason; a file that cannot be
// read keeps its errno, so that callers tell a missing file from a bad one.
TEST(ApiTest, InputErrorsHaveNumberZero) {
  const brevan::Result bad = brevan::TranslateBytes("Open Table \"\xFF\"");
  EXPECT_EQ(bad.error, brevan::ErrorNumber::kInputError);
  EXPECT_EQ(bad.systemError, 0);
  EXPECT_EQ(bad.xml, "");
  EXPECT_FALSE(brevan::TranslateBytes("!version many\n").ok);
  for (const auto& [path, reason] :
       {std::pair{"/no/such/file.bws", ENOENT}, {"/", EISDIR}, {"/dev/null", ENODEV}}) {
    const brevan::Result result = brevan::TranslateFile(path);
    EXPECT_EQ(result.systemError, reason) << path;
    EXPECT_EQ(result.error, brevan::ErrorNumber::kInputError) << path;
  }
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (const char16_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// ASCII text as UTF-32LE, after the rest of its mark.
std::string Utf32LittleEndian(const std::string& ascii) {
  std::string bytes(2, '\0');
  for (const char c : ascii) bytes += std::string{c, '\0', '\0', '\0'};
  return bytes;
}

// How bytes are read: line ends, blanks, byte-order marks, the version line,
// and what a file that cannot be read says, where, and what to do.
TEST(ApiTest, ReadingSaysWhereAndWhatToDo) {
  // Before version 200 a centre is two integers in millionths, the first negated.
  const std::string table = "Map From a\nSet Map Center (1000000, 2000000)\n";
  const struct {
    const char* name;
    std::string bytes;
    std::string encoding;
    int line, column;      // of the error; 0 0 when it translates
    std::string expected;  // within the message, or within the document
  } cases[] = {
      {"UTF-16LE after its mark", "\xFF\xFE" + Utf16(u"Open Table \"\u00E9\"", false), "", 0, 0,
       "file=\"\xC3\xA9\""},
      {"UTF-16BE after its mark", "\xFE\xFF" + Utf16(u"Open Table \"\u00E9\"", true), "", 0, 0,
       "file=\"\xC3\xA9\""},
      {"UTF-32LE after its mark", "\xFF\xFE" + Utf32LittleEndian("Open Table \"x\""), "", 0, 0, "file=\"x\""},
      {"UTF-16 without its mark", Utf16(u"Open Table \"a\"\n", false), "", 1, 2,
       "NUL bytes between the characters: this looks like UTF-16LE text without a byte-order mark; read it "
       "with --encoding UTF-16LE"},
      {"a binary file", std::string("Open Table \"a\0b\"", 16), "", 1, 14,
       "a NUL character: this looks like a binary file, not a workspace"},
      {"a binary file in a single-byte encoding",
       std::string("\x7F"
                   "ELF\0\1",
                   6),
       "ISO-8859-1", 1, 5, "this looks like a binary file"},
      {"Latin-1 read as UTF-8", "Open Table \"a\"\r\n# caf\xE9 \xE9\n", "", 2, 6,
       "byte 0xE9 is not valid UTF-8: name the file's encoding with --encoding NAME (the whole file reads as "
       "--encoding CP1252)"},
      {"a byte CP1252 lacks", "Open\nTable \x81", "CP1252", 2, 7, "byte 0x81 is not valid CP1252"},
      {"an encoding iconv lacks", "x", "NO-SUCH", 0, 0 - 0, "unknown encoding \"NO-SUCH\""},
      {"CR line ends", "Open Table \"a\"\r# a comment\rMap From 5\r", "", 3, 10,
       "Expecting table identifier"},
      {"CR LF line ends", "Open Table \"a\"\r\n# a comment\r\nMap From 5\r\n", "", 3, 10, "Expecting table"},
      {"a no-break space is a blank", "Open Table \"a\" As\xC2\xA0Roads\xC2\xA0\n", "", 0, 0,
       "alias=\"Roads\" />"},
      {"an ideographic space too", "Open Table \"a\" As\xE3\x80\x80Roads", "", 0, 0, "alias=\"Roads\" />"},
      {"!VERSION in capitals", "!VERSION 199\n" + table, "", 0, 0, "centerX=\"-1\""},
      {"the version line after blanks", " \t!version 199\n" + table, "", 0, 0, "centerX=\"-1\""},
      {"the version line with a comment", "!version 199 # old form\n" + table, "", 0, 0, "centerX=\"-1\""},
      {"the version line after comment lines", "# workspace\n\n!version 199\n" + table, "", 0, 0,
       "centerX=\"-1\""},
      {"a misspelt version line", "  !versoin 199\n" + table, "", 1, 3,
       "\"!versoin\" reads as a broken version line: write it \"!version N\", N a whole number from 0 to "
       "32767"},
      {"a version line without its number", "!version\n", "", 1, 1,
       "the version line must read \"!version N\""},
      {"a version out of range", "!version 40000\n", "", 1, 1, "the version line must read"},
      {"a version line with more after it", "!version 199 200\n", "", 1, 1, "the version line must read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    brevan::Options options;
    options.encoding = c.encoding;
    const brevan::Result result = brevan::TranslateBytes(c.bytes, options);
    if (c.line == 0 && c.expected.find("encoding") == std::string::npos) {
      ASSERT_TRUE(result.ok) << result.message;
      EXPECT_NE(result.xml.find(c.expected), std::string::npos) << result.xml;
      continue;
    }
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(std::pair(result.line, result.column), std::pair(c.line, c.column));
    EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
    ASSERT_EQ(result.diagnostics.size(), 1u);
    EXPECT_EQ(result.diagnostics[0].column, c.column);
  }
}

// A file that gives the document nothing says so, and why.
TEST(ApiTest, NothingToTranslateIsAWarning) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "the file is empty: the document holds nothing"},
      {"\xEF\xBB\xBF# only a comment\n\n",
       "the file holds only comments and blanks: the document holds nothing"},
      {"!version 300\n", "the file holds only comments and blanks"},
      {"Print \"x\"\nBrowse * From A\n",
       "nothing in this file enters the document: brevan translates Open Table"},
  };
  for (const auto& [text, message] : cases) {
    const brevan::Result result = brevan::TranslateBytes(text);
    EXPECT_TRUE(result.ok) << text;
    ASSERT_EQ(result.warnings.size(), 1u) << text;
    EXPECT_EQ(result.warnings[0].message.rfind(message, 0), 0u) << result.warnings[0].message;
    EXPECT_EQ(result.Count(brevan::Severity::Warning), 1u);
  }
  EXPECT_TRUE(brevan::TranslateBytes("Open Table \"a\"").warnings.empty());
}

// Remarks: in the one list of diagnostics, in the order of the text, never
// a failure, not even with strict.
TEST(ApiTest, RemarksAreDiagnosticsThatNeverFail) {
  brevan::Options strict;
  strict.strict = true;
  const std::string path = ::testing::TempDir() + "brevan_remarks.bws";
  std::ofstream(path) << "Map From a\nSet Map Clip Auto Display Off\nSet Map Limit Zoom 3\n";
  std::string document;
  const brevan::Result result =
      brevan::TranslateFile(path, strict, [&](std::string_view piece) { return document += piece, true; });
  std::remove(path.c_str());
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(document.empty());  // the warning fails it under strict, the remarks do not
  ASSERT_EQ(result.diagnostics.size(), 3u);
  const brevan::Severity kinds[] = {brevan::Severity::Remark, brevan::Severity::Warning,
                                    brevan::Severity::Remark};
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(result.diagnostics[i].severity, kinds[i]) << i;
  EXPECT_EQ(result.diagnostics[2].message,
            "the number after \"Limit Zoom\" is read and not written to the document");
  EXPECT_EQ(std::pair(result.diagnostics[2].line, result.diagnostics[2].column), std::pair(3, 20));
  EXPECT_EQ(result.diagnostics[2].sourceLine, "Set Map Limit Zoom 3");
  EXPECT_TRUE(brevan::TranslateBytes("Map From a\nSet Map Clip Auto\n", strict).ok);
}

TEST(ApiTest, VersionAndEncodingOptions) {
  const std::string old = "!version 199\nMap From a Width 2 \"cm\"\n";
  EXPECT_TRUE(brevan::TranslateBytes(old).ok);
  brevan::Options newest;
  newest.version = brevan::FormatVersion::Newest();
  // From 200 on the bare units string is not read: the statement ends before it.
  const brevan::Result result = brevan::TranslateBytes(old, newest);
  EXPECT_TRUE(result.ok);
  // The rest of the statement is skipped, told by its warning: no statement of its own.
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0].code, "statement-cut-short");
  EXPECT_EQ(result.warnings[0].line, 2);
  EXPECT_TRUE(result.skipped.empty());
  // A fallback form counts only for a text without a version line.
  brevan::Options fallback;
  fallback.fallbackVersion = brevan::FormatVersion(199);
  EXPECT_TRUE(brevan::TranslateBytes(old.substr(old.find('\n') + 1), fallback).warnings.empty());
  EXPECT_EQ(
      brevan::TranslateBytes("!version 300\n" + old.substr(old.find('\n') + 1), fallback).warnings.size(),
      1u);

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

namespace {

struct DocumentedKind {
  std::string code;
  std::string workspace;
  std::string encoding;  // from a first line "# brevan --encoding NAME"
};

// The kinds docs/diagnostics.md shows: each heading's code and the
// workspace indented below it (\xNN stands for that byte).
std::vector<DocumentedKind> DocumentedKinds() {
  std::ifstream in(std::string(BREVAN_SOURCE_DIR) + "/docs/diagnostics.md");
  std::vector<DocumentedKind> kinds;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("### `")) {
      kinds.push_back({line.substr(5, line.find('`', 5) - 5), "", ""});
    } else if (line.starts_with("    # brevan --encoding ") && !kinds.empty()) {
      kinds.back().encoding = line.substr(24);
    } else if (line.starts_with("    ") && !kinds.empty()) {
      std::string text = line.substr(4) + '\n';
      for (size_t at; (at = text.find("\\x")) != std::string::npos;)
        text.replace(at, 4, 1, static_cast<char>(std::stoi(text.substr(at + 2, 2), nullptr, 16)));
      kinds.back().workspace += text;
    }
  }
  return kinds;
}

}  // namespace

// Every kind of warning and remark has its code in the documentation with
// a workspace that draws it, and --ignore silences exactly that kind.
TEST(ApiTest, EveryDiagnosticCodeIsDocumentedWithAWorkspaceThatDrawsIt) {
  const std::vector<DocumentedKind> documented = DocumentedKinds();
  const std::vector<brevan::DiagnosticKind> kinds = brevan::DiagnosticKinds();
  ASSERT_EQ(documented.size(), kinds.size());
  brevan::Options options;
  options.checkFiles = true;
  options.rewritePaths = {{"C:\\data", "/data"}};
  for (size_t i = 0; i < kinds.size(); ++i) {
    // Named, not bound: clang 14 does not let a lambda capture a structured binding.
    const std::string& code = documented[i].code;
    const std::string& workspace = documented[i].workspace;
    options.encoding = documented[i].encoding;
    EXPECT_EQ(code, kinds[i].code) << "the documentation lists the codes in the order of the tables";
    const auto drawn = [&](const brevan::Result& result) {
      return std::count_if(result.diagnostics.begin(), result.diagnostics.end(),
                           [&](const brevan::Diagnostic& d) { return d.code == code; });
    };
    EXPECT_GT(drawn(brevan::TranslateBytes(workspace, options)), 0) << code;
    brevan::Options ignoring = options;
    ignoring.ignore = {code};
    EXPECT_EQ(drawn(brevan::TranslateBytes(workspace, ignoring)), 0) << code;
  }
}
