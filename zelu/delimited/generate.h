// CDelimitedGenerate: builds one line of delimited UTF-16 text from typed
// values that the caller adds in order (Add) or replaces by position (SetAt).
//
// Generate renders every value and joins them with the delimiter (default
// '^'), adding nothing before the first value, after the last, or at the end
// of the line:
//   bool                  "TRUE" or "FALSE"
//   int, long             "%d": "-12", "5"
//   unsigned char         "%d" of 0 .. 255
//   float                 widened to double, "%f": "1.500000"
//   double                "%lf" (same as "%f"): six decimals, rounded
//   const WCHAR* string   the text, between double quotes when the quote flag
//                         is on (the default); nothing inside is escaped or
//                         doubled. A null pointer counts as the empty string.
// An empty list gives the empty line. Strings that hold neither the delimiter
// nor a double quote read back field for field with CDelimitedParse (quoted
// strings come back with their quotes, numbers with six decimals).
//
// Values are held as automation variants (VT_BOOL, VT_I4, VT_BSTR with a copy
// of the text, VT_UI1, VT_R4, VT_R8), each allocated on its own and released
// by Empty, by SetAt when it replaces it, and by the destructor.
//
// Decisions of this library:
//   * Add(long) and SetAt(int, long) keep the 32-bit value that a `long`
//     holds on 32-bit platforms. Where `long` has 64 bits (x86-64, aarch64,
//     s390x) a value outside the 32-bit range is clamped to INT_MIN or
//     INT_MAX, the same ends at which the parser saturates; on i386 `long`
//     has 32 bits and these are the `int` forms under another type.
//   * SetAt with an index outside 0 .. count - 1 returns false and changes
//     nothing, so every position always holds a value. Add, and SetAt with a
//     valid index, return true.
//
//   CDelimitedGenerate generate;
//   generate.Add(5); generate.Add(true); generate.Add(text);
//   const WCHAR* line = generate.Generate();   // 5^TRUE^"ab"
//
// The text that Generate returns belongs to the generator and stays valid
// until the next Generate or the generator's destruction (Add, SetAt and
// Empty leave it alone). A zero delimiter ends that text after the first
// value. An object is used by one thread at a time.
#pragma once

#include <zelu/delimited/line_format.h>
#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/collections.h>
#include <zelu/platform/cstring/cstring.h>

class ZELU_API CDelimitedGenerate {
 public:
  explicit CDelimitedGenerate(WCHAR delimiter = zelu::delimited::kDefaultDelimiter, bool quote_strings = true);
  ~CDelimitedGenerate();
  CDelimitedGenerate(const CDelimitedGenerate&) = delete;
  CDelimitedGenerate& operator=(const CDelimitedGenerate&) = delete;

  // Appends a value at the end of the list. Always true.
  bool Add(bool value);
  bool Add(int value);
  bool Add(long value);
  bool Add(const WCHAR* value);
  bool Add(unsigned char value);
  bool Add(float value);
  bool Add(double value);

  // Replaces the value at `index` with one of the given type; false (and no
  // change) for an index outside the list.
  bool SetAt(int index, bool value);
  bool SetAt(int index, int value);
  bool SetAt(int index, long value);
  bool SetAt(int index, const WCHAR* value);
  bool SetAt(int index, unsigned char value);
  bool SetAt(int index, float value);
  bool SetAt(int index, double value);

  // Text of another code-unit type would otherwise turn silently into the
  // truth value `true`.
  bool Add(const char16_t*) = delete;
  bool Add(const char*) = delete;
  bool Add(const wchar_t*) = delete;
  bool SetAt(int, const char16_t*) = delete;
  bool SetAt(int, const char*) = delete;
  bool SetAt(int, const wchar_t*) = delete;

  // Releases every value; the list becomes empty.
  void Empty();

  // The line built from the current values (see above), valid until the
  // next Generate or the generator's destruction. A line that would pass
  // 2^31 - 2 units throws std::length_error.
  const WCHAR* Generate();

 private:
  template <typename T>
  bool Append(T value);
  template <typename T>
  bool Replace(int index, T value);

  WCHAR delimiter_;
  bool quote_strings_;
  CString line_;
  CPtrArray values_;  // COleVariant*, owned
};
