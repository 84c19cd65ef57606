// Inside the public API: a workspace's bytes to text, and its version line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "brevan/format_version.h"
#include "host/source_text.h"

namespace brevan {

// Why bytes could not be read as a workspace, and where: 1-based line and
// column in characters (0 when not about a place), the end column just past
// the culprit, and the culprit's line with undecodable bytes shown as \xNN.
struct InputFailure {
  std::string message;
  int line = 0;
  int column = 0;
  int endColumn = 0;
  std::string sourceLine;
};

// Decodes bytes in encoding (empty or UTF-8: UTF-8, or UTF-16/UTF-32 after
// their byte-order mark) into text; false with the failure filled in. A
// file with NUL characters is no workspace.
bool DecodeWorkspace(std::string_view bytes, const std::string& encoding, SourceText& text,
                     InputFailure& failure);

// Finds the "!version N" line (the first line that is not blank or a
// comment, any case, after blanks, before a comment) and blanks it in
// place, so that lines and columns stay. version is left unset without
// one; false with the failure filled in for a line that reads as a broken
// version line.
bool TakeVersionLine(SourceText& text, std::optional<FormatVersion>& version, InputFailure& failure);

}  // namespace brevan
