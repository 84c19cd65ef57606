#include "host/utility.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <thread>

#include "host/text.h"

namespace Veltra {
namespace {

constexpr GUID kModule = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

TEST(ErrorListTest, EntriesArePerThread) {
  ClearErrors();
  SetError(ERR_ERROR, 26, L"text", kModule, 26, L"Layer", nullptr);
  std::thread other([] {
    EXPECT_FALSE(HaveErrors());
    SetError(ERR_ERROR, 5, nullptr, kModule, 5, nullptr, nullptr);
    EXPECT_EQ(GetErrorNum(0), 5);
  });
  other.join();
  ASSERT_TRUE(HaveErrors());
  EXPECT_EQ(GetErrorNum(0), 26);
  EXPECT_EQ(GetErrorNum(1), 0);
  EXPECT_EQ(GetErrorEntry(0)->argument1, L"Layer");
  EXPECT_EQ(GetErrorEntry(0)->argument2, L"");
  wchar_t buffer[3];
  EXPECT_TRUE(GetNextError(true, buffer, 3));
  EXPECT_STREQ(buffer, L"te");
  EXPECT_FALSE(GetNextError(false, buffer, 3));
  ClearErrors();
  EXPECT_FALSE(HaveErrors());
}

struct LongCase {
  const wchar_t* text;
  bool ok;
  int32_t value;
};

TEST(StringToLongTest, BoundsAndFailures) {
  const LongCase cases[] = {
      {L"42", true, 42},
      {L" -7 ", true, -7},
      {L"+3", true, 3},
      {L"2147483647", true, 2147483647},
      {L"-2147483648", true, INT32_MIN},
      {L"2147483648", false, 2147483647},
      {L"-99999999999999999999", false, INT32_MIN},
      {L"abc", false, 99},
      {L"", false, 99},
      {L"2.5", false, 99},
  };
  for (const LongCase& c : cases) {
    int32_t value = 99;
    EXPECT_EQ(StringToLong(c.text, &value, nullptr, INT32_MIN, INT32_MAX), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(DoubleToShortTest, RoundsAndClamps) {
  EXPECT_EQ(DoubleToShort(455.0), 455);
  EXPECT_EQ(DoubleToShort(-900.0), -900);
  EXPECT_EQ(DoubleToShort(122.99999999), 123);
  EXPECT_EQ(DoubleToShort(-0.5), -1);
  EXPECT_EQ(DoubleToShort(1e9), 32767);
  EXPECT_EQ(DoubleToShort(-1e9), -32768);
  EXPECT_EQ(DoubleToShort(std::nan("")), 0);
}

TEST(QuoteStringTest, DoublesInnerQuotes) {
  EXPECT_EQ(quotestring(L"a\"b", L'"'), L"\"a\"\"b\"");
  EXPECT_EQ(quotestring(L"", L'"'), L"\"\"");
  EXPECT_EQ(strcpyn(L"abcdef", 3), L"abc");
  EXPECT_EQ(strcpyn(L"ab", 3), L"ab");
}

TEST(TextTest, Utf8RoundTripAndInvalidBytes) {
  const std::wstring text = L"Zürich € 𝄞";
  EXPECT_EQ(brevan::FromUtf8(brevan::ToUtf8(text)), text);
  std::wstring out;
  size_t bad = 0;
  EXPECT_FALSE(brevan::DecodeUtf8("ab\xC3(", out, bad));
  EXPECT_EQ(bad, 2u);
  EXPECT_FALSE(brevan::DecodeUtf8("\xED\xA0\x80", out, bad));  // a surrogate
  EXPECT_FALSE(brevan::DecodeUtf8("\xC0\xAF", out, bad));      // overlong
  EXPECT_TRUE(brevan::DecodeUtf8(std::string("a\0b", 3), out, bad));
  EXPECT_EQ(out.size(), 3u);
}

TEST(TextTest, TruncateClampedNeverOverflows) {
  EXPECT_EQ(brevan::TruncateClamped(2.9, INT32_MIN, INT32_MAX), 2);
  EXPECT_EQ(brevan::TruncateClamped(-2.9, INT32_MIN, INT32_MAX), -2);
  EXPECT_EQ(brevan::TruncateClamped(1e300, INT32_MIN, INT32_MAX), INT32_MAX);
  EXPECT_EQ(brevan::TruncateClamped(-INFINITY, INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_EQ(brevan::TruncateClamped(std::nan(""), INT32_MIN, INT32_MAX), 0);
}

}  // namespace
}  // namespace Veltra

namespace brevan {
namespace {

// Numbers as people write them, and each reads back to the same double.
TEST(NumberTextTest, PlainFromOneMillionthToTenToTheTwentyFirst) {
  const std::pair<double, const wchar_t*> cases[] = {
      {0.1 + 0.2, L"0.30000000000000004"},
      {100000, L"100000"},
      {1e20, L"100000000000000000000"},
      {1e21, L"1e+21"},
      {123456789012345680000.0, L"123456789012345680000"},
      {1e-6, L"0.000001"},
      {5e-7, L"5e-7"},
      {-1.2345e-5, L"-0.000012345"},
      {-0.0, L"-0"},
      {0, L"0"},
      {2.5, L"2.5"},
      {-93.3, L"-93.3"},
      {9007199254740993.0, L"9007199254740992"},  // 2^53 + 1 is no double: the nearest is
      {1.7976931348623157e308, L"1.7976931348623157e+308"},
      {4.9406564584124654e-324, L"5e-324"},
      {2.2250738585072014e-308, L"2.2250738585072014e-308"},
      {1.5e300, L"1.5e+300"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FormatNumber(value), text);
    const double back = std::wcstod(FormatNumber(value).c_str(), nullptr);
    EXPECT_EQ(std::signbit(back), std::signbit(value)) << value;
    EXPECT_EQ(back, value) << ToUtf8(text);
  }
  EXPECT_EQ(FormatNumber(std::nan("")), L"NaN");
  EXPECT_EQ(FormatNumber(-INFINITY), L"-INF");
}

}  // namespace
}  // namespace brevan
