// One line of delimited text written from typed values (CDelimitedGenerate)
// and read back field by field (CDelimitedParse). The delimiter is '^'
// unless given; quotes protect a delimiter and stay in the field text.
#include <cstdio>

#include <zelu/delimited/generate.h>
#include <zelu/delimited/parse.h>
#include <zelu/text/zel_string.h>

int main() {
  CDelimitedGenerate out;  // '^', strings quoted
  out.Add(42);
  out.Add(true);
  out.Add(2.5);
  out.Add(CString(u"a^b").GetString());
  CZelString line(out.Generate());  // owned by `out` until the next Generate: copy it
  std::printf("Generate            %s\n", line.AsUTF8());

  CDelimitedParse in(line);
  int number = 0;
  bool flag = false;
  double amount = 0;
  CString text;
  in.GetNext(number);
  in.GetNext(flag);
  in.GetNext(amount);
  in.GetNext(text);
  std::printf("GetFieldCount       %d\n", in.GetFieldCount());
  std::printf("GetNext             %d, %s, %g, %s\n", number, flag ? "true" : "false", amount,
              CZelString(text).AsUTF8());
  std::printf("GetNext past end    %s\n", in.GetNext(text) ? "true" : "false");

  // Another delimiter and unquoted strings; SetAt replaces a value in place.
  CDelimitedGenerate csv(',', false);
  csv.Add(CString(u"id").GetString());
  csv.Add(7);
  csv.SetAt(1, 8);
  std::printf("Generate with ','   %s\n", CZelString(csv.Generate()).AsUTF8());

  // Fields convert without failing: text that is no number reads as 0, and
  // only the last field is trimmed.
  CDelimitedParse loose(CString(u" 12 ^abc^ 7 \r\n"));
  int first = 0, second = -1;
  CString last;
  loose.GetAt(0, first);
  loose.GetAt(1, second);
  loose.GetAt(2, last);
  std::printf("GetAt               %d, %d, [%s]\n", first, second, CZelString(last).AsUTF8());
  return 0;
}
