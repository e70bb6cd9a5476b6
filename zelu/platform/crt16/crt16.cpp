#include <zelu/platform/crt16/crt16.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <limits>
#include <string>

#include <locale.h>

namespace zelu::crt16 {
namespace {

// The locale whose tables answer the classification questions. Created once,
// never changed; a null handle means "ASCII only".
locale_t ClassificationLocale() {
  static const locale_t handle = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return handle;
}

// The plain "C" locale, for number conversion that must not depend on the
// process's decimal point.
locale_t NumericLocale() {
  static const locale_t handle = newlocale(LC_ALL_MASK, "C", locale_t{});
  return handle;
}

bool IsSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

bool IsAsciiDigit(WCHAR unit) { return unit >= '0' && unit <= '9'; }

const WCHAR* SkipSpace(const WCHAR* text) {
  while (iswspace(*text)) ++text;
  return text;
}

}  // namespace

// Four tests per round: each unit is read only after the ones before it
// were found nonzero, so nothing past the terminator is touched, while the
// processor still overlaps the tests.
std::size_t wcslen(const WCHAR* text) {
  const WCHAR* end = text;
  for (;; end += 4) {
    if (end[0] == 0) return static_cast<std::size_t>(end - text);
    if (end[1] == 0) return static_cast<std::size_t>(end - text) + 1;
    if (end[2] == 0) return static_cast<std::size_t>(end - text) + 2;
    if (end[3] == 0) return static_cast<std::size_t>(end - text) + 3;
  }
}

WCHAR* wcscpy(WCHAR* destination, const WCHAR* source) {
  WCHAR* out = destination;
  while ((*out++ = *source++) != 0) {
  }
  return destination;
}

LONG _wtol(const WCHAR* text) {
  const WCHAR* p = SkipSpace(text);
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // Accumulate the magnitude in 64 bits and stop growing it once it is past
  // the 32-bit range, so that any number of digits is safe.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<LONG>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; IsAsciiDigit(*p); ++p) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (*p - '0');
  }
  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<LONG>::min() : static_cast<LONG>(-magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<LONG>::max() : static_cast<LONG>(magnitude);
}

int _wtoi(const WCHAR* text) { return _wtol(text); }

double wcstod(const WCHAR* text, WCHAR** end) {
  const WCHAR* p = SkipSpace(text);
  std::string number;
  if (*p == '-' || *p == '+') number.push_back(static_cast<char>(*p++));
  std::size_t mantissa_digits = 0;
  for (; IsAsciiDigit(*p); ++p, ++mantissa_digits) number.push_back(static_cast<char>(*p));
  if (*p == '.') {
    number.push_back('.');
    for (++p; IsAsciiDigit(*p); ++p, ++mantissa_digits) number.push_back(static_cast<char>(*p));
  }
  if (mantissa_digits == 0) {
    if (end != nullptr) *end = const_cast<WCHAR*>(text);
    return 0.0;
  }
  if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
    // The exponent counts only when at least one digit follows it.
    const WCHAR* q = p + 1;
    std::string exponent = "e";
    if (*q == '-' || *q == '+') exponent.push_back(static_cast<char>(*q++));
    if (IsAsciiDigit(*q)) {
      for (; IsAsciiDigit(*q); ++q) exponent.push_back(static_cast<char>(*q));
      number += exponent;
      p = q;
    }
  }
  if (end != nullptr) *end = const_cast<WCHAR*>(p);
  const locale_t numeric = NumericLocale();
  const int saved_errno = errno;
  const double value = numeric != locale_t{} ? strtod_l(number.c_str(), nullptr, numeric)
                                             : std::strtod(number.c_str(), nullptr);
  errno = saved_errno;
  return value;
}

int ScanHex4(const WCHAR* text, int& value) {
  const WCHAR* p = SkipSpace(text);
  if (*p == 0) return kEndOfInput;
  int width = 4;
  bool negative = false;
  if (*p == '-' || *p == '+') {
    negative = *p == '-';
    ++p;
    --width;
  }
  bool any_digit = false;
  int magnitude = 0;
  if (width > 0 && *p == '0') {
    any_digit = true;
    ++p;
    --width;
    if (width > 0 && (*p == 'x' || *p == 'X')) {
      ++p;
      --width;
    }
  }
  for (; width > 0 && HexDigitValue(*p) != kNotHexDigit; ++p, --width) {
    any_digit = true;
    magnitude = magnitude * 16 + HexDigitValue(*p);  // at most four digits: no overflow
  }
  if (!any_digit) return 0;
  value = negative ? -magnitude : magnitude;
  return 1;
}

bool iswalpha(WCHAR unit) {
  if (unit < 0x80) return (unit | 0x20) >= 'a' && (unit | 0x20) <= 'z';
  const locale_t table = ClassificationLocale();
  return table != locale_t{} && !IsSurrogate(unit) && ::iswalpha_l(unit, table) != 0;
}

bool iswdigit(WCHAR unit) { return IsAsciiDigit(unit); }

bool iswspace(WCHAR unit) {
  if (unit < 0x80) return unit == ' ' || (unit >= 0x09 && unit <= 0x0D);
  const locale_t table = ClassificationLocale();
  return table != locale_t{} && !IsSurrogate(unit) && ::iswspace_l(unit, table) != 0;
}

WCHAR towlower(WCHAR unit) {
  if (unit < 0x80) return (unit >= 'A' && unit <= 'Z') ? static_cast<WCHAR>(unit + 32) : unit;
  const locale_t table = ClassificationLocale();
  if (table == locale_t{} || IsSurrogate(unit)) return unit;
  const wint_t lowered = ::towlower_l(unit, table);
  return lowered <= 0xFFFF ? static_cast<WCHAR>(lowered) : unit;
}

WCHAR towupper(WCHAR unit) {
  if (unit < 0x80) return (unit >= 'a' && unit <= 'z') ? static_cast<WCHAR>(unit - 32) : unit;
  const locale_t table = ClassificationLocale();
  if (table == locale_t{} || IsSurrogate(unit)) return unit;
  const wint_t raised = ::towupper_l(unit, table);
  return raised <= 0xFFFF ? static_cast<WCHAR>(raised) : unit;
}

}  // namespace zelu::crt16
