// Test-only: a deliberately plain, recursive wildcard matcher.
//
// It follows the matching rules step by step, with the after-star step
// calling back into the matcher for each trial and carrying its last result
// from position to position, exactly as the rules are written. It is slow
// (recursion depth = number of `*` groups) and shares no code with the
// library: the randomised tests compare the library's loop against it.
#pragma once

#include <zelu/platform/base/base_types.h>

namespace zelu::reference {

inline int Matche(const WCHAR* p, const WCHAR* t);

// The after-star step, given the pattern at a `*`.
inline int AfterStar(const WCHAR* p, const WCHAR* t) {
  for (; *p == u'*' || *p == u'?'; ++p) {
    if (*p == u'?' && *t++ == 0) return 3;
  }
  if (*p == 0) return 1;
  for (int r = 0;; ++t) {
    if (*p == u'[' || *p == *t) r = Matche(p, t);
    if (*t == 0) return 3;
    if (r == 1 || r == 3 || r == 6) return r;
  }
}

// One set at `p` (its `[`) against `ch`: 0 when admitted, with `p` moved to
// the set's `]`, else the result.
inline int MatchSet(const WCHAR*& p, WCHAR ch) {
  const bool negated = p[1] == u'!' || p[1] == u'^';
  p += negated ? 2 : 1;
  if (*p == u']') return 6;
  bool admitted = false;
  while (*p != u']' && !admitted) {
    if (*p == u'\\') ++p;
    const WCHAR low = *p;
    if (low == 0) return 6;
    WCHAR high = low;
    if (*++p == u'-') {
      high = *++p;
      if (high == 0 || high == u']') return 6;
      if (high == u'\\' && (high = *++p) == 0) return 6;
      ++p;
    }
    admitted = (low <= ch && ch <= high) || (high <= ch && ch <= low);
  }
  if (admitted == negated) return 4;
  for (; *p != u']'; ++p) {  // the rest of an admitting set
    if (*p == 0 || (*p == u'\\' && *++p == 0)) return 6;
  }
  return 0;
}

inline int Matche(const WCHAR* p, const WCHAR* t) {
  for (;; ++p, ++t) {
    if (*p == 0) return *t == 0 ? 1 : 2;
    if (*t == 0) return (p[0] == u'*' && p[1] == 0) ? 1 : 3;
    if (*p == u'*') return AfterStar(p, t);
    if (*p == u'[') {
      if (const int r = MatchSet(p, *t); r != 0) return r;
    } else if (*p != u'?' && *p != *t) {
      return 5;
    }
  }
}

// is_valid_pattern's scan, step by step.
inline int IsValidPattern(const WCHAR* p, int* fault) {
  *fault = 0;
  for (; *p != 0; ++p) {
    if (*p != u'[') continue;
    ++p;
    if (*p == u']') return *fault = -4, 0;
    if (*p == 0) return *fault = -3, 0;
    for (;;) {
      if (*p == u'\\' && *++p == 0) return *fault = -1, 0;
      if (*++p == 0) return *fault = -3, 0;
      if (*p == u'-') {
        if (*++p == 0 || *p == u']') return *fault = -2, 0;
        if (*p == u'\\' && *++p == 0) return *fault = -1, 0;
        ++p;
      }
      if (*p == u']') break;
      if (*p == 0) return *fault = -3, 0;
    }
  }
  return 1;
}

}  // namespace zelu::reference
