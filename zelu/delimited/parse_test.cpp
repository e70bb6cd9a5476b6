#include <zelu/delimited/parse.h>

#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

std::vector<std::u16string> AllFields(CDelimitedParse& parse) {
  std::vector<std::u16string> fields;
  CString field;
  for (int i = 0; i < parse.GetFieldCount(); ++i) {
    EXPECT_TRUE(parse.GetAt(i, field));
    fields.push_back(field.ToU16String());
  }
  return fields;
}

// ---- Splitting -------------------------------------------------------------

struct SplitCase {
  const char* name;
  std::u16string_view line;
  WCHAR delimiter;
  std::vector<std::u16string> fields;
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, FieldsAreExact) {
  const SplitCase& c = GetParam();
  CDelimitedParse parse(nullptr, c.delimiter);
  EXPECT_TRUE(parse.ParseLine(W(c.line)));
  EXPECT_EQ(parse.GetFieldCount(), static_cast<int>(c.fields.size()));
  EXPECT_EQ(AllFields(parse), c.fields);
}

TEST_P(SplitTest, ConstructorSplitsTheSameWay) {
  const SplitCase& c = GetParam();
  CDelimitedParse parse(W(c.line), c.delimiter);
  EXPECT_EQ(AllFields(parse), c.fields);
}

const SplitCase kSplitCases[] = {
    {"Empty", u"", '^', {u""}},
    {"OnlyDelimiter", u"^", '^', {u"", u""}},
    {"LeadingDelimiter", u"^a", '^', {u"", u"a"}},
    {"TrailingDelimiter", u"a^b^", '^', {u"a", u"b", u""}},
    {"ConsecutiveDelimiters", u"a^^^b", '^', {u"a", u"", u"", u"b"}},
    {"EarlyFieldsKeepWhiteSpace", u" a ^\t b\t^ c ", '^', {u" a ", u"\t b\t", u"c"}},
    {"LastFieldLosesLineEnd", u" a ^ b \r\n", '^', {u" a ", u"b"}},
    {"OnlySpaces", u"   ", '^', {u""}},
    {"WhiteSpaceOnlyFieldsBeforeTheLast", u"  ^ \t ", '^', {u"  ", u""}},
    {"UnicodeSpaceTrimmedFromLast", u"a^\u3000b\u2003", '^', {u"a", u"b"}},
    {"NoBreakSpaceIsNotWhiteSpace", u"a^\u00a0b\u00a0", '^', {u"a", u"\u00a0b\u00a0"}},
    {"QuotedDelimiter", u"\"x^y\"^z", '^', {u"\"x^y\"", u"z"}},
    {"UnmatchedQuoteRunsToTheEnd", u"\"x^y", '^', {u"\"x^y"}},
    {"UnmatchedQuoteInLaterField", u"a^b\"c^d ", '^', {u"a", u"b\"c^d"}},
    {"QuoteFlipsMidField", u"a\"b^c\"d^e", '^', {u"a\"b^c\"d", u"e"}},
    {"DoubledQuoteFlipsTwice", u"\"p\"\"q\"^r", '^', {u"\"p\"\"q\"", u"r"}},
    {"EmptyQuotes", u"\"\"^\"\"", '^', {u"\"\"", u"\"\""}},
    {"QuotedLastFieldTrimmedOutside", u"a^ \" b \" \n", '^', {u"a", u"\" b \""}},
    {"QuoteAsDelimiter", u"a\"b\"\"c", '"', {u"a", u"b", u"", u"c"}},
    {"QuoteAsDelimiterNeverQuotes", u"\"x^y\"", '"', {u"", u"x^y", u""}},
    {"ZeroDelimiterGivesOneTrimmedField", u" a^b\"c,d \r\n", 0, {u"a^b\"c,d"}},
    {"TabDelimiter", u"a \tb\t", '\t', {u"a ", u"b", u""}},
    {"CommaDelimiterLeavesCarets", u"a,b^c", ',', {u"a", u"b^c"}},
    {"NonAsciiDelimiter", u"x\u00a7y\u00a7", 0x00a7, {u"x", u"y", u""}},
    {"DelimiterBelowTheQuote", u"a!\"b!c\"!\x01!", '!', {u"a", u"\"b!c\"", u"\x01", u""}},
    {"ControlUnitsAreOrdinary", u"\x01\x1f^\x7f ^", '^', {u"\x01\x1f", u"\x7f ", u""}},
    {"SurrogatesAreOrdinaryUnits", u"\U0001F600^\U0001F600", '^', {u"\U0001F600", u"\U0001F600"}},
};

