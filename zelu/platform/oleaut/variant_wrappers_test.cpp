#include <zelu/platform/oleaut/variant_wrappers.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

CByteArray MakeBytes(const std::vector<BYTE>& bytes) {
  CByteArray array;
  for (const BYTE b : bytes) array.Add(b);
  return array;
}

std::vector<BYTE> ArrayBytes(const VARIANT& v) {
  const auto* data = static_cast<const BYTE*>(v.parray->pvData);
  return {data, data + v.parray->rgsabound[0].cElements};
}

TEST(COleVariantTest, LongAndTypeConstructor) {
  const struct {
    long value;
    VARTYPE type;
    VARTYPE expected_type;
    LONG expected;  // lVal, boolVal or scode
  } rows[] = {
      {42, VT_I4, VT_I4, 42},
      {-7, VT_I4, VT_I4, -7},
      {1, VT_BOOL, VT_BOOL, VARIANT_TRUE},
      {-123456, VT_BOOL, VT_BOOL, VARIANT_TRUE},
      {0, VT_BOOL, VT_BOOL, VARIANT_FALSE},
      {static_cast<long>(E_INVALIDARG), VT_ERROR, VT_ERROR, E_INVALIDARG},
      {5, VT_R8, VT_I4, 5},
  };
  for (const auto& row : rows) {
    const COleVariant v(row.value, row.type);
    EXPECT_EQ(v.vt, row.expected_type) << row.value;
    const LONG held = v.vt == VT_BOOL ? v.boolVal : v.vt == VT_ERROR ? v.scode : v.lVal;
    EXPECT_EQ(held, row.expected) << row.value;
  }
  const COleVariant from_int(LONG{9});
  EXPECT_EQ(from_int.vt, VT_I4);
  EXPECT_EQ(from_int.lVal, 9);
  const COleVariant from_bool(true, VT_BOOL);
  EXPECT_EQ(from_bool.boolVal, VARIANT_TRUE);
  EXPECT_EQ(COleVariant().vt, VT_EMPTY);
}

TEST(COleVariantTest, ByteFloatAndDoubleConstructors) {
  const COleVariant byte(BYTE{200});
  EXPECT_EQ(byte.vt, VT_UI1);
  EXPECT_EQ(byte.bVal, 200);
  const COleVariant single(0.1f);
  EXPECT_EQ(single.vt, VT_R4);
  EXPECT_EQ(single.fltVal, 0.1f);
  const COleVariant wide(-2.5);
  EXPECT_EQ(wide.vt, VT_R8);
  EXPECT_EQ(wide.dblVal, -2.5);
}

TEST(COleVariantTest, AssignmentFromWideText) {
  COleVariant v(3, VT_I4);
  v = W(u"first");
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(ToU16(v.bstrVal, SysStringLen(v.bstrVal)), u"first");
  v = W(u"second");  // releases "first": asan catches a leak
  EXPECT_EQ(ToU16(v.bstrVal, SysStringLen(v.bstrVal)), u"second");
  v = static_cast<const WCHAR*>(nullptr);
  EXPECT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(v.bstrVal, nullptr);
}

TEST(COleVariantTest, AssignmentFromByteArrayMakesAByteVector) {
  for (const auto& bytes : {std::vector<BYTE>{}, std::vector<BYTE>{0}, std::vector<BYTE>{1, 0, 255, 9}}) {
    CByteArray source = MakeBytes(bytes);
    COleVariant v;
    v = W(u"released");
    v = source;
    ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(v.parray), 1u);
    LONG lower = -1, upper = -1;
    VARTYPE type = 0;
    EXPECT_EQ(SafeArrayGetLBound(v.parray, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(v.parray, 1, &upper), S_OK);
    EXPECT_EQ(SafeArrayGetVartype(v.parray, &type), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, static_cast<LONG>(bytes.size()) - 1);
    EXPECT_EQ(type, VT_UI1);
    EXPECT_EQ(v.parray->cLocks, 0u);
    if (!bytes.empty()) {
      source[0] = 77;
      EXPECT_EQ(ArrayBytes(v), bytes) << "holds a copy";
    }
  }
}

TEST(CComVariantTest, AssignmentIsADeepCopy) {
  COleVariant source;
  source = MakeBytes({5, 6, 7});
  CComVariant target;
  target = source;
  ASSERT_EQ(target.vt, VT_ARRAY | VT_UI1);
  EXPECT_NE(target.parray, source.parray);
  static_cast<BYTE*>(source.parray->pvData)[0] = 0;
  EXPECT_EQ(ArrayBytes(target), (std::vector<BYTE>{5, 6, 7}));

  COleVariant text;
  text = W(u"words");
  target = text;  // releases the array
  ASSERT_EQ(target.vt, VT_BSTR);
  const CComVariant copy(target);
  EXPECT_NE(copy.bstrVal, target.bstrVal);
  EXPECT_EQ(ToU16(copy.bstrVal, SysStringLen(copy.bstrVal)), u"words");
  const CComVariant& same = target;
  target = same;
  EXPECT_EQ(ToU16(target.bstrVal, SysStringLen(target.bstrVal)), u"words");
}

TEST(CComVariantTest, FailedCopyBecomesAnErrorVariant) {
  // A source that cannot be copied: what the target held is still released.
  CComVariant target;
  COleVariant text;
  text = W(u"held");
  target = text;
  VARIANT object;
  object.vt = VT_UNKNOWN;
  object.punkVal = nullptr;
  target = object;
  EXPECT_EQ(target.vt, VT_ERROR);
  EXPECT_EQ(target.scode, DISP_E_BADVARTYPE);

  // A target that holds a locked array cannot be cleared: it lets go of the
  // array, and the holder of the lock destroys it.
  CComVariant locked;
  COleVariant bytes;
  bytes = MakeBytes({1});
  locked = bytes;
  SAFEARRAY* array = locked.parray;
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  locked = text;
  EXPECT_EQ(locked.vt, VT_ERROR);
  EXPECT_EQ(locked.scode, DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

}  // namespace
