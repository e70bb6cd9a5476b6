// Digit tables shared by the hex encoders and decoders.
#pragma once

#include <array>
#include <cstddef>

#include <zelu/platform/win32/base_types.h>

namespace zelu::internal {

inline constexpr unsigned char kInvalidHexDigit = 0xFF;

// Value of each code unit below 256 as a hex digit, or kInvalidHexDigit.
inline constexpr std::array<unsigned char, 256> kHexDigitValues = [] {
  std::array<unsigned char, 256> values{};
  values.fill(kInvalidHexDigit);
  for (unsigned char digit = 0; digit < 10; ++digit) values['0' + digit] = digit;
  for (unsigned char digit = 0; digit < 6; ++digit) {
    values['A' + digit] = static_cast<unsigned char>(10 + digit);
    values['a' + digit] = static_cast<unsigned char>(10 + digit);
  }
  return values;
}();

// 0..15 for a hex digit, kInvalidHexDigit for every other unit.
constexpr unsigned char HexDigitValue(WCHAR unit) {
  return unit < kHexDigitValues.size() ? kHexDigitValues[unit] : kInvalidHexDigit;
}

// The two upper-case digits of every byte, high digit first.
inline constexpr std::array<std::array<WCHAR, 2>, 256> kUpperHexPairs = [] {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::array<std::array<WCHAR, 2>, 256> pairs{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    pairs[byte] = {static_cast<WCHAR>(kDigits[byte >> 4]), static_cast<WCHAR>(kDigits[byte & 15])};
  }
  return pairs;
}();

static_assert(sizeof(kUpperHexPairs[0]) == 2 * sizeof(WCHAR), "a pair is two adjacent units");

}  // namespace zelu::internal
