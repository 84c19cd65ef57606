#include <gtest/gtest.h>

#include <cmath>

#include "brevan_ids.h"
#include "host/source_text.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/value.h"

namespace brevan {
namespace {

// Lexes text and moves the reader onto its first token.
TokenReader Read(std::wstring_view text) {
  TokenReader reader(text);
  EXPECT_TRUE(reader.Ok()) << ToUtf8(reader.Error().reason);
  reader.NextToken();
  return reader;
}

struct KindCase {
  const wchar_t* text;
  short id;
  int kind;
  const wchar_t* value;  // identifier or string contents
};

TEST(LexerTest, TokenKinds) {
  const KindCase cases[] = {
      {L"States", 1, 1, L"States"},
      {L"`Order`", 1, 1, L"Order"},
      {L"Zürich_2", 1, 1, L"Zürich_2"},
      {L"\"a \"\"quoted\"\" b\"", 2, 2, L"a \"quoted\" b"},
      {L"\"\"", 2, 2, L""},
      {L"12.5e-1", 3, 3, L""},
      {L".5", 3, 3, L""},
      {L"layer", static_cast<short>(Keyword::Layer), 4, L""},
      {L"LAYER", static_cast<short>(Keyword::Layer), 4, L""},
      {L"<=", static_cast<short>(Keyword::LessEqual), 4, L""},
      {L"<", static_cast<short>(Keyword::Less), 4, L""},
      {L",", static_cast<short>(Keyword::Comma), 4, L""},
      {L":", static_cast<short>(Keyword::Colon), 4, L""},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    TokenReader reader = Read(c.text);
    EXPECT_EQ(reader.TokenId(), c.id);
    EXPECT_EQ(reader.TokenKind(), c.kind);
    EXPECT_EQ(reader.TokenText(), c.text);
    if (c.kind == 1 || c.kind == 2) {
      EXPECT_EQ(reader.StringValue(), c.value);
    }
    reader.NextToken();
    EXPECT_FALSE(reader.HasMore());
  }
}

// The text is held one byte a character when it can be, wide otherwise
// (UTF-8 decodes into the narrower): both read alike, token by token and in
// errors. A snowman in a comment makes the same text wide.
TEST(LexerTest, NarrowAndWideTextReadAlike) {
  SourceText decoded;
  size_t bad = 0;
  ASSERT_TRUE(DecodeUtf8(
      "Open Table \"caf\xc3\xa9 \"\"x\"\"\" As `Z\xc3\xbcrich` # n\r\nSet Map Zoom 1.5e2 \xc2\xa7 ,", decoded,
      bad));
  ASSERT_TRUE(decoded.IsNarrow());
  const std::wstring text = decoded.Substr(0, decoded.size());
  for (const std::wstring& tail : {std::wstring(), std::wstring(L"\n  \"open")}) {
    TokenReader narrow{SourceText(text + tail)}, wide{SourceText(text + L" # \u2603" + tail)};
    ASSERT_FALSE(wide.Text().IsNarrow());
    EXPECT_EQ(narrow.Ok(), tail.empty());
    EXPECT_EQ(wide.Ok(), tail.empty());
    EXPECT_EQ(narrow.Error().text, wide.Error().text);
    EXPECT_EQ(narrow.Error().column, wide.Error().column);
    EXPECT_EQ(narrow.LineText(2), L"Set Map Zoom 1.5e2 \u00a7 ,");
    for (narrow.NextToken(), wide.NextToken(); narrow.HasMore() || wide.HasMore();
         narrow.NextToken(), wide.NextToken()) {
      EXPECT_EQ(narrow.TokenId(), wide.TokenId());
      EXPECT_EQ(narrow.TokenText(), wide.TokenText());
      EXPECT_EQ(narrow.TokenColumn(), wide.TokenColumn());
      EXPECT_EQ(narrow.StringValue(), wide.StringValue());
      EXPECT_EQ(narrow.DoubleValue(), wide.DoubleValue());
    }
  }
  EXPECT_TRUE(DecodeUtf8("\xe2\x98\x83 x", decoded, bad) && !decoded.IsNarrow());
  EXPECT_TRUE(!DecodeUtf8("ok\xc3(", decoded, bad) && bad == 2) << bad;
}

TEST(LexerTest, NumbersKeepTheirValue) {
  TokenReader reader = Read(L"12.5e-1 7 .5 0.1 1e400 1e-400 4.9e-324 179769313486231570000e288");
  for (double expected : {1.25, 7.0, 0.5, 0.1, HUGE_VAL, 0.0, 4.9e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(reader.DoubleValue(), expected);  // exactly: correctly rounded
    reader.NextToken();
  }
}

TEST(LexerTest, PositionsAreOneBasedLinesAndColumns) {
  TokenReader reader = Read(L"Open Table\n  \"a\" # note\n\tAs  t");
  const int expected[][2] = {{1, 1}, {1, 6}, {2, 3}, {3, 2}, {3, 6}};
  for (const auto& at : expected) {
    EXPECT_EQ(reader.TokenLine(), at[0]);
    EXPECT_EQ(reader.TokenColumn(), at[1]);
    reader.NextToken();
  }
  EXPECT_FALSE(reader.HasMore());
}

struct ErrorCase {
  const wchar_t* text;
  int line;
  int column;
};

TEST(LexerTest, LexicalErrorsNameTheirPlace) {
  const ErrorCase cases[] = {
      {L"Open Table \"never closed", 1, 12},
      {L"\"line\nbreak\"", 1, 1},
      {L"Set zq x$ [1]\n  \"a\" \"b", 2, 7},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    TokenReader reader(c.text);
    ASSERT_FALSE(reader.Ok());
    EXPECT_EQ(reader.Error().line, c.line);
    EXPECT_EQ(reader.Error().column, c.column);
    EXPECT_FALSE(reader.Error().text.empty());
  }
}

// Every character is read: words take qualified names and a type mark,
// and a character that starts no token is a symbol of its own.
TEST(LexerTest, EveryCharacterIsRead) {
  const short other = kOtherSymbol;
  const short name = kIdentifier;
  const struct {
    const wchar_t* text;
    std::vector<std::wstring> texts;
    std::vector<short> ids;
  } cases[] = {
      {L"Counties.Name", {L"Counties.Name"}, {name}},
      {L"a.b.c .d", {L"a.b.c", L".", L"d"}, {name, other, name}},
      {L"a.5", {L"a", L".5"}, {name, kNumericConstant}},
      {L"zq_col$ [1]", {L"zq_col$", L"[", L"1", L"]"}, {name, other, kNumericConstant, other}},
      {L"n% %", {L"n%", L"%"}, {name, other}},
      {L"$x", {L"$", L"x"}, {other, name}},
      {L"12abc", {L"12", L"abc"}, {kNumericConstant, name}},
      {L"; { } \\ ! ? @ ~ |",
       {L";", L"{", L"}", L"\\", L"!", L"?", L"@", L"~", L"|"},
       std::vector<short>(9, other)},
      {L"``", {L"`", L"`"}, {other, other}},
      {L"`abc\n`", {L"`", L"abc", L"`"}, {other, name, other}},
      {L"\x01\x7F", {L"\x01", L"\x7F"}, {other, other}},
      {L"Öl.Größe", {L"Öl.Größe"}, {name}},
      {L"\"a\x01b\"", {L"\"a\x01b\""}, {kStringConstant}},
      {L"Layer.x", {L"Layer.x"}, {name}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    TokenReader reader = Read(c.text);
    for (size_t i = 0; i < c.texts.size(); ++i) {
      ASSERT_TRUE(reader.HasMore());
      EXPECT_EQ(reader.TokenText(), c.texts[i]);
      EXPECT_EQ(reader.TokenId(), c.ids[i]);
      EXPECT_EQ(reader.TokenKind(), c.ids[i] == other ? 4 : c.ids[i]);
      reader.NextToken();
    }
    EXPECT_FALSE(reader.HasMore());
  }
}

TEST(LexerTest, SkipStatementStopsAtTheNextStatementLineAndAlwaysMovesOn) {
  TokenReader reader = Read(L"Print a b\n  c Map d\nMap From t");
  reader.SkipStatement();
  EXPECT_EQ(reader.TokenId(), static_cast<short>(Keyword::Map));
  EXPECT_EQ(reader.TokenLine(), 3);
  TokenReader twice = Read(L"Map\nMap");
  twice.SkipStatement();
  EXPECT_EQ(twice.TokenLine(), 2);
  twice.SkipStatement();
  EXPECT_FALSE(twice.HasMore());
  twice.SkipStatement();  // at the end it stays there
  EXPECT_FALSE(twice.HasMore());
}

TEST(LexerTest, MatchTokenConsumesOnlyOnAMatchAndAStringStandsForAKeywordInAClass) {
  TokenReader layer = Read(L"Layer 1");
  EXPECT_FALSE(layer.MatchToken(static_cast<short>(Keyword::Map)));
  EXPECT_TRUE(layer.MatchToken(static_cast<short>(Keyword::Layer)));
  EXPECT_EQ(layer.TokenKind(), 3);
  TokenReader reader = Read(L"\"mi\" 5");
  EXPECT_TRUE(reader.IsTokenClass(2, 0));
  EXPECT_FALSE(reader.IsTokenClass(3, 0));
  EXPECT_TRUE(reader.IsTokenClass(static_cast<short>(Keyword::Units), 0));
  EXPECT_FALSE(reader.IsToken(static_cast<short>(Keyword::Units), 0));
  reader.NextToken();
  EXPECT_TRUE(reader.IsTokenClass(3, 0));
  EXPECT_FALSE(reader.IsTokenClass(static_cast<short>(Keyword::Units), 0));
}

TEST(CmdParseTest, SignedValues) {
  TokenReader reader = Read(L"-5 - 2.5 40000 \"s\" ( 1 , -2 ) (1.5, 2)");
  int32_t integer = 0;
  EXPECT_TRUE(CmdParseLong(&reader, integer));
  EXPECT_EQ(integer, -5);
  EXPECT_FALSE(CmdParseLong(&reader, integer));  // -2.5 is not whole
  EXPECT_EQ(reader.TokenId(), static_cast<short>(Keyword::Minus));
  double number = 0;
  EXPECT_TRUE(CmdParseDouble(&reader, number));
  EXPECT_DOUBLE_EQ(number, -2.5);
  int16_t small = 0;
  EXPECT_FALSE(CmdParseShort(&reader, small));  // beyond 16 bits
  EXPECT_TRUE(CmdParseLong(&reader, integer));
  EXPECT_EQ(integer, 40000);
  EXPECT_FALSE(CmdParseDouble(&reader, number));
  std::wstring text;
  EXPECT_TRUE(CmdParseString(&reader, text));
  EXPECT_EQ(text, L"s");
  int32_t x = 0, y = 0;
  EXPECT_TRUE(CmdParseLongCoord(&reader, x, y));
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, -2);
  EXPECT_FALSE(CmdParseLongCoord(&reader, x, y));  // 1.5 is not whole: nothing moves
  EXPECT_EQ(reader.TokenId(), static_cast<short>(Keyword::LeftParen));
  double dx = 0, dy = 0;
  EXPECT_TRUE(CmdParseDoubleCoord(&reader, dx, dy));
  EXPECT_DOUBLE_EQ(dx, 1.5);
  EXPECT_FALSE(reader.HasMore());
}

TEST(CmdParseTest, NumbersBeyondEveryIntegerRangeAreRefused) {
  TokenReader reader = Read(L"1e400 99999999999");
  int32_t integer = 7;
  EXPECT_FALSE(CmdParseLong(&reader, integer));
  EXPECT_EQ(integer, 7);
  double number = 0;
  EXPECT_TRUE(CmdParseDouble(&reader, number));
  EXPECT_FALSE(CmdParseLong(&reader, integer));
}

TEST(ParseValueTest, ValueKinds) {
  TokenReader reader = Read(L"-2.5 \"text\" name Layer");
  Veltra::AllType value;
  ASSERT_TRUE(reader.ParseValue(&value, true));
  EXPECT_TRUE(value.IsKindA());
  EXPECT_EQ(value.Text(), L"-2.5");
  ASSERT_TRUE(reader.ParseValue(&value, true));
  EXPECT_TRUE(value.IsKindB());
  EXPECT_EQ(value.Text(), L"text");
  ASSERT_TRUE(reader.ParseValue(&value, true));
  EXPECT_FALSE(value.IsKindA() || value.IsKindB());
  EXPECT_EQ(value.Text(), L"name");
  EXPECT_FALSE(reader.ParseValue(&value, true));
  EXPECT_EQ(reader.TokenId(), static_cast<short>(Keyword::Layer));
}

}  // namespace
}  // namespace brevan
