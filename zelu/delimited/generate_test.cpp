#include <zelu/delimited/generate.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/delimited/parse.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

// ---- Rendering -------------------------------------------------------------

struct RenderCase {
  const char* name;
  std::function<void(CDelimitedGenerate&)> add;
  std::u16string_view line;
  WCHAR delimiter = '^';
  bool quote = true;
};

class RenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderTest, GeneratesTheLine) {
  const RenderCase& c = GetParam();
  CDelimitedGenerate generate(c.delimiter, c.quote);
  c.add(generate);
  EXPECT_EQ(ToU16(generate.Generate()), c.line);
  EXPECT_EQ(ToU16(generate.Generate()), c.line) << "generating again gives the same line";
}

const RenderCase kRenderCases[] = {
    {"NoValues", [](CDelimitedGenerate&) {}, u""},
    {"IntTruthString", [](CDelimitedGenerate& g) { g.Add(5), g.Add(true), g.Add(W(u"ab")); }, u"5^TRUE^\"ab\""},
    {"False", [](CDelimitedGenerate& g) { g.Add(false); }, u"FALSE"},
    {"Integers", [](CDelimitedGenerate& g) { g.Add(-12), g.Add(0), g.Add(INT_MIN), g.Add(INT_MAX); },
     u"-12^0^-2147483648^2147483647"},
    {"Bytes", [](CDelimitedGenerate& g) { g.Add(static_cast<unsigned char>(200)), g.Add(static_cast<unsigned char>(0)); },
     u"200^0"},
    {"DoubleAndFloat", [](CDelimitedGenerate& g) { g.Add(1.5), g.Add(1.5f), g.Add(-0.25); },
     u"1.500000^1.500000^-0.250000"},
    {"SixDecimalsRounded", [](CDelimitedGenerate& g) { g.Add(0.1f), g.Add(2.0 / 3), g.Add(0.0000004), g.Add(-0.0); },
     u"0.100000^0.666667^0.000000^-0.000000"},
    {"LargeReals", [](CDelimitedGenerate& g) { g.Add(1e20), g.Add(FLT_MAX); },
     u"100000000000000000000.000000^340282346638528859811704183484516925440.000000"},
    {"EmptyAndNullStrings", [](CDelimitedGenerate& g) { g.Add(W(u"")), g.Add(static_cast<const WCHAR*>(nullptr)); },
     u"\"\"^\"\""},
    {"NothingEscaped", [](CDelimitedGenerate& g) { g.Add(W(u"a^b")), g.Add(W(u"say \"hi\"")); },
     u"\"a^b\"^\"say \"hi\"\""},
    {"NonAsciiText", [](CDelimitedGenerate& g) { g.Add(W(u" \u00e9\U0001F600 ")); }, u"\" \u00e9\U0001F600 \""},
    {"QuotingOff", [](CDelimitedGenerate& g) { g.Add(W(u"a^b")), g.Add(1); }, u"a^b^1", '^', false},
    {"QuotingOffEmptyAndNull",
     [](CDelimitedGenerate& g) { g.Add(W(u"")), g.Add(static_cast<const WCHAR*>(nullptr)), g.Add(W(u"x")); },
     u"^^x", '^', false},
    {"QuotingOffTouchesNoOtherType", [](CDelimitedGenerate& g) { g.Add(true), g.Add(7), g.Add(0.5); },
     u"TRUE,7,0.500000", ',', false},
    {"TabDelimiter", [](CDelimitedGenerate& g) { g.Add(1), g.Add(2); }, u"1\t2", '\t'},
    {"LongInRange", [](CDelimitedGenerate& g) { g.Add(5L), g.Add(-2147483648L); }, u"5^-2147483648"},
    {"LongClampedNotCut",
     [](CDelimitedGenerate& g) { g.Add(LONG_MAX), g.Add(LONG_MIN), g.Add(4294967301L), g.Add(-4294967296L); },
     u"2147483647^-2147483648^2147483647^-2147483648"},
};

INSTANTIATE_TEST_SUITE_P(Table, RenderTest, testing::ValuesIn(kRenderCases),
                         [](const testing::TestParamInfo<RenderCase>& row) { return row.param.name; });

TEST(GenerateTest, ZeroDelimiterEndsTheTextAfterTheFirstValue) {
  CDelimitedGenerate generate(0);
  generate.Add(12);
  generate.Add(3);
  EXPECT_EQ(ToU16(generate.Generate()), u"12");
}

