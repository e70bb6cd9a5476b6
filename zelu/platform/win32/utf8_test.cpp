#include <zelu/platform/win32/utf8.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::string_view_literals;

std::u16string Decode(std::string_view bytes) {
  std::vector<WCHAR> units(zelu::win32::MaxUtf16Units(bytes.size()));
  units.resize(zelu::win32::Utf8ToUtf16(bytes.data(), bytes.size(), units.data()));
  EXPECT_EQ(zelu::win32::Utf16LengthOfUtf8(bytes.data(), bytes.size()), units.size()) << "count and decode agree";
  return {units.begin(), units.end()};
}

std::string Encode(std::u16string_view text) {
  const std::vector<WCHAR> units(text.begin(), text.end());
  std::string bytes(zelu::win32::MaxUtf8Bytes(units.size()), '\0');
  bytes.resize(zelu::win32::Utf16ToUtf8(units.data(), units.size(), bytes.data()));
  EXPECT_EQ(zelu::win32::Utf8LengthOfUtf16(units.data(), units.size()), bytes.size()) << "count and encode agree";
  return bytes;
}

// Each row: bytes, their UTF-16 form, and the first fault (offset, length;
// {size, 0} when well formed).
struct Utf8Case {
  std::string_view bytes;
  std::u16string_view units;
  zelu::win32::Utf8Fault fault;
};

