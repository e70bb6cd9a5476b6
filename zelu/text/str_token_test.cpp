#include <zelu/text/str_token.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using W = zelu::testing::WideText;

// All tokens NextToken gives with one set, until it returns null.
std::vector<std::u16string> TakeAll(CStrToken& tokens, const W& delimiters) {
  std::vector<std::u16string> taken;
  while (const WCHAR* token = tokens.NextToken(delimiters)) taken.push_back(ToU16(token));
  EXPECT_EQ(tokens.NextToken(delimiters), nullptr) << "a used-up tokenizer stays used up";
  return taken;
}

struct TokenCase {
  const char* name;
  std::u16string_view text;
  std::u16string_view delimiters;
  std::vector<std::u16string> tokens;
  int targets;  // GetTargetCount of the first delimiter, before any token
};

void PrintTo(const TokenCase& c, std::ostream* out) { *out << c.name; }

class NextTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NextTokenTest, GivesTheTokensAndCountsThemAhead) {
  const TokenCase& c = GetParam();
  for (const bool in_place : {false, true}) {
    W text(c.text);
    CStrToken tokens(text.data(), !in_place);
    EXPECT_EQ(tokens.GetTokenCount(W(c.delimiters)), static_cast<int>(c.tokens.size()));
    if (!c.delimiters.empty()) {
      EXPECT_EQ(tokens.GetTargetCount(W(c.delimiters.substr(0, 1))), c.targets);
    }
    EXPECT_EQ(TakeAll(tokens, W(c.delimiters)), c.tokens) << (in_place ? "in place" : "copy");
    EXPECT_EQ(tokens.GetTokenCount(W(c.delimiters)), 0);
    if (!in_place) {
      EXPECT_EQ(ToU16(text.c_str()), c.text) << "copy mode leaves the caller's text alone";
    }
  }
}

const TokenCase kTokenCases[] = {
    {"EmptyTokenBetweenAdjacentDelimiters", u"a,b,,c", u",", {u"a", u"b", u"", u"c"}, 3},
    {"LeadingDelimiterGivesEmptyFirstToken", u",a", u",", {u"", u"a"}, 1},
    {"TrailingDelimiterGivesNoEmptyLastToken", u"a,", u",", {u"a"}, 1},
    {"TwoTrailingDelimiters", u"a,,", u",", {u"a", u""}, 2},
    {"DelimiterAlone", u",", u",", {u""}, 1},
    {"EmptyText", u"", u",", {}, 0},
    {"AnyCharacterOfTheSet", u"a;b,c", u",;", {u"a", u"b", u"c"}, 1},
    {"LongerSet", u"a;b,c d.e", u" ,.;", {u"a", u"b", u"c", u"d", u"e"}, 1},
    {"LongerSetAdjacent", u" a,;", u";., ", {u"", u"a", u""}, 1},
    {"SetOrderDoesNotMatter", u"a;b,c", u";,", {u"a", u"b", u"c"}, 1},
    {"EmptySetTakesEverything", u"ab cd", u"", {u"ab cd"}, 0},
    {"NoDelimiterInText", u"abc", u",", {u"abc"}, 0},
    {"OnlyDelimiters", u",,,", u",", {u"", u"", u""}, 3},
    {"NonAsciiDelimiter", u"\u00e9t\u00e9\u20ac\u00e9", u"\u20ac", {u"\u00e9t\u00e9", u"\u00e9"}, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, NextTokenTest, ::testing::ValuesIn(kTokenCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CStrTokenTest, SetMayChangeFromCallToCall) {
  CStrToken tokens(W(u"key:a:b"));
  EXPECT_EQ(ToU16(tokens.NextToken(W(u":"))), u"key");
  EXPECT_EQ(ToU16(tokens.NextToken(W(u""))), u"a:b");
  EXPECT_EQ(tokens.NextToken(W(u"")), nullptr);
}

TEST(CStrTokenTest, TokensPointIntoOneBufferEndedInPlace) {
  CStrToken tokens(W(u"ab,cd"));
  WCHAR* first = tokens.NextToken(W(u","));
  WCHAR* second = tokens.NextToken(W(u","));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(second, first + 3) << "the second token starts just after the delimiter";
  EXPECT_EQ(first[2], 0) << "the delimiter became the first token's terminator";
}

TEST(CStrTokenTest, InPlaceModeWritesIntoTheCallersText) {
  W text(u"a,b");
  CStrToken tokens(text.data(), false);
  WCHAR* token = tokens.NextToken(W(u","));
  EXPECT_EQ(token, text.data());
  EXPECT_EQ(ToU16(text.c_str(), 3), std::u16string(u"a\0b", 3));
  EXPECT_EQ(tokens.NextToken(W(u",")), text.data() + 2);
}

TEST(CStrTokenTest, NullTextIsEmpty) {
  CStrToken copied(static_cast<const WCHAR*>(nullptr));
  CStrToken in_place(static_cast<WCHAR*>(nullptr), false);
  EXPECT_EQ(copied.NextToken(W(u",")), nullptr);
  EXPECT_EQ(in_place.GetTokenCount(W(u",")), 0);
}

TEST(CStrTokenTest, CountsAfterTokensCoverOnlyTheRestAndKeepThePosition) {
  CStrToken tokens(W(u"a,b,c"));
  EXPECT_EQ(tokens.GetTokenCount(W(u",")), 3);
  EXPECT_EQ(tokens.GetTargetCount(W(u",")), 2);
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"a");
  EXPECT_EQ(tokens.GetTokenCount(W(u",")), 2);
  EXPECT_EQ(tokens.GetTargetCount(W(u",")), 1);
  EXPECT_EQ(tokens.GetTokenCount(W(u"")), 1);
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"b") << "counting did not move the position";
  EXPECT_EQ(tokens.GetTokenCount(W(u",")), 1);
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"c");
}

