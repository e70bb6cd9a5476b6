#include <zelu/platform/regexp/regexp.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/dispatch/dispatch_driver.h>
#include <zelu/platform/regexp/regexp_test_driver.h>
#include <zelu/testing/case_name.h>
#include <zelu/testing/recording_dispatch.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::References;

using zelu::testing::Escape;
using zelu::testing::GetLong;
using zelu::testing::RegExpDriver;
constexpr const BYTE* kIndex = RegExpDriver::kIndex;

// "index+length=value(sub|sub)" per match, an unset group shown as "\-".
std::string RenderMatches(IDispatch* collection) {
  std::string out;
  for (const auto& match : zelu::testing::ReadMatches(collection)) {
    std::string groups;
    for (const std::string& group : match.groups) groups += (groups.empty() ? "" : "|") + group;
    out += (out.empty() ? "" : " ") + std::to_string(match.index) + "+" + std::to_string(match.length) + "=" +
           match.value + (groups.empty() ? "" : "(" + groups + ")");
  }
  return out;
}

// The matches, or "error N" with the low 16 bits of the thrown code.
std::string ExecuteAndRender(const std::string& flags, std::u16string_view pattern, std::u16string_view subject) {
  RegExpDriver regexp(flags);
  regexp.SetPattern(pattern);
  try {
    return RenderMatches(regexp.Execute(subject));
  } catch (COleDispatchException* e) {
    const std::string text = "error " + std::to_string(e->m_scError & 0xFFFF);
    e->Delete();
    return text;
  }
}

struct MatchCase {
  std::string name;
  std::string flags;
  std::u16string pattern;
  std::u16string subject;
  std::string matches;
};

class RegExpMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(RegExpMatchTest, Execute) {
  const MatchCase& row = GetParam();
  EXPECT_EQ(ExecuteAndRender(row.flags, row.pattern, row.subject), row.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, RegExpMatchTest,
    ::testing::Values(
        MatchCase{"Literal", "", u"b", u"abcb", "1+1=b"},
        MatchCase{"GlobalLiteral", "g", u"b", u"abcb", "1+1=b 3+1=b"},
        MatchCase{"NoMatch", "g", u"x", u"abc", ""},
        MatchCase{"DotSkipsLineFeedOnly", "g", u".", u"a\n\r", "0+1=a 2+1=\\u000D"},
        MatchCase{"AnchorsAtTheVeryEnds", "g", u"^a|b$", u"a\nab\nb", "0+1=a 5+1=b"},
        MatchCase{"MultilineAnchors", "gm", u"^\\w|\\w$", u"ab\ncd\re", "0+1=a 1+1=b 3+1=c 4+1=d 6+1=e"},
        MatchCase{"Greedy", "", u"a+", u"baaa", "1+3=aaa"},
        MatchCase{"Lazy", "", u"a+?", u"baaa", "1+1=a"},
        MatchCase{"Counts", "g", u"a{2}|b{2,}|c{1,2}?", u"aaabbbccc", "0+2=aa 3+3=bbb 6+1=c 7+1=c 8+1=c"},
        MatchCase{"Optional", "", u"colou?r", u"color", "0+5=color"},
        MatchCase{"BraceWithoutMinIsText", "", u"a{,3}", u"a{,3}", "0+5=a{,3}"},
        MatchCase{"Groups", "", u"(a)(?:b)(c)?(d)?", u"abc", "0+3=abc(a|c|\\-)"},
        MatchCase{"Alternation", "g", u"cat|dog", u"dog cat", "0+3=dog 4+3=cat"},
        MatchCase{"Lookahead", "g", u"\\w(?=\\d)", u"a1b c2", "0+1=a 4+1=c"},
        MatchCase{"NegativeLookahead", "g", u"\\d(?!px)", u"1px 2em", "4+1=2"},
        MatchCase{"Class", "g", u"[a-c]", u"abcd", "0+1=a 1+1=b 2+1=c"},
        MatchCase{"NegatedClass", "g", u"[^a-c\\s]", u"ab d", "3+1=d"},
        MatchCase{"ClassEscapeRange", "g", u"[\\d-z]", u"5-zy", "0+1=5 1+1=- 2+1=z"},
        MatchCase{"EmptyClassNeverMatches", "g", u"a[]", u"a[]", ""},
        MatchCase{"NegatedEmptyClassAnyUnit", "g", u"[^]", u"\n", "0+1=\\u000A"},
        MatchCase{"ClassBackspace", "", u"[\\b]", u"a\bb", "1+1=\\u0008"},
        MatchCase{"WordBoundaries", "g", u"\\b\\w", u"ab cd", "0+1=a 3+1=c"},
        MatchCase{"NotWordBoundary", "g", u"\\B\\w", u"ab cd", "1+1=b 4+1=d"},
        MatchCase{"Shorthands", "", u"\\d\\D\\w\\W\\s\\S", u"1a_ \t!", "0+6=1a_\\u0020\\u0009!"},
        MatchCase{"SpaceIsAsciiOnly", "g", u"\\s", u"\u00A0 \v", "1+1=\\u0020 2+1=\\u000B"},
        MatchCase{"ControlEscapes", "", u"\\f\\n\\r\\t\\v", u"\f\n\r\t\v", "0+5=\\u000C\\u000A\\u000D\\u0009\\u000B"},
        MatchCase{"ControlLetter", "", u"\\cJ\\ca", u"\n\x01", "0+2=\\u000A\\u0001"},
        MatchCase{"ControlNonLetterIsC", "", u"\\c1", u"c1", "0+2=c1"},
        MatchCase{"HexAndUnicode", "", u"\\x41\\u0042\\x4", u"ABx4", "0+4=ABx4"},
        MatchCase{"BackReference", "", u"(a|b)\\1", u"abb", "1+2=bb(b)"},
        MatchCase{"BackReferenceToUnsetGroup", "", u"(a)?\\1b", u"b", "0+1=b(\\-)"},
        MatchCase{"ReferenceWithoutGroupIsOctal", "", u"\\1", u"\x01", "0+1=\\u0001"},
        MatchCase{"EightIsLiteral", "", u"\\8", u"8", "0+1=8"},
        MatchCase{"NulEscape", "", u"[\\0-\\x01]", u"\x01", "0+1=\\u0001"},
        MatchCase{"IdentityEscapes", "", u"\\A\\M\\z\\K\\Q\\p{L}", u"AMzKQp{L}", "0+9=AMzKQp{L}"},
        MatchCase{"PosixClassIsPlain", "g", u"[[:a]]", u":]", "0+2=:]"},
        MatchCase{"IgnoreCaseAscii", "gi", u"[a-c]x", u"AX bX", "0+2=AX 3+2=bX"},
        MatchCase{"IgnoreCaseAsciiOnly", "i", u"\u00e9", u"\u00c9\u00e9", "1+1=\\u00E9"},
        MatchCase{"IgnoreCaseNegatedClass", "g", u"[^a]", u"aAb", "1+1=A 2+1=b"},
        MatchCase{"IgnoreCaseNegatedClassI", "gi", u"[^a]", u"aAb", "2+1=b"},
        MatchCase{"IgnoreCaseBackReference", "i", u"(a)\\1", u"aA", "0+2=aA(a)"},
        MatchCase{"EmptyMatchesAdvance", "g", u"a*", u"baa", "0+0= 1+2=aa 3+0="},
        MatchCase{"EmptyPattern", "g", u"", u"ab", "0+0= 1+0= 2+0="},
        MatchCase{"LoneSurrogates", "g", u"[\xD800-\xDBFF]", u"a\xD83D\xDE00\xD800", "1+1=\\uD83D 3+1=\\uD800"},
        MatchCase{"RepeatedGroupKeepsLastCapture", "", u"(?:(a)|b)+", u"ab", "0+2=ab(a)"},
        MatchCase{"SyntaxError", "", u"(?i)a", u"a", "error 5017"},
        MatchCase{"QuantifierError", "", u"a**", u"a", "error 5018"},
        MatchCase{"BracketError", "", u"[a", u"a", "error 5019"},
        MatchCase{"ParenthesisError", "", u"(a", u"a", "error 5020"},
        MatchCase{"RangeError", "", u"[b-a]", u"a", "error 5021"},
        MatchCase{"CountTooLarge", "", u"a{70000}", u"a", "error 7"},
        MatchCase{"NestedStarsAreStopped", "", u"(a*)*b", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaacb", "error 28"},
        MatchCase{"OverlappingAlternativesAreStopped", "", u"(a|aa)+$", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab",
                  "error 28"}),
    zelu::testing::CaseName());

struct ReplaceCase {
  std::string name;
  std::string flags;
  std::u16string pattern;
  std::u16string subject;
  std::u16string replacement;
  std::string result;
};

class RegExpReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(RegExpReplaceTest, Replace) {
  const ReplaceCase& row = GetParam();
  RegExpDriver regexp(row.flags);
  regexp.SetPattern(row.pattern);
  EXPECT_EQ(Escape(regexp.Replace(row.subject, row.replacement)), row.result);
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, RegExpReplaceTest,
    ::testing::Values(ReplaceCase{"First", "", u"o", u"foo", u"0", "f0o"},
                      ReplaceCase{"Global", "g", u"o", u"foo", u"0", "f00"},
                      ReplaceCase{"NoMatchKeepsText", "g", u"x", u"foo", u"0", "foo"},
                      ReplaceCase{"Groups", "", u"(\\w+) (\\w+)", u"ab cd", u"$2 $1", "cd\\u0020ab"},
                      ReplaceCase{"WholeBeforeAfterDollar", "", u"b", u"abc", u"[$&|$`|$'|$$]", "a[b|a|c|$]c"},
                      ReplaceCase{"TwoDigitsWhenThatGroupExists", "", u"(a)", u"a", u"$12|$01|$10", "a2|a|a0"},
                      ReplaceCase{"UnknownDollarsStay", "", u"(a)", u"a", u"$0$2$x$", "$0$2$x$"},
                      ReplaceCase{"UnsetGroupIsEmpty", "", u"(a)|b", u"b", u"<$1>", "<>"},
                      ReplaceCase{"EmptyMatches", "g", u"x*", u"ab", u"-", "-a-b-"},
                      ReplaceCase{"TwelveGroups", "", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)", u"abcdefghijkl",
                                  u"$12$11$1", "lka"}),
    zelu::testing::CaseName());

// Test ignores Global and finds a match anywhere.
TEST(RegExpTest, TestIgnoresGlobal) {
  for (const char* flags : {"", "g"}) {
    RegExpDriver regexp(flags);
    regexp.SetPattern(u"b+");
    EXPECT_TRUE(regexp.Test(u"abbb"));
    EXPECT_TRUE(regexp.Test(u"abbb"));
    EXPECT_FALSE(regexp.Test(u"ac"));
  }
}

// The compiled pattern follows Pattern, IgnoreCase and Multiline.
TEST(RegExpTest, SettingsTakeEffect) {
  RegExpDriver regexp;
  regexp.SetPattern(u"^a");
  EXPECT_FALSE(regexp.Test(u"b\nA"));
  regexp.Set(10002, true);
  EXPECT_FALSE(regexp.Test(u"b\nA"));
  regexp.Set(10007, true);
  EXPECT_TRUE(regexp.Test(u"b\nA"));
  regexp.SetPattern(u"^c");
  EXPECT_FALSE(regexp.Test(u"b\nA"));
  CString pattern;
  regexp.InvokeHelper(10001, DISPATCH_PROPERTYGET, VT_BSTR, &pattern, nullptr);
  EXPECT_EQ(pattern, CString(u"^c"));
  BOOL multiline = FALSE;
  regexp.InvokeHelper(10007, DISPATCH_PROPERTYGET, VT_BOOL, &multiline, nullptr);
  EXPECT_EQ(multiline, TRUE);
}

// Setting a bad pattern does not fail; every search with it does, and the
// object stays usable.
TEST(RegExpTest, BadPatternFailsEachSearch) {
  RegExpDriver regexp;
  regexp.SetPattern(u"(");
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      regexp.Test(u"x");
      ADD_FAILURE() << "nothing thrown";
    } catch (COleDispatchException* e) {
      EXPECT_EQ(e->m_scError, zelu::regexp::kExpectedParenthesis);
      EXPECT_EQ(e->m_strDescription, CString(u"Expected ')' in regular expression"));
      e->Delete();
    }
  }
  regexp.SetPattern(u"x");
  EXPECT_TRUE(regexp.Test(u"x"));
}

