// Wildcard matching of wide text.
//
// Four functions with plain, unmangled names match UTF-16 text against
// wildcard patterns. Comparison is exact on 16-bit code units: it is
// case-sensitive, uses no locale, and `?` stands for one code unit (a
// character written as a surrogate pair takes two `?`).
//
// Pattern language:
//   *         any run of zero or more code units
//   ?         exactly one code unit
//   [set]     one code unit that the set admits; `!` or `^` right after the
//             `[` negates the set. Members are single code units or ranges
//             `a-z` (either order, compared as unsigned numbers). Inside a
//             set `\` takes the next code unit literally (`[\]\\\-]`); a `-`
//             first in the set or right after a range is an ordinary member.
//   other     exactly itself. Outside a set `\` is an ordinary character:
//             it matches itself and does not protect a following `*`.
//
// What a caller may rely on:
//   * Every argument is a valid pointer to zero-terminated text (or, for the
//     fault, to an int); null is not accepted. Neither string is modified.
//   * The functions allocate nothing, keep no state and may run on any
//     number of threads at once.
//   * matche never recurses: a pattern with any number of `*` groups runs in
//     constant stack space, and every pattern/text pair takes at most
//     O(pattern length x text length) steps.
//   * A malformed pattern is not an error path: matche reports it as
//     kMatchMalformedPattern (6) when the matching reaches the fault, and
//     is_valid_pattern names the first fault it meets.
//
//   if (match(pattern, file_name)) ...
//   int fault; if (!is_valid_pattern(pattern, &fault)) Report(fault);
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

namespace zelu {

// Results of matche().
inline constexpr int kMatchFound = 1;             // the text matches the pattern
inline constexpr int kMatchPatternEnded = 2;      // the pattern ended while text remained
inline constexpr int kMatchTextEnded = 3;         // the text ended while pattern remained, or
                                                  // no position after a `*` let the rest match
inline constexpr int kMatchSetRejected = 4;       // a text code unit was not admitted by a set
inline constexpr int kMatchLiteralDiffers = 5;    // a text code unit differed from a literal
inline constexpr int kMatchMalformedPattern = 6;  // empty or unclosed set, range without an end,
                                                  // or a `\` at the pattern's end inside a set

// Faults written by is_valid_pattern().
inline constexpr int kPatternValid = 0;
inline constexpr int kPatternEscapeAtEnd = -1;      // inside a set, `\` is the pattern's last unit
inline constexpr int kPatternRangeWithoutEnd = -2;  // inside a set, `-` followed by `]` or the end
inline constexpr int kPatternSetNotClosed = -3;     // the pattern ends inside a set
inline constexpr int kPatternEmptySet = -4;         // `[` followed directly by `]`

}  // namespace zelu

extern "C" {

// 1 when `text` holds `*`, `?` or `[` anywhere, else 0 (also for the empty
// text). `\` and `]` alone do not make a pattern.
ZELU_API int is_pattern(const WCHAR* text);

// 1 when `pattern` is well formed, else 0. Sets *fault to kPatternValid on
// entry and, when the pattern is not valid, to the first fault met scanning
// from the start (one of the kPattern* codes above). `!` and `^` right after
// `[` count as ordinary members here, so "[!]" and "[^]" pass this check
// although matche reports them as malformed.
ZELU_API int is_valid_pattern(const WCHAR* pattern, int* fault);

// Matches `text` against `pattern` and returns one of the kMatch* codes.
// The pattern is not validated first: a fault is reported only if matching
// reaches it, so "[a" against "x" gives 6 but "b[a" against "x" gives 5.
ZELU_API int matche(const WCHAR* pattern, const WCHAR* text);

// 1 when matche(pattern, text) gives kMatchFound, 0 for every other code.
ZELU_API int match(const WCHAR* pattern, const WCHAR* text);

}  // extern "C"
