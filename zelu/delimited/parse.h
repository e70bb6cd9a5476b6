// CDelimitedParse: splits one line of UTF-16 text into fields at a delimiter
// (default '^') and hands them back converted to the caller's type, by
// position (GetAt) or one after another (GetNext).
//
// The split is exact and never fails:
//   * Every delimiter outside double quotes ends a field, so n of them give
//     n + 1 fields; an empty line gives one empty field.
//   * A double quote anywhere flips the inside-quotes state and stays in the
//     field text; there is no escape. An unmatched quote runs to the end of
//     the line. With '"' as the delimiter quoting never takes effect; with
//     the zero unit as the delimiter the whole line is one field.
//   * Only the last field is trimmed of white space (zelu::crt16::iswspace),
//     which also removes a trailing line end; earlier fields keep theirs.
//
// Reading a field converts without ever reporting bad text:
//   bool            "TRUE"/"FALSE" in any letter case (lstrcmpiW); otherwise
//                   true when _wtol of the text is non-zero ("0.9" is false).
//   int, long       _wtol: leading white space, optional sign, decimal digits
//                   up to the first other unit; no digits gives 0; values
//                   beyond the 32-bit range saturate at its ends. `long`
//                   receives the same 32-bit value as `int` (sign-extended
//                   where `long` has 64 bits; on i386 it has 32).
//   unsigned char   the _wtol value cut to its low 8 bits ("300" gives 44).
//   float, double   wcstod, end ignored ("1.5kg" gives 1.5, "abc" 0). A value
//                   beyond single precision becomes an infinity of its sign.
//   CString         the field text unchanged.
//   buffer, size    lstrcpynW(buffer, field, size - 1): at most size - 2 units
//                   and a zero. A size below 2 or a null buffer receives
//                   nothing (and the call still returns true).
// GetAt returns false for an index outside 0 .. count - 1 and GetNext once
// the cursor is past the last field; the destination is untouched then.
//
//   CDelimitedParse parse(line);          // or ParseLine(line) later
//   int id; CString name;
//   parse.GetNext(id); parse.GetNext(name);
//
// An object is used by one thread at a time. It keeps the storage of its
// fields from line to line for reuse, and releases it when destroyed.
#pragma once

#include <vector>

#include <zelu/delimited/line_format.h>
#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>

class ZELU_API CDelimitedParse {
 public:
  // Starts with no fields and the cursor at 0; parses `line` when it is not
  // null.
  explicit CDelimitedParse(const WCHAR* line = nullptr, WCHAR delimiter = zelu::delimited::kDefaultDelimiter);
  ~CDelimitedParse() = default;
  CDelimitedParse(const CDelimitedParse&) = delete;
  CDelimitedParse& operator=(const CDelimitedParse&) = delete;

  // Replaces the fields with those of `line` (not null) and sets the cursor
  // to 0; returns true. A line of 2^31 - 1 units or more throws
  // std::length_error and leaves the object with no fields.
  bool ParseLine(const WCHAR* line);

  // Fields of the last line; 0 before the first one.
  int GetFieldCount() const noexcept { return static_cast<int>(fields_.size()); }

  // The field at `index`; the cursor does not move.
  bool GetAt(int index, bool& value);
  bool GetAt(int index, int& value);
  bool GetAt(int index, long& value);
  bool GetAt(int index, WCHAR* buffer, int size);
  bool GetAt(int index, unsigned char& value);
  bool GetAt(int index, float& value);
  bool GetAt(int index, double& value);
  bool GetAt(int index, CString& value);

  // The field at the cursor, which then moves on by one.
  bool GetNext(bool& value);
  bool GetNext(int& value);
  bool GetNext(long& value);
  bool GetNext(WCHAR* buffer, int size);
  bool GetNext(unsigned char& value);
  bool GetNext(float& value);
  bool GetNext(double& value);
  bool GetNext(CString& value);

 private:
  // A field: its first unit in text_ and its length; text_[start + length]
  // is always a zero unit.
  struct Field {
    std::size_t start;
    std::size_t length;
  };

  template <typename Reader>
  bool ReadAt(int index, Reader read);
  template <typename Reader>
  bool ReadNext(Reader read);

  WCHAR delimiter_;
  int cursor_ = 0;
  // The last line, copied once and split in place: each delimiter that ends
  // a field is overwritten with a zero, so every field is a zero-terminated
  // text of its own. Both vectors keep their storage from line to line.
  std::vector<WCHAR> text_;
  std::vector<Field> fields_;
};
