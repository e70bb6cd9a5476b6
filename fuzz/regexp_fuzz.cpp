// The regular-expression translator, engine and object on a pattern and a
// subject from the input: [flags byte][pattern] 0 [subject] (units, split
// at the first zero unit; flag bits: IgnoreCase, Multiline, Global).
//   * A pattern either fails with one of the dialect's errors, the same from
//     the translator, the engine and every member of the object, or it
//     compiles; "Out of memory" without a translator error only when PCRE2
//     refuses the translation for its size.
//   * A compiled pattern either matches within the backtracking limit or
//     fails with the distinct "Out of stack space", from the engine and from
//     the object alike, never a hang or a false "no match".
//   * Matches lie inside the subject, groups inside the text, and the
//     object's Test, Execute and Replace report exactly the engine's matches:
//     Replace with "$&" gives the subject back and with "" removes them.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <zelu/platform/regexp/internal/engine.h>
#include <zelu/platform/regexp/internal/translator.h>
#include <zelu/platform/regexp/regexp.h>
#include <zelu/platform/regexp/regexp_test_driver.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;
using zelu::regexp::internal::Engine;
using zelu::regexp::internal::kUnset;
using zelu::regexp::internal::MatchStatus;
using zelu::regexp::internal::Offsets;
using zelu::regexp::internal::PatternError;
using zelu::testing::Escape;
using zelu::testing::RegExpDriver;

// Patterns and subjects of a few thousand units reach every construct; a
// longer subject only multiplies the start positions of a slow pattern.
constexpr std::size_t kMostInputBytes = 4096;

SCODE CodeOf(PatternError error) { return static_cast<SCODE>(0x800A0000u + static_cast<unsigned>(error)); }

bool IsDialectError(PatternError error) {
  switch (error) {
    case PatternError::kSyntax:
    case PatternError::kQuantifier:
    case PatternError::kBracket:
    case PatternError::kParenthesis:
    case PatternError::kRange:
    case PatternError::kTooLarge: return true;
    default: return false;
  }
}

// The code of the dispatch exception that `call` throws, or 0.
template <typename Call>
SCODE FailureOf(Call call) {
  return zelu::testing::DispatchFailureOf(call).value_or(0);
}

// PCRE2 refuses a translation only for its size: compiled again here with
// the engine's nesting allowance, any other error is the translator's fault.
bool RefusedForSize(const std::u16string& translation) {
  constexpr std::uint32_t kNestAllowance = 2 * zelu::regexp::internal::kMaxNesting + 10;
  pcre2_compile_context_16* context = pcre2_compile_context_create_16(nullptr);
  pcre2_set_parens_nest_limit_16(context, kNestAllowance);
  const std::vector<PCRE2_UCHAR16> units(translation.begin(), translation.end());
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code_16* code = pcre2_compile_16(units.data(), units.size(),
                                         PCRE2_NEVER_UTF | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS,
                                         &error, &offset, context);
  pcre2_code_free_16(code);
  pcre2_compile_context_free_16(context);
  return code == nullptr && (error == PCRE2_ERROR_PATTERN_TOO_LARGE || error == PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP ||
                             error == PCRE2_ERROR_PATTERN_TOO_COMPLICATED || error == PCRE2_ERROR_HEAP_FAILED);
}

struct Matches {
  std::vector<Offsets> found;
  bool limit = false;  // the last attempt hit the backtracking limit
};

// Matches as the object finds them: the first, or with `global` all of them
// (after an empty match the search goes on one unit further).
Matches FindAll(Engine& engine, const std::vector<WCHAR>& subject, bool global) {
  Matches matches;
  const std::size_t length = subject.size() - 1;
  for (std::size_t start = 0; start <= length;) {
    Offsets offsets;
    const MatchStatus status = engine.Match(subject.data(), length, start, offsets);
    matches.limit = status == MatchStatus::kLimit;
    if (status != MatchStatus::kMatch) break;
    Check(offsets.size() == 2 * (static_cast<std::size_t>(engine.groups()) + 1));
    Check(offsets[0] >= start && offsets[0] <= offsets[1] && offsets[1] <= length);
    for (std::size_t g = 2; g < offsets.size(); g += 2) {
      const bool unset = offsets[g] == kUnset;
      Check(unset == (offsets[g + 1] == kUnset));
      if (!unset) Check(offsets[g] <= offsets[g + 1] && offsets[g + 1] <= length);
    }
    matches.found.push_back(offsets);
    if (!global) break;
    start = offsets[1] == offsets[0] ? offsets[1] + 1 : offsets[1];
  }
  return matches;
}

