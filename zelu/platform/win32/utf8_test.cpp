#include <zelu/platform/win32/utf8.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::u16string Decode(std::string_view bytes) {
  std::vector<WCHAR> units(zelu::win32::MaxUtf16Units(bytes.size()));
  units.resize(zelu::win32::Utf8ToUtf16(bytes.data(), bytes.size(), units.data()));
  return {units.begin(), units.end()};
}

std::string Encode(std::u16string_view text) {
  const std::vector<WCHAR> units(text.begin(), text.end());
  std::string bytes(zelu::win32::MaxUtf8Bytes(units.size()), '\0');
  bytes.resize(zelu::win32::Utf16ToUtf8(units.data(), units.size(), bytes.data()));
  return bytes;
}

struct Utf8Case {
  std::string_view bytes;
  std::u16string_view units;
};

class Utf8DecodeTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8DecodeTest, DecodesWithOneReplacementPerMaximalSubpart) {
  EXPECT_EQ(Decode(GetParam().bytes), GetParam().units);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8DecodeTest, testing::Values(
    Utf8Case{"", u""}, Utf8Case{"abc", u"abc"}, Utf8Case{"\xC3\xA9", u"\u00E9"},
    Utf8Case{"\xE2\x82\xAC", u"\u20AC"}, Utf8Case{"\xF0\x9F\x98\x80", u"\U0001F600"},
    Utf8Case{std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
    Utf8Case{"\x80", u"\uFFFD"}, Utf8Case{"\xC0\xAF", u"\uFFFD\uFFFD"} /* overlong */,
    Utf8Case{"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"}, Utf8Case{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"} /* surrogate */,
    Utf8Case{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"} /* above U+10FFFF */,
    Utf8Case{"\xE2\x82", u"\uFFFD"} /* truncated */, Utf8Case{"\xE2\x82z", u"\uFFFDz"},
    Utf8Case{"\xF0\x9F\x98", u"\uFFFD"}));

TEST(Utf8Test, EncodesAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(Encode(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  const char16_t lone_high[] = {0xD83D, 'x', 0};
  EXPECT_EQ(Encode(lone_high), "\xEF\xBF\xBDx");
  const char16_t lone_low[] = {0xDE00, 0};
  EXPECT_EQ(Encode(lone_low), "\xEF\xBF\xBD");
}

TEST(Utf8Test, EveryBmpUnitAndPairRoundTrips) {
  std::u16string all;
  for (char32_t unit = 1; unit < 0x10000; ++unit) {
    if (unit < 0xD800 || unit > 0xDFFF) all.push_back(static_cast<char16_t>(unit));
  }
  all += u"\U00010000\U0010FFFF";
  EXPECT_EQ(Decode(Encode(all)), all);
}

}  // namespace
