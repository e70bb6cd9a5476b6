#include <zelu/platform/cstring/cstring.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using W = zelu::testing::WideText;

std::u16string U16(const CString& text) { return text.ToU16String(); }

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

template <typename Value>
std::string CFormat(const char* format, Value value) {
  char buffer[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int length = std::snprintf(buffer, sizeof buffer, format, value);
#pragma GCC diagnostic pop
  return std::string(buffer, static_cast<std::size_t>(length));
}

TEST(CStringTest, ConstructionFromEveryKindOfText) {
  EXPECT_EQ(U16(CString()), u"");
  EXPECT_EQ(U16(CString(static_cast<const WCHAR*>(nullptr))), u"");
  EXPECT_EQ(U16(CString(static_cast<const char16_t*>(nullptr))), u"");
  EXPECT_EQ(U16(CString(static_cast<const char*>(nullptr))), u"");
  EXPECT_EQ(U16(CString(W(u"wide"))), u"wide");
  EXPECT_EQ(U16(CString(u"char16")), u"char16");
  EXPECT_EQ(U16(CString(std::u16string_view(u"view"))), u"view");
  EXPECT_EQ(U16(CString("na\xC3\xAFve")), u"na\u00EFve");
  EXPECT_EQ(U16(CString(WCHAR{'z'}, 3)), u"zzz");
  EXPECT_EQ(U16(CString(WCHAR{'z'}, 0)), u"");
  EXPECT_EQ(U16(CString(W(u"abcdef"), 3)), u"abc");
}

TEST(CStringTest, HoldsZeroUnitsInsideAndStaysTerminated) {
  const std::u16string_view with_zero(u"a\0b", 3);
  CString text(with_zero);
  EXPECT_EQ(text.GetLength(), 3);
  EXPECT_EQ(text[1], 0);
  EXPECT_EQ(text.GetString()[3], 0);
  CString copy = text;
  EXPECT_EQ(copy.GetLength(), 3);
  EXPECT_TRUE(copy == text);
  text += WCHAR{'c'};
  EXPECT_EQ(U16(text), std::u16string(u"a\0bc", 4));
  EXPECT_EQ(U16(copy), with_zero) << "copies are independent values";
  // Comparison with a zero-terminated text stops at the first zero unit.
  EXPECT_EQ(copy.Compare(W(u"a")), 0);
}

TEST(CStringTest, CopiesAndMovesAreIndependent) {
  CString original(u"value");
  CString copy(original);
  copy.SetAt(0, 'V');
  EXPECT_EQ(U16(original), u"value");
  CString moved(std::move(copy));
  EXPECT_EQ(U16(moved), u"Value");
  original = original;  // self-assignment keeps the text
  EXPECT_EQ(U16(original), u"value");
  original = original.GetString() + 2;  // assignment from its own buffer
  EXPECT_EQ(U16(original), u"lue");
}

TEST(CStringTest, GetBufferSetLengthThenReleaseBuffer) {
  CString text(u"abc");
  WCHAR* buffer = text.GetBufferSetLength(6);
  EXPECT_EQ(text.GetLength(), 6);
  EXPECT_EQ(buffer[6], 0);
  EXPECT_EQ(buffer[3], 0) << "grown units are zero";
  buffer[3] = 'd';
  text.ReleaseBuffer(-1);
  EXPECT_EQ(U16(text), u"abcd");
  buffer = text.GetBufferSetLength(2);
  text.ReleaseBuffer();
  EXPECT_EQ(U16(text), u"ab");
  // Reserving storage while staying empty, as the codecs do.
  CString reserved;
  reserved.GetBufferSetLength(100);
  reserved.ReleaseBuffer(-1);
  EXPECT_EQ(reserved.GetLength(), 0);
  reserved += W(u"x");
  EXPECT_EQ(U16(reserved), u"x");
  text.GetBuffer(10)[1] = 'Z';
  text.ReleaseBuffer(2);
  EXPECT_EQ(U16(text), u"aZ");
}

TEST(CStringTest, AppendAndConcatenate) {
  CString text;
  text += CString(u"ab");
  text += W(u"cd");
  text += static_cast<const WCHAR*>(nullptr);
  text += u"ef";
  text += WCHAR{'g'};
  EXPECT_EQ(U16(text), u"abcdefg");
  text += text;  // appending itself
  EXPECT_EQ(U16(text), u"abcdefgabcdefg");
  EXPECT_EQ(U16(CString(u"x") + CString(u"y") + WCHAR{'z'}), u"xyz");
  EXPECT_EQ(U16(W(u"<") + CString(u"x") + W(u">")), u"<x>");
  EXPECT_EQ(U16(WCHAR{'['} + CString(u"x")), u"[x");
  std::u16string long_text;
  CString grown;
  for (int i = 0; i < 10000; ++i) {
    grown += static_cast<WCHAR>('a' + i % 26);
    long_text += static_cast<char16_t>('a' + i % 26);
  }
  EXPECT_EQ(U16(grown), long_text);
}

struct FindCase {
  std::u16string_view text;
  std::u16string_view needle;
  int start;
  int expected;
};

class CStringFindTest : public testing::TestWithParam<FindCase> {};

TEST_P(CStringFindTest, FindsTheFirstIndexAtOrAfterStart) {
  const FindCase& c = GetParam();
  EXPECT_EQ(CString(c.text).Find(W(c.needle), c.start), c.expected);
  if (c.needle.size() == 1) {
    EXPECT_EQ(CString(c.text).Find(static_cast<WCHAR>(c.needle[0]), c.start), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CStringFindTest, testing::Values(
    FindCase{u"hello", u"l", 0, 2}, FindCase{u"hello", u"l", 3, 3}, FindCase{u"hello", u"l", 4, -1},
    FindCase{u"hello", u"lo", 0, 3}, FindCase{u"hello", u"xyz", 0, -1}, FindCase{u"hello", u"", 0, 0},
    FindCase{u"hello", u"", 2, 2}, FindCase{u"hello", u"", 5, 5}, FindCase{u"hello", u"", 6, -1},
    FindCase{u"", u"", 0, 0}, FindCase{u"", u"a", 0, -1}, FindCase{u"aaa", u"aa", 1, 1},
    FindCase{u"abc", u"c", -5, 2}, FindCase{u"abc", u"abcd", 0, -1}));

TEST(CStringTest, ReverseFindAndSubstrings) {
  const CString text(u"a.b.c");
  EXPECT_EQ(text.ReverseFind('.'), 3);
  EXPECT_EQ(text.ReverseFind('x'), -1);
  EXPECT_EQ(U16(text.Left(3)), u"a.b");
  EXPECT_EQ(U16(text.Left(-1)), u"");
  EXPECT_EQ(U16(text.Left(99)), u"a.b.c");
  EXPECT_EQ(U16(text.Mid(2)), u"b.c");
  EXPECT_EQ(U16(text.Mid(2, 1)), u"b");
  EXPECT_EQ(U16(text.Mid(9)), u"");
  EXPECT_EQ(U16(text.Mid(-1, 2)), u"a.");
  EXPECT_EQ(U16(text.Right(2)), u".c");
  EXPECT_EQ(U16(text.Right(9)), u"a.b.c");
}

struct TrimCase {
  std::u16string_view text;
  std::u16string_view left;
  std::u16string_view right;
};

class CStringTrimTest : public testing::TestWithParam<TrimCase> {};

TEST_P(CStringTrimTest, RemovesWhiteSpaceAtOneEnd) {
  CString left(GetParam().text);
  left.TrimLeft();
  EXPECT_EQ(U16(left), GetParam().left);
  CString right(GetParam().text);
  right.TrimRight();
  EXPECT_EQ(U16(right), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(Table, CStringTrimTest, testing::Values(
    TrimCase{u"", u"", u""}, TrimCase{u"   ", u"", u""}, TrimCase{u" a b ", u"a b ", u" a b"},
    TrimCase{u"\t\r\n\v\fx\t\r\n\v\f", u"x\t\r\n\v\f", u"\t\r\n\v\fx"}, TrimCase{u"x", u"x", u"x"},
    TrimCase{u"\u2003x\u3000", u"x\u3000", u"\u2003x"}));

TEST(CStringTest, CaseMappingAndComparison) {
  CString text(u"MiXeD \u00C9\u0391");
  text.MakeLower();
  EXPECT_EQ(U16(text), u"mixed \u00E9\u03B1");
  text.MakeUpper();
  EXPECT_EQ(U16(text), u"MIXED \u00C9\u0391");
  EXPECT_EQ(CString(u"abc").Compare(W(u"abd")), -1);
  EXPECT_EQ(CString(u"abd").Compare(W(u"abc")), 1);
  EXPECT_EQ(CString(u"ab").Compare(W(u"abc")), -1);
  EXPECT_EQ(CString(u"ABC").CompareNoCase(W(u"abc")), 0);
  EXPECT_LT(CString(u"ABC").CompareNoCase(W(u"abd")), 0);
  EXPECT_TRUE(CString(u"a") < CString(u"b"));
  EXPECT_TRUE(CString(u"a") != W(u"b"));
  EXPECT_TRUE(W(u"a") == CString(u"a"));
}

class CStringFormatIntTest : public testing::TestWithParam<const char*> {};

// Integer conversions give exactly what the C library's printf gives.
TEST_P(CStringFormatIntTest, MatchesPrintf) {
  const char* format = GetParam();
  for (int value : {0, 1, -1, 42, 255, -4096, INT_MAX, INT_MIN}) {
    CString text;
    text.Format(Widen(format).c_str(), value);
    EXPECT_EQ(U16(text), Widen(CFormat(format, value))) << format << " " << value;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CStringFormatIntTest, testing::Values(
    "%d", "%i", "%5d", "%-5d|", "%05d", "%+d", "% d", "%.3d", "%02d", "%u", "%x", "%X", "%#x",
    "%04x", "%o", "%#o", "[%8.3x]"));

class CStringFormatFloatTest : public testing::TestWithParam<const char*> {};

TEST_P(CStringFormatFloatTest, MatchesPrintf) {
  const char* format = GetParam();
  for (double value : {0.0, -0.0, 1.5, static_cast<double>(0.1f), -0.25, 123456.789, 1e300, -1e-300,
                       5e-324, 0.0000004, HUGE_VAL, -HUGE_VAL, std::nan("")}) {
    CString text;
    text.Format(Widen(format).c_str(), value);
    EXPECT_EQ(U16(text), Widen(CFormat(format, value))) << format << " " << value;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CStringFormatFloatTest, testing::Values(
    "%f", "%lf", "%.3f", "%10.2f", "%-12.1f|", "%+f", "%e", "%E", "%.2e", "%g", "%G", "%.0f",
    "%#.0f", "%a", "%012.4f"));

TEST(CStringFormatTest, WideConventionsForTextAndCharacters) {
  CString text;
  const W wide(u"wide");
  text.Format(u"[%s|%S|%c|%C|%%]", wide.c_str(), "n\xC3\xA4rrow", WCHAR{0x263A}, 'n');
  EXPECT_EQ(U16(text), u"[wide|n\u00E4rrow|\u263A|n|%]");
  text.Format(u"[%6s|%-6s|%.2s|%hs|%ls]", wide.c_str(), wide.c_str(), wide.c_str(), "h", wide.c_str());
  EXPECT_EQ(U16(text), u"[  wide|wide  |wi|h|wide]");
  text.Format(u"%s", u"char16 text");  // char16_t text is read unit by unit too
  EXPECT_EQ(U16(text), u"char16 text");
  text.Format(u"%s|%S", static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr));
  EXPECT_EQ(U16(text), u"(null)|(null)");
  text.Format(u"%*d|%-*d|%.*f", 4, 7, 3, 8, 2, 3.14159);
  EXPECT_EQ(U16(text), u"   7|8  |3.14");
  text.Format(u"%I64d %lld %hd %hhu %ld %lx", 1LL << 40, -(1LL << 40), 70000, 300, LONG{-5}, ULONG{255});
  EXPECT_EQ(U16(text), u"1099511627776 -1099511627776 4464 44 -5 ff") << "'l' is 32 bits";
  text.Format(u"%p", reinterpret_cast<void*>(0xABCDu));
  EXPECT_EQ(U16(text), u"000000000000ABCD");
  text.Format(u"ends with %");
  EXPECT_EQ(U16(text), u"ends with ");
  text.Format(W(u"%d-%s"), 5, W(u"x").c_str());
  EXPECT_EQ(U16(text), u"5-x");
}

TEST(CStringTest, AllocSysStringCopiesEveryUnit) {
  for (const std::u16string_view units : {std::u16string_view(u""), std::u16string_view(u"a\0b", 3)}) {
    const CString text(units);
    BSTR copy = text.AllocSysString();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(SysStringLen(copy), units.size());
    EXPECT_EQ(ToU16(copy, SysStringLen(copy)), units);
    EXPECT_EQ(copy[units.size()], 0);
    SysFreeString(copy);
  }
}

}  // namespace
