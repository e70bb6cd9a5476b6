#include <zelu/encoding/base64.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/byte_array_variant.h>

namespace {

using Bytes = std::vector<unsigned char>;
using zelu::testing::ByteArrayOf;

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

Bytes B(std::string_view text) { return {text.begin(), text.end()}; }

// The units of a string that starts stale and that `call` fills; the call
// must return 0.
template <typename Call>
std::u16string Out(Call call) {
  CString out(u"stale");
  EXPECT_EQ(call(out), 0);
  return out.ToU16String();
}
std::u16string Encoded(Bytes b) { return Out([&](CString& o) { return CBase64::Encode(b.data(), static_cast<ULONG>(b.size()), o); }); }
std::u16string EncodedUnits(std::u16string_view units) { return Out([&](CString& o) { return CBase64::Encode(CString(units), o); }); }
std::u16string EncodedVariant(const CComVariant& v) { return Out([&](CString& o) { return CBase64::Encode(v, o); }); }
std::u16string DecodedUnits(std::u16string_view text) { return Out([&](CString& o) { return CBase64::Decode(CString(text), o); }); }

// Decodes with the byte form whose count is a `Count`, preset to all ones so
// that a count written in part shows. Checks the buffer: L + 1 bytes, zero
// after the decoded ones (asan catches a smaller buffer when the tail is
// read).
template <typename Count = ULONG>
Bytes Decoded(std::u16string_view text) {
  unsigned char* bytes = nullptr;
  auto count = static_cast<Count>(-1);
  EXPECT_EQ(CBase64::Decode(CString(text), &bytes, count), 0);
  const std::unique_ptr<unsigned char[]> owner(bytes);
  if (bytes == nullptr) { ADD_FAILURE() << "no buffer"; return {}; }
  EXPECT_LE(count, text.size());
  for (std::size_t i = count; i <= text.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i << " of " << text.size() + 1;
  return Bytes(bytes, bytes + std::min<std::size_t>(count, text.size()));
}

// The decoding rules, group by group: four alphabet values give three bytes;
// '=' closes the open group, whose two or three values give one or two bytes
// and whose one value gives one byte, the value shifted left by two.
Bytes ReferenceDecode(std::u16string_view text) {
  Bytes out;
  std::vector<unsigned> group;
  for (const char16_t unit : text) {
    const auto low = static_cast<char>(unit & 0xFF);
    const std::size_t value = kAlphabet.find(low);
    if (low != '=' && value == std::string_view::npos) continue;
    if (low != '=') group.push_back(static_cast<unsigned>(value));
    if (low != '=' && group.size() < 4) continue;
    unsigned bits = 0;  // the group's 24 bits, missing values 0
    for (std::size_t k = 0; k < 4; ++k) bits = bits << 6 | (k < group.size() ? group[k] : 0u);
    const std::size_t n = group.size(), bytes = n == 4 ? 3 : n > 1 ? n - 1 : n;
    for (std::size_t k = 0; k < bytes; ++k) out.push_back(static_cast<unsigned char>(bits >> (16 - 8 * k)));
    if (low == '=') return out;
    group.clear();
  }
  return out;  // an incomplete group gives no bytes
}

// The encoding, bit by bit.
std::u16string ReferenceEncode(const Bytes& bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned bits = 0;
    for (std::size_t k = 0; k < 3; ++k) bits = bits << 8 | (i + k < bytes.size() ? bytes[i + k] : 0u);
    const std::size_t characters = std::min<std::size_t>(bytes.size() - i + 1, 4);
    for (std::size_t k = 0; k < 4; ++k) out += k < characters ? static_cast<char16_t>(kAlphabet[bits >> (18 - 6 * k) & 63]) : u'=';
  }
  return out;
}

// A variant holding a new array of `type` with `bounds` (dimension 1 first),
// its data starting with `data`.
CComVariant ArrayVariant(VARTYPE type, std::vector<SAFEARRAYBOUND> bounds, const Bytes& data) {
  CComVariant variant;
  variant.parray = SafeArrayCreate(type, static_cast<UINT>(bounds.size()), bounds.data());
  variant.vt = static_cast<VARTYPE>(VT_ARRAY | type);
  if (!data.empty()) std::memcpy(variant.parray->pvData, data.data(), data.size());
  return variant;
}

// Rows both ways, then rows that only decode. Each also holds for the
// reference decoder that the random texts below are checked against.
TEST(CBase64Test, FixedRows) {
  const struct { bool both; std::u16string_view text; std::string_view bytes; } rows[] = {
      {true, u"", ""}, {true, u"TQ==", "M"}, {true, u"TWE=", "Ma"}, {true, u"TWFu", "Man"},
      {true, u"Zm9vYmFy", "foobar"}, {true, u"+/8=", "\xFB\xFF"}, {true, u"AAAAAA==", std::string_view("\0\0\0\0", 4)},
      {false, u"T W\r\nF\tu", "Man"},                          // white space and line breaks skipped
      {false, std::u16string_view(u"T-W_\0F.u!", 9), "Man"},  // other units skipped, zero included
      {false, u"TWFuTWE", "Man"},                               // an incomplete group dropped
      {false, u"TQ==TWFu", "M"},                                // decoding stops at the first pad
      {false, u"TWFu/=", "Man\xFC"},                            // one value, then a pad: low bits 0
      {false, u"\u0154\u0157\u0146\u0175", "Man"},              // high bytes ignored,
      {false, u"TQ\uFF3DTWFu", "M"},                            // also that of a pad
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(row.text)));
    if (row.both) { EXPECT_EQ(Encoded(B(row.bytes)), row.text); }
    EXPECT_EQ(Decoded(row.text), B(row.bytes));
    EXPECT_EQ(Decoded<unsigned long>(row.text), B(row.bytes));
    EXPECT_EQ(ReferenceDecode(row.text), B(row.bytes));
  }
}

