#include <zelu/encoding/base16.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using Bytes = std::vector<unsigned char>;

std::u16string U16(const CString& text) { return text.ToU16String(); }

// Owns what a decoder stored, as the caller must.
struct Decoded {
  unsigned char* bytes = nullptr;
  ~Decoded() { delete[] bytes; }
  Bytes First(std::size_t count) const { return Bytes(bytes, bytes + count); }
};

// A pointer value that no decoder produces: tells "not stored" from "stored".
unsigned char sentinel_byte = 0;
unsigned char* const kUntouched = &sentinel_byte;

TEST(Base16EncodeTest, UpperCaseDigitsPlainAndCounted) {
  unsigned char data[] = {0x00, 0xAB, 0x7F};
  CString out(u"stale");
  EXPECT_TRUE(CBase16::Encode(data, 3, out));
  EXPECT_EQ(U16(out), u"00AB7F");
  EXPECT_TRUE(CBase16::Encode(data, 0, out));
  EXPECT_EQ(U16(out), u"");

  unsigned char pair[] = {0x01, 0xAB};
  EXPECT_TRUE(CBytes::encode(pair, 2, out));
  EXPECT_EQ(U16(out), u"000201AB");
  EXPECT_TRUE(CBytes::encode(pair, 2, out, false));
  EXPECT_EQ(U16(out), u"01AB");
  EXPECT_TRUE(CBytes::encode(pair, 0, out));
  EXPECT_EQ(U16(out), u"0000");
  Bytes ten(10, 0xFE);
  EXPECT_TRUE(CBytes::encode(ten.data(), 10, out, true));
  EXPECT_EQ(U16(out).substr(0, 6), u"000aFE") << "lower-case prefix, upper-case data";
}

TEST(Base16EncodeTest, CountAboveTheFieldKeepsItsFirstFourDigits) {
  Bytes big(0x12345, 0x5A);
  CString out;
  EXPECT_TRUE(CBytes::encode(big.data(), static_cast<ULONG>(big.size()), out));
  ASSERT_EQ(out.GetLength(), 4 + 2 * 0x12345);
  EXPECT_EQ(U16(out).substr(0, 6), u"12345A");
  Bytes exact(0xFFFF, 0x01);
  EXPECT_TRUE(CBytes::encode(exact.data(), 0xFFFF, out));
  EXPECT_EQ(U16(out).substr(0, 6), u"ffff01");
  Decoded decoded;
  int count = 0;
  EXPECT_TRUE(CBytes::decode(out, &decoded.bytes, count));
  EXPECT_EQ(count, 0xFFFF);
  EXPECT_EQ(decoded.First(0xFFFF), exact);
}

struct Base16DecodeCase {
  const char* name;
  std::u16string_view text;
  bool result;
  bool allocated;
  ULONG count;   // when allocated
  Bytes bytes;   // the whole buffer when allocated
};

class Base16DecodeTest : public testing::TestWithParam<Base16DecodeCase> {};

