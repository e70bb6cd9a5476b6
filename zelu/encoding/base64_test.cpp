#include <zelu/encoding/base64.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/encoding/internal/base64_codec.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(std::string_view text) { return {text.begin(), text.end()}; }
std::u16string U16(const CString& text) { return text.ToU16String(); }

CString Encoded(Bytes bytes) {
  CString out(u"stale");
  EXPECT_EQ(CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), out), 0);
  return out;
}

// Decodes with the byte form and checks the buffer: L + 1 bytes, zero after
// the decoded ones (asan catches a smaller buffer when the tail is read).
Bytes Decoded(std::u16string_view text) {
  unsigned char* bytes = nullptr;
  ULONG count = 12345;
  EXPECT_EQ(CBase64::Decode(CString(text), &bytes, count), 0);
  const std::unique_ptr<unsigned char[]> owner(bytes);
  EXPECT_LE(count, text.size());
  for (std::size_t i = count; i <= text.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i << " of " << text.size() + 1;
  return Bytes(bytes, bytes + count);
}

// The decoding rules, one unit at a time and nothing clever.
Bytes ReferenceDecode(std::u16string_view text) {
  Bytes out;
  unsigned slots[4] = {0, 0, 0, 0};
  unsigned held = 0;
  for (const char16_t unit : text) {
    const auto low = static_cast<char>(unit & 0xFF);
    const std::string_view alphabet(zelu::internal::kBase64Alphabet.data(), 64);
    if (low == '=') {
      if (held >= 1) out.push_back(static_cast<unsigned char>(slots[0] << 2 | (held >= 2 ? slots[1] >> 4 : 0)));
      if (held == 3) out.push_back(static_cast<unsigned char>((slots[1] & 15) << 4 | slots[2] >> 2));
      return out;
    }
    const std::size_t value = alphabet.find(low);
    if (value == std::string_view::npos) continue;
    slots[held++] = static_cast<unsigned>(value);
    if (held == 4) {
      out.push_back(static_cast<unsigned char>(slots[0] << 2 | slots[1] >> 4));
      out.push_back(static_cast<unsigned char>((slots[1] & 15) << 4 | slots[2] >> 2));
      out.push_back(static_cast<unsigned char>((slots[2] & 3) << 6 | slots[3]));
      held = 0;
    }
  }
  return out;
}

// The encoding, bit by bit.
std::u16string ReferenceEncode(const Bytes& bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned bits = 0;
    for (std::size_t k = 0; k < 3; ++k) bits = bits << 8 | (i + k < bytes.size() ? bytes[i + k] : 0u);
    const std::size_t characters = std::min<std::size_t>(bytes.size() - i + 1, 4);
    for (std::size_t k = 0; k < 4; ++k) {
      out += k < characters ? static_cast<char16_t>(zelu::internal::kBase64Alphabet[bits >> (18 - 6 * k) & 63]) : u'=';
    }
  }
  return out;
}

TEST(CBase64Test, ClassShape) {
  static_assert(std::has_virtual_destructor_v<CBase64>);
  static_assert(sizeof(CBase64) == sizeof(void*), "no data beyond the virtual table pointer");
  static_assert(std::is_nothrow_copy_constructible_v<CBase64> && std::is_nothrow_copy_assignable_v<CBase64>);
  CBase64 a;
  CBase64 b(a);
  EXPECT_EQ(&(b = a), &b);
}

