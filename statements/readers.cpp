// Readers that several statements share: layer identifiers, expression
// texts, units and on/off answers.
#include <climits>
#include <memory>
#include <new>

#include "host/lexer.h"
#include "host/text.h"
#include "host/utility.h"
#include "host/value.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// Switches value parsing on for one read, and off again on every path.
class ValueParsingScope {
 public:
  explicit ValueParsingScope(CommandProcessor* cmd) : cmd_(cmd) { cmd_->SetValueParsing(true); }
  ~ValueParsingScope() { cmd_->SetValueParsing(false); }
  ValueParsingScope(const ValueParsingScope&) = delete;
  ValueParsingScope& operator=(const ValueParsingScope&) = delete;

 private:
  CommandProcessor* cmd_;
};

// Whether two token texts written with nothing between them would read back
// as one token (a word after a word, two strings, "<" and "="); one space
// keeps them apart, and everything else is joined as written.
bool WouldMerge(std::wstring_view before, std::wstring_view after) {
  if (before.empty() || after.empty()) return false;
  const wchar_t last = before.back(), first = after.front();
  if (IsWordChar(last))
    return IsWordChar(first) || IsWordSuffix(first) || (first == L'.' && last >= L'0' && last <= L'9');
  if (last == L'.') return IsWordChar(first);
  if (last == L'"') return first == L'"';
  return (last == L'<' && (first == L'>' || first == L'=')) || (last == L'>' && first == L'=');
}

}  // namespace

// layer-id := number | name          (before version 300)
// layer-id := value                  (from version 300)
void BrevanTranslator::ReadLayerIdentifier(std::wstring& out) {
  std::unique_ptr<Veltra::AllType> value;
  if (!version.LayersAreValues()) {
    if (IsTokenClass(kNumericConstant)) {
      value = Owned(
          Veltra::CreateAllType(static_cast<long>(TruncateClamped(DoubleValue(), INT32_MIN, INT32_MAX))));
      NextToken();
    } else {
      std::wstring name;
      const TokenSpan at = Here();
      if (!ReadIdentifier(name)) RaiseAt(at, Error::InvalidLayerIdentifier);
      value = Owned(Veltra::CreateAllType(name.c_str(), Veltra::ALLTYPE_OWNERSHIP));
    }
  } else {
    ValueParsingScope parsing(cmd);
    value = Owned(Veltra::CreateAllType());
    if (!cmd->ParseValue(value.get(), true)) Raise(Error::ParseValueFailed);
  }
  // The whole text: the host's 32-character buffer would cut long names.
  out = value->Text();
}

int32_t BrevanTranslator::ReadLayerNumber() {
  std::wstring text;
  ReadLayerIdentifier(text);
  int32_t number = 0;
  Veltra::StringToLong(text.c_str(), &number, nullptr, INT32_MIN, INT32_MAX);
  return number;
}

// expression := { name | constant | expression keyword | ( anything ) } up to a
// separator, a keyword the expression table does not hold, or a line that
// starts a statement (outside parentheses and not after an operator)
std::wstring BrevanTranslator::ReadExpressionText() {
  if (!expressionKeywords) expressionKeywords.reset(CreateBrevanTokens());
  if (!expressionKeywords) throw std::bad_alloc();
  const Tokens& table = *expressionKeywords;
  std::wstring result;
  int depth = 0;
  bool keywordMayFollow = true;
  bool warned = false;
  for (;;) {
    const short id = cmd->TokenId();
    const int kind = cmd->TokenKind();
    const bool inTable = table.FindToken(id, 0) != nullptr;
    const bool isConstantOrName = kind >= kIdentifier && kind <= kNumericConstant;
    if (!isConstantOrName && !(kind == kKeywordKind && (inTable || keywordMayFollow))) break;
    if (id == static_cast<short>(Keyword::Comma) && depth <= 0) break;
    if (cmd->TokenStartsLine() && !result.empty()) {
      if (!keywordMayFollow && !inTable && AtStatementLine()) break;
      if (!warned) Warn(Warning::ExpressionContinues, IntegerText(cmd->TokenLine()));
      warned = true;
    }
    std::wstring quoted;
    if (kind == kStringConstant) quoted = Veltra::quotestring(StringValue(), L'"');
    const std::wstring& text = kind == kStringConstant ? quoted : cmd->TokenText();
    if (WouldMerge(result, text)) result += L' ';
    result += text;
    if (id == static_cast<short>(Keyword::LeftParen)) ++depth;
    if (id == static_cast<short>(Keyword::RightParen)) --depth;
    keywordMayFollow = depth > 0 || result.empty() || inTable;
    NextToken();
  }
  RaisePendingHostError();
  return result;
}

// units := Units "name"   (from version 200)
// units := "name"         (before version 200)
void BrevanTranslator::ParseUnits(std::wstring& units) {
  if (version.UnitsFollowKeyword()) {
    if (!Accept(Keyword::Units)) return;
  }
  if (!CmdParseString(cmd, units)) Raise(Error::ExpectingUnits);
}

// text-size-mode := Text Size Mode "text"
bool BrevanTranslator::ReadTextSizeMode(std::wstring& text) {
  if (!Accept(Keyword::Text)) return false;
  ExpectToken(Keyword::Size);
  ExpectToken(Keyword::Mode);
  text = StringValue();
  NextToken();
  return true;
}

// on-off := [ On | Off ]
bool BrevanTranslator::ParseOnOff(bool defaultValue) {
  if (Accept(Keyword::On)) return true;
  if (Accept(Keyword::Off)) return false;
  return defaultValue;
}

Alignment BrevanTranslator::ReadAlignment() {
  Alignment alignment;
  if (Accept(Keyword::Position)) {
    for (;; NextToken()) {
      if (IsToken(Keyword::Center)) {
        alignment.centred = true;
      } else if (IsToken(Keyword::Left) || IsToken(Keyword::Right)) {
        alignment.horizontal = IsToken(Keyword::Left) ? AlignSide::Start : AlignSide::End;
      } else if (IsToken(Keyword::Above) || IsToken(Keyword::Below)) {
        alignment.vertical = IsToken(Keyword::Above) ? AlignSide::Start : AlignSide::End;
      } else {
        break;
      }
    }
    if (alignment.centred && alignment.horizontal != AlignSide::Unset) {
      alignment.vertical = AlignSide::Middle;
    } else if (alignment.centred && alignment.vertical != AlignSide::Unset) {
      alignment.horizontal = AlignSide::Middle;
    }
  }
  RaisePendingHostError();
  return alignment;
}

}  // namespace brevan
