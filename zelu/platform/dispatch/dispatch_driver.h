// COleDispatchDriver: typed late-bound calls on an automation object, and
// the framework exceptions that report their failures.
//
// What a caller may rely on:
//   * A driver holds at most one IDispatch reference (m_lpDispatch, possibly
//     null) and releases it when m_bAutoRelease is set: on ReleaseDispatch,
//     AttachDispatch of another object, assignment and destruction. Copies
//     share the object with a reference of their own. DetachDispatch hands
//     the reference back without releasing it.
//   * CreateDispatch makes an object of the class registered under a
//     programmatic identifier (or a class id), releasing the held one first,
//     and returns TRUE; on failure it returns FALSE, holds no object and, when
//     given an exception object, stores the failing status in its m_sc.
//   * InvokeHelper(id, call kind, result type, result place, argument-type
//     bytes, arguments...) makes one call. Argument-type bytes: VT_I4 (a LONG
//     argument), VT_BSTR (a const WCHAR* text, null giving a null string),
//     VT_BOOL (an int, non-zero meaning true), VT_VARIANT (a const VARIANT*,
//     passed to the object as it stands), ended by a zero byte; a null list
//     means no argument. A property put (call kind 4) passes its one argument
//     as the named argument DISPID_PROPERTYPUT. Result types and the place
//     they are written: VT_EMPTY none, VT_I4 LONG*, VT_BSTR CString*,
//     VT_BOOL BOOL* (1 or 0), VT_DISPATCH IDispatch**, VT_UNKNOWN IUnknown**
//     (new references for the caller), VT_VARIANT VARIANT* (the caller clears
//     it). An empty result reads as 0, FALSE or the empty string.
//   * Every failure is thrown as a pointer to a new exception object, which
//     the catcher releases with Delete(), and leaves the result place as it
//     was: a failure that the object reports through DISP_E_EXCEPTION as a
//     COleDispatchException (m_scError the object's code, m_wCode, the
//     texts); any other failing status of the call as a COleException with
//     that status in m_sc. So are the driver's own refusals: E_POINTER when
//     no object is attached (nothing is called), or a null VT_VARIANT
//     argument; DISP_E_BADVARTYPE for an argument-type byte or result type
//     not listed above (nothing is called); DISP_E_TYPEMISMATCH when the
//     object's result has another type than the one asked for (the result is
//     released).
//
//   COleDispatchDriver driver;
//   if (driver.CreateDispatch(prog_id)) driver.InvokeHelper(10001, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, parms, text);
#pragma once

#include <cstdarg>

#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/base/base_types.h>

// Argument-type bytes, written as text so that lists are made by placing
// them side by side: static const BYTE parms[] = VTS_BSTR VTS_I4;
#define VTS_NONE ""
#define VTS_I4 "\x03"
#define VTS_BSTR "\x08"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"

// The framework's exception base. Exceptions are thrown as pointers to heap
// objects; whoever catches one releases it with Delete().
class ZELU_API CException {
 public:
  CException(const CException&) = delete;
  CException& operator=(const CException&) = delete;
  void Delete() { delete this; }

 protected:
  CException() = default;
  virtual ~CException();
};

class ZELU_API COleException : public CException {
 public:
  explicit COleException(SCODE code = S_OK) : m_sc(code) {}
  // The status code that an exception stands for: m_sc of a COleException,
  // m_scError of a COleDispatchException, E_UNEXPECTED for any other.
  static SCODE Process(const CException* exception);

  SCODE m_sc;
};

class ZELU_API COleDispatchException : public CException {
 public:
  COleDispatchException(const WCHAR* description, UINT help_context, WORD code);

  WORD m_wCode;
  CString m_strDescription;
  DWORD m_dwHelpContext;
  CString m_strHelpFile;
  CString m_strSource;
  SCODE m_scError = S_OK;
};

// Throw a new COleException / COleDispatchException.
[[noreturn]] ZELU_API void AfxThrowOleException(SCODE code);
[[noreturn]] ZELU_API void AfxThrowOleDispatchException(WORD code, const WCHAR* description, UINT help_context = 0);

class ZELU_API COleDispatchDriver {
 public:
  COleDispatchDriver() noexcept = default;
  // Takes over the caller's reference; released later when `auto_release`.
  COleDispatchDriver(IDispatch* dispatch, BOOL auto_release = TRUE) noexcept;  // NOLINT: implicit, as ported code expects
  COleDispatchDriver(const COleDispatchDriver& other) noexcept;
  const COleDispatchDriver& operator=(const COleDispatchDriver& other) noexcept;
  ~COleDispatchDriver();

  BOOL CreateDispatch(REFCLSID clsid, COleException* error = nullptr);
  BOOL CreateDispatch(const WCHAR* prog_id, COleException* error = nullptr);
  void AttachDispatch(IDispatch* dispatch, BOOL auto_release = TRUE) noexcept;
  IDispatch* DetachDispatch() noexcept;
  void ReleaseDispatch() noexcept;
  operator IDispatch*() const noexcept { return m_lpDispatch; }  // NOLINT: implicit, as ported code expects

  // A CString argument stands for its units (for VTS_BSTR); an argument
  // that is neither a CString nor a plain value does not compile.
  void InvokeHelper(DISPID id, WORD flags, VARTYPE result_type, void* result, const BYTE* param_info, ...);
  template <typename... Arguments>
    requires zelu::cstring::NeedsVariadicConversion<Arguments...>
  void InvokeHelper(DISPID id, WORD flags, VARTYPE result_type, void* result, const BYTE* param_info,
                    const Arguments&... arguments) {
    InvokeHelper(id, flags, result_type, result, param_info, zelu::cstring::VariadicArgument(arguments)...);
  }
  void InvokeHelperV(DISPID id, WORD flags, VARTYPE result_type, void* result, const BYTE* param_info,
                     std::va_list arguments);
  // A property get, and a property put of one argument of type `type` (a
  // VARTYPE, taken as UINT: the last named parameter before variable
  // arguments must not be one that is promoted).
  void GetProperty(DISPID id, VARTYPE type, void* result);
  void SetProperty(DISPID id, UINT type, ...);
  template <typename Argument>
    requires zelu::cstring::NeedsVariadicConversion<Argument>
  void SetProperty(DISPID id, UINT type, const Argument& argument) {
    SetProperty(id, type, zelu::cstring::VariadicArgument(argument));
  }

  IDispatch* m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;
};
