#include <zelu/text/format_number.h>

#include <algorithm>

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
  CString padded(padChar, std::max(width - NumberOfDigits(number), 0));
  padded += formatted;
  return padded;
}
