#include <zelu/platform/win32/code_pages.h>

#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/win32/last_error.h>
#include <zelu/testing/iconv_converter.h>
#include <zelu/testing/wide_text.h>

namespace {

using namespace std::string_view_literals;
using zelu::testing::ToU16;

constexpr DWORD kUntouched = 0xDEAD;  // the last error before each call

// Each row: MultiByteToWideChar(code_page, flags, source, bytes, destination
// (5 units of '~', or null), units): the result, the destination after, and
// the last error (kUntouched after success).
TEST(CodePagesTest, NarrowToWideFollowsTheSizeRules) {
  const struct {
    UINT code_page; DWORD flags; const char* source; int bytes, units; bool null_destination;
    int result; std::u16string_view after; DWORD error;
  } rows[] = {
      {CP_UTF8, 0, "h\xC3\xA9!", -1, 0, true, 4, u"~~~~~", kUntouched} /* size query: the terminator counts */,
      {CP_ACP, 0, "h\xC3\xA9!", -1, 4, false, 4, u"h\u00e9!\0~"sv, kUntouched},
      {CP_UTF8, 0, "h\xC3\xA9!", 1, 1, false, 1, u"h~~~~", kUntouched} /* no terminator converted */,
      {CP_UTF8, 0, "", -1, 0, true, 1, u"~~~~~", kUntouched}, {CP_UTF8, 0, "", -1, 1, false, 1, u"\0~~~~"sv, kUntouched},
      {CP_UTF8, 0, "\xC3\xA9\xC3\xA9", -1, 3, false, 3, u"\u00e9\u00e9\0~~"sv, kUntouched} /* counted, then fits */,
      {CP_UTF8, 0, "abc", -1, 3, false, 0, u"abc~~", ERROR_INSUFFICIENT_BUFFER} /* no room for the terminator */,
      {CP_UTF8, 0, "\xC3\xA9\xC3\xA9", 4, 1, false, 0, u"\u00e9~~~~", ERROR_INSUFFICIENT_BUFFER} /* what fits */,
      {CP_UTF8, 0, "a\xF0\x9F\x98\x80", 5, 2, false, 0, u"a~~~~", ERROR_INSUFFICIENT_BUFFER} /* no half pair */,
      {1252, 0, "a\x80", -1, 5, false, 3, u"a\u20ac\0~~"sv, kUntouched},
      {28591, 0, "a\x80", -1, 5, false, 3, u"a\u0080\0~~"sv, kUntouched},
      {1252, 0, "abc", -1, 2, false, 0, u"~~~~~", ERROR_INSUFFICIENT_BUFFER},
      {437, 0, "abc", -1, 5, false, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, nullptr, -1, 0, true, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, "abc", 0, 5, false, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, "abc", -2, 5, false, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, "abc", -1, -1, false, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, "abc", -1, 5, true, 0, u"~~~~~", ERROR_INVALID_PARAMETER},
      {CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", -1, 5, false, 0, u"~~~~~", ERROR_NO_UNICODE_TRANSLATION},
      {CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3\xA9", -1, 5, false, 3, u"a\u00e9\0~~"sv, kUntouched},
      {CP_UTF8, 0, "a\xC3", -1, 5, false, 3, u"a\ufffd\0~~"sv, kUntouched},
      {1252, MB_ERR_INVALID_CHARS, "\x81", -1, 5, false, 2, u"\u0081\0~~~"sv, kUntouched},
  };
  for (const auto& row : rows) {
    WCHAR units[5] = {'~', '~', '~', '~', '~'};
    SetLastError(kUntouched);
    EXPECT_EQ(MultiByteToWideChar(row.code_page, row.flags, row.source, row.bytes,
                                  row.null_destination ? nullptr : units, row.units), row.result)
        << row.code_page << " " << (row.source ? row.source : "(null)") << " " << row.units;
    EXPECT_EQ(ToU16(units, 5), row.after) << row.code_page << " " << row.units;
    EXPECT_EQ(GetLastError(), row.error) << row.code_page << " " << row.units;
  }
}

// Each row: WideCharToMultiByte(code_page, flags, source, -1, destination
// (8 bytes of '~'), bytes, default_char, used flag if asked): the result,
// the destination after, the last error and the used flag (-1: not asked).
TEST(CodePagesTest, WideToNarrowFollowsTheSizeAndDefaultCharacterRules) {
  const struct {
    UINT code_page; DWORD flags; std::u16string_view source; int bytes; const char* default_char; bool ask_used;
    int result; std::string_view after; DWORD error; int used;
  } rows[] = {
      {CP_UTF8, 0, u"\u20ac\U0001F600", 0, nullptr, false, 8, "~~~~~~~~", kUntouched, -1},
      {CP_UTF8, 0, u"\u20ac\U0001F600", 8, nullptr, false, 8, "\xE2\x82\xAC\xF0\x9F\x98\x80\0"sv, kUntouched, -1},
      {CP_UTF8, 0, u"\u20ac\U0001F600", 7, nullptr, false, 0, "\xE2\x82\xAC\xF0\x9F\x98\x80~", ERROR_INSUFFICIENT_BUFFER, -1},
      {CP_UTF8, 0, u"\u20ac\U0001F600", 6, nullptr, false, 0, "\xE2\x82\xAC~~~~~", ERROR_INSUFFICIENT_BUFFER, -1} /* whole characters */,
      {CP_UTF8, 0, u"ab", 8, nullptr, true, 0, "~~~~~~~~", ERROR_INVALID_PARAMETER, -1},
      {CP_UTF8, 0, u"ab", 8, "?", false, 0, "~~~~~~~~", ERROR_INVALID_PARAMETER, -1},
      {CP_UTF8, 0, u"a\xD800", 8, nullptr, false, 5, "a\xEF\xBF\xBD\0~~~"sv, kUntouched, -1},
      {CP_UTF8, WC_ERR_INVALID_CHARS, u"a\xD800", 8, nullptr, false, 0, "~~~~~~~~", ERROR_NO_UNICODE_TRANSLATION, -1},
      {CP_UTF8, WC_ERR_INVALID_CHARS, u"a\U0001F600", 8, nullptr, false, 6, "a\xF0\x9F\x98\x80\0~~"sv, kUntouched, -1},
      {CP_ACP, 0, u"", 0, nullptr, false, 1, "~~~~~~~~", kUntouched, -1},
      {1252, 0, u"\u20ac\u00e9x", 8, nullptr, true, 4, "\x80\xE9x\0~~~~"sv, kUntouched, FALSE},
      {1252, 0, u"\u0100", 8, nullptr, true, 2, "?\0~~~~~~"sv, kUntouched, TRUE},
      {1252, 0, u"\u0100", 0, nullptr, true, 2, "~~~~~~~~", kUntouched, TRUE} /* the size query tells too */,
      {1252, 0, u"\u0100", 8, "*", true, 2, "*\0~~~~~~"sv, kUntouched, TRUE},
      {1252, 0, u"\U0001F600z", 8, nullptr, true, 3, "?z\0~~~~~"sv, kUntouched, TRUE} /* a pair is one character */,
      {1252, 0, u"\xD800z\xDC00", 8, nullptr, true, 4, "?z?\0~~~~"sv, kUntouched, TRUE},
      {1252, 0, u"\u0080\u0081", 8, nullptr, true, 3, "?\x81\0~~~~~"sv, kUntouched, TRUE},
      {28591, 0, u"\u0080\u00ff\u20ac", 8, nullptr, true, 4, "\x80\xFF?\0~~~~"sv, kUntouched, TRUE},
      {1252, 0, u"abcdefgh", 8, nullptr, false, 0, "abcdefgh", ERROR_INSUFFICIENT_BUFFER, -1},
      {932, 0, u"abc", 8, nullptr, false, 0, "~~~~~~~~", ERROR_INVALID_PARAMETER, -1},
  };
  for (const auto& row : rows) {
    const zelu::testing::WideText source(row.source);
    std::string bytes(8, '~');
    BOOL used = -1;
    SetLastError(kUntouched);
    EXPECT_EQ(WideCharToMultiByte(row.code_page, row.flags, source, -1, row.bytes == 0 ? nullptr : bytes.data(),
                                  row.bytes, row.default_char, row.ask_used ? &used : nullptr), row.result)
        << row.code_page << " " << testing::PrintToString(row.source);
    EXPECT_EQ(bytes, row.after) << row.code_page << " " << testing::PrintToString(row.source);
    EXPECT_EQ(GetLastError(), row.error) << row.code_page << " " << testing::PrintToString(row.source);
    EXPECT_EQ(used, row.used) << row.code_page << " " << testing::PrintToString(row.source);
  }
}

WCHAR DecodeByte(UINT code_page, unsigned char byte) {
  const char source = static_cast<char>(byte);
  WCHAR unit = 0;
  EXPECT_EQ(MultiByteToWideChar(code_page, 0, &source, 1, &unit, 1), 1);
  return unit;
}

// Every byte against the C library's tables; the bytes that iconv leaves
// unassigned (exactly five, all in 1252) must be the C1 control of the same
// value. Every byte then converts back to itself.
TEST(CodePagesTest, SingleByteCodePagesConvertEveryByteAsTheCLibraryDoes) {
  const struct { UINT code_page; const char* iconv_name; int unassigned; } pages[] = {
      {1252, "CP1252", 5}, {28591, "ISO-8859-1", 0}};
  for (const auto& page : pages) {
    zelu::testing::IconvConverter reference("UTF-16LE", page.iconv_name);
    int unassigned = 0;
    for (int value = 0; value < 256; ++value) {
      const auto byte = static_cast<unsigned char>(value);
      const WCHAR unit = DecodeByte(page.code_page, byte);
      const auto expected = reference.Convert(&byte, 1);
      if (expected) {
        ASSERT_EQ(expected->size(), 2u);
        EXPECT_EQ(unit, static_cast<unsigned char>((*expected)[0]) | static_cast<unsigned char>((*expected)[1]) << 8)
            << page.code_page << " byte " << value;
      } else {
        ++unassigned;
        EXPECT_EQ(unit, value) << page.code_page << " unassigned byte " << value;
      }
      char back = 0;
      BOOL used = TRUE;
      EXPECT_EQ(WideCharToMultiByte(page.code_page, 0, &unit, 1, &back, 1, nullptr, &used), 1);
      EXPECT_EQ(static_cast<unsigned char>(back), value) << page.code_page;
      EXPECT_EQ(used, FALSE) << page.code_page << " byte " << value;
    }
    EXPECT_EQ(unassigned, page.unassigned) << page.code_page;
  }
}

// Every unit of the Basic Multilingual Plane outside the surrogates: a code
// page either has a byte for it, which converts back to that unit, or gives
// the default character. Exactly 256 units have a byte.
TEST(CodePagesTest, SingleByteCodePagesGiveTheDefaultCharacterForEverythingElse) {
  for (const UINT code_page : {1252u, 28591u}) {
    int mapped = 0;
    for (char32_t value = 0; value < 0x10000; ++value) {
      if (value >= 0xD800 && value <= 0xDFFF) continue;
      const auto unit = static_cast<WCHAR>(value);
      char byte = 0;
      BOOL used = -1;
      ASSERT_EQ(WideCharToMultiByte(code_page, 0, &unit, 1, &byte, 1, nullptr, &used), 1);
      if (used == FALSE) {
        ++mapped;
        EXPECT_EQ(DecodeByte(code_page, static_cast<unsigned char>(byte)), unit) << code_page << " " << unit;
      } else {
        EXPECT_EQ(byte, '?') << code_page << " " << unit;
      }
    }
    EXPECT_EQ(mapped, 256) << code_page;
  }
}

// Random text: runs of ASCII of every length (so that every alignment of
// the word-at-a-time paths is met) between random non-ASCII characters of
// every UTF-8 length, surrogate pairs included.
std::vector<WCHAR> RandomText(std::mt19937& random) {
  std::uniform_int_distribution<int> run(0, 40), kind(0, 3), ascii(1, 0x7F);
  std::vector<WCHAR> units;
  const int pieces = std::uniform_int_distribution<int>(0, 30)(random);
  for (int piece = 0; piece < pieces; ++piece) {
    for (int i = run(random); i > 0; --i) units.push_back(static_cast<WCHAR>(ascii(random)));
    switch (kind(random)) {
      case 0: units.push_back(static_cast<WCHAR>(std::uniform_int_distribution<int>(0x80, 0x7FF)(random))); break;
      case 1: units.push_back(static_cast<WCHAR>(std::uniform_int_distribution<int>(0x800, 0xD7FF)(random))); break;
      case 2: units.push_back(static_cast<WCHAR>(std::uniform_int_distribution<int>(0xE000, 0xFFFF)(random))); break;
      default: {
        const int offset = std::uniform_int_distribution<int>(0, 0xFFFFF)(random);
        units.push_back(static_cast<WCHAR>(0xD800 + (offset >> 10)));
        units.push_back(static_cast<WCHAR>(0xDC00 + (offset & 0x3FF)));
      }
    }
  }
  return units;
}

std::string LittleEndianBytes(const std::vector<WCHAR>& units) {
  std::string bytes;
  for (const WCHAR unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(CodePagesTest, RandomTextRoundTripsThroughUtf8AndMatchesTheCLibrary) {
  zelu::testing::IconvConverter reference("UTF-8", "UTF-16LE");
  std::mt19937 random(20240611);
  for (int round = 0; round < 500; ++round) {
    const std::vector<WCHAR> units = RandomText(random);
    if (units.empty()) continue;
    const int length = static_cast<int>(units.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, units.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, units.data(), length, bytes.data(), needed, nullptr, nullptr), needed);
    const std::string wide_bytes = LittleEndianBytes(units);
    EXPECT_EQ(std::optional<std::string>(bytes), reference.Convert(wide_bytes.data(), wide_bytes.size()));
    const int back_length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), needed, nullptr, 0);
    std::vector<WCHAR> back(static_cast<std::size_t>(back_length));
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), needed, back.data(), back_length), length);
    EXPECT_EQ(back, units) << "round " << round;
  }
}

TEST(CodePagesTest, TheLastErrorBelongsToTheThread) {
  SetLastError(kUntouched);
  DWORD seen_by_other = 0;
  std::thread([&] {
    seen_by_other = GetLastError();
    MultiByteToWideChar(437, 0, "a", -1, nullptr, 0);
  }).join();
  EXPECT_EQ(seen_by_other, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), kUntouched);
}

}  // namespace
