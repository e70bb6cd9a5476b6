// The C runtime's wide-character helpers, for 16-bit text.
//
// On Linux `wchar_t` is 32 bits, so the C library's wcs* and isw* functions
// cannot read the library's UTF-16 text. These are the 16-bit equivalents of
// the ones the library needs, with the behaviour the ported callers expect of
// the runtime they came from. They live in namespace zelu::crt16 so that they
// never clash with the C library's declarations of the same names.
//
// What a caller may rely on:
//   * Every function reads up to and including the terminating zero and never
//     further; none allocates or keeps state; all are thread-safe.
//   * Classification is the same in every process, whatever locale the host
//     program set: it uses the Unicode tables of the C library's "C.UTF-8"
//     locale (falling back to ASCII only if that locale is missing). So
//     iswalpha accepts every BMP letter (Latin, Greek, Cyrillic, CJK, ...),
//     iswdigit only '0'..'9', and iswspace U+0009..U+000D, U+0020 and the
//     Unicode space separators other than no-break spaces. A surrogate code
//     unit is never a letter, digit or space.
#pragma once

#include <array>
#include <cstddef>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

namespace zelu::crt16 {

// The end-of-input result of the scanning functions (the runtime's EOF).
inline constexpr int kEndOfInput = -1;

// Code units before the terminating zero.
ZELU_API std::size_t wcslen(const WCHAR* text);

// Copies `source` with its terminating zero to `destination`; returns
// `destination`. The two must not overlap.
ZELU_API WCHAR* wcscpy(WCHAR* destination, const WCHAR* source);

// Leading white space skipped, an optional sign, then decimal digits up to
// the first other code unit. Text without digits gives 0. A value outside
// the 32-bit range saturates at LONG's minimum or maximum.
ZELU_API LONG _wtol(const WCHAR* text);
ZELU_API int _wtoi(const WCHAR* text);

// Leading white space skipped, an optional sign, decimal digits with an
// optional '.', and an optional exponent introduced by 'e', 'E', 'd' or 'D'.
// No hexadecimal, infinity or NaN forms. Text that does not begin a number
// gives 0 with *end == text. A value too large gives +/-HUGE_VAL, one too
// small 0 or a subnormal, as the C library's strtod does. Independent of
// the process's locale: the decimal point is always '.'. `end` may be null.
ZELU_API double wcstod(const WCHAR* text, WCHAR** end);

// The conversion "%04x" of the wide scanf: leading white space skipped, then
// at most four code units forming a hexadecimal number: an optional sign, an
// optional "0x"/"0X" after a leading zero, hexadecimal digits. The sign and
// prefix count toward the four. Returns 1 and stores the value (negated after
// a '-') in `value`; returns 0 when no digit could be read although text
// remains; returns kEndOfInput when the text ends before anything but white
// space. `value` is written only when 1 is returned.
ZELU_API int ScanHex4(const WCHAR* text, int& value);

// The value of a hexadecimal digit ('0'-'9', 'A'-'F', 'a'-'f', compared as
// whole 16-bit units): 0 to 15, or kNotHexDigit for every other unit. The
// one digit table of the library: the scan above and the hex codecs use it.
inline constexpr unsigned char kNotHexDigit = 0xFF;
inline constexpr std::array<unsigned char, 256> kHexDigitValues = [] {
  std::array<unsigned char, 256> values{};
  values.fill(kNotHexDigit);
  for (unsigned char digit = 0; digit < 10; ++digit) values['0' + digit] = digit;
  for (unsigned char digit = 0; digit < 6; ++digit) {
    values['A' + digit] = static_cast<unsigned char>(10 + digit);
    values['a' + digit] = static_cast<unsigned char>(10 + digit);
  }
  return values;
}();
constexpr unsigned char HexDigitValue(WCHAR unit) noexcept {
  return unit < kHexDigitValues.size() ? kHexDigitValues[unit] : kNotHexDigit;
}

ZELU_API bool iswalpha(WCHAR unit);
ZELU_API bool iswdigit(WCHAR unit);
ZELU_API bool iswspace(WCHAR unit);
// Simple one-to-one case mapping; a unit without a mapping comes back as is.
ZELU_API WCHAR towlower(WCHAR unit);
ZELU_API WCHAR towupper(WCHAR unit);

}  // namespace zelu::crt16
