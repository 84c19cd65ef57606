#include "host/token_reader.h"
#include "host/xml_document.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

// Runs read on a translator state whose reader stands on the first token of
// text, and returns what read gave; error is the number of a raised error.
template <typename Read>
auto OnState(std::wstring_view text, short version, Read read, int* error = nullptr,
             std::wstring* rest = nullptr) {
  TokenReader reader(text);
  XmlDocument doc;
  BrevanTranslator state(&reader, version, &doc);
  state.NextToken();
  decltype(read(state)) result{};
  try {
    result = read(state);
  } catch (const BrevanTranslatorException& failure) {
    if (error) *error = failure.number;
  }
  if (rest) *rest = reader.TokenText();
  return result;
}

using ReadersTest = TranslatorTest;

struct ExpressionCase {
  const wchar_t* text;
  const wchar_t* expression;
  const wchar_t* stopsAt;  // text of the token left current
};

TEST_F(ReadersTest, ExpressionText) {
  const ExpressionCase cases[] = {
      {L"a + b, c", L"a+b", L","},
      {L"Round(x, 2) * 3 Ranges", L"Round(x,2)*3", L"Ranges"},
      {L"f((a, b), c), d", L"f((a,b),c)", L","},
      {L"name = \"say \"\"hi\"\"\" Ranges", L"name=\"say \"\"hi\"\"\"", L"Ranges"},
      {L"Pop Ranges", L"Pop", L"Ranges"},
      {L"Not Pop Ranges", L"NotPop", L"Ranges"},
      {L"a + ) b, c", L"a+)b", L","},  // the stray ) leaves the depth below zero
      {L"f(x) Ranges", L"f(x)", L"Ranges"},
      {L"( Layer , Ranges ) Ranges", L"(Layer,Ranges)", L"Ranges"},
      {L"Ranges", L"Ranges", L""},  // a leading keyword may start an expression
  };
  for (const ExpressionCase& c : cases) {
    std::wstring rest;
    const std::wstring text = OnState(
        c.text, 300, [](BrevanTranslator& t) { return t.ReadExpressionText(); }, nullptr, &rest);
    EXPECT_EQ(text, c.expression) << c.text;
    EXPECT_EQ(rest, c.stopsAt) << c.text;
  }
}

TEST_F(ReadersTest, LongExpressionsAreKeptWhole) {
  std::wstring text = L"x";
  for (int i = 0; i < 3000; ++i) text += L" + x";
  const std::wstring expression =
      OnState(text, 300, [](BrevanTranslator& t) { return t.ReadExpressionText(); });
  EXPECT_EQ(expression.size(), 1 + 3000 * 2u);
}

struct IdentifierCase {
  const wchar_t* text;
  short version;
  const wchar_t* identifier;
  int error;
};

TEST_F(ReadersTest, LayerIdentifierByVersion) {
  const IdentifierCase cases[] = {
      {L"2.9", 299, L"2", 0},
      {L"-2", 299, L"", 15},  // the old form has no sign
      {L"States", 299, L"States", 0},
      {L"\"States\"", 299, L"", 15},
      {L"2.9", 300, L"2.9", 0},
      {L"-3", 300, L"-3", 0},
      {L"\"quoted\"", 300, L"quoted", 0},
      {L"States", 300, L"States", 0},
      {L"Ranges", 300, L"", 24},
      {L"AVeryLongLayerNameThatRunsWellPastThirtyTwoCharacters", 300,
       L"AVeryLongLayerNameThatRunsWellPastThirtyTwoCharacters", 0},
  };
  for (const IdentifierCase& c : cases) {
    int error = 0;
    const std::wstring text = OnState(
        c.text, c.version,
        [](BrevanTranslator& t) {
          std::wstring out;
          t.ReadLayerIdentifier(out);
          return out;
        },
        &error);
    EXPECT_EQ(text, c.identifier) << c.text << " v" << c.version;
    EXPECT_EQ(error, c.error) << c.text << " v" << c.version;
  }
}

TEST_F(ReadersTest, UnitsAndOnOff) {
  auto units = [](const wchar_t* text, short version, int* error) {
    return OnState(
        text, version,
        [](BrevanTranslator& t) {
          std::wstring u = L"kept";
          t.ParseUnits(u);
          return u;
        },
        error);
  };
  int error = 0;
  EXPECT_EQ(units(L"Units \"mi\"", 200, &error), L"mi");
  EXPECT_EQ(units(L"\"mi\"", 200, &error), L"kept");
  EXPECT_EQ(units(L"\"mi\"", 199, &error), L"mi");
  EXPECT_EQ(error, 0);
  units(L"Units 5", 200, &error);
  EXPECT_EQ(error, 14);
  error = 0;
  units(L"Zoom", 199, &error);
  EXPECT_EQ(error, 14);

  std::wstring rest;
  auto onOff = [](BrevanTranslator& t) { return t.ParseOnOff(true); };
  EXPECT_FALSE(OnState(L"Off", 300, onOff));
  EXPECT_TRUE(OnState(L"On", 300, onOff));
  EXPECT_TRUE(OnState(L"Zoom", 300, onOff, nullptr, &rest));
  EXPECT_EQ(rest, L"Zoom");
}

}  // namespace
}  // namespace brevan::test
