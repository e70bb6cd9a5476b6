// zelu join [--delimiter C] [--no-quotes] TYPE:VALUE...
#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <zelu/delimited/generate.h>

#include "command.h"
#include "delimiter_option.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: zelu join [--delimiter C] [--no-quotes] TYPE:VALUE...\n\n"
    "Builds one delimited line from typed values and prints it. Types:\n"
    "  int:N     32-bit integer          long:N    64-bit integer, clamped to 32 bits\n"
    "  byte:N    0 to 255                bool:B    true or false (any case)\n"
    "  float:X   single precision        double:X  double precision\n"
    "  str:TEXT  a string, written between double quotes\n"
    "Numbers print with \"%d\" or with six decimals; nothing is escaped.\n"
    "  --delimiter C  join with the character C (one UTF-16 code unit; default '^')\n"
    "  --no-quotes    write strings without the surrounding double quotes\n";

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != word[i]) return false;
  }
  return true;
}

// Adds one TYPE:VALUE argument; false when it does not parse.
bool AddValue(CDelimitedGenerate& generate, std::string_view argument) {
  const std::size_t colon = argument.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view type = argument.substr(0, colon);
  const std::string_view text = argument.substr(colon + 1);
  if (type == "str") return generate.Add(static_cast<const WCHAR*>(FromUtf8(text)));
  if (type == "bool") {
    if (EqualsIgnoringCase(text, "true")) return generate.Add(true);
    if (EqualsIgnoringCase(text, "false")) return generate.Add(false);
    return false;
  }
  if (type == "int") {
    const auto value = ParseNumber<int>(text);
    return value && generate.Add(*value);
  }
  if (type == "long") {
    const auto value = ParseNumber<std::int64_t>(text);
    return value && generate.Add(static_cast<long>(*value));
  }
  if (type == "byte") {
    const auto value = ParseNumber<unsigned char>(text);
    return value && generate.Add(*value);
  }
  if (type == "float") {
    const auto value = ParseNumber<float>(text);
    return value && generate.Add(*value);
  }
  if (type == "double") {
    const auto value = ParseNumber<double>(text);
    return value && generate.Add(*value);
  }
  return false;
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{0, "delimiter", true}, {0, "no-quotes", false}});
  const WCHAR delimiter =
      options.Has("delimiter") ? ParseDelimiter(*options.Value("delimiter")) : zelu::delimited::kDefaultDelimiter;
  CDelimitedGenerate generate(delimiter, !options.Has("no-quotes"));
  for (const std::string& value : options.operands) {
    if (!AddValue(generate, value)) throw UsageError("cannot read the value " + Quoted(value));
  }
  Output out;
  out.Write(ToUtf8(CString(generate.Generate())));
  out.Write("\n");
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({"join", "build a delimited line from typed values", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