class Utf8DecodeTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8DecodeTest, DecodesWithOneReplacementPerMaximalSubpart) {
  const Utf8Case& row = GetParam();
  EXPECT_EQ(Decode(row.bytes), row.units);
  const auto fault = zelu::win32::FindUtf8Fault(row.bytes.data(), row.bytes.size());
  EXPECT_EQ(fault.offset, row.fault.offset);
  EXPECT_EQ(fault.length, row.fault.length);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8DecodeTest, testing::Values(
    Utf8Case{"", u"", {0, 0}}, Utf8Case{"abc", u"abc", {3, 0}}, Utf8Case{"\xC3\xA9", u"\u00E9", {2, 0}},
    Utf8Case{"\xE2\x82\xAC", u"\u20AC", {3, 0}}, Utf8Case{"\xF0\x9F\x98\x80", u"\U0001F600", {4, 0}},
    Utf8Case{"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
             u"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF", {18, 0}} /* each length at both ends */,
    Utf8Case{"a\0b"sv, u"a\0b"sv, {3, 0}},
    Utf8Case{"\x80", u"\uFFFD", {0, 1}}, Utf8Case{"ab\xBF", u"ab\uFFFD", {2, 1}},
    Utf8Case{"\xC0\xAF", u"\uFFFD\uFFFD", {0, 1}} /* overlong two bytes */,
    Utf8Case{"\xC1\xBF", u"\uFFFD\uFFFD", {0, 1}}, Utf8Case{"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", {0, 1}},
    Utf8Case{"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD", {0, 1}} /* overlong four bytes */,
    Utf8Case{"x\xED\xA0\x80", u"x\uFFFD\uFFFD\uFFFD", {1, 1}} /* an encoded surrogate */,
    Utf8Case{"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD", {0, 1}},
    Utf8Case{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", {0, 1}} /* above U+10FFFF */,
    Utf8Case{"\xF5\x80", u"\uFFFD\uFFFD", {0, 1}}, Utf8Case{"\xFF", u"\uFFFD", {0, 1}},
    Utf8Case{"\xC3", u"\uFFFD", {0, 1}} /* cut short at the end */, Utf8Case{"\xE2\x82", u"\uFFFD", {0, 2}},
    Utf8Case{"\xF0\x9F\x98", u"\uFFFD", {0, 3}}, Utf8Case{"\xE2\x82z", u"\uFFFDz", {0, 2}},
    Utf8Case{"\xF0\x9F\x98\xC3\xA9", u"\uFFFD\u00E9", {0, 3}},
    Utf8Case{"0123456789abcdef\xC3\xA9" "0123456\x80" "9", u"0123456789abcdef\u00E90123456\uFFFD9", {25, 1}}));

TEST(Utf8Test, EncodesAndReplacesUnpairedSurrogates) {
  const struct { std::u16string_view units; std::string_view bytes; std::size_t unpaired; } rows[] = {
      {u"a\u00E9\u20AC\U0001F600", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 5},
      {u"\xD83Dx", "\xEF\xBF\xBDx", 0}, {u"ab\xDE00", "ab\xEF\xBF\xBD", 2}, {u"abcd\xD83D", "abcd\xEF\xBF\xBD", 4},
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD", 0} /* the wrong order is no pair */,
      {u"\uFFFD", "\xEF\xBF\xBD", 1} /* a real U+FFFD is no fault */, {u"", "", 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Encode(row.units), row.bytes);
    const std::vector<WCHAR> units(row.units.begin(), row.units.end());
    EXPECT_EQ(zelu::win32::FindUnpairedSurrogate(units.data(), units.size()), row.unpaired);
  }
}

TEST(Utf8Test, EveryBmpUnitAndPairRoundTrips) {
  std::u16string all;
  for (char32_t unit = 1; unit < 0x10000; ++unit) {
    if (unit < 0xD800 || unit > 0xDFFF) all.push_back(static_cast<char16_t>(unit));
  }
  all += u"\U00010000\U0010FFFF";
  EXPECT_EQ(Decode(Encode(all)), all);
}

// Random units from the values where the encoding changes: the count, the
// encoder (unbounded, and bounded at the exact size and one byte less) and
// the decoder agree, and the way back gives the text with each unpaired
// surrogate as U+FFFD.
TEST(Utf8Test, RandomUnitsCountEncodeAndDecodeAlike) {
  const WCHAR alphabet[] = {'a', 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF};
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::vector<WCHAR> units(random() % 40);
    for (WCHAR& unit : units) unit = random() % 3 == 0 ? alphabet[random() % std::size(alphabet)] : 'x';
    std::u16string expected;
    for (std::size_t i = 0; i < units.size(); ++i) {
      const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
      const bool paired = high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
      if (paired) {
        expected.push_back(units[i]);
        expected.push_back(units[++i]);
      } else {
        expected.push_back(units[i] >= 0xD800 && units[i] <= 0xDFFF ? u'\uFFFD' : units[i]);
      }
    }
    const std::string bytes = Encode(std::u16string(units.begin(), units.end()));
    EXPECT_EQ(Decode(bytes), expected) << "round " << round;
    std::string bounded(bytes.size(), '~');
    EXPECT_EQ(zelu::win32::Utf16ToUtf8(units.data(), units.size(), bounded.data(), bytes.size()), bytes.size());
    EXPECT_EQ(bounded, bytes);
    if (!bytes.empty()) {
      EXPECT_EQ(zelu::win32::Utf16ToUtf8(units.data(), units.size(), bounded.data(), bytes.size() - 1),
                zelu::win32::kNoRoom);
    }
  }
}

// Each row: a chunk's end, and how many of its last bytes a stream reader
// keeps for the next chunk.
TEST(Utf8Test, IncompleteTailIsWhatMoreInputCouldComplete) {
  const struct { std::string_view bytes; std::size_t tail; } rows[] = {
      {"", 0}, {"abc", 0}, {"a\xC3", 1}, {"a\xC3\xA9", 0}, {"\xE2", 1}, {"\xE2\x82", 2}, {"\xE2\x82\xAC", 0},
      {"\xF0\x9F\x98", 3}, {"\xF0\x9F\x98\x80", 0}, {"\x80", 0}, {"\x80\x80\x80", 0}, {"\xE0\x80", 0} /* overlong */,
      {"\xED\xA0", 0} /* a surrogate */, {"\xF4\x90", 0}, {"\xC0", 0}, {"\xF5", 0}, {"\xFF", 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(zelu::win32::IncompleteUtf8Tail(row.bytes.data(), row.bytes.size()), row.tail)
        << testing::PrintToString(row.bytes);
  }
}

}  // namespace
