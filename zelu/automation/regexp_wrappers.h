// Typed wrappers of the regular-expression automation object ("VBScript.RegExp")
// and of the match objects it returns.
//
// Each class is a COleDispatchDriver with typed members; each member is one
// late-bound call (COleDispatchDriver::InvokeHelper) with the dispatch id,
// call kind, result type and argument types of the interface it is named
// after, and adds nothing of its own. What a caller may rely on:
//   * References: constructed from an IDispatch* (implicitly too, as in
//     `IMatchCollection2 matches = regexp.Execute(text);`), a wrapper takes
//     over that reference with the release flag set, never clear, and
//     releases it when destroyed; copies and assignments share the object,
//     each holding its own reference.
//   * IDispatch* and IUnknown* results are new references that the caller
//     owns (usually handed straight to the next wrapper's constructor); a
//     VARIANT result is the caller's to clear.
//   * Truth values passed in: any non-zero int is true. Truth values
//     returned: 1 or 0.
//   * Failures are thrown, never returned: a failure reported by the object
//     (a bad pattern, an index out of range) as a new COleDispatchException
//     whose m_scError is the object's code; any other failing call as a new
//     COleException. The catcher releases either with Delete(). The wrapper
//     stays attached and usable.
//   * A wrapper with no object attached calls nothing: every member throws a
//     new COleException whose m_sc is E_POINTER, so no value that could pass
//     for a result or an object reference is ever returned.
//
//   IRegExp2 regexp;                      // or IRegExp2(CreateRegExp())
//   if (regexp.Create()) ... // on IRegExp
//   regexp.SetPattern(pattern);
//   IMatchCollection2 matches(regexp.Execute(text));
//   IMatch2 first(matches.GetItem(0));
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>
#include <zelu/platform/cstring/cstring.h>
#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/platform/dispatch/dispatch_driver.h>
#include <zelu/platform/oleaut/oleaut.h>

class ZELU_API IRegExp : public COleDispatchDriver {
 public:
  IRegExp() noexcept = default;
  IRegExp(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  // Creates a "VBScript.RegExp" object and attaches it; false (and no object)
  // when none can be made.
  bool Create();
  CString GetPattern();
  void SetPattern(const unsigned short* pattern);
  int GetIgnoreCase();
  void SetIgnoreCase(int ignore_case);
  int GetGlobal();
  void SetGlobal(int global);
  IDispatch* Execute(const unsigned short* text);
  int Test(const unsigned short* text);
  CString Replace(const unsigned short* text, const unsigned short* replacement);
};

class ZELU_API IRegExp2 : public COleDispatchDriver {
 public:
  IRegExp2() noexcept = default;
  IRegExp2(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  CString GetPattern();
  void SetPattern(const unsigned short* pattern);
  int GetIgnoreCase();
  void SetIgnoreCase(int ignore_case);
  int GetGlobal();
  void SetGlobal(int global);
  int GetMultiline();
  void SetMultiline(int multiline);
  IDispatch* Execute(const unsigned short* text);
  int Test(const unsigned short* text);
  CString Replace(const unsigned short* text, const VARIANT& replacement);
};

class ZELU_API IMatch : public COleDispatchDriver {
 public:
  IMatch() noexcept = default;
  IMatch(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  CString GetValue();
  LONG GetFirstIndex();
  LONG GetLength();
};

class ZELU_API IMatch2 : public COleDispatchDriver {
 public:
  IMatch2() noexcept = default;
  IMatch2(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  CString GetValue();
  LONG GetFirstIndex();
  LONG GetLength();
  IDispatch* GetSubMatches();
};

class ZELU_API IMatchCollection : public COleDispatchDriver {
 public:
  IMatchCollection() noexcept = default;
  IMatchCollection(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  IDispatch* GetItem(LONG index);  // asks for dispatch id 10001
  LONG GetCount();
  IUnknown* Get_NewEnum();
};

class ZELU_API IMatchCollection2 : public COleDispatchDriver {
 public:
  IMatchCollection2() noexcept = default;
  IMatchCollection2(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  IDispatch* GetItem(LONG index);  // asks for dispatch id 0
  LONG GetCount();
  IUnknown* Get_NewEnum();
};

class ZELU_API ISubMatches : public COleDispatchDriver {
 public:
  ISubMatches() noexcept = default;
  ISubMatches(IDispatch* dispatch) noexcept : COleDispatchDriver(dispatch, TRUE) {}  // NOLINT: implicit, as ported code expects

  // The whole variant the object delivers: the group's text, or an empty
  // variant for a group that took no part.
  VARIANT GetItem(LONG index);
  LONG GetCount();
  IUnknown* Get_NewEnum();
};
