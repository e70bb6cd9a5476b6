#include <zelu/text/wildcard.h>

#include <cstdint>
#include <random>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>
#include <zelu/text/wildcard_reference_test.h>

namespace {

using zelu::testing::ToU16;
using W = zelu::testing::WideText;

struct MatchCase { std::string name; std::u16string_view pattern, text; int expected; };

void PrintTo(const MatchCase& c, std::ostream* out) { *out << c.name; }

class MatcheTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatcheTest, GivesTheExpectedCode) {
  const MatchCase& c = GetParam();
  const W pattern(c.pattern), text(c.text);
  EXPECT_EQ(matche(pattern, text), c.expected);
  EXPECT_EQ(match(pattern, text), c.expected == zelu::kMatchFound ? 1 : 0);
  EXPECT_EQ(zelu::reference::Matche(pattern, text), c.expected) << "the reference disagrees with the table";
}

// Inputs outside what the sweeps below reach, a row for each result, and
// the rules the sweeps could only confirm by chance.
INSTANTIATE_TEST_SUITE_P(Table, MatcheTest, testing::ValuesIn(std::vector<MatchCase>{
    {"StarBetweenLiterals", u"x*y", u"xaaay", 1},
    {"TextLonger", u"abc", u"abcd", 2},
    {"StarFindsNoLiteral", u"*a", u"xyz", 3},
    {"PlainSetRejects", u"[abc]", u"d", 4},
    {"LiteralDiffers", u"abc", u"abd", 5},
    {"CaseSensitive", u"A", u"a", 5},
    {"EmptySet", u"[]", u"a", 6},
    {"EmptyNegatedSet", u"[!]", u"a", 6},
    {"FaultReachedByMatching", u"[a", u"x", 6},
    {"FaultNotReached", u"b[a", u"x", 5},
    {"BackslashOutsideSetIsLiteral", u"\\*", u"\\x", 1},
    {"NegatedSetAdmits", u"[!abc]", u"d", 1},
    {"CaretNegatedSetRejects", u"[^abc]", u"a", 4},
    {"ReversedRange", u"[c-a]", u"b", 1},
    {"RangeIsUnsigned", u"[\uffff-\u7fff]", u"\u8000", 1},
    // Stars: how each trial result after a star goes on (2, 4, 5) or ends
    // the search (1, 3, 6).
    {"NestedStarsOutOfOrder", u"*a*b*c*", u"xxcxxbxxaxx", 3},
    {"StarRunWithQuestions", u"a*?*?b", u"axyb", 1},
    {"TrialTextEndedStopsSearch", u"*abc", u"xab", 3},
    {"TrialMalformedStopsSearch", u"*a[!b", u"abac", 6},
    {"SetAfterStar", u"*[0-9].txt", u"a1b2.txt", 1},
    // Sets: dashes and escapes.
    {"DashAfterRangeIsMember", u"[a-b-c]", u"-", 1},
    {"EscapedDashMakesNoRange", u"[a\\-z]", u"b", 4},
    {"EscapedRangeEndIsClose", u"[ -\\]]", u"]", 1},
    // Code units: a surrogate pair is two of them.
    {"SurrogatePairTakesTwoQuestions", u"??", u"\U0001F600", 1},
    {"HighSurrogateRangeThenAny", u"[\xD800-\xDBFF]?", u"\U0001F600", 1},
}), zelu::testing::CaseName());

TEST(IsValidPatternTest, NamesTheFirstFault) {
  struct Row { std::u16string_view pattern; int valid, fault; };
  const Row rows[] = {
      {u"", 1, zelu::kPatternValid}, {u"\\]", 1, 0}, {u"[!]", 1, 0}, {u"[^]", 1, 0}, {u"*?[a-z]x[!0-9]", 1, 0},
      {u"[a-\\]]", 1, 0}, {u"[a-b-c]", 1, 0}, {u"[", 0, zelu::kPatternSetNotClosed}, {u"a[b]c[d", 0, -3},
      {u"[]", 0, zelu::kPatternEmptySet}, {u"[a-", 0, zelu::kPatternRangeWithoutEnd}, {u"[a-]", 0, -2},
      {u"[\\", 0, zelu::kPatternEscapeAtEnd}, {u"[a-\\", 0, -1},
      // The first fault met stops the scan.
      {u"[a]b[]c[", 0, -4}, {u"[a-][", 0, -2},
  };
  for (const Row& row : rows) {
    int fault = 12345;  // overwritten on entry
    EXPECT_EQ(is_valid_pattern(W(row.pattern), &fault), row.valid) << &row - rows;
    EXPECT_EQ(fault, row.fault) << &row - rows;
  }
}