TEST(CBase64Test, EncodesGroupsAndPadding) {
  const struct {
    std::string_view bytes;
    std::u16string_view text;
  } rows[] = {
      {"", u""},          {"M", u"TQ=="},         {"Ma", u"TWE="},         {"Man", u"TWFu"},
      {"f", u"Zg=="},     {"fo", u"Zm8="},        {"foo", u"Zm9v"},        {"foob", u"Zm9vYg=="},
      {"fooba", u"Zm9vYmE="}, {"foobar", u"Zm9vYmFy"}, {"\xFB\xFF", u"+/8="}, {std::string_view("\0\0\0\0", 4), u"AAAAAA=="},
  };
  for (const auto& row : rows) EXPECT_EQ(U16(Encoded(B(row.bytes))), row.text) << row.bytes;

  // The 48 bytes whose encoding is the alphabet in order.
  Bytes every_value;
  for (unsigned v = 0; v < 64; v += 4) {
    every_value.push_back(static_cast<unsigned char>(v << 2 | (v + 1) >> 4));
    every_value.push_back(static_cast<unsigned char>(((v + 1) & 15) << 4 | (v + 2) >> 2));
    every_value.push_back(static_cast<unsigned char>(((v + 2) & 3) << 6 | (v + 3)));
  }
  EXPECT_EQ(U16(Encoded(every_value)), u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
}

TEST(CBase64Test, EncodesTheUnitsOfAStringLowByteFirst) {
  const struct {
    std::u16string_view units;
    std::u16string_view text;
  } rows[] = {
      {u"", u""},
      {u"A", u"QQA="},                              // 41 00
      {u"\u4241\u0043", u"QUJDAA=="},               // 41 42 43 00
      {std::u16string_view(u"a\0b", 3), u"YQAAAGIA"},  // a zero unit inside counts
      {u"\uFFFE", u"/v8="},                         // FE FF
  };
  for (const auto& row : rows) {
    CString out(u"stale");
    EXPECT_EQ(CBase64::Encode(CString(row.units), out), 0);
    EXPECT_EQ(U16(out), row.text);
  }
  CString same(u"Man");
  EXPECT_EQ(CBase64::Encode(same, same), 0);
  EXPECT_EQ(U16(same), u"TQBhAG4A") << "a string encoded into itself";
}

TEST(CBase64Test, DecodeRules) {
  const struct {
    const char* why;
    std::u16string_view text;
    std::string_view bytes;
  } rows[] = {
      {"whole group", u"TWFu", "Man"},
      {"line break skipped", u"TW\r\nFu", "Man"},
      {"spaces skipped", u"T W F u", "Man"},
      {"other characters skipped", u"T-W_F.u!", "Man"},
      {"zero unit skipped", std::u16string_view(u"TW\0Fu", 5), "Man"},
      {"one pad", u"TWE=", "Ma"},
      {"two pads", u"TQ==", "M"},
      {"pad after a skipped unit", u"TWE =", "Ma"},
      {"no pad: incomplete group dropped", u"TQ", ""},
      {"incomplete three dropped", u"TWFuTWE", "Man"},
      {"stops at the first pad", u"TQ==TWFu", "M"},
      {"pad first", u"=TWFu", ""},
      {"pad closes an empty group", u"TWFu=TWFu", "Man"},
      {"one value then pad: low bits 0", u"Q=", "\x40"},
      {"one value then pad after a group", u"TWFu/=", "Man\xFC"},
      {"high byte ignored", u"\u0154\u0157\u0146\u0175", "Man"},
      {"high byte of a pad ignored", u"TQ\uFF3DTWFu", "M"},
      {"empty", u"", ""},
      {"nothing of the alphabet", u"!? \t", ""},
      {"all values", u"AAAA////", std::string_view("\0\0\0\xFF\xFF\xFF", 6)},
  };
  for (const auto& row : rows) EXPECT_EQ(Decoded(row.text), B(row.bytes)) << row.why;
}

TEST(CBase64Test, DecodeStoresTheBufferBeforeDecodingAndTakesUnsignedLong) {
  unsigned char* bytes = nullptr;
  unsigned long count = 99;
  EXPECT_EQ(CBase64::Decode(CString(u"TWFu"), &bytes, count), 0);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(count, 3ul);
  EXPECT_EQ(std::memcmp(bytes, "Man\0", 5), 0) << "five bytes, the last two zero";
  delete[] bytes;

  bytes = nullptr;
  count = 99;
  EXPECT_EQ(CBase64::Decode(CString(u"!!"), &bytes, count), 0);
  ASSERT_NE(bytes, nullptr) << "an empty result still hands out a buffer";
  EXPECT_EQ(count, 0ul);
  delete[] bytes;
}

TEST(CBase64Test, DecodesIntoAStringLowByteFirst) {
  const struct {
    std::u16string_view text;
    std::u16string_view units;
  } rows[] = {
      {u"QUJD", u"\u4241\u0043"},      // odd last byte: high byte 0
      {u"QQA=", u"A"},
      {u"QUIAAEM=", u"\u4241"},        // stops at the first zero unit
      {u"AABB", u""},
      {u"/v8=", u"\uFFFE"},
      {u"", u""},
  };
  for (const auto& row : rows) {
    CString out(u"stale");
    EXPECT_EQ(CBase64::Decode(CString(row.text), out), 0);
    EXPECT_EQ(U16(out), row.units) << std::string(row.text.begin(), row.text.end());
  }
  CString same(u"TQBhAG4A");
  EXPECT_EQ(CBase64::Decode(same, same), 0);
  EXPECT_EQ(U16(same), u"Man");
}

TEST(CBase64Test, DecodesIntoAByteArrayVariant) {
  for (const auto& [text, bytes] : {std::pair{u"TWFu", B("Man")}, std::pair{u"", Bytes{}}, std::pair{u"TQ", Bytes{}}}) {
    CComVariant variant;
    variant = COleVariant(5, VT_I4);
    COleVariant held;
    held = CString(u"released").GetString();
    variant = held;
    EXPECT_EQ(CBase64::Decode(CString(text), variant), 0);
    ASSERT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(variant.parray), 1u);
    LONG lower = -1, upper = -1;
    VARTYPE type = 0;
    SafeArrayGetLBound(variant.parray, 1, &lower);
    SafeArrayGetUBound(variant.parray, 1, &upper);
    SafeArrayGetVartype(variant.parray, &type);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, static_cast<LONG>(bytes.size()) - 1);
    EXPECT_EQ(type, VT_UI1);
    EXPECT_EQ(variant.parray->cLocks, 0u);
    const auto* data = static_cast<const unsigned char*>(variant.parray->pvData);
    if (!bytes.empty()) {
      EXPECT_EQ(Bytes(data, data + bytes.size()), bytes);
    }
  }
}

