// Reading a workspace file for the tool: bytes, encoding, version header,
// and the messages the tool prints.
#pragma once

#include <optional>
#include <string>

namespace brevan::cli {

// The version a workspace gets when neither the file nor the command line names one.
constexpr short kNewestVersion = 300;

struct WorkspaceText {
  std::wstring text;             // the statements, header line blanked out
  std::optional<short> version;  // from a "!version N" first line
};

struct InputError {
  int line = 0;  // 0 when the error is not about a line
  std::string message;
};

// Reads a whole file, or standard input for "-".
bool ReadBytes(const std::string& path, std::string& bytes, std::string& error);

// Decodes UTF-8 (an initial byte-order mark is dropped), or the named
// encoding through iconv, and takes the version header off the first line.
bool DecodeWorkspace(const std::string& bytes, const std::string& encoding, WorkspaceText& out,
                     InputError& error);

// The message text of number with ^0 filled in; empty for an unknown number.
std::wstring MessageText(int number, const std::wstring& argument);

}  // namespace brevan::cli
