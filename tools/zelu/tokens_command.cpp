// zelu tokens DELIMITERS TEXT: cuts TEXT into tokens.
#include <algorithm>
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
  // The tokenizer takes each UTF-16 unit of DELIMITERS as a delimiter: the
  // two halves of a character outside the BMP would each cut the text (and
  // other characters that share a half).
  const WCHAR* units = delimiters.GetString();
  if (std::any_of(units, units + delimiters.GetLength(), [](WCHAR unit) { return unit >= 0xD800 && unit < 0xE000; })) {
    throw UsageError("each delimiter must be one UTF-16 code unit; " + Quoted(options.operands[0]) +
                     " holds a character outside the BMP");
  }
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
    "prints nothing. Each delimiter is one UTF-16 code unit: a character\n"
    "outside the BMP (an emoji) in DELIMITERS is a usage error.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