// ---- Replacing values --------------------------------------------------------

TEST(GenerateTest, SetAtReplacesWithAnyType) {
  CDelimitedGenerate generate;
  EXPECT_TRUE(generate.Add(1));
  EXPECT_TRUE(generate.Add(2));
  EXPECT_TRUE(generate.SetAt(0, W(u"x")));
  EXPECT_EQ(ToU16(generate.Generate()), u"\"x\"^2");
  EXPECT_TRUE(generate.SetAt(0, false));
  EXPECT_TRUE(generate.SetAt(1, static_cast<unsigned char>(9)));
  EXPECT_EQ(ToU16(generate.Generate()), u"FALSE^9");
  EXPECT_TRUE(generate.SetAt(0, 2.25f));
  EXPECT_TRUE(generate.SetAt(1, -7L));
  EXPECT_EQ(ToU16(generate.Generate()), u"2.250000^-7");
  EXPECT_TRUE(generate.SetAt(0, -3));
  EXPECT_TRUE(generate.SetAt(1, 0.125));
  EXPECT_EQ(ToU16(generate.Generate()), u"-3^0.125000");
  EXPECT_TRUE(generate.SetAt(1, static_cast<const WCHAR*>(nullptr)));
  EXPECT_TRUE(generate.SetAt(0, 8589934592L));
  EXPECT_EQ(ToU16(generate.Generate()), u"2147483647^\"\"");
}

TEST(GenerateTest, SetAtOutsideTheListChangesNothing) {
  CDelimitedGenerate generate;
  EXPECT_FALSE(generate.SetAt(0, 1)) << "an empty list has no position 0";
  generate.Add(W(u"a"));
  generate.Add(2);
  for (const int index : {-1, 2, 3, INT_MAX, INT_MIN}) {
    EXPECT_FALSE(generate.SetAt(index, true));
    EXPECT_FALSE(generate.SetAt(index, 1));
    EXPECT_FALSE(generate.SetAt(index, 1L));
    EXPECT_FALSE(generate.SetAt(index, W(u"z")));
    EXPECT_FALSE(generate.SetAt(index, static_cast<unsigned char>(1)));
    EXPECT_FALSE(generate.SetAt(index, 1.0f));
    EXPECT_FALSE(generate.SetAt(index, 1.0));
  }
  EXPECT_EQ(ToU16(generate.Generate()), u"\"a\"^2");
}

TEST(GenerateTest, LineStaysUntilTheNextGenerate) {
  CDelimitedGenerate generate;
  generate.Add(W(u"kept"));
  const WCHAR* first = generate.Generate();
  generate.Empty();
  generate.Add(1);
  generate.SetAt(0, 2);
  EXPECT_EQ(ToU16(first), u"\"kept\"") << "Add, SetAt and Empty leave the line alone";
  EXPECT_EQ(ToU16(generate.Generate()), u"2");
  generate.Empty();
  EXPECT_EQ(ToU16(generate.Generate()), u"");
}

TEST(GenerateTest, TextIsCopiedWhenAdded) {
  CDelimitedGenerate generate;
  W text(u"abc");
  generate.Add(text.c_str());
  generate.SetAt(0, text.c_str());
  text.data()[0] = 'X';
  EXPECT_EQ(ToU16(generate.Generate()), u"\"abc\"");
}

// ---- Ownership -------------------------------------------------------------
// Every stored value (and its string) is released once: a random run of
// Add, SetAt and Empty is compared with a plain model of the line, and the
// sanitizer build checks that nothing leaks or is released twice.

