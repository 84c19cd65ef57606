// The brevan tool as a user runs it: files in, document and messages out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "cli/heap_pages.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
using brevan::test::Slurp;

struct ToolRun {
  int exitCode;
  std::string out;
  std::string err;
};

class BrevanToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("brevan_cli_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  // Runs brevan with arguments (shell words), standard input from stdinFile when given.
  ToolRun Brevan(const std::string& arguments, const std::string& stdinFile = "/dev/null") {
    const std::string command = std::string(BREVAN_BINARY_DIR) + "/brevan " + arguments + " <" + stdinFile +
                                " >" + (dir / "out").string() + " 2>" + (dir / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  }

  // Runs a shell script in which $BREVAN is the tool; its output and
  // messages are captured as a whole.
  ToolRun Script(const std::string& script) {
    const std::string command = "BREVAN=" + std::string(BREVAN_BINARY_DIR) + "/brevan; { " + script +
                                "; } </dev/null >" + (dir / "out").string() + " 2>" + (dir / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
  }

  // count large workspaces (a second or so each), as " PATH PATH…".
  std::string Generated(int count) {
    std::string files;
    for (int i = 0; i < count; ++i) {
      const std::string path = (dir / "w").string() + std::to_string(i) + ".bws";
      EXPECT_EQ(std::system((std::string(BREVAN_BINARY_DIR) + "/brevan_generate 1 > " + path).c_str()), 0);
      files.append(" ").append(path);
    }
    return files;
  }

  fs::path dir;
};

TEST_F(BrevanToolTest, TranslatesToIndentedXmlWithADeclaration) {
  const std::string file = Write("w.wks", "Open Table \"a.tbl\" As a\n");
  const ToolRun run = Brevan(file);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace>\n  <Tables>\n"
            "    <Table file=\"a.tbl\" alias=\"a\" />\n  </Tables>\n</Workspace>\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(BrevanToolTest, ErrorNamesFileLineAndColumnWithACaret) {
  const std::string file = Write("bad.wks", "Open Table \"a\" As a\nMap From a\n\tHeight x\n");
  const ToolRun run = Brevan(file + " -o " + (dir / "doc.xml").string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, file + ":3:9: error 10: Expecting a floating point value.\n\tHeight x\n\t       ^\n");
  EXPECT_FALSE(fs::exists(dir / "doc.xml"));
}

// Options and inputs, each as the tool is run: its exit status and what
// its output and its messages must hold. In the arguments, W stands for
// the workspace file written from the case's text.
TEST_F(BrevanToolTest, OptionsAndInputs) {
  const struct {
    const char* arguments;
    std::string workspace;
    int exitCode;
    std::string out;  // expected within standard output
    std::string err;  // expected within the messages
  } cases[] = {
      {"W", "# nothing here\n", 0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace />\n",
       "w.bws: warning: the file holds only comments and blanks"},
      {"W", "Open Table \"a\" As 5\n", 1, "", ":1:19: error 5: Expecting table identifier \"\".\n"},
      {"W", "Map t\n", 1, "", "error 4: Expecting token\t\"From\".\n"},
      {"--partial W", "Open Table \"a\"\nOpen Table 5\n", 1, "<Table file=\"a\" />", "error 12"},
      {"--partial W", "Open Table \"a\" As a\nOpen Table \"b\n", 1,
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workspace />\n", "error 2"},
      {"- <W", "\xEF\xBB\xBFOpen Table \"b\"\n", 0, "<Table file=\"b\" />", ""},
      {"- <W", "Open 1", 1, "", "<stdin>:1:6: error 2"},
      {"W", "Open Table \"caf\xE9\"\n\n", 2, "",
       ":1:16: error: byte 0xE9 is not valid UTF-8: name the file's encoding with --encoding NAME (the whole "
       "file reads as --encoding CP1252)\nOpen Table \"caf\\xE9\"\n               ^~~~\n"},
      {"--encoding ISO-8859-1 W", "Open Table \"caf\xE9\"\n", 0, "file=\"caf\xC3\xA9\"", ""},
      {"--encoding NO-SUCH-THING W", "x", 2, "", "unknown encoding"},
      // Before version 200 a units string follows at once; from 200 it comes after Units.
      {"W", "!version 199\nMap From a Width 2 Units \"cm\"\n", 1, "", ":2:20: error 14:"},
      {"--format-version 300 W", "!version 199\nMap From a Width 2 Units \"cm\"\n", 0, "Width=\"2\"", ""},
      {"W", "!version x\n", 2, "", ":1:1: error: the version line must read \"!version N\""},
      {"W", "Map From a\nSet Map Zoom " + std::string(5000, 'x') + "\n", 1, "", "x…\n             ^~~~"},
      {"", "", 2, "", "no workspace file given"},
      {"--no-such-option W", "", 2, "", ""},
      {"missing.wks", "", 2, "", "cannot read"},
      {"--help", "", 0, "--partial", ""},
      {"--list-keywords", "", 0, "1102\tLayer\n", ""},
      {"--list-tags", "", 0, "3\tMapWindow\n", ""},
      {"--version", "", 0, "brevan ", ""},
  };
  for (const auto& c : cases) {
    std::string arguments = c.arguments;
    const std::string file = Write("w.bws", c.workspace);
    for (size_t at; (at = arguments.find('W')) != std::string::npos;) arguments.replace(at, 1, file);
    const bool fromStdin = arguments.rfind("- <", 0) == 0;
    const ToolRun run = fromStdin ? Brevan("-", file) : Brevan(arguments);
    SCOPED_TRACE(c.arguments + (": " + c.workspace.substr(0, 60)));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_LT(run.err.size(), 600u);  // a long line is shown around its caret
  }
}

// Every statement passed over is listed once by its first words, also when
// it starts with a word no statement of ours does; the remarks come with it.
TEST_F(BrevanToolTest, ReportListsEveryStatementPassedOverAndTheRemarks) {
  const std::string file =
      Write("r.bws",
            "Open Table \"a.tbl\" As A Quiet\nMap From A\nBrowse * From A\nShade 1 With X\n"
            "Set Window Title \"x\"\nCreate Map Legend\n");
  const ToolRun plain = Brevan(file);
  EXPECT_EQ(plain.err, "");  // remarks are told only when asked for
  const ToolRun run = Brevan("--report " + file);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err,
            file +
                ":1:25: remark: this clause is read and not written to the document [clause-not-written]\n" +
                "Open Table \"a.tbl\" As A Quiet\n                        ^~~~~\n" + file +
                ":3:1: skipped: Browse\n" + file + ":4:1: skipped: Shade\n" + file +
                ":5:1: skipped: Set Window Title\n" + file + ":6:1: skipped: Create Map Legend\n");
  EXPECT_EQ(Brevan("--remarks " + file).err.find("skipped"), std::string::npos);
  // A statement that continues an expression over its line is not two.
  const std::string continued =
      Write("c.bws", "Open Table \"a\"\nSelect * From A Where x = (1 +\nName)\nPrint 2 +\nName\n");
  const ToolRun folded = Brevan("--report " + continued);
  EXPECT_EQ(folded.err, continued + ":2:1: skipped: Select\n" + continued + ":4:1: skipped: Print\n");
}

// No byte of a user's file reaches the terminal unescaped: not in a message,
// not in the echoed source line, not in a report line; the caret still
// stands under the culprit. JSON escapes them as JSON does.
TEST_F(BrevanToolTest, ControlCharactersAreShownEscaped) {
  const std::string file =
      Write("esc.bws", "Map From a\nSet Map Zoom \x1b[2J \x1b]0;title\x07 5\n\x1b[31mRed\n");
  const ToolRun run = Brevan("--report " + file);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\x07'), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("error 10: Expecting a floating point value.\n"
                         "Set Map Zoom \\x1b[2J \\x1b]0;title\\x07 5\n"
                         "             ^~~~\n"),
            std::string::npos)
      << run.err;
  const ToolRun json = Brevan("--diagnostics-format json " + file);
  EXPECT_EQ(json.err.find('\x1b'), std::string::npos);
  const ToolRun binary = Brevan("--encoding ISO-8859-1 " + std::string(BREVAN_BINARY_DIR) + "/brevan");
  EXPECT_EQ(binary.exitCode, 2);
  EXPECT_NE(binary.err.find("this looks like a binary file, not a workspace"), std::string::npos)
      << binary.err.substr(0, 300);
  for (const char c : binary.err)
    EXPECT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
}

