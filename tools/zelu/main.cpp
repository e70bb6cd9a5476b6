// zelu: the library's string and encoding utilities from a shell.
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/frame/module.h>

#include "command.h"
#include "io.h"

namespace {

using zelu::tool::kExitFailure;
using zelu::tool::kExitOk;
using zelu::tool::kExitUsage;

std::string Overview() {
  std::string text =
      "usage: zelu COMMAND [OPTIONS] [ARGUMENTS...]\n\n"
      "String and encoding utilities over UTF-16 text. Commands that read input\n"
      "take FILE operands or standard input ('-' or none), read it in chunks and\n"
      "write text to standard output as UTF-8.\n\ncommands:\n";
  for (const auto& command : zelu::tool::Commands()) {
    text += "  " + std::string(command.name) + std::string(10 - std::min<std::size_t>(command.name.size(), 9), ' ') +
            std::string(command.summary) + '\n';
  }
  return text +
         "\nOptions go before or after the operands; '--' ends them. Exit status: 0\n"
         "success, 1 the input could not be processed (or a read or write failed),\n"
         "2 the command line was wrong; each failure is one line on standard error.\n"
         "`zelu COMMAND --help` describes one command; `zelu --version` prints the\n"
         "version.\n";
}

std::string Version() { return "zelu " + std::string(zeluRtStringuVersion()) + '\n'; }

// Writes `text` to `descriptor` and returns `status`, or fails with one
// line (for `command`, empty for the tool itself) when the write does.
int Print(int descriptor, std::string_view text, std::string_view command, int status = kExitOk) {
  try {
    zelu::tool::WriteAll(descriptor, text);
    return status;
  } catch (const zelu::tool::Failure& error) {
    return zelu::tool::Fail(command, error.what());
  }
}

// Runs one command and turns what it throws into one line and a status.
int RunCommand(const zelu::tool::Command& command, const std::vector<std::string>& arguments) {
  try {
    return command.run(arguments);
  } catch (const zelu::tool::HelpRequested&) {
    return Print(STDOUT_FILENO, command.usage, command.name);
  } catch (const zelu::tool::VersionRequested&) {
    return Print(STDOUT_FILENO, Version(), command.name);
  } catch (const zelu::tool::UsageError& error) {
    return zelu::tool::Fail(command.name, std::string(error.what()) + " (see zelu " + std::string(command.name) +
                                              " --help)", kExitUsage);
  } catch (const zelu::tool::Failure& error) {
    return zelu::tool::Fail(command.name, error.what());
  } catch (const std::length_error& error) {
    return zelu::tool::Fail(command.name, std::string("the result passes the 2^31 - 2 UTF-16 units a text holds (") +
                                              error.what() + ")");
  } catch (const std::bad_alloc&) {
    return zelu::tool::Fail(command.name, "out of memory");
  } catch (const std::exception& error) {
    return zelu::tool::Fail(command.name, error.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return Print(STDERR_FILENO, Overview(), "", kExitUsage);
  const std::string& name = arguments.front();
  if (name == "--help" || name == "-h" || name == "help") return Print(STDOUT_FILENO, Overview(), "");
  if (name == "--version") return Print(STDOUT_FILENO, Version(), "");
  for (const auto& command : zelu::tool::Commands()) {
    if (command.name == name) return RunCommand(command, {arguments.begin() + 1, arguments.end()});
  }
  return zelu::tool::Fail("", "unknown command " + zelu::tool::Quoted(name) + " (try zelu --help)", kExitUsage);
}
