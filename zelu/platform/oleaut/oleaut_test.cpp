#include <zelu/platform/oleaut/oleaut.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

namespace {

using W = zelu::testing::WideText;
using zelu::testing::ToU16;

UINT StoredPrefix(BSTR text) {
  UINT prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(text) - 4, sizeof prefix);
  return prefix;
}

std::u16string Units(BSTR text) { return ToU16(text, SysStringLen(text)); }

VARIANT StringVariant(std::u16string_view text) {
  VARIANT v;
  VariantInit(&v);
  const W units(text);
  v.bstrVal = SysAllocStringLen(units, static_cast<UINT>(units.size()));
  v.vt = VT_BSTR;
  return v;
}

SAFEARRAY* ByteVector(std::vector<BYTE> bytes, LONG lower = 0) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
  if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
  return array;
}

std::vector<BYTE> BytesOf(SAFEARRAY* array) {
  const auto* data = static_cast<const BYTE*>(array->pvData);
  return {data, data + array->rgsabound[0].cElements};
}

TEST(BstrTest, LayoutIsBytePrefixUnitsAndZeroUnit) {
  const std::u16string with_zero(u"a\0bc", 4);
  const W units(with_zero);
  BSTR text = SysAllocStringLen(units, 4);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(StoredPrefix(text), 8u);
  EXPECT_EQ(SysStringLen(text), 4u);
  EXPECT_EQ(SysStringByteLen(text), 8u);
  EXPECT_EQ(Units(text), with_zero);
  EXPECT_EQ(text[4], 0);
  SysFreeString(text);

  text = SysAllocString(W(u"hello"));
  EXPECT_EQ(StoredPrefix(text), 10u);
  EXPECT_EQ(Units(text), u"hello");
  SysFreeString(text);
}

TEST(BstrTest, NullAndEmptyInputs) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);

  BSTR empty = SysAllocString(W(u""));
  ASSERT_NE(empty, nullptr) << "the empty text is not the null string";
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], 0);
  SysFreeString(empty);

  BSTR blank = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(Units(blank), std::u16string(3, u'\0'));
  SysFreeString(blank);

  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr) << "byte length would not fit 32 bits";
}

TEST(VariantTest, ClearReleasesWhatTheVariantOwns) {
  VARIANT text = StringVariant(u"owned");
  EXPECT_EQ(VariantClear(&text), S_OK);
  EXPECT_EQ(text.vt, VT_EMPTY);

  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_UI1;
  array.parray = ByteVector({1, 2, 3});
  EXPECT_EQ(VariantClear(&array), S_OK);
  EXPECT_EQ(array.vt, VT_EMPTY);

  // A reference owns nothing: clearing it leaves the string alone.
  BSTR shared = SysAllocString(W(u"x"));
  VARIANT ref;
  ref.vt = VT_BYREF | VT_BSTR;
  ref.byref = &shared;
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(Units(shared), u"x");
  SysFreeString(shared);
  // An asan run fails this test if either clear leaked.
}

TEST(VariantTest, ClearRefusesLockedArraysAndObjects) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = ByteVector({7});
  ASSERT_EQ(SafeArrayLock(v.parray), S_OK);
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(BytesOf(v.parray), std::vector<BYTE>{7});
  ASSERT_EQ(SafeArrayUnlock(v.parray), S_OK);
  EXPECT_EQ(VariantClear(&v), S_OK);

  for (const VARTYPE refused : {VARTYPE{VT_UNKNOWN}, VARTYPE{VT_DISPATCH}, VARTYPE{VT_ARRAY | VT_UNKNOWN},
                                VARTYPE{VT_RECORD}, VARTYPE{99}}) {
    VARIANT object;
    object.vt = refused;
    object.llVal = 0;
    EXPECT_EQ(VariantClear(&object), DISP_E_BADVARTYPE) << refused;
    EXPECT_EQ(object.vt, refused);
  }
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantTest, CopyOfAStringIsIndependent) {
  VARIANT source = StringVariant(u"abc");
  VARIANT copy = StringVariant(u"replaced");  // released by the copy
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, source.bstrVal);
  source.bstrVal[0] = 'z';
  EXPECT_EQ(Units(copy.bstrVal), u"abc");
  VariantClear(&source);
  EXPECT_EQ(Units(copy.bstrVal), u"abc");
  VariantClear(&copy);

  VARIANT null_string;
  null_string.vt = VT_BSTR;
  null_string.bstrVal = nullptr;
  VARIANT to;
  VariantInit(&to);
  ASSERT_EQ(VariantCopy(&to, &null_string), S_OK);
  EXPECT_EQ(to.vt, VT_BSTR);
  EXPECT_EQ(to.bstrVal, nullptr);
}

