#include <zelu/platform/variant/variant_wrappers.h>

#include <cstring>

namespace {

VARIANT EmptyVariant() noexcept {
  VARIANT value{};
  value.vt = VT_EMPTY;
  return value;
}

// Releases what `variant` holds; what cannot be released (a locked array)
// is let go.
void Release(VARIANT& variant) noexcept {
  if (FAILED(VariantClear(&variant))) variant = EmptyVariant();
}

}  // namespace

COleVariant::COleVariant() noexcept : VARIANT(EmptyVariant()) {}

COleVariant::COleVariant(BYTE value) noexcept : VARIANT(EmptyVariant()) {
  vt = VT_UI1;
  bVal = value;
}

COleVariant::COleVariant(float value) noexcept : VARIANT(EmptyVariant()) {
  vt = VT_R4;
  fltVal = value;
}

COleVariant::COleVariant(double value) noexcept : VARIANT(EmptyVariant()) {
  vt = VT_R8;
  dblVal = value;
}

COleVariant::COleVariant(LONG value, VARTYPE type) noexcept : VARIANT(EmptyVariant()) {
  if (type == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (type == VT_ERROR) {
    vt = VT_ERROR;
    scode = value;
  } else {
    vt = VT_I4;
    lVal = value;
  }
}

COleVariant::~COleVariant() { Release(*this); }

void COleVariant::Replace(const VARIANT& value) noexcept {
  Release(*this);
  static_cast<VARIANT&>(*this) = value;
}

COleVariant& COleVariant::operator=(const WCHAR* text) {
  VARIANT value = EmptyVariant();
  value.bstrVal = SysAllocString(text);
  value.vt = VT_BSTR;
  Replace(value);
  return *this;
}

COleVariant& COleVariant::operator=(const CByteArray& bytes) {
  const int size = bytes.GetSize();
  VARIANT value = EmptyVariant();
  value.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (size > 0) std::memcpy(value.parray->pvData, bytes.GetData(), static_cast<std::size_t>(size));
  value.vt = VT_ARRAY | VT_UI1;
  Replace(value);
  return *this;
}

CComVariant::CComVariant() noexcept : VARIANT(EmptyVariant()) {}

CComVariant::CComVariant(const CComVariant& other) : VARIANT(EmptyVariant()) { CopyFrom(other); }

CComVariant::CComVariant(const VARIANT& other) : VARIANT(EmptyVariant()) { CopyFrom(other); }

CComVariant::~CComVariant() { Release(*this); }

CComVariant& CComVariant::operator=(const CComVariant& other) {
  CopyFrom(other);
  return *this;
}

CComVariant& CComVariant::operator=(const VARIANT& other) {
  CopyFrom(other);
  return *this;
}

void CComVariant::CopyFrom(const VARIANT& other) {
  if (&other == this) return;
  const HRESULT status = VariantCopy(this, &other);
  if (FAILED(status)) {
    Release(*this);
    vt = VT_ERROR;
    scode = status;
  }
}
