#include "cli/workspace_file.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "host/table_data.h"
#include "host/text.h"

namespace brevan::cli {

namespace {

int LineOf(const std::string& bytes, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset && i < bytes.size(); ++i)
    if (bytes[i] == '\n') ++line;
  return line;
}

std::string Hex(unsigned char byte) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0xF];
}

// Converts bytes of a legacy encoding to UTF-8.
bool ConvertToUtf8(const std::string& bytes, const std::string& encoding, std::string& out,
                   InputError& error) {
  iconv_t converter = iconv_open("UTF-8", encoding.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    error.message = "unknown encoding '" + encoding + "'";
    return false;
  }
  out.assign(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* to = out.data();
  size_t toLeft = out.size();
  const size_t result = iconv(converter, &in, &inLeft, &to, &toLeft);
  const int failure = errno;
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) {
    const size_t offset = bytes.size() - inLeft;
    error.line = LineOf(bytes, offset);
    error.message = "byte " + Hex(static_cast<unsigned char>(bytes[offset])) + " is not valid " + encoding +
                    " (" + std::strerror(failure) + ")";
    return false;
  }
  out.resize(out.size() - toLeft);
  return true;
}

// "!version N" on the first line declares the form of the statements.
bool TakeVersionHeader(std::wstring& text, std::optional<short>& version, InputError& error) {
  const std::wstring prefix = L"!version";
  if (text.compare(0, prefix.size(), prefix) != 0) return true;
  const size_t end = text.find(L'\n');
  const std::wstring line = text.substr(0, end);
  std::wistringstream in(line.substr(prefix.size()));
  long number = -1;
  std::wstring rest;
  if (!(in >> number) || (in >> rest) || number < 0 || number > 32767) {
    error.line = 1;
    error.message = "the header must read \"!version N\" with N from 0 to 32767";
    return false;
  }
  version = static_cast<short>(number);
  text.erase(0, line.size());
  return true;
}

}  // namespace

bool ReadBytes(const std::string& path, std::string& bytes, std::string& error) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "read error";
    return false;
  }
  return true;
}

bool DecodeWorkspace(const std::string& bytes, const std::string& encoding, WorkspaceText& out,
                     InputError& error) {
  std::string utf8;
  if (encoding.empty() || encoding == "UTF-8" || encoding == "utf-8" || encoding == "utf8") {
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    utf8 = bom ? bytes.substr(3) : bytes;
  } else if (!ConvertToUtf8(bytes, encoding, utf8, error)) {
    return false;
  }
  size_t bad = 0;
  if (!DecodeUtf8(utf8, out.text, bad)) {
    error.line = LineOf(utf8, bad);
    error.message = "byte " + Hex(static_cast<unsigned char>(utf8[bad])) +
                    " is not valid UTF-8 (name the file's encoding with --encoding)";
    return false;
  }
  return TakeVersionHeader(out.text, out.version, error);
}

std::wstring MessageText(int number, const std::wstring& argument) {
  for (int i = 0; i < kErrorCount; ++i) {
    if (kErrorEntries[i].id != number) continue;
    std::wstring text = kErrorEntries[i].text;
    const size_t at = text.find(L"^0");
    if (at != std::wstring::npos) text.replace(at, 2, argument);
    return text;
  }
  return L"";
}

}  // namespace brevan::cli