INSTANTIATE_TEST_SUITE_P(Table, SplitTest, testing::ValuesIn(kSplitCases),
                         [](const testing::TestParamInfo<SplitCase>& row) { return row.param.name; });

TEST(ParseTest, ANewLineReplacesEveryField) {
  CDelimitedParse parse(W(u"alpha^beta^gamma^delta"));
  CString kept;
  ASSERT_TRUE(parse.GetAt(3, kept));
  EXPECT_TRUE(parse.ParseLine(W(u"x^")));
  EXPECT_EQ(AllFields(parse), (std::vector<std::u16string>{u"x", u""}));
  CString untouched(u"keep");
  EXPECT_FALSE(parse.GetAt(2, untouched)) << "fields of the earlier, longer line are gone";
  EXPECT_EQ(untouched, CString(u"keep"));
  EXPECT_EQ(kept, CString(u"delta")) << "a string handed out is the caller's own copy";
  EXPECT_TRUE(parse.ParseLine(W(u"1^22^333^4444^55555^ 6 ")));
  EXPECT_EQ(AllFields(parse), (std::vector<std::u16string>{u"1", u"22", u"333", u"4444", u"55555", u"6"}));
}

TEST(ParseTest, NoLineMeansNoFields) {
  CDelimitedParse parse;
  EXPECT_EQ(parse.GetFieldCount(), 0);
  int value = 7;
  EXPECT_FALSE(parse.GetAt(0, value));
  EXPECT_FALSE(parse.GetNext(value));
  EXPECT_EQ(value, 7);
  CDelimitedParse null_line(nullptr, ',');
  EXPECT_EQ(null_line.GetFieldCount(), 0);
  EXPECT_TRUE(null_line.ParseLine(W(u"a,b")));
  EXPECT_EQ(null_line.GetFieldCount(), 2) << "the delimiter given with a null line is kept";
}

// ---- The cursor ------------------------------------------------------------

TEST(ParseTest, GetNextWalksTheFieldsOnceThenStops) {
  CDelimitedParse parse(W(u"5^TRUE^\"ab\"^1.5"));
  int number = 0;
  bool truth = false;
  CString text;
  double real = 0;
  EXPECT_TRUE(parse.GetAt(3, real)) << "GetAt does not move the cursor";
  EXPECT_TRUE(parse.GetNext(number));
  EXPECT_TRUE(parse.GetNext(truth));
  EXPECT_TRUE(parse.GetNext(text));
  EXPECT_TRUE(parse.GetNext(real));
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(truth);
  EXPECT_EQ(text, CString(u"\"ab\""));
  EXPECT_EQ(real, 1.5);
  CString after(u"after");
  EXPECT_FALSE(parse.GetNext(after));
  EXPECT_FALSE(parse.GetNext(after)) << "the cursor stays at the end";
  EXPECT_EQ(after, CString(u"after"));
  EXPECT_TRUE(parse.GetAt(0, number));
  EXPECT_TRUE(parse.ParseLine(W(u"9")));
  EXPECT_TRUE(parse.GetNext(number)) << "a new line starts again at field 0";
  EXPECT_EQ(number, 9);
  EXPECT_FALSE(parse.GetNext(number));
}

TEST(ParseTest, EveryAccessorRefusesIndexesOutsideTheFields) {
  CDelimitedParse parse(W(u"1^2"));
  for (const int index : {-1, 2, INT_MIN, INT_MAX}) {
    bool b = true;
    int i = 3;
    long l = 4;
    unsigned char u = 5;
    float f = 6;
    double d = 7;
    CString s(u"s");
    std::array<unsigned short, 4> buffer = {8, 8, 8, 8};
    EXPECT_FALSE(parse.GetAt(index, b));
    EXPECT_FALSE(parse.GetAt(index, i));
    EXPECT_FALSE(parse.GetAt(index, l));
    EXPECT_FALSE(parse.GetAt(index, u));
    EXPECT_FALSE(parse.GetAt(index, f));
    EXPECT_FALSE(parse.GetAt(index, d));
    EXPECT_FALSE(parse.GetAt(index, s));
    EXPECT_FALSE(parse.GetAt(index, buffer.data(), 4));
    EXPECT_TRUE(b && i == 3 && l == 4 && u == 5 && f == 6 && d == 7 && s == CString(u"s") && buffer[0] == 8);
  }
}

