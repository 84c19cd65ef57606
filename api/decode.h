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

// How bytes were read, and what in them looks like text read in the wrong
// encoding.
struct Decoded {
  std::string encoding;   // as used: "UTF-8", "UTF-16LE", "CP1252"…
  bool detected = false;  // by "auto", from other than a byte-order mark or valid UTF-8
  bool fellBack = false;  // "auto" could not tell, and read the fallback encoding
  enum class Suspicion {
    None,
    ReadsAsUtf8,  // a single-byte encoding named for text that is valid UTF-8 beyond ASCII
    C1Controls,   // ISO-8859-1 gave control characters that CP1252 reads as letters
  };
  Suspicion suspicion = Suspicion::None;
  // Where it shows first: 1-based line and column, the end column, the
  // line, and what the encoding made of it and what the other would.
  int line = 0;
  int column = 0;
  int endColumn = 0;
  std::string sourceLine;
  std::string made;
  std::string meant;
};

// The encoding "auto" uses when the bytes are not UTF-8 and detection is
// unsure or sees only Latin letters.
inline constexpr const char* kFallbackEncoding = "CP1252";

// Decodes bytes in encoding into text; false with the failure filled in.
// Empty or UTF-8: UTF-8, or UTF-16/UTF-32 after their byte-order mark.
// "auto": a byte-order mark decides; else UTF-8 when the bytes are valid
// UTF-8; else the encoding a detector finds, when it is sure and finds
// other than Latin letters; else fallback (empty: kFallbackEncoding). A
// file with NUL characters is no workspace.
bool DecodeWorkspace(std::string_view bytes, const std::string& encoding, const std::string& fallback,
                     SourceText& text, Decoded& decoded, InputFailure& failure);

// Finds the "!version N" line (the first line that is not blank or a
// comment, any case, after blanks, before a comment) and blanks it in
// place, so that lines and columns stay. version is left unset without
// one; false with the failure filled in for a line that reads as a broken
// version line.
bool TakeVersionLine(SourceText& text, std::optional<FormatVersion>& version, InputFailure& failure);

}  // namespace brevan