// The bytes of a string are its units, low byte first; decoding into a
// string stops at the first zero unit, and an odd last byte makes a unit
// whose high byte is 0.
TEST(CBase64Test, StringCarrierLowByteFirst) {
  enum Way { kBoth, kEncode, kDecode };
  const struct { Way way; std::u16string_view units; std::u16string_view text; } rows[] = {
      {kBoth, u"\u4241\u0043", u"QUJDAA=="},                    // 41 42 43 00
      {kBoth, u"\uFFFE", u"/v8="},                               // FE FF
      {kEncode, std::u16string_view(u"a\0b", 3), u"YQAAAGIA"},  // a zero unit inside counts
      {kDecode, u"\u4241\u0043", u"QUJD"},                      // odd last byte
      {kDecode, u"\u4241", u"QUIAAEM="},                         // stops at the zero unit
  };
  for (const auto& row : rows) {
    if (row.way != kDecode) { EXPECT_EQ(EncodedUnits(row.units), row.text); }
    if (row.way != kEncode) { EXPECT_EQ(DecodedUnits(row.text), row.units); }
  }
  CString same(u"Man");
  EXPECT_EQ(CBase64::Encode(same, same), 0);
  EXPECT_EQ(same.ToU16String(), u"TQBhAG4A") << "a string encoded into itself";
  EXPECT_EQ(CBase64::Decode(same, same), 0);
  EXPECT_EQ(same.ToU16String(), u"Man");
}

// A count whose text passes 2^31 - 2 units throws before a byte is read or
// `out` changes, whatever the width of size_t. (With a 32-bit size_t the
// text's length of the last two counts once wrapped to 0: an empty text and
// success.) The input is one byte, so a read past it shows; this runs where
// the hostile test's 4 GiB input cannot be mapped too.
TEST(CBase64Test, CountsBeyondTheLongestTextThrowBeforeReading) {
  unsigned char byte = 0x4D;  // the only byte there is: none may be read
  for (const ULONG count : {1610612734u, 3221225471u, 0xFFFFFFFFu}) {
    CString out(u"kept");
    EXPECT_THROW(CBase64::Encode(&byte, count, out), std::length_error) << count;
    EXPECT_EQ(out.ToU16String(), u"kept");
  }
}