TEST(ParseTest, EveryGetNextOverloadAdvances) {
  CDelimitedParse parse(W(u"true^-3^-4^300^0.5^0.25^txt^abcdef"));
  bool b = false;
  int i = 0;
  long l = 0;
  unsigned char u = 0;
  float f = 0;
  double d = 0;
  CString s;
  std::array<unsigned short, 4> buffer = {};
  ASSERT_TRUE(parse.GetNext(b) && parse.GetNext(i) && parse.GetNext(l) && parse.GetNext(u) && parse.GetNext(f) &&
              parse.GetNext(d) && parse.GetNext(s) && parse.GetNext(buffer.data(), 4));
  EXPECT_TRUE(b);
  EXPECT_EQ(i, -3);
  EXPECT_EQ(l, -4L);
  EXPECT_EQ(u, 44);
  EXPECT_EQ(f, 0.5f);
  EXPECT_EQ(d, 0.25);
  EXPECT_EQ(s, CString(u"txt"));
  EXPECT_EQ(ToU16(buffer.data()), u"ab");
  EXPECT_FALSE(parse.GetNext(buffer.data(), 4));
}

// ---- Conversions -----------------------------------------------------------
// Each text is read as the first field of "text^end", so it is not trimmed.

template <typename T>
struct ConversionCase {
  std::u16string_view field;
  T expected;
};

template <typename T>
T ReadFirstField(std::u16string_view field) {
  CDelimitedParse parse;
  parse.ParseLine(W(std::u16string(field) + u"^end"));
  EXPECT_EQ(parse.GetFieldCount(), 2) << "the case text must not split";
  T value{};
  EXPECT_TRUE(parse.GetAt(0, value));
  return value;
}

template <typename T>
class ConversionTest : public testing::TestWithParam<ConversionCase<T>> {
 protected:
  void ExpectConversion() {
    EXPECT_EQ(ReadFirstField<T>(this->GetParam().field), this->GetParam().expected);
  }
};

using BoolCase = ConversionCase<bool>;
class BoolConversionTest : public ConversionTest<bool> {};
TEST_P(BoolConversionTest, TruthWordsThenTheInteger) { ExpectConversion(); }

INSTANTIATE_TEST_SUITE_P(Table, BoolConversionTest, testing::Values(
    BoolCase{u"TRUE", true}, BoolCase{u"true", true}, BoolCase{u"True", true}, BoolCase{u"tRuE", true},
    BoolCase{u"FALSE", false}, BoolCase{u"false", false}, BoolCase{u"FaLsE", false},
    BoolCase{u"7", true}, BoolCase{u"2", true}, BoolCase{u"-1", true}, BoolCase{u" +3", true},
    BoolCase{u"0", false}, BoolCase{u"-0", false}, BoolCase{u"0.9", false}, BoolCase{u"yes", false},
    BoolCase{u"no", false}, BoolCase{u"", false}, BoolCase{u" TRUE", false}, BoolCase{u"TRUE ", false},
    BoolCase{u"TRUTH", false}, BoolCase{u"\"TRUE\"", false},
    // Saturation, not wrapping: 2^32 would wrap to 0 and read as false.
    BoolCase{u"4294967296", true}, BoolCase{u"-99999999999999999999", true}));

TEST(ParseTest, LastFieldIsTrimmedBeforeTheTruthTest) {
  CDelimitedParse parse(W(u" TRUE^ TRUE \r\n"));
  bool first = true;
  bool last = false;
  EXPECT_TRUE(parse.GetAt(0, first));
  EXPECT_TRUE(parse.GetAt(1, last));
  EXPECT_FALSE(first);
  EXPECT_TRUE(last);
}

using IntCase = ConversionCase<int>;
class IntConversionTest : public ConversionTest<int> {};

