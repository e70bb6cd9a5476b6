// zelu split [--delimiter C] [--json] [FILE|-]...
#include <string>
#include <vector>

#include <zelu/delimited/parse.h>

#include "command.h"
#include "delimiter_option.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: zelu split [--delimiter C] [--json] [FILE|-]...\n\n"
    "Splits each line of the FILEs or standard input (UTF-8) into fields and\n"
    "prints every field on a line of its own, a line at a time. Fields end at\n"
    "the delimiter (default '^')\n"
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

constexpr std::size_t kChunkBytes = 1 << 16;

// Writes the fields of one line.
void SplitLine(CDelimitedParse& parse, const CString& line, bool json, Output& out) {
  parse.ParseLine(line);
  CString field;
  const char* separator = "[";
  while (parse.GetNext(field)) {
    if (json) {
      out.Write(separator);
      out.Write(JsonString(field));
      separator = ",";
    } else {
      out.Write(ToUtf8(field));
      out.Write("\n");
    }
  }
  if (json) out.Write("]\n");
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {{0, "delimiter", true}, {0, "json", false}});
  const WCHAR delimiter =
      options.Has("delimiter") ? ParseDelimiter(*options.Value("delimiter")) : zelu::delimited::kDefaultDelimiter;
  const bool json = options.Has("json");
  Input input(options.operands);
  Output out;
  CDelimitedParse parse(nullptr, delimiter);
  std::vector<char> buffer(kChunkBytes);
  std::string line;  // the bytes of a line not yet ended
  std::uint64_t line_number = 1;
  for (;;) {
    out.Flush();  // each line's fields are out before the next read waits
    const std::size_t got = input.Read(buffer.data(), buffer.size());
    if (got == 0) break;
    std::string_view bytes(buffer.data(), got);
    if (bytes.find('\0') != std::string_view::npos) {
      throw Failure("line " + std::to_string(line_number) + " holds a NUL byte");
    }
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; ++line_number) {
      line.append(bytes.substr(0, end));
      SplitLine(parse, FromUtf8(line), json, out);
      line.clear();
      bytes.remove_prefix(end + 1);
    }
    line.append(bytes);
  }
  if (!line.empty()) SplitLine(parse, FromUtf8(line), json, out);
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({"split", "split delimited lines into fields", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
