#include <zelu/platform/win32/lstr.h>

#include <climits>

#include <zelu/platform/crt16/crt16.h>

int lstrlenW(LPCWSTR text) {
  if (text == nullptr) return 0;
  const std::size_t length = zelu::crt16::wcslen(text);
  return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

LPWSTR lstrcpyW(LPWSTR destination, LPCWSTR source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return zelu::crt16::wcscpy(destination, source);
}

LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int max_units) {
  if (destination == nullptr || source == nullptr) return nullptr;
  if (max_units <= 0) return destination;
  WCHAR* out = destination;
  for (int room = max_units - 1; room > 0 && *source != 0; --room) *out++ = *source++;
  *out = 0;
  return destination;
}

int lstrcmpiW(LPCWSTR first, LPCWSTR second) {
  if (first == nullptr || second == nullptr) {
    if (first == second) return 0;
    return first == nullptr ? -1 : 1;
  }
  for (;; ++first, ++second) {
    const WCHAR a = zelu::crt16::towlower(*first);
    const WCHAR b = zelu::crt16::towlower(*second);
    if (a != b) return a < b ? -1 : 1;
    if (a == 0) return 0;
  }
}
