#include <zelu/encoding/base16.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using Bytes = std::vector<unsigned char>;

// kHex is CBase16 (kHexLong its `unsigned long` overload); kPlain and
// kCounted are CBytes with the prefix flag false or true; kDefault is CBytes'
// short forms, which write and read the counted form.
enum Codec { kHex, kHexLong, kPlain, kCounted, kDefault };

bool Encode(Codec codec, Bytes data, CString& out) {
  const auto count = static_cast<ULONG>(data.size());
  if (codec == kHex || codec == kHexLong) return CBase16::Encode(data.data(), count, out);
  if (codec == kDefault) return CBytes::encode(data.data(), count, out);
  return CBytes::encode(data.data(), count, out, codec == kCounted);
}

// A count out-parameter starts at kUnchanged (as its own type holds it),
// which no decoder stores, and is read back through the signed type of its
// width; so an `unsigned long` written only in its low half reads wrong.
constexpr long long kUnchanged = -777;

// Owns what a decoder stored, as the caller must. Starts as a pointer value
// no decoder stores, to tell "not stored" from "stored".
unsigned char sentinel_byte = 0;
struct Decoded {
  unsigned char* bytes = &sentinel_byte;
  long long count = 0;
  ~Decoded() { if (bytes != &sentinel_byte) delete[] bytes; }
  Bytes First(std::size_t n) const { return Bytes(bytes, bytes + n); }

  bool Run(Codec codec, const WCHAR* text) {
    auto hex = static_cast<ULONG>(kUnchanged);
    auto hex_long = static_cast<unsigned long>(kUnchanged);
    int counted = kUnchanged;
    const bool result = codec == kHex       ? CBase16::Decode(text, &bytes, hex)
                        : codec == kHexLong ? CBase16::Decode(text, &bytes, hex_long)
                        : codec == kDefault ? CBytes::decode(text, &bytes, counted)
                                            : CBytes::decode(text, &bytes, counted, codec == kCounted);
    count = codec == kHex ? static_cast<LONG>(hex) : codec == kHexLong ? static_cast<long>(hex_long) : counted;
    return result;
  }
};

// The counted rows give the text's start; every row its length (2 digits a
// byte, plus 4 for the prefix). Above 0xFFFF the prefix keeps the first four
// of the count's digits.
TEST(Base16EncodeTest, PlainAndCountedForms) {
  const struct { Codec codec; Bytes bytes; std::u16string_view start; } rows[] = {
      {kHex, {0x00, 0xAB, 0x7F}, u"00AB7F"}, {kHex, {}, u""}, {kPlain, {0x01, 0xAB}, u"01AB"},
      {kDefault, {0x01, 0xAB}, u"000201AB"}, {kCounted, {}, u"0000"},
      {kCounted, Bytes(10, 0xFE), u"000aFEFEFEFEFEFEFEFEFEFE"},  // lower-case prefix, upper-case data
      {kCounted, Bytes(0xFFFF, 0x01), u"ffff01"}, {kCounted, Bytes(0x12345, 0x5A), u"12345A"},
  };
  for (const auto& row : rows) {
    CString out(u"stale");
    EXPECT_TRUE(Encode(row.codec, row.bytes, out));
    EXPECT_EQ(out.ToU16String().substr(0, row.start.size()), row.start);
    EXPECT_EQ(out.GetLength(), 2 * row.bytes.size() + (row.codec >= kCounted ? 4 : 0)) << row.bytes.size();
  }
}

// A count whose digits pass 2^31 - 2 units throws before a byte is read or
// `out` changes, whatever the width of size_t. (With a 32-bit size_t, twice
// 0x80000000 once wrapped to 0 and the encoder wrote past the buffer.) The
// input is one byte, so a read past it shows; this runs where the hostile
// test's 4 GiB input cannot be mapped too.
TEST(Base16EncodeTest, CountsBeyondTheLongestTextThrowBeforeReading) {
  unsigned char byte = 0xAB;  // the only byte there is: none may be read
  for (const Codec codec : {kHex, kPlain, kCounted}) {
    for (const ULONG count : {0x40000000u, 0x7FFFFFFEu, 0x80000000u, 0xFFFFFFFFu}) {
      CString out(u"kept");
      EXPECT_THROW(codec == kHex ? CBase16::Encode(&byte, count, out)
                                 : CBytes::encode(&byte, count, out, codec == kCounted),
                   std::length_error) << codec << " " << count;
      EXPECT_EQ(out.ToU16String(), u"kept");
    }
  }
}

