#include "host/lexer.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "host/document_memory.h"
#include "host/tokens.h"

namespace brevan {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Characters an XML document cannot hold, not even escaped; they would
// make the document ill-formed, so no token may carry them.
bool IsForbiddenInXml(wchar_t c) {
  return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF;
}

bool IsWordStart(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' ||
         (c >= 0x80 && !IsForbiddenInXml(c));
}

bool IsWordChar(wchar_t c) { return IsWordStart(c) || IsDigit(c); }

class Lexer {
 public:
  Lexer(std::wstring_view text, const Tokens& keywords, Lexed& lexed, LexError& error)
      : text_(text),
        keywords_(keywords),
        tokens_(lexed.tokens),
        lineStarts_(lexed.lineStarts),
        error_(error) {}

  bool Run() {
    lineStarts_.push_back(0);
    while (SkipBlanks()) {
      Token token;
      token.begin = static_cast<uint32_t>(at_);
      token.startsLine = lineStart_;
      lineStart_ = false;
      if (!ReadToken(token)) return false;
      token.length = static_cast<uint32_t>(at_ - token.begin);
      tokens_.push_back(token);
    }
    Token end;
    end.begin = static_cast<uint32_t>(at_);
    end.startsLine = true;
    tokens_.push_back(end);
    return true;
  }

 private:
  wchar_t Peek(size_t ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : L'\0'; }
  bool AtEnd() const { return at_ >= text_.size(); }

  // Passes blanks, line ends and comments; false at the end of the text.
  bool SkipBlanks() {
    while (!AtEnd()) {
      const wchar_t c = Peek();
      if (c == L'\n') {
        ++at_;
        ++line_;
        lineBegin_ = at_;
        lineStarts_.push_back(static_cast<uint32_t>(at_));
        lineStart_ = true;
      } else if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\f' || c == L'\v') {
        ++at_;
      } else if (c == L'#') {
        while (!AtEnd() && Peek() != L'\n') ++at_;
      } else {
        return true;
      }
    }
    return false;
  }

  bool Fail(size_t start, std::wstring reason) {
    error_.line = line_;
    error_.column = static_cast<int>(start - lineBegin_) + 1;
    size_t stop = start + 1;
    while (stop < text_.size() && stop - start < 40 && text_[stop] != L'\n') ++stop;
    const std::wstring_view shown =
        text_.substr(start, std::min<size_t>(at_ > start ? at_ - start : stop - start, 40));
    // Control characters are shown by their code, so the message prints cleanly.
    error_.text.clear();
    for (wchar_t c : shown) {
      if (c >= 0x20 || c == L'\t') {
        error_.text += c;
        continue;
      }
      static const wchar_t kDigits[] = L"0123456789ABCDEF";
      error_.text += L"\\x";
      error_.text += kDigits[(c >> 4) & 0xF];
      error_.text += kDigits[c & 0xF];
    }
    error_.reason = std::move(reason);
    return false;
  }

  bool ReadToken(Token& token) {
    const wchar_t c = Peek();
    if (IsWordStart(c)) return ReadWord(token);
    if (IsDigit(c) || (c == L'.' && IsDigit(Peek(1)))) return ReadNumber(token);
    if (c == L'"') return ReadString(token);
    if (c == L'`') return ReadQuotedName(token);
    return ReadSymbol(token);
  }

  bool ReadWord(Token& token) {
    const size_t start = at_;
    while (IsWordChar(Peek())) ++at_;
    const std::wstring_view word = text_.substr(start, at_ - start);
    const short id = keywords_.Lookup(word);
    token.id = id != 0 ? id : 1;
    token.kind = id != 0 ? 4 : 1;
    return true;
  }

  bool ReadQuotedName(Token& token) {
    const size_t start = at_++;
    while (!AtEnd() && Peek() != L'`' && Peek() != L'\n') {
      if (IsForbiddenInXml(Peek())) return Fail(at_, L"a control character cannot stand in a name");
      ++at_;
    }
    if (Peek() != L'`' || at_ == start + 1) return Fail(start, L"unterminated or empty quoted name");
    token.id = 1;
    token.kind = 1;
    ++at_;
    return true;
  }

