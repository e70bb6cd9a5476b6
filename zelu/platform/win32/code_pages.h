// The operating system's conversion between narrow text and UTF-16.
//
// Code pages:
//   * UTF-8: CP_UTF8 (65001), and CP_ACP (0, the process's narrow encoding),
//     CP_OEMCP and CP_THREAD_ACP, because narrow text on this platform is
//     UTF-8 (file names, the terminal, the C library's "C.UTF-8" locale).
//     Exact both ways: malformed UTF-8 and unpaired surrogates become U+FFFD
//     (EF BF BD), one per maximal ill-formed subsequence or surrogate.
//   * 1252 (Western European) and 28591 (ISO 8859-1): one byte per
//     character, so that narrow data written under those code pages converts
//     byte for byte. Every byte is defined: the five bytes that 1252 leaves
//     unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the
//     same value (U+0081 ...) and convert back to the same byte, so any byte
//     string survives a round trip. To these code pages a character that
//     they lack (a surrogate pair counts as one character, an unpaired
//     surrogate as one) becomes the default character: `default_char[0]`, or
//     '?' when `default_char` is null; no best-fit mapping is applied.
//     `*used_default_char`, when given, tells whether that happened.
//   Any other code page fails with ERROR_INVALID_PARAMETER.
//
// Sizes: a source length of -1 means "zero-terminated", and the terminator
// is converted and counted too. A destination size of 0 asks for the size
// needed and writes nothing. A destination too small gives 0 with
// ERROR_INSUFFICIENT_BUFFER; as on the platform, the whole characters that
// fit have been written to it (none from 1252 or 28591 to UTF-16).
//
// Flags: MB_ERR_INVALID_CHARS (UTF-8 to UTF-16) and WC_ERR_INVALID_CHARS
// (UTF-16 to UTF-8) make malformed input fail with
// ERROR_NO_UNICODE_TRANSLATION instead of being replaced; the single-byte
// code pages have no malformed input. Other flags are accepted and ignored.
//
// Every failure returns 0 and sets the thread's last error (GetLastError):
// ERROR_INVALID_PARAMETER for a null or empty source, a length below -1, a
// negative destination size, a null destination with a nonzero size, an
// unknown code page, or a default character or flag passed for UTF-8;
// ERROR_ARITHMETIC_OVERFLOW when the result would pass INT_MAX units.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

// Returns the number of UTF-16 units written (or needed), 0 on failure.
ZELU_API int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_bytes,
                                 LPWSTR destination, int destination_units);

// Returns the number of bytes written (or needed), 0 on failure.
ZELU_API int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_units,
                                 LPSTR destination, int destination_bytes, LPCSTR default_char,
                                 BOOL* used_default_char);
