// Late-bound automation objects: IDispatch, its call records, the
// enumerator interface and the registry of object classes by programmatic
// identifier.
//
// What a caller may rely on:
//   * IDispatch::Invoke performs one call by dispatch id. Arguments come in
//     DISPPARAMS::rgvarg in reverse order (the last argument first); a
//     property put passes the new value as the single named argument
//     DISPID_PROPERTYPUT. The result, when asked for, goes into a variant
//     that the caller owns and clears. A failure is a failing status; the
//     status DISP_E_EXCEPTION comes with the object's own code and texts in
//     the EXCEPINFO record, whose strings the caller then owns.
//   * CLSIDFromProgID finds the class registered under a programmatic
//     identifier (CO_E_CLASSSTRING when there is none); CoCreateInstance
//     makes an object of a registered class and hands out one reference
//     (REGDB_E_CLASSNOTREG for an unknown class, E_NOINTERFACE when the
//     object lacks the interface, E_INVALIDARG for a null out-pointer).
//   * The registry is the one piece of state shared between threads; its
//     calls may come from any thread at once.
#pragma once

#include <zelu/platform/base/export.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/oleaut/unknown.h>
#include <zelu/platform/base/base_types.h>

using LCID = DWORD;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// Call kinds (Invoke's flags).
inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 8;

// Dispatch ids with a meaning of their own.
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);

// Class contexts; every registered class is made in process.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_ALL = 0x17;

struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020404-0000-0000-C000-000000000046}
inline constexpr IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000000-0000-0000-0000-000000000000}
inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

struct IDispatch : IUnknown {
  // The dispatch id of each of `count` member names (compared without regard
  // to ASCII case); DISP_E_UNKNOWNNAME, with DISPID_UNKNOWN for the unknown
  // ones, when a name is not a member.
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* argument_error) = 0;

 protected:
  ~IDispatch() = default;
};

// Walks a collection: Next hands out up to `count` items as variants that the
// caller owns (S_FALSE when fewer were left), Skip passes over items (S_FALSE
// past the end), Reset starts again, Clone gives an enumerator at the same
// place.
struct IEnumVARIANT : IUnknown {
  virtual HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumVARIANT** copy) = 0;

 protected:
  ~IEnumVARIANT() = default;
};

ZELU_API HRESULT CLSIDFromProgID(LPCOLESTR prog_id, LPCLSID clsid);
// `outer` must be null (no aggregation); `context` is not consulted.
ZELU_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

namespace zelu::dispatch {

// Makes a new object of a class, holding one reference for the caller, or
// null when it cannot.
using ObjectFactory = IDispatch* (*)();

struct ClassRegistration {
  CLSID clsid;
  ObjectFactory create;
};

// Registers `registration` under `prog_id`, replacing and returning what was
// registered under it before (a null factory when nothing was).
ZELU_API ClassRegistration RegisterClassObject(const WCHAR* prog_id, const ClassRegistration& registration);
// Removes the registration under `prog_id` and returns it (a null factory
// when nothing was registered).
ZELU_API ClassRegistration RevokeClassObject(const WCHAR* prog_id);

}  // namespace zelu::dispatch
