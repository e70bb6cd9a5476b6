#include <zelu/delimited/generate.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/delimited/parse.h>
#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

constexpr unsigned char operator""_b(unsigned long long value) { return static_cast<unsigned char>(value); }

// A value of every type the generator takes; the pointer is a null string.
using Value = std::variant<bool, int, long, unsigned char, float, double, W, const WCHAR*>;

// Add(value), or SetAt(*index, value) when there is an index.
bool Store(CDelimitedGenerate& generate, const Value& value, std::optional<int> index = std::nullopt) {
  return std::visit([&](const auto& v) { return index ? generate.SetAt(*index, v) : generate.Add(v); }, value);
}

struct RenderCase {
  const char* name;
  std::vector<Value> values;                  // added in order
  std::vector<std::pair<int, Value>> set_at;  // then replaced in order (or refused: no change)
  std::u16string_view line;
  WCHAR delimiter = '^';
  bool quote = true;
};

// Just outside the 32-bit range where `long` has 64 bits; its ends where it
// has 32 (i386). Both give the same text.
constexpr long kLongAboveInt = LONG_MAX > INT_MAX ? static_cast<long>(4294967301LL) : LONG_MAX;
constexpr long kLongBelowInt = LONG_MIN < INT_MIN ? static_cast<long>(-4294967296LL) : LONG_MIN;

class RenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderTest, GeneratesTheLine) {
  const RenderCase& c = GetParam();
  CDelimitedGenerate generate(c.delimiter, c.quote);
  for (const Value& value : c.values) EXPECT_TRUE(Store(generate, value));
  for (const auto& [index, value] : c.set_at) {
    EXPECT_EQ(Store(generate, value, index), index >= 0 && index < static_cast<int>(c.values.size())) << index;
  }
  EXPECT_EQ(ToU16(generate.Generate()), c.line);
  EXPECT_EQ(ToU16(generate.Generate()), c.line) << "generating again gives the same line";
}

INSTANTIATE_TEST_SUITE_P(Table, RenderTest, testing::ValuesIn(std::vector<RenderCase>{
    {"NoValues", {}, {}, u""},
    {"IntTruthString", {5, true, W(u"ab")}, {}, u"5^TRUE^\"ab\""},
    {"IntegersAndBytes", {-12, 0, INT_MIN, INT_MAX, 200_b, 255_b}, {}, u"-12^0^-2147483648^2147483647^200^255"},
    {"SixDecimalsRounded", {1.5f, -0.25, 0.1f, 2.0 / 3, 0.0000004, -0.0}, {},
     u"1.500000^-0.250000^0.100000^0.666667^0.000000^-0.000000"},
    {"LargeReals", {1e20, FLT_MAX}, {}, u"100000000000000000000.000000^340282346638528859811704183484516925440.000000"},
    {"EmptyAndNullStrings", {W(u""), nullptr}, {}, u"\"\"^\"\""},
    {"NothingEscaped", {W(u"a^b"), W(u"say \"hi\" \u00e9\U0001F600 ")}, {},
     u"\"a^b\"^\"say \"hi\" \u00e9\U0001F600 \""},
    {"QuotingOff", {W(u"a^b"), W(u""), nullptr, 1}, {}, u"a^b^^^1", '^', false},
    {"QuotingOffTouchesNoOtherType", {true, 7, 0.5}, {}, u"TRUE,7,0.500000", ',', false},
    {"ZeroDelimiterEndsTheTextAfterTheFirstValue", {12, 3}, {}, u"12", 0},
    {"LongKeptInRangeClampedOutside", {5L, long{INT_MIN}, LONG_MAX, LONG_MIN, kLongAboveInt, kLongBelowInt}, {},
     u"5^-2147483648^2147483647^-2147483648^2147483647^-2147483648"},
    // Read back, "0" and "1" would pass for truth values: only here shows the word.
    {"SetAtBoolAndByteOverStrings", {W(u"a"), W(u"b")}, {{0, false}, {1, 9_b}}, u"FALSE^9"},
    {"SetAtOutsideTheListRefused", {W(u"a"), 2},
     {{-1, true}, {2, 1}, {3, 1L}, {INT_MAX, W(u"z")}, {INT_MIN, 1_b}, {2, 1.0f}, {-1, 1.0}, {2, nullptr}}, u"\"a\"^2"},
}), zelu::testing::CaseName());

