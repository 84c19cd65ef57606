#include "host/lexer.h"

#include <algorithm>
#include <cwchar>

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
  Lexer(std::wstring_view text, const Tokens& keywords, std::vector<Token>& tokens, LexError& error)
      : text_(text), keywords_(keywords), tokens_(tokens), error_(error) {}

  bool Run() {
    while (SkipBlanks()) {
      Token token;
      token.line = line_;
      token.column = Column();
      token.startsLine = lineStart_;
      lineStart_ = false;
      const size_t start = at_;
      if (!ReadToken(token)) return false;
      token.text.assign(text_.substr(start, at_ - start));
      tokens_.push_back(std::move(token));
    }
    Token end;
    end.line = line_;
    end.column = Column();
    end.startsLine = true;
    tokens_.push_back(std::move(end));
    return true;
  }

 private:
  int Column() const { return static_cast<int>(at_ - lineBegin_) + 1; }
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
    if (id != 0) {
      token.id = id;
      token.kind = 4;
    } else {
      token.id = 1;
      token.kind = 1;
      token.value.assign(word);
    }
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
    token.value.assign(text_.substr(start + 1, at_ - start - 1));
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
    const std::wstring digits(text_.substr(start, at_ - start));
    token.id = 3;
    token.kind = 3;
    token.number = std::wcstod(digits.c_str(), nullptr);
    return true;
  }

  // "text", a doubled quote standing for one; a string ends on its line.
  bool ReadString(Token& token) {
    const size_t start = at_++;
    for (;;) {
      if (AtEnd() || Peek() == L'\n') return Fail(start, L"string constant not closed on its line");
      if (IsForbiddenInXml(Peek())) return Fail(at_, L"a control character cannot stand in a string");
      const wchar_t c = text_[at_++];
      if (c != L'"') {
        token.value += c;
      } else if (Peek() == L'"') {
        token.value += L'"';
        ++at_;
      } else {
        break;
      }
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
  LexError& error_;
  size_t at_ = 0;
  size_t lineBegin_ = 0;
  int line_ = 1;
  bool lineStart_ = true;
};

}  // namespace

bool Lex(std::wstring_view text, const Tokens& keywords, std::vector<Token>& tokens, LexError& error) {
  tokens.clear();
  return Lexer(text, keywords, tokens, error).Run();
}

}  // namespace brevan
