// DispatchObject: the common base of the automation objects that this
// library implements itself (the regular-expression objects, test doubles).
//
// It counts references (atomically; the object deletes itself when the
// count reaches 0, starting from 1 for its maker), answers QueryInterface
// for IUnknown and IDispatch, and GetIDsOfNames from the derived class's
// member table. A derived class implements Invoke, reading its arguments
// with the helpers below, and reports its own failures with
// RaiseException.
#pragma once

#include <atomic>
#include <span>
#include <string_view>

#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/platform/base/export.h>

namespace zelu::dispatch {

struct MemberName {
  std::u16string_view name;
  DISPID id;
};

class ZELU_API DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;

 protected:
  DispatchObject() = default;
  virtual ~DispatchObject();
  virtual std::span<const MemberName> MemberNames() const = 0;

 private:
  std::atomic<ULONG> references_{1};
};

// Fills `exception` (when not null) with `code` and the two texts and
// returns DISP_E_EXCEPTION, as Invoke reports an object's own failure.
ZELU_API HRESULT RaiseException(EXCEPINFO* exception, SCODE code, std::u16string_view source,
                                std::u16string_view description);

// The positional argument `index` (0 is the first in the call's order) of a
// call, or null when the call has fewer; a VT_BYREF | VT_VARIANT argument is
// followed to the variant it points at.
ZELU_API const VARIANT* Argument(const DISPPARAMS* params, UINT index) noexcept;

// Whether a call is a property put of exactly one value, or a get or method
// call with exactly `count` arguments and no named ones.
ZELU_API bool IsPut(WORD flags, const DISPPARAMS* params) noexcept;
ZELU_API bool IsGet(WORD flags, const DISPPARAMS* params, UINT count) noexcept;

}  // namespace zelu::dispatch
