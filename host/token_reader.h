// Our command reader: a lexed workspace text behind the CommandProcessor
// interface.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
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

// A warning or a remark, at the tokens it is about (columns as for errors).
struct ReaderNotice {
  short kind = 0;  // its id in the warnings or remarks table
  int line = 0;
  int column = 0;
  int endColumn = 0;
  std::wstring message;
  size_t first = 0;  // reader positions of the tokens
  size_t last = 0;
};

// What tokens name (columns as for errors).
struct ReaderMark {
  MarkKind kind = MarkKind::Statement;
  int line = 0;
  int column = 0;
  int endColumn = 0;
  std::wstring name;
  int lastLine = 0;  // where the last token ends: its line, and the column just past it
  int lastEndColumn = 0;
};

// Tokens from the first's place to just past the last (1-based).
struct ReaderSpan {
  int line = 0;
  int column = 0;
  int endLine = 0;
  int endColumn = 0;
};

// An object a translated statement made or changed, and the clause that did.
struct ReaderObject {
  DocumentObject kind = DocumentObject::Table;
  ObjectPlace place;
  size_t first = 0;  // reader positions of the clause
  size_t last = 0;
  ReaderSpan clause;  // where the clause stands, once FinishStatements placed it
  std::wstring name;
};

// A statement the translator began, in the order of the text: translated
// once its Statement mark came, failed otherwise. Its objects are
// Objects()[objectsBegin, objectsEnd).
struct ReaderStatement {
  TranslatedStatement kind = TranslatedStatement::OpenTable;
  size_t first = 0;  // reader position of its first token
  ReaderSpan span;   // to its last token once translated; a failed one's first once finished
  bool translated = false;
  std::wstring name;  // its first words, once translated or finished
  size_t objectsBegin = 0;
  size_t objectsEnd = 0;
};

// An error, at the tokens it is about; columns are 1-based, endColumn just
// past the culprit's last character on its first line.
struct ReaderError {
  int number = 0;
  std::wstring argument;
  int line = 0;
  int column = 0;
  int endColumn = 0;
  std::wstring note;
};

class TokenReader final : public CommandProcessor {
 public:
  // Lexes text, which it keeps; check Ok() before use. The cursor stands
  // before the first token until the first NextToken.
  explicit TokenReader(SourceText text);
  explicit TokenReader(std::wstring text) : TokenReader(SourceText(std::move(text))) {}
  explicit TokenReader(std::wstring_view text) : TokenReader(SourceText(text)) {}
  explicit TokenReader(const wchar_t* text) : TokenReader(std::wstring(text)) {}
  // Holds nothing that points into itself: moving it is safe; copying a
  // whole lexed text is never meant.
  TokenReader(const TokenReader&) = delete;
  TokenReader& operator=(const TokenReader&) = delete;
  TokenReader(TokenReader&&) noexcept = default;
  TokenReader& operator=(TokenReader&&) noexcept = default;

  bool Ok() const { return ok_; }
  const SourceText& Text() const { return text_; }
  const LexError& Error() const { return error_; }
  const std::vector<SkippedStatement>& Skipped() const { return skipped_; }
  const std::vector<ReaderNotice>& Warnings() const { return warnings_; }
  const std::vector<ReaderError>& Errors() const { return errors_; }
  const std::vector<ReaderNotice>& Remarks() const { return remarks_; }
  const std::vector<ReaderMark>& Marks() const { return marks_; }
  const std::vector<ReaderStatement>& Statements() const { return statements_; }
  const std::vector<ReaderObject>& Objects() const { return objects_; }
  // Places what the statements' records left unplaced: a failed statement's
  // first token and words, and (with clauses) where each object's clause
  // stands. Placing is left until asked: a re-check needs none of it.
  void FinishStatements(bool clauses);
  // Whether the text holds no token at all (only blanks and comments).
  bool Empty() const { return lexed_.tokens.size() <= 1; }
  // Where table files stand now (see TableFile): the rewritten file, or
  // nothing to keep it.
  using TableFileRule = std::function<std::optional<std::wstring>(const std::wstring&)>;
  void SetTableFiles(TableFileRule rule) { tableFiles_ = std::move(rule); }
  // Asks the translator for every error of the stream (see ContinueAfterError).
  void SetContinueAfterError(bool on) { continueAfterError_ = on; }
  // The text of a 1-based line, without its line break; empty past the end.
  std::wstring LineText(int line) const;

