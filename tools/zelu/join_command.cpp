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
  WCHAR delimiter = zelu::delimited::kDefaultDelimiter;
  bool quote = true;
  std::vector<std::string_view> values;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--no-quotes") {
      quote = false;
    } else if (argument == "--delimiter") {
      if (i + 1 == arguments.size()) return Fail("join", "--delimiter needs a character", kExitUsage);
      const std::optional<WCHAR> chosen = ParseDelimiter(arguments[++i]);
      if (!chosen) return Fail("join", "the delimiter must be one UTF-16 code unit", kExitUsage);
      delimiter = *chosen;
    } else if (argument.starts_with("--")) {
      return Fail("join", "unknown option '" + argument + "' (see zelu join --help)", kExitUsage);
    } else {
      values.push_back(argument);
    }
  }
  CDelimitedGenerate generate(delimiter, quote);
  for (const std::string_view value : values) {
    if (!AddValue(generate, value)) {
      return Fail("join", "cannot read the value '" + std::string(value) + "' (see zelu join --help)", kExitUsage);
    }
  }
  const CString line(generate.Generate());
  return WriteStandardOutput(ToUtf8(line) + "\n") ? kExitOk : Fail("join", "cannot write standard output");
}

const CommandRegistration kRegistration({"join", "build a delimited line from typed values", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
