#include <zelu/platform/variant/variant_wrappers.h>

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
  const struct { long value; VARTYPE type, expected_type; LONG expected; } rows[] = {  // lVal, boolVal or scode
      {42, VT_I4, VT_I4, 42},
      {-7, VT_I4, VT_I4, -7},
      {1, VT_BOOL, VT_BOOL, VARIANT_TRUE},
      {-123456, VT_BOOL, VT_BOOL, VARIANT_TRUE},
      {0, VT_BOOL, VT_BOOL, VARIANT_FALSE},
      {static_cast<long>(E_INVALIDARG), VT_ERROR, VT_ERROR, E_INVALIDARG},
      {5, VT_R8, VT_I4, 5},
  };
  for (const auto& row : rows) {
    const COleVariant wide(row.value, row.type), narrow(static_cast<LONG>(row.value), row.type);
    for (const COleVariant* v : {&wide, &narrow}) {
      EXPECT_EQ(v->vt, row.expected_type) << row.value;
      EXPECT_EQ(v->vt == VT_BOOL ? v->boolVal : v->vt == VT_ERROR ? v->scode : v->lVal, row.expected) << row.value;
    }
  }
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
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(Units(v.bstrVal), u"first");
  v = W(u"second");
  EXPECT_EQ(Units(v.bstrVal), u"second");
  for (const auto& bytes : {Bytes{}, Bytes{0}, Bytes{1, 0, 255, 9}}) {
    CByteArray source = MakeBytes(bytes);
    v = source;
    if (!bytes.empty()) source[0] = 77;
    EXPECT_EQ(ByteArrayOf(v), bytes);
  }
  v = static_cast<const WCHAR*>(nullptr);
  EXPECT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(v.bstrVal, nullptr);
}

TEST(CComVariantTest, CopyAndAssignmentAreDeep) {
  COleVariant source;
  source = MakeBytes({5, 6, 7});
  CComVariant target;
  target = source;
  const CComVariant copy(target);
  const CComVariant& same = target;
  target = same;
  static_cast<BYTE*>(source.parray->pvData)[0] = 0;
  EXPECT_EQ(ByteArrayOf(target), (Bytes{5, 6, 7}));
  EXPECT_EQ(ByteArrayOf(copy), (Bytes{5, 6, 7}));
  COleVariant text;
  text = W(u"words");
  target = text;  // releases the array
  ASSERT_EQ(target.vt, VT_BSTR);
  EXPECT_EQ(Units(target.bstrVal), u"words");
}

// The target releases what it held and holds the failure code. A target
// holding a locked array lets go of it; the holder of the lock destroys it.
TEST(CComVariantTest, FailedCopyBecomesAnErrorVariant) {
  COleVariant text, bytes;
  text = W(u"held");
  bytes = MakeBytes({1});
  CComVariant refused(text), locked(bytes);
  VARIANT object{};
  object.vt = VT_UNKNOWN;
  refused = object;
  EXPECT_EQ(refused.vt, VT_ERROR);
  EXPECT_EQ(refused.scode, DISP_E_BADVARTYPE);
  SAFEARRAY* const array = locked.parray;
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  locked = text;
  EXPECT_EQ(locked.vt, VT_ERROR);
  EXPECT_EQ(locked.scode, DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

}  // namespace
