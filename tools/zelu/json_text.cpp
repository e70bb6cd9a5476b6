#include "json_text.h"

namespace zelu::tool {
namespace {

// The escape of a unit that JSON does not take as it is; empty for the
// others.
std::string_view ShortEscape(WCHAR unit) {
  switch (unit) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: return {};
  }
}

void WriteEscape(WCHAR unit, Output& out) {
  if (const std::string_view escape = ShortEscape(unit); !escape.empty()) {
    out.Write(escape);
    return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  const char escape[] = {'\\', 'u', '0', '0', kHex[unit >> 4], kHex[unit & 0xF]};
  out.Write(std::string_view(escape, sizeof escape));
}

}  // namespace

void WriteJsonString(const WCHAR* units, std::size_t length, Output& out) {
  out.Write("\"");
  std::size_t plain = 0;  // start of the run of units that need no escape
  for (std::size_t i = 0; i < length; ++i) {
    const WCHAR unit = units[i];
    if (unit >= 0x20 && unit != '"' && unit != '\\') continue;
    WriteUtf8(units + plain, i - plain, out);
    WriteEscape(unit, out);
    plain = i + 1;
  }
  WriteUtf8(units + plain, length - plain, out);
  out.Write("\"");
}

}  // namespace zelu::tool