TEST(VariantTest, CopyOfAnArrayIsIndependentAndUnlocked) {
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_ARRAY | VT_UI1;
  source.parray = ByteVector({1, 2, 3}, 5);
  ASSERT_EQ(SafeArrayLock(source.parray), S_OK);  // copying from a locked array is allowed
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_EQ(copy.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(copy.parray, source.parray);
  EXPECT_EQ(copy.parray->cLocks, 0u);
  LONG lower = 0;
  EXPECT_EQ(SafeArrayGetLBound(copy.parray, 1, &lower), S_OK);
  EXPECT_EQ(lower, 5);
  static_cast<BYTE*>(source.parray->pvData)[0] = 9;
  EXPECT_EQ(BytesOf(copy.parray), (std::vector<BYTE>{1, 2, 3}));
  ASSERT_EQ(SafeArrayUnlock(source.parray), S_OK);
  EXPECT_EQ(VariantClear(&source), S_OK);
  EXPECT_EQ(VariantClear(&copy), S_OK);
}

TEST(VariantTest, CopyFailuresLeaveTheDestinationAsItWas) {
  // Onto a variant that holds a locked array: it cannot be cleared.
  VARIANT locked;
  VariantInit(&locked);
  locked.vt = VT_ARRAY | VT_UI1;
  locked.parray = ByteVector({4});
  SafeArrayLock(locked.parray);
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  number.lVal = 12;
  EXPECT_EQ(VariantCopy(&locked, &number), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(locked.vt, VT_ARRAY | VT_UI1);
  SafeArrayUnlock(locked.parray);
  EXPECT_EQ(VariantCopy(&locked, &number), S_OK) << "the array is released once unlocked";
  EXPECT_EQ(locked.lVal, 12);

  // From a value of a type that is refused: the destination is not cleared.
  VARIANT held = StringVariant(u"kept");
  VARIANT object;
  object.vt = VT_UNKNOWN;
  object.punkVal = nullptr;
  EXPECT_EQ(VariantCopy(&held, &object), DISP_E_BADVARTYPE);
  EXPECT_EQ(Units(held.bstrVal), u"kept");

  EXPECT_EQ(VariantCopy(&held, &held), S_OK);
  EXPECT_EQ(Units(held.bstrVal), u"kept");
  EXPECT_EQ(VariantCopy(nullptr, &held), E_INVALIDARG);
  EXPECT_EQ(VariantCopy(&held, nullptr), E_INVALIDARG);
  VariantClear(&held);
}

TEST(SafeArrayTest, BoundsDimensionsAndStoredOrder) {
  SAFEARRAYBOUND bounds[2] = {{3, -1}, {4, 10}};  // dimension 1: -1..1, dimension 2: 10..13
  SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  EXPECT_EQ(array->cbElements, 4u);
  // The platform's order: the last dimension first.
  EXPECT_EQ(array->rgsabound[0].cElements, 4u);
  EXPECT_EQ(array->rgsabound[0].lLbound, 10);
  const struct {
    UINT dim;
    LONG lower, upper;
  } rows[] = {{1, -1, 1}, {2, 10, 13}};
  for (const auto& row : rows) {
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(array, row.dim, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, row.dim, &upper), S_OK);
    EXPECT_EQ(lower, row.lower) << row.dim;
    EXPECT_EQ(upper, row.upper) << row.dim;
  }
  LONG untouched = 77;
  for (const UINT dim : {0u, 3u}) {
    EXPECT_EQ(SafeArrayGetLBound(array, dim, &untouched), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array, dim, &untouched), DISP_E_BADINDEX);
  }
  EXPECT_EQ(untouched, 77);
  const auto* data = static_cast<const LONG*>(array->pvData);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(data[i], 0) << "new data is zero-filled";
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);

  SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 4, 0);
  LONG upper = 0;
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &upper), S_OK);
  EXPECT_EQ(upper, 3) << "an empty dimension ends one before its lower bound";
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
}