// A catastrophic pattern ends quickly with its own error, not as "no match".
TEST(RegExpTest, BacktrackingLimitIsAnError) {
  RegExpDriver regexp;
  regexp.SetPattern(u"(a|aa)+$");
  const auto started = std::chrono::steady_clock::now();
  try {
    regexp.Test(std::u16string(39, u'a') + u"b");
    ADD_FAILURE() << "nothing thrown";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_scError, zelu::regexp::kOutOfStackSpace);
    EXPECT_EQ(e->m_strDescription, CString(u"Out of stack space"));
    e->Delete();
  }
  const auto elapsed = std::chrono::steady_clock::now() - started;
  RecordProperty("catastrophic_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

// A replaced text longer than a string may be fails before any of it is
// allocated: each of the 65,536 matches is replaced by twice the text before
// it, about 2^32 units in all.
TEST(RegExpTest, ReplacedTextPastTheLimitIsOutOfMemory) {
  RegExpDriver regexp("g");
  regexp.SetPattern(u"a");
  try {
    regexp.Replace(std::u16string(65536, u'a'), u"$`$`");
    ADD_FAILURE() << "nothing thrown";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_scError, zelu::regexp::kOutOfMemory);
    EXPECT_EQ(e->m_strDescription, CString(u"Out of memory"));
    e->Delete();
  }
  EXPECT_EQ(regexp.Replace(u"aa", u"$`$`").GetLength(), 2);
}

