#include <zelu/platform/variant/variant_wrappers.h>

#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/byte_array_variant.h>
#include <zelu/testing/wide_text.h>

// Both wrappers release what they hold when overwritten or destroyed: the
// asan run fails a leak or a double free.
namespace {

using W = zelu::testing::WideText;
using Bytes = std::vector<BYTE>;
using zelu::testing::ByteArrayOf;

CByteArray MakeBytes(const Bytes& bytes) {
  CByteArray array;
  for (const BYTE b : bytes) array.Add(b);
  return array;
}

std::u16string Units(BSTR text) { return zelu::testing::ToU16(text, SysStringLen(text)); }

TEST(COleVariantTest, Constructors) {
  // The value, the type asked for and held, and the lVal, boolVal or scode.
  const struct { long long value; VARTYPE type, held; LONG expected; } rows[] = {
      {-7, VT_I4, VT_I4, -7}, {-123456, VT_BOOL, VT_BOOL, VARIANT_TRUE}, {0, VT_BOOL, VT_BOOL, VARIANT_FALSE},
      {E_INVALIDARG, VT_ERROR, VT_ERROR, E_INVALIDARG}, {5, VT_R8, VT_I4, 5}, {0x700000005, VT_I4, VT_I4, 5}};
  for (const auto& row : rows) {
    if (!std::in_range<long>(row.value)) continue;  // the last row needs a 64-bit `long`
    const COleVariant wide(static_cast<long>(row.value), row.type), narrow(static_cast<LONG>(row.value), row.type);
    for (const COleVariant* v : {&wide, &narrow}) {
      EXPECT_EQ(v->vt, row.held) << row.value;
      EXPECT_EQ(v->vt == VT_BOOL ? v->boolVal : v->vt == VT_ERROR ? v->scode : v->lVal, row.expected) << row.value;
    }
  }
  // 2^62 where `long` has 64 bits: non-zero, though its low 32 bits are zero
  EXPECT_EQ(COleVariant(std::numeric_limits<long>::max() / 2 + 1, VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(COleVariant().vt, VT_EMPTY);
  const COleVariant byte(BYTE{200}), single(0.1f), real(-2.5);
  EXPECT_EQ(std::pair(byte.vt, byte.bVal), std::pair(VARTYPE{VT_UI1}, BYTE{200}));
  EXPECT_EQ(std::pair(single.vt, single.fltVal), std::pair(VARTYPE{VT_R4}, 0.1f));
  EXPECT_EQ(std::pair(real.vt, real.dblVal), std::pair(VARTYPE{VT_R8}, -2.5));
}

// Each assignment releases what the variant held. From a CByteArray: one
// dimension, lower bound 0, VT_UI1, holding a copy of the bytes.
TEST(COleVariantTest, AssignmentFromWideTextAndByteArray) {
  COleVariant v(3, VT_I4);
  v = W(u"first");
  EXPECT_EQ(Units(v.bstrVal), u"first");
  for (const auto& bytes : {Bytes{}, Bytes{1, 0, 255, 9}}) {
    CByteArray source = MakeBytes(bytes);
    v = source;
    if (!bytes.empty()) source[0] = 77;
    EXPECT_EQ(ByteArrayOf(v), bytes);
  }
  v = static_cast<const WCHAR*>(nullptr);
  EXPECT_EQ(std::pair(v.vt, v.bstrVal), std::pair(VARTYPE{VT_BSTR}, BSTR{nullptr}));
}

// Copies are deep; a failed copy leaves the target VT_ERROR with the code,
// and a target holding a locked array lets go of it (the lock's holder
// destroys it).
TEST(CComVariantTest, CopyIsDeepAndFailureBecomesAnErrorVariant) {
  COleVariant source, text;
  source = MakeBytes({5, 6, 7});
  text = W(u"words");
  CComVariant target;
  target = source;
  const CComVariant copy(target);
  const CComVariant& same = target;
  target = same;
  static_cast<BYTE*>(source.parray->pvData)[0] = 0;
  EXPECT_EQ(ByteArrayOf(target), (Bytes{5, 6, 7}));
  EXPECT_EQ(ByteArrayOf(copy), (Bytes{5, 6, 7}));

  SAFEARRAY* const array = target.parray;
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  target = text;
  EXPECT_EQ(std::pair(target.vt, target.scode), std::pair(VARTYPE{VT_ERROR}, DISP_E_ARRAYISLOCKED));
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  target = text;
  EXPECT_EQ(Units(target.bstrVal), u"words");
  VARIANT object{};
  object.vt = VT_RECORD;
  target = object;
  EXPECT_EQ(std::pair(target.vt, target.scode), std::pair(VARTYPE{VT_ERROR}, DISP_E_BADVARTYPE));
}

}  // namespace
