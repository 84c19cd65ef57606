#include "host/lexer.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include "host/command.h"
#include "host/document_memory.h"
#include "host/text.h"
#include "host/tokens.h"

namespace brevan {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Over the characters of either storage of the text (char: Latin-1, or wchar_t).
template <typename Char>
class Lexer {
 public:
  Lexer(std::basic_string_view<Char> text, const Tokens& keywords, Lexed& lexed, LexError& error)
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
  wchar_t Peek(size_t ahead = 0) const {
    return at_ + ahead < text_.size() ? Widen(text_[at_ + ahead]) : L'\0';
  }

  // Text of the source as wide text, for the keyword table and messages.
  std::wstring_view Wide(std::basic_string_view<Char> text) {
    if constexpr (std::is_same_v<Char, wchar_t>) {
      return text;
    } else {
      wide_.resize(text.size());
      std::transform(text.begin(), text.end(), wide_.begin(), [](Char c) { return Widen(c); });
      return wide_;
    }
  }
  bool AtEnd() const { return at_ >= text_.size(); }

  // Passes blanks, line ends and comments; false at the end of the text.
  bool SkipBlanks() {
    at_ = SkipBlanksAndComments(
        at_, text_.size(), [this](size_t i) { return Widen(text_[i]); },
        [this](size_t next) {
          ++line_;
          lineBegin_ = next;
          lineStarts_.push_back(static_cast<uint32_t>(next));
          lineStart_ = true;
        });
    return !AtEnd();
  }

  bool Fail(size_t start, std::wstring reason) {
    error_.line = line_;
    error_.column = static_cast<int>(start - lineBegin_) + 1;
    size_t stop = start + 1;
    while (stop < text_.size() && stop - start < 40 && !IsLineEnd(Widen(text_[stop]))) ++stop;
    const std::wstring_view shown =
        Wide(text_.substr(start, std::min<size_t>(at_ > start ? at_ - start : stop - start, 40)));
    error_.text = Printable(shown);
    error_.reason = std::move(reason);
    return false;
  }

  bool ReadToken(Token& token) {
    const wchar_t c = Peek();
    if (IsWordStart(c)) {
      ReadWord(token);
      return true;
    }
    if (IsDigit(c) || (c == L'.' && IsDigit(Peek(1)))) {
      ReadNumber(token);
      return true;
    }
    if (c == L'"') return ReadString(token);
    if (c == L'`' && ReadQuotedName(token)) return true;
    ReadSymbol(token);
    return true;
  }

  // word := letter { letter | digit } { . letter { letter | digit } } [ $ | % ]
  // A qualified name such as Counties.Name is one word.
  void ReadWord(Token& token) {
    const size_t start = at_;
    for (;;) {
      while (IsWordChar(Peek())) ++at_;
      if (Peek() != L'.' || !IsWordStart(Peek(1))) break;
      ++at_;
    }
    if (IsWordSuffix(Peek())) ++at_;
    const short id = keywords_.Lookup(text_.substr(start, at_ - start));
    if (id != 0) {
      token.id = id;
      token.kind = kKeywordKind;
    } else {
      token.id = kIdentifier;
      token.kind = kIdentifier;
    }
  }

  // quoted-name := ` characters `, on one line. False, without moving, when
  // the quote is not closed or closes nothing: the quote is then a symbol.
  bool ReadQuotedName(Token& token) {
    size_t end = at_ + 1;
    while (end < text_.size() && Widen(text_[end]) != L'`' && !IsLineEnd(Widen(text_[end]))) ++end;
    if (end >= text_.size() || Widen(text_[end]) != L'`' || end == at_ + 1) return false;
    at_ = end + 1;
    token.id = kIdentifier;
    token.kind = kIdentifier;
    return true;
  }

  // A number ends where its digits end: "12abc" is the number 12 and the word abc.
  void ReadNumber(Token& token) {
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
    token.id = kNumericConstant;
    token.kind = kNumericConstant;
  }

  // "text", a doubled quote standing for one; a string ends on its line.
  // Any character may stand in it: the document refuses what XML cannot hold.
  bool ReadString(Token& token) {
    const size_t start = at_++;
    for (;;) {
      if (AtEnd() || IsLineEnd(Peek())) return Fail(start, L"string constant not closed on its line");
      const wchar_t c = Widen(text_[at_++]);
      if (c != L'"') continue;
      if (Peek() != L'"') break;
      ++at_;  // a doubled quote stands for one
    }
    token.id = kStringConstant;
    token.kind = kStringConstant;
    return true;
  }

  // A symbol of the keyword table, longest first; any other character is a
  // symbol of its own that no keyword names, so that every text can be read.
  void ReadSymbol(Token& token) {
    for (size_t length : {2, 1}) {
      if (at_ + length > text_.size()) continue;
      const short id = SymbolId(length);
      if (id != 0 && !IsWordStart(Widen(text_[at_]))) {
        at_ += length;
        token.id = id;
        token.kind = kKeywordKind;
        return;
      }
    }
    ++at_;
    token.id = kOtherSymbol;
    token.kind = kKeywordKind;
  }

  // The keyword of the symbol of length 1 or 2 at the cursor. A workspace
  // repeats a few symbols thousands of times: those of ASCII characters
  // are looked up once a run.
  short SymbolId(size_t length) {
    const wchar_t first = Widen(text_[at_]);
    const wchar_t second = length == 2 ? Widen(text_[at_ + 1]) : L'\0';
    const auto ascii = [](wchar_t c) { return c >= 0 && c < 128; };
    if (!ascii(first) || !ascii(second) || (length == 2 && second == L'\0'))
      return keywords_.Lookup(text_.substr(at_, length));
    short& id = symbolIds_[static_cast<size_t>(first) * 128 + static_cast<size_t>(second)];
    if (id == kNotLookedUp) id = keywords_.Lookup(text_.substr(at_, length));
    return id;
  }

  static constexpr short kNotLookedUp = std::numeric_limits<short>::min();
  std::vector<short> symbolIds_ = std::vector<short>(size_t{128} * 128, kNotLookedUp);
  std::basic_string_view<Char> text_;
  std::wstring wide_;  // Wide's buffer
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

bool Lex(const SourceText& text, const Tokens& keywords, Lexed& lexed, LexError& error) {
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
  return text.View([&](auto view) { return Lexer(view, keywords, lexed, error).Run(); });
}

namespace {

template <typename Char>
std::wstring Value(std::basic_string_view<Char> text, const Token& token) {
  const std::basic_string_view<Char> written = text.substr(token.begin, token.length);
  std::wstring value;
  if (token.kind == kIdentifier) {
    const auto name = Widen(written[0]) == L'`' ? written.substr(1, written.size() - 2) : written;
    value.resize(name.size());
    std::transform(name.begin(), name.end(), value.begin(), [](Char c) { return Widen(c); });
    return value;
  }
  if (token.kind != kStringConstant) return value;
  value.reserve(written.size() - 2);
  for (size_t i = 1; i + 1 < written.size(); ++i) {
    value += Widen(written[i]);
    if (Widen(written[i]) == L'"') ++i;  // the second quote of a doubled one
  }
  return value;
}

}  // namespace

std::wstring TokenValue(const SourceText& text, const Token& token) {
  return text.View([&](auto view) { return Value(view, token); });
}

double TokenNumber(const SourceText& text, const Token& token) {
  if (token.kind != kNumericConstant) return 0;
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
