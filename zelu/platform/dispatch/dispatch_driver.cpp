// COleDispatchDriver and the framework exceptions.
#include <zelu/platform/dispatch/dispatch_driver.h>

#include <cstring>
#include <vector>

#include <zelu/platform/oleaut/oleaut.h>

CException::~CException() = default;

SCODE COleException::Process(const CException* exception) {
  if (const auto* ole = dynamic_cast<const COleException*>(exception)) return ole->m_sc;
  if (const auto* dispatch = dynamic_cast<const COleDispatchException*>(exception)) return dispatch->m_scError;
  return E_UNEXPECTED;
}

COleDispatchException::COleDispatchException(const WCHAR* description, UINT help_context, WORD code)
    : m_wCode(code), m_strDescription(description), m_dwHelpContext(help_context) {}

void AfxThrowOleException(SCODE code) { throw new COleException(code); }

void AfxThrowOleDispatchException(WORD code, const WCHAR* description, UINT help_context) {
  throw new COleDispatchException(description, help_context, code);
}

namespace {

// The arguments of one call in DISPPARAMS order (the last argument first).
// Owns the strings it made; VT_VARIANT arguments are the caller's.
class ArgumentList {
 public:
  ArgumentList() = default;
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;
  ~ArgumentList() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
      if (owned_[i]) VariantClear(&values_[i]);
    }
  }

  // Reads one argument per type byte; throws on a type it does not know,
  // after which the destructor frees what was made.
  void Fill(const BYTE* param_info, std::va_list* arguments) {
    const std::size_t count = param_info == nullptr ? 0 : std::strlen(reinterpret_cast<const char*>(param_info));
    values_.resize(count);
    owned_.resize(count, false);
    for (std::size_t i = 0; i < count; ++i) Take(param_info[i], arguments, count - 1 - i);
  }

  VARIANT* data() { return values_.data(); }
  UINT size() const { return static_cast<UINT>(values_.size()); }

 private:
  void Take(BYTE type, std::va_list* arguments, std::size_t slot) {
    VARIANT& value = values_[slot];
    switch (type) {
      case VT_I4:
        value.vt = VT_I4;
        value.lVal = va_arg(*arguments, LONG);
        return;
      case VT_BOOL:
        value.vt = VT_BOOL;
        value.boolVal = va_arg(*arguments, int) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return;
      case VT_BSTR:
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(va_arg(*arguments, const WCHAR*));
        owned_[slot] = true;
        return;
      case VT_VARIANT: {
        const auto* given = va_arg(*arguments, const VARIANT*);
        if (given == nullptr) AfxThrowOleException(E_POINTER);
        value = *given;
        return;
      }
      default:
        AfxThrowOleException(DISP_E_BADVARTYPE);
    }
  }

  std::vector<VARIANT> values_;
  std::vector<bool> owned_;
};

bool IsResultType(VARTYPE type) {
  switch (type) {
    case VT_EMPTY:
    case VT_I4:
    case VT_BSTR:
    case VT_BOOL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
      return true;
    default:
      return false;
  }
}

[[noreturn]] void ThrowFailure(HRESULT status, EXCEPINFO& exception) {
  if (status != DISP_E_EXCEPTION) AfxThrowOleException(status);
  if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
  auto* thrown = new COleDispatchException(exception.bstrDescription, exception.dwHelpContext, exception.wCode);
  thrown->m_strSource = exception.bstrSource;
  thrown->m_strHelpFile = exception.bstrHelpFile;
  thrown->m_scError = exception.scode;
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  throw thrown;
}

// Moves the object's result into the caller's place; false (the result
// released, the place untouched) when its type does not fit.
bool StoreResult(VARIANT& value, VARTYPE type, void* place) {
  const bool empty = value.vt == VT_EMPTY;
  switch (type) {
    case VT_VARIANT:
      *static_cast<VARIANT*>(place) = value;
      return true;
    case VT_I4:
      if (!empty && value.vt != VT_I4) break;
      *static_cast<LONG*>(place) = empty ? 0 : value.lVal;
      return true;
    case VT_BOOL:
      if (!empty && value.vt != VT_BOOL) break;
      *static_cast<BOOL*>(place) = !empty && value.boolVal != VARIANT_FALSE ? TRUE : FALSE;
      return true;
    case VT_BSTR:
      if (!empty && value.vt != VT_BSTR) break;
      *static_cast<CString*>(place) =
          empty ? CString() : CString(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal)));
      VariantClear(&value);
      return true;
    case VT_DISPATCH:
      if (value.vt != VT_DISPATCH) break;
      *static_cast<IDispatch**>(place) = value.pdispVal;
      return true;
    case VT_UNKNOWN:
      if (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH) break;
      *static_cast<IUnknown**>(place) = value.punkVal;
      return true;
    default:
      return true;  // VT_EMPTY: nothing was asked for
  }
  VariantClear(&value);
  return false;
}

}  // namespace

