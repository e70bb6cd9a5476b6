#include <zelu/platform/win32/lstr.h>

#include <array>
#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

TEST(LstrTest, LengthCountsUnitsBeforeTheTerminator) {
  EXPECT_EQ(lstrlenW(nullptr), 0);
  EXPECT_EQ(lstrlenW(W(u"")), 0);
  EXPECT_EQ(lstrlenW(W(u"h\u00e9\U0001F600")), 4) << "a surrogate pair counts two units";
  const WCHAR inner_zero[] = {'a', 0, 'b', 0};
  EXPECT_EQ(lstrlenW(inner_zero), 1);
}

TEST(LstrTest, CopyTakesTheTerminatorAndNothingAfterIt) {
  std::array<WCHAR, 6> buffer;
  buffer.fill(0x7777);
  const WCHAR source[] = {'a', 'b', 0, 'c', 0};
  EXPECT_EQ(lstrcpyW(buffer.data(), source), buffer.data());
  EXPECT_EQ(ToU16(buffer.data()), u"ab");
  EXPECT_EQ(buffer[3], 0x7777);
  EXPECT_EQ(lstrcpyW(nullptr, source), nullptr);
  EXPECT_EQ(lstrcpyW(buffer.data(), nullptr), nullptr);
  EXPECT_EQ(ToU16(buffer.data()), u"ab") << "a null source writes nothing";
}

struct CopynCase {
  std::u16string_view source;
  int max_units;
  std::u16string_view expected;  // what the buffer holds up to its first zero
  std::size_t written;           // units written, terminator included
};

class LstrcpynTest : public testing::TestWithParam<CopynCase> {};

TEST_P(LstrcpynTest, CopiesAtMostOneLessThanTheCountThenAZero) {
  const CopynCase& c = GetParam();
  std::array<WCHAR, 12> buffer;
  buffer.fill(0x7777);
  EXPECT_EQ(lstrcpynW(buffer.data(), W(c.source), c.max_units), buffer.data());
  std::size_t written = 0;
  while (written < buffer.size() && buffer[written] != 0x7777) ++written;
  EXPECT_EQ(written, c.written);
  if (c.written > 0) {
    EXPECT_EQ(ToU16(buffer.data()), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, LstrcpynTest, testing::Values(
    CopynCase{u"abcdef", 3, u"ab", 3}, CopynCase{u"abcdef", 1, u"", 1}, CopynCase{u"abcdef", 0, u"", 0},
    CopynCase{u"abcdef", -5, u"", 0}, CopynCase{u"abc", 4, u"abc", 4}, CopynCase{u"abc", 10, u"abc", 4},
    CopynCase{u"", 5, u"", 1}));

TEST(LstrTest, BoundedCopyRefusesNullPointers) {
  WCHAR buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(lstrcpynW(nullptr, W(u"x"), 4), nullptr);
  EXPECT_EQ(lstrcpynW(buffer, nullptr, 4), nullptr);
  EXPECT_EQ(buffer[0], 9);
}

struct CompareCase {
  std::u16string_view first;
  std::u16string_view second;
  int expected;
};

class LstrcmpiTest : public testing::TestWithParam<CompareCase> {};

TEST_P(LstrcmpiTest, FoldsCaseUnitByUnit) {
  const CompareCase& c = GetParam();
  EXPECT_EQ(lstrcmpiW(W(c.first), W(c.second)), c.expected);
  EXPECT_EQ(lstrcmpiW(W(c.second), W(c.first)), -c.expected) << "the order is antisymmetric";
}

INSTANTIATE_TEST_SUITE_P(Table, LstrcmpiTest, testing::Values(
    CompareCase{u"TRUE", u"true", 0}, CompareCase{u"tRuE", u"TRUE", 0}, CompareCase{u"", u"", 0},
    CompareCase{u"TRUE", u"TRUE ", -1}, CompareCase{u"a", u"B", -1}, CompareCase{u"b", u"A", 1},
    CompareCase{u"\u00c9T\u00c9", u"\u00e9t\u00e9", 0}, CompareCase{u"\u03a3", u"\u03c3", 0},
    CompareCase{u"\u0416", u"\u0436", 0}, CompareCase{u"[", u"a", -1} /* '[' lowers to itself */,
    CompareCase{u"\u00df", u"ss", 1} /* no mapping changes the length */,
    CompareCase{u"\U00010400", u"\U00010428", -1} /* outside the BMP: units compared as they are */));

TEST(LstrTest, CompareOrdersNullFirst) {
  EXPECT_EQ(lstrcmpiW(nullptr, nullptr), 0);
  EXPECT_EQ(lstrcmpiW(nullptr, W(u"")), -1);
  EXPECT_EQ(lstrcmpiW(W(u""), nullptr), 1);
}

}  // namespace
