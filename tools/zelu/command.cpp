#include "command.h"

#include <algorithm>
#include <iostream>

namespace zelu::tool {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

constexpr std::size_t kMostQuotedBytes = 40;

}  // namespace

const std::vector<Command>& Commands() { return Registry(); }

CommandRegistration::CommandRegistration(const Command& command) {
  auto& commands = Registry();
  commands.insert(std::upper_bound(commands.begin(), commands.end(), command,
                                   [](const Command& a, const Command& b) { return a.name < b.name; }),
                  command);
}

int Fail(std::string_view command, std::string_view message, int status) {
  std::cerr << "zelu " << command << ": " << message << '\n';
  return status;
}

std::string Quoted(std::string_view argument) {
  if (argument.size() <= kMostQuotedBytes) return "'" + std::string(argument) + "'";
  std::size_t cut = kMostQuotedBytes;
  while (cut > 0 && (static_cast<unsigned char>(argument[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
  return "'" + std::string(argument.substr(0, cut)) + "...' (" + std::to_string(argument.size()) + " bytes)";
}

}  // namespace zelu::tool
