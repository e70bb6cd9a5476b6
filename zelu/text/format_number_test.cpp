#include <zelu/text/format_number.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

namespace {

// No object can be made or copied; assignment returns the object itself.
static_assert(!std::is_default_constructible_v<CFormatNumber> && !std::is_copy_constructible_v<CFormatNumber>);
static_assert(std::is_same_v<decltype(std::declval<CFormatNumber&>() = std::declval<const CFormatNumber&>()),
                             CFormatNumber&>);

TEST(CFormatNumberTest, NumberOfDigitsCountsTheMagnitude) {
  const std::pair<int, int> rows[] = {{0, 1},         {-1, 1},         {9, 1},        {10, 2},
                                      {-10, 2},       {99, 2},         {100, 3},      {-999, 3},
                                      {999999999, 9}, {1000000000, 10}, {INT_MAX, 10}, {INT_MIN, 10}};
  for (const auto& [number, digits] : rows) EXPECT_EQ(CFormatNumber::NumberOfDigits(number), digits) << number;
}

// Width counts digits only: the sign is neither counted nor padded over.
TEST(CFormatNumberTest, PadNumberPadsDigitsOnly) {
  struct Row { int number; int width; WCHAR pad; std::u16string expected; };
  const Row rows[] = {
      {5, 3, '0', u"005"},
      {42, 5, ' ', u"   42"},
      {0, 2, '0', u"00"},
      {0, 0, '0', u"0"},
      {1234, 2, '0', u"1234"},
      {7, -4, '0', u"7"},
      {7, INT_MIN, '0', u"7"},
      {-5, 3, '0', u"00-5"},
      {INT_MIN, 12, '0', u"00-2147483648"},
      {INT_MIN, 3, '0', u"-2147483648"},
      {1, 3, 0, std::u16string(u"\0\0" u"1", 3)},  // zero pad units are kept inside the string
  };
  for (const Row& row : rows)
    EXPECT_EQ(CFormatNumber::PadNumber(row.number, row.width, row.pad).ToU16String(), row.expected) << &row - rows;
}

// A width past what a text holds fails before any padding is written; the
// widest text that fits (one unit short of 2^31 - 1) is not refused early.
TEST(CFormatNumberTest, WidthPastTheTextLimitThrows) {
  EXPECT_THROW(CFormatNumber::PadNumber(5, INT_MAX, '0'), std::length_error);
  EXPECT_THROW(CFormatNumber::PadNumber(-5, INT_MAX - 1, '0'), std::length_error);
}

}  // namespace
