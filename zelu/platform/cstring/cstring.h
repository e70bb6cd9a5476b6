// CString: the framework's wide string, for 16-bit text.
//
// A CString is a value: copies are independent. It holds UTF-16 code units
// (WCHAR) with its own length, may hold zero code units inside, and its
// buffer always has a zero unit after the last one, so it converts to a
// zero-terminated `const WCHAR*`. Lengths and positions count code units.
//
// What a caller may rely on:
//   * Built or assigned from a null pointer (nullptr, NULL or 0, whatever
//     the pointer type), a CString is empty.
//   * Narrow text (`const char*`, and "%S" in Format) is UTF-8; malformed
//     bytes become U+FFFD.
//   * `char16_t` text is copied unit by unit, never reinterpreted.
//   * GetBuffer/GetBufferSetLength give a writable buffer of at least the
//     asked length plus one unit; the units from the old length up to and
//     including the asked length are zero.
//     ReleaseBuffer(-1) then sets the length to the units before the first
//     zero unit, ReleaseBuffer(n) to n.
//   * Indexes and counts outside the string are clamped (Left(-1) is empty,
//     Mid(100) of a shorter string is empty); GetAt/SetAt/operator[] need a
//     valid index.
//   * Allocation failure throws std::bad_alloc; a length beyond INT_MAX
//     throws std::length_error.
//
//   CString line;
//   line.Format(u"%s=%d", name, 42);
#pragma once

#include <concepts>
#include <cstdarg>
#include <string>
#include <string_view>
#include <type_traits>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/oleaut/oleaut.h>

namespace zelu::cstring {

// The types in which ported code writes a single code unit.
template <typename T>
concept CodeUnitLike = std::same_as<T, WCHAR> || std::same_as<T, char16_t> || std::same_as<T, wchar_t> ||
                       std::same_as<T, char>;

// Variable arguments of which one is not a plain value: a printf-style
// member then takes them through a template that hands on each through
// VariadicArgument (below).
template <typename... Arguments>
concept NeedsVariadicConversion = (!std::is_trivially_copyable_v<Arguments> || ...);

}  // namespace zelu::cstring

class ZELU_API CString {
 public:
  CString() noexcept = default;
  CString(const CString& other);
  CString(CString&& other) noexcept;
  // Null pointer constants (nullptr, NULL, 0) all land here and give the
  // empty string: the other text constructors are templates, which a null
  // pointer constant cannot select.
  CString(const WCHAR* text);  // NOLINT: implicit, as ported code expects
  CString(const WCHAR* text, int length);
  template <std::same_as<char16_t> Char>
  CString(const Char* text) {  // NOLINT
    AssignChar16(text);
  }
  CString(std::u16string_view text);  // NOLINT
  // Narrow text: UTF-8.
  template <std::same_as<char> Char>
  CString(const Char* utf8) {  // NOLINT
    AssignUtf8(utf8);
  }
  // `repeat` copies of one code unit (none when repeat <= 0). The unit may be
  // given as WCHAR, char16_t, wchar_t (its low 16 bits) or char.
  template <zelu::cstring::CodeUnitLike Unit>
  explicit CString(Unit unit, int repeat = 1) {
    AssignRepeated(static_cast<WCHAR>(unit), repeat);
  }
  ~CString();

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept;
  CString& operator=(const WCHAR* text);
  template <std::same_as<char16_t> Char>
  CString& operator=(const Char* text) {
    AssignChar16(text);
    return *this;
  }
  template <std::same_as<char> Char>
  CString& operator=(const Char* utf8) {
    AssignUtf8(utf8);
    return *this;
  }
  template <zelu::cstring::CodeUnitLike Unit>
  CString& operator=(Unit unit) {
    AssignRepeated(static_cast<WCHAR>(unit), 1);
    return *this;
  }

  int GetLength() const noexcept { return length_; }
  bool IsEmpty() const noexcept { return length_ == 0; }
  void Empty() noexcept;

  WCHAR GetAt(int index) const noexcept { return GetString()[index]; }
  WCHAR operator[](int index) const noexcept { return GetString()[index]; }
  // Other index types (long, size_t...) too, which would otherwise make
  // `text[i]` ambiguous with indexing the `const WCHAR*` conversion.
  template <std::integral Index>
    requires(!std::same_as<Index, int>)
  WCHAR operator[](Index index) const noexcept {
    return GetString()[index];
  }
  void SetAt(int index, WCHAR unit) noexcept { data_[index] = unit; }
  operator const WCHAR*() const noexcept { return GetString(); }  // NOLINT
  // The zero-terminated units; valid until the string next changes.
  const WCHAR* GetString() const noexcept;
  // A copy as char16_t text, for code that works with std::u16string.
  std::u16string ToU16String() const;
  // A new automation string (BSTR) with all the units, zero units inside
  // included; the caller releases it with SysFreeString.
  BSTR AllocSysString() const;

  // Writable buffer of at least `min_length` + 1 units; the length is kept.
  WCHAR* GetBuffer(int min_length);
  // The string becomes `length` units long (zero units where it grew).
  WCHAR* GetBufferSetLength(int length);
  void ReleaseBuffer(int new_length = -1) noexcept;

