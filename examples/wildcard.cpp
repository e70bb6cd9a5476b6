// Wildcard matching of wide text: `*` any run, `?` one code unit, `[a-z]`,
// `[!a-z]` and `[^a-z]` sets. Case-sensitive; `\` escapes only inside a set.
// match says yes or no; matche says why not.
#include <cstdio>

#include <zelu/platform/cstring/cstring.h>
#include <zelu/text/wildcard.h>
#include <zelu/text/zel_string.h>

int main() {
  const CString pattern(u"data_??_[0-9]*.csv");
  const char16_t* names[] = {u"data_01_2023.csv", u"data_01_x.csv", u"data_1_2023.csv", u"data_01_2023.CSV"};
  for (const char16_t* name : names) {
    const CString text(name);
    std::printf("%-18s match %d, matche %d\n", CZelString(text).AsUTF8(), match(pattern, text),
                matche(pattern, text));
  }
  // matche's codes: 1 match, 2 the pattern ended first, 3 the text ended
  // first, 4 a set rejected a unit, 5 a literal differed, 6 malformed.
  std::printf("%-18s matche %d\n", "pattern ended", matche(CString(u"log"), CString(u"logs")));

  std::printf("is_pattern         %d %d\n", is_pattern(pattern), is_pattern(CString(u"plain.txt")));
  int fault = 0;
  const int valid = is_valid_pattern(CString(u"[a-"), &fault);
  std::printf("is_valid_pattern   %d, fault %d\n", valid, fault);  // -2: a range without an end
  return 0;
}
