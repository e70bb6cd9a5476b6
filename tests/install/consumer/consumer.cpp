// A program outside the library's tree: it sees only the installed headers
// and links the installed shared library.
#include <zeluRtStringu.h>

#include <cstdio>

int main() {
  CString text;
  text.Format(u"%s %d", u"zelu", 42);
  if (text != CString(u"zelu 42")) {
    std::puts("unexpected Format result");
    return 1;
  }
  std::printf("zelu %s: ok\n", zeluRtStringuVersion());
  return 0;
}
