// zelu regex: regular-expression search and replacement through the
// library's regular-expression object and its typed wrappers.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/automation/regexp_wrappers.h>
#include <zelu/platform/regexp/regexp.h>

#include "command.h"
#include "io.h"
#include "json_text.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "regex";
constexpr int kExitLimit = 3;  // a match attempt hit the backtracking limit

// The object's members that take the text (regexp.h). The typed wrappers
// pass a text as far as its first zero unit; these calls pass it whole.
constexpr DISPID kExecute = 10004;
constexpr DISPID kTest = 10005;
constexpr DISPID kReplace = 10006;
const BYTE kTextArgument[] = VTS_VARIANT;
const BYTE kTextAndReplacement[] = VTS_VARIANT VTS_VARIANT;

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

// A text (or the replacement) as the automation string (VT_BSTR variant)
// the object reads, zero units included.
class Text {
 public:
  explicit Text(std::string_view utf8) {
    value_.vt = VT_BSTR;
    value_.bstrVal = SysStringFromUtf8(utf8);
  }
  ~Text() { VariantClear(&value_); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  const VARIANT* variant() const { return &value_; }
  void WriteJson(Output& out) const { WriteJsonString(value_.bstrVal, SysStringLen(value_.bstrVal), out); }
  // The `length` units at `index`, as UTF-8 or as a JSON string.
  void WritePart(LONG index, LONG length, bool json, Output& out) const {
    const WCHAR* units = value_.bstrVal + index;
    const auto count = static_cast<std::size_t>(length);
    json ? WriteJsonString(units, count, out) : WriteUtf8(units, count, out);
  }

 private:
  VARIANT value_{};
};

// The texts to search: the TEXT operands, or else the lines of standard
// input; numbered from 1.
class Texts {
 public:
  Texts(const std::vector<std::string>& operands, Output& out) : operands_(operands), lines_(input_, out) {}

  std::optional<std::string_view> Next() {
    ++number_;
    if (operands_.empty()) return lines_.Next();
    if (number_ > operands_.size()) return std::nullopt;
    return operands_[number_ - 1];
  }
  std::size_t number() const { return number_; }
  // The text Next() returned last, for a message.
  std::string Where() const { return operands_.empty() ? lines_.Where() : "text " + std::to_string(number_); }