TEST(GenerateTest, TextIsCopiedAndTheLineStaysUntilTheNextGenerate) {
  CDelimitedGenerate generate;
  W text(u"kept");
  EXPECT_TRUE(generate.Add(text) && generate.Add(1) && generate.SetAt(1, text));
  text.data()[0] = 'X';
  const WCHAR* first = generate.Generate();
  generate.Empty();
  EXPECT_TRUE(generate.Add(1) && generate.SetAt(0, 2));
  EXPECT_EQ(ToU16(first), u"\"kept\"^\"kept\"") << "Add, SetAt and Empty leave the line alone";
  EXPECT_EQ(ToU16(generate.Generate()), u"2");
}

// ---- Reading the line back -------------------------------------------------

// A value of a random type; a string of up to 11 units of `alphabet`.
Value RandomValue(std::mt19937& random, std::u16string_view alphabet) {
  std::uniform_real_distribution<double> real(-1e6, 1e6);
  std::u16string text(random() % 12, u' ');
  for (char16_t& unit : text) unit = alphabet[random() % alphabet.size()];
  const auto wide = static_cast<long>(static_cast<std::int64_t>(random()) * 4099 - (std::int64_t{1} << 40));
  const Value values[] = {random() % 2 == 0, static_cast<int>(random()), wide, static_cast<unsigned char>(random()),
                          static_cast<float>(real(random)), real(random), static_cast<const WCHAR*>(nullptr), W(text)};
  return values[random() % 8];
}

void ExpectReadBack(CDelimitedParse& parse, int index, const Value& value) {
  std::visit([&parse, index](const auto& v) {
    using T = std::decay_t<decltype(v)>;
    if constexpr (std::is_same_v<T, W> || std::is_same_v<T, const WCHAR*>) {
      const WCHAR* text = v;
      CString field;
      EXPECT_TRUE(parse.GetAt(index, field));
      EXPECT_EQ(field.ToU16String(), u"\"" + (text != nullptr ? ToU16(text) : u"") + u"\"");
    } else {
      T back{};
      EXPECT_TRUE(parse.GetAt(index, back));
      const double want = std::is_same_v<T, long> ? std::clamp(double(v), double{INT_MIN}, double{INT_MAX}) : double(v);
      // Six decimals, rounded; a float also loses what single precision cannot hold.
      const double epsilon = double(std::numeric_limits<T>::epsilon());
      EXPECT_NEAR(double(back), want, std::is_floating_point_v<T> ? 5e-7 + std::fabs(want) * epsilon : 0.0);
    }
  }, value);
}

class RoundTripTest : public testing::TestWithParam<WCHAR> {};

// Random runs of Add, SetAt (inside and outside the list) and Empty, with
// values of every type whose strings hold neither the delimiter nor a quote
// (white space included): the parser reads back every value, and no value
// at all reads back as one empty field. The sanitizer build checks that
// every stored value is released exactly once (by SetAt, Empty or the
// destructor).
TEST_P(RoundTripTest, ParserReadsBackWhatGenerateWrote) {
  const WCHAR delimiter = GetParam();
  std::u16string alphabet = u"abc XYZ 019\t\u00e9\u4e2d^,;";
  std::erase(alphabet, static_cast<char16_t>(delimiter));
  std::mt19937 random(delimiter);
  for (int round = 0; round < 300; ++round) {
    CDelimitedGenerate generate(delimiter);
    std::vector<Value> values;
    for (auto steps = random() % 24; steps > 0; --steps) {
      const auto action = random() % 10;
      const Value value = RandomValue(random, alphabet);
      const std::size_t index = random() % (values.size() + 1);
      if (action < 6) {
        EXPECT_TRUE(Store(generate, value));
        values.push_back(value);
      } else if (action < 9) {
        EXPECT_EQ(Store(generate, value, static_cast<int>(index)), index < values.size());
        if (index < values.size()) values[index] = value;
      } else {
        generate.Empty();
        values.clear();
      }
    }
    CDelimitedParse parse(generate.Generate(), delimiter);
    ASSERT_EQ(parse.GetFieldCount(), std::max(1, static_cast<int>(values.size())));
    for (std::size_t i = 0; i < values.size(); ++i) ExpectReadBack(parse, static_cast<int>(i), values[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Delimiters, RoundTripTest, testing::Values(WCHAR{'^'}, WCHAR{','}, WCHAR{0x00a7}));

}  // namespace