  bool ReadNumber(Token& token) {
    const size_t start = at_;
    while (IsDigit(Peek())) ++at_;
    if (Peek() == L'.') {
      ++at_;
      while (IsDigit(Peek())) ++at_;
    }
    if ((Peek() == L'e' || Peek() == L'E') &&
        (IsDigit(Peek(1)) || ((Peek(1) == L'+' || Peek(1) == L'-') && IsDigit(Peek(2))))) {
      at_ += 2;
      while (IsDigit(Peek())) ++at_;
    }
    if (IsWordChar(Peek())) {
      while (IsWordChar(Peek())) ++at_;
      return Fail(start, L"a number runs into a name");
    }
    token.id = 3;
    token.kind = 3;
    return true;
  }

  // "text", a doubled quote standing for one; a string ends on its line.
  bool ReadString(Token& token) {
    const size_t start = at_++;
    for (;;) {
      if (AtEnd() || Peek() == L'\n') return Fail(start, L"string constant not closed on its line");
      if (IsForbiddenInXml(Peek())) return Fail(at_, L"a control character cannot stand in a string");
      const wchar_t c = text_[at_++];
      if (c != L'"') continue;
      if (Peek() != L'"') break;
      ++at_;  // a doubled quote stands for one
    }
    token.id = 2;
    token.kind = 2;
    return true;
  }

  bool ReadSymbol(Token& token) {
    for (size_t length : {2, 1}) {
      if (at_ + length > text_.size()) continue;
      const short id = keywords_.Lookup(text_.substr(at_, length));
      if (id != 0 && !IsWordStart(text_[at_])) {
        at_ += length;
        token.id = id;
        token.kind = 4;
        return true;
      }
    }
    ++at_;
    return Fail(at_ - 1, L"character that starts no token");
  }

  std::wstring_view text_;
  const Tokens& keywords_;
  std::vector<Token>& tokens_;
  std::vector<uint32_t>& lineStarts_;
  LexError& error_;
  size_t at_ = 0;
  size_t lineBegin_ = 0;
  int line_ = 1;
  bool lineStart_ = true;
};

}  // namespace

bool Lex(std::wstring_view text, const Tokens& keywords, Lexed& lexed, LexError& error) {
  lexed = Lexed();
  if (text.size() >= UINT32_MAX) {
    error = {1, 1, L"", L"a workspace of 4G characters or more is too large"};
    return false;
  }
  // Workspaces run three to five characters a token; room for one in two
  // saves copying while growing, and costs only address space until
  // tokens fill it. The pages for the usual four are made ready at once.
  lexed.tokens.reserve(text.size() / 2 + 2);
  PrepareLargeBuffer(lexed.tokens.data(), text.size() / 4 * sizeof(Token));
  return Lexer(text, keywords, lexed, error).Run();
}

std::wstring TokenValue(std::wstring_view text, const Token& token) {
  const std::wstring_view written = text.substr(token.begin, token.length);
  if (token.kind == 1)
    return std::wstring(written[0] == L'`' ? written.substr(1, written.size() - 2) : written);
  if (token.kind != 2) return std::wstring();
  std::wstring value;
  value.reserve(written.size() - 2);
  for (size_t i = 1; i + 1 < written.size(); ++i) {
    value += written[i];
    if (written[i] == L'"') ++i;  // the second quote of a doubled one
  }
  return value;
}

double TokenNumber(std::wstring_view text, const Token& token) {
  if (token.kind != 3) return 0;
  // A number token is ASCII digits, a point and an exponent: read as
  // such, correctly rounded, with no locale in the way.
  std::string digits(token.length, '0');
  for (size_t i = 0; i < token.length; ++i) digits[i] = static_cast<char>(text[token.begin + i]);
  double value = 0;
  const std::errc failure = std::from_chars(digits.data(), digits.data() + digits.size(), value).ec;
  if (failure == std::errc::result_out_of_range)  // as strtod: overflow to infinity, underflow to zero
    return std::strtod(digits.c_str(), nullptr);
  return value;
}

int LineOf(const Lexed& lexed, uint32_t offset) {
  return static_cast<int>(std::upper_bound(lexed.lineStarts.begin(), lexed.lineStarts.end(), offset) -
                          lexed.lineStarts.begin());
}

int ColumnOf(const Lexed& lexed, uint32_t offset) {
  return static_cast<int>(offset - lexed.lineStarts[LineOf(lexed, offset) - 1]) + 1;
}

}  // namespace brevan