  // printf-style formatting with the wide conventions of the runtime the
  // library's callers came from: %s is a wide string, %S a narrow (UTF-8)
  // one, %c a wide unit and %C a narrow char; 'l' means 32 bits, 'll' and
  // 'I64' 64 bits, 'h' 16 bits; %f %e %g and friends take a double and give
  // exactly the digits of the C library's printf for the same conversion.
  // A null string argument prints "(null)". %n writes nothing. %p gives
  // upper-case hex digits filling the pointer's width (16 on 64-bit
  // machines, 8 on i386). 'l' reads 32 bits on every machine: pass LONG,
  // ULONG or DWORD (a `long` only where it has 32 bits, as on i386).
  // A CString argument stands for its units, as "%s" expects (ported code
  // passes CStrings as they are); an argument that is neither a CString
  // nor a plain value (a number, a pointer) does not compile.
  void Format(const WCHAR* format, ...);
  void Format(const char16_t* format, ...);
  template <typename... Arguments>
    requires zelu::cstring::NeedsVariadicConversion<Arguments...>
  void Format(const WCHAR* format, const Arguments&... arguments);
  template <typename... Arguments>
    requires zelu::cstring::NeedsVariadicConversion<Arguments...>
  void Format(const char16_t* format, const Arguments&... arguments);

  CString& operator+=(const CString& text);
  CString& operator+=(const WCHAR* text);
  CString& operator+=(const char16_t* text);
  CString& operator+=(WCHAR unit);

  // Code-unit order; CompareNoCase lowers both sides unit by unit first.
  // Negative, 0 or positive.
  int Compare(const WCHAR* text) const noexcept;
  int CompareNoCase(const WCHAR* text) const noexcept;

  // First index at or after `start` (clamped to 0), or -1. An empty text is
  // found at `start` when start <= length.
  int Find(WCHAR unit, int start = 0) const noexcept;
  int Find(const WCHAR* text, int start = 0) const noexcept;
  int ReverseFind(WCHAR unit) const noexcept;

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  // Remove leading/trailing white space (crt16::iswspace).
  void TrimLeft() noexcept;
  void TrimRight() noexcept;
  // Case mapping unit by unit in place; the length never changes.
  void MakeLower() noexcept;
  void MakeUpper() noexcept;

  friend ZELU_API CString operator+(const CString& left, const CString& right);
  friend ZELU_API CString operator+(const CString& left, const WCHAR* right);
  friend ZELU_API CString operator+(const WCHAR* left, const CString& right);
  friend ZELU_API CString operator+(const CString& left, WCHAR right);
  friend ZELU_API CString operator+(WCHAR left, const CString& right);

  friend ZELU_API bool operator==(const CString& left, const CString& right) noexcept;
  friend ZELU_API bool operator==(const CString& left, const WCHAR* right) noexcept;
  friend ZELU_API bool operator<(const CString& left, const CString& right) noexcept;

 private:
  bool Reserve(int capacity);  // true when it allocated fresh (zero) storage
  void Assign(const WCHAR* units, int length);
  void AssignChar16(const char16_t* text);  // null gives the empty string
  void AssignUtf8(const char* utf8);        // null gives the empty string
  void AssignRepeated(WCHAR unit, int repeat);
  void Append(const WCHAR* units, int length);
  template <typename Unit>
  void AssignUnits(const Unit* units, std::size_t length);
  template <typename Unit>
  void FormatFrom(const Unit* format, std::va_list args);

  WCHAR* data_ = nullptr;  // null until the first allocation
  int length_ = 0;
  int capacity_ = 0;  // units available before the terminator
};

namespace zelu::cstring {

// What a member with variable arguments is handed for `argument`: a
// CString's zero-terminated units; any other argument as it is, which must
// then be a plain value: anything else would reach the variable arguments
// as garbage.
template <typename T>
decltype(auto) VariadicArgument(const T& argument) noexcept {
  if constexpr (std::derived_from<T, CString>) {
    return argument.GetString();
  } else {
    static_assert(std::is_trivially_copyable_v<T>, "a variable argument must be a number, a pointer or a CString");
    return (argument);
  }
}

}  // namespace zelu::cstring

template <typename... Arguments>
  requires zelu::cstring::NeedsVariadicConversion<Arguments...>
void CString::Format(const WCHAR* format, const Arguments&... arguments) {
  Format(format, zelu::cstring::VariadicArgument(arguments)...);
}

template <typename... Arguments>
  requires zelu::cstring::NeedsVariadicConversion<Arguments...>
void CString::Format(const char16_t* format, const Arguments&... arguments) {
  Format(format, zelu::cstring::VariadicArgument(arguments)...);
}

inline bool operator!=(const CString& left, const CString& right) noexcept { return !(left == right); }
inline bool operator!=(const CString& left, const WCHAR* right) noexcept { return !(left == right); }
inline bool operator==(const WCHAR* left, const CString& right) noexcept { return right == left; }
inline bool operator!=(const WCHAR* left, const CString& right) noexcept { return !(right == left); }
inline bool operator>(const CString& left, const CString& right) noexcept { return right < left; }
inline bool operator<=(const CString& left, const CString& right) noexcept { return !(right < left); }
inline bool operator>=(const CString& left, const CString& right) noexcept { return !(left < right); }
