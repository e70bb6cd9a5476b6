#include <zelu/platform/win32/code_pages.h>

#include <array>
#include <climits>
#include <cstring>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/last_error.h>
#include <zelu/platform/win32/utf8.h>

namespace {

using CodePageTable = std::array<WCHAR, 256>;

constexpr CodePageTable kIso88591 = [] {
  CodePageTable table{};
  for (std::size_t byte = 0; byte < table.size(); ++byte) table[byte] = static_cast<WCHAR>(byte);
  return table;
}();

// ISO 8859-1 with 0x80..0x9F holding typographic characters. The five bytes
// that the code page leaves unassigned keep their C1 control (see the header).
constexpr CodePageTable kWindows1252 = [] {
  CodePageTable table = kIso88591;
  constexpr std::array<WCHAR, 32> kBlock80 = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  for (std::size_t i = 0; i < kBlock80.size(); ++i) table[0x80 + i] = kBlock80[i];
  return table;
}();

bool IsUtf8CodePage(UINT code_page) {
  return code_page == CP_ACP || code_page == CP_OEMCP || code_page == CP_THREAD_ACP || code_page == CP_UTF8;
}

const CodePageTable* SingleByteTable(UINT code_page) {
  if (code_page == 1252) return &kWindows1252;
  if (code_page == 28591) return &kIso88591;
  return nullptr;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// The size rules shared by both directions: capacity 0 asks `count` for
// the size; otherwise `convert` writes into the destination and reports
// zelu::win32::kNoRoom when it does not fit.
template <typename Target, typename Count, typename Convert>
int Deliver(Target* destination, int capacity, Count count, Convert convert) {
  if (capacity == 0) {
    const std::size_t needed = count();
    return needed > static_cast<std::size_t>(INT_MAX) ? Fail(ERROR_ARITHMETIC_OVERFLOW) : static_cast<int>(needed);
  }
  const std::size_t written = convert(destination, static_cast<std::size_t>(capacity));
  return written == zelu::win32::kNoRoom ? Fail(ERROR_INSUFFICIENT_BUFFER) : static_cast<int>(written);
}

bool BadSizes(const void* source, int source_length, const void* destination, int capacity) {
  return source == nullptr || source_length == 0 || source_length < -1 || capacity < 0 ||
         (destination == nullptr && capacity != 0);
}

std::size_t SingleByteToWide(const CodePageTable& table, const char* source, std::size_t length, WCHAR* out,
                             std::size_t capacity) {
  if (length > capacity) return zelu::win32::kNoRoom;
  for (std::size_t i = 0; i < length; ++i) out[i] = table[static_cast<unsigned char>(source[i])];
  return length;
}

// The byte of a code page for one character; -1 when the code page lacks it.
int ByteFor(const CodePageTable& table, char32_t unit) {
  if (unit < table.size() && table[unit] == unit) return static_cast<int>(unit);
  for (std::size_t byte = 0x80; byte < 0xA0; ++byte) {
    if (table[byte] == unit) return static_cast<int>(byte);
  }
  return -1;
}

bool StartsPair(const WCHAR* units, std::size_t i, std::size_t length) {
  return units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < length && units[i + 1] >= 0xDC00 &&
         units[i + 1] <= 0xDFFF;
}

// Writes into at most `capacity` bytes (when `out` is not null) or counts
// the bytes of `length` units.
std::size_t WideToSingleByte(const CodePageTable& table, const WCHAR* units, std::size_t length, char* out,
                             std::size_t capacity, char default_char, BOOL* used_default_char) {
  std::size_t written = 0;
  bool used = false;
  for (std::size_t i = 0; i < length; ++i, ++written) {
    const int byte = ByteFor(table, units[i]);
    if (byte < 0) {
      used = true;
      if (StartsPair(units, i, length)) ++i;
    }
    if (out == nullptr) continue;
    if (written == capacity) return zelu::win32::kNoRoom;
    out[written] = byte < 0 ? default_char : static_cast<char>(byte);
  }
  if (used_default_char != nullptr) *used_default_char = used ? TRUE : FALSE;
  return written;
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_bytes, LPWSTR destination,
                        int destination_units) {
  if (BadSizes(source, source_bytes, destination, destination_units)) return Fail(ERROR_INVALID_PARAMETER);
  const std::size_t length = source_bytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(source_bytes);
  if (const CodePageTable* table = SingleByteTable(code_page)) {
    return Deliver(destination, destination_units, [&] { return length; },
                   [&](WCHAR* out, std::size_t room) { return SingleByteToWide(*table, source, length, out, room); });
  }
  if (!IsUtf8CodePage(code_page)) return Fail(ERROR_INVALID_PARAMETER);
  if ((flags & MB_ERR_INVALID_CHARS) != 0 && zelu::win32::FindUtf8Fault(source, length).length != 0) {
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  return Deliver(destination, destination_units, [&] { return zelu::win32::Utf16LengthOfUtf8(source, length); },
                 [&](WCHAR* out, std::size_t room) { return zelu::win32::Utf8ToUtf16(source, length, out, room); });
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_units, LPSTR destination,
                        int destination_bytes, LPCSTR default_char, BOOL* used_default_char) {
  if (BadSizes(source, source_units, destination, destination_bytes)) return Fail(ERROR_INVALID_PARAMETER);
  const std::size_t length =
      source_units == -1 ? zelu::crt16::wcslen(source) + 1 : static_cast<std::size_t>(source_units);
  if (const CodePageTable* table = SingleByteTable(code_page)) {
    const char substitute = default_char != nullptr ? default_char[0] : '?';
    return Deliver(
        destination, destination_bytes,
        [&] { return WideToSingleByte(*table, source, length, nullptr, 0, substitute, used_default_char); },
        [&](char* out, std::size_t room) {
          return WideToSingleByte(*table, source, length, out, room, substitute, used_default_char);
        });
  }
  if (!IsUtf8CodePage(code_page) || default_char != nullptr || used_default_char != nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if ((flags & WC_ERR_INVALID_CHARS) != 0 && zelu::win32::FindUnpairedSurrogate(source, length) != length) {
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  return Deliver(destination, destination_bytes, [&] { return zelu::win32::Utf8LengthOfUtf16(source, length); },
                 [&](char* out, std::size_t room) { return zelu::win32::Utf16ToUtf8(source, length, out, room); });
}