TEST_P(IntConversionTest, IntAndLongReadTheSame32BitValue) {
  ExpectConversion();
  EXPECT_EQ(ReadFirstField<long>(GetParam().field), static_cast<long>(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Table, IntConversionTest, testing::Values(
    IntCase{u"42", 42}, IntCase{u"-17", -17}, IntCase{u"+8", 8}, IntCase{u" \t\v12", 12},
    IntCase{u"12abc", 12}, IntCase{u"1 2", 1}, IntCase{u"abc", 0}, IntCase{u"", 0}, IntCase{u"- 8", 0},
    IntCase{u"+-8", 0}, IntCase{u"0.9", 0}, IntCase{u"0x1F", 0}, IntCase{u"007", 7},
    IntCase{u"\u3000" u"9", 9} /* ideographic space leads */, IntCase{u"\u0661", 0} /* only ASCII digits */,
    IntCase{u"2147483647", INT_MAX}, IntCase{u"2147483648", INT_MAX}, IntCase{u"4294967296", INT_MAX},
    IntCase{u"-2147483648", INT_MIN}, IntCase{u"-2147483649", INT_MIN},
    IntCase{u"99999999999999999999999", INT_MAX}, IntCase{u"-99999999999999999999999", INT_MIN}));

using ByteCase = ConversionCase<unsigned char>;
class ByteConversionTest : public ConversionTest<unsigned char> {};
TEST_P(ByteConversionTest, LowEightBitsOfTheInteger) { ExpectConversion(); }

INSTANTIATE_TEST_SUITE_P(Table, ByteConversionTest, testing::Values(
    ByteCase{u"200", 200}, ByteCase{u"255", 255}, ByteCase{u"256", 0}, ByteCase{u"300", 44},
    ByteCase{u"-1", 255}, ByteCase{u"-256", 0}, ByteCase{u" 65x", 65}, ByteCase{u"abc", 0},
    ByteCase{u"99999999999", 255} /* saturates at 0x7FFFFFFF */,
    ByteCase{u"-99999999999", 0} /* saturates at 0x80000000 */));

using DoubleCase = ConversionCase<double>;
class DoubleConversionTest : public ConversionTest<double> {};
TEST_P(DoubleConversionTest, RuntimeDecimalConversion) { ExpectConversion(); }

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Table, DoubleConversionTest, testing::Values(
    DoubleCase{u"1.5", 1.5}, DoubleCase{u"1.5kg", 1.5}, DoubleCase{u"abc", 0}, DoubleCase{u"", 0},
    DoubleCase{u"-0.25", -0.25}, DoubleCase{u" \t+3e2", 300}, DoubleCase{u".5", 0.5}, DoubleCase{u"1d2", 100},
    DoubleCase{u"2e", 2}, DoubleCase{u"0.000001", 0.000001}, DoubleCase{u"1,5", 1},
    DoubleCase{u"1e400", kInf}, DoubleCase{u"-1e400", -kInf}, DoubleCase{u"1e-400", 0}));

using FloatCase = ConversionCase<float>;
class FloatConversionTest : public ConversionTest<float> {};
TEST_P(FloatConversionTest, NarrowedToSinglePrecision) { ExpectConversion(); }

constexpr float kInfF = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Table, FloatConversionTest, testing::Values(
    FloatCase{u"1.5", 1.5f}, FloatCase{u"0.1", 0.1f}, FloatCase{u"-2.5x", -2.5f}, FloatCase{u"abc", 0.0f},
    FloatCase{u"3.4028235e38", FLT_MAX}, FloatCase{u"3.4028235677e38", FLT_MAX} /* rounds down */,
    FloatCase{u"3.40282357e38", kInfF} /* past the rounding boundary */, FloatCase{u"1e39", kInfF},
    FloatCase{u"-1e39", -kInfF}, FloatCase{u"1e400", kInfF}, FloatCase{u"1e-50", 0.0f}));

class StringConversionTest : public testing::TestWithParam<std::u16string_view> {};

TEST_P(StringConversionTest, TextComesBackUnchanged) {
  EXPECT_EQ(ReadFirstField<CString>(GetParam()).ToU16String(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, StringConversionTest, testing::Values(
    u"", u"plain", u"  both sides \t", u"\"quoted\"", u"\"a^b\"", u"say \"hi\"", u"\u00e9\U0001F600"));

struct BufferCase {
  int size;
  std::u16string_view expected;
  std::size_t written;  // units written, terminator included
};

class BufferConversionTest : public testing::TestWithParam<BufferCase> {};

TEST_P(BufferConversionTest, AtMostSizeMinusTwoUnits) {
  const BufferCase& c = GetParam();
  CDelimitedParse parse(W(u"abcdef^x"));
  std::array<unsigned short, 12> buffer;
  buffer.fill(0x7777);
  EXPECT_TRUE(parse.GetAt(0, buffer.data(), c.size));
  std::size_t written = 0;
  while (written < buffer.size() && buffer[written] != 0x7777) ++written;
  EXPECT_EQ(written, c.written);
  if (c.written > 0) {
    EXPECT_EQ(ToU16(buffer.data()), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BufferConversionTest, testing::Values(
    BufferCase{2, u"", 1}, BufferCase{3, u"a", 2}, BufferCase{4, u"ab", 3}, BufferCase{7, u"abcde", 6},
    BufferCase{8, u"abcdef", 7}, BufferCase{12, u"abcdef", 7},
    BufferCase{1, u"", 0}, BufferCase{0, u"", 0}, BufferCase{-4, u"", 0}, BufferCase{INT_MIN, u"", 0}));

TEST(ParseTest, NullBufferReceivesNothing) {
  CDelimitedParse parse(W(u"abc"));
  EXPECT_TRUE(parse.GetAt(0, static_cast<unsigned short*>(nullptr), 10));
}

}  // namespace
