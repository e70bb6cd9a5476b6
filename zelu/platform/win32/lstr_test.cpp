#include <zelu/platform/win32/lstr.h>

#include <array>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;
using namespace std::string_view_literals;

// Each row: the buffer (8 units, filled with '~') after lstrcpynW(buffer,
// source, n), or after lstrcpyW(buffer, source) when there is no n. The
// length of the source is checked on the way.
TEST(LstrTest, CopiesStopAtTheFirstZeroOrOneUnitBeforeTheCount) {
  const struct { std::u16string_view source; std::optional<int> n; std::u16string_view buffer; } rows[] = {
      {u"ab\0c"sv, {}, u"ab\0~~~~~"sv}, {u"h\u00e9\U0001F600", {}, u"h\u00e9\U0001F600\0~~~"sv},
      {u"", {}, u"\0~~~~~~~"sv}, {u"abcdef", 3, u"ab\0~~~~~"sv}, {u"abcdef", 1, u"\0~~~~~~~"sv},
      {u"abcdef", 0, u"~~~~~~~~"sv}, {u"abcdef", -5, u"~~~~~~~~"sv}, {u"abc", 4, u"abc\0~~~~"sv},
      {u"abc", 8, u"abc\0~~~~"sv}, {u"", 5, u"\0~~~~~~~"sv}, {u"ab\0c"sv, 8, u"ab\0~~~~~"sv},
  };
  for (const auto& [text, n, expected] : rows) {
    std::array<WCHAR, 8> buffer;
    buffer.fill(u'~');
    const W source(text);
    EXPECT_EQ(n ? lstrcpynW(buffer.data(), source, *n) : lstrcpyW(buffer.data(), source), buffer.data());
    EXPECT_EQ(ToU16(buffer.data(), buffer.size()), expected) << "n " << n.value_or(-99);
    EXPECT_EQ(lstrlenW(source), static_cast<int>(ToU16(source).size())) << "a surrogate pair counts two units";
  }
  WCHAR buffer[2] = {'~', '~'};
  EXPECT_EQ(lstrlenW(nullptr), 0);
  EXPECT_TRUE(lstrcpyW(nullptr, W(u"x")) == nullptr && lstrcpynW(nullptr, W(u"x"), 4) == nullptr);
  EXPECT_TRUE(lstrcpyW(buffer, nullptr) == nullptr && lstrcpynW(buffer, nullptr, 2) == nullptr);
  EXPECT_EQ(buffer[0], '~') << "a null source writes nothing";
}

TEST(LstrTest, CompareFoldsCaseUnitByUnitAndOrdersNullFirst) {
  const struct { std::u16string_view first, second; int expected; } rows[] = {
      {u"TRUE", u"true", 0}, {u"tRuE", u"TRUE", 0}, {u"", u"", 0}, {u"TRUE", u"TRUE ", -1}, {u"a", u"B", -1},
      {u"b", u"A", 1}, {u"\u00c9T\u00c9", u"\u00e9t\u00e9", 0}, {u"\u03a3", u"\u03c3", 0}, {u"\u0416", u"\u0436", 0},
      {u"[", u"a", -1} /* '[' lowers to itself */, {u"\u00df", u"ss", 1} /* no mapping changes the length */,
      {u"\U00010400", u"\U00010428", -1} /* outside the BMP: units compared as they are */,
  };
  for (const auto& [first, second, expected] : rows) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(first) + u" : " + std::u16string(second)));
    EXPECT_EQ(lstrcmpiW(W(first), W(second)), expected);
    EXPECT_EQ(lstrcmpiW(W(second), W(first)), -expected) << "the order is antisymmetric";
  }
  EXPECT_EQ(lstrcmpiW(nullptr, nullptr), 0);
  EXPECT_EQ(lstrcmpiW(nullptr, W(u"")), -1);
  EXPECT_EQ(lstrcmpiW(W(u""), nullptr), 1);
}

}  // namespace
