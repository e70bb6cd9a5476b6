// zelu split [--delimiter C] [--json]
#include <optional>
#include <string>
#include <vector>

#include <zelu/delimited/parse.h>

#include "command.h"
#include "delimiter_option.h"
#include "io.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: zelu split [--delimiter C] [--json] < lines\n\n"
    "Splits each line of standard input (UTF-8) into fields and prints every\n"
    "field on a line of its own. Fields end at the delimiter (default '^')\n"
    "unless it stands between double quotes; quotes stay in the fields, and\n"
    "only the last field of a line is trimmed of white space.\n"
    "  --delimiter C  split at the character C (one UTF-16 code unit)\n"
    "  --json         print one JSON array of strings per input line, which\n"
    "                 keeps the lines apart\n"
    "Input lines end at a line feed; a NUL byte in the input is an error.\n";

// A JSON string literal of `text`: quotes, backslashes and control
// characters escaped, everything else as UTF-8.
std::string JsonString(const CString& text) {
  std::string out = "\"";
  const WCHAR* units = text.GetString();
  int plain = 0;  // start of the run of units that need no escape
  const auto flush = [&](int end) { out += ToUtf8(units + plain, end - plain); };
  for (int i = 0; i < text.GetLength(); ++i) {
    const WCHAR unit = units[i];
    if (unit >= 0x20 && unit != '"' && unit != '\\') continue;
    flush(i);
    plain = i + 1;
    switch (unit) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out += kHex[unit >> 4];
        out += kHex[unit & 0xF];
      }
    }
  }
  flush(text.GetLength());
  out += '"';
  return out;
}

int Run(const std::vector<std::string>& arguments) {
  WCHAR delimiter = zelu::delimited::kDefaultDelimiter;
  bool json = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--json") {
      json = true;
    } else if (arguments[i] == "--delimiter") {
      if (i + 1 == arguments.size()) return Fail("split", "--delimiter needs a character", kExitUsage);
      const std::optional<WCHAR> chosen = ParseDelimiter(arguments[++i]);
      if (!chosen) return Fail("split", "the delimiter must be one UTF-16 code unit", kExitUsage);
      delimiter = *chosen;
    } else {
      return Fail("split", "unexpected argument '" + arguments[i] + "' (see zelu split --help)", kExitUsage);
    }
  }
  const std::string input = ReadStandardInput();
  if (input.find('\0') != std::string::npos) return Fail("split", "the input holds a NUL byte");
  const CString text = FromUtf8(input);

  CDelimitedParse parse(nullptr, delimiter);
  std::string output;
  CString line;
  CString field;
  int start = 0;
  while (start < text.GetLength()) {
    int end = text.Find(WCHAR{'\n'}, start);
    if (end < 0) end = text.GetLength();
    line = text.Mid(start, end - start);
    start = end + 1;
    parse.ParseLine(line);
    const char* separator = "[";
    while (parse.GetNext(field)) {
      if (json) {
        output += separator;
        output += JsonString(field);
        separator = ",";
      } else {
        output += ToUtf8(field);
        output += '\n';
      }
    }
    if (json) output += "]\n";
  }
  return WriteStandardOutput(output) ? kExitOk : Fail("split", "cannot write standard output");
}

const CommandRegistration kRegistration({"split", "split delimited lines into fields", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
