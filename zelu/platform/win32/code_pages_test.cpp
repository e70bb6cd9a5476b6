#include <zelu/platform/win32/code_pages.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;

TEST(CodePagesTest, SizeQueryThenConversionIncludingTheTerminator) {
  const char* text = "h\xC3\xA9!";
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  ASSERT_EQ(needed, 4);  // h, e acute, !, terminator
  std::vector<WCHAR> units(static_cast<std::size_t>(needed), 0xEEEE);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, units.data(), needed), 4);
  EXPECT_EQ(units, (std::vector<WCHAR>{'h', 0xE9, '!', 0}));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 1, units.data(), 1), 1) << "explicit length: no terminator";
}

TEST(CodePagesTest, RefusesWhatThePlatformRefuses) {
  WCHAR units[2] = {0xEEEE, 0xEEEE};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, units, 2), 0) << "buffer too small";
  EXPECT_EQ(units[0], 0xEEEE) << "nothing written on failure";
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, units, 2), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, nullptr, 0), 0);
  char byte = 0;
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, W(u"a"), -1, &byte, 1, nullptr, &used), 0);
}

TEST(CodePagesTest, WideToUtf8) {
  const W text(u"\u20AC\U0001F600");
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  ASSERT_EQ(needed, 8);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), needed, nullptr, nullptr), 8);
  EXPECT_EQ(bytes, std::string("\xE2\x82\xAC\xF0\x9F\x98\x80", 8));
}

}  // namespace
