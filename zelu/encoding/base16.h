// Hex (Base16) text for byte buffers.
//
// CBase16 writes two upper-case hex digits per byte and reads them back.
// CBytes does the same and, by default, puts the byte count in front as four
// lower-case hex digits ("%04x"), which its decoder reads to learn how many
// bytes follow: 0x01 0xAB is "01AB" plain and "000201AB" counted.
//
// What a caller may rely on:
//   * Encoders always return true; `out` is cleared first. Text too long for
//     a CString (more than about 2^30 bytes of input) throws
//     std::length_error before anything is written.
//   * Decoders accept '0'-'9', 'A'-'F' and 'a'-'f', compared as whole 16-bit
//     units; anything else, white space and the terminator included, is an
//     invalid digit. They read the text up to its terminator and never past
//     it.
//   * Decoded bytes come in a buffer allocated with new[] and stored in
//     `*bytes` as soon as it exists; from then on it is the caller's, to be
//     released with delete[], whatever the result. On false, `count` and
//     `*bytes` hold exactly what the table below says.
//
//   Situation                                  result  state after
//   odd number of code units                   false   nothing allocated; count, bytes unchanged
//   CBytes, prefix: no hex number at the start false   nothing allocated; count = length / 2
//   CBytes, prefix: a negative count           false   nothing allocated; count = that count
//   invalid digit, or text ends too early      false   buffer stored; count = announced count;
//                                                      bytes before the failing pair decoded
//
// CBase16::Decode zero-fills its buffer, so bytes after a failing pair are 0.
// CBytes::decode does not fill its buffer: bytes it never decoded are
// indeterminate.
//
//   CString hex;
//   CBase16::Encode(data, size, hex);            // "00AB7F"
//   unsigned char* bytes = nullptr; ULONG count = 0;
//   if (CBase16::Decode(hex, &bytes, count)) use(bytes, count);
//   delete[] bytes;
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>

class ZELU_API CBase16 {
 public:
  CBase16() noexcept {}
  CBase16(const CBase16&) noexcept {}
  CBase16& operator=(const CBase16&) noexcept { return *this; }
  virtual ~CBase16() {}

  // `out` becomes 2 * count upper-case digits.
  static bool Encode(unsigned char* data, ULONG count, CString& out);

  // Decodes the plain form. True when every pair decoded.
  static bool Decode(const WCHAR* text, unsigned char** bytes, ULONG& count);
  // For callers that hold the count in an `unsigned long`: the same count
  // (it always fits 32 bits), whether `unsigned long` has 64 bits or, on
  // i386, 32.
  static bool Decode(const WCHAR* text, unsigned char** bytes, unsigned long& count);

 private:
  // True, with `value` set to 0..15, for a hex digit; otherwise false and
  // `value` unchanged.
  static bool HexCharToInt(WCHAR ch, int& value);
};

class ZELU_API CBytes {
 public:
  CBytes& operator=(const CBytes&) noexcept { return *this; }

  // The counted form when `lengthPrefix` is true, the plain form otherwise.
  // A count above 0xFFFF does not fit the four-digit field: the prefix then
  // holds the first four of the count's hex digits (0x12345 gives "1234"),
  // exactly as the counted format has always been written, and such a text
  // does not decode back to all of its bytes.
  static bool encode(unsigned char* data, ULONG count, CString& out, bool lengthPrefix);
  static bool encode(unsigned char* data, ULONG count, CString& out);  // counted form

  // Decodes the counted form when `lengthPrefix` is true, the plain form
  // otherwise. With the prefix, `count` is the number read from the first
  // four units (the "%04x" scan: leading white space, sign, "0x" allowed),
  // or length / 2 when only white space precedes the end; the digits start
  // at the fifth unit, and a digit position at or past the text's end counts
  // as an invalid digit (so "01" announces one byte and fails, reading
  // nothing beyond the terminator). A negative count fails without
  // allocating. Units after the last announced pair are not looked at.
  static bool decode(const WCHAR* text, unsigned char** bytes, int& count, bool lengthPrefix);
  static bool decode(const WCHAR* text, unsigned char** bytes, int& count);  // counted form

 private:
  static bool HexCharToInt(WCHAR ch, int& value);
};