TEST(GenerateTest, RandomAddSetAtEmptyMatchesAModel) {
  std::mt19937 random(20240611);
  CDelimitedGenerate generate;
  std::vector<std::u16string> model;
  for (int step = 0; step < 3000; ++step) {
    const int action = static_cast<int>(random() % 10);
    const int value = static_cast<int>(random() % 1000);
    const std::u16string text = u"s" + std::u16string(static_cast<std::size_t>(value % 7), u'x');
    if (action < 5) {
      if (value % 2 == 0) {
        generate.Add(W(text));
        model.push_back(u"\"" + text + u"\"");
      } else {
        generate.Add(value);
        const std::string digits = std::to_string(value);
        model.emplace_back(digits.begin(), digits.end());
      }
    } else if (action < 9) {
      const int index = model.empty() ? 0 : static_cast<int>(random() % (model.size() + 1));
      const bool inside = index < static_cast<int>(model.size());
      EXPECT_EQ(generate.SetAt(index, W(text)), inside);
      if (inside) model[static_cast<std::size_t>(index)] = u"\"" + text + u"\"";
    } else {
      generate.Empty();
      model.clear();
    }
    if (step % 97 == 0) {
      std::u16string expected;
      for (std::size_t i = 0; i < model.size(); ++i) expected += (i > 0 ? u"^" : u"") + model[i];
      ASSERT_EQ(ToU16(generate.Generate()), expected) << "step " << step;
    }
  }
}

// ---- Reading the line back -------------------------------------------------

using Value = std::variant<bool, int, long, unsigned char, float, double, std::u16string>;

Value RandomValue(std::mt19937& random, std::u16string_view alphabet) {
  std::uniform_real_distribution<double> real(-1e6, 1e6);
  switch (random() % 7) {
    case 0: return random() % 2 == 0;
    case 1: return static_cast<int>(random());
    case 2: return static_cast<long>(static_cast<std::int64_t>(random()) * 4099 - (std::int64_t{1} << 40));
    case 3: return static_cast<unsigned char>(random());
    case 4: return static_cast<float>(real(random));
    case 5: return real(random);
    default: {
      std::u16string text;
      for (std::size_t n = random() % 12; n > 0; --n) text += alphabet[random() % alphabet.size()];
      return text;
    }
  }
}

void AddValue(CDelimitedGenerate& generate, const Value& value) {
  std::visit(
      [&generate](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::u16string>) {
          generate.Add(W(v).c_str());
        } else {
          generate.Add(v);
        }
      },
      value);
}

void ExpectReadBack(CDelimitedParse& parse, int index, const Value& value) {
  std::visit(
      [&parse, index](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::u16string>) {
          CString field;
          ASSERT_TRUE(parse.GetAt(index, field));
          EXPECT_EQ(field.ToU16String(), u"\"" + v + u"\"");
        } else {
          T back{};
          ASSERT_TRUE(parse.GetAt(index, back));
          if constexpr (std::is_same_v<T, long>) {
            EXPECT_EQ(back, std::clamp<long>(v, INT_MIN, INT_MAX));
          } else if constexpr (std::is_floating_point_v<T>) {
            // Six decimals, rounded; a float also loses what single precision cannot hold.
            const double tolerance = 5e-7 + std::fabs(static_cast<double>(v)) * static_cast<double>(std::numeric_limits<T>::epsilon());
            EXPECT_NEAR(static_cast<double>(back), static_cast<double>(v), tolerance);
          } else {
            EXPECT_EQ(back, v);
          }
        }
      },
      value);
}

class RoundTripTest : public testing::TestWithParam<WCHAR> {};

TEST_P(RoundTripTest, ParserReadsBackWhatGenerateWrote) {
  const WCHAR delimiter = GetParam();
  // Anything but the delimiter and the double quote, white space included.
  std::u16string alphabet = u"abc XYZ 019\t\u00e9\u4e2d^,;";
  std::erase(alphabet, static_cast<char16_t>(delimiter));
  std::mt19937 random(delimiter);
  for (int round = 0; round < 300; ++round) {
    std::vector<Value> values(1 + random() % 12);
    for (Value& value : values) value = RandomValue(random, alphabet);
    CDelimitedGenerate generate(delimiter);
    for (const Value& value : values) AddValue(generate, value);
    CDelimitedParse parse(generate.Generate(), delimiter);
    ASSERT_EQ(parse.GetFieldCount(), static_cast<int>(values.size())) << ToU16(generate.Generate()).size();
    for (std::size_t i = 0; i < values.size(); ++i) ExpectReadBack(parse, static_cast<int>(i), values[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Delimiters, RoundTripTest, testing::Values(WCHAR{'^'}, WCHAR{','}, WCHAR{0x00a7}));

TEST(GenerateTest, EmptyListReadsBackAsOneEmptyField) {
  CDelimitedGenerate generate;
  CDelimitedParse parse(generate.Generate());
  EXPECT_EQ(parse.GetFieldCount(), 1);
}

}  // namespace
