// Our command reader: a lexed workspace text behind the CommandProcessor
// interface.
#pragma once

#include <string_view>
#include <vector>

#include "host/command.h"
#include "host/lexer.h"

namespace brevan {

// A statement that SkipStatement passed over.
struct SkippedStatement {
  int line = 0;
  int column = 0;
  std::wstring keyword;  // its first token as written; "Set X" for a set statement
};

class TokenReader final : public CommandProcessor {
 public:
  // Lexes text; check Ok() before use. The cursor stands before the first
  // token until the first NextToken.
  explicit TokenReader(std::wstring_view text);

  bool Ok() const { return ok_; }
  const LexError& Error() const { return error_; }
  const std::vector<SkippedStatement>& Skipped() const { return skipped_; }

  void SetValueParsing(bool on) override { valueParsing_ = on; }
  Tokens* Keywords() override;
  bool ParseValue(Veltra::AllType* value, bool required) override;
  void NextToken() override;
  bool HasMore() override;
  void SkipStatement() override;
  bool MatchToken(short id) override;
  bool IsTokenClass(short id, int reserved) override;
  bool IsToken(short id, int reserved) override;
  const std::wstring& TokenText() override { return Current().text; }
  short TokenId() override { return Current().id; }
  int TokenKind() override { return Current().kind; }
  const std::wstring& IdentifierText() override { return Current().value; }
  const std::wstring& StringValue() override { return Current().value; }
  double DoubleValue() override { return Current().number; }
  int TokenLine() override { return Current().line; }
  int TokenColumn() override { return Current().column; }
  size_t Position() override { return at_; }
  void Seek(size_t position) override { at_ = position; }

 private:
  const Token& Current() const;

  std::vector<Token> tokens_;
  std::vector<SkippedStatement> skipped_;
  LexError error_;
  bool ok_ = false;
  bool valueParsing_ = false;
  // Index of the current token; tokens_.size() means before the first.
  size_t at_ = 0;
  bool started_ = false;
};

}  // namespace brevan
