#include <zelu/encoding/base16.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <zelu/encoding/internal/base16_kernel.h>
#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/memory/huge_pages.h>

namespace {

using zelu::encoding::internal::ActiveHexKernel;
using zelu::encoding::internal::HexKernel;

constexpr int kPrefixUnits = 4;

// Empties `out` and returns its buffer, with room for `units` units (and
// the terminator) that the caller then writes in full before
// out.ReleaseBuffer(units). A buffer that already has the room is kept, and
// nothing is written twice. Counted in 64 bits: two digits a byte of a
// 32-bit count do not fit a 32-bit size_t.
WCHAR* TextBuffer(CString& out, std::uint64_t units) {
  if (units > std::uint64_t{INT_MAX - 1}) throw std::length_error("hex text too long");
  out.Empty();
  return out.GetBuffer(static_cast<int>(units));
}

// Decodes `count` pairs starting at text[first] into `bytes`; the text has
// `length` units. A pair reaching past the end meets the terminator, an
// invalid digit. Returns the number of bytes decoded before the first bad
// pair (== count on success).
std::size_t DecodePairs(const HexKernel& kernel, const WCHAR* text, std::size_t length, std::size_t first,
                        std::size_t count, unsigned char* bytes) {
  const std::size_t available = first >= length ? 0 : (length - first) / 2;
  const std::size_t whole = std::min(count, available);
  return kernel.decode(text + first, whole, bytes).bytes_written;
}

bool HexCharToValue(WCHAR ch, int& value) {
  const unsigned char digit = zelu::crt16::HexDigitValue(ch);
  if (digit == zelu::crt16::kNotHexDigit) return false;
  value = digit;
  return true;
}

}  // namespace

namespace zelu::encoding::internal {

bool EncodeHexWith(const HexKernel& kernel, const unsigned char* data, ULONG count, CString& out) {
  const std::uint64_t units = 2 * std::uint64_t{count};
  kernel.encode(data, count, TextBuffer(out, units));
  out.ReleaseBuffer(static_cast<int>(units));
  return true;
}

bool DecodeHexWith(const HexKernel& kernel, const WCHAR* text, unsigned char** bytes, ULONG& count) {
  const std::size_t length = zelu::crt16::wcslen(text);
  if (length % 2 != 0) return false;
  count = static_cast<ULONG>(length / 2);
  // Reads as zero-filled before decoding: the bytes after the decoded ones
  // are zeroed, each byte written once.
  *bytes = zelu::memory::NewBytes(length / 2);
  const std::size_t decoded = DecodePairs(kernel, text, length, 0, length / 2, *bytes);
  std::fill(*bytes + decoded, *bytes + length / 2, 0);
  return decoded == length / 2;
}

}  // namespace zelu::encoding::internal

bool CBase16::Encode(unsigned char* data, ULONG count, CString& out) {
  return zelu::encoding::internal::EncodeHexWith(ActiveHexKernel(), data, count, out);
}

bool CBase16::Decode(const WCHAR* text, unsigned char** bytes, ULONG& count) {
  return zelu::encoding::internal::DecodeHexWith(ActiveHexKernel(), text, bytes, count);
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
  CString prefix;
  prefix.Format(u"%04x", count);
  const std::uint64_t units = kPrefixUnits + 2 * std::uint64_t{count};
  WCHAR* buffer = TextBuffer(out, units);
  // Only the first four digits stay in front of the data; the formatted
  // count has at least four.
  std::copy_n(prefix.GetString(), kPrefixUnits, buffer);
  ActiveHexKernel().encode(data, count, buffer + kPrefixUnits);
  out.ReleaseBuffer(static_cast<int>(units));
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
  *bytes = zelu::memory::NewBytes(announced);
  return DecodePairs(ActiveHexKernel(), text, length, first_digit, announced, *bytes) == announced;
}

bool CBytes::decode(const WCHAR* text, unsigned char** bytes, int& count) {
  return decode(text, bytes, count, true);
}

bool CBytes::HexCharToInt(WCHAR ch, int& value) { return HexCharToValue(ch, value); }
