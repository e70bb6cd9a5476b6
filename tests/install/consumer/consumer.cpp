// A program outside the library's tree: it sees only the installed headers
// and links the installed shared library. Built with -Wall -Wextra -Werror.
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
  std::printf("zelu %s: ok\n", zeluRtStringuVersion());
  return 0;
}
