#include "host/token_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "brevan_ids.h"
#include "host/text.h"
#include "host/tokens.h"
#include "host/value.h"

namespace brevan {

namespace {

const Token& BeforeStart() {
  static const Token token;
  return token;
}

bool StartsStatement(const Token& token) {
  return token.kind == kKeywordKind && IsStatementKeyword(token.id);
}

// Reads [-] number at the cursor without committing; false when none.
bool PeekSigned(CommandProcessor* cmd, double& value) {
  const size_t start = cmd->Position();
  const bool negative = cmd->MatchToken(static_cast<short>(Keyword::Minus));
  if (cmd->TokenKind() != kNumericConstant) {
    cmd->Seek(start);
    return false;
  }
  value = negative ? -cmd->DoubleValue() : cmd->DoubleValue();
  cmd->NextToken();
  return true;
}

template <typename Int>
bool ParseInteger(CommandProcessor* cmd, Int& out, double min, double max) {
  const size_t start = cmd->Position();
  double value = 0;
  if (!PeekSigned(cmd, value) || value != std::trunc(value) || value < min || value > max) {
    cmd->Seek(start);
    return false;
  }
  out = static_cast<Int>(value);
  return true;
}

template <typename Number, typename Reader>
bool ParseCoord(CommandProcessor* cmd, Number& x, Number& y, Reader read) {
  const size_t start = cmd->Position();
  Number first{}, second{};
  if (cmd->MatchToken(static_cast<short>(Keyword::LeftParen)) && read(first) &&
      cmd->MatchToken(static_cast<short>(Keyword::Comma)) && read(second) &&
      cmd->MatchToken(static_cast<short>(Keyword::RightParen))) {
    x = first;
    y = second;
    return true;
  }
  cmd->Seek(start);
  return false;
}

}  // namespace

TokenReader::TokenReader(SourceText text) : text_(std::move(text)) {
  ok_ = Lex(text_, *GetBrevanKeywords(), lexed_, error_);
  if (!ok_) lexed_.tokens.assign(1, Token{});  // the line starts up to the culprit stay, for its line's text
  at_ = lexed_.tokens.size();
}

const std::wstring& TokenReader::TokenText() {
  if (textCacheAt_ != at_) {
    const Token& token = Current();
    text_.AssignSubstr(textCache_, token.begin, token.length);
    textCacheAt_ = at_;
  }
  return textCache_;
}

const std::wstring& TokenReader::Value() {
  if (valueCacheAt_ != at_) {
    valueCache_ = TokenValue(text_, Current());
    valueCacheAt_ = at_;
  }
  return valueCache_;
}

std::wstring TokenReader::LineText(int line) const {
  const std::vector<uint32_t>& starts = lexed_.lineStarts;
  if (line < 1 || static_cast<size_t>(line) > starts.size()) return {};
  const size_t begin = starts[line - 1];
  size_t end = begin;
  while (end < text_.size() && !IsLineEnd(text_[end])) ++end;
  return text_.Substr(begin, end - begin);
}

// An error about the end of the input stands on the last token, the nearest
// thing to point at; a culprit over several lines is marked on its first.
TokenReader::Place TokenReader::PlaceOf(size_t first, size_t last) const {
  const size_t realTokens = lexed_.tokens.size() - 1;  // without the end token
  if (realTokens == 0) return {1, 1, 1};
  first = std::min(first, realTokens - 1);
  last = std::clamp(last, first, realTokens - 1);
  const uint32_t begin = lexed_.tokens[first].begin;
  // One search for the line: places are asked for every mark and remark.
  const int line = LineOf(lexed_, begin);
  const uint32_t lineStart = lexed_.lineStarts[line - 1];
  const uint32_t nextLine = static_cast<size_t>(line) < lexed_.lineStarts.size()
                                ? lexed_.lineStarts[line]
                                : std::numeric_limits<uint32_t>::max();
  uint32_t end = lexed_.tokens[last].begin + lexed_.tokens[last].length;
  if (end <= lineStart || end - 1 >= nextLine) end = lineStart + LineText(line).size();
  const int column = static_cast<int>(begin - lineStart) + 1;
  return {line, column, column + static_cast<int>(end - begin)};
}

void TokenReader::RecordError(int number, const std::wstring& argument, size_t first, size_t last,
                              const std::wstring& note) {
  const Place place = PlaceOf(first, last);
  errors_.push_back({number, argument, place.line, place.column, place.endColumn, note});
}

void TokenReader::Warn(short kind, const std::wstring& message, size_t first, size_t last) {
  const Place place = PlaceOf(first, last);
  warnings_.push_back({kind, place.line, place.column, place.endColumn, message, first, last});
}

// A remark about a whole clause covers those about its parts, which came
// first: a font not written inside a label clause not written is one remark.
void TokenReader::Remark(short kind, const std::wstring& message, size_t first, size_t last) {
  while (!remarks_.empty() && remarks_.back().first >= first && remarks_.back().last <= last)
    remarks_.pop_back();
  const Place place = PlaceOf(first, last);
  remarks_.push_back({kind, place.line, place.column, place.endColumn, message, first, last});
}

void TokenReader::Mark(MarkKind kind, size_t first, size_t last, const std::wstring& name) {
  const Place place = PlaceOf(first, last);
  // Most marks are one token, which ends where its place does.
  const Place end = last > first ? PlaceOf(last, last) : place;
  marks_.push_back({kind, place.line, place.column, place.endColumn, name, end.line, end.endColumn});
  if (kind == MarkKind::Statement && !statements_.empty() && !statements_.back().translated &&
      statements_.back().first == first) {
    ReaderStatement& statement = statements_.back();
    statement.translated = true;
    statement.name = name;
    statement.span = {place.line, place.column, end.line, end.endColumn};
  }
}

ReaderSpan TokenReader::SpanOf(size_t first, size_t last) const {
  const Place place = PlaceOf(first, last);
  const Place end = last > first ? PlaceOf(last, last) : place;
  return {place.line, place.column, end.line, end.endColumn};
}

std::wstring TokenReader::TableFile(const std::wstring& file) {
  if (!tableFiles_) return file;
  return tableFiles_(file).value_or(file);
}

void TokenReader::BeginStatement(TranslatedStatement kind, size_t first) {
  ReaderStatement statement;
  statement.kind = kind;
  statement.first = first;
  statement.objectsBegin = statement.objectsEnd = objects_.size();
  statements_.push_back(std::move(statement));
}

void TokenReader::Made(DocumentObject kind, ObjectPlace place, size_t first, size_t last,
                       const std::wstring& name) {
  if (statements_.empty()) return;
  objects_.push_back({kind, place, first, last, ReaderSpan(), name});
  statements_.back().objectsEnd = objects_.size();
}

void TokenReader::FinishStatements(bool clauses) {
  for (ReaderStatement& statement : statements_) {
    if (statement.translated || statement.span.line > 0) continue;
    // Named by its first words, as the Statement mark would have named it.
    statement.span = SpanOf(statement.first, statement.first);
    statement.name = SpanText(statement.first, statement.first + 1);
  }
  if (!clauses) return;
  for (ReaderObject& object : objects_)
    if (object.clause.line == 0) object.clause = SpanOf(object.first, object.last);
}

std::wstring TokenReader::SpanText(size_t first, size_t last) {
  const Place place = PlaceOf(first, last);
  const uint32_t begin = lexed_.tokens[std::min(first, lexed_.tokens.size() - 1)].begin;
  return text_.Substr(begin, static_cast<size_t>(place.endColumn - place.column));
}

const Token& TokenReader::Current() const {
  return at_ < lexed_.tokens.size() ? lexed_.tokens[at_] : BeforeStart();
}

Tokens* TokenReader::Keywords() { return GetBrevanKeywords(); }

void TokenReader::NextToken() {
  if (at_ == lexed_.tokens.size() && !started_) {
    started_ = true;
    at_ = 0;
    return;
  }
  if (at_ + 1 < lexed_.tokens.size()) ++at_;
}

bool TokenReader::HasMore() { return at_ + 1 < lexed_.tokens.size(); }

bool TokenReader::StartsStatementLine(const Token& token) const {
  if (!token.startsLine || (token.begin > 0 && !IsLineEnd(text_[token.begin - 1]))) return false;
  if (token.kind == kIdentifier) return true;
  return token.kind == kKeywordKind && IsWordStart(text_[token.begin]);
}

// Up to three words of its first line: "Browse", "Create Map Legend",
// "Set Window Title" for a set statement that is not translated.
void TokenReader::RecordSkipped(size_t position) {
  // The rest of a statement cut short is no statement: its warning says
  // it is skipped.
  if (!warnings_.empty() && warnings_.back().first == position &&
      warnings_.back().kind == static_cast<short>(Warning::StatementCutShort))
    return;
  constexpr int kWords = 3;
  const bool afterSet = position > 0 && !lexed_.tokens[position].startsLine &&
                        lexed_.tokens[position - 1].id == static_cast<short>(Keyword::Set);
  const size_t start = afterSet ? position - 1 : position;
  std::wstring words;
  for (size_t i = start; i < start + kWords && i + 1 < lexed_.tokens.size(); ++i) {
    const Token& token = lexed_.tokens[i];
    const bool word =
        token.kind == kIdentifier || (token.kind == kKeywordKind && IsWordStart(text_[token.begin]));
    if (i > start && (token.startsLine || !word)) break;
    if (!words.empty()) words += L' ';
    words += text_.Substr(token.begin, token.length);
  }
  const uint32_t begin = lexed_.tokens[start].begin;
  skipped_.push_back({LineOf(lexed_, begin), ColumnOf(lexed_, begin), std::move(words)});
}

// Passes over everything up to the next line that starts a statement that
// is translated. A line that begins as any statement does (a word in the
// first column, not continuing an expression) is listed as a statement of
// its own: every statement passed over is reported once.
void TokenReader::SkipStatement() {
  if (!HasMore()) return;
  RecordSkipped(at_);
  int depth = 0;
  for (;;) {
    const Token& token = lexed_.tokens[at_];
    if (token.id == static_cast<short>(Keyword::LeftParen)) ++depth;
    if (token.id == static_cast<short>(Keyword::RightParen)) --depth;
    const bool continues = depth > 0 || (token.kind == kKeywordKind && IsExpressionKeyword(token.id));
    NextToken();
    if (!HasMore() || (lexed_.tokens[at_].startsLine && StartsStatement(lexed_.tokens[at_]))) return;
    if (!continues && StartsStatementLine(lexed_.tokens[at_])) {
      RecordSkipped(at_);
      depth = 0;
    }
  }
}

bool TokenReader::MatchToken(short id) {
  if (!IsToken(id, 0)) return false;
  NextToken();
  return true;
}

// Classes are tested as classes. A keyword test also accepts a string
// constant: older workspaces write a units string without its keyword.
bool TokenReader::IsTokenClass(short id, int) {
  const Token& token = Current();
  if (id >= kIdentifier && id <= kNumericConstant) return token.kind == id;
  return (token.kind == kKeywordKind && token.id == id) || token.kind == kStringConstant;
}

bool TokenReader::IsToken(short id, int) {
  const Token& token = Current();
  return token.kind != kEndKind && token.id == id;
}

// value := [-] number | string | identifier
bool TokenReader::ParseValue(Veltra::AllType* value, bool) {
  if (value == nullptr) return false;
  double number = 0;
  if (PeekSigned(this, number)) {
    value->SetNumber(number);
    return true;
  }
  const Token& token = Current();
  if (token.kind == kStringConstant) {
    value->SetText(Value(), Veltra::AllType::Kind::Text);
  } else if (token.kind == kIdentifier) {
    value->SetText(Value(), Veltra::AllType::Kind::Name);
  } else {
    return false;
  }
  NextToken();
  return true;
}

}  // namespace brevan

bool CmdParseString(CommandProcessor* cmd, std::wstring& out) {
  if (cmd->TokenKind() != kStringConstant) return false;
  out = cmd->StringValue();
  cmd->NextToken();
  return true;
}

bool CmdParseLong(CommandProcessor* cmd, int32_t& out) {
  return brevan::ParseInteger(cmd, out, -2147483648.0, 2147483647.0);
}

bool CmdParseShort(CommandProcessor* cmd, int16_t& out) {
  return brevan::ParseInteger(cmd, out, -32768.0, 32767.0);
}

bool CmdParseDouble(CommandProcessor* cmd, double& out) { return brevan::PeekSigned(cmd, out); }

bool CmdParseLongCoord(CommandProcessor* cmd, int32_t& x, int32_t& y) {
  return brevan::ParseCoord(cmd, x, y, [cmd](int32_t& v) { return CmdParseLong(cmd, v); });
}

bool CmdParseDoubleCoord(CommandProcessor* cmd, double& x, double& y) {
  return brevan::ParseCoord(cmd, x, y, [cmd](double& v) { return CmdParseDouble(cmd, v); });
}
