// Distinct regular-expression objects on several threads at once: each
// thread makes its own objects through the class registry, compiles its own
// patterns and matches its own texts, and gets what one thread alone gets,
// also while another thread's pattern runs into the backtracking limit.
// Match objects of one collection, handed one to each thread, share their
// results and are read and released there.
#include <zelu/automation/regexp_wrappers.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/regexp/regexp.h>
#include <zelu/platform/regexp/regexp_test_driver.h>
#include <zelu/testing/threads.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ToU16;
using zelu::testing::WideText;

struct Search {
  const char16_t* pattern;
  const char16_t* text;
  const char16_t* replacement;
};

const Search kSearches[] = {
    {u"(\\w+)@(\\w+)\\.com", u"a@b.com, c@d.com and x@y.org", u"$2 at $1"},
    {u"^\\s*(\\d+)\\s*$", u"  42  ", u"[$1]"},
    {u"(a|b)*c", u"ababababc abc c", u"<$&>"},
    {u"x*", u"axxb", u"-"},
};

// Everything one search shows: the replaced text, then each match's index,
// value and groups.
std::u16string Results(const Search& search) {
  IRegExp2 regexp(zelu::regexp::CreateRegExp());
  regexp.SetGlobal(1);
  regexp.SetPattern(WideText(search.pattern));
  VARIANT replacement{};
  replacement.vt = VT_BSTR;
  replacement.bstrVal = SysAllocString(WideText(search.replacement));
  std::u16string results = ToU16(regexp.Replace(WideText(search.text), replacement));
  VariantClear(&replacement);
  IMatchCollection2 matches(regexp.Execute(WideText(search.text)));
  for (LONG i = 0; i < matches.GetCount(); ++i) {
    IMatch2 match(matches.GetItem(i));
    const std::string index = std::to_string(match.GetFirstIndex());
    results += u"|" + std::u16string(index.begin(), index.end()) + u":" + ToU16(match.GetValue());
    ISubMatches groups(match.GetSubMatches());
    for (LONG g = 0; g < groups.GetCount(); ++g) {
      VARIANT group = groups.GetItem(g);
      results += group.vt == VT_BSTR ? u"," + ToU16(group.bstrVal) : u",-";
      VariantClear(&group);
    }
  }
  return results;
}

// A pattern that runs into the backtracking limit fails with its own error.
bool HitsTheLimit() {
  IRegExp regexp;
  if (!regexp.Create()) return false;
  regexp.SetPattern(WideText(u"(a|aa)+$"));
  const WideText subject(std::u16string(39, u'a') + u"b");
  return zelu::testing::DispatchFailureOf([&] { regexp.Test(subject); }) == zelu::regexp::kOutOfStackSpace;
}

TEST(RegExpWrappersThreadsTest, DistinctObjectsOnSeveralThreadsGetWhatOneThreadGets) {
  std::vector<std::u16string> expected;
  for (const Search& search : kSearches) expected.push_back(Results(search));
  const int mismatches = zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int thread) {
    int wrong = 0;
    for (int round = 0; round < 30; ++round) {
      if (thread == 0 && round % 10 == 0) wrong += HitsTheLimit() ? 0 : 1;
      for (std::size_t s = 0; s < std::size(kSearches); ++s) {
        const std::size_t which = (s + static_cast<std::size_t>(thread)) % std::size(kSearches);
        wrong += Results(kSearches[which]) == expected[which] ? 0 : 1;
      }
    }
    return wrong;
  });
  EXPECT_EQ(mismatches, 0);
}

TEST(RegExpWrappersThreadsTest, MatchesOfOneCollectionAreReadOnSeveralThreads) {
  IRegExp2 regexp(zelu::regexp::CreateRegExp());
  regexp.SetGlobal(1);
  regexp.SetPattern(WideText(u"(\\d)(x)?"));
  std::vector<IDispatch*> matches;
  {
    IMatchCollection2 collection(regexp.Execute(WideText(u"1x 2 3x 4")));
    for (LONG i = 0; i < zelu::testing::kTestThreads; ++i) matches.push_back(collection.GetItem(i));
  }
  static_assert(zelu::testing::kTestThreads == 4, "one match of the text for each thread");
  const int mismatches = zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int thread) {
    IMatch2 match(matches[static_cast<std::size_t>(thread)]);  // takes over the reference
    ISubMatches groups(match.GetSubMatches());
    VARIANT digit = groups.GetItem(0);
    constexpr LONG kIndexes[] = {0, 3, 5, 8};
    const bool right = match.GetFirstIndex() == kIndexes[thread] &&
                       ToU16(digit.bstrVal) == std::u16string(1, static_cast<char16_t>(u'1' + thread));
    VariantClear(&digit);
    return right ? 0 : 1;
  });
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