COleDispatchDriver::COleDispatchDriver(IDispatch* dispatch, BOOL auto_release) noexcept
    : m_lpDispatch(dispatch), m_bAutoRelease(auto_release) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other) noexcept : m_lpDispatch(other.m_lpDispatch) {
  if (m_lpDispatch != nullptr) m_lpDispatch->AddRef();
}

const COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) noexcept {
  IDispatch* const shared = other.m_lpDispatch;
  if (shared != nullptr) shared->AddRef();  // first, so that self-assignment keeps the object
  ReleaseDispatch();
  m_lpDispatch = shared;
  m_bAutoRelease = TRUE;
  return *this;
}

COleDispatchDriver::~COleDispatchDriver() { ReleaseDispatch(); }

BOOL COleDispatchDriver::CreateDispatch(REFCLSID clsid, COleException* error) {
  ReleaseDispatch();
  void* made = nullptr;
  const HRESULT status = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, &made);
  if (FAILED(status)) {
    if (error != nullptr) error->m_sc = status;
    return FALSE;
  }
  AttachDispatch(static_cast<IDispatch*>(made), TRUE);
  return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(const WCHAR* prog_id, COleException* error) {
  CLSID clsid{};
  const HRESULT status = CLSIDFromProgID(prog_id, &clsid);
  if (FAILED(status)) {
    ReleaseDispatch();
    if (error != nullptr) error->m_sc = status;
    return FALSE;
  }
  return CreateDispatch(clsid, error);
}

void COleDispatchDriver::AttachDispatch(IDispatch* dispatch, BOOL auto_release) noexcept {
  ReleaseDispatch();
  m_lpDispatch = dispatch;
  m_bAutoRelease = auto_release;
}

IDispatch* COleDispatchDriver::DetachDispatch() noexcept {
  IDispatch* const detached = m_lpDispatch;
  m_lpDispatch = nullptr;
  return detached;
}

void COleDispatchDriver::ReleaseDispatch() noexcept {
  if (m_lpDispatch != nullptr && m_bAutoRelease) m_lpDispatch->Release();
  m_lpDispatch = nullptr;
}

void COleDispatchDriver::InvokeHelper(DISPID id, WORD flags, VARTYPE result_type, void* result,
                                      const BYTE* param_info, ...) {
  std::va_list arguments;
  va_start(arguments, param_info);
  try {
    InvokeHelperV(id, flags, result_type, result, param_info, arguments);
  } catch (...) {
    va_end(arguments);
    throw;
  }
  va_end(arguments);
}

void COleDispatchDriver::InvokeHelperV(DISPID id, WORD flags, VARTYPE result_type, void* result,
                                       const BYTE* param_info, std::va_list arguments) {
  if (m_lpDispatch == nullptr) AfxThrowOleException(E_POINTER);
  if (!IsResultType(result_type)) AfxThrowOleException(DISP_E_BADVARTYPE);
  ArgumentList list;
  std::va_list copy;
  va_copy(copy, arguments);
  try {
    list.Fill(param_info, &copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
  va_end(copy);
  DISPID put = DISPID_PROPERTYPUT;
  const bool is_put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  DISPPARAMS params{list.data(), is_put ? &put : nullptr, list.size(), is_put ? 1u : 0u};
  VARIANT value{};
  EXCEPINFO exception{};
  UINT argument_error = 0;
  const HRESULT status = m_lpDispatch->Invoke(id, IID_NULL, 0, flags, &params,
                                              result_type == VT_EMPTY ? nullptr : &value, &exception,
                                              &argument_error);
  if (FAILED(status)) ThrowFailure(status, exception);
  if (!StoreResult(value, result_type, result)) AfxThrowOleException(DISP_E_TYPEMISMATCH);
}

void COleDispatchDriver::GetProperty(DISPID id, VARTYPE type, void* result) {
  InvokeHelper(id, DISPATCH_PROPERTYGET, type, result, nullptr);
}

void COleDispatchDriver::SetProperty(DISPID id, UINT type, ...) {
  const BYTE param_info[2] = {static_cast<BYTE>(type), 0};
  std::va_list arguments;
  va_start(arguments, type);
  try {
    InvokeHelperV(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, param_info, arguments);
  } catch (...) {
    va_end(arguments);
    throw;
  }
  va_end(arguments);
}
