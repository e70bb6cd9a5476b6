#include <zelu/encoding/base16.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <zelu/encoding/internal/base16_kernel.h>
#include <zelu/platform/crt16/crt16.h>

namespace {

using zelu::encoding::internal::ActiveHexKernel;

constexpr int kPrefixUnits = 4;

// Writes the plain hex digits of `count` bytes at `out` (2 * count units).
void WriteHexDigits(const unsigned char* data, std::size_t count, WCHAR* out) {
  ActiveHexKernel().encode(data, count, out);
}

// Sizes `out` once to exactly `units` units and returns its buffer. Every
// unit is then overwritten, so what `out` held before cannot show through.
// Counted in 64 bits: two digits a byte of a 32-bit count do not fit a
// 32-bit size_t.
WCHAR* SizeOnce(CString& out, std::uint64_t units) {
  if (units > std::uint64_t{INT_MAX - 1}) throw std::length_error("hex text too long");
  return out.GetBufferSetLength(static_cast<int>(units));
}

// Decodes `count` pairs starting at text[first] into `bytes`; the text has
// `length` units. A pair reaching past the end meets the terminator, an
// invalid digit. Returns the number of bytes decoded before the first bad
// pair (== count on success).
std::size_t DecodePairs(const WCHAR* text, std::size_t length, std::size_t first, std::size_t count,
                        unsigned char* bytes) {
  const std::size_t available = first >= length ? 0 : (length - first) / 2;
  const std::size_t whole = std::min(count, available);
  return ActiveHexKernel().decode(text + first, whole, bytes).bytes_written;
}

bool HexCharToValue(WCHAR ch, int& value) {
  const unsigned char digit = zelu::crt16::HexDigitValue(ch);
  if (digit == zelu::crt16::kNotHexDigit) return false;
  value = digit;
  return true;
}

}  // namespace

bool CBase16::Encode(unsigned char* data, ULONG count, CString& out) {
  WCHAR* buffer = SizeOnce(out, 2 * std::uint64_t{count});
  WriteHexDigits(data, count, buffer);
  return true;
}

bool CBase16::Decode(const WCHAR* text, unsigned char** bytes, ULONG& count) {
  const std::size_t length = zelu::crt16::wcslen(text);
  if (length % 2 != 0) return false;
  count = static_cast<ULONG>(length / 2);
  *bytes = new unsigned char[length / 2];
  const std::size_t decoded = DecodePairs(text, length, 0, length / 2, *bytes);
  std::fill(*bytes + decoded, *bytes + length / 2, 0);
  return decoded == length / 2;
}

bool CBase16::Decode(const WCHAR* text, unsigned char** bytes, unsigned long& count) {
  if (zelu::crt16::wcslen(text) % 2 != 0) return false;  // count stays untouched
  ULONG count32 = 0;
  const bool decoded = Decode(text, bytes, count32);
  count = count32;
  return decoded;
}

bool CBase16::HexCharToInt(WCHAR ch, int& value) { return HexCharToValue(ch, value); }

bool CBytes::encode(unsigned char* data, ULONG count, CString& out, bool lengthPrefix) {
  if (!lengthPrefix) return CBase16::Encode(data, count, out);
  WCHAR* buffer = SizeOnce(out, kPrefixUnits + 2 * std::uint64_t{count});
  CString prefix;
  prefix.Format(u"%04x", count);
  // Only the first four digits stay in front of the data.
  std::copy_n(prefix.GetString(), std::min(prefix.GetLength(), kPrefixUnits), buffer);
  WriteHexDigits(data, count, buffer + kPrefixUnits);
  return true;
}

bool CBytes::encode(unsigned char* data, ULONG count, CString& out) { return encode(data, count, out, true); }

bool CBytes::decode(const WCHAR* text, unsigned char** bytes, int& count, bool lengthPrefix) {
  const std::size_t length = zelu::crt16::wcslen(text);
  if (length % 2 != 0) return false;
  count = static_cast<int>(std::min<std::size_t>(length / 2, INT_MAX));
  std::size_t first_digit = 0;
  if (lengthPrefix) {
    if (zelu::crt16::ScanHex4(text, count) == 0) return false;
    if (count < 0) return false;
    first_digit = kPrefixUnits;
  }
  const auto announced = static_cast<std::size_t>(count);
  *bytes = new unsigned char[announced];
  return DecodePairs(text, length, first_digit, announced, *bytes) == announced;
}

bool CBytes::decode(const WCHAR* text, unsigned char** bytes, int& count) {
  return decode(text, bytes, count, true);
}

bool CBytes::HexCharToInt(WCHAR ch, int& value) { return HexCharToValue(ch, value); }
