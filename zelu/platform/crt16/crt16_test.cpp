#include <zelu/platform/crt16/crt16.h>

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using zelu::crt16::kEndOfInput;

using W = zelu::testing::WideText;

TEST(Crt16Test, LengthAndCopyStopAtTheFirstZero) {
  const WCHAR text[] = {'a', 'b', 0, 'c', 0};
  EXPECT_EQ(zelu::crt16::wcslen(text), 2u);
  WCHAR copy[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(zelu::crt16::wcscpy(copy, text), copy);
  EXPECT_EQ(copy[1], 'b');
  EXPECT_EQ(copy[2], 0);
  EXPECT_EQ(copy[3], 9) << "nothing after the terminator is copied";
}

struct WtolCase {
  std::u16string_view text;
  LONG expected;
};

class WtolTest : public testing::TestWithParam<WtolCase> {};

TEST_P(WtolTest, ConvertsLikeTheRuntime) {
  EXPECT_EQ(zelu::crt16::_wtol(W(GetParam().text).c_str()), GetParam().expected);
  EXPECT_EQ(zelu::crt16::_wtoi(W(GetParam().text).c_str()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, WtolTest, testing::Values(
    WtolCase{u"", 0}, WtolCase{u"abc", 0}, WtolCase{u"42", 42}, WtolCase{u"  \t\n-17x", -17},
    WtolCase{u"+8", 8}, WtolCase{u"- 8", 0}, WtolCase{u"0.9", 0}, WtolCase{u"12 34", 12},
    WtolCase{u"2147483647", 2147483647}, WtolCase{u"-2147483648", std::numeric_limits<LONG>::min()},
    WtolCase{u"2147483648", 2147483647}, WtolCase{u"-2147483649", std::numeric_limits<LONG>::min()},
    WtolCase{u"99999999999999999999999999", 2147483647},
    WtolCase{u"\u3000" u"5", 5} /* ideographic space is white space */));

struct WcstodCase {
  std::u16string_view text;
  double expected;
  std::size_t consumed;
};

class WcstodTest : public testing::TestWithParam<WcstodCase> {};

TEST_P(WcstodTest, ConvertsAndReportsTheEnd) {
  const W text(GetParam().text);
  WCHAR* end = nullptr;
  const double value = zelu::crt16::wcstod(text.c_str(), &end);
  EXPECT_DOUBLE_EQ(value, GetParam().expected);
  EXPECT_EQ(static_cast<std::size_t>(end - text.c_str()), GetParam().consumed);
}

INSTANTIATE_TEST_SUITE_P(Table, WcstodTest, testing::Values(
    WcstodCase{u"1.5kg", 1.5, 3}, WcstodCase{u"abc", 0.0, 0}, WcstodCase{u"  -0.25", -0.25, 7},
    WcstodCase{u".5", 0.5, 2}, WcstodCase{u"5.", 5.0, 2}, WcstodCase{u".", 0.0, 0},
    WcstodCase{u"1e3", 1000.0, 3}, WcstodCase{u"1E-2x", 0.01, 4}, WcstodCase{u"2d2", 200.0, 3},
    WcstodCase{u"1e", 1.0, 1}, WcstodCase{u"1e+", 1.0, 1}, WcstodCase{u"inf", 0.0, 0},
    WcstodCase{u"0x10", 0.0, 1}, WcstodCase{u"+3", 3.0, 2}));

TEST(Crt16Test, WcstodOutOfRange) {
  const W huge(u"1e999");
  EXPECT_EQ(zelu::crt16::wcstod(huge.c_str(), nullptr), HUGE_VAL);
  const W tiny(u"-1e-999");
  EXPECT_EQ(zelu::crt16::wcstod(tiny.c_str(), nullptr), 0.0);
}

struct ScanCase {
  std::u16string_view text;
  int result;
  int value;  // meaningful when result is 1
};

class ScanHex4Test : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanHex4Test, FollowsTheFourCharacterHexConversion) {
  int value = -12345;
  EXPECT_EQ(zelu::crt16::ScanHex4(W(GetParam().text).c_str(), value), GetParam().result);
  EXPECT_EQ(value, GetParam().result == 1 ? GetParam().value : -12345);
}

INSTANTIATE_TEST_SUITE_P(Table, ScanHex4Test, testing::Values(
    ScanCase{u"000a", 1, 10}, ScanCase{u"01AB", 1, 0x1AB}, ScanCase{u"ffff", 1, 0xFFFF},
    ScanCase{u"12345", 1, 0x1234}, ScanCase{u"  7zz", 1, 7}, ScanCase{u"zz00", 0, 0},
    ScanCase{u"", kEndOfInput, 0}, ScanCase{u"   ", kEndOfInput, 0}, ScanCase{u"-1ab", 1, -0x1AB},
    ScanCase{u"+0ff", 1, 0xFF}, ScanCase{u"0x1f", 1, 0x1F}, ScanCase{u"0x", 1, 0},
    ScanCase{u"-", 0, 0}, ScanCase{u"-x", 0, 0}, ScanCase{u"\t\r\n12", 1, 0x12}));

TEST(Crt16Test, Classification) {
  EXPECT_TRUE(zelu::crt16::iswalpha('q'));
  EXPECT_TRUE(zelu::crt16::iswalpha(0x00E9));  // e acute
  EXPECT_TRUE(zelu::crt16::iswalpha(0x0416));  // Cyrillic Zhe
  EXPECT_FALSE(zelu::crt16::iswalpha('1'));
  EXPECT_FALSE(zelu::crt16::iswalpha(0xD800));
  EXPECT_TRUE(zelu::crt16::iswdigit('7'));
  EXPECT_FALSE(zelu::crt16::iswdigit(0x0661)) << "only ASCII digits";
  for (char16_t space : std::u16string_view(u"\t\n\v\f\r ")) EXPECT_TRUE(zelu::crt16::iswspace(space)) << static_cast<int>(space);
  EXPECT_FALSE(zelu::crt16::iswspace(0));
  EXPECT_FALSE(zelu::crt16::iswspace('_'));
  EXPECT_EQ(zelu::crt16::towlower('Q'), 'q');
  EXPECT_EQ(zelu::crt16::towlower(0x00C9), 0x00E9);
  EXPECT_EQ(zelu::crt16::towupper(0x03B1), 0x0391);
  EXPECT_EQ(zelu::crt16::towlower(0xDC00), 0xDC00);
}

}  // namespace
