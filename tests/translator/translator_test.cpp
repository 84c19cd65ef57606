#include <dlfcn.h>

#include <cstdio>
#include <memory>

#include "host/token_reader.h"
#include "host/utility.h"
#include "host/xml_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using EntryTest = TranslatorTest;

TEST_F(EntryTest, EmptyStreamSucceedsWithoutARoot) {
  for (const wchar_t* text : {L"", L"  # only a comment\n"}) {
    const Translation result = Translate(text);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.xml, "");
    EXPECT_EQ(result.error, 0);
  }
}

TEST_F(EntryTest, UnknownStatementsAreSkippedAndTheNextTranslated) {
  const Translation result = Translate(
      L"Print \"x\" Open Table \"ignored\"\n"  // not first on its line: no statement start
      L"  Layer 3\n"
      L"Open Table \"a.tbl\" As a\n"
      L"Zoom 5");
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.xml, "<Workspace><Tables><Table file=\"a.tbl\" alias=\"a\" /></Tables></Workspace>");
}

TEST_F(EntryTest, SetFollowedByAnotherWordConsumesOnlyItself) {
  const Translation result = Translate(L"Set Open Table \"a.tbl\"");
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.xml, "<Workspace><Tables><Table file=\"a.tbl\" /></Tables></Workspace>");
}

TEST_F(EntryTest, FailureIsReportedOnceWithItsArgument) {
  const Translation result = Translate(L"Open Table \"a\"\nOpen Map");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, 2);
  EXPECT_EQ(result.argument, L"Map");
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 6);
  // What came before the failure stays in the document.
  EXPECT_EQ(result.xml, "<Workspace><Tables><Table file=\"a\" /></Tables></Workspace>");
}

TEST_F(EntryTest, PendingHostErrorIsNotOverwritten) {
  TokenReader reader(L"Open Map");
  XmlDocument doc;
  Veltra::SetError(Veltra::ERR_ERROR, 77, L"earlier", {}, 77, nullptr, nullptr);
  EXPECT_FALSE(CmdMain(&reader, 300, &doc));
  EXPECT_EQ(Veltra::GetErrorNum(0), 77);
  EXPECT_EQ(Veltra::GetErrorNum(1), 0);
}

// An error the host queues while a statement is read becomes the
// exception of its own number when the statement polls (the map window does
// at its end), about the statement as far as it was read.
TEST_F(EntryTest, QueuedHostErrorBecomesTheException) {
  TokenReader reader(L"Open Table \"a\" As t\nMap From t, t\nSet Map Zoom 1");
  XmlDocument doc;
  BrevanTranslator state(&reader, 300, &doc);
  state.NextToken();
  state.DispatchStatement();  // the map window, nothing pending
  Veltra::SetError(Veltra::ERR_ERROR, 9986, L"conversion", {}, 9986, nullptr, nullptr);
  try {
    state.DispatchStatement();
    ADD_FAILURE() << "the queued error was not raised";
  } catch (const BrevanTranslatorException& failure) {
    EXPECT_EQ(failure.number, 9986);
    EXPECT_EQ(failure.at.first, 5u);     // Map
    EXPECT_EQ(failure.at.last, 9u);      // the second t
    EXPECT_FALSE(Veltra::HaveErrors());  // taken over, not left behind
  }
}

// A document that runs out of memory after a number of elements.
class ExhaustedDocument final : public QdXmlDocument {
 public:
  explicit ExhaustedDocument(int elements) : left_(elements) {}
  QdXmlNode* CreateElement(std::wstring_view name) override {
    return left_-- > 0 ? inner_.CreateElement(name) : nullptr;
  }
  QdXmlNode* GetRootElement(std::wstring_view name, const wchar_t* where) override {
    return inner_.GetRootElement(name, where);
  }

 private:
  XmlDocument inner_;
  int left_;
};

TEST_F(EntryTest, OutOfMemoryReportsNothing) {
  TokenReader reader(L"Open Table \"a\"\nOpen Table \"b\"");
  ExhaustedDocument doc(2);
  EXPECT_FALSE(CmdMain(&reader, 300, &doc));
  EXPECT_FALSE(Veltra::HaveErrors());
}

TEST(LibraryTest, ExportsCmdMainAlone) {
  const std::string path = std::string(BREVAN_BINARY_DIR) + "/libBrevanTranslator.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_NE(dlsym(library, "CmdMain"), nullptr);
  EXPECT_EQ(dlsym(library, "_ZN6brevan16BrevanTranslator17DispatchStatementEv"), nullptr);
  dlclose(library);

  const std::string command = "nm -D --defined-only " + path + " | awk '$2 ~ /[A-Z]/ {print $3}'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string symbols;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe.get())) symbols += buffer;
  EXPECT_EQ(symbols, "CmdMain\n");
}

}  // namespace
}  // namespace brevan::test
