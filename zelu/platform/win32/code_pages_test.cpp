#include <zelu/platform/win32/code_pages.h>

#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using namespace std::string_view_literals;

// Each row: the result, and the destination (5 units, filled with '~') after
// MultiByteToWideChar(code_page, 0, source, bytes, destination, units).
TEST(CodePagesTest, NarrowToWideFollowsTheSizeRules) {
  const struct { UINT code_page; const char* source; int bytes, units, result; std::u16string_view after; } rows[] = {
      {CP_UTF8, "h\xC3\xA9!", -1, 0, 4, u"~~~~~"} /* size query: the terminator counts, nothing written */,
      {CP_ACP, "h\xC3\xA9!", -1, 4, 4, u"h\u00e9!\0~"sv}, {CP_UTF8, "h\xC3\xA9!", 1, 1, 1, u"h~~~~"} /* no zero */,
      {CP_UTF8, "abc", -1, 2, 0, u"~~~~~"} /* too small */, {1252, "abc", -1, 5, 0, u"~~~~~"},
      {CP_UTF8, nullptr, -1, 0, 0, u"~~~~~"}, {CP_UTF8, "abc", 0, 5, 0, u"~~~~~"},
  };
  for (const auto& row : rows) {
    WCHAR units[5] = {'~', '~', '~', '~', '~'};
    EXPECT_EQ(MultiByteToWideChar(row.code_page, 0, row.source, row.bytes, units, row.units), row.result);
    EXPECT_EQ(zelu::testing::ToU16(units, 5), row.after) << row.code_page << " " << row.bytes;
  }
}

TEST(CodePagesTest, WideToUtf8TakesNoDefaultCharacter) {
  const zelu::testing::WideText text(u"\u20AC\U0001F600");
  std::string bytes(8, '~');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), 8);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), 8, nullptr, nullptr), 8);
  EXPECT_EQ(bytes, std::string("\xE2\x82\xAC\xF0\x9F\x98\x80", 8));
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), 8, nullptr, &used), 0);
}

}  // namespace