  // Values are read the same in and out of value parsing: nothing to switch.
  void SetValueParsing(bool) override {}
  Tokens* Keywords() override;
  bool ParseValue(Veltra::AllType* value, bool required) override;
  void NextToken() override;
  bool HasMore() override;
  void SkipStatement() override;
  bool MatchToken(short id) override;
  bool IsTokenClass(short id, int reserved) override;
  bool IsToken(short id, int reserved) override;
  const std::wstring& TokenText() override;
  short TokenId() override { return Current().id; }
  int TokenKind() override { return Current().kind; }
  const std::wstring& IdentifierText() override { return Value(); }
  const std::wstring& StringValue() override { return Value(); }
  double DoubleValue() override { return TokenNumber(text_, Current()); }
  int TokenLine() override { return LineOf(lexed_, Current().begin); }
  int TokenColumn() override { return ColumnOf(lexed_, Current().begin); }
  bool TokenStartsLine() override { return Current().startsLine; }
  bool TokenStartsStatementLine() override { return StartsStatementLine(Current()); }
  void Warn(short kind, const std::wstring& message, size_t first, size_t last) override;
  void RecordError(int number, const std::wstring& argument, size_t first, size_t last,
                   const std::wstring& note) override;
  void Remark(short kind, const std::wstring& message, size_t first, size_t last) override;
  std::wstring SpanText(size_t first, size_t last) override;
  void Mark(MarkKind kind, size_t first, size_t last, const std::wstring& name) override;
  void BeginStatement(TranslatedStatement kind, size_t first) override;
  void Made(DocumentObject kind, ObjectPlace place, size_t first, size_t last,
            const std::wstring& name) override;
  bool ContinueAfterError() override { return continueAfterError_; }
  std::wstring TableFile(const std::wstring& file) override;
  size_t Position() override { return at_; }
  void Seek(size_t position) override { at_ = position; }

 private:
  const Token& Current() const;
  bool StartsStatementLine(const Token& token) const;
  // Lists the statement that starts at position as skipped, by its first words.
  void RecordSkipped(size_t position);
  // Where the tokens from first to last stand: line, column and the column
  // just past the last on the first one's line.
  struct Place {
    int line, column, endColumn;
  };
  Place PlaceOf(size_t first, size_t last) const;
  ReaderSpan SpanOf(size_t first, size_t last) const;
  // The current token's value, decoded once while the cursor stays.
  const std::wstring& Value();

  SourceText text_;
  Lexed lexed_;
  std::vector<SkippedStatement> skipped_;
  std::vector<ReaderNotice> warnings_;
  std::vector<ReaderError> errors_;
  std::vector<ReaderNotice> remarks_;
  std::vector<ReaderMark> marks_;
  std::vector<ReaderStatement> statements_;
  std::vector<ReaderObject> objects_;
  bool continueAfterError_ = false;
  TableFileRule tableFiles_;
  // What TokenText and Value last gave, and for which token.
  std::wstring textCache_;
  size_t textCacheAt_ = SIZE_MAX;
  std::wstring valueCache_;
  size_t valueCacheAt_ = SIZE_MAX;
  LexError error_;
  bool ok_ = false;
  // Index of the current token; lexed_.tokens.size() means before the first.
  size_t at_ = 0;
  bool started_ = false;
};

}  // namespace brevan

static_assert(!std::is_copy_constructible_v<brevan::TokenReader> &&
                  std::is_nothrow_move_constructible_v<brevan::TokenReader>,
              "a token reader moves, and is never copied");
