// The one printf engine of the library, behind CString::Format and
// wvsprintfW: the wide-text conventions of the runtime the library's callers
// came from, with numbers rendered by the C library. Shared by the platform
// units, not installed.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <vector>

#include <zelu/platform/base/base_types.h>

namespace zelu::win32 {

struct WideFormatOptions {
  bool floating_point = true;  // false: %e %f %g %a are not conversions
  // 0: no limit. Otherwise at most `limit` units are appended: the result is
  // the first `limit` units of the unlimited expansion, formatting stops
  // there, and a width or precision far past the limit costs no more than
  // one near it (so no length_error for integers, characters and text).
  std::size_t limit = 0;
};

// Appends the expansion of the zero-terminated `format` to `out`, taking
// arguments from `args`. Unit is WCHAR or char16_t; the format is read unit
// by unit through its own type.
//
// Directives: %[flags][width][.precision][size]conversion, flags "-+ #0",
// '*' for width or precision (a negative width left-aligns, a negative
// precision is none). Numbers are the C library's snprintf digits for the
// same directive. '%%' and an unknown conversion give the conversion
// character itself and take no argument; so do the floating conversions
// when options.floating_point is false. A format that ends inside a
// directive ends there. Strings and characters are padded with spaces.
// A result that would pass 2^31 - 2 units throws std::length_error before
// the oversized part is allocated.
template <typename Unit>
void AppendWideFormat(std::vector<WCHAR>& out, const Unit* format, std::va_list args,
                      WideFormatOptions options = {});

extern template void AppendWideFormat<WCHAR>(std::vector<WCHAR>&, const WCHAR*, std::va_list,
                                             WideFormatOptions);
extern template void AppendWideFormat<char16_t>(std::vector<WCHAR>&, const char16_t*, std::va_list,
                                                WideFormatOptions);

}  // namespace zelu::win32
