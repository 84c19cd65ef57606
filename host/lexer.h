// The lexer of the workspace language: text to tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/source_text.h"
#include "host/text.h"

class Tokens;

namespace brevan {

// A token, by where it stands in the text: 12 bytes, so that machine-written
// workspaces of millions of tokens stay small. Texts and values are read
// from the text when asked.
struct Token {
  uint32_t begin = 0;   // offset of its first character
  uint32_t length = 0;  // characters as written
  short id = 0;         // keyword id, or the class 1 to 3; 0 at the end
  uint8_t kind = 0;     // 1 to 3 as the classes, 4 keyword or symbol, 0 end
  bool startsLine = false;
};

struct Lexed {
  std::vector<Token> tokens;         // the last one is the end token
  std::vector<uint32_t> lineStarts;  // offset of each line's first character
};

struct LexError {
  int line = 0;
  int column = 0;
  std::wstring text;    // what could not be read
  std::wstring reason;  // why, in words
};

// Characters that start a word, and that continue one (digits too): any
// non-ASCII character that a document can hold counts as a letter, except
// the blanks. Inline: the lexer asks for every character of the source.
constexpr bool IsWordStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' ||
         (c >= 0x80 && IsXmlChar(c) && !IsBlank(c));
}
constexpr bool IsWordChar(wchar_t c) { return IsWordStart(c) || (c >= L'0' && c <= L'9'); }
// Marks of a word's type that other statements write at its end (name$, count%).
constexpr bool IsWordSuffix(wchar_t c) { return c == L'$' || c == L'%'; }

// What starts a comment, which runs to the end of its line.
constexpr wchar_t kCommentMark = L'#';

// Passes blanks, line ends and comments from offset at of a text of size
// characters, charAt(i) giving each; onLineEnd(start of the next line) is
// called after each line end (CR LF ends one). Returns where something
// else begins, or size.
template <typename CharAt, typename OnLineEnd>
constexpr size_t SkipBlanksAndComments(size_t at, size_t size, CharAt charAt, OnLineEnd onLineEnd) {
  while (at < size) {
    const wchar_t c = charAt(at);
    if (IsLineEnd(c)) {
      at += c == L'\r' && at + 1 < size && charAt(at + 1) == L'\n' ? 2 : 1;
      onLineEnd(at);
    } else if (IsBlank(c)) {
      ++at;
    } else if (c == kCommentMark) {
      while (at < size && !IsLineEnd(charAt(at))) ++at;
    } else {
      break;
    }
  }
  return at;
}

// Splits text into tokens. On a lexical error returns false and fills error.
bool Lex(const SourceText& text, const Tokens& keywords, Lexed& lexed, LexError& error);

// The value of a token: an identifier's name, a string's contents, a number.
std::wstring TokenValue(const SourceText& text, const Token& token);
double TokenNumber(const SourceText& text, const Token& token);

// 1-based line and column of an offset.
int LineOf(const Lexed& lexed, uint32_t offset);
int ColumnOf(const Lexed& lexed, uint32_t offset);

}  // namespace brevan
