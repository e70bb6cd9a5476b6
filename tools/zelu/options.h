// Command-line options the way getopt_long reads them (see command.h).
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelu::tool {

struct KnownOption {
  char short_name;  // 0 when there is none
  std::string_view long_name;
  bool takes_value;
};

struct ParsedOptions {
  std::vector<std::pair<std::string_view, std::string>> given;  // long name, value ("" for flags)
  std::vector<std::string> operands;

  bool Has(std::string_view long_name) const;
  // The value of the last occurrence, if the option was given.
  std::optional<std::string> Value(std::string_view long_name) const;
};

// Reads `arguments` against `known_options`. -h/--help and --version are
// always known and throw HelpRequested / VersionRequested. An unknown option, a
// missing value or a value given to a flag throws UsageError. An argument
// that looks like a negative number ("-5") is an operand.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments,
                           std::initializer_list<KnownOption> known_options);

// A whole operand or option value as a decimal int; UsageError naming
// `what` otherwise.
int ParseIntArgument(std::string_view text, std::string_view what);

}  // namespace zelu::tool
