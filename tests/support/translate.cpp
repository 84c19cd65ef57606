#include "tests/support/translate.h"

#include <algorithm>

#include "host/style.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/utility.h"
#include "host/value.h"
#include "host/xml_document.h"
#include "tests/support/faulty_document.h"

namespace brevan::test {

std::string CompactXml(const std::string& document) {
  const size_t start = document.find("?>\n");
  const std::string body = start == std::string::npos ? document : document.substr(start + 3);
  // Joins the indented lines; our texts hold no line breaks.
  std::string compact;
  bool lineStart = true;
  for (char c : body) {
    if (c == '\n') {
      lineStart = true;
    } else if (!(lineStart && c == ' ')) {
      lineStart = false;
      compact += c;
    }
  }
  return compact;
}

namespace {

// In the order of the text, as the API gives them; with spans, where a
// notice's span ends on its line ("2:9-18 MESSAGE").
std::vector<std::string> Notices(std::vector<ReaderNotice> notices, bool spans) {
  std::stable_sort(notices.begin(), notices.end(), [](const ReaderNotice& a, const ReaderNotice& b) {
    return std::pair(a.line, a.column) < std::pair(b.line, b.column);
  });
  std::vector<std::string> shown;
  for (const ReaderNotice& notice : notices)
    shown.push_back(std::to_string(notice.line) + ":" + std::to_string(notice.column) +
                    (spans ? "-" + std::to_string(notice.endColumn) : std::string()) + " " +
                    ToUtf8(notice.message));
  return shown;
}

Translation Finish(bool ok, TokenReader& reader, const XmlDocument& doc) {
  Translation result;
  result.ok = ok;
  if (const Veltra::ErrorEntry* entry = Veltra::GetErrorEntry(0)) {
    result.error = entry->number;
    result.argument = entry->argument1;
  }
  Veltra::ClearErrors();
  result.xml = doc.HasRoot() ? CompactXml(doc.ToXml()) : std::string();
  result.line = reader.TokenLine();
  result.column = reader.TokenColumn();
  result.warnings = Notices(reader.Warnings(), false);
  // A remark names no clause: its span shows which.
  result.remarks = Notices(reader.Remarks(), true);
  if (!reader.Errors().empty()) {
    const ReaderError& error = reader.Errors().front();
    result.at = std::to_string(error.line) + ":" + std::to_string(error.column) + "-" +
                std::to_string(error.endColumn);
    result.note = ToUtf8(error.note);
  }
  return result;
}

}  // namespace

Translation Translate(std::wstring_view text, short version) {
  TokenReader reader(text);
  EXPECT_TRUE(reader.Ok()) << ToUtf8(reader.Error().reason);
  XmlDocument doc;
  const bool ok = CmdMain(&reader, version, &doc);
  return Finish(ok, reader, doc);
}

Translation TranslateWithFaults(std::wstring_view text, const Faults& faults) {
  TokenReader reader(text);
  EXPECT_TRUE(reader.Ok()) << ToUtf8(reader.Error().reason);
  FaultyDocument doc(faults);
  const bool ok = CmdMain(&reader, 300, &doc);
  return Finish(ok, reader, doc.Inner());
}

Translation TranslateWithState(std::wstring_view text, short version,
                               const std::function<void(BrevanTranslator&)>& inspect) {
  TokenReader reader(text);
  EXPECT_TRUE(reader.Ok()) << ToUtf8(reader.Error().reason);
  XmlDocument doc;
  bool ok = true;
  std::vector<std::wstring> names;
  std::map<std::wstring, int32_t> counts;
  {
    BrevanTranslator state(&reader, version, &doc);
    try {
      state.NextToken();
      while (reader.HasMore()) state.DispatchStatement();
    } catch (const BrevanTranslatorException& failure) {
      ReportError(Veltra::ERR_ERROR, failure.number, failure.argument1, failure.argument2);
      ok = false;
    }
    if (inspect) inspect(state);
    names = state.layerNames;
    counts.insert(state.themeCounts.begin(), state.themeCounts.end());  // sorted, to compare
  }
  Translation result = Finish(ok, reader, doc);
  result.layerNames = std::move(names);
  result.themeCounts = std::move(counts);
  return result;
}

StateRun RunOnState(std::wstring_view text, const std::function<void(BrevanTranslator&)>& operation,
                    short version) {
  TokenReader reader(text);
  EXPECT_TRUE(reader.Ok()) << ToUtf8(reader.Error().reason);
  XmlDocument doc;
  StateRun run;
  {
    BrevanTranslator state(&reader, version, &doc);
    state.root.reset(doc.GetRootElement(state.Name(Tag::Workspace), L" /"));
    state.NextToken();
    try {
      operation(state);
    } catch (const BrevanTranslatorException& failure) {
      run.error = failure.number;
    }
  }
  run.rest = reader.TokenText();
  run.warnings = Notices(reader.Warnings(), false);
  run.xml = CompactXml(doc.ToXml());
  return run;
}

void TranslatorTest::SetUp() { Veltra::ClearErrors(); }

void TranslatorTest::TearDown() {
  EXPECT_EQ(LiveNodeHandles(), 0) << "node handles left alive";
  EXPECT_EQ(Veltra::LiveValueObjects(), 0) << "value objects left alive";
  EXPECT_EQ(Veltra::LiveStyleObjects(), 0) << "style objects left alive";
  Veltra::ClearErrors();
}

::testing::AssertionResult InOrder(std::string_view text, std::initializer_list<std::string_view> parts) {
  size_t from = 0;
  for (const std::string_view part : parts) {
    const size_t at = text.find(part, from);
    if (at == std::string_view::npos)
      return ::testing::AssertionFailure()
             << "\"" << part << "\" is missing" << (from ? " after the parts before it" : "");
    from = at + part.size();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace brevan::test
