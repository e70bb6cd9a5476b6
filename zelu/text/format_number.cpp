#include <zelu/text/format_number.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

int CFormatNumber::NumberOfDigits(int number) {
  // Division truncates toward zero, so negative numbers (the smallest one
  // included) shrink to 0 without ever being negated.
  int digits = 1;
  while ((number /= 10) != 0) ++digits;
  return digits;
}

CString CFormatNumber::PadNumber(int number, int width, WCHAR padChar) {
  width = std::max(width, 0);
  CString formatted;
  formatted.Format(u"%d", number);
  const int pad = std::max(width - NumberOfDigits(number), 0);
  // Refused before the padding is written, not after gigabytes of it.
  if (pad > INT_MAX - 1 - formatted.GetLength()) throw std::length_error("CFormatNumber: padded number too long");
  CString padded(padChar, pad);
  padded += formatted;
  return padded;
}
