// VariantInit, VariantClear, VariantCopy.
#include <zelu/platform/oleaut/oleaut.h>

namespace {

enum class Kind {
  kPlain,    // the value is copied as it stands and owns nothing
  kString,   // owns a BSTR
  kArray,    // owns a SAFEARRAY
  kObject,   // owns a reference to an object (punkVal, possibly null)
  kRefused,  // not handled: arrays of objects, invalid codes
};

bool IsPlainType(VARTYPE type) noexcept {
  switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_ERROR:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

Kind KindOf(VARTYPE type) noexcept {
  if ((type & VT_BYREF) != 0) return Kind::kPlain;  // points at a value the variant does not own
  if ((type & VT_ARRAY) != 0) {
    const auto element = static_cast<VARTYPE>(type & ~VT_ARRAY);
    const bool creatable = element == VT_BSTR || element == VT_VARIANT || (IsPlainType(element) && element > VT_NULL);
    return creatable ? Kind::kArray : Kind::kRefused;
  }
  if (type == VT_BSTR) return Kind::kString;
  if (type == VT_UNKNOWN || type == VT_DISPATCH) return Kind::kObject;
  return IsPlainType(type) ? Kind::kPlain : Kind::kRefused;
}

}  // namespace

void VariantInit(VARIANT* variant) noexcept { variant->vt = VT_EMPTY; }

HRESULT VariantClear(VARIANT* variant) noexcept {
  if (variant == nullptr) return E_INVALIDARG;
  switch (KindOf(variant->vt)) {
    case Kind::kRefused:
      return DISP_E_BADVARTYPE;
    case Kind::kString:
      SysFreeString(variant->bstrVal);
      break;
    case Kind::kArray:
      if (variant->parray != nullptr) {
        const HRESULT status = SafeArrayDestroy(variant->parray);
        if (FAILED(status)) return status;  // locked: the variant keeps it
      }
      break;
    case Kind::kObject:  // IDispatch derives from IUnknown alone: the same pointer
      if (variant->punkVal != nullptr) variant->punkVal->Release();
      break;
    case Kind::kPlain:
      break;
  }
  variant->vt = VT_EMPTY;
  variant->llVal = 0;
  return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  if (destination == source) return S_OK;
  const Kind kind = KindOf(source->vt);
  if (kind == Kind::kRefused) return DISP_E_BADVARTYPE;
  const HRESULT cleared = VariantClear(destination);
  if (FAILED(cleared)) return cleared;
  switch (kind) {
    case Kind::kPlain:
      *destination = *source;
      break;
    case Kind::kObject:
      *destination = *source;
      if (destination->punkVal != nullptr) destination->punkVal->AddRef();
      break;
    case Kind::kString:
      destination->bstrVal =
          source->bstrVal == nullptr ? nullptr : SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
      destination->vt = VT_BSTR;
      break;
    case Kind::kArray: {
      SAFEARRAY* copy = nullptr;
      if (source->parray != nullptr) {
        const HRESULT status = SafeArrayCopy(source->parray, &copy);
        if (FAILED(status)) return status;  // the destination stays VT_EMPTY
      }
      destination->parray = copy;
      destination->vt = source->vt;
      break;
    }
    case Kind::kRefused:
      break;
  }
  return S_OK;
}