TEST(SafeArrayTest, ElementTypesAndSizes) {
  const struct {
    VARTYPE type;
    UINT size;
  } rows[] = {{VT_UI1, 1},  {VT_I1, 1},  {VT_I2, 2},   {VT_BOOL, 2},          {VT_I4, 4},
              {VT_R4, 4},   {VT_ERROR, 4}, {VT_R8, 8}, {VT_DATE, 8},          {VT_I8, 8},
              {VT_BSTR, sizeof(BSTR)}, {VT_VARIANT, sizeof(VARIANT)}};
  for (const auto& row : rows) {
    SAFEARRAY* array = SafeArrayCreateVector(row.type, 0, 2);
    ASSERT_NE(array, nullptr) << row.type;
    EXPECT_EQ(SafeArrayGetElemsize(array), row.size) << row.type;
    VARTYPE type = 0;
    EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  }
  for (const VARTYPE refused : {VARTYPE{VT_EMPTY}, VARTYPE{VT_UNKNOWN}, VARTYPE{VT_DISPATCH}, VARTYPE{VT_RECORD}}) {
    EXPECT_EQ(SafeArrayCreateVector(refused, 0, 1), nullptr) << refused;
  }
  SAFEARRAYBOUND huge[2] = {{0x80000000u, 0}, {0x80000000u, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 2, huge), nullptr) << "a size that cannot be represented";
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, huge), nullptr);
}

TEST(SafeArrayTest, LockCounting) {
  SAFEARRAY* array = ByteVector({1, 2});
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  EXPECT_EQ(data, array->pvData);
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  EXPECT_EQ(array->cLocks, 2u);

  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(BytesOf(array), (std::vector<BYTE>{1, 2})) << "left intact";
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED) << "one lock is still held";
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayTest, NullArrayOrOutPointerIsAnInvalidArgument) {
  SAFEARRAY* array = ByteVector({1});
  LONG bound = 0;
  VARTYPE type = 0;
  void* data = nullptr;
  SAFEARRAY* copy = array;
  const HRESULT results[] = {
      SafeArrayDestroy(nullptr),
      SafeArrayLock(nullptr),
      SafeArrayUnlock(nullptr),
      SafeArrayAccessData(nullptr, &data),
      SafeArrayAccessData(array, nullptr),
      SafeArrayUnaccessData(nullptr),
      SafeArrayGetLBound(nullptr, 1, &bound),
      SafeArrayGetLBound(array, 1, nullptr),
      SafeArrayGetUBound(nullptr, 1, &bound),
      SafeArrayGetUBound(array, 1, nullptr),
      SafeArrayGetVartype(nullptr, &type),
      SafeArrayGetVartype(array, nullptr),
      SafeArrayCopy(nullptr, &copy),
      SafeArrayCopy(array, nullptr),
  };
  for (std::size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], E_INVALIDARG) << "call " << i;
  EXPECT_EQ(copy, nullptr) << "a failed copy leaves a null target";
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayTest, CopyOfStringsAndVariantsIsDeep) {
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 1, 3);
  auto* units = static_cast<BSTR*>(strings->pvData);
  units[0] = SysAllocString(W(u"one"));
  units[2] = SysAllocString(W(u"three"));  // units[1] stays null
  SAFEARRAY* strings_copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(strings, &strings_copy), S_OK);
  auto* copied = static_cast<BSTR*>(strings_copy->pvData);
  EXPECT_NE(copied[0], units[0]);
  EXPECT_EQ(copied[1], nullptr);
  EXPECT_EQ(SafeArrayDestroy(strings), S_OK);  // frees its own strings only
  EXPECT_EQ(Units(copied[0]), u"one");
  EXPECT_EQ(Units(copied[2]), u"three");
  EXPECT_EQ(SafeArrayDestroy(strings_copy), S_OK);

  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  auto* items = static_cast<VARIANT*>(variants->pvData);
  EXPECT_EQ(items[0].vt, VT_EMPTY);
  items[0] = StringVariant(u"inner");
  SAFEARRAY* variants_copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(variants, &variants_copy), S_OK);
  auto* copied_items = static_cast<VARIANT*>(variants_copy->pvData);
  EXPECT_NE(copied_items[0].bstrVal, items[0].bstrVal);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
  EXPECT_EQ(Units(copied_items[0].bstrVal), u"inner");

  // An element that cannot be copied fails the whole copy.
  copied_items[1].vt = VT_UNKNOWN;
  SAFEARRAY* failed = variants_copy;
  EXPECT_EQ(SafeArrayCopy(variants_copy, &failed), DISP_E_BADVARTYPE);
  EXPECT_EQ(failed, nullptr);
  copied_items[1].vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayDestroy(variants_copy), S_OK);
}

}  // namespace
