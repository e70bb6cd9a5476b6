// wsprintfW with results far past its 1023 units: arguments of a hundred
// mebibytes, widths and precisions at INT_MAX and a format of a million
// directives all give the first 1023 units and a terminator, in time that
// depends on the 1023 units, not on the arguments (the times go into the
// test's record).
#include <zelu/platform/win32/wsprintf.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::WideText;

constexpr std::size_t kShown = zelu::win32::kWsprintfBufferUnits - 1;

struct Row {
  const char* name;
  std::function<int(WCHAR* buffer)> format;
  std::u16string expected;  // the first 1023 units
};

TEST(WsprintfHostileTest, ResultsFarPastTheBufferKeepTheirFirstUnits) {
  const WideText wide(std::u16string(std::size_t{50} << 20, u'w'));
  const std::string narrow(std::size_t{100} << 20, 'n');
  const WideText many(std::u16string(2000000, u'%') + u"d");  // a million "%%" and a "d"
  const Row rows[] = {
      {"a wide string of 100 MiB", [&](WCHAR* b) { return wsprintfW(b, WideText(u"%s"), wide.c_str()); },
       std::u16string(kShown, u'w')},
      {"a narrow string of 100 MiB", [&](WCHAR* b) { return wsprintfW(b, WideText(u"<%S"), narrow.c_str()); },
       u"<" + std::u16string(kShown - 1, u'n')},
      {"width INT_MAX", [&](WCHAR* b) { return wsprintfW(b, WideText(u"%2147483647d"), 5); },
       std::u16string(kShown, u' ')},
      {"precision INT_MAX", [&](WCHAR* b) { return wsprintfW(b, WideText(u"%.2147483647x"), 255); },
       std::u16string(kShown, u'0')},
      {"left-aligned width INT_MAX", [&](WCHAR* b) { return wsprintfW(b, WideText(u"%-2147483647s|"), wide.c_str()); },
       std::u16string(kShown, u'w')},
      {"a million percent signs", [&](WCHAR* b) { return wsprintfW(b, many.c_str()); }, std::u16string(kShown, u'%')},
  };
  for (const Row& row : rows) {
    std::vector<WCHAR> buffer(zelu::win32::kWsprintfBufferUnits + 8, WCHAR{'~'});
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(row.format(buffer.data()), static_cast<int>(kShown)) << row.name;
    RecordProperty(row.name, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - started)
                                                  .count()));
    EXPECT_TRUE(std::u16string(buffer.begin(), buffer.begin() + kShown) == row.expected) << row.name;
    EXPECT_EQ(buffer[kShown], 0) << row.name;
    EXPECT_EQ(buffer[kShown + 1], '~') << row.name << ": nothing past the 1024 units";
  }
}

}  // namespace
