#include "codec_options.h"

#include "command.h"

namespace zelu::tool {

CodecMode TakeCodecMode(ParsedOptions& options) {
  const bool decode_flag = options.Has("decode");
  std::vector<std::string>& operands = options.operands;
  if (operands.empty() || (operands.front() != "encode" && operands.front() != "decode")) {
    return decode_flag ? CodecMode::kDecode : CodecMode::kEncode;
  }
  const bool decode_word = operands.front() == "decode";
  operands.erase(operands.begin());
  if (decode_flag && !decode_word) throw UsageError("'encode' and -d contradict each other");
  return decode_word ? CodecMode::kDecode : CodecMode::kEncode;
}

std::size_t ParseColumns(const std::string& text, std::string_view option) {
  const int columns = ParseIntArgument(text, option);
  if (columns < 0) throw UsageError(std::string(option) + " must be 0 or more");
  return static_cast<std::size_t>(columns);
}

}  // namespace zelu::tool
