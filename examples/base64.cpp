// Base64 text from bytes and back, with the three carriers of bytes: a
// buffer, the code units of a CString (two bytes each, low byte first), and
// a variant holding a safe array of bytes. Decoding never fails: characters
// outside the alphabet are skipped and the first '=' ends the text.
#include <cstdio>

#include <zelu/encoding/base64.h>
#include <zelu/platform/oleaut/oleaut.h>
#include <zelu/platform/variant/variant_wrappers.h>
#include <zelu/text/zel_string.h>

int main() {
  unsigned char data[] = {'M', 'a', 'n', 'y'};
  CString text;
  CBase64::Encode(data, sizeof data, text);  // returns 0
  std::printf("Encode bytes          %s\n", CZelString(text).AsUTF8());

  unsigned char* bytes = nullptr;  // allocated by Decode with new[]
  ULONG count = 0;
  CBase64::Decode(CString(u"TWFu\r\neQ==\r\n"), &bytes, count);  // line breaks are skipped
  std::printf("Decode into bytes     %u bytes: %.*s\n", count, static_cast<int>(count), reinterpret_cast<char*>(bytes));
  delete[] bytes;  // the caller owns the buffer

  // A CString's units travel as bytes: "hé" is 68 00 E9 00.
  CString units(u"h\u00e9");
  CBase64::Encode(units, text);
  std::printf("Encode a CString      %s\n", CZelString(text).AsUTF8());
  CString back;
  CBase64::Decode(text, back);
  std::printf("Decode into CString   %s\n", CZelString(back).AsUTF8());

  // Into a variant: VT_ARRAY | VT_UI1, lower bound 0.
  CComVariant variant;
  CBase64::Decode(CString(u"AQID"), variant);
  LONG upper = 0;
  SafeArrayGetUBound(variant.parray, 1, &upper);
  std::printf("Decode into variant   vt 0x%04X, %d elements\n", variant.vt, upper + 1);
  CBase64::Encode(variant, text);
  std::printf("Encode the variant    %s\n", CZelString(text).AsUTF8());

  // Forgiving: '-' and spaces are skipped, and the first '=' ends the text.
  bytes = nullptr;
  CBase64::Decode(CString(u"TW-Fu eQ=ignored"), &bytes, count);
  std::printf("Decode \"TW-Fu eQ=...\" %u bytes: %.*s\n", count, static_cast<int>(count), reinterpret_cast<char*>(bytes));
  delete[] bytes;
  return 0;
}
