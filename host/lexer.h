// The lexer of the workspace language: wide text to tokens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class Tokens;

namespace brevan {

struct Token {
  short id = 0;    // keyword id, or the class 1 to 3; 0 at the end
  int kind = 0;    // 1 to 3 as the classes, 4 keyword or symbol, 0 end
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in characters
  bool startsLine = false;
  std::wstring text;   // as written
  std::wstring value;  // identifier or string contents
  double number = 0;
};

struct LexError {
  int line = 0;
  int column = 0;
  std::wstring text;    // what could not be read
  std::wstring reason;  // why, in words
};

// Splits text into tokens; the last token is the end token. On a lexical
// error returns false and fills error.
bool Lex(std::wstring_view text, const Tokens& keywords, std::vector<Token>& tokens, LexError& error);

}  // namespace brevan
