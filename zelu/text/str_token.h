// CStrToken: cuts a wide string into tokens at a set of delimiter characters.
//
// Each NextToken call takes one token, ending at the first character of the
// delimiter set given to that call; the set may change from call to call.
// Tokens are pointers into the text, which the tokenizer ends in place by
// overwriting the delimiter with a zero, so taking a token allocates nothing.
// Unlike wcstok, adjacent delimiters give an empty token between them; a
// delimiter at the very end gives no empty last token.
//
// What a caller may rely on:
//   * Copy mode (the default) works on a private copy of the text, released
//     by the destructor; tokens from it are valid until then. In-place mode
//     (`copy` false) writes the zeros into the caller's own string, which
//     must stay alive and unmoved while the tokenizer or its tokens are used.
//   * A null text is taken as the empty text (no tokens).
//   * Copying or assigning a tokenizer gives the target a private copy of the
//     source's untaken text, starting at the source's position; the target
//     releases the copy it held before. Afterwards the two are independent,
//     also when the source works in place, and every buffer is released once.
//   * GetTokenCount and GetTargetCount never move the position: a count made
//     after some tokens have been taken covers the rest of the text, and the
//     next NextToken continues where the last one stopped.
//   * GetTargetCount counts overlapping occurrences ("aa" twice in "aaa");
//     an empty (or null) target occurs nowhere and counts 0.
//
//   const WCHAR colon[] = {':', 0}, none[] = {0};
//   CStrToken tokens(text);   // text holds "key:a:b"
//   tokens.NextToken(colon);  // "key"
//   tokens.NextToken(none);   // "a:b", everything that is left
//   tokens.NextToken(none);   // null
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

class ZELU_API CStrToken {
 public:
  explicit CStrToken(const WCHAR* text);
  CStrToken(WCHAR* text, bool copy);
  CStrToken(const CStrToken& other);
  CStrToken& operator=(const CStrToken& other);
  ~CStrToken();

  // The next token, zero-terminated, pointing into the text; null once the
  // text is used up. `delimiters` is a zero-terminated set, not null; an
  // empty set makes the token run to the end of the text.
  WCHAR* NextToken(const WCHAR* delimiters);

  // The number of tokens that NextToken with `delimiters` would still give.
  int GetTokenCount(const WCHAR* delimiters) const;

  // Occurrences of `target`, as a whole string, in the untaken text.
  int GetTargetCount(const WCHAR* target) const;

 protected:
  // True if `unit` is one of the set's characters; never for zero.
  static bool InTarget(WCHAR unit, const WCHAR* delimiters);

 private:
  void CopyRest(const WCHAR* text);

  WCHAR* m_pBuffer = nullptr;    // owned copy of the text; null in place
  WCHAR* m_pPosition = nullptr;  // first untaken character
};
