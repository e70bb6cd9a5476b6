#include <zelu/platform/crt16/crt16.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <zelu/platform/crt16/internal/length_kernel.h>
#include <zelu/testing/guarded_buffer.h>
#include <zelu/testing/kernel_list.h>
#include <zelu/testing/wide_text.h>

namespace {

namespace crt = zelu::crt16;
using W = zelu::testing::WideText;
using namespace std::string_view_literals;

std::string Printed(std::u16string_view text) { return testing::PrintToString(std::u16string(text)); }

TEST(Crt16Test, LengthAndCopyStopAtTheFirstZero) {
  WCHAR copy[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(crt::wcslen(W(u"ab\0c"sv)), 2u);
  EXPECT_EQ(crt::wcscpy(copy, W(u"ab\0c"sv)), copy);
  EXPECT_EQ(zelu::testing::ToU16(copy, 5), u"ab\0\x09\x09"sv) << "nothing after the terminator is copied";
}

// White space, an optional sign, decimal digits; saturates at the 32-bit ends.
TEST(Crt16Test, WtolAndWtoi) {
  const std::pair<std::u16string_view, LONG> rows[] = {
      {u"", 0}, {u"abc", 0}, {u"42", 42}, {u"  \t\n-17x", -17}, {u"+8", 8}, {u"- 8", 0}, {u"0.9", 0}, {u"12 34", 12},
      {u"2147483647", INT_MAX}, {u"-2147483648", INT_MIN}, {u"2147483648", INT_MAX}, {u"-2147483649", INT_MIN},
      {u"99999999999999999999999999", INT_MAX}, {u"\u3000" u"5", 5} /* ideographic space is white space */,
  };
  for (const auto& [text, expected] : rows) {
    EXPECT_EQ(std::pair(crt::_wtol(W(text)), crt::_wtoi(W(text))), std::pair(expected, expected)) << Printed(text);
  }
}

// Value and units consumed: digits with an optional '.', an exponent after
// 'e', 'E', 'd' or 'D' only when digits follow; no hexadecimal or infinity.
TEST(Crt16Test, WcstodGrammar) {
  const struct { std::u16string_view text; double value; std::size_t consumed; } rows[] = {
      {u"1.5kg", 1.5, 3}, {u"abc", 0.0, 0}, {u"  -0.25", -0.25, 7}, {u".5", 0.5, 2}, {u"5.", 5.0, 2}, {u".", 0.0, 0},
      {u"1e3", 1000.0, 3}, {u"1E-2x", 0.01, 4}, {u"2d2", 200.0, 3}, {u"1e", 1.0, 1}, {u"1e+", 1.0, 1},
      {u"inf", 0.0, 0}, {u"0x10", 0.0, 1}, {u"+3", 3.0, 2}, {u"1e999", HUGE_VAL, 5}, {u"-1e-999", 0.0, 7},
  };
  for (const auto& [text, value, consumed] : rows) {
    const W units(text);
    WCHAR* end = nullptr;
    EXPECT_DOUBLE_EQ(crt::wcstod(units, &end), value) << Printed(text);
    EXPECT_EQ(static_cast<std::size_t>(end - units.c_str()), consumed) << Printed(text);
  }
}

// Result (1, 0 or end of input) and value, which is written only with 1.
TEST(Crt16Test, ScanHex4) {
  const struct { std::u16string_view text; int result, value; } rows[] = {
      {u"000a", 1, 10}, {u"01AB", 1, 0x1AB}, {u"ffff", 1, 0xFFFF}, {u"12345", 1, 0x1234}, {u"  7zz", 1, 7},
      {u"zz00", 0, 0}, {u"", crt::kEndOfInput, 0}, {u"   ", crt::kEndOfInput, 0}, {u"-1ab", 1, -0x1AB},
      {u"+0ff", 1, 0xFF}, {u"0x1f", 1, 0x1F}, {u"0x", 1, 0}, {u"-", 0, 0}, {u"-x", 0, 0}, {u"\t\r\n12", 1, 0x12},
      {u"-1abc", 1, -0x1AB} /* the sign counts toward the four */, {u"0x1fff", 1, 0x1F} /* and so does "0x" */,
  };
  for (const auto& [text, result, expected] : rows) {
    int value = -12345;
    EXPECT_EQ(crt::ScanHex4(W(text), value), result) << Printed(text);
    EXPECT_EQ(value, result == 1 ? expected : -12345) << Printed(text);
  }
}

TEST(Crt16Test, Classification) {
  for (const WCHAR unit : u"q\u00e9\u0416"sv) EXPECT_TRUE(crt::iswalpha(unit)) << unit;
  for (const WCHAR unit : u"1\xD800"sv) EXPECT_FALSE(crt::iswalpha(unit)) << unit;
  EXPECT_TRUE(crt::iswdigit('7') && !crt::iswdigit(0x0661)) << "only ASCII digits";
  for (const WCHAR unit : u"\t\n\v\f\r \u3000"sv) EXPECT_TRUE(crt::iswspace(unit)) << unit;
  for (const WCHAR unit : u"\0_\u00a0\xD800"sv) EXPECT_FALSE(crt::iswspace(unit)) << unit;
  const std::pair<WCHAR, WCHAR> cases[] = {{'Q', 'q'}, {0xC9, 0xE9}, {0x391, 0x3B1}, {0xDC00, 0xDC00}};
  for (const auto& [upper, lower] : cases) {
    EXPECT_EQ(crt::towlower(upper), lower) << upper;
    EXPECT_EQ(crt::towupper(lower), upper) << lower;
  }
}

// Every length kernel this CPU runs, on texts that start on a 64-byte
// boundary; wcslen itself (which hands them such texts) from every start.
class LengthKernelTest : public ::testing::TestWithParam<const crt::internal::LengthKernel*> {};

// Nonzero units, some with a zero byte, which is not a terminator.
std::vector<WCHAR> NonzeroUnits(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  constexpr WCHAR kTricky[] = {0x0100, 0xFF00, 0x00FF, 0x8000, 0x0001};
  std::vector<WCHAR> units(count);
  for (auto& unit : units) unit = random() % 4 == 0 ? kTricky[random() % 5] : static_cast<WCHAR>(random() | 1u);
  return units;
}

TEST_P(LengthKernelTest, CountsTheUnitsBeforeTheTerminator) {
  for (std::size_t length = 0; length <= 1000; ++length) {
    zelu::testing::GuardedBuffer<WCHAR> text(length + 1, 0, 0xCAFE);
    const std::vector<WCHAR> units = NonzeroUnits(length, static_cast<unsigned>(length));
    std::copy(units.begin(), units.end(), text.data());
    text.data()[length] = 0;
    ASSERT_EQ(GetParam()->length(text.data()), length);
  }
}

// A terminator in the last unit of a page, the next page inaccessible: the
// blocks never reach into it.
TEST_P(LengthKernelTest, StopsAtAPageEnd) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(mprotect(static_cast<char*>(pages) + page, page, PROT_NONE), 0);
  auto* units = static_cast<WCHAR*>(pages);
  const std::size_t last = page / sizeof(WCHAR) - 1;
  std::fill(units, units + last, WCHAR{'x'});
  units[last] = 0;
  for (std::size_t start = 0; start <= last; start += 32) EXPECT_EQ(GetParam()->length(units + start), last - start);
  munmap(pages, 2 * page);
}

INSTANTIATE_TEST_SUITE_P(Kernels, LengthKernelTest, ::testing::ValuesIn(crt::internal::SupportedLengthKernels()),
                         zelu::testing::KernelName());

TEST(LengthKernelChoiceTest, ScalarFirstThenDistinctVectorKernelsOfWhichTheFirstIsActive) {
  zelu::testing::ExpectKernelList(crt::internal::SupportedLengthKernels(), crt::internal::ScalarLengthKernel(),
                                  crt::internal::ActiveLengthKernel());
}

TEST(Crt16Test, WcslenFromEveryAlignment) {
  const std::vector<WCHAR> units = NonzeroUnits(300, 7);
  for (std::size_t offset = 0; offset < 32; ++offset) {
    for (std::size_t length = 0; length <= units.size(); length += 7) {
      zelu::testing::GuardedBuffer<WCHAR> text(length + 1, offset, 0xCAFE);
      std::copy_n(units.begin(), length, text.data());
      text.data()[length] = 0;
      ASSERT_EQ(crt::wcslen(text.data()), length) << "offset " << offset;
    }
  }
}

}  // namespace
