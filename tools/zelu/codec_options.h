// What the codec commands (base64, hex) share on their command lines: an
// optional mode word before the FILE operands, and the progress option.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace zelu::tool {

enum class CodecMode { kEncode, kDecode };

// The mode from a leading "encode" or "decode" operand (removed from
// `options.operands`) and the -d/--decode flag; encoding when neither is
// given. A mode word that contradicts -d throws UsageError. (A file named
// "encode" is given as ./encode.)
CodecMode TakeCodecMode(ParsedOptions& options);

// A column count for wrapping: a decimal int of at least 0.
std::size_t ParseColumns(const std::string& text, std::string_view option);

}  // namespace zelu::tool