TEST_F(BrevanToolTest, WarningsAreToldAndStrictMakesThemFail) {
  const std::string cut = Write("cut.bws", "Map From a\n\tSet Map Display Off Zoom 5\n");
  const std::string clean = Write("clean.bws", "Map From a\n");
  const ToolRun run = Brevan(cut);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("<MapWindow>"), std::string::npos);
  EXPECT_EQ(
      run.err,
      cut +
          ":2:18: warning: statement ends before \"Off\": the rest of it is skipped [statement-cut-short]\n"
          "\tSet Map Display Off Zoom 5\n\t                ^~~\n");

  const ToolRun strict = Brevan("--strict " + cut);
  EXPECT_EQ(strict.exitCode, 1);
  EXPECT_EQ(strict.out, "");
  EXPECT_NE(strict.err.find(cut + ": error: 1 warning with --strict\n"), std::string::npos) << strict.err;
  const ToolRun partial = Brevan("--strict --partial " + cut);
  EXPECT_EQ(partial.exitCode, 1);
  EXPECT_NE(partial.out.find("<MapWindow>"), std::string::npos);
  EXPECT_EQ(Brevan("--strict " + clean).exitCode, 0);

  const std::string out = (dir / "o").string();
  const ToolRun batch = Brevan("--out-dir " + out + " " + cut + " " + clean);
  EXPECT_EQ(batch.exitCode, 0);
  EXPECT_NE(batch.err.find("brevan: 1 translated, 1 translated with warnings, 0 failed, 1 warning\n"),
            std::string::npos)
      << batch.err;
  const ToolRun strictBatch = Brevan("--strict --out-dir " + (dir / "s").string() + " " + cut + " " + clean);
  EXPECT_EQ(strictBatch.exitCode, 1);
  EXPECT_NE(strictBatch.err.find("brevan: 1 translated, 1 failed, 1 warning\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "s" / "cut.xml"));
  EXPECT_TRUE(fs::exists(dir / "s" / "clean.xml"));
}

TEST_F(BrevanToolTest, CheckReportsEveryErrorAndWritesNothing) {
  const std::string file = Write("three.bws",
                                 "Map From t, u\nSet Map Zoom x\nSet Map Layer 5 Nodes\n"
                                 "Theme 1 With X Bars Max Size 1\nSet Legend Layer 1 Title \"t\"\n");
  const ToolRun check = Brevan("--check " + file);
  EXPECT_EQ(check.exitCode, 1);
  EXPECT_EQ(check.out, "");
  EXPECT_EQ(
      check.err,
      file +
          ":2:14: error 10: Expecting a floating point value.\n"
          "Set Map Zoom x\n             ^\n" +
          file +
          ":3:15: error 26: XML node cannot be found: \"Layer\"\n"
          "Set Map Layer 5 Nodes\n              ^\n" +
          file + ":3:15: note: layer 5 was asked for, and the layers are numbered 1 to 2\n" + file +
          ":4:21: error 32: Invalid unit.\n"
          "Theme 1 With X Bars Max Size 1\n                    ^~~~~~~~~~\n" +
          file +
          ":4:21: note: no unit is given: the units known are in, px, cm, mm, ft, yd, mi, m, "
          "km, nmi, pc, twip, dm\n" +
          file +
          ":5:18: warning: layer 1 has no theme waiting for legend settings: this legend is read and not "
          "written [legend-no-theme]\nSet Legend Layer 1 Title \"t\"\n                 ^\n");
  // Without --check translation stops at the first.
  const ToolRun plain = Brevan(file);
  EXPECT_EQ(plain.exitCode, 1);
  EXPECT_EQ(plain.err.find("error 26"), std::string::npos);
  EXPECT_EQ(Brevan("--check -o x " + file).exitCode, 2);
  const std::string clean = Write("clean.bws", "Map From a\n");
  const ToolRun batch = Brevan("--check " + file + " " + clean);
  EXPECT_EQ(batch.exitCode, 1);
  EXPECT_NE(batch.err.find("brevan: 1 checked, 1 failed, 1 warning\n"), std::string::npos) << batch.err;
}

TEST_F(BrevanToolTest, JsonDiagnosticsParse) {
  const std::string file = Write("j.bws", "Map From a\nSet Map Display Off\nSet Map Layer 7 Nodes\n");
  const ToolRun run = Brevan("--diagnostics-format json --check " + file);
  EXPECT_EQ(run.exitCode, 1);
  std::ofstream(dir / "diagnostics.json", std::ios::binary) << run.err;
  // Each line one JSON object; python's parser reads them back.
  const std::string command =
      "python3 -c 'import json, sys\n"
      "for line in open(sys.argv[1]):\n"
      "  d = json.loads(line)\n"
      "  print(d[\"severity\"], d[\"number\"], d[\"line\"], d[\"column\"], d[\"endColumn\"],"
      " d[\"file\"].endswith(\"j.bws\"), d[\"message\"], d[\"notes\"])' " +
      (dir / "diagnostics.json").string() + " > " + (dir / "parsed").string();
  ASSERT_EQ(std::system(command.c_str()), 0) << run.err;
  EXPECT_EQ(
      Slurp(dir / "parsed"),
      "warning 0 2 17 20 True statement ends before \"Off\": the rest of it is skipped []\n"
      "error 26 3 15 16 True XML node cannot be found: \"Layer\" ['layer 7 was asked for, and the layers "
      "are numbered 1 to 1']\n");
}

TEST_F(BrevanToolTest, BatchWritesGoodFilesAndReportsBadOnes) {
  std::string files;
  for (int i = 0; i < 12; ++i) {
    const std::string text =
        i % 4 == 3 ? "Open Table 5\n" : "Open Table \"t" + std::to_string(i) + "\"\nMap From t\n";
    // (no "literal" + std::string&& in this file: GCC 12 warns falsely of -Wrestrict)
    files.append(" ").append(Write("in" + std::to_string(i) + ".bws", text));
  }
  const ToolRun one = Brevan("--jobs 1 --out-dir " + (dir / "one").string() + files);
  const ToolRun four = Brevan("--jobs 4 --out-dir " + (dir / "four").string() + files);
  for (const ToolRun* run : {&one, &four}) {
    EXPECT_EQ(run->exitCode, 1);
    EXPECT_NE(run->err.find("brevan: 9 translated, 3 failed\n"), std::string::npos) << run->err;
    for (int bad : {3, 7, 11})
      EXPECT_NE(run->err.find("in" + std::to_string(bad) + ".bws:1:12: error 12:"), std::string::npos)
          << run->err;
  }
  // Told in input order whatever the order of finishing, so both runs say the same.
  std::string oneErr = one.err, fourErr = four.err;
  for (std::string* text : {&oneErr, &fourErr})
    for (size_t at;
         (at = text->find("/one/")) != std::string::npos || (at = text->find("/four/")) != std::string::npos;)
      text->replace(at, text->find('/', at + 1) - at + 1, "/OUT/");
  EXPECT_EQ(oneErr, fourErr);
  for (int i = 0; i < 12; ++i) {
    const std::string name = "in" + std::to_string(i) + ".xml";
    EXPECT_EQ(fs::exists(dir / "one" / name), i % 4 != 3) << name;
    if (i % 4 != 3) {
      EXPECT_EQ(Slurp(dir / "one" / name), Slurp(dir / "four" / name)) << name;
    }
  }
}

// Inputs of every kind: a directory is reported and the batch goes on; a
// FIFO and a pipe are read as they come.
TEST_F(BrevanToolTest, DirectoriesPipesAndFifos) {
  const std::string good = Write("good.bws", "Open Table \"a\" As a\n");
  fs::create_directories(dir / "folder.bws");
  const std::string fifo = (dir / "fifo.bws").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ToolRun batch = Script("$BREVAN --out-dir " + (dir / "xml").string() + " " + good + " " +
                               (dir / "folder.bws").string() + " " + fifo + " & printf 'Map From a\\n' > " +
                               fifo + "; wait $!");
  EXPECT_EQ(batch.exitCode, 1) << batch.err;
  EXPECT_NE(batch.err.find(
                "folder.bws: error: cannot read: it is a directory (-r translates the workspaces in it)\n"),
            std::string::npos)
      << batch.err;
  EXPECT_NE(batch.err.find("brevan: 2 translated, 1 failed\n"), std::string::npos) << batch.err;
  EXPECT_NE(Slurp(dir / "xml" / "fifo.xml").find("<MapWindow>"), std::string::npos);
  EXPECT_EQ(Brevan("/dev/null").exitCode, 2);  // a device is no workspace
  const std::string piped = "cat " + good + " | " + std::string(BREVAN_BINARY_DIR) + "/brevan /dev/stdin";
  EXPECT_EQ(std::system((piped + " > " + (dir / "piped").string()).c_str()), 0);
  EXPECT_NE(Slurp(dir / "piped").find("<Table file=\"a\""), std::string::npos);
}

// A failed write never destroys the old document nor leaves a new one
// half written; it says why.
TEST_F(BrevanToolTest, WritesAreWholeOrNothing) {
  const std::string big = Write("big.bws", Slurp(fs::path(BREVAN_SOURCE_DIR) / "examples" / "workspace.bws"));
  const std::string target = Write("old.xml", "old");
  const ToolRun limited =
      Script("$BREVAN -o " + target + " " + big + "; ulimit -f 1; $BREVAN -o " + target + " " + big);
  EXPECT_NE(limited.exitCode, 0);
  EXPECT_EQ(Slurp(target).substr(0, 5), "<?xml");  // the first run replaced it whole...
  const std::string whole = Slurp(target);
  EXPECT_NE(whole.find("</Workspace>"), std::string::npos);  // ...and the second left it so
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind("old.xml.", 0) == 0) fs::remove(entry.path());
  const ToolRun notADir = Brevan("--out-dir " + target + "/sub " + big);
  EXPECT_EQ(notADir.exitCode, 2);
  EXPECT_NE(notADir.err.find("brevan: cannot make " + target + "/sub: Not a directory"), std::string::npos)
      << notADir.err;
  EXPECT_FALSE(fs::exists(dir / "big.xml"));
}

