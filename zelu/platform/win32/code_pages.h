// The operating system's text conversion between narrow and UTF-16 text.
//
// On this platform every narrow code page the library accepts is UTF-8:
// CP_ACP (0, the process's narrow encoding), CP_OEMCP, CP_THREAD_ACP and
// CP_UTF8 (65001). Malformed UTF-8 and unpaired surrogates become U+FFFD.
// Other code pages are refused (result 0). Flags are accepted and ignored.
//
// Sizes follow the platform's rules: a source length of -1 means "zero-
// terminated, terminator included in the conversion"; a destination size of
// 0 asks for the size needed and writes nothing; a destination too small
// gives 0 and writes nothing. A null or empty source gives 0.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF8 = 65001;

// Returns the number of UTF-16 units written (or needed), 0 on failure.
ZELU_API int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_bytes,
                                 LPWSTR destination, int destination_units);

// Returns the number of bytes written (or needed), 0 on failure. For the
// UTF-8 code pages `default_char` and `used_default_char` must be null.
ZELU_API int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_units,
                                 LPSTR destination, int destination_bytes, LPCSTR default_char,
                                 BOOL* used_default_char);
