// The zelu command-line tool: one subcommand per library family.
//
// Each subcommand lives in its own file and registers itself with a
// namespace-scope `CommandRegistration`; main() dispatches on the first
// argument. A command reads standard input and writes standard output
// through the helpers in io.h, and reports bad input as one line on
// standard error with a non-zero exit status, writing nothing to standard
// output in that case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelu::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the input could not be processed
inline constexpr int kExitUsage = 2;    // the command line was wrong

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for `zelu --help`
  std::string_view usage;    // the text of `zelu NAME --help`
  int (*run)(const std::vector<std::string>& arguments);  // arguments after NAME
};

// All registered commands, sorted by name.
const std::vector<Command>& Commands();

struct CommandRegistration {
  explicit CommandRegistration(const Command& command);
};

// Writes "zelu NAME: MESSAGE" to standard error and returns `status`.
int Fail(std::string_view command, std::string_view message, int status = kExitFailure);

// True when `arguments` asks for help; prints the command's usage then.
bool PrintedHelp(const Command& command, const std::vector<std::string>& arguments);

}  // namespace zelu::tool
