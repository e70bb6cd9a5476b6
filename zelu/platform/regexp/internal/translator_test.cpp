#include <zelu/platform/regexp/internal/translator.h>

#include <string>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>

namespace {

using zelu::regexp::internal::PatternError;
using zelu::regexp::internal::Translate;

struct ErrorCase {
  std::string name;
  std::u16string pattern;
  PatternError error;
};

class TranslatorErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(TranslatorErrorTest, ReportsTheDialectsNumber) {
  const ErrorCase& row = GetParam();
  const auto translation = Translate(row.pattern, false);
  EXPECT_EQ(translation.error, row.error);
  EXPECT_EQ(translation.pattern.empty(), row.error != PatternError::kNone);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TranslatorErrorTest,
    ::testing::Values(
        ErrorCase{"InlineFlags", u"(?i)a", PatternError::kSyntax},
        ErrorCase{"LookBehind", u"(?<=a)b", PatternError::kSyntax},
        ErrorCase{"NamedGroup", u"(?<n>a)", PatternError::kSyntax},
        ErrorCase{"AtomicGroup", u"(?>a)", PatternError::kSyntax},
        ErrorCase{"UnmatchedClose", u"a)", PatternError::kSyntax},
        ErrorCase{"TrailingBackslash", u"a\\", PatternError::kSyntax},
        ErrorCase{"CountsOutOfOrder", u"x{2,1}", PatternError::kSyntax},
        ErrorCase{"LeadingStar", u"*a", PatternError::kQuantifier},
        ErrorCase{"DoubleStar", u"a**", PatternError::kQuantifier},
        ErrorCase{"Possessive", u"a++", PatternError::kQuantifier},
        ErrorCase{"QuantifiedAnchor", u"^*a", PatternError::kQuantifier},
        ErrorCase{"QuantifiedBoundary", u"\\b+", PatternError::kQuantifier},
        ErrorCase{"BraceQuantifierAlone", u"{2}", PatternError::kQuantifier},
        ErrorCase{"TwoBraceQuantifiers", u"a{2}{3}", PatternError::kQuantifier},
        ErrorCase{"EmptyGroupStar", u"(*)", PatternError::kQuantifier},
        ErrorCase{"OpenClass", u"[abc", PatternError::kBracket},
        ErrorCase{"ClassEndsInEscape", u"[a\\", PatternError::kBracket},
        ErrorCase{"OpenGroup", u"(abc", PatternError::kParenthesis},
        ErrorCase{"OpenLookahead", u"(?=a", PatternError::kParenthesis},
        ErrorCase{"ReversedRange", u"[z-a]", PatternError::kRange},
        ErrorCase{"CountTooLarge", u"a{65536}", PatternError::kTooLarge},
        ErrorCase{"BraceWithoutMin", u"a{,3}", PatternError::kNone},
        ErrorCase{"LoneBraces", u"{a}}]", PatternError::kNone},
        ErrorCase{"QuantifiedLookahead", u"(?=a)*a", PatternError::kNone},
        ErrorCase{"LargestCount", u"a{65535}", PatternError::kNone},
        ErrorCase{"EscapedEnd", u"\\\\", PatternError::kNone}),
    zelu::testing::CaseName());

// Groups nest up to the limit; one more is refused rather than overflowing.
TEST(TranslatorTest, NestingLimit) {
  const auto nested = [](int depth) {
    return std::u16string(static_cast<std::size_t>(depth), u'(') + u"a" +
           std::u16string(static_cast<std::size_t>(depth), u')');
  };
  const auto deepest = Translate(nested(zelu::regexp::internal::kMaxNesting), false);
  EXPECT_EQ(deepest.error, PatternError::kNone);
  EXPECT_EQ(deepest.groups, zelu::regexp::internal::kMaxNesting);
  EXPECT_EQ(Translate(nested(zelu::regexp::internal::kMaxNesting + 1), false).error, PatternError::kTooLarge);
  EXPECT_EQ(Translate(std::u16string(100000, u'('), false).error, PatternError::kTooLarge);
}

struct FormCase {
  std::string name;
  std::u16string pattern;
  bool multiline;
  std::u16string pcre;
};

class TranslatorFormTest : public ::testing::TestWithParam<FormCase> {};

// What PCRE2 is given: every literal as \x{hhhh}, classes as explicit
// ranges, nothing of the caller's text passed through.
TEST_P(TranslatorFormTest, WritesTheSafeSubset) {
  const FormCase& row = GetParam();
  EXPECT_EQ(Translate(row.pattern, row.multiline).pattern, row.pcre);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TranslatorFormTest,
    ::testing::Values(
        FormCase{"EscapedLetterIsTheLetter", u"\\A\\z\\K", false, u"\\x{0041}\\x{007a}\\x{004b}"},
        FormCase{"VerticalTab", u"\\v", false, u"\\x{000b}"},
        FormCase{"ClassEscapeThenDash", u"[\\d-z]", false, u"[\\x{0030}-\\x{0039}\\x{002d}\\x{007a}]"},
        FormCase{"NegatedClass", u"[^a-c]", false, u"[^\\x{0061}-\\x{0063}]"},
        FormCase{"EmptyClasses", u"[][^]", false, u"[^\\x{0}-\\x{ffff}][\\x{0}-\\x{ffff}]"},
        FormCase{"Anchors", u"^a$", false, u"\\A\\x{0061}\\z"},
        FormCase{"MultilineAnchors", u"^$", true, u"(?<![^\\x{a}\\x{d}])(?![^\\x{a}\\x{d}])"},
        FormCase{"BackReference", u"(a)\\1", false, u"(\\x{0061})\\g{1}"},
        FormCase{"OctalWithoutGroup", u"\\1\\8", false, u"\\x{0001}\\x{0038}"},
        FormCase{"OctalPastGroups", u"(a)\\12", false, u"(\\x{0061})\\x{000a}"},
        FormCase{"ThreeOctalDigits", u"\\101\\477", false, u"\\x{0041}\\x{0027}\\x{0037}"},
        FormCase{"BraceWithoutMinIsLiteral", u"a{,3}", false, u"\\x{0061}\\x{007b}\\x{002c}\\x{0033}\\x{007d}"},
        FormCase{"Quantifiers", u"a*?b+c?d{2}e{2,}f{2,3}?", false,
                 u"\\x{0061}{0,}?\\x{0062}{1,}\\x{0063}{0,1}\\x{0064}{2}\\x{0065}{2,}\\x{0066}{2,3}?"},
        FormCase{"RepeatedLookaheadIsWrapped", u"(?=a)?", false, u"(?:(?=\\x{0061})){0,1}"},
        FormCase{"ControlLetterAndNot", u"\\cJ\\c1", false, u"\\x{000a}\\x{0063}\\x{0031}"},
        FormCase{"ShortHexIsLetter", u"\\x4g\\u12", false, u"\\x{0078}\\x{0034}\\x{0067}\\x{0075}\\x{0031}\\x{0032}"},
        FormCase{"Dot", u".", false, u"[^\\x{a}]"}),
    zelu::testing::CaseName());

}  // namespace
