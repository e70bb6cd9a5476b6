// CFormatNumber: integers written in decimal, padded in front to a width.
//
// A class of two static operations and no data; no object of it can be
// made. Width counts decimal digits only: a minus sign is neither counted
// nor padded over, so PadNumber(-5, 3, '0') gives "00-5". Nothing is ever
// cut: a number with more digits than the width comes back whole, and a
// negative width counts as 0. A width that the text cannot hold (a result
// of more than 2^31 - 2 units, sign included) throws std::length_error.
//
//   CFormatNumber::PadNumber(42, 5, ' ');   // "   42"
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>

class ZELU_API CFormatNumber {
 public:
  CFormatNumber(const CFormatNumber&) = delete;
  // Copies nothing and returns this object.
  CFormatNumber& operator=(const CFormatNumber&) { return *this; }

  // Decimal digits of the magnitude of `number`, at least 1 (1 for 0, 10 for
  // the smallest int).
  static int NumberOfDigits(int number);

  // max(width, 0) - NumberOfDigits(number) copies of `padChar` (none if that
  // is negative), then `number` as "%d" writes it.
  static CString PadNumber(int number, int width, WCHAR padChar);

 private:
  CFormatNumber() = default;
};
