// The zelu command-line tool: one subcommand per library family.
//
// Each subcommand lives in its own file and registers itself with a
// namespace-scope `CommandRegistration`; main() dispatches on the first
// argument. The conventions every command follows (those of the system's
// own text tools):
//   * Options as getopt_long reads them: short ones clustered (-dw0) or with
//     their value attached or following, long ones as --name VALUE or
//     --name=VALUE, anywhere among the operands; `--` ends the options, and
//     `-` is an operand meaning standard input.
//   * Input comes from the FILE operands in order, or standard input; it is
//     read in bounded chunks and output is written as it is made, so memory
//     does not grow with the input.
//   * Exit status 0 on success, 1 when the input cannot be processed (or a
//     read or write fails), 2 when the command line is wrong. Every failure
//     is one line "zelu NAME: message" on standard error; --help and
//     --version fail so too when their text cannot be written.
//   * A streaming command that fails part-way writes the output it made
//     from the input before the failure (earlier FILEs included), then the
//     error line; commands that check all their input first write nothing.
// A command reports failures by throwing the exceptions below; main()
// catches them (and any std::exception, such as std::length_error from a
// library limit) and turns them into that one line and its exit status.
#pragma once

#include <stdexcept>
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

// The command line is wrong: exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The input cannot be processed, or reading or writing failed: exit status 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// --help or --version among a command's options.
struct HelpRequested {};
struct VersionRequested {};

// Writes "zelu NAME: MESSAGE" to standard error ("zelu: MESSAGE" when
// `command` is empty) and returns `status`.
int Fail(std::string_view command, std::string_view message, int status = kExitFailure);

// `argument` quoted for an error line: cut after 40 bytes (whole UTF-8
// characters, then "...' (N bytes)"), and with every byte that a terminal
// could take for a control written as an escape, so that the error stays
// one line of plain text: \n, \r, \t, and \xHH for the other C0 controls,
// DEL, C1 controls (U+0080-U+009F) and bytes that are not well-formed
// UTF-8. A backslash stays as it is.
std::string Quoted(std::string_view argument);

}  // namespace zelu::tool
