// The delimited line format shared by the parser and the generator: the
// quote character and the truth words. (Both default to '^' as delimiter.)
#pragma once

#include <array>

#include <zelu/platform/base/base_types.h>

namespace zelu::delimited::internal {

inline constexpr WCHAR kQuote = 0x0022;  // '"'

// Zero-terminated, for the platform's string functions.
inline constexpr std::array<WCHAR, 5> kTrueWord = {'T', 'R', 'U', 'E', 0};
inline constexpr std::array<WCHAR, 6> kFalseWord = {'F', 'A', 'L', 'S', 'E', 0};

}  // namespace zelu::delimited::internal
