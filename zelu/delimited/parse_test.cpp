#include <zelu/delimited/parse.h>

#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;
using namespace std::string_view_literals;
using Fields = std::vector<std::u16string>;

constexpr unsigned char operator""_b(unsigned long long value) { return static_cast<unsigned char>(value); }

Fields AllFields(CDelimitedParse& parse) {
  Fields fields;
  CString field;
  for (int i = 0; i < parse.GetFieldCount(); ++i) {
    EXPECT_TRUE(parse.GetAt(i, field));
    fields.push_back(field.ToU16String());
  }
  return fields;
}

// One destination of every type, holding markers.
struct Destinations {
  std::tuple<bool, int, long, unsigned char, float, double, CString> values{false, 3, 4, 5, 6, 7, CString(u"s")};
  std::array<unsigned short, 4> buffer = {8, 8, 8, 8};

  // Reads into each destination in turn with GetAt(*index, ...), or with
  // GetNext(...) when there is no index; the number of reads that succeeded.
  int Read(CDelimitedParse& parse, std::optional<int> index) {
    const auto get = [&](auto&&... to) { return index ? parse.GetAt(*index, to...) : parse.GetNext(to...); };
    int read = 0;
    std::apply([&](auto&... to) { ((read += get(to)), ...); }, values);
    return read + get(buffer.data(), 4);
  }
  // True when every read is refused and leaves its destination alone.
  bool Refuses(CDelimitedParse& parse, std::optional<int> index) {
    return Read(parse, index) == 0 && values == Destinations().values && buffer[0] == 8;
  }
};

struct SplitCase { const char* name; std::u16string_view line; WCHAR delimiter; Fields fields; };

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, ConstructorAndParseLineGiveTheFields) {
  const SplitCase& c = GetParam();
  CDelimitedParse parse(W(c.line), c.delimiter);
  EXPECT_EQ(AllFields(parse), c.fields);
  EXPECT_TRUE(parse.ParseLine(W(c.line)));
  EXPECT_EQ(AllFields(parse), c.fields);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitTest, testing::ValuesIn(std::vector<SplitCase>{
    {"Empty", u"", '^', {u""}},
    {"EmptyFieldsAtBothEndsAndBetween", u"^a^^b^", '^', {u"", u"a", u"", u"b", u""}},
    {"OnlyTheLastFieldIsTrimmed", u" a ^\t b\t^ c \r\n", '^', {u" a ", u"\t b\t", u"c"}},
    {"WhiteSpaceOnlyFields", u"  ^ \t ", '^', {u"  ", u""}},
    {"UnicodeSpacesButNotNoBreakSpaceTrimmed", u"a^\u3000\u00a0b\u2003", '^', {u"a", u"\u00a0b"}},
    {"QuotedDelimiter", u"\"x^y\"^z", '^', {u"\"x^y\"", u"z"}},
    {"UnmatchedQuoteRunsToTheEnd", u"a^b\"c^d ", '^', {u"a", u"b\"c^d"}},
    {"QuoteFlipsMidField", u"a\"b^c\"d^e", '^', {u"a\"b^c\"d", u"e"}},
    {"QuotedLastFieldTrimmedOutside", u"a^ \" b \" \n", '^', {u"a", u"\" b \""}},
    {"QuoteAsDelimiterNeverQuotes", u"\"x^y\"", '"', {u"", u"x^y", u""}},
    {"ZeroDelimiterGivesOneTrimmedField", u" a^b\"c,d \r\n", 0, {u"a^b\"c,d"}},
    {"TabDelimiter", u"a \tb\t", '\t', {u"a ", u"b", u""}},
    {"CommaDelimiterLeavesCarets", u"a,b^c", ',', {u"a", u"b^c"}},
    {"NonAsciiDelimiter", u"x\u00a7y\u00a7", 0x00a7, {u"x", u"y", u""}},
    {"DelimiterBelowTheQuote", u"a!\"b!c\"!\x01!", '!', {u"a", u"\"b!c\"", u"\x01", u""}},
    {"ControlUnitsAreOrdinary", u"\x01\x1f^\x7f ^", '^', {u"\x01\x1f", u"\x7f ", u""}},
}), zelu::testing::CaseName());

