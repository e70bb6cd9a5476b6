// CFormatNumber writes an integer padded in front to a width of digits. The
// width counts digits only: a minus sign is neither counted nor padded over,
// and a longer number is never cut.
#include <climits>
#include <cstdio>

#include <zelu/text/format_number.h>
#include <zelu/text/zel_string.h>

int main() {
  struct Row {
    int number;
    int width;
    WCHAR pad;
  };
  const Row rows[] = {{42, 5, '0'}, {42, 5, ' '}, {-5, 3, '0'}, {123456, 3, '0'}, {7, -1, '0'}, {INT_MIN, 12, '*'}};
  for (const Row& row : rows) {
    const CString padded = CFormatNumber::PadNumber(row.number, row.width, row.pad);
    std::printf("PadNumber(%11d, %2d, '%c')  [%s]\n", row.number, row.width, row.pad, CZelString(padded).AsUTF8());
  }
  std::printf("NumberOfDigits(0) %d, (-100) %d, (INT_MIN) %d\n", CFormatNumber::NumberOfDigits(0),
              CFormatNumber::NumberOfDigits(-100), CFormatNumber::NumberOfDigits(INT_MIN));
  return 0;
}
