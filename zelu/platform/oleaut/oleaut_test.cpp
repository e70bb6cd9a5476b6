#include <zelu/platform/oleaut/oleaut.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/wide_text.h>

// Every string and array a test makes is released once: the asan run fails
// a leak or a double free, and a copy that shares what its source owns.
namespace {

using W = zelu::testing::WideText;
using Bytes = std::vector<BYTE>;

std::u16string Units(BSTR text) { return zelu::testing::ToU16(text, SysStringLen(text)); }

VARIANT StringVariant(std::u16string_view text) {
  VARIANT v{};
  v.bstrVal = SysAllocStringLen(W(text), static_cast<UINT>(text.size()));
  v.vt = VT_BSTR;
  return v;
}

VARIANT ByteVector(Bytes bytes, LONG lower = 0) {
  VARIANT v{};
  v.parray = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
  if (!bytes.empty()) std::memcpy(v.parray->pvData, bytes.data(), bytes.size());
  v.vt = VT_ARRAY | VT_UI1;
  return v;
}

Bytes BytesOf(SAFEARRAY* array) {
  const auto* data = static_cast<const BYTE*>(array->pvData);
  return {data, data + array->rgsabound[0].cElements};
}

// The lower and upper bound of a dimension.
std::pair<LONG, LONG> Bounds(SAFEARRAY* array, UINT dim) {
  LONG lower = -99, upper = -99;
  EXPECT_EQ(SafeArrayGetLBound(array, dim, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, dim, &upper), S_OK);
  return {lower, upper};
}

// Checks a BSTR's layout (a 32-bit byte length, the units, a zero unit) and
// frees it.
void ExpectBstr(BSTR text, std::u16string_view units) {
  ASSERT_NE(text, nullptr);
  UINT prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const unsigned char*>(text) - 4, sizeof prefix);
  EXPECT_EQ(prefix, 2 * units.size());
  EXPECT_EQ(SysStringByteLen(text), 2 * units.size());
  EXPECT_EQ(Units(text), units);
  EXPECT_EQ(text[units.size()], 0);
  SysFreeString(text);
}

TEST(BstrTest, LayoutAndNullInputs) {
  const std::u16string with_zero(u"a\0bc", 4);
  ExpectBstr(SysAllocStringLen(W(with_zero), 4), with_zero);
  ExpectBstr(SysAllocString(W(u"hello")), u"hello");
  ExpectBstr(SysAllocString(W(u"")), u"");  // the empty text is not the null string
  ExpectBstr(SysAllocStringLen(nullptr, 3), std::u16string(3, u'\0'));
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr) << "byte length would not fit 32 bits";
}

// A copy owns its own string or array: it survives changes to its source
// and the source's clear. Copying from a locked array gives an unlocked one;
// a null string copies as a null string.
TEST(VariantTest, CopiesAreIndependent) {
  VARIANT text = StringVariant(u"abc"), array = ByteVector({1, 2, 3}, 5), null_text{};
  null_text.vt = VT_BSTR;
  ASSERT_EQ(SafeArrayLock(array.parray), S_OK);
  VARIANT copies[3] = {StringVariant(u"released"), StringVariant(u"by"), StringVariant(u"the copy")};
  ASSERT_EQ(VariantCopy(&copies[0], &text), S_OK);
  ASSERT_EQ(VariantCopy(&copies[1], &array), S_OK);
  ASSERT_EQ(VariantCopy(&copies[2], &null_text), S_OK);
  for (VARIANT& copy : copies) ASSERT_EQ(VariantCopy(&copy, &copy), S_OK) << "onto itself";
  text.bstrVal[0] = u'z';
  static_cast<BYTE*>(array.parray->pvData)[0] = 9;
  ASSERT_EQ(SafeArrayUnlock(array.parray), S_OK);
  EXPECT_EQ(VariantClear(&text), S_OK);
  EXPECT_EQ(VariantClear(&array), S_OK);
  EXPECT_EQ(array.vt, VT_EMPTY);
  EXPECT_EQ(Units(copies[0].bstrVal), u"abc");
  EXPECT_EQ(copies[1].parray->cLocks, 0u);
  EXPECT_EQ(Bounds(copies[1].parray, 1), std::pair(5, 7));
  EXPECT_EQ(BytesOf(copies[1].parray), (Bytes{1, 2, 3}));
  EXPECT_EQ(copies[2].vt, VT_BSTR);
  EXPECT_EQ(copies[2].bstrVal, nullptr);
  for (VARIANT& copy : copies) EXPECT_EQ(VariantClear(&copy), S_OK);

  // A reference owns nothing: clearing it leaves the string alone.
  BSTR shared = SysAllocString(W(u"x"));
  VARIANT ref{};
  ref.vt = VT_BYREF | VT_BSTR;
  ref.byref = &shared;
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(Units(shared), u"x");
  SysFreeString(shared);
}