TEST_P(Base16DecodeTest, ResultCountAndBuffer) {
  const Base16DecodeCase& c = GetParam();
  Decoded decoded;
  decoded.bytes = kUntouched;
  ULONG count = 777;
  EXPECT_EQ(CBase16::Decode(W(c.text), &decoded.bytes, count), c.result);
  if (!c.allocated) {
    EXPECT_EQ(decoded.bytes, kUntouched);
    EXPECT_EQ(count, 777u);
    decoded.bytes = nullptr;
    return;
  }
  ASSERT_NE(decoded.bytes, kUntouched);
  EXPECT_EQ(count, c.count);
  EXPECT_EQ(decoded.First(count), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, Base16DecodeTest, testing::Values(
    Base16DecodeCase{"MixedCase", u"00ab7F", true, true, 3, {0x00, 0xAB, 0x7F}},
    Base16DecodeCase{"Empty", u"", true, true, 0, {}},
    Base16DecodeCase{"OddLength", u"ABC", false, false, 0, {}},
    Base16DecodeCase{"BadSecondDigit", u"AG", false, true, 1, {0x00}},
    Base16DecodeCase{"BadFirstDigitLater", u"12G4", false, true, 2, {0x12, 0x00}},
    Base16DecodeCase{"BadDigitRestStaysZero", u"FFFFzzFF", false, true, 4, {0xFF, 0xFF, 0x00, 0x00}},
    Base16DecodeCase{"SpacesAreNotSkipped", u"01 A B", false, true, 3, {0x01, 0x00, 0x00}},
    Base16DecodeCase{"WideUnitWithHexLowByte", u"\u0141\u0141", false, true, 1, {0x00}},
    Base16DecodeCase{"FullWidthDigit", u"\uFF10" u"0", false, true, 1, {0x00}}),
    zelu::testing::CaseName());

TEST(Base16DecodeTest, UnsignedLongCountForPortedCallers) {
  Decoded decoded;
  unsigned long count = 0xAAAAAAAAAAul;
  EXPECT_FALSE(CBase16::Decode(W(u"ABC"), &decoded.bytes, count));
  EXPECT_EQ(count, 0xAAAAAAAAAAul) << "untouched on odd length";
  EXPECT_TRUE(CBase16::Decode(W(u"0102"), &decoded.bytes, count));
  EXPECT_EQ(count, 2ul);
}

struct BytesDecodeCase {
  const char* name;
  std::u16string_view text;
  bool prefix;
  bool result;
  bool allocated;
  int count;
  Bytes decoded;  // the bytes the decoder stored (a prefix of the buffer)
};

class BytesDecodeTest : public testing::TestWithParam<BytesDecodeCase> {};

TEST_P(BytesDecodeTest, ResultCountAndBuffer) {
  const BytesDecodeCase& c = GetParam();
  Decoded decoded;
  decoded.bytes = kUntouched;
  int count = -777;
  EXPECT_EQ(CBytes::decode(W(c.text), &decoded.bytes, count, c.prefix), c.result);
  EXPECT_EQ(count, c.count);
  if (!c.allocated) {
    EXPECT_EQ(decoded.bytes, kUntouched);
    decoded.bytes = nullptr;
    return;
  }
  ASSERT_NE(decoded.bytes, kUntouched);
  EXPECT_EQ(decoded.First(c.decoded.size()), c.decoded);
}

INSTANTIATE_TEST_SUITE_P(Table, BytesDecodeTest, testing::Values(
    BytesDecodeCase{"Counted", u"000201AB", true, true, true, 2, {0x01, 0xAB}},
    BytesDecodeCase{"UnitsAfterTheLastPairIgnored", u"0001ABCD", true, true, true, 1, {0xAB}},
    BytesDecodeCase{"AnnouncesMoreThanThere", u"0003ABCD", true, false, true, 3, {0xAB, 0xCD}},
    BytesDecodeCase{"NoNumberAtTheStart", u"zz00", true, false, false, 2, {}},
    BytesDecodeCase{"OddLengthCoversThePrefix", u"00010", true, false, false, -777, {}},
    BytesDecodeCase{"Plain", u"01AB", false, true, true, 2, {0x01, 0xAB}},
    BytesDecodeCase{"WholeTextAsPrefix", u"01AB", true, false, true, 0x1AB, {}},
    BytesDecodeCase{"ZeroCount", u"0000", true, true, true, 0, {}},
    BytesDecodeCase{"Empty", u"", true, true, true, 0, {}},
    BytesDecodeCase{"TwoUnitsAnnounceOne", u"01", true, false, true, 1, {}},
    BytesDecodeCase{"OnlySpaceKeepsHalfLength", u"  ", true, false, true, 1, {}},
    BytesDecodeCase{"SpaceThenNumberReadsPastFour", u"  01AB", true, false, true, 0x1AB, {0xAB}},
    BytesDecodeCase{"NegativeCount", u"-001AB", true, false, false, -1, {}},
    BytesDecodeCase{"HexPrefixInTheCount", u"0x01AB", true, true, true, 1, {0xAB}},
    BytesDecodeCase{"BadDigitInData", u"0002ABxx", true, false, true, 2, {0xAB}},
    BytesDecodeCase{"PlainBadDigit", u"ABzz", false, false, true, 2, {0xAB}}),
    zelu::testing::CaseName());

// Random buffers of every length up to 300 come back through both codecs and
// both forms.
TEST(Base16RoundTripTest, EveryLengthUpTo300) {
  std::mt19937 random(20261205);
  for (ULONG length = 0; length <= 300; ++length) {
    Bytes data(length);
    for (auto& byte : data) byte = static_cast<unsigned char>(random());
    CString text;
    ASSERT_TRUE(CBase16::Encode(data.data(), length, text));
    {
      Decoded decoded;
      ULONG count = 0;
      ASSERT_TRUE(CBase16::Decode(text, &decoded.bytes, count));
      EXPECT_EQ(decoded.First(count), data);
    }
    for (bool prefix : {true, false}) {
      ASSERT_TRUE(CBytes::encode(data.data(), length, text, prefix));
      Decoded decoded;
      int count = 0;
      ASSERT_TRUE(CBytes::decode(text, &decoded.bytes, count, prefix));
      ASSERT_EQ(count, static_cast<int>(length));
      EXPECT_EQ(decoded.First(length), data);
    }
  }
}

TEST(Base16ShapeTest, ClassesAsCallersSeeThem) {
  static_assert(std::has_virtual_destructor_v<CBase16>);
  static_assert(!std::has_virtual_destructor_v<CBytes>);
  static_assert(std::is_empty_v<CBytes>);
  static_assert(sizeof(CBase16) == sizeof(void*), "only the virtual table pointer");
  CBase16 first;
  CBase16 second(first);
  EXPECT_EQ(&(second = first), &second);
  CBytes bytes;
  EXPECT_EQ(&(bytes = CBytes()), &bytes);
}

}  // namespace
