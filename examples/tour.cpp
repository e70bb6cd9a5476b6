// A tour of the library: one short use of each family, printing what it
// gets. Copy from here. Exits non-zero if a result is not the one shown in
// the README, so the examples stay true.
#include <cstdio>
#include <string>

#include <zeluRtStringu.h>

namespace {

int failures = 0;

std::string Utf8(const CString& text) {
  std::string bytes(static_cast<std::size_t>(text.GetLength()) * 3, '\0');
  const int length = text.IsEmpty() ? 0
                                    : WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), bytes.data(),
                                                          static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

void Show(const char* what, const CString& got, const char16_t* expected) {
  const bool same = got == CString(expected);
  std::printf("%-28s %s%s\n", what, Utf8(got).c_str(), same ? "" : "   <-- unexpected");
  if (!same) ++failures;
}

}  // namespace

int main() {
  // Hex
  unsigned char data[] = {0x01, 0xAB};
  CString hex;
  CBase16::Encode(data, 2, hex);
  Show("CBase16::Encode", hex, u"01AB");
  CBytes::encode(data, 2, hex);
  Show("CBytes::encode", hex, u"000201AB");
  unsigned char* bytes = nullptr;
  int count = 0;
  if (!CBytes::decode(hex, &bytes, count) || count != 2 || bytes[1] != 0xAB) ++failures;
  delete[] bytes;  // the caller's, even after false

  // Base64
  unsigned char man[] = {'M', 'a', 'n'};
  CString text;
  CBase64::Encode(man, 3, text);
  Show("CBase64::Encode", text, u"TWFu");
  unsigned char* plain = nullptr;
  ULONG plain_count = 0;
  CBase64::Decode(CString(u"TW\r\nFu"), &plain, plain_count);  // line breaks are skipped
  std::printf("%-28s %.*s\n", "CBase64::Decode", static_cast<int>(plain_count), reinterpret_cast<char*>(plain));
  if (plain_count != 3) ++failures;
  delete[] plain;

  // Delimited records
  CDelimitedGenerate out;
  out.Add(5);
  out.Add(true);
  out.Add(CString(u"ab").GetString());
  const CString line = out.Generate();
  Show("CDelimitedGenerate", line, u"5^TRUE^\"ab\"");
  CDelimitedParse in(line);
  int number = 0;
  bool flag = false;
  CString field;
  in.GetNext(number);
  in.GetNext(flag);
  in.GetNext(field);
  Show("CDelimitedParse, field 3", field, u"\"ab\"");
  if (number != 5 || !flag) ++failures;

  // Tokenizer, e-mail address, padding
  const CString address(u"someone@example.com");
  const WCHAR at[] = {'@', 0};
  const WCHAR rest[] = {0};
  CStrToken tokens(address.GetString());
  Show("CStrToken, first token", tokens.NextToken(at), u"someone");
  Show("CStrToken, the rest", tokens.NextToken(rest), u"example.com");
  CEmailAddress email(address);
  if (email.IsValid() != 1) ++failures;
  Show("CEmailAddress::GetDomain", email.GetDomain(), u"example.com");
  Show("CFormatNumber::PadNumber", CFormatNumber::PadNumber(-5, 3, '0'), u"00-5");

  // Wildcards
  const CString pattern(u"data_??_[0-9]*.csv");
  const CString name(u"data_01_2023.csv");
  std::printf("%-28s %d\n", "matche", matche(pattern, name));
  if (match(pattern, name) != 1) ++failures;

  // Safe arrays
  CSafeArray array(SafeArrayCreateVector(VT_UI1, 0, 3));  // owned, one data lock
  CByteArray array_bytes;
  const LONG got = array.GetData(array_bytes, 1);
  std::printf("%-28s %d, %d bytes\n", "CSafeArray::GetData", got, array_bytes.GetSize());
  if (got != S_OK || array_bytes.GetSize() != 3) ++failures;
  CSafeArray sharer(array);  // same array, a lock of its own
  CSafeArray copy;
  if (copy.Copy(array) != S_OK || static_cast<SAFEARRAY*>(sharer) != static_cast<SAFEARRAY*>(array)) ++failures;
  CSafeArray received;
  if (SafeArrayCopy(array, &received) != S_OK || static_cast<SAFEARRAY*>(received) == nullptr) ++failures;

  // XML date-time: the text holds an instant; written back in UTC form.
  CString xml(u"2004-07-01T12:00:00.000+02:00");
  CZelXMLDateTime instant(xml);
  CString utc;
  instant.GetXMLDateTimeString(utc, TRUE);
  Show("CZelXMLDateTime, in UTC", utc, u"2004-07-01T10:00:00.000+00:00");
  COleDateTime when(2004, 7, 1, 10, 0, 0);
  when += COleDateTimeSpan(0, 2, 30, 0);
  Show("COleDateTime::Format", when.Format(u"%Y-%m-%d %H:%M:%S"), u"2004-07-01 12:30:00");

  // Regular expressions: the "VBScript.RegExp" object through its wrappers.
  IRegExp creator;
  if (creator.Create()) {
    IRegExp2 regexp(creator.DetachDispatch());  // takes over the reference
    regexp.SetPattern(CString(u"(\\w+)@(\\w+)"));
    regexp.SetGlobal(1);
    IMatchCollection2 matches(regexp.Execute(CString(u"ann@host, bob@site")));
    IMatch2 second(matches.GetItem(1));
    Show("IMatch2::GetValue", second.GetValue(), u"bob@site");
    try {
      regexp.SetPattern(CString(u"(unclosed"));
      regexp.Test(CString(u"x"));
      ++failures;
    } catch (COleDispatchException* e) {  // thrown as a pointer; released with Delete()
      Show("m_strDescription", e->m_strDescription, u"Expected ')' in regular expression");
      e->Delete();
    }
  } else {
    ++failures;
  }

  return failures == 0 ? 0 : 1;
}
