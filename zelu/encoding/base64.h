// CBase64: Base64 text from bytes and bytes from Base64 text.
//
// The alphabet is A-Z a-z 0-9 + / with '=' padding; the encoder writes no
// line breaks. Bytes come from, or go to, three carriers: a byte buffer, the
// code units of a CString (each unit is two bytes, low byte first, on every
// machine), and a CComVariant holding a safe array of bytes. Every operation
// returns a 32-bit status: 0, or the failure code of the array access in the
// variant form of Encode.
//
// Limits: text holds at most 2^31 - 2 code units, so Encode throws
// std::length_error, before `out` changes, for more than 1,610,612,733
// bytes of input (805,306,366 units in the CString form). Decoding has no
// such limit. Allocation failure throws std::bad_alloc.
//
// Decoding is forgiving and never fails:
//   * only the low byte of each code unit counts (U+0141 reads as 'A');
//   * anything outside the alphabet (white space, line breaks, '-', '_',
//     zero units) is skipped;
//   * the first '=' ends decoding: a group of two or three values gives its
//     one or two bytes; a group of one value gives one byte, that value
//     shifted left by two with the low two bits 0; nothing after that '='
//     is read;
//   * a group left incomplete at the end of the text, without '=', is
//     dropped.
//
//   CString text;
//   CBase64::Encode(bytes, count, text);            // "TWFu" for "Man"
//   unsigned char* decoded = nullptr;
//   ULONG decoded_count = 0;
//   CBase64::Decode(text, &decoded, decoded_count);  // caller: delete[] decoded
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/variant/variant_wrappers.h>

class ZELU_API CBase64 {
 public:
  CBase64() noexcept {}
  CBase64(const CBase64&) noexcept {}
  CBase64& operator=(const CBase64&) noexcept { return *this; }
  virtual ~CBase64();

  // `out` becomes the 4 * ceil(count / 3) characters of the Base64 text of
  // the `count` bytes at `data`. Returns 0 (or throws std::length_error,
  // see Limits above).
  static LONG Encode(unsigned char* const data, ULONG count, CString& out);
  // Encodes the 2 * GetLength() bytes of the units of `text`, low byte
  // first. `text` and `out` may be the same string. Returns 0.
  static LONG Encode(const CString& text, CString& out);
  // Encodes the first n bytes of the data of `variant.parray`, n being the
  // element count of its dimension 1; the element type is not examined and
  // the variant's type is not tested (callers pass VT_ARRAY | VT_UI1
  // variants). Returns the failure of SafeArrayAccessData, GetLBound or
  // GetUBound unchanged, with the array unlocked and `out` untouched;
  // otherwise 0.
  static LONG Encode(const CComVariant& variant, CString& out);

  // Allocates a buffer of GetLength() + 1 bytes with new[], zero-filled,
  // stores it in *bytes before decoding (the caller releases it with
  // delete[]), decodes into it and stores the byte count in `count`. The
  // decoded bytes are always followed by at least one zero byte. Returns 0.
  // The `unsigned long` form stores the same count (which always fits 32
  // bits), whether `unsigned long` has 64 bits or, on i386, 32.
  static LONG Decode(const CString& text, unsigned char** bytes, ULONG& count);
  static LONG Decode(const CString& text, unsigned char** bytes, unsigned long& count);
  // `out` becomes the decoded bytes read as code units, low byte first, up to
  // the first zero unit; an odd last byte makes a unit whose high byte is 0.
  // Returns 0.
  static LONG Decode(const CString& text, CString& out);
  // `variant` becomes (by VariantCopy, releasing what it held) a new
  // VT_ARRAY | VT_UI1 array, lower bound 0, one element per decoded byte.
  // When that copy fails, `variant` is VT_ERROR with the failure code in
  // scode. Returns 0 either way.
  static LONG Decode(const CString& text, CComVariant& variant);
};
