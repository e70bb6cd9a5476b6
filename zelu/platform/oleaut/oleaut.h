// Automation values: automation strings (BSTR), VARIANT and SAFEARRAY.
//
// The value types and services of the automation runtime, under their usual
// names and with their usual type codes, for code that passes values in
// variants and byte arrays in safe arrays. What a caller may rely on:
//   * A BSTR points at UTF-16 units preceded by a 32-bit byte length and
//     followed by a zero unit; it may hold zero units inside. SysAllocString
//     of a null text gives a null BSTR; SysFreeString(nullptr) does nothing.
//     Every BSTR that is handed out is released once with SysFreeString.
//   * VariantClear releases what a variant owns (its string, its array) and
//     leaves it VT_EMPTY; VariantCopy validates the source, clears the
//     destination first, then deep-copies strings and arrays. A variant that
//     holds a locked array cannot be cleared (DISP_E_ARRAYISLOCKED, variant
//     unchanged), so nothing can be copied over it either. Copying *from* a
//     locked array is allowed and gives an unlocked copy. A VT_BYREF variant
//     owns nothing.
//   * A VT_UNKNOWN or VT_DISPATCH variant owns one reference to its object
//     (null is allowed): VariantClear releases it, VariantCopy adds one.
//     Arrays of object references are not supported: VariantClear and
//     VariantCopy refuse them with DISP_E_BADVARTYPE, leaving both variants
//     as they were; SafeArrayCreate gives null for them.
//   * A SAFEARRAY owns its element data; arrays of BSTR and VARIANT own their
//     elements too and copy them deeply. Dimensions are numbered from 1; as
//     on the platform, rgsabound holds them in reverse order (rgsabound[0] is
//     the last dimension), which for a vector makes no difference.
//   * cLocks is the array's own lock count: SafeArrayLock and
//     SafeArrayAccessData raise it, SafeArrayUnlock and SafeArrayUnaccessData
//     lower it (E_UNEXPECTED when it is 0). A locked array is not destroyed
//     (DISP_E_ARRAYISLOCKED, array intact).
//   * Every service returns E_INVALIDARG for a null array or a null
//     out-pointer and DISP_E_BADINDEX for a dimension out of range.
//   * New element data is zero-filled. Allocation failure throws
//     std::bad_alloc; a size that cannot be represented gives a null result.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/oleaut/unknown.h>

using SHORT = short;
using USHORT = unsigned short;
using VARIANT_BOOL = short;
using BSTR = WCHAR*;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// The automation object interface, declared by the dispatch layer; a
// VT_DISPATCH variant is handled through its IUnknown base.
struct IDispatch;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_ILLEGAL = 0xFFFF,
  VT_ILLEGALMASKED = 0x0FFF,
  VT_TYPEMASK = 0x0FFF,
};

// VT_ARRAY | VT_UI1 and the like, as a VARTYPE.
constexpr VARTYPE operator|(VARENUM left, VARENUM right) noexcept {
  return static_cast<VARTYPE>(static_cast<VARTYPE>(left) | static_cast<VARTYPE>(right));
}

// Feature flags of a SAFEARRAY (fFeatures).
inline constexpr USHORT FADF_AUTO = 0x0001;
inline constexpr USHORT FADF_STATIC = 0x0002;
inline constexpr USHORT FADF_EMBEDDED = 0x0004;
inline constexpr USHORT FADF_FIXEDSIZE = 0x0010;
inline constexpr USHORT FADF_RECORD = 0x0020;
inline constexpr USHORT FADF_HAVEIID = 0x0040;
inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];  // cDims entries, the last dimension first
};
using LPSAFEARRAY = SAFEARRAY*;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    SAFEARRAY* parray;
    IDispatch* pdispVal;
    IUnknown* punkVal;
    LONGLONG llVal;
    void* byref;  // VT_BYREF: the value lives elsewhere and is not owned
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
using LPCVARIANT = const VARIANT*;

// Automation strings.
ZELU_API BSTR SysAllocString(const OLECHAR* text);
// `length` units copied from `text`, or zero units when `text` is null.
ZELU_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
ZELU_API void SysFreeString(BSTR text) noexcept;
// Length in units (0 for null); the byte length is twice that.
ZELU_API UINT SysStringLen(BSTR text) noexcept;
ZELU_API UINT SysStringByteLen(BSTR text) noexcept;

// Variants.
ZELU_API void VariantInit(VARIANT* variant) noexcept;
ZELU_API HRESULT VariantClear(VARIANT* variant) noexcept;
ZELU_API HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);

// Safe arrays. Element types: the integer, real, currency, date, error,
// boolean, BSTR and VARIANT types.
ZELU_API SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds);
ZELU_API SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lower_bound, ULONG elements);
ZELU_API HRESULT SafeArrayDestroy(SAFEARRAY* array) noexcept;
ZELU_API HRESULT SafeArrayLock(SAFEARRAY* array) noexcept;
ZELU_API HRESULT SafeArrayUnlock(SAFEARRAY* array) noexcept;
ZELU_API HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) noexcept;
ZELU_API HRESULT SafeArrayUnaccessData(SAFEARRAY* array) noexcept;
// 0 for a null array.
ZELU_API UINT SafeArrayGetDim(SAFEARRAY* array) noexcept;
ZELU_API UINT SafeArrayGetElemsize(SAFEARRAY* array) noexcept;
ZELU_API HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lower_bound) noexcept;
ZELU_API HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upper_bound) noexcept;
ZELU_API HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type) noexcept;
// A new, unlocked array of the same shape, type and content (deep copy); on
// failure *copy is null.
ZELU_API HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
