// The regular-expression automation object, registered under the
// programmatic identifier "VBScript.RegExp", with the match collections,
// matches and sub-match lists that it hands out.
//
// The pattern dialect is that of ECMAScript 3 over UTF-16 code units (see
// internal/translator.h for every construct). Members, by dispatch id:
//   RegExp           10001 Pattern (text), 10002 IgnoreCase, 10003 Global,
//                    10007 Multiline (truth values; get and put),
//                    10004 Execute(text) -> match collection,
//                    10005 Test(text) -> truth value,
//                    10006 Replace(text, replacement) -> text.
//   Match collection 0 and 10001 Item(index) -> match, 1 Count, -4 _NewEnum.
//   Match            0 Value, 10001 FirstIndex, 10002 Length,
//                    10003 SubMatches -> sub-match list.
//   Sub-match list   0 Item(index) -> text, or an empty variant for a group
//                    that took no part; 1 Count; -4 _NewEnum.
// What a caller may rely on:
//   * Setting Pattern never fails. The pattern is compiled by the first
//     Execute, Test or Replace and kept until Pattern, IgnoreCase or
//     Multiline changes.
//   * Execute gives at most one match, or with Global all non-overlapping
//     matches from left to right (after an empty match the search goes on
//     one unit further). FirstIndex counts units from 0. Test ignores Global.
//     Replace replaces the first match, or with Global every match; in the
//     replacement $1..$99 (two digits when that group exists, else one),
//     $&, $`, $' and $$ are expanded and any other $ stays as written.
//   * IgnoreCase folds the ASCII letters A-Z and a-z only; every other unit
//     matches only itself.
//   * Failures come back from Invoke as DISP_E_EXCEPTION with the code and
//     text below in the exception record: the dialect's pattern errors, "Out
//     of memory" for a pattern nested more than 200 groups deep, with a
//     repetition count above 65535 or too large to compile, or for a Replace
//     whose text would pass 2^31 - 2 units, and "Out of stack space" when
//     one match attempt exceeds its backtracking limit (it never hangs or
//     reports a false "no match"). Item with an index out of range
//     fails with "Invalid procedure call or argument"; an argument of the
//     wrong type with DISP_E_TYPEMISMATCH, the wrong count with
//     DISP_E_BADPARAMCOUNT, an unknown member with DISP_E_MEMBERNOTFOUND.
//   * Distinct objects may be used on distinct threads at once: each object
//     has its own compiled pattern, match data and JIT stack. Matches and
//     collections share only read-only results.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/dispatch/dispatch.h>

namespace zelu::regexp {

// "VBScript.RegExp", the identifier the object is registered under when the
// library loads.
inline constexpr WCHAR kProgId[] = {'V', 'B', 'S', 'c', 'r', 'i', 'p', 't', '.', 'R', 'e', 'g', 'E', 'x', 'p', 0};

// The codes of the exception record, 0x800A0000 plus the error number.
inline constexpr SCODE kOutOfMemory = static_cast<SCODE>(0x800A0007u);        // "Out of memory"
inline constexpr SCODE kOutOfStackSpace = static_cast<SCODE>(0x800A001Cu);    // "Out of stack space"
inline constexpr SCODE kInvalidArgument = static_cast<SCODE>(0x800A0005u);    // "Invalid procedure call or argument"
inline constexpr SCODE kSyntaxError = static_cast<SCODE>(0x800A1399u);        // 5017 "Syntax error in regular expression"
inline constexpr SCODE kUnexpectedQuantifier = static_cast<SCODE>(0x800A139Au);  // 5018 "Unexpected quantifier"
inline constexpr SCODE kExpectedBracket = static_cast<SCODE>(0x800A139Bu);    // 5019 "Expected ']' in regular expression"
inline constexpr SCODE kExpectedParenthesis = static_cast<SCODE>(0x800A139Cu);  // 5020 "Expected ')' in regular expression"
inline constexpr SCODE kInvalidRange = static_cast<SCODE>(0x800A139Du);       // 5021 "Invalid range in character set"

// A new regular-expression object (empty pattern, every flag false) with one
// reference for the caller.
ZELU_API IDispatch* CreateRegExp();

}  // namespace zelu::regexp
