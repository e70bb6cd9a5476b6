// zelu match: wildcard matching of command-line text.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/text/wildcard.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "match";

// Meanings of matche's codes 1..6, by code.
constexpr std::array<std::string_view, 7> kResultMeaning = {
    "",
    "the text matches the pattern",
    "the pattern ended while text remained",
    "the text ended while pattern remained",
    "a text character was not admitted by a set",
    "a text character differed from a literal",
    "the pattern is malformed",
};

// Meanings of is_valid_pattern's faults 0..-4, by minus the code.
constexpr std::array<std::string_view, 5> kFaultMeaning = {
    "the pattern is valid",
    "a \\ ends the pattern inside a set",
    "a range inside a set has no end",
    "the pattern ends inside a set",
    "a set is empty",
};

std::string_view ResultMeaning(int code) {
  return code >= 1 && code <= 6 ? kResultMeaning[static_cast<std::size_t>(code)] : "unknown result";
}

std::string_view FaultMeaning(int fault) {
  return fault <= 0 && fault >= -4 ? kFaultMeaning[static_cast<std::size_t>(-fault)] : "unknown fault";
}

void WriteAll(std::string_view text) {
  Output out;
  out.Write(text);
  out.Flush();
}

int Check(const std::string& pattern_utf8) {
  const CString pattern = FromUtf8(pattern_utf8);
  int fault = 0;
  const bool valid = is_valid_pattern(pattern, &fault) != 0;
  std::string out = std::to_string(fault) + '\t' + std::string(FaultMeaning(fault));
  if (valid) out += is_pattern(pattern) != 0 ? " and holds wildcards" : " and holds no wildcard";
  out += '\n';
  WriteAll(out);
  return valid ? kExitOk : kExitFailure;
}

int Match(const std::string& pattern_utf8, const std::vector<std::string>& texts) {
  const CString pattern = FromUtf8(pattern_utf8);
  std::string out;
  bool all_matched = true;
  for (const std::string& text : texts) {
    const int code = matche(pattern, FromUtf8(text));
    all_matched = all_matched && code == kMatchFound;
    out += std::to_string(code) + '\t' + std::string(ResultMeaning(code)) + '\t' + text + '\n';
  }
  WriteAll(out);
  return all_matched ? kExitOk : kExitFailure;
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{0, "check", false}});
  const std::vector<std::string>& operands = options.operands;
  if (options.Has("check")) {
    if (operands.size() != 1) throw UsageError("--check takes exactly one PATTERN");
    return Check(operands[0]);
  }
  if (operands.size() < 2) throw UsageError("expected PATTERN TEXT...");
  return Match(operands.front(), {operands.begin() + 1, operands.end()});
}

const CommandRegistration registration({
    kName,
    "match text against a wildcard pattern, or check a pattern",
    "usage: zelu match [--] PATTERN TEXT...\n"
    "       zelu match --check PATTERN\n"
    "\n"
    "Matches each TEXT against PATTERN and prints one line per text: the result\n"
    "code, its meaning and the text, separated by tabs. Exit status 0 when every\n"
    "text matches, 1 otherwise. Arguments are UTF-8 and are compared as UTF-16\n"
    "code units, case-sensitively.\n"
    "\n"
    "With --check, prints the pattern's fault code and its meaning; exit status 0\n"
    "when the pattern is valid, 1 otherwise.\n"
    "\n"
    "Pattern: * any run, ? one code unit, [abc] [a-z] a set, [!a-z] or [^a-z] a\n"
    "negated set; inside a set \\ takes the next character literally. Outside a\n"
    "set every other character, \\ included, stands for itself.\n"
    "\n"
    "Results: 1 match; 2 the pattern ended while text remained; 3 the text ended\n"
    "while pattern remained (or nothing after a * fitted); 4 a set did not admit a\n"
    "character; 5 a literal differed; 6 the pattern is malformed.\n"
    "Faults: 0 valid; -1 \\ at the end inside a set; -2 a range without an end;\n"
    "-3 a set not closed; -4 an empty set [].\n",
    Run,
});

}  // namespace
}  // namespace zelu::tool
