#include "command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include <zelu/platform/win32/utf8.h>

namespace zelu::tool {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

constexpr std::size_t kMostQuotedBytes = 40;

// The length of the well-formed UTF-8 character that `bytes` (its first
// byte 0x80 or above) starts with, or 0 for a C1 control or ill-formed bytes.
std::size_t PrintableCharacterLength(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (bytes.size() < length || zelu::win32::FindUtf8Fault(bytes.data(), length).length != 0) return 0;
  const bool c1_control = lead == 0xC2 && static_cast<unsigned char>(bytes[1]) < 0xA0;
  return c1_control ? 0 : length;
}

std::string Escaped(std::string_view bytes) {
  std::string escaped;
  while (!bytes.empty()) {
    const auto byte = static_cast<unsigned char>(bytes[0]);
    std::size_t length = byte >= 0x20 && byte < 0x7F ? 1 : byte >= 0x80 ? PrintableCharacterLength(bytes) : 0;
    if (length != 0) {
      escaped.append(bytes.substr(0, length));
    } else if (byte == '\n' || byte == '\r' || byte == '\t') {
      escaped += byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : "\\t";
      length = 1;
    } else {
      char shown[8];
      std::snprintf(shown, sizeof shown, "\\x%02X", byte);
      escaped += shown;
      length = 1;
    }
    bytes.remove_prefix(length);
  }
  return escaped;
}

}  // namespace

const std::vector<Command>& Commands() { return Registry(); }

CommandRegistration::CommandRegistration(const Command& command) {
  auto& commands = Registry();
  commands.insert(std::upper_bound(commands.begin(), commands.end(), command,
                                   [](const Command& a, const Command& b) { return a.name < b.name; }),
                  command);
}

int Fail(std::string_view command, std::string_view message, int status) {
  std::cerr << "zelu" << (command.empty() ? "" : " ") << command << ": " << message << '\n';
  return status;
}

std::string Quoted(std::string_view argument) {
  std::size_t cut = argument.size();
  if (cut > kMostQuotedBytes) {
    cut = kMostQuotedBytes;
    while (cut > 0 && (static_cast<unsigned char>(argument[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
  }
  std::string quoted = "'" + Escaped(argument.substr(0, cut)) + "'";
  if (cut == argument.size()) return quoted;
  quoted.insert(quoted.size() - 1, "...");
  return quoted + " (" + std::to_string(argument.size()) + " bytes)";
}

}  // namespace zelu::tool
