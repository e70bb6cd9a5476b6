#include <zelu/platform/win32/wsprintf.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using zelu::testing::WideText;

// A text argument in both widths: wide for wsprintfW, narrow for snprintf.
struct Text {
  const char* narrow;
  WideText wide;
  explicit Text(const char* ascii) : narrow(ascii), wide(std::u16string(ascii, ascii + std::strlen(ascii))) {}
};

template <typename T> T ForWide(T value) { return value; }
const WCHAR* ForWide(const Text& text) { return text.wide; }
template <typename T> T ForNarrow(T value) { return value; }
const char* ForNarrow(const Text& text) { return text.narrow; }

std::u16string Widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

template <typename... Args>
void ExpectLikeSnprintf(const std::string& format, const Args&... args) {
  WCHAR buffer[zelu::win32::kWsprintfBufferUnits];
  const int written = wsprintfW(buffer, WideText(Widen(format)), ForWide(args)...);
  char narrow[1024];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  const int expected = std::snprintf(narrow, sizeof narrow, format.c_str(), ForNarrow(args)...);
#pragma GCC diagnostic pop
  EXPECT_EQ(ToU16(buffer), Widen(narrow)) << format;
  EXPECT_EQ(written, expected) << format;
}

// The directives that the platform's formatter shares with the C library
// give the same text.
TEST(WsprintfTest, SharedDirectivesMatchTheCLibrary) {
  const Text abc("abc"), empty("");
  ExpectLikeSnprintf("%d|%i|%d", INT_MIN, 0, INT_MAX);
  ExpectLikeSnprintf("[%5d][%-5d][%05d][%.3d][%8.3d][%-8.3d]", -42, -42, -42, 7, 7, 7);
  ExpectLikeSnprintf("%u %x %X %#x %#X %#010x %08X", 4294967295u, 0xBEEFu, 0xBEEFu, 0xBEEFu, 0u, 0xABu, 0x12u);
  ExpectLikeSnprintf("%hd %hu %hx", 70000, 70000, 0x12345);
  ExpectLikeSnprintf("%lld %llu %llx", LLONG_MIN, ULLONG_MAX, 0x123456789ABCull);
  ExpectLikeSnprintf("[%c][%3c][%-3c]", 'A', 'B', 'C');
  ExpectLikeSnprintf("[%s][%.2s][%6s][%-6s][%.0s][%s]", abc, abc, abc, abc, abc, empty);
  ExpectLikeSnprintf("100%% of %d%%", 5);
  ExpectLikeSnprintf("plain text");
}

// Each row: what wsprintfW wrote, what it returned, and the expected text.
TEST(WsprintfTest, WideConventionsAndNoFloatingPoint) {
  struct Row {
    const char* name;
    std::u16string text;
    int written;
    std::u16string expected;
  };
  auto run = [](const char16_t* format, auto... args) {
    std::vector<WCHAR> buffer(1100, '~');
    const int written = wsprintfW(buffer.data(), WideText(format), args...);
    EXPECT_EQ(buffer[1024], '~') << "nothing past the 1024 units";
    return std::make_pair(ToU16(buffer.data()), written);
  };
  const WideText wide(u"w\u00e9");
  const std::u16string long_text(2000, u'x');
  const WideText long_argument(long_text);
  const auto rows = {
      std::make_pair("NarrowTextIsUtf8", run(u"%S|%hs", "n\xC3\xA9", "h")),
      std::make_pair("WideWithL", run(u"%ls|%lS|%lc|%C", wide.c_str(), wide.c_str(), 0x20AC, 'z')),
      std::make_pair("NoFloatingPoint", run(u"%f|%e|%g|%d", 5)),
      std::make_pair("Null", run(u"%s", static_cast<const WCHAR*>(nullptr))),
      std::make_pair("LongIs32Bits", run(u"%ld %lu %lx", -5, 4000000000u, 0xFFFFFFFFu)),
  };
  const std::u16string expected[] = {u"n\u00e9|h", u"w\u00e9|w\u00e9|\u20AC|z", u"f|e|g|5", u"(null)",
                                     u"-5 4000000000 ffffffff"};
  std::size_t i = 0;
  for (const auto& [name, result] : rows) {
    EXPECT_EQ(result.first, expected[i]) << name;
    EXPECT_EQ(result.second, static_cast<int>(expected[i].size())) << name;
    ++i;
  }
  const auto cut = run(u"ab%s", long_argument.c_str());
  EXPECT_EQ(cut.first, u"ab" + long_text.substr(0, 1021));
  EXPECT_EQ(cut.second, 1023);
  const auto wide_field = run(u"%2147483647d", 1);
  EXPECT_EQ(wide_field.first, std::u16string(1023, u' '));
  const auto zeros = run(u"%-.5000d|", 1);
  EXPECT_EQ(zeros.first, std::u16string(1023, u'0'));
}

TEST(WsprintfTest, NullBufferOrFormat) {
  EXPECT_EQ(wsprintfW(nullptr, WideText(u"abc")), 0);
  WCHAR buffer[4] = {'~', '~', '~', '~'};
  EXPECT_EQ(wsprintfW(buffer, nullptr), 0);
  EXPECT_EQ(buffer[0], 0);
}

}  // namespace
