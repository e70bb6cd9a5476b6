#include <zelu/text/str_token.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using W = zelu::testing::WideText;

struct TokenCase { std::string name; std::u16string_view text, delimiters; std::vector<std::u16string> tokens; };

void PrintTo(const TokenCase& c, std::ostream* out) { *out << c.name; }

class NextTokenTest : public ::testing::TestWithParam<TokenCase> {};

// In both modes: the count ahead before each token, the tokens until null
// (and null again); copy mode leaves the caller's text alone, in-place mode
// leaves each token ended by a zero where its delimiter stood.
TEST_P(NextTokenTest, GivesTheTokensAndCountsThemAhead) {
  const TokenCase& c = GetParam();
  const W delimiters(c.delimiters);
  for (const bool in_place : {false, true}) {
    SCOPED_TRACE(in_place ? "in place" : "copy");
    W text(c.text);
    CStrToken tokens(text.data(), !in_place);
    std::vector<std::u16string> taken;
    std::u16string ended;  // the tokens, each followed by the zero that ended it
    for (;;) {
      EXPECT_EQ(tokens.GetTokenCount(delimiters), static_cast<int>(c.tokens.size() - taken.size()));
      const WCHAR* token = tokens.NextToken(delimiters);
      if (token == nullptr) break;
      if (in_place) { EXPECT_EQ(token, text.c_str() + ended.size()) << "tokens point into the caller's text"; }
      taken.push_back(ToU16(token));
      ended += taken.back() + u'\0';
    }
    EXPECT_EQ(tokens.NextToken(delimiters), nullptr) << "a used-up tokenizer stays used up";
    EXPECT_EQ(taken, c.tokens);
    ended.resize(c.text.size(), u'\0');
    EXPECT_EQ(ToU16(text.c_str(), c.text.size()), in_place ? ended : std::u16string(c.text));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, NextTokenTest, ::testing::ValuesIn(std::vector<TokenCase>{
    {"EmptyTokenBetweenAdjacentDelimiters", u"a,b,,c", u",", {u"a", u"b", u"", u"c"}},
    {"TrailingDelimiterGivesNoEmptyLastToken", u"a,", u",", {u"a"}},
    {"TwoTrailingDelimiters", u"a,,", u",", {u"a", u""}},
    {"DelimiterAlone", u",", u",", {u""}},
    {"EmptyText", u"", u",", {}},
    {"AnyCharacterOfTheSet", u"a;b,c", u",;", {u"a", u"b", u"c"}},
    {"LongerSetLeadingDelimiter", u" a,;b.c d", u" ,.;", {u"", u"a", u"", u"b", u"c", u"d"}},
    {"EmptySetTakesEverything", u"ab cd", u"", {u"ab cd"}},
    {"NoDelimiterInText", u"abc", u",", {u"abc"}},
}), zelu::testing::CaseName());

// Counts made after a token cover the rest and keep the position.
TEST(CStrTokenTest, SetMayChangeAndCountsKeepThePosition) {
  CStrToken tokens(W(u"key:a:b"));
  EXPECT_EQ(ToU16(tokens.NextToken(W(u":"))), u"key");
  EXPECT_EQ(tokens.GetTargetCount(W(u":")), 1);
  EXPECT_EQ(tokens.GetTokenCount(W(u":")), 2);
  EXPECT_EQ(ToU16(tokens.NextToken(W(u""))), u"a:b");
  EXPECT_EQ(tokens.NextToken(W(u"")), nullptr);
  EXPECT_EQ(CStrToken(static_cast<const WCHAR*>(nullptr)).NextToken(W(u",")), nullptr) << "null is the empty text";
  EXPECT_EQ(CStrToken(static_cast<WCHAR*>(nullptr), false).GetTokenCount(W(u",")), 0);
}

// Occurrences overlap; the target is one string; an empty target counts 0.
TEST(CStrTokenTest, TargetCount) {
  struct Row { std::u16string_view text, target; int count; };
  const Row rows[] = {{u"aaa", u"aa", 2}, {u"a,b", u"x", 0},    {u"abcabc", u"bc", 2}, {u"ab", u"abc", 0},
                      {u"a,;b", u",;", 1}, {u"a;b,c", u",;", 0}, {u"abc", u"", 0},     {u"", u"", 0}};
  for (const Row& row : rows) EXPECT_EQ(CStrToken(W(row.text)).GetTargetCount(W(row.target)), row.count) << &row - rows;
  EXPECT_EQ(CStrToken(W(u"abc")).GetTargetCount(nullptr), 0);
}

struct TestableStrToken : CStrToken { using CStrToken::InTarget; };

TEST(CStrTokenTest, InTargetNeverHoldsZeroAndEmptySetHoldsNothing) {
  EXPECT_TRUE(TestableStrToken::InTarget(',', W(u";,")));
  EXPECT_FALSE(TestableStrToken::InTarget(0, W(u";,")) || TestableStrToken::InTarget(',', W(u"")));
}

// Copying or assigning gives the target its own copy of the untaken text, also
// from an in-place source; under ASan these show each buffer released once.
TEST(CStrTokenTest, AssignmentAndCopyOwnTheirText) {
  for (const bool in_place : {false, true}) {
    W text(u"a,b,c");
    CStrToken source(text.data(), !in_place);
    EXPECT_EQ(ToU16(source.NextToken(W(u","))), u"a");
    CStrToken target(W(u"x,y"));
    target = source;
    CStrToken copy(source);
    EXPECT_EQ(ToU16(target.NextToken(W(u","))), u"b");
    EXPECT_EQ(ToU16(text.c_str() + 2), u"b,c") << "the target works on its own copy";
    for (CStrToken* tokens : {&source, &copy}) EXPECT_EQ(ToU16(tokens->NextToken(W(u","))), u"b");
    EXPECT_EQ(ToU16(text.c_str() + 2), in_place ? u"b" : u"b,c") << "only an in-place source writes there";
    for (CStrToken* tokens : {&target, &source, &copy}) EXPECT_EQ(ToU16(tokens->NextToken(W(u","))), u"c");
  }
  CStrToken tokens(W(u"p,q"));
  CStrToken& alias = tokens;
  tokens = alias;
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"p");
}

}  // namespace
