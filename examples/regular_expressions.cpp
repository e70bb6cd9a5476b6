// The regular-expression object ("VBScript.RegExp", the ECMAScript 3
// dialect) through its typed wrappers: Execute gives a collection of
// matches, each with its sub-matches; Test and Replace. Failures are thrown
// as pointers, which the catcher releases with Delete().
#include <cstdio>

#include <zelu/automation/regexp_wrappers.h>
#include <zelu/platform/variant/variant_wrappers.h>
#include <zelu/text/zel_string.h>

int main() {
  IRegExp creator;
  if (!creator.Create()) return 1;
  IRegExp2 regexp(creator.DetachDispatch());  // takes over the reference
  regexp.SetPattern(CString(u"(\\w+)@(\\w+)\\.example"));
  regexp.SetGlobal(1);

  const CString text(u"ann@host.example, bob@site.example");
  IMatchCollection2 matches(regexp.Execute(text));
  for (LONG i = 0; i < matches.GetCount(); ++i) {
    IMatch2 match(matches.GetItem(i));
    ISubMatches groups(match.GetSubMatches());
    VARIANT user = groups.GetItem(0);  // VT_BSTR; the caller clears it
    std::printf("match at %2d, %2d units: %s, user %s\n", match.GetFirstIndex(), match.GetLength(),
                CZelString(match.GetValue()).AsUTF8(), CZelString(user.bstrVal).AsUTF8());
    VariantClear(&user);
  }

  std::printf("Test                %d\n", regexp.Test(CString(u"nobody here")));
  COleVariant swapped;
  swapped = CString(u"$2:$1");
  std::printf("Replace             %s\n", CZelString(regexp.Replace(text, swapped)).AsUTF8());

  regexp.SetIgnoreCase(1);  // folds ASCII letters only
  regexp.SetPattern(CString(u"^HELLO"));
  std::printf("IgnoreCase          %d\n", regexp.Test(CString(u"hello there")));

  try {
    regexp.SetPattern(CString(u"(unclosed"));
    regexp.Test(text);
  } catch (COleDispatchException* error) {
    // m_scError carries the dialect's error number, 5017 to 5021, in its low 16 bits.
    const auto code = static_cast<unsigned>(error->m_scError);
    std::printf("bad pattern         0x%08X (%u): %s\n", code, code & 0xFFFFu,
                CZelString(error->m_strDescription).AsUTF8());
    error->Delete();
  }
  return 0;
}