 private:
  const std::vector<std::string>& operands_;
  Input input_{{}};
  LineReader lines_;
  std::size_t number_ = 0;
};

void WriteUnits(const CString& text, Output& out) {
  WriteUtf8(text.GetString(), static_cast<std::size_t>(text.GetLength()), out);
}

// A match's sub-matches: tab-separated (empty for a group that took no
// part), or JSON values (null for one).
void WriteSubMatches(IMatch2& match, bool json, Output& out) {
  ISubMatches groups(match.GetSubMatches());
  const LONG count = groups.GetCount();
  for (LONG g = 0; g < count; ++g) {
    VARIANT item = groups.GetItem(g);
    out.Write(json ? (g == 0 ? "" : ",") : "\t");
    if (item.vt == VT_BSTR) {
      const UINT length = SysStringLen(item.bstrVal);
      json ? WriteJsonString(item.bstrVal, length, out) : WriteUtf8(item.bstrVal, length, out);
    } else if (json) {
      out.Write("null");
    }
    VariantClear(&item);
  }
}

// One text's matches: a line per match (text number, index, length, value,
// sub-matches; tab-separated), or one JSON line, written match by match.
// False when none matched.
bool DescribeMatches(IRegExp2& regexp, const Text& text, std::size_t number, bool json, Output& out) {
  IDispatch* found = nullptr;
  regexp.InvokeHelper(kExecute, DISPATCH_METHOD, VT_DISPATCH, &found, kTextArgument, text.variant());
  IMatchCollection2 matches(found);
  const LONG count = matches.GetCount();
  if (json) {
    out.Write("{\"text\":");
    text.WriteJson(out);
    out.Write(",\"matches\":[");
  }
  for (LONG i = 0; i < count; ++i) {
    IMatch2 match(matches.GetItem(i));
    const LONG index = match.GetFirstIndex(), length = match.GetLength();
    const std::string numbers = std::to_string(index) + (json ? ",\"length\":" : "\t") + std::to_string(length);
    // The match's value is the text's units it spans: written from the text
    // rather than from two more copies of it (GetValue and its CString).
    if (json) {
      out.Write(std::string(i == 0 ? "" : ",") + "{\"index\":" + numbers + ",\"value\":");
      text.WritePart(index, length, json, out);
      out.Write(",\"submatches\":[");
      WriteSubMatches(match, json, out);
      out.Write("]}");
    } else {
      out.Write(std::to_string(number) + '\t' + numbers + '\t');
      text.WritePart(index, length, json, out);
      WriteSubMatches(match, json, out);
      out.Write("\n");
    }
  }
  if (json) out.Write("]}\n");
  return count > 0;
}

// Writes what --test or --replace gives for `text`: the bare result, or a
// JSON object of the text and the result under `key`.
template <typename WriteResult>
void WriteResultLine(const Text& text, bool json, std::string_view key, WriteResult write_result, Output& out) {
  if (json) {
    out.Write("{\"text\":");
    text.WriteJson(out);
    out.Write(",\"" + std::string(key) + "\":");
  }
  write_result();
  out.Write(json ? "}\n" : "\n");
}

bool Process(IRegExp2& regexp, const Options& options, const Text& replacement, const Text& text,
             std::size_t number, Output& out) {
  if (options.test) {
    BOOL found = FALSE;
    regexp.InvokeHelper(kTest, DISPATCH_METHOD, VT_BOOL, &found, kTextArgument, text.variant());
    WriteResultLine(text, options.json, "matched", [&] { out.Write(found ? "true" : "false"); }, out);
    return found != FALSE;
  }
  if (options.replace) {
    CString result;
    regexp.InvokeHelper(kReplace, DISPATCH_METHOD, VT_BSTR, &result, kTextAndReplacement, text.variant(),
                        replacement.variant());
    WriteResultLine(text, options.json, "result",
                    [&] { options.json ? WriteJsonString(result, out) : WriteUnits(result, out); }, out);
    return true;
  }
  return DescribeMatches(regexp, text, number, options.json, out);
}

// Reports a failure the object reported ("error N: message", after
// `where`), releases it and returns the exit status: 3 for the match
// limit, else `status`.
int Report(COleDispatchException* failure, const std::string& where, int status) {
  const SCODE code = failure->m_scError;
  std::string message = where + "error " + std::to_string(code & 0xFFFF) + ": " + ToUtf8(failure->m_strDescription);
  failure->Delete();
  if (code != zelu::regexp::kOutOfStackSpace) return Fail(kName, message, status);
  return Fail(kName, message + " (the match limit was reached)", kExitLimit);
}

int Search(const Options& options) {
  IRegExp creator;
  if (!creator.Create()) throw Failure("the regular-expression object is not available");
  IRegExp2 regexp(creator.DetachDispatch());
  regexp.SetPattern(FromUtf8(options.pattern));
  regexp.SetGlobal(options.global);
  regexp.SetIgnoreCase(options.ignore_case);
  regexp.SetMultiline(options.multiline);
  try {
    static const WCHAR kNoText[] = {0};
    regexp.Test(kNoText);  // compiles the pattern: a bad one fails before any input is read
  } catch (COleDispatchException* failure) {
    return Report(failure, "", kExitUsage);
  }
  const Text replacement(options.replacement);
  Output out;
  Texts texts(options.texts, out);
  bool all_matched = true;
  while (const std::optional<std::string_view> text = texts.Next()) {
    try {
      all_matched = Process(regexp, options, replacement, Text(*text), texts.number(), out) && all_matched;
    } catch (COleDispatchException* failure) {
      out.Flush();  // the texts before this one are done
      return Report(failure, texts.Where() + ": ", kExitFailure);
    }
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
    "A TEXT is always text, never a file name, \"-\" included: give files on\n"
    "standard input. Its lines end at a line feed (the last may lack it); each\n"
    "is searched whole, NUL bytes included, and its output is written before\n"
    "the next line is read. A line longer than 2^31 - 2 bytes is refused.\n"
    "Memory: a line is held whole, as read and as UTF-16 (3 bytes per byte);\n"
    "with --global the object keeps all its matches until the line is done,\n"
    "32 bytes each, 16 more per group, and the matched text (a 1 MiB line of\n"
    "one-character matches takes about 40 MB).\n"
    "\n"
    "Exit status: 0 when every text matched (always with --replace; also with\n"
    "no text at all), 1 when one did not or the input could not be processed,\n"
    "2 for a usage error or a bad pattern (the dialect's error number and\n"
    "message on standard error; found before any input is read), 3 when a\n"
    "match attempt hit the backtracking limit. A failure names the line or\n"
    "TEXT; the output of the ones before it is written.\n",
    Run,
});

}  // namespace
}  // namespace zelu::tool
