#include "command.h"

#include <algorithm>
#include <iostream>

namespace zelu::tool {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
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
  std::cerr << "zelu " << command << ": " << message << '\n';
  return status;
}

bool PrintedHelp(const Command& command, const std::vector<std::string>& arguments) {
  const bool wanted = std::any_of(arguments.begin(), arguments.end(),
                                  [](const std::string& a) { return a == "--help" || a == "-h"; });
  if (wanted) std::cout << command.usage;
  return wanted;
}

}  // namespace zelu::tool
