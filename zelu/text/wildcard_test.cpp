#include <zelu/text/wildcard.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>
#include <zelu/text/wildcard_reference_test.h>

namespace {

using W = zelu::testing::WideText;

struct MatchCase {
  const char* name;
  std::u16string_view pattern;
  std::u16string_view text;
  int expected;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const testing::TestParamInfo<MatchCase>& case_info) { return case_info.param.name; }

class MatcheTest : public testing::TestWithParam<MatchCase> {};

TEST_P(MatcheTest, GivesTheExpectedCode) {
  const MatchCase& c = GetParam();
  const W pattern(c.pattern);
  const W text(c.text);
  EXPECT_EQ(matche(pattern, text), c.expected);
  EXPECT_EQ(match(pattern, text), c.expected == zelu::kMatchFound ? 1 : 0);
  EXPECT_EQ(zelu::reference::Matche(pattern, text), c.expected) << "the reference disagrees with the table";
}

// The rows every implementation of the rules must reproduce.
INSTANTIATE_TEST_SUITE_P(Basics, MatcheTest, testing::Values(
    MatchCase{"EmptyEmpty", u"", u"", 1},
    MatchCase{"EmptyPatternLeavesText", u"", u"a", 2},
    MatchCase{"EmptyTextLeavesPattern", u"a", u"", 3},
    MatchCase{"StarMatchesEmpty", u"*", u"", 1},
    MatchCase{"TwoStarsAgainstEmpty", u"**", u"", 3},
    MatchCase{"TrailingStarAfterLastUnit", u"a*", u"a", 1},
    MatchCase{"TwoTrailingStarsAfterLastUnit", u"a**", u"a", 3},
    MatchCase{"TwoTrailingStarsWithTextLeft", u"a**", u"ab", 1},
    MatchCase{"StarQuestionAgainstEmpty", u"*?", u"", 3},
    MatchCase{"StarQuestionAgainstOne", u"*?", u"a", 1},
    MatchCase{"TextLonger", u"abc", u"abcd", 2},
    MatchCase{"LiteralDiffers", u"abc", u"abd", 5},
    MatchCase{"CaseSensitive", u"A", u"a", 5},
    MatchCase{"StarFindsNoLiteral", u"*a", u"xyz", 3},
    MatchCase{"StarBetweenLiterals", u"x*y", u"xaaay", 1},
    MatchCase{"NegatedSetAdmits", u"[!abc]", u"d", 1},
    MatchCase{"CaretNegatedSetRejects", u"[^abc]", u"a", 4},
    MatchCase{"PlainSetRejects", u"[abc]", u"d", 4},
    MatchCase{"ReversedRange", u"[c-a]", u"b", 1},
    MatchCase{"EmptySet", u"[]", u"a", 6},
    MatchCase{"EmptyNegatedSet", u"[!]", u"a", 6},
    MatchCase{"RangeWithoutEnd", u"[a-]", u"a", 6},
    MatchCase{"EscapedCloseInSet", u"[\\]]", u"]", 1},
    MatchCase{"LeadingDashInSet", u"[-a]", u"-", 1},
    MatchCase{"BackslashOutsideSetIsLiteral", u"\\*", u"\\x", 1},
    MatchCase{"StarThenUnclosedSet", u"*[", u"x", 6}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Stars, MatcheTest, testing::Values(
    MatchCase{"NestedStarsInOrder", u"*a*b*c*", u"xxaxxbxxcxx", 1},
    MatchCase{"NestedStarsOutOfOrder", u"*a*b*c*", u"xxcxxbxxaxx", 3},
    MatchCase{"StarRunWithQuestions", u"a*?*?b", u"axyb", 1},
    MatchCase{"StarRunQuestionsRunOut", u"a*??", u"ax", 3},
    MatchCase{"QuestionsAfterStarFillText", u"*??", u"xy", 1},
    MatchCase{"StarThenLiteralAtTextEnd", u"a*b*", u"ab", 1},
    MatchCase{"StarThenLiteralThenTwoStars", u"a*b**", u"ab", 3},
    MatchCase{"TrialPatternEndedTriesNext", u"*ab", u"abab", 1},
    MatchCase{"TrialLiteralDiffersTriesNext", u"*ab", u"aacab", 1},
    MatchCase{"TrialTextEndedStopsSearch", u"*abc", u"xab", 3},
    MatchCase{"TrialSetRejectsTriesNext", u"*a[0-9]", u"axa7", 1},
    MatchCase{"TrialMalformedStopsSearch", u"*a[!b", u"abac", 6},
    MatchCase{"TrialMalformedNeverReached", u"*a[!b", u"ab", 3},
    MatchCase{"LaterGroupDecidesOnFirstFit", u"*a*c", u"abab", 3},
    MatchCase{"TrailingStarsTakeRest", u"*b**", u"abcd", 1},
    MatchCase{"SingleStarAfterQuestion", u"?*", u"a", 1},
    MatchCase{"MatchingStopsAtMismatchBeforeStar", u"b*[", u"x", 5}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(Sets, MatcheTest, testing::Values(
    MatchCase{"SetAfterStar", u"*[0-9]", u"abc5", 1},
    MatchCase{"SetAfterStarNeverAdmits", u"*[0-9]", u"abc", 3},
    MatchCase{"SetAfterStarThenLiterals", u"*[0-9].txt", u"a1b2.txt", 1},
    MatchCase{"RangeAdmitsHigh", u"[c-a]", u"c", 1},
    MatchCase{"ReversedRangeRejects", u"[z-a]", u"A", 4},
    MatchCase{"RangeIsUnsigned", u"[\x01-\uffff]", u"\u8000", 1},
    MatchCase{"RangeIsUnsignedReversed", u"[\uffff-\u7fff]", u"\u8000", 1},
    MatchCase{"CaretNegatedRange", u"[^a-c]", u"d", 1},
    MatchCase{"DashAfterRangeIsMember", u"[a-b-c]", u"-", 1},
    MatchCase{"DashAfterRangeDoesNotMakeRange", u"[a-b-d]", u"c", 4},
    MatchCase{"TrailingDashIsRangeWithoutEnd", u"[ab-]", u"b", 6},
    MatchCase{"AdmittedBeforeRangeFaultIsReached", u"[ab-]", u"a", 1},
    MatchCase{"EscapedBackslashMember", u"[\\\\]", u"\\", 1},
    MatchCase{"EscapedDashIsMember", u"[a\\-z]", u"-", 1},
    MatchCase{"EscapedDashMakesNoRange", u"[a\\-z]", u"b", 4},
    MatchCase{"EscapedRangeEnd", u"[a-\\z]", u"m", 1},
    MatchCase{"EscapedRangeEndIsClose", u"[ -\\]]", u"]", 1},
    MatchCase{"CloseAsFirstNegatedMemberIsEmpty", u"[^]a]", u"b", 6},
    MatchCase{"UnclosedAfterEscapedClose", u"[\\]", u"]", 6},
    MatchCase{"NegatedAdmittedBeforeEndLooked", u"[!a", u"a", 4},
    MatchCase{"NegatedUnclosed", u"[!a", u"b", 6},
    MatchCase{"PlainUnclosedAdmits", u"[a", u"a", 6},
    MatchCase{"PlainUnclosedRejects", u"[a", u"b", 6},
    MatchCase{"SkipMeetsEscapeAtEnd", u"[ab\\", u"a", 6},
    MatchCase{"SkipPassesEscapedClose", u"[ab\\]]", u"a", 1},
    MatchCase{"EscapeAtEndAsMember", u"[\\", u"a", 6},
    MatchCase{"SetRejectsBeforeLaterFault", u"[a]b[", u"x", 4}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(CodeUnits, MatcheTest, testing::Values(
    MatchCase{"SurrogatePairTakesTwoQuestions", u"??", u"\U0001F600", 1},
    MatchCase{"SurrogatePairLeftOverByOneQuestion", u"?", u"\U0001F600", 2},
    MatchCase{"SurrogatePairLiteral", u"a\U0001F600b", u"a\U0001F600b", 1},
    MatchCase{"HighSurrogateRangeThenAny", u"[\xD800-\xDBFF]?", u"\U0001F600", 1},
    MatchCase{"StarBeforeSurrogatePair", u"*\U0001F600", u"x\U0001F600", 1},
    MatchCase{"BackslashIsOrdinaryText", u"a\\b", u"a\\b", 1},
    MatchCase{"CloseOutsideSetIsLiteral", u"a]", u"a]", 1}),
    CaseName);

struct ValidityCase {
  std::u16string_view pattern;
  int valid;
  int fault;
};

class IsValidPatternTest : public testing::TestWithParam<ValidityCase> {};

TEST_P(IsValidPatternTest, NamesTheFirstFault) {
  const ValidityCase& c = GetParam();
  int fault = 12345;  // overwritten on entry
  EXPECT_EQ(is_valid_pattern(W(c.pattern), &fault), c.valid);
  EXPECT_EQ(fault, c.fault);
}

INSTANTIATE_TEST_SUITE_P(Table, IsValidPatternTest, testing::Values(
    ValidityCase{u"", 1, zelu::kPatternValid},
    ValidityCase{u"abc", 1, 0},
    ValidityCase{u"\\", 1, 0},
    ValidityCase{u"]", 1, 0},
    ValidityCase{u"[", 0, zelu::kPatternSetNotClosed},
    ValidityCase{u"[]", 0, zelu::kPatternEmptySet},
    ValidityCase{u"[!]", 1, 0},
    ValidityCase{u"[^]", 1, 0},
    ValidityCase{u"[a", 0, -3},
    ValidityCase{u"[a-", 0, zelu::kPatternRangeWithoutEnd},
    ValidityCase{u"[a-]", 0, -2},
    ValidityCase{u"[\\", 0, zelu::kPatternEscapeAtEnd},
    ValidityCase{u"[a\\", 0, -1},
    ValidityCase{u"[a-\\", 0, -1},
    ValidityCase{u"[a-b", 0, -3},
    ValidityCase{u"a[b]c[d", 0, -3},
    // Own rows: what stops the scan first, and what passes.
    ValidityCase{u"*?[a-z]x[!0-9]", 1, 0},
    ValidityCase{u"[\\]]", 1, 0},
    ValidityCase{u"[\\]", 0, -3},
    ValidityCase{u"[a-\\]]", 1, 0},
    ValidityCase{u"[a-b-c]", 1, 0},
    ValidityCase{u"\\[]", 0, -4},
    ValidityCase{u"[]][", 0, -4},
    ValidityCase{u"[a]b[]c[", 0, -4},
    ValidityCase{u"[a-][", 0, -2},
    ValidityCase{u"[a-b]]", 1, 0}));

struct IsPatternCase {
  std::u16string_view text;
  int expected;
};

class IsPatternTest : public testing::TestWithParam<IsPatternCase> {};

TEST_P(IsPatternTest, LooksForStarQuestionOrOpenBracket) {
  EXPECT_EQ(is_pattern(W(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, IsPatternTest, testing::Values(
    IsPatternCase{u"", 0}, IsPatternCase{u"abc", 0}, IsPatternCase{u"\\", 0}, IsPatternCase{u"]", 0},
    IsPatternCase{u"a*", 1}, IsPatternCase{u"?", 1}, IsPatternCase{u"[", 1},
    IsPatternCase{u"!^-\\]", 0}, IsPatternCase{u"\\*", 1}, IsPatternCase{u"abc\U0001F600?", 1}));

// --- The library against the plain recursive transcription -----------------

constexpr std::u16string_view kPatternAlphabet = u"ab*?[]!^-\\";
constexpr std::u16string_view kTextAlphabet = u"ab-]\\!";

std::u16string Spell(std::uint64_t number, std::size_t length, std::u16string_view alphabet) {
  std::u16string out;
  for (std::size_t i = 0; i < length; ++i) {
    out.push_back(alphabet[number % alphabet.size()]);
    number /= alphabet.size();
  }
  return out;
}

// Every string of up to `max_length` units over `alphabet`.
std::vector<std::u16string> AllStrings(std::u16string_view alphabet, std::size_t max_length) {
  std::vector<std::u16string> all;
  std::uint64_t count = 1;
  for (std::size_t length = 0; length <= max_length; ++length, count *= alphabet.size()) {
    for (std::uint64_t n = 0; n < count; ++n) all.push_back(Spell(n, length, alphabet));
  }
  return all;
}

TEST(WildcardDifferentialTest, EveryShortPatternAgainstEveryShortText) {
  const auto patterns = AllStrings(kPatternAlphabet, 4);
  std::vector<W> texts;
  for (const auto& t : AllStrings(kTextAlphabet, 3)) texts.emplace_back(t);
  std::size_t compared = 0;
  std::size_t differences = 0;
  for (const auto& p : patterns) {
    const W pattern(p);
    int fault = 0;
    int reference_fault = 0;
    const int valid = is_valid_pattern(pattern, &fault);
    if (valid != zelu::reference::IsValidPattern(pattern, &reference_fault) || fault != reference_fault) {
      ADD_FAILURE() << "is_valid_pattern differs for " << testing::PrintToString(p);
      ++differences;
    }
    for (const W& text : texts) {
      const int expected = zelu::reference::Matche(pattern, text);
      const int actual = matche(pattern, text);
      ++compared;
      if (actual != expected && ++differences <= 20) {
        ADD_FAILURE() << "pattern " << testing::PrintToString(p) << " text "
                      << testing::PrintToString(zelu::testing::ToU16(text)) << ": matche " << actual
                      << ", reference " << expected;
      }
    }
  }
  EXPECT_EQ(differences, 0u);
  EXPECT_EQ(compared, patterns.size() * texts.size());
}

TEST(WildcardDifferentialTest, RandomLongerPatternsAndTexts) {
  std::mt19937_64 random(20240611);
  const auto pick = [&random](std::size_t bound) { return static_cast<std::size_t>(random() % bound); };
  const auto make = [&](std::u16string_view alphabet, std::size_t max_length) {
    std::u16string s(pick(max_length + 1), u'a');
    for (auto& unit : s) unit = alphabet[pick(alphabet.size())];
    return s;
  };
  std::size_t differences = 0;
  int codes_seen[7] = {};
  for (int i = 0; i < 5000; ++i) {
    const std::u16string p = make(kPatternAlphabet, 16);
    const W pattern(p);
    // Every other text is over "ab" only, the pattern's literals: those get
    // through stretches far more often and so reach the deeper paths.
    for (int j = 0; j < 8; ++j) {
      const std::u16string t = make(j % 2 == 0 ? kTextAlphabet : std::u16string_view(u"ab"), 24);
      const W text(t);
      const int expected = zelu::reference::Matche(pattern, text);
      const int actual = matche(pattern, text);
      ++codes_seen[actual >= 0 && actual <= 6 ? actual : 0];
      if (actual != expected && ++differences <= 20) {
        ADD_FAILURE() << "pattern " << testing::PrintToString(p) << " text " << testing::PrintToString(t)
                      << ": matche " << actual << ", reference " << expected;
      }
    }
  }
  EXPECT_EQ(differences, 0u);
  EXPECT_EQ(codes_seen[0], 0) << "matche gave a code outside 1..6";
  for (int code = 1; code <= 6; ++code) EXPECT_GT(codes_seen[code], 0) << "no random case gave " << code;
}

// --- Size ---------------------------------------------------------------------

std::vector<WCHAR> Repeat(std::u16string_view unit, std::size_t times, std::u16string_view tail = u"") {
  std::vector<WCHAR> out(unit.size() * times + tail.size() + 1, 0);
  for (std::size_t i = 0; i + 1 + tail.size() < out.size(); ++i) out[i] = unit[i % unit.size()];
  for (std::size_t i = 0; i < tail.size(); ++i) out[unit.size() * times + i] = tail[i];
  return out;
}

TEST(WildcardSizeTest, AMillionStarGroupsRunInConstantStack) {
  constexpr std::size_t kGroups = 1'000'000;
  const auto pattern = Repeat(u"*a", kGroups);
  EXPECT_EQ(matche(pattern.data(), Repeat(u"a", kGroups).data()), zelu::kMatchFound);
  EXPECT_EQ(matche(pattern.data(), Repeat(u"xa", kGroups).data()), zelu::kMatchFound);
  // The last group's trial leaves "x" over (2), and no later 'a' follows.
  EXPECT_EQ(matche(pattern.data(), Repeat(u"xa", kGroups, u"x").data()), zelu::kMatchTextEnded);
  EXPECT_EQ(matche(pattern.data(), Repeat(u"a", kGroups - 1).data()), zelu::kMatchTextEnded);
  const auto with_sets = Repeat(u"*?[ab]", kGroups, u"*");
  EXPECT_EQ(matche(with_sets.data(), Repeat(u"xa", kGroups).data()), zelu::kMatchFound);
  EXPECT_EQ(matche(with_sets.data(), Repeat(u"xc", kGroups).data()), zelu::kMatchTextEnded);
  int fault = 1;
  EXPECT_EQ(is_valid_pattern(with_sets.data(), &fault), 1);
  EXPECT_EQ(fault, zelu::kPatternValid);
}

TEST(WildcardSizeTest, OneLongStarRunBeforeAFault) {
  const auto pattern = Repeat(u"*", 1'000'000, u"[");
  EXPECT_EQ(matche(pattern.data(), W(u"x")), zelu::kMatchMalformedPattern);
  EXPECT_EQ(matche(pattern.data(), W(u"")), zelu::kMatchTextEnded);
}

}  // namespace
