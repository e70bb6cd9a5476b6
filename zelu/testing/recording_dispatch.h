// Test double: an automation object that records every call it receives and
// answers with a programmed reply, registered under a test identifier.
//
// Each Invoke is kept as a RecordedCall (arguments rendered in call order as
// "i4:5", "bool:-1", "bstr:text", "bstr:null", "empty", "null", or "vt:N"
// for any other type); the reply is a copy of `reply` when a result is asked
// for, or the failure `fail_status` (with `fail_code` and `fail_text` in the
// exception record when the status is DISP_E_EXCEPTION).
#pragma once

#include <string>
#include <vector>

#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/platform/dispatch/dispatch_object.h>
#include <zelu/platform/oleaut/oleaut.h>

namespace zelu::testing {

struct RecordedCall {
  DISPID id = 0;
  WORD flags = 0;
  std::vector<std::u16string> arguments;
  std::vector<DISPID> named;
  bool result_asked = false;
};

inline std::u16string Render(const VARIANT& value) {
  auto number = [](long long n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  };
  switch (value.vt) {
    case VT_I4:
      return u"i4:" + number(value.lVal);
    case VT_BOOL:
      return u"bool:" + number(value.boolVal);
    case VT_BSTR:
      return value.bstrVal == nullptr ? u"bstr:null"
                                      : u"bstr:" + std::u16string(value.bstrVal, value.bstrVal + SysStringLen(value.bstrVal));
    case VT_EMPTY:
      return u"empty";
    case VT_NULL:
      return u"null";
    default:
      return u"vt:" + number(value.vt);
  }
}

class RecordingDispatch : public zelu::dispatch::DispatchObject {
 public:
  // `destroyed` (optional) is set when the object frees itself.
  explicit RecordingDispatch(bool* destroyed = nullptr) : destroyed_(destroyed) { VariantInit(&reply); }

  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT*) override {
    RecordedCall call{id, flags, {}, {}, result != nullptr};
    for (UINT i = params->cArgs; i-- > 0;) call.arguments.push_back(Render(params->rgvarg[i]));
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    calls.push_back(call);
    if (fail_status == DISP_E_EXCEPTION) {
      return zelu::dispatch::RaiseException(exception, fail_code, u"recorder", fail_text);
    }
    if (FAILED(fail_status)) return fail_status;
    if (result != nullptr) VariantCopy(result, &reply);
    return S_OK;
  }

  std::vector<RecordedCall> calls;
  VARIANT reply;
  HRESULT fail_status = S_OK;
  SCODE fail_code = 0;
  std::u16string fail_text;

 protected:
  ~RecordingDispatch() override {
    VariantClear(&reply);
    if (destroyed_ != nullptr) *destroyed_ = true;
  }
  std::span<const zelu::dispatch::MemberName> MemberNames() const override { return {}; }

 private:
  bool* destroyed_;
};

// The current reference count of an object.
inline ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// Registers a factory under a programmatic identifier for the lifetime of
// the object, then puts back what was registered before.
class ScopedRegistration {
 public:
  ScopedRegistration(const WCHAR* prog_id, zelu::dispatch::ObjectFactory create, const CLSID& clsid)
      : prog_id_(prog_id), previous_(zelu::dispatch::RegisterClassObject(prog_id, {clsid, create})) {}
  ScopedRegistration(const ScopedRegistration&) = delete;
  ScopedRegistration& operator=(const ScopedRegistration&) = delete;
  ~ScopedRegistration() {
    if (previous_.create == nullptr) {
      zelu::dispatch::RevokeClassObject(prog_id_);
    } else {
      zelu::dispatch::RegisterClassObject(prog_id_, previous_);
    }
  }

 private:
  const WCHAR* prog_id_;
  zelu::dispatch::ClassRegistration previous_;
};

}  // namespace zelu::testing
