// The class registry, CLSIDFromProgID and CoCreateInstance.
#include <zelu/platform/dispatch/dispatch.h>

#include <map>
#include <mutex>
#include <string>

namespace zelu::dispatch {
namespace {

std::u16string Key(const WCHAR* prog_id) {
  std::u16string key;
  for (; prog_id != nullptr && *prog_id != 0; ++prog_id) key.push_back(static_cast<char16_t>(*prog_id));
  return key;
}

// The registrations by programmatic identifier, behind one lock.
class Registry {
 public:
  ClassRegistration Put(const WCHAR* prog_id, const ClassRegistration& registration) {
    const std::lock_guard lock(mutex_);
    ClassRegistration& slot = classes_[Key(prog_id)];
    const ClassRegistration previous = slot;
    slot = registration;
    return previous;
  }

  ClassRegistration Take(const WCHAR* prog_id) {
    const std::lock_guard lock(mutex_);
    const auto found = classes_.find(Key(prog_id));
    if (found == classes_.end()) return {};
    const ClassRegistration previous = found->second;
    classes_.erase(found);
    return previous;
  }

  bool FindByName(const WCHAR* prog_id, ClassRegistration* registration) {
    const std::lock_guard lock(mutex_);
    const auto found = classes_.find(Key(prog_id));
    if (found == classes_.end() || found->second.create == nullptr) return false;
    *registration = found->second;
    return true;
  }

  ObjectFactory FindByClass(const CLSID& clsid) {
    const std::lock_guard lock(mutex_);
    for (const auto& [name, registration] : classes_) {
      if (registration.clsid == clsid && registration.create != nullptr) return registration.create;
    }
    return nullptr;
  }

 private:
  std::mutex mutex_;
  std::map<std::u16string, ClassRegistration> classes_;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

ClassRegistration RegisterClassObject(const WCHAR* prog_id, const ClassRegistration& registration) {
  return TheRegistry().Put(prog_id, registration);
}

ClassRegistration RevokeClassObject(const WCHAR* prog_id) { return TheRegistry().Take(prog_id); }

}  // namespace zelu::dispatch

HRESULT CLSIDFromProgID(LPCOLESTR prog_id, LPCLSID clsid) {
  if (prog_id == nullptr || clsid == nullptr) return E_INVALIDARG;
  zelu::dispatch::ClassRegistration registration{};
  if (!zelu::dispatch::TheRegistry().FindByName(prog_id, &registration)) return CO_E_CLASSSTRING;
  *clsid = registration.clsid;
  return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD /*context*/, REFIID iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  const zelu::dispatch::ObjectFactory create = zelu::dispatch::TheRegistry().FindByClass(clsid);
  if (create == nullptr) return REGDB_E_CLASSNOTREG;
  IDispatch* const made = create();
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT status = made->QueryInterface(iid, object);
  made->Release();
  return status;
}
