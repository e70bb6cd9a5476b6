// JSON string literals for the commands that print JSON (split, regex).
#pragma once

#include <cstddef>

#include <zelu/platform/cstring/cstring.h>

#include "io.h"

namespace zelu::tool {

// Writes `length` units as a JSON string literal: quotes, backslashes and
// control characters escaped (\" \\ \b \f \n \r \t, any other as \u00XX),
// everything else as UTF-8 (an unpaired surrogate as U+FFFD), a bounded
// piece at a time.
void WriteJsonString(const WCHAR* units, std::size_t length, Output& out);
inline void WriteJsonString(const CString& text, Output& out) {
  WriteJsonString(text.GetString(), static_cast<std::size_t>(text.GetLength()), out);
}

}  // namespace zelu::tool