TEST(ParseTest, CursorWalksEveryOverloadOnceAndANewLineReplacesEveryField) {
  CDelimitedParse parse(nullptr, ',');
  EXPECT_EQ(parse.GetFieldCount(), 0);
  EXPECT_TRUE(Destinations().Refuses(parse, 0));
  EXPECT_TRUE(Destinations().Refuses(parse, std::nullopt));
  EXPECT_TRUE(parse.ParseLine(W(u"true,-3,-4,300,0.5,0.25,txt,abcdef"))) << "with the delimiter given with no line";
  Destinations got;
  auto& [b, i, l, u, f, d, s] = got.values;
  ASSERT_TRUE(parse.GetAt(4, d)) << "GetAt does not move the cursor";
  ASSERT_EQ(got.Read(parse, std::nullopt), 8);
  EXPECT_TRUE(b && i == -3 && l == -4L && u == 44 && f == 0.5f && d == 0.25);
  EXPECT_EQ(ToU16(got.buffer.data()), u"ab");
  EXPECT_TRUE(Destinations().Refuses(parse, std::nullopt));
  EXPECT_TRUE(Destinations().Refuses(parse, std::nullopt)) << "the cursor stays at the end";
  for (const int index : {-1, 8, INT_MIN, INT_MAX}) EXPECT_TRUE(Destinations().Refuses(parse, index)) << index;
  EXPECT_TRUE(parse.ParseLine(W(u"9,")));
  EXPECT_TRUE(parse.GetNext(i) && i == 9) << "a new line starts again at field 0";
  EXPECT_TRUE(Destinations().Refuses(parse, 2)) << "the earlier, longer line's fields are gone";
  EXPECT_EQ(s, CString(u"txt")) << "a string handed out is the caller's own copy";
  EXPECT_TRUE(parse.ParseLine(W(u"1,22,333,4444,55555,666666,7777777,88888888,999999999, 0 ")));
  EXPECT_EQ(AllFields(parse), (Fields{u"1", u"22", u"333", u"4444", u"55555", u"666666", u"7777777", u"88888888",
                                     u"999999999", u"0"}));
}

// Each text is read as the first field of "text^end", so it is not trimmed.
// An int row is also read through the long overload.
using Expected = std::variant<bool, int, unsigned char, float, double, std::u16string_view>;

TEST(ParseTest, ConversionOfEveryDestinationType) {
  const std::pair<std::u16string_view, Expected> rows[] = {
      {u"TRUE", true}, {u"tRuE", true}, {u"FaLsE", false}, {u"7", true}, {u"-1", true}, {u"0", false},
      {u"0.9", false}, {u"yes", false}, {u" TRUE", false}, {u"TRUTH", false}, {u"\"TRUE\"", false},
      {u"4294967296", true} /* saturates: wrapping would give 0 */,
      {u"42", 42}, {u"-17", -17}, {u"12abc", 12}, {u"abc", 0}, {u"2147483648", INT_MAX}, {u"-2147483649", INT_MIN},
      {u"200", 200_b}, {u"300", 44_b}, {u"-1", 255_b}, {u"99999999999", 255_b} /* 0x7FFFFFFF */, {u"-99999999999", 0_b},
      {u"1.5kg", 1.5}, {u"abc", 0.0}, {u"1d2", 100.0}, {u"1e400", HUGE_VAL}, {u"-1e400", -HUGE_VAL},
      {u"0.1", 0.1f}, {u"-2.5x", -2.5f}, {u"abc", 0.0f}, {u"3.4028235677e38", FLT_MAX} /* rounds down */,
      {u"3.40282357e38", HUGE_VALF} /* past the rounding boundary */, {u"-1e39", -HUGE_VALF}, {u"1e-50", 0.0f},
      {u"", u""sv}, {u"  both sides \t", u"  both sides \t"sv}, {u"say \"hi\"", u"say \"hi\""sv},
  };
  for (const auto& [field, expected] : rows) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(field)));
    CDelimitedParse parse(W(std::u16string(field) + u"^end"));
    ASSERT_EQ(parse.GetFieldCount(), 2) << "the row's text must not split";
    std::visit([&parse](auto want) {
      using T = decltype(want);
      std::conditional_t<std::is_same_v<T, std::u16string_view>, CString, T> got{};
      EXPECT_TRUE(parse.GetAt(0, got));
      if constexpr (std::is_same_v<T, std::u16string_view>) {
        EXPECT_EQ(got.ToU16String(), want);
      } else {
        EXPECT_EQ(got, want);
      }
      if constexpr (std::is_same_v<T, int>) {
        long wide = 1;
        EXPECT_TRUE(parse.GetAt(0, wide) && wide == want) << "long: " << wide;
      }
    }, expected);
  }
}

// The buffer after GetAt(0, buffer, size) of the field "abcdef": it starts
// filled with '~'.
TEST(ParseTest, BufferReceivesAtMostSizeMinusTwoUnits) {
  const std::pair<int, std::u16string_view> rows[] = {
      {2, u"\0~~~~~~~~~"sv}, {3, u"a\0~~~~~~~~"sv}, {7, u"abcde\0~~~~"sv}, {8, u"abcdef\0~~~"sv},
      {10, u"abcdef\0~~~"sv}, {1, u"~~~~~~~~~~"sv}, {0, u"~~~~~~~~~~"sv}, {INT_MIN, u"~~~~~~~~~~"sv},
  };
  CDelimitedParse parse(W(u"abcdef^x"));
  for (const auto& [size, expected] : rows) {
    std::array<unsigned short, 10> buffer;
    buffer.fill(u'~');
    EXPECT_TRUE(parse.GetAt(0, buffer.data(), size));
    EXPECT_EQ(ToU16(buffer.data(), buffer.size()), expected) << "size " << size;
  }
  EXPECT_TRUE(parse.GetAt(0, static_cast<unsigned short*>(nullptr), 10)) << "a null buffer receives nothing";
}

}  // namespace
