// What both fuzzers do with a workspace text: translate it and check that
// nothing is left alive and every failure is numbered.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>

#include "host/style.h"
#include "host/token_reader.h"
#include "host/utility.h"
#include "host/value.h"
#include "host/xml_document.h"
#include "translator/cmd_main.h"

namespace brevan::fuzz {

// Versions of the three forms: below 200, below 300, newest.
constexpr short kVersions[] = {199, 299, 300};

// check: ask for every error, so that resuming after one is fuzzed too.
inline void TranslateAndCheck(const std::wstring& text, short version, bool check = false) {
  {
    TokenReader reader(text);
    if (!reader.Ok()) return;
    reader.SetContinueAfterError(check);
    XmlDocument doc;
    const bool ok = CmdMain(&reader, version, &doc);
    // A failure is either out of memory (nothing reported) or one numbered entry.
    if (!ok && Veltra::HaveErrors() && Veltra::GetErrorNum(0) <= 0) std::abort();
    if (ok && Veltra::HaveErrors()) std::abort();
    Veltra::ClearErrors();
    // Whatever stood at the end is a well-formed document (an empty stream
    // makes none: the root comes with the first statement).
    pugi::xml_document parsed;
    if (doc.HasRoot() && !parsed.load_string(doc.ToXml().c_str())) std::abort();
    for (const auto* notices : {&reader.Warnings(), &reader.Remarks()})
      for (const ReaderNotice& notice : *notices)
        if (notice.line < 1 || notice.column < 1 || notice.endColumn <= notice.column ||
            notice.message.empty())
          std::abort();
    // Every error stands on a token of the text, and only a failed call has any.
    for (const ReaderError& error : reader.Errors())
      if (error.line < 1 || error.column < 1 || error.endColumn <= error.column) std::abort();
    if ((ok && !reader.Errors().empty()) || (!check && reader.Errors().size() > 1)) std::abort();
  }
  if (LiveNodeHandles() != 0 || Veltra::LiveStyleObjects() != 0 || Veltra::LiveValueObjects() != 0)
    std::abort();
}

}  // namespace brevan::fuzz
