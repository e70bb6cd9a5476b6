// A program outside the library's tree: it sees only the library's public
// headers and links it however its build found it, shared or static. Built
// with -Wall -Wextra -Werror. It creates the regular-expression object by
// name, so a static link must bring the object's registration and its
// private dependency, PCRE2.
#include <zeluRtStringu.h>

#include <cstddef>
#include <cstdio>

int main() {
  CString text;
  text.Format(u"%s %d", u"zelu", 42);
  if (text != CString(u"zelu 42")) {
    std::puts("unexpected Format result");
    return 1;
  }
  // Ported code writes null pointers both ways; both give the empty string.
  CString from_nullptr(nullptr);
  CString from_null(NULL);
  if (!from_nullptr.IsEmpty() || !from_null.IsEmpty()) {
    std::puts("a null pointer did not give the empty string");
    return 1;
  }
  IRegExp creator;
  if (!creator.Create()) {
    std::puts("the regular-expression object is not registered");
    return 1;
  }
  IRegExp2 regexp(creator.DetachDispatch());
  regexp.SetPattern(CString(u"z(e)l+u"));
  if (regexp.Test(text) == 0) {
    std::puts("the pattern did not match");
    return 1;
  }
  std::printf("zelu %s: ok\n", zeluRtStringuVersion());
  return 0;
}
