// DispatchObject and the helpers for Invoke implementations.
#include <zelu/platform/dispatch/dispatch_object.h>

#include <zelu/platform/oleaut/oleaut.h>

namespace zelu::dispatch {
namespace {

char16_t AsciiLower(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit; }

bool SameName(const WCHAR* name, std::u16string_view member) {
  std::size_t i = 0;
  for (; name[i] != 0; ++i) {
    if (i == member.size() || AsciiLower(static_cast<char16_t>(name[i])) != AsciiLower(member[i])) return false;
  }
  return i == member.size();
}

BSTR AllocString(std::u16string_view text) {
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) result[i] = text[i];
  return result;
}

}  // namespace

DispatchObject::~DispatchObject() = default;

HRESULT DispatchObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (!(iid == IID_IUnknown || iid == IID_IDispatch)) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  *object = static_cast<IDispatch*>(this);
  return S_OK;
}

ULONG DispatchObject::AddRef() { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG DispatchObject::Release() {
  const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_INVALIDARG;
  HRESULT status = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    for (const MemberName& member : MemberNames()) {
      if (names[i] != nullptr && SameName(names[i], member.name)) ids[i] = member.id;
    }
    if (ids[i] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
  }
  return status;
}

HRESULT RaiseException(EXCEPINFO* exception, SCODE code, std::u16string_view source,
                       std::u16string_view description) {
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->bstrSource = AllocString(source);
    exception->bstrDescription = AllocString(description);
    exception->scode = code;
  }
  return DISP_E_EXCEPTION;
}

const VARIANT* Argument(const DISPPARAMS* params, UINT index) noexcept {
  if (params == nullptr || index >= params->cArgs) return nullptr;
  const VARIANT* argument = &params->rgvarg[params->cArgs - 1 - index];
  if (argument->vt == (VT_BYREF | VT_VARIANT)) return static_cast<const VARIANT*>(argument->byref);
  return argument;
}

bool IsPut(WORD flags, const DISPPARAMS* params) noexcept {
  return (flags & DISPATCH_PROPERTYPUT) != 0 && params != nullptr && params->cArgs == 1 &&
         params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
}

bool IsGet(WORD flags, const DISPPARAMS* params, UINT count) noexcept {
  const UINT given = params == nullptr ? 0 : params->cArgs;
  const UINT named = params == nullptr ? 0 : params->cNamedArgs;
  return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0 && given == count && named == 0;
}

}  // namespace zelu::dispatch
