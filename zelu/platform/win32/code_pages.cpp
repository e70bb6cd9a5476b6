#include <zelu/platform/win32/code_pages.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/utf8.h>

namespace {

bool IsUtf8CodePage(UINT code_page) {
  return code_page == CP_ACP || code_page == CP_OEMCP || code_page == CP_THREAD_ACP || code_page == CP_UTF8;
}

// Converts with `convert` into scratch space, then applies the size rules.
template <typename Source, typename Target, typename Convert>
int ConvertWithSizeRules(const Source* source, std::size_t source_length, std::size_t worst_case, Target* destination,
                         int destination_size, Convert convert) {
  std::vector<Target> scratch(worst_case);
  const std::size_t produced = convert(source, source_length, scratch.data());
  if (produced > static_cast<std::size_t>(INT_MAX)) return 0;
  if (destination_size == 0) return static_cast<int>(produced);
  if (destination == nullptr || destination_size < 0 || produced > static_cast<std::size_t>(destination_size)) return 0;
  std::copy_n(scratch.data(), produced, destination);
  return static_cast<int>(produced);
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_bytes, LPWSTR destination,
                        int destination_units) {
  static_cast<void>(flags);
  if (!IsUtf8CodePage(code_page) || source == nullptr || source_bytes == 0 || source_bytes < -1) return 0;
  const std::size_t length = source_bytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(source_bytes);
  return ConvertWithSizeRules(source, length, zelu::win32::MaxUtf16Units(length), destination, destination_units,
                              zelu::win32::Utf8ToUtf16);
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_units, LPSTR destination,
                        int destination_bytes, LPCSTR default_char, BOOL* used_default_char) {
  static_cast<void>(flags);
  if (!IsUtf8CodePage(code_page) || source == nullptr || source_units == 0 || source_units < -1) return 0;
  if (default_char != nullptr || used_default_char != nullptr) return 0;
  const std::size_t length =
      source_units == -1 ? zelu::crt16::wcslen(source) + 1 : static_cast<std::size_t>(source_units);
  return ConvertWithSizeRules(source, length, zelu::win32::MaxUtf8Bytes(length), destination, destination_bytes,
                              zelu::win32::Utf16ToUtf8);
}
