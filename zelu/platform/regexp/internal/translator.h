// The pattern translator: reads a pattern of the regular-expression
// object's dialect into a tree and writes it out as a pattern for PCRE2
// that uses only a fixed, safe subset of PCRE2's syntax.
//
// The dialect: literals; . ^ $ * + ? {n} {n,} {n,m}, each quantifier lazy
// with a ? after it; (x) (?:x) (?=x) (?!x) x|y; classes [..] [^..] with
// ranges; \b \B \d \D \w \W \s \S; \f \n \r \t \v; \cX (X a letter;
// otherwise a plain "c"); \xHH (exactly two hex digits, otherwise a plain
// "x"); \uHHHH (exactly four, otherwise a plain "u"); \N, all digits taken,
// a back reference when at least N groups opened before it, otherwise a
// legacy octal escape of up to three octal digits (value at most 0377), with
// \8 and \9 standing for the digit; every other escaped character stands
// for itself (\A is "A", \M is "M"). A { that does not begin a well-formed
// quantifier is a plain "{", and ] and } are plain characters outside a
// class. Inside a class \b is U+0008, \B is "B", and a range with a class
// escape at either end ([\d-z]) is read as the escape, "-" and the other end.
// \d is [0-9], \w [A-Za-z0-9_], \s [\t\n\v\f\r ]. "." is any code unit but
// line feed. ^ and $ match at the very start and end, and with `multiline`
// also after and before a line feed or carriage return.
//
// The output uses \x{hhhh} for every literal unit, explicit class ranges,
// (?:) () (?=) (?!) (?<!) (for the multi-line anchors only), \A \z \b \B,
// greedy or lazy {n,m}, and \g{n}. It is meant for compiling with
// PCRE2_NEVER_UTF and PCRE2_MATCH_UNSET_BACKREF.
#pragma once

#include <string>
#include <string_view>

namespace zelu::regexp::internal {

// The dialect's error numbers; 0 means none.
enum class PatternError {
  kNone = 0,
  kSyntax = 5017,         // "Syntax error in regular expression"
  kQuantifier = 5018,     // "Unexpected quantifier"
  kBracket = 5019,        // "Expected ']' in regular expression"
  kParenthesis = 5020,    // "Expected ')' in regular expression"
  kRange = 5021,          // "Invalid range in character set"
  kTooLarge = 7,          // "Out of memory": nesting deeper than kMaxNesting, a count
                          // above kMaxCount, or too large for the engine
};

// Limits of what the translator reads: groups nested deeper, and repetition
// counts larger, fail with PatternError::kTooLarge.
inline constexpr int kMaxNesting = 200;
inline constexpr unsigned kMaxCount = 65535;

struct Translation {
  PatternError error = PatternError::kNone;
  std::u16string pattern;  // the PCRE2 pattern when there is no error
  int groups = 0;          // capturing groups in the pattern
};

Translation Translate(std::u16string_view pattern, bool multiline);

}  // namespace zelu::regexp::internal
