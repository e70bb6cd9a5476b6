// The --delimiter option shared by `zelu split` and `zelu join`.
#pragma once

#include <optional>
#include <string>

#include <zelu/platform/base/base_types.h>

#include "io.h"

namespace zelu::tool {

// The one UTF-16 code unit that `text` (UTF-8) spells, or nothing when it is
// empty or longer.
inline std::optional<WCHAR> ParseDelimiter(const std::string& text) {
  const CString units = FromUtf8(text);
  if (units.GetLength() != 1) return std::nullopt;
  return units[0];
}

}  // namespace zelu::tool