// kHex rows run through both CBase16 overloads. `bytes`: the bytes decoded,
// or std::nullopt when no buffer is stored.
struct DecodeCase {
  const char* name; Codec codec; std::u16string_view text;
  bool result; long long count; std::optional<Bytes> bytes;
};

class Base16DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base16DecodeTest, ResultCountAndBuffer) {
  const DecodeCase& c = GetParam();
  for (const Codec codec : {c.codec, c.codec == kHex ? kHexLong : c.codec}) {
    Decoded decoded;
    EXPECT_EQ(decoded.Run(codec, W(c.text)), c.result) << codec;
    EXPECT_EQ(decoded.count, c.count) << codec;
    ASSERT_EQ(decoded.bytes != &sentinel_byte, c.bytes.has_value()) << codec << ": buffer stored";
    if (c.bytes) { EXPECT_EQ(decoded.First(c.bytes->size()), *c.bytes) << codec; }
  }
}

// CBase16 rows list the whole buffer, which is zero-filled past a failure;
// CBytes rows list the bytes decoded, the rest of its buffer is not filled.
INSTANTIATE_TEST_SUITE_P(Table, Base16DecodeTest, testing::Values(
    DecodeCase{"MixedCase", kHex, u"00ab7F", true, 3, Bytes{0x00, 0xAB, 0x7F}},
    DecodeCase{"OddLength", kHex, u"ABC", false, kUnchanged, std::nullopt},
    DecodeCase{"BadSecondDigit", kHex, u"AG", false, 1, Bytes{0x00}},
    DecodeCase{"BadFirstDigitLater", kHex, u"12G4", false, 2, Bytes{0x12, 0x00}},
    DecodeCase{"BadDigitRestStaysZero", kHex, u"FFFFzzFF", false, 4, Bytes{0xFF, 0xFF, 0x00, 0x00}},
    DecodeCase{"WideUnitWithHexLowByte", kHex, u"\u0141\u0141", false, 1, Bytes{0x00}},
    DecodeCase{"UnitsAfterTheLastPairIgnored", kCounted, u"0001ABCD", true, 1, Bytes{0xAB}},
    DecodeCase{"AnnouncesMoreThanThere", kCounted, u"0003ABCD", false, 3, Bytes{0xAB, 0xCD}},
    DecodeCase{"NoNumberAtTheStart", kCounted, u"zz00", false, 2, std::nullopt},
    DecodeCase{"OddLengthCoversThePrefix", kCounted, u"00010", false, kUnchanged, std::nullopt},
    DecodeCase{"WholeTextAsPrefix", kCounted, u"01AB", false, 0x1AB, Bytes{}},
    DecodeCase{"CountedEmpty", kCounted, u"", true, 0, Bytes{}},
    DecodeCase{"TwoUnitsAnnounceOne", kCounted, u"01", false, 1, Bytes{}},
    DecodeCase{"OnlySpaceKeepsHalfLength", kCounted, u"  ", false, 1, Bytes{}},
    DecodeCase{"SpaceThenNumberReadsPastFour", kCounted, u"  01AB", false, 0x1AB, Bytes{0xAB}},
    DecodeCase{"NegativeCount", kCounted, u"-001AB", false, -1, std::nullopt},
    DecodeCase{"HexPrefixInTheCount", kCounted, u"0x01AB", true, 1, Bytes{0xAB}},
    DecodeCase{"BadDigitInData", kCounted, u"0002ABxx", false, 2, Bytes{0xAB}},
    DecodeCase{"PlainBadDigit", kPlain, u"ABzz", false, 2, Bytes{0xAB}}),
    zelu::testing::CaseName());

// Random buffers of every length up to 300, and of 0xFFFF bytes (the largest
// count the prefix holds), come back through every form; the table above
// holds what a round trip cannot show.
TEST(Base16RoundTripTest, EveryLengthUpTo300) {
  std::mt19937 random(20261205);
  for (ULONG length = 0; length <= 0xFFFF; length = length == 300 ? 0xFFFF : length + 1) {
    Bytes data(length);
    for (auto& byte : data) byte = static_cast<unsigned char>(random());
    for (const Codec codec : {kHex, kHexLong, kPlain, kCounted, kDefault}) {
      CString text;
      ASSERT_TRUE(Encode(codec, data, text));
      Decoded decoded;
      ASSERT_TRUE(decoded.Run(codec, text)) << codec;
      ASSERT_EQ(decoded.count, length) << codec;
      EXPECT_EQ(decoded.First(length), data) << codec;
    }
  }
}

}  // namespace