// No output ever replaces an input: not with -o, not a page, not an index,
// not a batch's document, also through a link or "..". Nothing is written
// and the message names both.
TEST_F(BrevanToolTest, AnOutputThatIsAnInputIsRefused) {
  const std::string text = "Open Table \"a\"\n";
  const std::string input = Write("ws.bws", text);
  fs::create_symlink(input, dir / "link.xml");
  fs::create_directories(dir / "sub");
  const std::string index = Write("index.html", "<old index>");
  const std::string viaLink = (dir / "link.xml").string(),
                    viaParent = (dir / "sub" / ".." / "ws.bws").string();
  for (const std::string& arguments :
       {"-o " + input + " " + input, "--html " + input + " " + input, "-o " + viaLink + " " + input,
        "-o " + viaParent + " " + input, "--out-dir " + dir.string() + " " + (dir / "ws.xml").string(),
        "--out-dir " + (dir / "o").string() + " --html " + input + " " + input}) {
    if (arguments.find("ws.xml") != std::string::npos) Write("ws.xml", text);
    const ToolRun run = Brevan(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments;
    EXPECT_NE(run.err.find(" is the input "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("choose another output"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(input), text) << arguments;
  }
  EXPECT_EQ(Slurp(index), "<old index>");
  EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
}

// Counts that add up: pages that cannot be written are counted apart from
// the files, whose documents were written; each failure is told once.
// Pages stand beside their documents, the index where it is asked for.
TEST_F(BrevanToolTest, BatchCountsPagesApartFromTranslations) {
  const std::string a = Write("a.bws", "Open Table \"a\"\n");
  const std::string b = Write("b.bws", "Map From b\nSet Map Display Off\n");
  fs::create_directories(dir / "o" / "a.html");
  fs::create_directories(dir / "j" / "a.html");
  fs::create_directories(dir / "h" / "index.html");
  const std::string index = (dir / "h" / "index.html").string();
  const ToolRun run = Brevan("--out-dir " + (dir / "o").string() + " --html " + index + " " + a + " " + b);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find((dir / "o" / "a.html").string() + ": error: cannot write: it is a directory\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(index + ": error: cannot write: it is a directory\n"), std::string::npos) << run.err;
  EXPECT_NE(
      run.err.find("brevan: 1 translated, 1 translated with warnings, 0 failed, 1 warning, 1 report page "
                   "not written, the report index not written\n"),
      std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(dir / "o" / "a.xml"));
  EXPECT_TRUE(fs::exists(dir / "o" / "b.html"));
  const ToolRun json = Brevan("--diagnostics-format json --out-dir " + (dir / "j").string() + " --html " +
                              index + " " + a + " " + b);
  EXPECT_NE(
      json.err.find(
          "\"failed\":0,\"failedEarlier\":0,\"files\":2,\"indexWritten\":false,\"manifestWritten\":true,"
          "\"missingFiles\":0,\"orphaned\":[],\"orphansDeleted\":false,\"pagesNotWritten\":1,\"passedOver\":"
          "0,"
          "\"passedOverByName\":{},\"remarks\":0,\"schema\":\"brevan-run/1\",\"translated\":1,"
          "\"translatedWithWarnings\":1,\"type\":\"summary\",\"upToDate\":0,\"warnings\":1}"),
      std::string::npos)
      << json.err;
}

// An inventory of a folder: what each workspace opens and whether it is
// here, a failing workspace with what it opened before its error, folders
// walked once whatever their links, unreadable ones told.
TEST_F(BrevanToolTest, InventoryOfAFolder) {
  fs::create_directories(dir / "gis" / "data");
  fs::create_directories(dir / "gis" / "sub");
  std::ofstream(dir / "gis" / "data" / "roads.tbl") << "t";
  std::ofstream(dir / "gis" / "data" / "Rivers.TBL") << "t";
  Write("gis/a.bws",
        "Open Table \"data\\roads.tbl\" As Roads\nOpen Table \"data/rivers.tbl\" As Rivers\n"
        "Map From Roads, Roads\n");
  Write("gis/sub/b.bws", "Open Table \"lakes, \"\"big\"\".tbl\" As Lakes\nMap From Lakes\nSet Map Zoom x\n");
  Write("gis/sub/notes.txt", "not a workspace");
  fs::create_directory_symlink(dir / "gis", dir / "gis" / "sub" / "loop");
  const ToolRun text = Brevan("inventory -r " + (dir / "gis").string());
  EXPECT_EQ(text.exitCode, 1) << text.err;  // b.bws fails
  const std::string a = (dir / "gis" / "a.bws").string();
  EXPECT_NE(text.out.find(a + ": translated; 1 map window, 2 layers, 0 themes;"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("line 1    Roads    data\\roads.tbl    found: " +
                          (dir / "gis" / "data" / "roads.tbl").string()),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("found as " + (dir / "gis" / "data" / "Rivers.TBL").string()), std::string::npos);
  EXPECT_NE(text.out.find("Roads_2  data\\roads.tbl_2  copy of Roads"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("b.bws: failed at 3:14 (Expecting a floating point value.)"), std::string::npos);
  EXPECT_NE(text.out.find(
                "brevan: 2 workspaces (1 failed), 4 tables: 1 found, 1 found with another case, 1 missing, "
                "1 copy\n"),
            std::string::npos)
      << text.out;
  // RFC 4180: a field with a comma or a quote is quoted, its quotes doubled; records end with CR LF.
  const ToolRun csv = Brevan("inventory --format csv " + (dir / "gis" / "sub" / "b.bws").string());
  EXPECT_NE(csv.out.find(",Lakes,\"lakes, \"\"big\"\".tbl\",,missing,"), std::string::npos) << csv.out;
  EXPECT_EQ(csv.out.substr(0, 7), "record,");
  EXPECT_NE(csv.out.find("\r\nworkspace,"), std::string::npos);
  const ToolRun json = Brevan("inventory --format json -r " + (dir / "gis").string());
  std::ofstream(dir / "inventory.json") << json.out;
  const std::string parse =
      "python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); "
      "print(d[\"schema\"], [w[\"status\"] for w in d[\"workspaces\"]], d[\"summary\"][\"missing\"], "
      "d[\"workspaces\"][1][\"error\"][\"line\"])' " +
      (dir / "inventory.json").string() + " > " + (dir / "parsed").string();
  ASSERT_EQ(std::system(parse.c_str()), 0) << json.out;
  EXPECT_EQ(Slurp(dir / "parsed"), "brevan-inventory/1 ['translated', 'failed'] 1 3\n");
  fs::create_directories(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::none);
  const ToolRun locked = Brevan("inventory -r " + (dir / "locked").string() + " " + a);
  fs::permissions(dir / "locked", fs::perms::owner_all);
  if (::geteuid() != 0) {
    EXPECT_NE(locked.err.find("cannot read the folder"), std::string::npos) << locked.err;
  }
  EXPECT_NE(locked.out.find(a + ": translated"), std::string::npos);
  EXPECT_NE(Brevan("inventory " + (dir / "gis").string()).err.find("gis is a folder: give -r"),
            std::string::npos);
}

// Path options are checked before anything runs.
TEST_F(BrevanToolTest, TableFilesCheckedAndRewritten) {
  const std::string ws = Write("ws.bws", "Open Table \"C:\\GIS\\roads.tbl\" As Roads\nMap From Roads\n");
  fs::create_directories(dir / "moved");
  std::ofstream(dir / "moved" / "roads.tbl") << "t";
  const ToolRun missing = Brevan("--check-files -o " + (dir / "o.xml").string() + " " + ws);
  EXPECT_EQ(missing.exitCode, 0);
  EXPECT_NE(missing.err.find(":1:12: warning: table file \"C:\\GIS\\roads.tbl\" not found"),
            std::string::npos)
      << missing.err;
  const ToolRun moved =
      Brevan("--check-files --rewrite-path 'C:\\GIS=" + (dir / "moved").string() + "' " + ws);
  EXPECT_EQ(moved.err, "");
  EXPECT_NE(moved.out.find("file=\"" + (dir / "moved").string() + "/roads.tbl\""), std::string::npos);
  EXPECT_EQ(Brevan("--check-files --data-root " + (dir / "moved").string() + " " + ws).err, "");
  EXPECT_EQ(Brevan("--rewrite-path nothing " + ws).exitCode, 2);
  EXPECT_EQ(Brevan("--rewrite-path =x " + ws).exitCode, 2);
}

// Special files are written in place, never replaced (-o /dev/null once
// turned the device into a file): a FIFO gets the document and stays a
// FIFO; through a link, the link stays and its target gets the document.
TEST_F(BrevanToolTest, FifosAndLinksAreWrittenThroughNotReplaced) {
  const std::string workspace = Write("w.bws", "Map From t\n");
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ToolRun reader =
      Script("timeout 10 cat " + fifo + " & $BREVAN " + workspace + " -o " + fifo + "; wait");
  EXPECT_EQ(reader.exitCode, 0) << reader.err;
  EXPECT_NE(reader.out.find("<Layer name=\"t\""), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  const std::string real = Write("real.xml", "old");
  fs::create_symlink(real, dir / "link.xml");
  EXPECT_EQ(Brevan(workspace + " -o " + (dir / "link.xml").string()).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
  EXPECT_NE(Slurp(real).find("<Layer name=\"t\""), std::string::npos);
}

// Ctrl-C in a batch: files under way end unwritten, no more start, the
// summary says so; nothing half written stands under a final name; the
// tool dies by the signal (exit 200 below), so that a shell loop stops.
// The next run goes on where it stopped.
TEST_F(BrevanToolTest, InterruptedBatchLeavesOnlyWholeDocuments) {
  const std::string files = Generated(6);
  // A shell's $? is 130 either way: Python tells a death by SIGINT (-2).
  const ToolRun run = Script(
      "python3 -c 'import signal, subprocess, sys, time\n"
      "tool = subprocess.Popen(sys.argv[1:])\ntime.sleep(0.3)\ntool.send_signal(signal.SIGINT)\n"
      "status = tool.wait()\nsys.exit(200 if status == -signal.SIGINT else status % 256)' $BREVAN --jobs 1 "
      "--out-dir " +
      (dir / "xml").string() + files);
  if (run.exitCode == 0) GTEST_SKIP() << "the batch ended before the signal";
  EXPECT_EQ(run.exitCode, 200) << run.err;
  EXPECT_NE(run.err.find("brevan: interrupted: "), std::string::npos) << run.err;
  size_t written = 0;
  for (const auto& entry : fs::directory_iterator(dir / "xml")) {
    if (entry.path().filename().string().starts_with(".brevan")) continue;
    EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();  // no temporary left behind
    const std::string text = Slurp(entry.path());
    EXPECT_EQ(text.substr(text.size() - 13), "</Workspace>\n") << entry.path();
    ++written;
  }
  const ToolRun resumed = Brevan("--out-dir " + (dir / "xml").string() + files);
  EXPECT_NE(resumed.err.find("brevan: " + std::to_string(6 - written) + " translated, 0 failed" +
                             (written > 0 ? ", " + std::to_string(written) + " up to date" : "")),
            std::string::npos)
      << resumed.err;
}

// A second run into a folder that a run is writing stops at once, saying
// so; once the first has ended (or died), the folder is free again.
TEST_F(BrevanToolTest, OneRunAtATimeIntoAnOutputFolder) {
  const std::string workspace = Write("w.bws", "Map From t\n");
  const std::string out = (dir / "xml").string();
  fs::create_directories(out);
  // flock -o holds the lock itself while its command runs: killed, it lets go.
  const ToolRun busy = Script("flock -o " + out + "/.brevan.lock sleep 10 & sleep 0.5; $BREVAN --out-dir " +
                              out + " " + workspace + "; echo status=$?; kill $!; wait");
  EXPECT_NE(busy.out.find("status=2"), std::string::npos) << busy.out << busy.err;
  EXPECT_NE(busy.err.find(out + " is in use by another brevan run"), std::string::npos) << busy.err;
  EXPECT_FALSE(fs::exists(dir / "xml" / "w.xml"));
  EXPECT_EQ(Brevan("--out-dir " + out + " " + workspace).exitCode, 0);
  EXPECT_TRUE(fs::exists(dir / "xml" / "w.xml"));
}

// After kill -9 in the middle of a batch, nothing half written stands
// under a final name; the next run into the folder removes the
// temporaries the killed one left (one is planted, should the kill have
// come between two files), reads its manifest and translates only what it
// did not record.
TEST_F(BrevanToolTest, AfterKill9TheNextRunLeavesNoTemporary) {
  const std::string files = Generated(6);
  const std::string out = (dir / "xml").string();
  Script("$BREVAN --jobs 1 --out-dir " + out + files + " & sleep 0.3; kill -9 $!; wait $!");
  const auto whole = [&](bool temporariesAllowed) {
    size_t documents = 0;
    for (const auto& entry : fs::directory_iterator(dir / "xml")) {
      if (entry.path().filename() == ".brevan.lock" || entry.path().filename() == ".brevan-manifest.jsonl")
        continue;
      if (entry.path().extension() != ".xml") {
        EXPECT_TRUE(temporariesAllowed) << entry.path();
        continue;
      }
      const std::string text = Slurp(entry.path());
      EXPECT_EQ(text.substr(text.size() - 13), "</Workspace>\n") << entry.path();
      ++documents;
    }
    return documents;
  };
  const size_t killedWith = whole(true);
  Write("xml/w0.xml.Zz9Yy8", "<Workspace>");
  Write("xml/.brevan-manifest.jsonl.Aa1Bb2", "{");
  const ToolRun next = Brevan("--quiet --out-dir " + out + files);
  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_EQ(whole(false), 6u);
  // What it recorded is up to date: all but, at most, the document renamed
  // into place just before the kill.
  std::smatch told;
  const size_t upToDate =
      std::regex_search(next.err, told, std::regex("(\\d+) up to date")) ? std::stoul(told[1]) : 0;
  EXPECT_LE(upToDate, killedWith) << next.err;
  EXPECT_GE(upToDate + 1, killedWith) << next.err;
  EXPECT_NE(Brevan("--out-dir " + out + files).err.find("brevan: 0 translated, 0 failed, 6 up to date"),
            std::string::npos);
}

// Trees in, trees out: each workspace at its place below the folder it
// was found in (-r), files named directly below their common folder;
// pages beside their documents and the index linking them.
TEST_F(BrevanToolTest, TreesMirrorIntoTheOutputFolder) {
  for (const char* name :
       {"gis/north/p01/map.bws", "gis/north/p02/map.bws", "gis/south/map.bws", "gis/deep/X.BWS"}) {
    fs::create_directories((dir / name).parent_path());
    Write(name, "Map From t\n");
  }
  Write("gis/readme.txt", "not a workspace");
  fs::create_symlink(dir / "gis" / "gone.bws", dir / "gis" / "dangling.bws");
  // @ stands for the test's folder.
  const struct {
    const char* arguments;
    std::vector<const char*> documents;  // below the test's folder
  } cases[] = {
      {"-r --out-dir @tree --html @tree/index.html @gis",
       {"tree/north/p01/map.xml", "tree/north/p02/map.xml", "tree/south/map.xml", "tree/deep/X.xml",
        "tree/north/p01/map.html"}},
      {"--out-dir @named @gis/north/p01/map.bws @gis/south/map.bws",
       {"named/north/p01/map.xml", "named/south/map.xml"}},
      {"--out-dir @one @gis/south/map.bws", {"one/map.xml"}},
  };
  for (const auto& c : cases) {
    std::string arguments = c.arguments;
    for (size_t at; (at = arguments.find('@')) != std::string::npos;)
      arguments.replace(at, 1, dir.string() + "/");
    const ToolRun run = Brevan("--quiet " + arguments);
    EXPECT_EQ(run.exitCode, 0) << arguments << "\n" << run.err;
    for (const char* document : c.documents) EXPECT_TRUE(fs::exists(dir / document)) << document;
  }
  EXPECT_NE(Slurp(dir / "tree" / "index.html").find("href=\"north/p02/map.html\""), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "tree" / "readme.xml"));
  EXPECT_NE(Brevan("-r --out-dir " + (dir / "again").string() + " " + (dir / "gis").string())
                .err.find("dangling.bws is a link that leads nowhere"),
            std::string::npos);
  // A folder without -r is no workspace.
  EXPECT_NE(Brevan("--out-dir " + (dir / "flat").string() + " " + (dir / "gis").string())
                .err.find("it is a directory"),
            std::string::npos);
}

// A document is its source's current translation or nothing: a source
// that fails now takes the document of an earlier run with it (not with
// --partial, which writes the failed one).
TEST_F(BrevanToolTest, ASourceThatNowFailsLeavesNoDocument) {
  const std::string workspace = Write("w.bws", "Map From t\n");
  const std::string out = (dir / "xml").string();
  ASSERT_EQ(Brevan("--quiet --out-dir " + out + " " + workspace).exitCode, 0);
  ASSERT_TRUE(fs::exists(dir / "xml" / "w.xml"));
  Write("w.bws", "Map From t\nSet Map Zoom x\n");
  const ToolRun failed = Brevan("--out-dir " + out + " " + workspace);
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_FALSE(fs::exists(dir / "xml" / "w.xml"));
  EXPECT_NE(failed.err.find("w.xml removed: an earlier run left it"), std::string::npos) << failed.err;
  EXPECT_EQ(Brevan("--partial --out-dir " + out + " " + workspace).exitCode, 1);
  EXPECT_TRUE(fs::exists(dir / "xml" / "w.xml"));
}

// A re-run into an output folder redoes only what changed, keeps telling
// what still fails, and lists (or with --delete removes) the documents
// whose source is gone; --retry-failed takes only the failures.
TEST_F(BrevanToolTest, ReRunsRedoOnlyWhatChangedAndTellOrphans) {
  const std::string good = Write("good.bws", "Map From t\n");
  const std::string bad = Write("bad.bws", "Map From t\nSet Map Zoom x\n");
  const std::string gone = Write("gone.bws", "Map From t\n");
  const std::string out = (dir / "xml").string();
  const std::string all = " " + good + " " + bad + " " + gone;
  EXPECT_EQ(Brevan("--quiet --out-dir " + out + all).exitCode, 1);
  fs::remove(gone);
  const struct {
    std::string arguments;
    int exitCode;
    std::vector<std::string> told;
  } runs[] = {
      {" " + good + " " + bad,
       1,
       {"bad.bws: error: failed last time and has not changed (--retry-failed tries it again)\n",
        out + "/gone.xml is orphaned: its source is gone (--delete removes it)\n",
        "brevan: 0 translated, 0 failed, 2 up to date (1 of them failed last time), 1 orphaned\n"}},
      {" --retry-failed " + good + " " + bad,
       1,
       {"error 10", "brevan: 0 translated, 1 failed, 1 up to date, 1 orphaned\n"}},
      {" --force --delete " + good + " " + bad,
       1,
       {out + "/gone.xml removed: its source is gone\n",
        "brevan: 1 translated, 1 failed, 1 orphaned removed\n"}},
      {" --force --retry-failed " + good, 2, {"--force and --retry-failed exclude each other"}},
  };
  for (const auto& run : runs) {
    const ToolRun done = Brevan("--quiet --out-dir " + out + run.arguments);
    EXPECT_EQ(done.exitCode, run.exitCode) << run.arguments << "\n" << done.err;
    for (const std::string& told : run.told)
      EXPECT_NE(done.err.find(told), std::string::npos) << run.arguments << "\n" << done.err;
  }
  EXPECT_FALSE(fs::exists(dir / "xml" / "gone.xml"));
  EXPECT_NE(Brevan("--force " + good).err.find("they need --out-dir"), std::string::npos);
}

// Losses are counted: statements passed over in each file's line and in
// the summary (text and JSON, by name); the rest of a statement cut short
// is its warning, not a statement; --ignore silences one kind everywhere.
TEST_F(BrevanToolTest, LossesAreCountedAndAKindCanBeSilenced) {
  const std::string lossy =
      Write("lossy.bws",
            "Open Table \"a\" As t Quiet\nMap From t\nSet Map Display Off Zoom 5\nBrowse * From t\n"
            "Set Window 1 Max\nBrowse * From t\n");
  const std::string whole = Write("whole.bws", "Map From t\n");
  const std::string out = " --out-dir " + (dir / "xml").string() + " --force ";
  const struct {
    std::string arguments;
    std::vector<std::string> told;
    std::vector<std::string> untold;
  } runs[] = {
      {"--report" + out + lossy + " " + whole,
       {"lossy.xml (3 statements passed over)\n", "whole.xml\n",
        "1 warning, 1 remark, 3 statements passed over\n"},
       {"skipped: Off Zoom"}},
      {"--diagnostics-format json" + out + lossy,
       {"\"code\":\"statement-cut-short\"",
        "\"passedOver\":3,\"passedOverByName\":{\"Browse\":2,\"Set Window\":1}"},
       {}},
      {"--ignore statement-cut-short --ignore clause-not-written --remarks" + out + lossy,
       {"0 failed, 3 statements passed over\n"},
       {"[statement-cut-short]", "[clause-not-written]"}},
  };
  for (const auto& run : runs) {
    const ToolRun done = Brevan(run.arguments);
    for (const std::string& told : run.told)
      EXPECT_NE(done.err.find(told), std::string::npos) << run.arguments << "\n" << done.err;
    for (const std::string& untold : run.untold)
      EXPECT_EQ(done.err.find(untold), std::string::npos) << run.arguments << "\n" << done.err;
  }
  EXPECT_NE(Brevan("--ignore no-such-code " + whole).err.find("brevan --list-codes lists them"),
            std::string::npos);
}

// A tree in mixed encodings reads right in one run with --encoding auto:
// each file's own encoding, told by a remark when it was not UTF-8.
TEST_F(BrevanToolTest, MixedEncodingsReadRightWithAuto) {
  const struct {
    const char* name;
    std::string bytes;
    const char* expected;  // in the document, UTF-8
  } files[] = {
      {"utf8.bws", "Open Table \"Départementale.tbl\"\n", "Départementale.tbl"},
      {"cp1252.bws",
       "Open Table \"Co\xFB"
       "ts \x80 Nord\x96"
       "Est.tbl\"\n",
       "Coûts € Nord–Est.tbl"},
      {"latin1.bws",
       "Open Table \"Stra\xDF"
       "en Gr\xFC"
       "n.tbl\"\n",
       "Straßen Grün.tbl"},
      {"utf16.bws", std::string("\xFF\xFEO\0p\0e\0n\0 \0T\0a\0b\0l\0e\0 \0\"\0\xE9\0t\0\xE9\0\"\0\n\0", 36),
       "été"},
  };
  for (const auto& file : files) Write(std::string("mixed/") + file.name, file.bytes);
  const ToolRun run = Brevan("-r --remarks --encoding auto --out-dir " + (dir / "xml").string() + " " +
                             (dir / "mixed").string());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const auto& file : files) {
    const std::string document = Slurp((dir / "xml" / file.name).replace_extension(".xml"));
    EXPECT_NE(document.find(file.expected), std::string::npos) << file.name << "\n" << document;
  }
  EXPECT_NE(run.err.find("cp1252.bws: remark: the file is not UTF-8"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("utf8.bws: remark"), std::string::npos) << run.err;
  // A named encoding that makes mojibake fails with --strict.
  EXPECT_EQ(Brevan("--strict --encoding CP1252 " + (dir / "mixed" / "utf8.bws").string()).exitCode, 1);
}

// A batch's outcome records hold exactly the fields docs/batches.md lists.
TEST_F(BrevanToolTest, OutcomeRecordsHoldTheDocumentedFields) {
  std::ifstream doc(std::string(BREVAN_SOURCE_DIR) + "/docs/batches.md");
  std::set<std::string> documented;
  bool inTable = false;
  for (std::string line; std::getline(doc, line);) {
    if (line == "An outcome:") inTable = true;
    if (!inTable || !line.starts_with("| `")) continue;
    // "| `warnings`, `remarks`, … | …": every name in the first cell.
    const std::string cell = line.substr(0, line.find(" |", 2));
    for (size_t at = 0; (at = cell.find('`', at)) != std::string::npos; at = cell.find('`', at + 1) + 1)
      documented.insert(cell.substr(at + 1, cell.find('`', at + 1) - at - 1));
    if (line.starts_with("| `passedOverByName`")) break;
  }
  const std::string workspace = Write("w.bws", "Map From t\nBrowse * From t\n");
  const ToolRun run =
      Brevan("--diagnostics-format json --out-dir " + (dir / "xml").string() + " " + workspace);
  const std::string line = run.err.substr(0, run.err.find('\n'));
  std::set<std::string> fields;
  for (size_t at = 0; (at = line.find("\":", at)) != std::string::npos; ++at) {
    const size_t begin = line.rfind('"', at - 1) + 1;
    if (line[begin - 2] == '{' || line[begin - 2] == ',') fields.insert(line.substr(begin, at - begin));
  }
  fields.erase("Browse");  // a name inside passedOverByName
  EXPECT_EQ(fields, documented) << line;
  EXPECT_NE(line.find("\"type\":\"outcome\""), std::string::npos) << line;
}

// Running out of memory anywhere is error 9984 and exit 2, not a
// workspace error; nothing escapes as an abort.
TEST_F(BrevanToolTest, OutOfMemoryIsErrorNineThousandNineHundredEightyFour) {
#ifdef BREVAN_SANITIZED
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#endif
  const std::string big = (dir / "big.bws").string();
  ASSERT_EQ(std::system((std::string(BREVAN_BINARY_DIR) + "/brevan_generate 4 > " + big).c_str()), 0);
  const ToolRun run = Script("ulimit -v 150000; $BREVAN " + big);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find(": error 9984: Not enough memory to complete this operation."), std::string::npos)
      << run.err.substr(0, 300);
}

// Usage errors stop before anything runs, with a message that says why.
TEST_F(BrevanToolTest, UsageErrors) {
  Write("a.bws", "");
  Write("A.bws", "");
  fs::create_directories(dir / "sub");
  Write("sub/a.bws", "");
  Write("index.bws", "");
  const struct {
    const char* arguments;  // run in the test's folder
    const char* message;
  } cases[] = {
      {"a.bws a.bws", "several files need --out-dir"},
      {"--out-dir o a.bws a.BWS", "a.bws and a.BWS would both be written to o/a.xml"},
      {"--out-dir o a.bws A.bws", "a.bws and A.bws would both be written to o/A.xml"},
      {"--out-dir o -", "standard input cannot be translated into a folder"},
      {"--out-dir o -o x a.bws", "--output and --out-dir exclude each other"},
      {"--out-dir o --jobs 0 a.bws", "--jobs: Value 0 not in range 1 to 1024"},
      {"--out-dir o --html o/index.html index.bws", "the page of index.bws would be the index o/index.html"},
      {"--check --html r.html a.bws", "--check writes nothing"},
      {"--format-version -1 a.bws", "--format-version: Value -1 not in range 0 to 32767"},
      {"--format-version 40000 a.bws", "not in range 0 to 32767"},
      {"--rewrite-path x a.bws", "a path rewrite reads OLD=NEW, and \"x\" has no \"=\""},
      {"--rewrite-path =y a.bws", "a path rewrite"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Script(std::string("cd ") + dir.string() + " && $BREVAN " + c.arguments);
    EXPECT_EQ(run.exitCode, 2) << c.arguments;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    EXPECT_FALSE(fs::exists(dir / "o")) << c.arguments;
  }
}

// A report page alone writes no document; with -o both; a failed file
// still gets its page, and the document only with --partial.
TEST_F(BrevanToolTest, HtmlReportsBesideOrInsteadOfTheDocument) {
  const std::string good = Write("good.bws", "Map From t\n");
  const std::string bad = Write("bad.bws", "Map From t\nMap t\n");
  const std::string page = (dir / "r.html").string();
  ToolRun run = Brevan("--html " + page + " " + good);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(Slurp(page).find("<li class=\"layer\" id=\"w1-l1\" data-layer=\"t\">"), std::string::npos);
  run = Brevan("--html " + page + " -o " + (dir / "g.xml").string() + " " + good);
  EXPECT_NE(Slurp(dir / "g.xml").find("<Layer name=\"t\""), std::string::npos);
  run = Brevan("--html " + page + " -o " + (dir / "b.xml").string() + " " + bad);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(fs::exists(dir / "b.xml"));
  EXPECT_NE(Slurp(page).find("class=\"status failed\""), std::string::npos);
  EXPECT_NE(Slurp(page).find("data-layer=\"t\""), std::string::npos);  // what was made before the error
  run = Brevan("--partial --html " + page + " -o " + (dir / "b.xml").string() + " " + bad);
  EXPECT_TRUE(fs::exists(dir / "b.xml"));
}

// When the tool restarts itself for huge heap pages: only for large inputs,
// never over the user's own word on huge pages, never twice, keeping the
// user's other tunables.
TEST(HeapPagesTest, RestartsOnlyWhenItHelpsAndNeverTwice) {
  using brevan::cli::kHeapPagesFrom;
  const std::string m = "always [madvise] never\n";
  const std::tuple<std::uint64_t, const char*, std::string, std::optional<std::string>> cases[] = {
      {kHeapPagesFrom, nullptr, m, "glibc.malloc.hugetlb=1"},
      {kHeapPagesFrom - 1, nullptr, m, std::nullopt},
      {kHeapPagesFrom, "glibc.malloc.arena_max=2", m, "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"},
      {kHeapPagesFrom, "", m, "glibc.malloc.hugetlb=1"},
      {kHeapPagesFrom, "glibc.malloc.hugetlb=1", m, std::nullopt},  // restarted already
      {kHeapPagesFrom, "glibc.malloc.hugetlb=0", m, std::nullopt},  // the user's choice
      {kHeapPagesFrom, nullptr, "[always] madvise never\n", std::nullopt},
      {kHeapPagesFrom, nullptr, "always madvise [never]\n", std::nullopt},
      {kHeapPagesFrom, nullptr, "", std::nullopt},  // no such file
  };
  for (const auto& [bytes, own, mode, expected] : cases)
    EXPECT_EQ(brevan::cli::HeapPagesTunables(bytes, own, mode), expected)
        << bytes << (own ? own : "") << mode;
}

// A large workspace, named or on standard input, comes out the same
// whether the tool restarts for huge heap pages or is told not to.
TEST_F(BrevanToolTest, LargeInputsTranslateTheSameAfterARestart) {
  const std::string input = (dir / "large.bws").string();
  ASSERT_EQ(
      std::system((std::string(BREVAN_BINARY_DIR) + "/brevan_generate labels 16000 > " + input).c_str()), 0);
  ASSERT_GE(fs::file_size(input), brevan::cli::kHeapPagesFrom);
  const ToolRun kept = Script("GLIBC_TUNABLES=glibc.malloc.hugetlb=0 $BREVAN " + input);
  ASSERT_EQ(kept.exitCode, 0) << kept.err;
  for (const std::string& run : {"unset GLIBC_TUNABLES; $BREVAN " + input,
                                 "GLIBC_TUNABLES=glibc.malloc.arena_max=4 $BREVAN - < " + input})
    EXPECT_TRUE(Script(run).out == kept.out) << run;  // the whole document, or nothing on a failure
}

}  // namespace
