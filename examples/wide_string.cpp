// CZelString: a wide string with UTF-8 views, string resources read from a
// language module with a fall-back to the main program, printf-style
// formatting of a resource, and replacement that ignores case. It tells no
// text (GetLength() == -1) from the empty text.
#include <cstdio>

#include <zelu/platform/win32/string_resources.h>
#include <zelu/text/zel_string.h>

int main() {
  // Language modules hold (id, text) pairs; the null module is the main
  // program's, which a program registers once at start-up.
  zelu::win32::StringModule language({{1, u"%d files in %s"}, {2, u"Gr\u00fc\u00dfe"}});
  zelu::win32::StringModule program({{3, u"Main program text"}});
  zelu::win32::SetMainProgramStrings(program.handle());

  CZelString greeting(language.handle(), 2);
  std::printf("resource 2          %s (%d units)\n", greeting.AsUTF8(), greeting.GetLength());

  CZelString text;
  text.setLangDLL(language.handle());
  CZelString folder("/var/log");  // narrow text is UTF-8
  text.Format(1, 3, static_cast<WCHAR*>(folder));
  std::printf("Format(1, ...)      %s\n", text.AsUTF8());
  text.LoadStringW(3);  // not in the language module: the main program's
  std::printf("LoadStringW(3)      %s\n", text.AsUTF8());
  const bool found = text.LoadStringW(99);
  std::printf("LoadStringW(99)     %s, length %d\n", found ? "true" : "false", text.GetLength());

  CZelString sentence("Hello WORLD, hello world");
  CZelString find("world"), replace("zelu");
  const int replaced = sentence.ReplaceNoCase(find, replace);
  std::printf("ReplaceNoCase       %d: %s\n", replaced, sentence.AsUTF8());

  CZelString none, empty("");
  std::printf("no text / empty     %d / %d\n", none.GetLength(), empty.GetLength());
  zelu::win32::SetMainProgramStrings(nullptr);
  return 0;
}
