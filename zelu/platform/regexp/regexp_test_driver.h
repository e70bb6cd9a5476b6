// Test helper: a regular-expression object driven through the dispatch
// driver, and an escaped ASCII form of results for comparing them.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/platform/dispatch/dispatch_driver.h>
#include <zelu/platform/regexp/regexp.h>
#include <zelu/testing/wide_text.h>

namespace zelu::testing {

// Printable ASCII other than "\" as it is, every other unit as \uXXXX.
inline std::string Escape(const WCHAR* units, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    if (units[i] > 0x20 && units[i] < 0x7F && units[i] != '\\') {
      out += static_cast<char>(units[i]);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", units[i]);
      out += escaped;
    }
  }
  return out;
}
inline std::string Escape(const CString& text) { return Escape(text, static_cast<std::size_t>(text.GetLength())); }

// The code (m_scError) of the dispatch exception that `call` throws, which
// it releases; nullopt when `call` returns.
template <typename Call>
std::optional<SCODE> DispatchFailureOf(Call call) {
  try {
    call();
  } catch (COleDispatchException* e) {
    const SCODE code = e->m_scError;
    e->Delete();
    return code;
  }
  return std::nullopt;
}

inline LONG GetLong(COleDispatchDriver& object, DISPID id) {
  LONG value = -1;
  object.InvokeHelper(id, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
  return value;
}

// One match as the match and sub-match objects report it; an unset group
// is "\\-" in `groups` (escaped units otherwise).
struct MatchReport {
  LONG index;
  LONG length;
  std::string value;
  std::vector<std::string> groups;
};

// Every match of a collection, read through its objects, which it releases.
inline std::vector<MatchReport> ReadMatches(IDispatch* collection_object) {
  static constexpr BYTE kIndexArgument[] = VTS_I4;
  COleDispatchDriver collection(collection_object);
  std::vector<MatchReport> reports;
  const LONG count = GetLong(collection, 1);
  for (LONG i = 0; i < count; ++i) {
    IDispatch* match_object = nullptr;
    collection.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_DISPATCH, &match_object, kIndexArgument, i);
    COleDispatchDriver match(match_object);
    CString value;
    match.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_BSTR, &value, nullptr);
    MatchReport report{GetLong(match, 10001), GetLong(match, 10002), Escape(value), {}};
    IDispatch* subs_object = nullptr;
    match.InvokeHelper(10003, DISPATCH_PROPERTYGET, VT_DISPATCH, &subs_object, nullptr);
    COleDispatchDriver subs(subs_object);
    for (LONG g = 0; g < GetLong(subs, 1); ++g) {
      VARIANT item{};
      subs.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_VARIANT, &item, kIndexArgument, g);
      report.groups.push_back(item.vt == VT_EMPTY ? "\\-" : Escape(item.bstrVal, SysStringLen(item.bstrVal)));
      VariantClear(&item);
    }
    reports.push_back(report);
  }
  return reports;
}

class RegExpDriver : public COleDispatchDriver {
 public:
  // `flags` holds g, i and m for Global, IgnoreCase and Multiline.
  explicit RegExpDriver(const std::string& flags = "") : COleDispatchDriver(zelu::regexp::CreateRegExp()) {
    Set(10003, flags.find('g') != std::string::npos);
    Set(10002, flags.find('i') != std::string::npos);
    Set(10007, flags.find('m') != std::string::npos);
  }
  void Set(DISPID id, bool value) { InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kBool, value ? 1 : 0); }
  void SetPattern(const WCHAR* pattern) { InvokeHelper(10001, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kText, pattern); }
  void SetPattern(std::u16string_view pattern) { SetPattern(WideText(pattern).c_str()); }
  IDispatch* Execute(const WCHAR* subject) {
    IDispatch* collection = nullptr;
    InvokeHelper(10004, DISPATCH_METHOD, VT_DISPATCH, &collection, kText, subject);
    return collection;
  }
  IDispatch* Execute(std::u16string_view subject) { return Execute(WideText(subject).c_str()); }
  CString Replace(const WCHAR* subject, const WCHAR* replacement) {
    CString out;
    InvokeHelper(10006, DISPATCH_METHOD, VT_BSTR, &out, kTwoTexts, subject, replacement);
    return out;
  }
  CString Replace(std::u16string_view subject, std::u16string_view replacement) {
    return Replace(WideText(subject).c_str(), WideText(replacement).c_str());
  }
  bool Test(const WCHAR* subject) {
    BOOL found = FALSE;
    InvokeHelper(10005, DISPATCH_METHOD, VT_BOOL, &found, kText, subject);
    return found != FALSE;
  }
  bool Test(std::u16string_view subject) { return Test(WideText(subject).c_str()); }

  static constexpr BYTE kText[] = VTS_BSTR;
  static constexpr BYTE kTwoTexts[] = VTS_BSTR VTS_BSTR;
  static constexpr BYTE kBool[] = VTS_BOOL;
  static constexpr BYTE kIndex[] = VTS_I4;
};

}  // namespace zelu::testing
