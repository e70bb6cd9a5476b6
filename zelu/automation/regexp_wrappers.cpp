// The regular-expression wrappers: one InvokeHelper call per member,
// through the helpers below (one per shape of call).
#include <zelu/automation/regexp_wrappers.h>

#include <zelu/platform/regexp/regexp.h>

namespace {

const BYTE kText[] = VTS_BSTR;
const BYTE kTwoTexts[] = VTS_BSTR VTS_BSTR;
const BYTE kTextAndVariant[] = VTS_BSTR VTS_VARIANT;
const BYTE kTruth[] = VTS_BOOL;
const BYTE kIndex[] = VTS_I4;

// Dispatch ids of the regular expression's members.
constexpr DISPID kPattern = 10001;
constexpr DISPID kIgnoreCase = 10002;
constexpr DISPID kGlobal = 10003;
constexpr DISPID kExecute = 10004;
constexpr DISPID kTest = 10005;
constexpr DISPID kReplace = 10006;
constexpr DISPID kMultiline = 10007;
// ... of a match's, and of a collection's count.
constexpr DISPID kFirstIndex = 10001;
constexpr DISPID kLength = 10002;
constexpr DISPID kSubMatches = 10003;
constexpr DISPID kCount = 1;

CString GetText(COleDispatchDriver& driver, DISPID id) {
  CString result;
  driver.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_BSTR, &result, nullptr);
  return result;
}

void PutText(COleDispatchDriver& driver, DISPID id, const unsigned short* text) {
  driver.InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kText, text);
}

int GetTruth(COleDispatchDriver& driver, DISPID id) {
  BOOL result = FALSE;
  driver.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_BOOL, &result, nullptr);
  return result;
}

void PutTruth(COleDispatchDriver& driver, DISPID id, int truth) {
  driver.InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kTruth, truth);
}

LONG GetLong(COleDispatchDriver& driver, DISPID id) {
  LONG result = 0;
  driver.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_I4, &result, nullptr);
  return result;
}

IDispatch* GetObject(COleDispatchDriver& driver, DISPID id) {
  IDispatch* result = nullptr;
  driver.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, nullptr);
  return result;
}

IDispatch* GetItemObject(COleDispatchDriver& driver, DISPID id, LONG index) {
  IDispatch* result = nullptr;
  driver.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, kIndex, index);
  return result;
}

IUnknown* GetEnumerator(COleDispatchDriver& driver) {
  IUnknown* result = nullptr;
  driver.InvokeHelper(DISPID_NEWENUM, DISPATCH_PROPERTYGET, VT_UNKNOWN, &result, nullptr);
  return result;
}

IDispatch* Execute(COleDispatchDriver& driver, const unsigned short* text) {
  IDispatch* result = nullptr;
  driver.InvokeHelper(kExecute, DISPATCH_METHOD, VT_DISPATCH, &result, kText, text);
  return result;
}

int Test(COleDispatchDriver& driver, const unsigned short* text) {
  BOOL result = FALSE;
  driver.InvokeHelper(kTest, DISPATCH_METHOD, VT_BOOL, &result, kText, text);
  return result;
}

}  // namespace

bool IRegExp::Create() { return CreateDispatch(zelu::regexp::kProgId, nullptr) == 1; }
CString IRegExp::GetPattern() { return GetText(*this, kPattern); }
void IRegExp::SetPattern(const unsigned short* pattern) { PutText(*this, kPattern, pattern); }
int IRegExp::GetIgnoreCase() { return GetTruth(*this, kIgnoreCase); }
void IRegExp::SetIgnoreCase(int ignore_case) { PutTruth(*this, kIgnoreCase, ignore_case); }
int IRegExp::GetGlobal() { return GetTruth(*this, kGlobal); }
void IRegExp::SetGlobal(int global) { PutTruth(*this, kGlobal, global); }
IDispatch* IRegExp::Execute(const unsigned short* text) { return ::Execute(*this, text); }
int IRegExp::Test(const unsigned short* text) { return ::Test(*this, text); }

CString IRegExp::Replace(const unsigned short* text, const unsigned short* replacement) {
  CString result;
  InvokeHelper(kReplace, DISPATCH_METHOD, VT_BSTR, &result, kTwoTexts, text, replacement);
  return result;
}

CString IRegExp2::GetPattern() { return GetText(*this, kPattern); }
void IRegExp2::SetPattern(const unsigned short* pattern) { PutText(*this, kPattern, pattern); }
int IRegExp2::GetIgnoreCase() { return GetTruth(*this, kIgnoreCase); }
void IRegExp2::SetIgnoreCase(int ignore_case) { PutTruth(*this, kIgnoreCase, ignore_case); }
int IRegExp2::GetGlobal() { return GetTruth(*this, kGlobal); }
void IRegExp2::SetGlobal(int global) { PutTruth(*this, kGlobal, global); }
int IRegExp2::GetMultiline() { return GetTruth(*this, kMultiline); }
void IRegExp2::SetMultiline(int multiline) { PutTruth(*this, kMultiline, multiline); }
IDispatch* IRegExp2::Execute(const unsigned short* text) { return ::Execute(*this, text); }
int IRegExp2::Test(const unsigned short* text) { return ::Test(*this, text); }

CString IRegExp2::Replace(const unsigned short* text, const VARIANT& replacement) {
  CString result;
  InvokeHelper(kReplace, DISPATCH_METHOD, VT_BSTR, &result, kTextAndVariant, text, &replacement);
  return result;
}

CString IMatch::GetValue() { return GetText(*this, DISPID_VALUE); }
LONG IMatch::GetFirstIndex() { return GetLong(*this, kFirstIndex); }
LONG IMatch::GetLength() { return GetLong(*this, kLength); }

CString IMatch2::GetValue() { return GetText(*this, DISPID_VALUE); }
LONG IMatch2::GetFirstIndex() { return GetLong(*this, kFirstIndex); }
LONG IMatch2::GetLength() { return GetLong(*this, kLength); }
IDispatch* IMatch2::GetSubMatches() { return GetObject(*this, kSubMatches); }

IDispatch* IMatchCollection::GetItem(LONG index) { return GetItemObject(*this, 10001, index); }
LONG IMatchCollection::GetCount() { return GetLong(*this, kCount); }
IUnknown* IMatchCollection::Get_NewEnum() { return GetEnumerator(*this); }

IDispatch* IMatchCollection2::GetItem(LONG index) { return GetItemObject(*this, DISPID_VALUE, index); }
LONG IMatchCollection2::GetCount() { return GetLong(*this, kCount); }
IUnknown* IMatchCollection2::Get_NewEnum() { return GetEnumerator(*this); }

VARIANT ISubMatches::GetItem(LONG index) {
  VARIANT result;
  VariantInit(&result);
  InvokeHelper(DISPID_VALUE, DISPATCH_PROPERTYGET, VT_VARIANT, &result, kIndex, index);
  return result;
}
LONG ISubMatches::GetCount() { return GetLong(*this, kCount); }
IUnknown* ISubMatches::Get_NewEnum() { return GetEnumerator(*this); }
