#include <zelu/text/wildcard.h>

namespace {

using zelu::kMatchFound;
using zelu::kMatchLiteralDiffers;
using zelu::kMatchMalformedPattern;
using zelu::kMatchPatternEnded;
using zelu::kMatchSetRejected;
using zelu::kMatchTextEnded;

constexpr WCHAR kStar = u'*';
constexpr WCHAR kAnyUnit = u'?';
constexpr WCHAR kSetOpen = u'[';
constexpr WCHAR kSetClose = u']';
constexpr WCHAR kSetEscape = u'\\';
constexpr WCHAR kSetRange = u'-';
constexpr WCHAR kSetNegate = u'!';
constexpr WCHAR kSetNegateAlt = u'^';

// Tests the text code unit `unit` against the set whose `[` is at `p`.
// Returns 0 when the set lets the unit through, with `p` left on the set's
// closing `]`; otherwise kMatchSetRejected or kMatchMalformedPattern. The
// order of the checks decides which of the two a malformed set gives: a
// negated set rejects as soon as a member admits the unit, before its end
// is looked for, and a plain set that admits the unit is then skipped up to
// its `]`, where an unclosed set shows.
int TestSet(const WCHAR*& p, WCHAR unit) noexcept {
  ++p;
  const bool negated = *p == kSetNegate || *p == kSetNegateAlt;
  if (negated) ++p;
  if (*p == kSetClose) return kMatchMalformedPattern;
  bool admitted = false;
  while (*p != kSetClose) {
    if (*p == kSetEscape) ++p;
    const WCHAR first = *p;
    if (first == 0) return kMatchMalformedPattern;
    ++p;
    if (*p == kSetRange) {
      ++p;
      if (*p == 0 || *p == kSetClose) return kMatchMalformedPattern;
      if (*p == kSetEscape) {
        ++p;
        if (*p == 0) return kMatchMalformedPattern;
      }
      const WCHAR last = *p++;
      admitted = first <= last ? first <= unit && unit <= last : last <= unit && unit <= first;
    } else {
      admitted = unit == first;
    }
    if (admitted) break;
  }
  if (negated) return admitted ? kMatchSetRejected : 0;
  if (!admitted) return kMatchSetRejected;
  while (*p != kSetClose) {
    if (*p == kSetEscape) ++p;
    if (*p == 0) return kMatchMalformedPattern;
    ++p;
  }
  return 0;
}

// WalkStretch's answer when the pattern has reached a `*`.
constexpr int kReachedStar = 0;

// Walks pattern and text together, one element and one code unit at a time,
// until a result is known or the pattern reaches a `*`. In the latter case
// it returns kReachedStar with `p` on the `*` and `t` on the text position
// the star group starts at; otherwise `p` and `t` are unspecified.
int WalkStretch(const WCHAR*& p, const WCHAR*& t) noexcept {
  for (;; ++p, ++t) {
    if (*p == 0) return *t == 0 ? kMatchFound : kMatchPatternEnded;
    if (*t == 0) return p[0] == kStar && p[1] == 0 ? kMatchFound : kMatchTextEnded;
    switch (*p) {
      case kStar:
        return kReachedStar;
      case kAnyUnit:
        break;
      case kSetOpen:
        if (const int result = TestSet(p, *t); result != 0) return result;
        break;
      default:
        if (*p != *t) return kMatchLiteralDiffers;
        break;
    }
  }
}

}  // namespace

int is_pattern(const WCHAR* text) {
  for (; *text != 0; ++text) {
    if (*text == kStar || *text == kAnyUnit || *text == kSetOpen) return 1;
  }
  return 0;
}

int is_valid_pattern(const WCHAR* pattern, int* fault) {
  *fault = zelu::kPatternValid;
  const auto fail = [fault](int code) {
    *fault = code;
    return 0;
  };
  const WCHAR* p = pattern;
  while (*p != 0) {
    if (*p++ != kSetOpen) continue;  // no escapes outside a set
    if (*p == kSetClose) return fail(zelu::kPatternEmptySet);
    if (*p == 0) return fail(zelu::kPatternSetNotClosed);
    for (;;) {
      if (*p == kSetEscape && *++p == 0) return fail(zelu::kPatternEscapeAtEnd);
      ++p;  // past the member
      if (*p == 0) return fail(zelu::kPatternSetNotClosed);
      if (*p == kSetRange) {
        ++p;
        if (*p == 0 || *p == kSetClose) return fail(zelu::kPatternRangeWithoutEnd);
        if (*p == kSetEscape && *++p == 0) return fail(zelu::kPatternEscapeAtEnd);
        ++p;  // past the range end
      }
      if (*p == kSetClose) break;
      if (*p == 0) return fail(zelu::kPatternSetNotClosed);
    }
    ++p;  // past the `]`
  }
  return 1;
}

// The matcher is defined recursively: at a `*` group, the after-star step
// tries the rest of the pattern at each later text position and stops at
// the first trial that gives 1, 3 or 6. It runs here as a loop, without
// recursion and without memory, because of one property of that definition:
// the after-star step itself only ever returns 1, 3 or 6. So a trial that
// gets through the stretch of pattern up to the next `*` returns the next
// group's after-star result, and that ends the search of the current group
// at once: the recursion is a chain of tail calls, never backtracking into
// an earlier group. Each group therefore scans a range of text positions
// that the next group's range starts after, and each trial walks at most
// its stretch of pattern, which bounds the work by pattern length x text
// length.
int matche(const WCHAR* pattern, const WCHAR* text) {
  const WCHAR* p = pattern;
  const WCHAR* t = text;
  int result = WalkStretch(p, t);
  while (result == kReachedStar) {
    // The after-star step: pass over the group of `*` and `?`, each `?`
    // taking one text code unit.
    for (; *p == kStar || *p == kAnyUnit; ++p) {
      if (*p == kAnyUnit) {
        if (*t == 0) return kMatchTextEnded;
        ++t;
      }
    }
    if (*p == 0) return kMatchFound;  // trailing stars take the rest of the text
    // Trials start at every position when the stretch opens with a set, and
    // only where the text has the stretch's first literal otherwise (a trial
    // elsewhere would give 5, which never ends the search).
    const WCHAR first = *p;
    for (;; ++t) {
      if (first != kSetOpen) {
        while (*t != first && *t != 0) ++t;
      }
      if (*t == 0) return kMatchTextEnded;
      const WCHAR* trial_p = p;
      const WCHAR* trial_t = t;
      result = WalkStretch(trial_p, trial_t);
      if (result == kReachedStar) {
        p = trial_p;
        t = trial_t;
        break;
      }
      if (result == kMatchFound || result == kMatchTextEnded || result == kMatchMalformedPattern) {
        return result;
      }
    }
  }
  return result;
}

int match(const WCHAR* pattern, const WCHAR* text) { return matche(pattern, text) == kMatchFound ? 1 : 0; }