std::string EscapedPart(const std::vector<WCHAR>& subject, std::size_t begin, std::size_t end) {
  return Escape(subject.data() + begin, end - begin);
}

void CheckExecute(RegExpDriver& regexp, const std::vector<WCHAR>& subject, const std::vector<Offsets>& found) {
  const std::vector<zelu::testing::MatchReport> reports = zelu::testing::ReadMatches(regexp.Execute(subject.data()));
  Check(reports.size() == found.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Offsets& offsets = found[i];
    const zelu::testing::MatchReport& report = reports[i];
    Check(report.index == static_cast<LONG>(offsets[0]) && report.length == static_cast<LONG>(offsets[1] - offsets[0]));
    Check(report.value == EscapedPart(subject, offsets[0], offsets[1]));
    Check(report.groups.size() == offsets.size() / 2 - 1);
    for (std::size_t g = 0; g < report.groups.size(); ++g) {
      const std::size_t begin = offsets[2 * g + 2];
      Check(report.groups[g] == (begin == kUnset ? "\\-" : EscapedPart(subject, begin, offsets[2 * g + 3])));
    }
  }
}

void CheckReplace(RegExpDriver& regexp, const std::vector<WCHAR>& subject, const std::vector<Offsets>& found) {
  const WCHAR whole_match[] = {'$', '&', 0};
  const WCHAR nothing[] = {0};
  const CString same = regexp.Replace(subject.data(), whole_match);
  Check(same == CString(subject.data()));
  std::vector<WCHAR> removed;
  std::size_t kept_from = 0;
  for (const Offsets& offsets : found) {
    removed.insert(removed.end(), subject.begin() + static_cast<std::ptrdiff_t>(kept_from),
                   subject.begin() + static_cast<std::ptrdiff_t>(offsets[0]));
    kept_from = offsets[1];
  }
  removed.insert(removed.end(), subject.begin() + static_cast<std::ptrdiff_t>(kept_from), subject.end());
  Check(regexp.Replace(subject.data(), nothing) == CString(removed.data()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMostInputBytes) return 0;
  const unsigned flags = data[0];
  const bool ignore_case = (flags & 1) != 0;
  const bool multiline = (flags & 2) != 0;
  const bool global = (flags & 4) != 0;
  const std::vector<unsigned short> units = zelu::fuzz::TextFromBytes(data + 1, size - 1);
  const auto split = std::find(units.begin(), units.end(), 0);
  const std::u16string pattern(units.begin(), split);
  std::vector<WCHAR> subject(split + 1 < units.end() ? split + 1 : split, units.end());
  subject.erase(std::find(subject.begin(), subject.end(), 0) + 1, subject.end());

  Engine engine(pattern, ignore_case, multiline);
  const zelu::regexp::internal::Translation translation = zelu::regexp::internal::Translate(pattern, multiline);
  RegExpDriver regexp(std::string(ignore_case ? "i" : "") + (multiline ? "m" : "") + (global ? "g" : ""));
  regexp.SetPattern(pattern);
  const auto test = [&] { regexp.Test(subject.data()); };
  const auto execute = [&] { zelu::testing::ReadMatches(regexp.Execute(subject.data())); };

  if (engine.error() != PatternError::kNone) {
    Check(IsDialectError(engine.error()));
    Check(engine.error() == translation.error ||
          (translation.error == PatternError::kNone && engine.error() == PatternError::kTooLarge &&
           RefusedForSize(translation.pattern)));
    const SCODE code = CodeOf(engine.error());
    Check(FailureOf(test) == code && FailureOf(execute) == code);
    return 0;
  }
  Check(translation.error == PatternError::kNone && engine.groups() == translation.groups);

  const Matches first = FindAll(engine, subject, false);
  const Matches all = global ? FindAll(engine, subject, true) : first;
  Check(FailureOf(test) == (first.limit ? zelu::regexp::kOutOfStackSpace : 0));
  if (all.limit) {
    Check(FailureOf(execute) == zelu::regexp::kOutOfStackSpace);
    return 0;
  }
  Check(regexp.Test(subject.data()) == !first.found.empty());
  CheckExecute(regexp, subject, all.found);
  CheckReplace(regexp, subject, all.found);
  return 0;
}