TEST(CStrTokenTest, TargetCountOverlapsAndTreatsTheTargetAsOneString) {
  struct Row {
    std::u16string_view text, target;
    int count;
  };
  const Row rows[] = {
      {u"aaa", u"aa", 2}, {u"a,b", u"x", 0},    {u"abcabc", u"bc", 2}, {u"ab", u"abc", 0},
      {u"a,;b", u",;", 1}, {u"a;b,c", u",;", 0}, {u"abc", u"", 0},     {u"", u"", 0},
  };
  for (const Row& row : rows) {
    CStrToken tokens(W(row.text));
    EXPECT_EQ(tokens.GetTargetCount(W(row.target)), row.count)
        << std::string(row.text.begin(), row.text.end()) << " / " << std::string(row.target.begin(), row.target.end());
  }
  CStrToken tokens(W(u"abc"));
  EXPECT_EQ(tokens.GetTargetCount(nullptr), 0);
}

class TestableStrToken : public CStrToken {
 public:
  using CStrToken::CStrToken;
  using CStrToken::InTarget;
};

TEST(CStrTokenTest, InTargetNeverHoldsZeroAndEmptySetHoldsNothing) {
  EXPECT_TRUE(TestableStrToken::InTarget(',', W(u";,")));
  EXPECT_TRUE(TestableStrToken::InTarget(';', W(u";,")));
  EXPECT_FALSE(TestableStrToken::InTarget('a', W(u";,")));
  EXPECT_FALSE(TestableStrToken::InTarget(0, W(u";,")));
  EXPECT_FALSE(TestableStrToken::InTarget(0, W(u"")));
  EXPECT_FALSE(TestableStrToken::InTarget(',', W(u"")));
}

// Assignment and copying: each tokenizer owns what it holds; run under ASan
// these also show every buffer released exactly once.
TEST(CStrTokenTest, AssignmentCopiesTheRestAndReleasesTheFormerBuffer) {
  CStrToken source(W(u"a,b,c"));
  EXPECT_EQ(ToU16(source.NextToken(W(u","))), u"a");
  CStrToken target(W(u"x,y"));
  target = source;
  EXPECT_EQ(target.GetTokenCount(W(u",")), 2);
  // Both go on independently from the same place.
  EXPECT_EQ(ToU16(target.NextToken(W(u","))), u"b");
  EXPECT_EQ(ToU16(source.NextToken(W(u","))), u"b");
  EXPECT_EQ(ToU16(target.NextToken(W(u","))), u"c");
  EXPECT_EQ(target.NextToken(W(u",")), nullptr);
  EXPECT_EQ(ToU16(source.NextToken(W(u","))), u"c");
}

TEST(CStrTokenTest, AssignmentFromAnInPlaceTokenizerDoesNotTouchTheCallersText) {
  W text(u"a,b,c");
  CStrToken source(text.data(), false);
  source.NextToken(W(u","));
  CStrToken target(W(u"unused"));
  target = source;
  EXPECT_EQ(ToU16(target.NextToken(W(u","))), u"b");
  EXPECT_EQ(ToU16(text.c_str() + 2), u"b,c") << "the target works on its own copy";
  EXPECT_EQ(ToU16(source.NextToken(W(u","))), u"b");
  EXPECT_EQ(ToU16(text.c_str() + 2), u"b") << "the source still works in place";
}

TEST(CStrTokenTest, SelfAssignmentAndCopyConstructionKeepEverything) {
  CStrToken tokens(W(u"p,q"));
  CStrToken& alias = tokens;
  tokens = alias;
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"p");
  CStrToken copy(tokens);
  EXPECT_EQ(ToU16(copy.NextToken(W(u","))), u"q");
  EXPECT_EQ(ToU16(tokens.NextToken(W(u","))), u"q");
  copy = CStrToken(W(u""));
  EXPECT_EQ(copy.NextToken(W(u",")), nullptr);
}

}  // namespace
