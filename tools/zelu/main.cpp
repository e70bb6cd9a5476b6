// zelu: the library's string and encoding utilities from a shell.
#include <iostream>
#include <string>
#include <vector>

#include <zelu/frame/module.h>

#include "command.h"

namespace {

void PrintOverview() {
  std::cout << "usage: zelu COMMAND [ARGUMENTS...]\n\n"
               "String and encoding utilities over UTF-16 text. Bytes are read from standard\n"
               "input; text is written to standard output as UTF-8.\n\ncommands:\n";
  for (const auto& command : zelu::tool::Commands()) {
    std::cout << "  " << command.name << std::string(10 - std::min<std::size_t>(command.name.size(), 9), ' ')
              << command.summary << '\n';
  }
  std::cout << "\n`zelu COMMAND --help` describes one command. `zelu --version` prints the version.\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    PrintOverview();
    return zelu::tool::kExitUsage;
  }
  const std::string& name = arguments.front();
  if (name == "--help" || name == "-h" || name == "help") {
    PrintOverview();
    return zelu::tool::kExitOk;
  }
  if (name == "--version") {
    std::cout << "zelu " << zeluRtStringuVersion() << '\n';
    return zelu::tool::kExitOk;
  }
  for (const auto& command : zelu::tool::Commands()) {
    if (command.name == name) {
      const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
      if (zelu::tool::PrintedHelp(command, rest)) return zelu::tool::kExitOk;
      return command.run(rest);
    }
  }
  std::cerr << "zelu: unknown command '" << name << "' (try zelu --help)\n";
  return zelu::tool::kExitUsage;
}
