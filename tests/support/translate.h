// Test support: translate statement text through CmdMain and look at the
// document, the error list and the live-object counters.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "translator/translator.h"

namespace brevan::test {

struct Translation {
  bool ok = false;
  int error = 0;          // number of the error-list entry, 0 when none
  std::wstring argument;  // its first argument
  std::string xml;        // the root element, compact; empty when none
  int line = 0;           // where the reader stood when translation ended
  int column = 0;
  std::vector<std::string> warnings;  // "LINE:COLUMN MESSAGE", in order
  std::vector<std::string> remarks;   // "LINE:COLUMN-END MESSAGE", in order
  std::string at;                     // where the first error's culprit stands: "LINE:COLUMN-END"
  std::string note;                   // and its note
  // The translator's records at the end (TranslateWithState only).
  std::vector<std::wstring> layerNames;
  std::map<std::wstring, int32_t> themeCounts;
};

// The root element of a document, compact, without declaration.
std::string CompactXml(const std::string& document);

// Translates text as one CmdMain call.
Translation Translate(std::wstring_view text, short version = 300);

struct Faults;
// The same into a document whose nodes refuse what faults names.
Translation TranslateWithFaults(std::wstring_view text, const Faults& faults);

// Runs the statements of text on a translator state that outlives them:
// the result carries layerNames and themeCounts, and inspect sees the state.
Translation TranslateWithState(std::wstring_view text, short version = 300,
                               const std::function<void(BrevanTranslator&)>& inspect = {});

struct StateRun {
  int error = 0;                      // number of a raised error, 0 when none
  std::wstring rest;                  // text of the token left current
  std::vector<std::string> warnings;  // "LINE:COLUMN MESSAGE", in order
  std::string xml;                    // the root element, compact
};

// Runs operation on a translator state whose reader stands on the first
// token of text, with the root element fetched.
StateRun RunOnState(std::wstring_view text, const std::function<void(BrevanTranslator&)>& operation,
                    short version = 300);

// Whether each of parts stands in text, each after the one before: a part
// that is missing fails, where comparing two find() results would pass.
::testing::AssertionResult InOrder(std::string_view text, std::initializer_list<std::string_view> parts);

// Every test checks that nothing it made is left alive.
class TranslatorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace brevan::test
