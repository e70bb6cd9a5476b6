// zelu email ADDRESS...: checks e-mail addresses and takes them apart.
#include <string>
#include <vector>

#include <zelu/platform/trace/scope_log.h>
#include <zelu/text/email_address.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "email";

// Watches the exit that IsValid records, to tell which rule decided.
class ExitLineSink : public ScopeTraceSink {
 public:
  void OnEnter(const ScopeEntry&) override {}
  void OnExit(const ScopeEntry&, const ScopeExit& exit) override { line = exit.line; }
  void OnLeave(const ScopeEntry&, const ScopeExit&, bool) noexcept override {}
  int line = 0;
};

// The rule that an exit line stands for.
std::string_view Verdict(int valid, int exit_line) {
  if (valid != 0) return "valid";
  switch (exit_line) {
    case 52: return "invalid: not exactly one @";
    case 58: return "invalid: empty user or domain";
    case 67: return "invalid: empty domain label";
    case 73: return "invalid: bad character in domain label";
    default: return "invalid";
  }
}

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {});
  if (options.operands.empty()) throw UsageError("expected at least one ADDRESS");
  std::string out;
  for (const std::string& argument : options.operands) {
    CEmailAddress address(FromUtf8(argument).GetString());
    ExitLineSink sink;
    int valid = 0;
    {
      ScopedThreadScopeTraceSink watching(sink);
      valid = address.IsValid();
    }
    out += argument;
    out += '\t';
    out += Verdict(valid, sink.line);
    out += "\tuser=" + ToUtf8(address.GetUser());
    out += "\tdomain=" + ToUtf8(address.GetDomain());
    out += '\n';
  }
  Output output;
  output.Write(out);
  output.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({
    kName,
    "check e-mail addresses and split them into user and domain",
    "usage: zelu email ADDRESS...\n\n"
    "For each ADDRESS prints one line of four tab-separated fields: the address,\n"
    "'valid' or 'invalid: ' and the rule that failed (not exactly one @, empty\n"
    "user or domain, empty domain label, bad character in domain label),\n"
    "'user=' with the text before the first @, and 'domain=' with the text\n"
    "after it. The exit status is 0 whether or not the addresses are valid.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
