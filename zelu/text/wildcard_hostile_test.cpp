// The wildcard matcher on patterns of a million `*` groups. Each family of
// patterns is built at two sizes: at eight groups the library agrees with
// the recursive reference, and at a million it gives the same code as at
// eight, in time that grows with pattern and text, not with their product
// or exponentially (the times go into the test's record).
#include <zelu/text/wildcard.h>

#include <chrono>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>
#include <zelu/text/wildcard_reference_test.h>

namespace {

using zelu::testing::WideText;

std::u16string Repeat(const std::u16string& piece, int times) {
  std::u16string out;
  out.reserve(piece.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct Family {
  const char* name;
  std::function<std::u16string(int groups)> pattern;
  std::function<std::u16string(int groups)> text;
};

const Family kFamilies[] = {
    {"stars, empty text", [](int n) { return Repeat(u"*", n); }, [](int) { return u""; }},
    {"stars, a text", [](int n) { return Repeat(u"*", n); }, [](int) { return u"abc"; }},
    {"stars then a missing literal", [](int n) { return Repeat(u"*", n) + u"a"; },
     [](int) { return std::u16string(100000, u'b'); }},
    {"star-literal groups, last literal missing", [](int n) { return Repeat(u"*a", n) + u"b"; },
     [](int n) { return std::u16string(static_cast<std::size_t>(2 * n), u'a'); }},
    {"star-literal groups that match", [](int n) { return Repeat(u"*a", n); },
     [](int n) { return Repeat(u"ba", n); }},
    {"star-question groups, text too short", [](int n) { return Repeat(u"*?", n); },
     [](int n) { return std::u16string(static_cast<std::size_t>(n - 1), u'q'); }},
    {"star-set groups that match", [](int n) { return Repeat(u"*[ab]", n) + u"*"; },
     [](int n) { return Repeat(u"xab", n); }},
    {"stars around an unclosed set", [](int n) { return Repeat(u"*", n) + u"[a"; },
     [](int) { return std::u16string(1000, u'a'); }},
};

TEST(WildcardHostileTest, AMillionStarGroupsGiveTheCodeOfEight) {
  for (const Family& family : kFamilies) {
    const WideText small_pattern(family.pattern(8)), small_text(family.text(8));
    const int expected = zelu::reference::Matche(small_pattern, small_text);
    EXPECT_EQ(matche(small_pattern, small_text), expected) << family.name;
    const WideText pattern(family.pattern(1000000)), text(family.text(1000000));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(matche(pattern, text), expected) << family.name;
    int fault = 0;
    EXPECT_EQ(is_valid_pattern(pattern, &fault), is_valid_pattern(small_pattern, &fault)) << family.name;
    RecordProperty(family.name, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now() - started)
                                                     .count()));
  }
}

}  // namespace