// Items by both ids, bad indexes, the enumerators of both lists, and every
// object freed once the last reference goes.
TEST(RegExpTest, CollectionsAndEnumerators) {
  RegExpDriver regexp("g");
  regexp.SetPattern(u"(\\d)(x)?");
  COleDispatchDriver collection(regexp.Execute(u"1 2x"));
  IDispatch* by_zero = nullptr;
  IDispatch* by_10001 = nullptr;
  collection.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_DISPATCH, &by_zero, kIndex, LONG{1});
  collection.InvokeHelper(10001, DISPATCH_PROPERTYGET, VT_DISPATCH, &by_10001, kIndex, LONG{1});
  COleDispatchDriver first(by_zero), second(by_10001);
  EXPECT_EQ(GetLong(first, 10001), 2);
  EXPECT_EQ(GetLong(second, 10002), 2);
  for (const LONG bad : {LONG{-1}, LONG{2}}) {
    try {
      collection.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_DISPATCH, &by_zero, kIndex, bad);
      ADD_FAILURE() << bad;
    } catch (COleDispatchException* e) {
      EXPECT_EQ(e->m_scError, zelu::regexp::kInvalidArgument);
      e->Delete();
    }
  }
  IUnknown* unknown = nullptr;
  collection.InvokeHelper(DISPID_NEWENUM, DISPATCH_PROPERTYGET, VT_UNKNOWN, &unknown, nullptr);
  void* as_enum = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, &as_enum), S_OK);
  unknown->Release();
  auto* matches = static_cast<IEnumVARIANT*>(as_enum);
  VARIANT items[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(matches->Next(3, items, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  COleDispatchDriver enumerated(items[1].pdispVal);
  EXPECT_EQ(GetLong(enumerated, 10001), 2);
  VariantClear(&items[0]);
  EXPECT_EQ(matches->Reset(), S_OK);
  EXPECT_EQ(matches->Skip(1), S_OK);
  IEnumVARIANT* clone = nullptr;
  EXPECT_EQ(matches->Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(1, items, nullptr), S_OK);
  VariantClear(&items[0]);
  EXPECT_EQ(clone->Skip(1), S_FALSE);
  clone->Release();
  matches->Release();

  IDispatch* subs_object = nullptr;
  first.InvokeHelper(10003, DISPATCH_PROPERTYGET, VT_DISPATCH, &subs_object, nullptr);
  COleDispatchDriver subs(subs_object);
  subs.InvokeHelper(DISPID_NEWENUM, DISPATCH_PROPERTYGET, VT_UNKNOWN, &unknown, nullptr);
  ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, &as_enum), S_OK);
  unknown->Release();
  auto* groups = static_cast<IEnumVARIANT*>(as_enum);
  EXPECT_EQ(groups->Next(2, items, &fetched), S_OK);
  EXPECT_EQ(zelu::testing::Render(items[0]), u"bstr:2");
  EXPECT_EQ(zelu::testing::Render(items[1]), u"bstr:x");
  VariantClear(&items[0]);
  VariantClear(&items[1]);
  groups->Release();
  EXPECT_EQ(References(collection.m_lpDispatch), 1u);
}

// Member names resolve without regard to case; unknown names and members
// are refused.
TEST(RegExpTest, NamesAndUnknownMembers) {
  RegExpDriver regexp;
  W pattern(u"pattern"), multiline(u"MultiLine"), unknown(u"Nope");
  LPOLESTR names[] = {pattern.data(), multiline.data(), unknown.data()};
  DISPID ids[3] = {};
  EXPECT_EQ(regexp.m_lpDispatch->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 10001);
  EXPECT_EQ(ids[1], 10007);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  try {
    GetLong(regexp, 10099);
    ADD_FAILURE();
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_MEMBERNOTFOUND);
    e->Delete();
  }
}

// Distinct objects work on distinct threads at once.
TEST(RegExpTest, DistinctObjectsOnDistinctThreads) {
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&results, t] {
      std::string last;
      for (int i = 0; i < 200; ++i) last = ExecuteAndRender("g", t % 2 == 0 ? u"(\\d+)" : u"[a-z]+", u"ab 12 cd 345");
      results[t] = last;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < results.size(); ++t) {
    EXPECT_EQ(results[t], t % 2 == 0 ? "3+2=12(12) 9+3=345(345)" : "0+2=ab 6+2=cd");
  }
}

}  // namespace