TEST(CBase64Test, DecodeIntoAVariantThatCannotBeClearedReportsInTheVariant) {
  CComVariant variant;
  COleVariant bytes;
  CByteArray one;
  one.Add(1);
  bytes = one;
  variant = bytes;
  SAFEARRAY* locked = variant.parray;
  ASSERT_EQ(SafeArrayLock(locked), S_OK);
  EXPECT_EQ(CBase64::Decode(CString(u"TWFu"), variant), 0) << "the status stays 0";
  EXPECT_EQ(variant.vt, VT_ERROR);
  EXPECT_EQ(variant.scode, DISP_E_ARRAYISLOCKED);
  SafeArrayUnlock(locked);
  SafeArrayDestroy(locked);
}

TEST(CBase64Test, EncodesTheFirstDimensionOfAVariantsArray) {
  // Lower bound 1, upper bound 3: three bytes from the start of the data.
  CComVariant variant;
  variant.vt = VT_ARRAY | VT_UI1;
  variant.parray = SafeArrayCreateVector(VT_UI1, 1, 3);
  std::memcpy(variant.parray->pvData, "Man", 3);
  CString out(u"stale");
  EXPECT_EQ(CBase64::Encode(variant, out), 0);
  EXPECT_EQ(U16(out), u"TWFu");
  EXPECT_EQ(variant.parray->cLocks, 0u);

  // The element type is not examined: two 4-byte elements give two bytes.
  CComVariant wide;
  wide.vt = VT_ARRAY | VT_I4;
  wide.parray = SafeArrayCreateVector(VT_I4, -5, 2);
  std::memcpy(wide.parray->pvData, "Ma\xFF\xFF", 4);
  EXPECT_EQ(CBase64::Encode(wide, out), 0);
  EXPECT_EQ(U16(out), u"TWE=");

  // Dimension 1 of a two-dimensional array; the count comes from it alone.
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
  CComVariant grid;
  grid.vt = VT_ARRAY | VT_UI1;
  grid.parray = SafeArrayCreate(VT_UI1, 2, bounds);
  std::memcpy(grid.parray->pvData, "Man", 3);
  EXPECT_EQ(CBase64::Encode(grid, out), 0);
  EXPECT_EQ(U16(out), u"TWE=");
}

