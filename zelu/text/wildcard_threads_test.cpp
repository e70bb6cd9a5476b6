// The wildcard functions keep no state: on several threads at once, each
// thread gets the results that one thread alone gets, for many patterns.
#include <zelu/text/wildcard.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/threads.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::WideText;

struct Case {
  WideText pattern;
  WideText text;
  int code;
  int valid;
  int fault;
};

std::vector<Case> MakeCases() {
  std::mt19937 random(4242);
  const std::u16string pattern_units = u"ab*?[]!^-\\";
  const std::u16string text_units = u"abc-]\\";
  std::vector<Case> cases;
  for (int i = 0; i < 500; ++i) {
    std::u16string pattern(random() % 12, u'a');
    for (auto& unit : pattern) unit = pattern_units[random() % pattern_units.size()];
    std::u16string text(random() % 40, u'a');
    for (auto& unit : text) unit = text_units[random() % text_units.size()];
    Case c{WideText(pattern), WideText(text), 0, 0, 0};
    c.code = matche(c.pattern, c.text);
    c.valid = is_valid_pattern(c.pattern, &c.fault);
    cases.push_back(std::move(c));
  }
  return cases;
}

TEST(WildcardThreadsTest, EveryThreadGetsWhatOneThreadGets) {
  const std::vector<Case> cases = MakeCases();
  const int mismatches = zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int) {
    int wrong = 0;
    for (int round = 0; round < 20; ++round) {
      for (const Case& c : cases) {
        int fault = 99;
        wrong += matche(c.pattern, c.text) == c.code && match(c.pattern, c.text) == (c.code == 1 ? 1 : 0) &&
                         is_valid_pattern(c.pattern, &fault) == c.valid && fault == c.fault
                     ? 0
                     : 1;
      }
    }
    return wrong;
  });
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
