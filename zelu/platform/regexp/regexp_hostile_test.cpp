// The regular-expression object on hostile patterns and subjects:
//   * catastrophic backtracking ends quickly, either with the right answer
//     or with its own error "Out of stack space", never a hang or a false
//     "no match";
//   * a mebibyte subject with a quarter of a million matches is replaced in
//     one pass;
//   * nesting and counts past the object's limits fail with "Out of memory"
//     while those at the limits compile.
// The times go into the test's record.
#include <zelu/platform/regexp/regexp.h>

#include <chrono>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <zelu/platform/regexp/regexp_test_driver.h>

namespace {

using zelu::testing::RegExpDriver;

std::u16string Repeat(const std::u16string& piece, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct Catastrophe {
  const char16_t* pattern;
  std::u16string subject;
};

TEST(RegExpHostileTest, CatastrophicBacktrackingEndsWithItsOwnErrorOrTheAnswer) {
  const Catastrophe catastrophes[] = {
      {u"(a|aa)+$", std::u16string(39, u'a') + u"b"},
      {u"^(a+)+$", std::u16string(40, u'a') + u"!"},
      {u"(a*)*b", std::u16string(40, u'a')},
      {u"(x+x+)+y", std::u16string(40, u'x')},
      {u"^(\\w+\\s?)+$", Repeat(u"word ", 20) + u"!"},
      {u"(.*a){25}", std::u16string(60, u'a')},
      {u"^(([a-z])+.)+[A-Z]([a-z])+$", Repeat(u"aaaaaaaaaa", 4) + u"!"},
  };
  for (const Catastrophe& c : catastrophes) {
    RegExpDriver regexp;
    regexp.SetPattern(c.pattern);
    const auto started = std::chrono::steady_clock::now();
    bool found = true;
    const std::optional<SCODE> failure = zelu::testing::DispatchFailureOf([&] { found = regexp.Test(c.subject); });
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const std::string name = zelu::testing::Escape(zelu::testing::WideText(c.pattern), std::char_traits<char16_t>::length(c.pattern));
    if (failure) {
      EXPECT_EQ(*failure, zelu::regexp::kOutOfStackSpace) << name;
    } else {
      EXPECT_FALSE(found) << name << ": none of these subjects matches";
    }
    RecordProperty(name, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  }
}

TEST(RegExpHostileTest, AMebibyteSubjectWithAQuarterMillionMatches) {
  const std::u16string subject = Repeat(u"ab  ", 1 << 18);
  RegExpDriver regexp("g");
  regexp.SetPattern(u"\\bab\\b");
  const auto started = std::chrono::steady_clock::now();
  const CString replaced = regexp.Replace(subject, u"[$&]");
  RecordProperty("replace_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                    std::chrono::steady_clock::now() - started)
                                                    .count()));
  EXPECT_TRUE(replaced.ToU16String() == Repeat(u"[ab]  ", 1 << 18));
}

TEST(RegExpHostileTest, NestingAndCountsPastTheLimitsAreOutOfMemory) {
  const struct {
    std::u16string pattern;
    bool compiles;
  } rows[] = {
      {Repeat(u"(", 200) + u"a" + Repeat(u")", 200), true},
      {Repeat(u"(?:", 201) + u"a" + Repeat(u")", 201), false},
      {u"a{65535}", true},
      {u"a{65536}", false},
      {u"a{0,65536}", false},
      {u"(?:a{65535}){65535}", false},
  };
  for (const auto& row : rows) {
    RegExpDriver regexp;
    regexp.SetPattern(row.pattern);
    const std::optional<SCODE> failure = zelu::testing::DispatchFailureOf([&] { regexp.Test(u"a"); });
    EXPECT_EQ(failure, row.compiles ? std::nullopt : std::optional<SCODE>(zelu::regexp::kOutOfMemory))
        << row.pattern.size() << " units";
  }
}

}  // namespace
