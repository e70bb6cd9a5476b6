// zelu regex: regular-expression search and replacement through the
// library's regular-expression object and its typed wrappers.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/automation/regexp_wrappers.h>
#include <zelu/platform/regexp/regexp.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "regex";
constexpr int kExitLimit = 3;  // a match attempt hit the backtracking limit

struct Options {
  bool global = false, ignore_case = false, multiline = false, test = false, json = false;
  bool replace = false;
  std::string replacement;
  std::string pattern;
  std::vector<std::string> texts;
};

Options ReadOptions(const std::vector<std::string>& arguments) {
  const ParsedOptions parsed = ParseOptions(arguments, {{'g', "global", false},
                                                        {'i', "ignore-case", false},
                                                        {'m', "multiline", false},
                                                        {0, "test", false},
                                                        {'r', "replace", true},
                                                        {0, "json", false}});
  Options options;
  options.global = parsed.Has("global");
  options.ignore_case = parsed.Has("ignore-case");
  options.multiline = parsed.Has("multiline");
  options.test = parsed.Has("test");
  options.json = parsed.Has("json");
  if (const auto replacement = parsed.Value("replace")) {
    options.replace = true;
    options.replacement = *replacement;
  }
  if (options.test && options.replace) throw UsageError("--test and --replace exclude each other");
  if (parsed.operands.empty()) throw UsageError("expected PATTERN [TEXT...]");
  options.pattern = parsed.operands.front();
  options.texts.assign(parsed.operands.begin() + 1, parsed.operands.end());
  return options;
}

// Calls `each` with every line of standard input (without its line feed),
// reading in bounded chunks.
template <typename Each>
void ForEachInputLine(Each each) {
  Input input({});
  std::string pending;
  char chunk[1 << 16];
  while (const std::size_t got = input.Read(chunk, sizeof chunk)) {
    pending.append(chunk, got);
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      each(std::string_view(pending).substr(start, end - start));
    }
    pending.erase(0, start);
  }
  if (!pending.empty()) each(std::string_view(pending));
}

std::string Json(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

// One text's matches: a line per match (text number, index, length, value,
// sub-matches; tab-separated), or one JSON line. False when none matched.
bool DescribeMatches(IRegExp2& regexp, const CString& text, std::size_t number, bool json, std::string& out) {
  IMatchCollection2 matches(regexp.Execute(text));
  const LONG count = matches.GetCount();
  std::string items;
  for (LONG i = 0; i < count; ++i) {
    IMatch2 match(matches.GetItem(i));
    ISubMatches groups(match.GetSubMatches());
    const std::string index = std::to_string(match.GetFirstIndex()), length = std::to_string(match.GetLength());
    const std::string value = ToUtf8(match.GetValue());
    std::string subs;
    for (LONG g = 0; g < groups.GetCount(); ++g) {
      VARIANT item = groups.GetItem(g);
      const bool set = item.vt == VT_BSTR;
      const std::string sub = set ? ToUtf8(item.bstrVal, static_cast<int>(SysStringLen(item.bstrVal))) : "";
      VariantClear(&item);
      subs += json ? std::string(g == 0 ? "" : ",") + (set ? Json(sub) : "null") : "\t" + sub;
    }
    if (json) {
      items += std::string(i == 0 ? "" : ",") + "{\"index\":" + index + ",\"length\":" + length +
               ",\"value\":" + Json(value) + ",\"submatches\":[" + subs + "]}";
    } else {
      out += std::to_string(number) + '\t' + index + '\t' + length + '\t' + value + subs + '\n';
    }
  }
  if (json) out += "{\"text\":" + Json(ToUtf8(text)) + ",\"matches\":[" + items + "]}\n";
  return count > 0;
}

bool Process(IRegExp2& regexp, const Options& options, std::string_view text_utf8, std::size_t number,
             std::string& out) {
  const CString text = FromUtf8(text_utf8);
  if (options.test) {
    const bool found = regexp.Test(text) != 0;
    out += options.json ? "{\"text\":" + Json(text_utf8) + ",\"matched\":" + (found ? "true" : "false") + "}\n"
                        : std::string(found ? "true" : "false") + '\n';
    return found;
  }
  if (options.replace) {
    const CString replacement = FromUtf8(options.replacement);
    VARIANT with{};
    with.vt = VT_BSTR;
    with.bstrVal = replacement.AllocSysString();
    const std::string result = ToUtf8(regexp.Replace(text, with));
    VariantClear(&with);
    out += options.json ? "{\"text\":" + Json(text_utf8) + ",\"result\":" + Json(result) + "}\n" : result + '\n';
    return true;
  }
  return DescribeMatches(regexp, text, number, options.json, out);
}

int Search(const Options& options) {
  IRegExp creator;
  if (!creator.Create()) throw Failure("the regular-expression object is not available");
  IRegExp2 regexp(creator.DetachDispatch());
  regexp.SetPattern(FromUtf8(options.pattern));
  regexp.SetGlobal(options.global);
  regexp.SetIgnoreCase(options.ignore_case);
  regexp.SetMultiline(options.multiline);
  Output out;
  std::string lines;
  std::size_t number = 0;
  bool all_matched = true;
  auto each = [&](std::string_view text) {
    all_matched = Process(regexp, options, text, ++number, lines) && all_matched;
    out.Write(lines);
    lines.clear();
  };
  try {
    if (options.texts.empty()) {
      ForEachInputLine(each);
    } else {
      for (const std::string& text : options.texts) each(text);
    }
  } catch (COleDispatchException* e) {
    const SCODE code = e->m_scError;
    const std::string message = "error " + std::to_string(code & 0xFFFF) + ": " + ToUtf8(e->m_strDescription);
    e->Delete();
    if (code == zelu::regexp::kOutOfStackSpace) return Fail(kName, message + " (the match limit was reached)", kExitLimit);
    return Fail(kName, message, kExitUsage);
  }
  out.Flush();
  return all_matched ? kExitOk : kExitFailure;
}

int Run(const std::vector<std::string>& arguments) { return Search(ReadOptions(arguments)); }

const CommandRegistration registration({
    kName,
    "search text with a regular expression, or replace its matches",
    "usage: zelu regex [-g|--global] [-i|--ignore-case] [-m|--multiline]\n"
    "                  [--test | -r|--replace R] [--json] [--] PATTERN [TEXT...]\n"
    "\n"
    "Searches each TEXT, or with none each line of standard input, with PATTERN\n"
    "(the ECMAScript 3 dialect over UTF-16 code units). Prints one line per match:\n"
    "the text's number from 1, the match's index and length in UTF-16 code units,\n"
    "its value and its sub-matches (empty for a group that took no part), all\n"
    "separated by tabs. Without --global only the first match of each text.\n"
    "\n"
    "--test prints true or false per text; --replace R prints each text with its\n"
    "first (with --global every) match replaced by R, where $1..$99, $&, $`, $'\n"
    "and $$ are expanded. --json prints one JSON object per text instead, with\n"
    "null for a group that took no part.\n"
    "\n"
    "Exit status: 0 when every text matched (always with --replace), 1 when one\n"
    "did not, 2 for a usage error or a bad pattern (the dialect's error number\n"
    "and message on standard error), 3 when a match attempt hit the\n"
    "backtracking limit.\n",
    Run,
});

}  // namespace
}  // namespace zelu::tool
