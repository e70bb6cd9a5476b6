// Modules of string resources and the operating system's LoadStringW.
//
// A module handle (HINSTANCE) names a table of (id, text) pairs. A
// zelu::win32::StringModule owns one: it is filled from an in-memory table
// or one string at a time with Set, which is also how any other source (a
// resource file, say) fills it. The null handle means the main program: it
// reads the module that the program registered with SetMainProgramStrings,
// or nothing when none is registered.
//
//   zelu::win32::StringModule strings({{1, u"Hello, %s"}, {2, u"Bye"}});
//   zelu::win32::SetMainProgramStrings(strings.handle());
//   WCHAR text[64];
//   int units = LoadStringW(nullptr, 2, text, 64);   // 3, "Bye"
//
// What a caller may rely on:
//   * Texts are copied in; each holds at most 65535 units, as the resource
//     format of the platform allows (Set throws std::length_error beyond
//     that). An empty text is stored as missing, since a resource of length
//     0 is indistinguishable from none. Setting an id again replaces it.
//   * A handle stays valid while its StringModule lives and is not changed:
//     reading is safe from any number of threads, Set is not (fill a module
//     first, then share it). SetMainProgramStrings is meant to be called
//     once at start-up; the registered module must outlive its registration.
//   * Any handle other than null must come from a live StringModule.
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

struct HINSTANCE__;  // the module's table (opaque)
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

// Copies string `id` of `module` (null: the main program) into `buffer`,
// cut to `capacity` - 1 units and terminated; returns the units copied.
// Returns 0 when the module has no such string, with the last error
// ERROR_RESOURCE_NAME_NOT_FOUND (ERROR_RESOURCE_DATA_NOT_FOUND when the null
// handle has no registered module); the buffer is then untouched. With
// capacity 0 nothing is copied: a read-only pointer to the text itself (not
// terminated; valid while the module is unchanged) is stored in `buffer`,
// which must then point at a `const WCHAR*`, and its length is returned.
// A null buffer or a negative capacity gives 0 and ERROR_INVALID_PARAMETER.
ZELU_API int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int capacity);

namespace zelu::win32 {

struct StringResource {
  UINT id;
  std::u16string_view text;
};

class ZELU_API StringModule {
 public:
  StringModule();
  StringModule(std::initializer_list<StringResource> table);
  ~StringModule();
  StringModule(StringModule&&) noexcept;
  StringModule& operator=(StringModule&&) noexcept;

  // Adds string `id`, or replaces it. The empty text removes it.
  void Set(UINT id, std::u16string_view text);
  void Set(UINT id, const WCHAR* text, std::size_t length);

  // The module's handle; null only once the module has been moved from.
  HINSTANCE handle() const { return table_.get(); }

 private:
  std::unique_ptr<HINSTANCE__> table_;
};

// Makes `module` what the null handle reads (null: nothing); returns the
// previously registered module.
ZELU_API HINSTANCE SetMainProgramStrings(HINSTANCE module);

}  // namespace zelu::win32
