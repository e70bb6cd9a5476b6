// The delimited line format that the parser reads and the generator writes:
// the default delimiter, the quote character and the truth words. A line
// written with these by one side reads back on the other.
#pragma once

#include <array>

#include <zelu/platform/base/base_types.h>

namespace zelu::delimited {

inline constexpr WCHAR kDefaultDelimiter = '^';
inline constexpr WCHAR kQuote = '"';

// Zero-terminated, for the platform's string functions.
inline constexpr std::array<WCHAR, 5> kTrueWord = {'T', 'R', 'U', 'E', 0};
inline constexpr std::array<WCHAR, 6> kFalseWord = {'F', 'A', 'L', 'S', 'E', 0};

}  // namespace zelu::delimited
