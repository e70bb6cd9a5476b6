#include <zelu/platform/cstring/cstring.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using W = zelu::testing::WideText;

std::u16string U16(const CString& text) { return text.ToU16String(); }

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

template <typename... Args>
CString Formatted(const char16_t* format, Args... args) {
  CString text;
  text.Format(format, args...);
  return text;
}

// Each row: a string made by the operation under test, and the text it must hold.
void ExpectTexts(std::initializer_list<std::pair<CString, std::u16string_view>> rows) {
  int row = 0;
  for (const auto& [actual, expected] : rows) EXPECT_EQ(U16(actual), expected) << "row " << row++;
}

// `text` after `change` (a trimming or case-mapping member).
CString After(std::u16string_view text, void (CString::*change)()) {
  CString changed(text);
  (changed.*change)();
  return changed;
}

template <typename Value>
std::string CFormat(const char* format, Value value) {
  char buffer[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int length = std::snprintf(buffer, sizeof buffer, format, value);
#pragma GCC diagnostic pop
  return std::string(buffer, static_cast<std::size_t>(length));
}

// Zero units inside are part of the text; copies are independent values.
TEST(CStringTest, HoldsZeroUnitsAndCopiesAreIndependent) {
  CString text(std::u16string_view(u"a\0b", 3));
  EXPECT_EQ(text.GetLength(), 3);
  EXPECT_EQ(text.GetString()[3], 0);
  CString copy = text;
  EXPECT_TRUE(copy == text);
  copy.SetAt(0, 'A');
  text += WCHAR{'c'};
  EXPECT_EQ(U16(text), std::u16string(u"a\0bc", 4));
  EXPECT_EQ(copy.Compare(W(u"A")), 0) << "comparison with a zero-terminated text stops at the first zero unit";
  const CString moved(std::move(copy));
  EXPECT_EQ(U16(moved), std::u16string(u"A\0b", 3));
  CString& same = text;
  text = same;  // self-assignment keeps the text
  text = text.GetString() + 2;  // assignment from its own buffer
  EXPECT_EQ(U16(text), u"bc");
  const long long_index = 1;
  const std::size_t size_index = 1;
  EXPECT_TRUE(text[0] == 'b' && text[long_index] == 'c' && text[size_index] == 'c');  // any index type compiles
}

TEST(CStringTest, GetBufferSetLengthThenReleaseBuffer) {
  CString text(u"abc");
  WCHAR* buffer = text.GetBufferSetLength(6);
  EXPECT_EQ(text.GetLength(), 6);
  EXPECT_EQ(ToU16(buffer, 7), std::u16string(u"abc\0\0\0\0", 7)) << "grown units and the terminator are zero";
  buffer[3] = 'd';
  text.ReleaseBuffer(-1);
  EXPECT_EQ(U16(text), u"abcd");
  text.GetBufferSetLength(2);
  text.ReleaseBuffer();
  EXPECT_EQ(U16(text), u"ab");
  text.GetBuffer(10)[1] = 'Z';
  text.ReleaseBuffer(2);
  EXPECT_EQ(U16(text), u"aZ");
  text = W(u"abcdefgh");
  text = W(u"aZ");  // the same storage, "defgh" still in it
  buffer = text.GetBuffer(4);
  EXPECT_EQ(ToU16(buffer, 5), std::u16string(u"aZ\0\0\0", 5)) << "units past the length up to the asked one are zero";
  buffer[2] = 'X';
  text.ReleaseBuffer(-1);
  EXPECT_EQ(U16(text), u"aZX");
  CString reserved;  // storage reserved while staying empty, as the codecs do
  reserved.GetBufferSetLength(100);
  reserved.ReleaseBuffer(-1);
  reserved += W(u"x");
  EXPECT_EQ(U16(reserved), u"x");
}

// Each row: an operation and the text it gives.
TEST(CStringTest, OperationsGiveTheExpectedText) {
  const CString text(u"a.b.c");
  CString appended;
  appended += CString(u"ab");
  appended += W(u"cd");
  appended += static_cast<const WCHAR*>(nullptr);
  appended += u"ef";
  appended += WCHAR{'g'};
  appended += appended;  // appending itself
  CString assigned_null(u"x");
  assigned_null = NULL;
  std::u16string long_text;
  CString grown;  // one unit at a time
  for (int i = 0; i < 10000; ++i) {
    long_text += static_cast<char16_t>('a' + i % 26);
    grown += long_text.back();
  }
  ExpectTexts({
      // Construction.
      {CString(), u""}, {CString(static_cast<const WCHAR*>(nullptr)), u""},
      {CString(static_cast<const char16_t*>(nullptr)), u""}, {CString(static_cast<const char*>(nullptr)), u""},
      {CString(W(u"wide")), u"wide"}, {CString(u"char16"), u"char16"}, {CString(std::u16string_view(u"view")), u"view"},
      {CString("na\xC3\xAFve"), u"na\u00EFve"}, {CString(W(u"abcdef"), 3), u"abc"},
      {CString(WCHAR{'z'}, 3), u"zzz"}, {CString(WCHAR{'z'}, 0), u""}, {CString('-', 2), u"--"},
      {CString(L'-', 2), u"--"}, {CString(u'\u00E9'), u"\u00E9"},
      // Null pointer constants of every spelling give the empty string.
      {CString(nullptr), u""}, {CString(NULL), u""}, {CString(0), u""}, {assigned_null, u""},
      // Appending and concatenation.
      {appended, u"abcdefgabcdefg"}, {CString(u"x") + CString(u"y") + WCHAR{'z'}, u"xyz"},
      {W(u"<") + CString(u"x") + W(u">"), u"<x>"}, {WCHAR{'['} + CString(u"x"), u"[x"}, {grown, long_text},
      // Substrings, clamped to the text.
      {text.Left(3), u"a.b"}, {text.Left(-1), u""}, {text.Left(99), u"a.b.c"},
      {text.Mid(2), u"b.c"}, {text.Mid(2, 1), u"b"}, {text.Mid(9), u""}, {text.Mid(-1, 2), u"a."},
      {text.Right(2), u".c"}, {text.Right(9), u"a.b.c"},
      // Trimming removes the runtime's white space at one end.
      {After(u"", &CString::TrimRight), u""}, {After(u"   ", &CString::TrimLeft), u""},
      {After(u"   ", &CString::TrimRight), u""}, {After(u" a b ", &CString::TrimLeft), u"a b "},
      {After(u" a b ", &CString::TrimRight), u" a b"}, {After(u"\t\r\n\v\fx\t", &CString::TrimLeft), u"x\t"},
      {After(u"\tx\t\r\n\v\f", &CString::TrimRight), u"\tx"}, {After(u"\u2003x\u3000", &CString::TrimLeft), u"x\u3000"},
      {After(u"\u2003x\u3000", &CString::TrimRight), u"\u2003x"},
      // Case mapping, unit by unit.
      {After(u"MiXeD \u00C9\u0391", &CString::MakeLower), u"mixed \u00E9\u03B1"},
      {After(u"MiXeD \u00E9\u03B1", &CString::MakeUpper), u"MIXED \u00C9\u0391"},
  });
}

TEST(CStringTest, FindGivesTheFirstIndexAtOrAfterStart) {
  struct Row { std::u16string_view text, needle; int start, expected; };
  const Row rows[] = {
      {u"hello", u"l", 0, 2}, {u"hello", u"l", 3, 3}, {u"hello", u"l", 4, -1}, {u"abc", u"c", -5, 2},
      {u"hello", u"lo", 0, 3}, {u"hello", u"xyz", 0, -1}, {u"aaa", u"aa", 1, 1}, {u"abc", u"abcd", 0, -1},
      {u"hello", u"", 0, 0}, {u"hello", u"", 2, 2}, {u"hello", u"", 5, 5}, {u"hello", u"", 6, -1},  // empty text
      {u"", u"", 0, 0}, {u"", u"a", 0, -1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CString(row.text).Find(W(row.needle), row.start), row.expected) << &row - rows;
    if (row.needle.size() == 1) {
      EXPECT_EQ(CString(row.text).Find(static_cast<WCHAR>(row.needle[0]), row.start), row.expected) << &row - rows;
    }
  }
  EXPECT_EQ(CString(u"a.b.c").ReverseFind('.'), 3);
  EXPECT_EQ(CString(u"a.b.c").ReverseFind('x'), -1);
}

TEST(CStringTest, Comparison) {
  EXPECT_LT(CString(u"abc").Compare(W(u"abd")), 0);
  EXPECT_GT(CString(u"abd").Compare(W(u"abc")), 0);
  EXPECT_LT(CString(u"ab").Compare(W(u"abc")), 0);
  EXPECT_EQ(CString(u"ABC").CompareNoCase(W(u"abc")), 0);
  EXPECT_LT(CString(u"ABC").CompareNoCase(W(u"abd")), 0);
  EXPECT_TRUE(CString(u"a") < CString(u"b") && CString(u"a") != W(u"b") && W(u"a") == CString(u"a"));
}

// Integer and floating conversions give exactly what the C library's printf
// gives for the same conversion.
TEST(CStringFormatTest, NumbersMatchPrintf) {
  const auto expect_as_printf = [](const char* format, auto value) {
    EXPECT_EQ(U16(Formatted(Widen(format).c_str(), value)), Widen(CFormat(format, value))) << format << " " << value;
  };
  for (const char* format : {"%d", "%i", "%5d", "%-5d|", "%05d", "%+d", "% d", "%.3d", "%02d", "%u", "%x", "%X",
                             "%#x", "%04x", "%o", "%#o", "[%8.3x]"}) {
    for (const int value : {0, 1, -1, 42, 255, -4096, INT_MAX, INT_MIN}) expect_as_printf(format, value);
  }
  for (const char* format : {"%f", "%lf", "%.3f", "%10.2f", "%-12.1f|", "%+f", "%e", "%E", "%.2e", "%g", "%G",
                             "%.0f", "%#.0f", "%a", "%012.4f"}) {
    for (const double value : {0.0, -0.0, 1.5, static_cast<double>(0.1f), -0.25, 123456.789, 1e300, -1e-300, 5e-324,
                               0.0000004, HUGE_VAL, -HUGE_VAL, std::nan("")}) {
      expect_as_printf(format, value);
    }
  }
}

// Text and characters follow the wide conventions; 'l' is 32 bits.
TEST(CStringFormatTest, WideConventionsForTextAndCharacters) {
  // %p fills the pointer's width: 16 digits on 64-bit machines, 8 on i386.
  const std::u16string pointer_text = std::u16string(2 * sizeof(void*) - 4, u'0') + u"ABCD";
  const W wide_text(u"wide");
  const WCHAR* wide = wide_text.c_str();
  CString from_wide_format;
  from_wide_format.Format(W(u"%d-%s"), 5, W(u"x").c_str());
  ExpectTexts({
      {Formatted(u"[%s|%S|%c|%C|%%]", wide, "n\xC3\xA4rrow", WCHAR{0x263A}, 'n'), u"[wide|n\u00E4rrow|\u263A|n|%]"},
      {Formatted(u"[%6s|%-6s|%.2s|%hs|%ls]", wide, wide, wide, "h", wide), u"[  wide|wide  |wi|h|wide]"},
      {Formatted(u"%s", u"char16 text"), u"char16 text"},
      {Formatted(u"%s|%S", static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr)), u"(null)|(null)"},
      {Formatted(u"%*d|%-*d|%.*f", 4, 7, 3, 8, 2, 3.14159), u"   7|8  |3.14"},
      {Formatted(u"%I64d %lld %hd %hhu %ld %lx", 1LL << 40, -(1LL << 40), 70000, 300, LONG{-5}, ULONG{255}),
       u"1099511627776 -1099511627776 4464 44 -5 ff"},
      {Formatted(u"%p", reinterpret_cast<void*>(0xABCDu)), pointer_text},
      {Formatted(u"ends with %"), u"ends with "},
      {from_wide_format, u"5-x"},
      // a CString argument stands for its units, as ported code passes it
      {Formatted(u"%s%02d:%s", CString(u"-"), 5, CString(u"30")), u"-05:30"},
  });
}

// The signatures ported code compiles against.
static_assert(std::is_same_v<decltype(CString().IsEmpty()), bool>);
static_assert(std::is_same_v<decltype(CString().AllocSysString()), BSTR>);

TEST(CStringTest, AllocSysStringCopiesEveryUnit) {
  for (const std::u16string_view units : {std::u16string_view(u""), std::u16string_view(u"a\0b", 3)}) {
    BSTR copy = CString(units).AllocSysString();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ToU16(copy, SysStringLen(copy) + 1), std::u16string(units) + u'\0');
    SysFreeString(copy);
  }
}

}  // namespace
