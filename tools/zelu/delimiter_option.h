// The --delimiter option shared by `zelu split` and `zelu join`.
#pragma once

#include <string>

#include <zelu/platform/base/base_types.h>

#include "command.h"
#include "io.h"

namespace zelu::tool {

// The one UTF-16 code unit that `text` (UTF-8) spells; UsageError when it
// is empty or longer.
inline WCHAR ParseDelimiter(const std::string& text) {
  const CString units = FromUtf8(text);
  if (units.GetLength() != 1) throw UsageError("the delimiter must be one UTF-16 code unit, not " + Quoted(text));
  return units[0];
}

}  // namespace zelu::tool