TEST(IsPatternTest, LooksForStarQuestionOrOpenBracket) {
  for (const std::u16string_view text : {u"", u"abc", u"\\", u"]", u"!^-\\]"}) EXPECT_EQ(is_pattern(W(text)), 0);
  for (const std::u16string_view text : {u"a*", u"?", u"[", u"\\*", u"\U0001F600?"}) EXPECT_EQ(is_pattern(W(text)), 1);
}

// --- The library against the plain recursive transcription -----------------

constexpr std::u16string_view kPatternAlphabet = u"ab*?[]!^-\\";
constexpr std::u16string_view kTextAlphabet = u"ab-]\\!";

// Every string of up to `max_length` units over `alphabet`, shortest first.
std::vector<W> AllStrings(std::u16string_view alphabet, std::size_t max_length) {
  std::vector<std::u16string> all{u""};
  for (std::size_t i = 0; i < all.size(); ++i)
    for (const char16_t unit : alphabet)
      if (all[i].size() < max_length) all.push_back(all[i] + unit);
  return {all.begin(), all.end()};
}

// matche against the reference; the code matche gave.
int ExpectReferenceCode(const W& pattern, const W& text) {
  const int code = matche(pattern, text);
  EXPECT_EQ(code, zelu::reference::Matche(pattern, text))
      << "pattern " << testing::PrintToString(ToU16(pattern)) << " text " << testing::PrintToString(ToU16(text));
  return code;
}

TEST(WildcardDifferentialTest, EveryShortPatternAgainstEveryShortText) {
  const auto texts = AllStrings(kTextAlphabet, 3);
  for (const W& pattern : AllStrings(kPatternAlphabet, 4)) {
    int fault = 0, reference_fault = 0;
    EXPECT_EQ(is_valid_pattern(pattern, &fault), zelu::reference::IsValidPattern(pattern, &reference_fault));
    EXPECT_EQ(fault, reference_fault) << testing::PrintToString(ToU16(pattern));
    for (const W& text : texts) ExpectReferenceCode(pattern, text);
    if (HasFailure()) break;
  }
}

TEST(WildcardDifferentialTest, RandomLongerPatternsAndTexts) {
  std::mt19937_64 random(20240611);
  const auto make = [&random](std::u16string_view alphabet, std::size_t max_length) {
    std::u16string s(static_cast<std::size_t>(random() % (max_length + 1)), u'a');
    for (auto& unit : s) unit = alphabet[static_cast<std::size_t>(random() % alphabet.size())];
    return W(s);
  };
  unsigned codes_seen = 0;  // bit n: some case gave code n; bit 0: a code outside 1..6
  for (int i = 0; i < 5000 && !HasFailure(); ++i) {
    const W pattern = make(kPatternAlphabet, 16);
    // Every other text is over "ab" only, the pattern's literals: those get
    // through stretches far more often and so reach the deeper paths.
    for (int j = 0; j < 8; ++j) {
      const int code = ExpectReferenceCode(pattern, make(j % 2 == 0 ? kTextAlphabet : u"ab", 24));
      codes_seen |= code >= 1 && code <= 6 ? 1u << code : 1u;
    }
  }
  EXPECT_EQ(codes_seen, 0x7Eu) << "every code 1..6 came up, and no other";
}

// --- Size: a million star groups run in constant stack ------------------------

std::u16string Repeat(std::u16string_view unit, std::size_t times) {
  std::u16string out(unit.size() * times, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = unit[i % unit.size()];
  return out;
}

TEST(WildcardSizeTest, AMillionStarGroups) {
  constexpr std::size_t kGroups = 1'000'000;
  const W pattern(Repeat(u"*a", kGroups));
  EXPECT_EQ(matche(pattern, W(Repeat(u"xa", kGroups))), zelu::kMatchFound);
  // The last group's trial leaves "x" over (2), and no later 'a' follows.
  EXPECT_EQ(matche(pattern, W(Repeat(u"xa", kGroups) + u"x")), zelu::kMatchTextEnded);
  EXPECT_EQ(matche(pattern, W(Repeat(u"a", kGroups - 1))), zelu::kMatchTextEnded);
  const W with_sets(Repeat(u"*?[ab]", kGroups) + u"*");
  EXPECT_EQ(matche(with_sets, W(Repeat(u"xa", kGroups))), zelu::kMatchFound);
  EXPECT_EQ(matche(with_sets, W(Repeat(u"xc", kGroups))), zelu::kMatchTextEnded);
  int fault = 1;
  EXPECT_EQ(is_valid_pattern(with_sets, &fault), 1);
  EXPECT_EQ(fault, zelu::kPatternValid);
  EXPECT_EQ(matche(W(Repeat(u"*", kGroups) + u"["), W(u"x")), zelu::kMatchMalformedPattern);
}

}  // namespace
