// COleVariant and CComVariant: owning wrappers of a VARIANT.
//
// Both derive from VARIANT, so vt, lVal, bstrVal, parray... are read and
// written directly, and both release what they hold (VariantClear) when
// destroyed or overwritten. A held array that is locked cannot be released:
// the wrapper then lets go of it, and whoever holds its lock destroys it.
//
//   COleVariant flag(1, VT_BOOL);   // VT_BOOL, VARIANT_TRUE
//   COleVariant bytes;
//   bytes = byte_array;             // VT_ARRAY | VT_UI1, lower bound 0
//   CComVariant copy;
//   copy = bytes;                   // VariantCopy; VT_ERROR on failure
#pragma once

#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/collections.h>
#include <zelu/platform/oleaut/oleaut.h>

// The framework's variant. Not copyable: copy through VariantCopy.
class ZELU_API COleVariant : public VARIANT {
 public:
  COleVariant() noexcept;
  // VT_BOOL holds VARIANT_TRUE for any non-zero value and VARIANT_FALSE for
  // 0; VT_ERROR holds the value as its status code; any other type gives
  // VT_I4 holding the value.
  COleVariant(LONG value, VARTYPE type = VT_I4) noexcept;  // NOLINT: implicit, as ported code expects
  // A 64-bit `long` (x86-64, aarch64, s390x) tells VT_BOOL whether the
  // whole value is zero and gives other types its low 32 bits, as above; on
  // i386 `long` has 32 bits and this is the LONG form.
  COleVariant(long value, VARTYPE type = VT_I4) noexcept  // NOLINT
      : COleVariant(type == VT_BOOL ? LONG{value != 0} : static_cast<LONG>(value), type) {}
  COleVariant(BYTE value) noexcept;    // NOLINT: VT_UI1
  COleVariant(float value) noexcept;   // NOLINT: VT_R4
  COleVariant(double value) noexcept;  // NOLINT: VT_R8
  COleVariant(const COleVariant&) = delete;
  COleVariant& operator=(const COleVariant&) = delete;
  ~COleVariant();

  // VT_BSTR holding a copy of the text; a null text gives a null BSTR.
  COleVariant& operator=(const WCHAR* text);
  // VT_ARRAY | VT_UI1: a one-dimensional array, lower bound 0, holding a
  // copy of the bytes (zero elements for an empty array).
  COleVariant& operator=(const CByteArray& bytes);

 private:
  void Replace(const VARIANT& value) noexcept;
};

// The template library's variant. Copy and assignment are VariantCopy; when
// the copy fails, the destination releases what it held and becomes a
// VT_ERROR variant whose scode is the failure code.
class ZELU_API CComVariant : public VARIANT {
 public:
  CComVariant() noexcept;
  CComVariant(const CComVariant& other);
  CComVariant(const VARIANT& other);  // NOLINT: implicit, as ported code expects
  ~CComVariant();

  CComVariant& operator=(const CComVariant& other);
  CComVariant& operator=(const VARIANT& other);

 private:
  void CopyFrom(const VARIANT& other);
};