// An object counting its references; it records that it was freed.
class CountedObject : public IUnknown {
 public:
  explicit CountedObject(bool* freed) : freed_(freed) {}
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++count_; }
  ULONG Release() override {
    if (--count_ != 0) return count_;
    *freed_ = true;
    delete this;
    return 0;
  }
  ULONG count() const { return count_; }

 private:
  virtual ~CountedObject() = default;
  bool* freed_;
  ULONG count_ = 1;
};

// Copies add a reference, clearing releases one; the last clear frees the
// object, and a null reference is copied and cleared like any other value.
TEST(VariantTest, ObjectReferences) {
  for (const VARTYPE type : {VARTYPE{VT_UNKNOWN}, VARTYPE{VT_DISPATCH}}) {
    bool freed = false;
    auto* object = new CountedObject(&freed);
    VARIANT held{}, copy = StringVariant(u"overwritten"), empty{};
    held.vt = type;
    held.punkVal = object;
    ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
    EXPECT_EQ(copy.vt, type);
    EXPECT_EQ(copy.punkVal, object);
    EXPECT_EQ(object->count(), 2u);
    EXPECT_EQ(VariantClear(&held), S_OK);
    EXPECT_EQ(held.vt, VT_EMPTY);
    EXPECT_FALSE(freed);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_TRUE(freed);
    empty.vt = type;
    EXPECT_EQ(VariantCopy(&copy, &empty), S_OK);
    EXPECT_EQ(copy.punkVal, nullptr);
    EXPECT_EQ(VariantClear(&copy), S_OK);
  }
}

// Arrays of objects and unknown codes are refused, leaving both variants as
// they were.
TEST(VariantTest, RefusedTypes) {
  VARIANT held = StringVariant(u"kept");
  for (const VARTYPE refused : {VARTYPE{VT_ARRAY | VT_DISPATCH}, VARTYPE{VT_ARRAY | VT_UNKNOWN},
                                VARTYPE{VT_RECORD}, VARTYPE{99}}) {
    VARIANT object{};
    object.vt = refused;
    EXPECT_EQ(VariantClear(&object), DISP_E_BADVARTYPE) << refused;
    EXPECT_EQ(VariantCopy(&held, &object), DISP_E_BADVARTYPE) << refused;
    EXPECT_EQ(object.vt, refused);
  }
  EXPECT_EQ(Units(held.bstrVal), u"kept");
  VariantClear(&held);
}

TEST(SafeArrayTest, BoundsDimensionsAndStoredOrder) {
  SAFEARRAYBOUND bounds[2] = {{3, -1}, {4, 10}};  // dimension 1: -1..1, dimension 2: 10..13
  SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  // The platform's order: the last dimension first.
  EXPECT_EQ(array->rgsabound[0].cElements, 4u);
  EXPECT_EQ(array->rgsabound[0].lLbound, 10);
  EXPECT_EQ(Bounds(array, 1), std::pair(-1, 1));
  EXPECT_EQ(Bounds(array, 2), std::pair(10, 13));
  const auto* data = static_cast<const LONG*>(array->pvData);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(data[i], 0) << "new data is zero-filled";
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);

  VARIANT empty = ByteVector({}, 4);
  EXPECT_EQ(Bounds(empty.parray, 1), std::pair(4, 3)) << "an empty dimension ends one before its lower bound";
  EXPECT_EQ(VariantClear(&empty), S_OK);
}

TEST(SafeArrayTest, ElementTypesAndSizes) {
  const struct { VARTYPE type; UINT size; } rows[] = {  // size 0: refused
      {VT_UI1, 1}, {VT_I1, 1}, {VT_I2, 2}, {VT_BOOL, 2}, {VT_I4, 4}, {VT_R4, 4}, {VT_ERROR, 4}, {VT_R8, 8},
      {VT_DATE, 8}, {VT_I8, 8}, {VT_BSTR, sizeof(BSTR)}, {VT_VARIANT, sizeof(VARIANT)},
      {VT_EMPTY, 0}, {VT_UNKNOWN, 0}, {VT_DISPATCH, 0}, {VT_RECORD, 0}};
  for (const auto& row : rows) {
    SAFEARRAY* array = SafeArrayCreateVector(row.type, 0, 2);
    ASSERT_EQ(array != nullptr, row.size != 0) << row.type;
    VARTYPE type = 0;
    EXPECT_EQ(SafeArrayGetElemsize(array), row.size) << row.type;
    EXPECT_EQ(SafeArrayGetVartype(array, &type), array ? S_OK : E_INVALIDARG);
    EXPECT_EQ(type, array ? row.type : 0);
    EXPECT_EQ(SafeArrayDestroy(array), array ? S_OK : E_INVALIDARG);
  }
  SAFEARRAYBOUND huge[2] = {{0x80000000u, 0}, {0x80000000u, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 2, huge), nullptr) << "a size that cannot be represented";
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, huge), nullptr);
}

