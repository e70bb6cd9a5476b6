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

// Reads the options; an empty string, or the usage error.
std::string ParseOptions(const std::vector<std::string>& arguments, Options& options) {
  std::size_t i = 0;
  for (; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "-g" || a == "--global") options.global = true;
    else if (a == "-i" || a == "--ignore-case") options.ignore_case = true;
    else if (a == "-m" || a == "--multiline") options.multiline = true;
    else if (a == "--test") options.test = true;
    else if (a == "--json") options.json = true;
    else if (a == "--replace" || a == "-r") {
      if (++i == arguments.size()) return "--replace needs a replacement";
      options.replace = true;
      options.replacement = arguments[i];
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      break;
    }
  }
  if (i == arguments.size()) return "expected PATTERN (see zelu regex --help)";
  if (options.test && options.replace) return "--test and --replace exclude each other";
  options.pattern = arguments[i];
  options.texts.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
  return {};
}

// The lines of standard input, without their line feeds.
std::vector<std::string> InputLines() {
  const std::string input = ReadStandardInput();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    lines.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  return lines;
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

bool Process(IRegExp2& regexp, const Options& options, const std::string& text_utf8, std::size_t number,
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
  if (!creator.Create()) return Fail(kName, "the regular-expression object is not available");
  IRegExp2 regexp(creator.DetachDispatch());
  regexp.SetPattern(FromUtf8(options.pattern));
  regexp.SetGlobal(options.global);
  regexp.SetIgnoreCase(options.ignore_case);
  regexp.SetMultiline(options.multiline);
  const std::vector<std::string> texts = options.texts.empty() ? InputLines() : options.texts;
  std::string out;
  bool all_matched = true;
  try {
    for (std::size_t i = 0; i < texts.size(); ++i) all_matched = Process(regexp, options, texts[i], i + 1, out) && all_matched;
  } catch (COleDispatchException* e) {
    const SCODE code = e->m_scError;
    const std::string message = "error " + std::to_string(code & 0xFFFF) + ": " + ToUtf8(e->m_strDescription);
    e->Delete();
    if (code == zelu::regexp::kOutOfStackSpace) return Fail(kName, message + " (the match limit was reached)", kExitLimit);
    return Fail(kName, message, kExitUsage);
  }
  if (!WriteStandardOutput(out)) return Fail(kName, "cannot write standard output");
  return all_matched ? kExitOk : kExitFailure;
}

int Run(const std::vector<std::string>& arguments) {
  Options options;
  const std::string usage_error = ParseOptions(arguments, options);
  if (!usage_error.empty()) return Fail(kName, usage_error, kExitUsage);
  return Search(options);
}

const CommandRegistration registration({
    kName,
    "search text with a regular expression, or replace its matches",
    "usage: zelu regex [-g|--global] [-i|--ignore-case] [-m|--multiline]\n"
    "                  [--test | --replace R] [--json] [--] PATTERN [TEXT...]\n"
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
