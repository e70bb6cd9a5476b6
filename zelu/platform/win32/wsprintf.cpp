#include <zelu/platform/win32/wsprintf.h>

#include <algorithm>
#include <vector>

#include <zelu/platform/win32/wide_format.h>

int wvsprintfW(LPWSTR buffer, LPCWSTR format, std::va_list arguments) {
  if (buffer == nullptr) return 0;
  std::vector<WCHAR> out;
  if (format != nullptr) {
    constexpr std::size_t kMaxUnits = zelu::win32::kWsprintfBufferUnits - 1;
    zelu::win32::AppendWideFormat(out, format, arguments, {.floating_point = false, .limit = kMaxUnits});
  }
  std::copy(out.begin(), out.end(), buffer);
  buffer[out.size()] = 0;
  return static_cast<int>(out.size());
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = wvsprintfW(buffer, format, arguments);
  va_end(arguments);
  return written;
}
