// The operating system's wide printf-style formatter.
//
// wvsprintfW and wsprintfW expand `format` into `buffer`, which must hold
// 1024 units: at most 1023 units of output and a terminator are written, and
// longer output is cut there (never an error). They return the units
// written before the terminator.
//
// Directives: %[-][#][0][width][.precision][size]conversion with
//   c  a character (a wide unit; with the size h, a narrow byte)
//   C  a narrow character (with l or w, a wide unit)
//   d i  signed decimal; u unsigned decimal; x X unsigned hexadecimal
//   s  a wide string (with h, a narrow one); S a narrow string (with l or w,
//      a wide one); narrow text is UTF-8; a null pointer prints "(null)"
//   sizes h (16 bits), l (32 bits, as int here), ll and I64 (64 bits)
//   %% a percent sign
// Beyond those, the formatter shared with CString::Format also understands
// the flags '+' and ' ', '*' for the width or precision, o and p. There is
// no floating point: e E f F g G a A print the letter itself and take no
// argument, as does any unknown conversion. Characters and text are padded
// with spaces. A null buffer writes nothing and returns 0; a null format
// gives the empty text.
#pragma once

#include <cstdarg>

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

namespace zelu::win32 {
// The units the buffer of wvsprintfW must hold, the terminator included.
inline constexpr int kWsprintfBufferUnits = 1024;
}  // namespace zelu::win32

ZELU_API int wvsprintfW(LPWSTR buffer, LPCWSTR format, std::va_list arguments);
ZELU_API int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
