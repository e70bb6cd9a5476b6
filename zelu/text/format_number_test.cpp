#include <zelu/text/format_number.h>

#include <climits>
#include <string>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

namespace {

// No object can be made or copied; assignment exists, returns the object
// itself and there is nothing in it to copy.
static_assert(!std::is_default_constructible_v<CFormatNumber>);
static_assert(!std::is_copy_constructible_v<CFormatNumber>);
static_assert(std::is_copy_assignable_v<CFormatNumber>);
static_assert(std::is_same_v<decltype(std::declval<CFormatNumber&>() = std::declval<const CFormatNumber&>()),
                             CFormatNumber&>);
static_assert(std::is_empty_v<CFormatNumber>);
static_assert(!std::is_polymorphic_v<CFormatNumber>);

TEST(CFormatNumberTest, NumberOfDigitsCountsTheMagnitude) {
  const std::pair<int, int> rows[] = {
      {0, 1},          {1, 1},           {-1, 1},         {9, 1},          {10, 2},        {-10, 2},
      {99, 2},         {100, 3},         {-999, 3},       {1000, 4},       {123456789, 9}, {999999999, 9},
      {1000000000, 10}, {INT_MAX, 10},   {-INT_MAX, 10},  {INT_MIN, 10},
  };
  for (const auto& [number, digits] : rows) EXPECT_EQ(CFormatNumber::NumberOfDigits(number), digits) << number;
}

struct PadCase {
  int number;
  int width;
  WCHAR pad;
  std::u16string expected;
};

TEST(CFormatNumberTest, PadNumberPadsDigitsOnly) {
  const PadCase rows[] = {
      {5, 3, '0', u"005"},
      {42, 5, ' ', u"   42"},
      {0, 2, '0', u"00"},
      {0, 0, '0', u"0"},
      {1234, 2, '0', u"1234"},
      {1234, 4, '0', u"1234"},
      {7, -4, '0', u"7"},
      {7, INT_MIN, '0', u"7"},
      {-5, 3, '0', u"00-5"},
      {-5, 1, '0', u"-5"},
      {-5, 0, '*', u"-5"},
      {INT_MIN, 12, '0', u"00-2147483648"},
      {INT_MIN, 3, '0', u"-2147483648"},
      {INT_MAX, 11, '#', u"#2147483647"},
      {3, 4, 0x20AC, u"\u20ac\u20ac\u20ac3"},
  };
  for (const PadCase& row : rows) {
    EXPECT_EQ(CFormatNumber::PadNumber(row.number, row.width, row.pad).ToU16String(), row.expected)
        << row.number << " width " << row.width;
  }
}

TEST(CFormatNumberTest, ZeroPadCharacterIsKeptInsideTheString) {
  const CString padded = CFormatNumber::PadNumber(1, 3, 0);
  EXPECT_EQ(padded.GetLength(), 3);
  EXPECT_EQ(padded.ToU16String(), std::u16string(u"\0\0" u"1", 3));
}

}  // namespace
