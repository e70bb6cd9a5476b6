// zelu tokens DELIMITERS TEXT: cuts TEXT into tokens.
#include <string>
#include <vector>

#include <zelu/text/str_token.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "tokens";

int Run(const std::vector<std::string>& arguments) {
  const ParsedOptions options = ParseOptions(arguments, {});
  if (options.operands.size() != 2) throw UsageError("expected DELIMITERS TEXT");
  const CString delimiters = FromUtf8(options.operands[0]);
  CString text = FromUtf8(options.operands[1]);
  // In place: the tokenizer ends the tokens inside `text` itself.
  CStrToken tokens(text.GetBuffer(text.GetLength()), false);
  Output out;
  while (const WCHAR* token = tokens.NextToken(delimiters.GetString())) {
    out.Write(ToUtf8(CString(token)));
    out.Write("\n");
  }
  text.ReleaseBuffer(0);
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({
    kName,
    "cut text into tokens at any of a set of delimiter characters",
    "usage: zelu tokens DELIMITERS TEXT\n\n"
    "Prints the tokens of TEXT one per line. Every character of DELIMITERS\n"
    "ends a token; adjacent delimiters give an empty token (an empty line), a\n"
    "delimiter at the start an empty first token, and a delimiter at the end\n"
    "no empty last token. Empty DELIMITERS print TEXT whole; an empty TEXT\n"
    "prints nothing.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