TEST(CBase64Test, EncodeOfAVariantPassesFailuresBackWithTheArrayUnlocked) {
  CString out(u"untouched");
  CComVariant empty;  // no array
  EXPECT_EQ(CBase64::Encode(empty, out), E_INVALIDARG);
  EXPECT_EQ(U16(out), u"untouched");

  CComVariant full;
  full.vt = VT_ARRAY | VT_UI1;
  full.parray = SafeArrayCreateVector(VT_UI1, 0, 1);
  full.parray->cLocks = 0xFFFFFFFFu;  // no lock can be taken
  EXPECT_EQ(CBase64::Encode(full, out), E_UNEXPECTED);
  EXPECT_EQ(full.parray->cLocks, 0xFFFFFFFFu);
  full.parray->cLocks = 0;
  EXPECT_EQ(U16(out), u"untouched");

  // An array with no dimension: the lock succeeds, the bound read fails.
  unsigned char data[1] = {'M'};
  SAFEARRAY no_dimension{};
  no_dimension.cbElements = 1;
  no_dimension.pvData = data;
  VARIANT borrowed{};
  borrowed.vt = VT_BYREF | VT_UI1;  // owns nothing, so the wrapper may release it
  borrowed.byref = data;
  CComVariant variant(borrowed);
  variant.parray = &no_dimension;
  EXPECT_EQ(CBase64::Encode(variant, out), DISP_E_BADINDEX);
  EXPECT_EQ(no_dimension.cLocks, 0u) << "the access is released";
  EXPECT_EQ(U16(out), u"untouched");
}

// Every length from 0 to 300, through the three carriers.
TEST(CBase64Test, RoundTripsThroughEveryCarrier) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> unit(1, 0xFFFF);
  for (std::size_t length = 0; length <= 300; ++length) {
    Bytes bytes(length);
    for (auto& b : bytes) b = static_cast<unsigned char>(byte(random));
    const CString text = Encoded(bytes);
    ASSERT_EQ(U16(text), ReferenceEncode(bytes)) << length;
    EXPECT_EQ(Decoded(U16(text)), bytes) << length;

    // With line breaks every 76 characters, as mail writes it.
    std::u16string wrapped = U16(text);
    for (std::size_t at = 76; at < wrapped.size(); at += 78) wrapped.insert(at, u"\r\n");
    EXPECT_EQ(Decoded(wrapped), bytes) << length;

    COleVariant source;
    CByteArray array;
    for (const auto b : bytes) array.Add(b);
    source = array;
    CString from_variant;
    EXPECT_EQ(CBase64::Encode(CComVariant(source), from_variant), 0);
    EXPECT_EQ(U16(from_variant), U16(text));
    CComVariant back;
    EXPECT_EQ(CBase64::Decode(from_variant, back), 0);
    ASSERT_EQ(back.vt, VT_ARRAY | VT_UI1);
    const auto* data = static_cast<const unsigned char*>(back.parray->pvData);
    EXPECT_EQ(Bytes(data, data + back.parray->rgsabound[0].cElements), bytes) << length;

    // Strings of length / 2 non-zero units.
    std::u16string units(length / 2, u'\0');
    for (auto& u : units) u = static_cast<char16_t>(unit(random));
    CString encoded_units;
    EXPECT_EQ(CBase64::Encode(CString(units), encoded_units), 0);
    CString decoded_units;
    EXPECT_EQ(CBase64::Decode(encoded_units, decoded_units), 0);
    EXPECT_EQ(U16(decoded_units), units) << length;
  }
}

// The fast path over whole groups must agree with the rules on any text.
TEST(CBase64Test, DecoderAgreesWithTheRulesOnMixedText) {
  std::mt19937 random(77);
  const std::u16string pieces = u"AZaz09+/= \r\n-_\u0141\u013D\uFF3D";
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> pad_rarely(0, 40);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const std::size_t length = static_cast<std::size_t>(round % 97);
    for (std::size_t i = 0; i < length; ++i) {
      char16_t u = pieces[pick(random)];
      if ((u & 0xFF) == '=' && pad_rarely(random) != 0) u = u'Q';
      text += u;
    }
    ASSERT_EQ(Decoded(text), ReferenceDecode(text)) << round;
  }
}

}  // namespace
