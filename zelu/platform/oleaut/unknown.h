// IUnknown: the reference-counted object that a VT_UNKNOWN or VT_DISPATCH
// variant holds, and the GUID type that names classes and interfaces.
//
// AddRef and Release return the new count (only for diagnostics); the
// object frees itself when Release brings the count to 0. QueryInterface
// gives, in *object, a new reference to the interface asked for and S_OK,
// or null and E_NOINTERFACE. The destructor is not public: objects are let
// go of through Release only.
#pragma once

#include <zelu/platform/base/base_types.h>

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPCLSID = CLSID*;

constexpr bool operator==(const GUID& left, const GUID& right) noexcept {
  if (left.Data1 != right.Data1 || left.Data2 != right.Data2 || left.Data3 != right.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (left.Data4[i] != right.Data4[i]) return false;
  }
  return true;
}

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
