// CZelString: a small wide string that owns one zero-terminated UTF-16
// buffer and tells "no text" (a null buffer) apart from the empty text. It
// makes narrow and UTF-8 copies on demand, loads string resources from a
// language module with a fall-back to the main program, formats a resource
// printf-style, makes automation strings and replaces substrings without
// regard to case. Not reference-counted; copies never share a buffer.
//
//   CZelString text(language_module, IDS_GREETING);   // "Hello, World"
//   const char* utf8 = text.AsUTF8();                 // owned by `text`
//   text.ReplaceNoCase(world, zelu);                  // "WORLD", "zelu": 1
//
// What a caller may rely on:
//   * With no text: GetLength() is -1, IsEmpty() true, and the wide pointer,
//     both views and AllocSysString() are null. With the empty text:
//     GetLength() is 0, IsEmpty() true, the views are "" and AllocSysString
//     a BSTR of length 0.
//   * Narrow text is UTF-8 here: the system's narrow code page (CP_ACP) is
//     UTF-8, so operator char*() and AsUTF8() give the same bytes. Unpaired
//     surrogates become U+FFFD (EF BF BD); malformed narrow input becomes
//     U+FFFD.
//   * Pointer lifetimes: the wide pointer and every pointer that a view call
//     returned stay valid until the text next changes (Empty, destruction,
//     any assignment, LoadStringW, Format, a ReplaceNoCase that replaced
//     something). Every view call makes a new buffer, so a caller may
//     write into one view (strtok) without touching another; a later view
//     call never invalidates an earlier view. The object keeps each view
//     until its text next changes, so a loop of view calls on unchanged
//     text holds one buffer per call until then. The caller never releases
//     them; none leaks.
//   * Arguments may point into this object's own text or views: every
//     member reads its arguments (Format: its variable arguments too) before
//     it releases anything.
//   * LoadStringW and Format read at most 1023 units of a resource, asking
//     the language module first and then the main program (see
//     string_resources.h); an empty resource counts as missing. Format
//     writes at most 1023 units (wvsprintfW, no floating point).
//   * ReplaceNoCase lowers both sides unit by unit with the simple Unicode
//     lower-case mapping of the Basic Multilingual Plane (A-Z, and also
//     letters such as "É" and "Σ"; nothing that changes a length, such as
//     "ß"). A null or empty `find` replaces nothing and returns 0.
//   * A text of 2^31 units or more, or whose narrow form would be, throws
//     std::length_error; allocation failure throws std::bad_alloc. The
//     object is then unchanged.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/win32/string_resources.h>

class ZELU_API CZelString {
 public:
  CZelString();
  CZelString(const char* s);           // NOLINT: implicit, as ported code expects
  CZelString(const WCHAR* s);          // NOLINT
  // Language module = `module`; then LoadStringW(id) unless id is 0xFFFFFFFF.
  // A failed load is not reported: the object then has no text.
  CZelString(HINSTANCE module, unsigned int id);
  // Copies as assignment does: own copy of the text, the same language
  // module, no view.
  CZelString(const CZelString& other);
  ~CZelString();

  // Sets the language module; nothing else changes.
  void setLangDLL(HINSTANCE module);

  // Each replaces the text as a whole; a null pointer leaves no text.
  CZelString& operator=(const char* s);   // from narrow (UTF-8) text
  CZelString& operator=(const WCHAR* s);  // a copy
  // Text and language module of `other`; self-assignment changes nothing.
  CZelString& operator=(const CZelString& other);

  // Releases the text and every view; the language module stays.
  void Empty();

  // Views: null with no text; otherwise a new zero-terminated narrow (here
  // UTF-8) copy of the text as it is now, owned by this object.
  operator char*();  // NOLINT
  char* AsUTF8();
  // The text itself (null when there is none); writable, not a copy.
  operator WCHAR*();  // NOLINT

  int GetLength();
  bool IsEmpty();

  // Loads string resource `id` (at most 1023 units). True when found; false
  // leaves no text, whatever the object held before.
  bool LoadStringW(unsigned int id);
  // Loads resource `id` and formats it with the arguments (wvsprintfW, at
  // most 1023 units). False, with no text, when the resource is missing. A
  // CString argument stands for its units, as "%s" expects; an argument
  // that is neither a CString nor a plain value does not compile.
  bool Format(unsigned int id, ...);
  template <typename... Arguments>
    requires zelu::cstring::NeedsVariadicConversion<Arguments...>
  bool Format(unsigned int id, const Arguments&... arguments) {
    return Format(id, zelu::cstring::VariadicArgument(arguments)...);
  }

  // A new BSTR holding a copy of the text, the caller's to SysFreeString;
  // null when there is no text.
  WCHAR* AllocSysString();

  // Replaces every occurrence of `find`, compared without regard to case,
  // left to right and without overlap, by `replace` (a null `replace`
  // deletes). Returns the number replaced; with 0 the object is untouched
  // (text, no text and views alike).
  int ReplaceNoCase(const WCHAR* find, const WCHAR* replace);

 private:
  // Installs `text` (allocated with new[]) after releasing the old buffers.
  void Install(WCHAR* text);
  char* MakeView(UINT code_page);

  WCHAR* text_;                // owned; null: no text
  char* view_;                 // the newest view, owned with the ones it replaced
  HINSTANCE language_module_;  // not owned
};