// Access and Lock raise the array's lock count, Unaccess and Unlock lower
// it. While it is above 0 nothing frees the array or copies over its
// variant, and the array is left intact.
TEST(SafeArrayTest, LockCounting) {
  VARIANT holder = ByteVector({1, 2});
  SAFEARRAY* const array = holder.parray;
  VARIANT number{};
  number.vt = VT_I4;
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  EXPECT_EQ(data, array->pvData);
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  EXPECT_EQ(array->cLocks, 2u);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED) << "one lock is still held";
  EXPECT_EQ(VariantClear(&holder), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(VariantCopy(&holder, &number), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(holder.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(BytesOf(holder.parray), (Bytes{1, 2})) << "left intact";
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(VariantCopy(&holder, &number), S_OK) << "the array is released once unlocked";
  EXPECT_EQ(holder.vt, VT_I4);
}

TEST(SafeArrayTest, NullArgumentsAndDimensionsOutOfRange) {
  VARIANT holder = ByteVector({1});
  SAFEARRAY* const array = holder.parray;
  LONG bound = 77;
  void* data = nullptr;
  SAFEARRAY* copy = array;
  const struct { HRESULT result, expected; } rows[] = {
      {SafeArrayDestroy(nullptr), E_INVALIDARG},
      {SafeArrayLock(nullptr), E_INVALIDARG},
      {SafeArrayUnlock(nullptr), E_INVALIDARG},
      {SafeArrayAccessData(nullptr, &data), E_INVALIDARG},
      {SafeArrayAccessData(array, nullptr), E_INVALIDARG},
      {SafeArrayUnaccessData(nullptr), E_INVALIDARG},
      {SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG},
      {SafeArrayGetLBound(array, 1, nullptr), E_INVALIDARG},
      {SafeArrayGetUBound(nullptr, 1, &bound), E_INVALIDARG},
      {SafeArrayGetUBound(array, 1, nullptr), E_INVALIDARG},
      {SafeArrayGetVartype(array, nullptr), E_INVALIDARG},
      {SafeArrayCopy(nullptr, &copy), E_INVALIDARG},
      {SafeArrayCopy(array, nullptr), E_INVALIDARG},
      {VariantClear(nullptr), E_INVALIDARG},
      {VariantCopy(nullptr, &holder), E_INVALIDARG},
      {VariantCopy(&holder, nullptr), E_INVALIDARG},
      {SafeArrayGetLBound(array, 0, &bound), DISP_E_BADINDEX},
      {SafeArrayGetLBound(array, 2, &bound), DISP_E_BADINDEX},
      {SafeArrayGetUBound(array, 0, &bound), DISP_E_BADINDEX},
      {SafeArrayGetUBound(array, 2, &bound), DISP_E_BADINDEX},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].result, rows[i].expected) << "row " << i;
  EXPECT_EQ(copy, nullptr) << "a failed copy leaves a null target";
  EXPECT_EQ(bound, 77);
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(VariantClear(&holder), S_OK);
}

// Arrays of strings and of variants own their elements and copy them deeply;
// an element that cannot be copied fails the whole copy.
TEST(SafeArrayTest, CopyOfStringsAndVariantsIsDeep) {
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 1, 3);
  static_cast<BSTR*>(strings->pvData)[0] = SysAllocString(W(u"one"));  // the others stay null
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  auto* items = static_cast<VARIANT*>(variants->pvData);
  EXPECT_EQ(items[1].vt, VT_EMPTY);
  items[0] = StringVariant(u"inner");
  SAFEARRAY *strings_copy = nullptr, *variants_copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(strings, &strings_copy), S_OK);
  ASSERT_EQ(SafeArrayCopy(variants, &variants_copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
  const auto* copied = static_cast<BSTR*>(strings_copy->pvData);
  EXPECT_EQ(Units(copied[0]), u"one");
  EXPECT_EQ(copied[1], nullptr);
  auto* copied_items = static_cast<VARIANT*>(variants_copy->pvData);
  EXPECT_EQ(Units(copied_items[0].bstrVal), u"inner");

  copied_items[1].vt = VT_RECORD;  // copied after the string, which is then freed
  SAFEARRAY* failed = variants_copy;
  EXPECT_EQ(SafeArrayCopy(variants_copy, &failed), DISP_E_BADVARTYPE);
  EXPECT_EQ(failed, nullptr);
  copied_items[1].vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayDestroy(strings_copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants_copy), S_OK);
}

}  // namespace
