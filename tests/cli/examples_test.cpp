// Every example workspace translates to the document checked in beside it,
// byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
using brevan::test::Slurp;

// Runs command and gives its standard output; status receives the exit code.
std::string Output(const std::string& command, int& status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) output.append(buffer, n);
  status = pipe ? WEXITSTATUS(pclose(pipe.release())) : -1;
  return output;
}

const fs::path kSchema = fs::path(BREVAN_SOURCE_DIR) / "resources" / "workspace.xsd";

// Whether xmllint accepts document against the schema.
bool Valid(const std::string& document) {
  const fs::path path = fs::temp_directory_path() / ("brevan_schema_" + std::to_string(::getpid()) + ".xml");
  std::ofstream(path, std::ios::binary) << document;
  int status = 0;
  Output("xmllint --noout --schema '" + kSchema.string() + "' '" + path.string() + "' 2>/dev/null", status);
  fs::remove(path);
  return status == 0;
}

TEST(ExamplesTest, EveryExampleOutputFollowsTheSchema) {
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(BREVAN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".xml") continue;
    EXPECT_TRUE(Valid(Slurp(entry.path()))) << entry.path();
    ++checked;
  }
  EXPECT_GE(checked, 6);
}

TEST(ExamplesTest, SchemaCatchesMisplacedElementsAndMissingAttributes) {
  const std::string good = Slurp(fs::path(BREVAN_SOURCE_DIR) / "examples" / "workspace.xml");
  ASSERT_TRUE(Valid(good));
  struct Mutation {
    const char* name;
    std::string from;
    std::string to;
  };
  const Mutation mutations[] = {
      {"table without its file", "<Table file=\"data/roads.tbl\"", "<Table"},
      {"layer without its position", "<Layer name=\"Roads\" position=\"2\"", "<Layer name=\"Roads\""},
      {"window position before the layers", "<MapWindow ",
       "<MapWindow><WindowPosition /></MapWindow><MapWindow "},
      {"upper bound after the lower", "<UpperBound>",
       "<LowerBound><Value>1</Value></LowerBound><UpperBound>"},
      {"unknown theme attribute value", "visible=\"1\"", "visible=\"yes\""},
      {"colour without rgb", "foreground=\"rgb(", "foreground=\"("},
  };
  for (const Mutation& m : mutations) {
    std::string bad = good;
    const size_t at = bad.find(m.from);
    ASSERT_NE(at, std::string::npos) << m.name;
    bad.replace(at, m.from.size(), m.to);
    EXPECT_FALSE(Valid(bad)) << m.name;
  }
}

TEST(ExamplesTest, EachTranslatesToItsExpectedDocument) {
  const fs::path examples = fs::path(BREVAN_SOURCE_DIR) / "examples";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(examples)) {
    if (entry.path().extension() != ".bws") continue;
    const fs::path expected = fs::path(entry.path()).replace_extension(".xml");
    ASSERT_TRUE(fs::exists(expected)) << expected;
    int status = -1;
    EXPECT_EQ(Output(std::string(BREVAN_BINARY_DIR) + "/brevan '" + entry.path().string() + "'", status),
              Slurp(expected))
        << entry.path();
    EXPECT_EQ(status, 0) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