// n bytes from the start of the data, n being the element count of
// dimension 1 whatever its lower bound, the element type and the other
// dimensions.
TEST(CBase64Test, EncodesTheFirstDimensionOfAVariantsArray) {
  const struct { VARTYPE type; std::vector<SAFEARRAYBOUND> bounds; std::string_view data; } rows[] = {
      {VT_I4, {{2, -5}}, "Ma\xFF\xFF"}, {VT_UI1, {{2, 0}, {3, 0}}, "Man"}};
  for (const auto& row : rows) {
    const CComVariant variant = ArrayVariant(row.type, row.bounds, B(row.data));
    EXPECT_EQ(EncodedVariant(variant), u"TWE=");
    EXPECT_EQ(variant.parray->cLocks, 0u);
  }
}

// Encode passes the array's failures back with the array unlocked and `out`
// untouched; Decode into a variant whose locked array cannot be cleared
// says so in the variant, not in the status.
TEST(CBase64Test, VariantFailures) {
  CString out(u"untouched");
  EXPECT_EQ(CBase64::Encode(CComVariant(), out), E_INVALIDARG) << "no array";
  CComVariant full = ArrayVariant(VT_UI1, {{1, 0}}, {});
  SAFEARRAY* const array = full.parray;
  array->cLocks = 0xFFFFFFFFu;  // no lock can be taken
  EXPECT_EQ(CBase64::Encode(full, out), E_UNEXPECTED);
  EXPECT_EQ(array->cLocks, 0xFFFFFFFFu);
  // An array with no dimension: the lock succeeds, the bound read fails. The
  // variant stays VT_EMPTY, so it never releases the array.
  SAFEARRAY no_dimension{};
  CComVariant variant;
  variant.parray = &no_dimension;
  EXPECT_EQ(CBase64::Encode(variant, out), DISP_E_BADINDEX);
  EXPECT_EQ(no_dimension.cLocks, 0u) << "the access is released";
  EXPECT_EQ(out.ToU16String(), u"untouched");

  array->cLocks = 1;
  EXPECT_EQ(CBase64::Decode(CString(u"TWFu"), full), 0);
  EXPECT_EQ(full.vt, VT_ERROR);
  EXPECT_EQ(full.scode, DISP_E_ARRAYISLOCKED);
  array->cLocks = 0;
  SafeArrayDestroy(array);
}

// Every length from 0 to 300, through the three carriers.
TEST(CBase64Test, RoundTripsThroughEveryCarrier) {
  std::mt19937 random(20240611);
  CComVariant back;  // each decode releases the array of the one before
  for (std::size_t length = 0; length <= 300; ++length) {
    Bytes bytes(length);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    const std::u16string text = Encoded(bytes);
    ASSERT_EQ(text, ReferenceEncode(bytes)) << length;
    EXPECT_EQ(Decoded(text), bytes) << length;
    // With line breaks every 76 characters, as mail writes it.
    std::u16string wrapped = text;
    for (std::size_t at = 76; at < wrapped.size(); at += 78) wrapped.insert(at, u"\r\n");
    EXPECT_EQ(Decoded(wrapped), bytes) << length;

    EXPECT_EQ(EncodedVariant(ArrayVariant(VT_UI1, {{static_cast<ULONG>(length), 0}}, bytes)), text);
    EXPECT_EQ(CBase64::Decode(CString(text), back), 0);
    EXPECT_EQ(ByteArrayOf(back), bytes) << length;
    // Strings of length / 2 non-zero units.
    std::u16string units(length / 2, u'\0');
    for (auto& u : units) u = static_cast<char16_t>(1 + random() % 0xFFFF);
    EXPECT_EQ(DecodedUnits(EncodedUnits(units)), units) << length;
  }
}

// The fast path over whole groups must agree with the rules on any text.
TEST(CBase64Test, DecoderAgreesWithTheRulesOnMixedText) {
  std::mt19937 random(77);
  // Alphabet, skipped units and units whose low byte is in the alphabet;
  // pads ('=' and U+FF3D, whose low byte is '=') come rarely.
  const std::u16string pieces = u"AZaz09+/ \r\n-_\u0141\u017A", pads = u"=\uFF3D";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(static_cast<std::size_t>(round % 97), u' ');
    for (auto& u : text) u = random() % 81 == 0 ? pads[random() % 2] : pieces[random() % pieces.size()];
    ASSERT_EQ(Decoded(text), ReferenceDecode(text)) << round;
  }
}

}  // namespace
