// The operating system's plain wide-string helpers: length, copy, bounded
// copy and case-insensitive comparison of zero-terminated UTF-16 text.
//
// What a caller may rely on:
//   * A null pointer is treated as the platform treats it instead of being
//     dereferenced: lstrlenW(nullptr) is 0, the copies return null and write
//     nothing, and lstrcmpiW orders null before every string (two nulls are
//     equal).
//   * lstrcpynW writes at most `max_units` units including the terminator it
//     always adds; a count of 0 or less writes nothing.
//   * lstrcmpiW folds letter case unit by unit with zelu::crt16::towlower,
//     the simple one-to-one lower-case mapping of the Unicode tables for the
//     Basic Multilingual Plane (so "É" equals "é" and "Σ" equals "σ", while
//     letters outside that plane, written as surrogate pairs, compare as they
//     are, and no mapping that changes the length, such as "ß" to "ss",
//     applies). The result orders the lowered units by value: -1, 0 or 1. It
//     is not a linguistic order; only "equal" (0) is meant to be relied on
//     across platforms.
//   * None allocates, keeps state or reads past the first terminator.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

// Code units before the terminating zero; 0 for a null pointer.
ZELU_API int lstrlenW(LPCWSTR text);

// Copies `source` with its terminator; returns `destination` (null if either
// pointer is null). The two must not overlap.
ZELU_API LPWSTR lstrcpyW(LPWSTR destination, LPCWSTR source);

// Copies at most `max_units` - 1 units of `source`, then a zero; returns
// `destination` (null if either pointer is null). With `max_units` <= 0
// nothing is written.
ZELU_API LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int max_units);

// -1, 0 or 1 as `first` orders before, equal to or after `second` ignoring
// letter case (see above).
ZELU_API int lstrcmpiW(LPCWSTR first, LPCWSTR second);
