// CEmailAddress: one e-mail address as wide text, checked and taken apart.
//
// The address is kept exactly as given (no trimming, no case change, no
// check at construction). IsValid applies a few exact rules, in this order,
// and the first one broken decides:
//   1. exactly one '@';
//   2. a non-empty user part before it and a non-empty domain after it;
//   3./4. the domain, split at '.', is a list of labels taken one after the
//      other: each must be non-empty (rule 3) and then made only of letters,
//      digits and '-' (rule 4), before the next label is looked at.
// The user part is never examined, and label count, label length, leading or
// trailing hyphens and case are not checked ("x@y" is valid).
//
// Letters and digits are those of zelu::crt16::iswalpha and iswdigit, which
// do not depend on the process's locale. Beyond ASCII every BMP letter
// passes (so "é", Cyrillic or CJK labels are valid), and so do the decimal
// digits of other scripts (Arabic-Indic, Devanagari, fullwidth), which the
// letter test counts as letters; iswdigit itself takes '0'-'9' only.
// Combining marks, superscripts, punctuation and symbols fail, and so does
// any surrogate code unit, so no character beyond the BMP passes.
//
// GetUser and GetDomain work on any text, valid or not: the text before the
// first '@' (all of it when there is none) and the text after the first '@'
// (empty when there is none). Results are new strings owned by the caller.
//
// The three queries are traced with CScopeLog under the module tag
// "ZELUSTRING" and the file name "EmailAddress"; IsValid records the exit of
// the rule that decided (see scope_log.h for how to observe it).
//
//   CEmailAddress address(text);   // text holds "ann@mail.example"
//   address.IsValid();             // 1
//   address.GetDomain();           // "mail.example"
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>

class ZELU_API CEmailAddress {
 public:
  CEmailAddress();
  CEmailAddress(const WCHAR* address);  // NOLINT: implicit; null gives ""
  CEmailAddress(const CEmailAddress& other);
  CEmailAddress& operator=(const CEmailAddress& other);
  virtual ~CEmailAddress();

  // 1 when the address follows the rules above, else 0.
  int IsValid();
  // The text before the first '@'; all of it when there is none.
  CString GetUser();
  // The text after the first '@', later '@' signs included; empty when
  // there is none.
  CString GetDomain();

 private:
  CString m_strAddress;
};
