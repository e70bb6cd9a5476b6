#include <zelu/platform/dispatch/dispatch_driver.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/dispatch/dispatch.h>
#include <zelu/testing/case_name.h>
#include <zelu/testing/recording_dispatch.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::RecordingDispatch;
using zelu::testing::References;
using W = zelu::testing::WideText;

constexpr CLSID kTestClass = {0x5A454C55, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
const W kTestProgId(u"Zelu.Test.Recorder");

// Ported code copy-initialises a driver from an object pointer.
static_assert(std::is_convertible_v<IDispatch*, COleDispatchDriver>);

IDispatch* MakeRecorder() { return new RecordingDispatch; }

RecordingDispatch* Recorder(const COleDispatchDriver& driver) {
  return static_cast<RecordingDispatch*>(driver.m_lpDispatch);
}

// Reference counts through the driver's life: every reference a driver takes
// is released once, and one without auto-release releases nothing.
TEST(DispatchDriverTest, ReferenceCounting) {
  bool destroyed = false;
  auto* object = new RecordingDispatch(&destroyed);
  {
    COleDispatchDriver first(object);
    EXPECT_EQ(References(object), 1u);
    {
      COleDispatchDriver copy(first);
      EXPECT_EQ(References(object), 2u);
      COleDispatchDriver assigned;
      assigned = copy;
      const COleDispatchDriver& same = assigned;
      assigned = same;  // self-assignment keeps the object and its count
      EXPECT_EQ(References(object), 3u);
      EXPECT_EQ(assigned.m_bAutoRelease, TRUE);
    }
    EXPECT_EQ(References(object), 1u);
    IDispatch* detached = first.DetachDispatch();
    EXPECT_EQ(detached, object);
    EXPECT_EQ(first.m_lpDispatch, nullptr);
    COleDispatchDriver borrowed(detached, FALSE);
    borrowed.ReleaseDispatch();
    EXPECT_EQ(borrowed.m_lpDispatch, nullptr);
    EXPECT_EQ(References(object), 1u);
    first.AttachDispatch(detached);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
}

struct InvokeCase {
  std::string name;
  std::function<void(COleDispatchDriver&)> call;
  DISPID id;
  WORD flags;
  std::vector<std::u16string> arguments;  // in call order
  std::vector<DISPID> named;
  bool result_asked;
};

class InvokeHelperTest : public ::testing::TestWithParam<InvokeCase> {};

// Each call reaches the object with its id, kind, arguments in order (the
// object sees them in reverse in rgvarg), the put marker and whether a
// result was asked for.
TEST_P(InvokeHelperTest, ObjectSeesTheCall) {
  const InvokeCase& row = GetParam();
  COleDispatchDriver driver(new RecordingDispatch);
  row.call(driver);
  const auto& calls = Recorder(driver)->calls;
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].id, row.id);
  EXPECT_EQ(calls[0].flags, row.flags);
  EXPECT_EQ(calls[0].arguments, row.arguments);
  EXPECT_EQ(calls[0].named, row.named);
  EXPECT_EQ(calls[0].result_asked, row.result_asked);
}

const BYTE kTwoTexts[] = VTS_BSTR VTS_BSTR;
const BYTE kMixed[] = VTS_I4 VTS_BOOL VTS_BSTR VTS_VARIANT;
const BYTE kOneBool[] = VTS_BOOL;

VARIANT NullVariant() {
  VARIANT v{};
  v.vt = VT_NULL;
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, InvokeHelperTest,
    ::testing::Values(
        InvokeCase{"MethodTwoTexts",
                   [](COleDispatchDriver& d) {
                     CString out;
                     d.InvokeHelper(10006, DISPATCH_METHOD, VT_BSTR, &out, kTwoTexts, W(u"text").c_str(), W(u"r").c_str());
                   },
                   10006, 1, {u"bstr:text", u"bstr:r"}, {}, true},
        InvokeCase{"CStringIsItsText",
                   [](COleDispatchDriver& d) {
                     d.InvokeHelper(10006, DISPATCH_METHOD, VT_EMPTY, nullptr, kTwoTexts, CString(u"text"), CString());
                   },
                   10006, 1, {u"bstr:text", u"bstr:"}, {}, false},
        InvokeCase{"NullTextIsNullString",
                   [](COleDispatchDriver& d) {
                     CString out;
                     d.InvokeHelper(7, DISPATCH_METHOD, VT_BSTR, &out, kTwoTexts, static_cast<const WCHAR*>(nullptr),
                                    W(u"").c_str());
                   },
                   7, 1, {u"bstr:null", u"bstr:"}, {}, true},
        InvokeCase{"MixedTypesInOrder",
                   [](COleDispatchDriver& d) {
                     const VARIANT null = NullVariant();
                     d.InvokeHelper(-4, DISPATCH_PROPERTYGET, VT_EMPTY, nullptr, kMixed, LONG{-7}, 2, W(u"x").c_str(), &null);
                   },
                   -4, 2, {u"i4:-7", u"bool:-1", u"bstr:x", u"null"}, {}, false},
        InvokeCase{"PutIsTheNamedArgument",
                   [](COleDispatchDriver& d) { d.InvokeHelper(10002, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneBool, 0); },
                   10002, 4, {u"bool:0"}, {DISPID_PROPERTYPUT}, false},
        InvokeCase{"SetPropertyIsAPut",
                   [](COleDispatchDriver& d) { d.SetProperty(10001, VT_I4, LONG{42}); },
                   10001, 4, {u"i4:42"}, {DISPID_PROPERTYPUT}, false},
        InvokeCase{"GetPropertyHasNoArguments",
                   [](COleDispatchDriver& d) {
                     LONG out = 0;
                     d.GetProperty(1, VT_I4, &out);
                   },
                   1, 2, {}, {}, true}),
    zelu::testing::CaseName());

struct ResultCase {
  std::string name;
  VARTYPE reply_type;
  LONG reply_value;       // lVal or boolVal
  VARTYPE result_type;
  std::u16string result;  // rendered as the recorder renders variants; empty for a mismatch
};

class ResultTest : public ::testing::TestWithParam<ResultCase> {};

// Results land in the place of the type asked for; a result of another type
// is a type mismatch that leaves the place alone.
TEST_P(ResultTest, ConvertsOrRefuses) {
  const ResultCase& row = GetParam();
  auto* object = new RecordingDispatch;
  object->reply.vt = row.reply_type;
  object->reply.lVal = 0;
  if (row.reply_type == VT_BOOL) object->reply.boolVal = static_cast<VARIANT_BOOL>(row.reply_value);
  if (row.reply_type == VT_I4) object->reply.lVal = row.reply_value;
  if (row.reply_type == VT_BSTR) object->reply.bstrVal = SysAllocString(W(u"answer"));
  COleDispatchDriver driver(object);
  LONG number = 99;
  BOOL truth = 99;
  CString text(u"kept");
  void* place = row.result_type == VT_I4 ? static_cast<void*>(&number)
                : row.result_type == VT_BOOL ? static_cast<void*>(&truth)
                                             : static_cast<void*>(&text);
  try {
    driver.InvokeHelper(0, DISPATCH_PROPERTYGET, row.result_type, place, nullptr);
    ASSERT_FALSE(row.result.empty());
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(row.result.empty());
    e->Delete();
  }
  VARIANT seen{};
  seen.vt = row.result_type;
  if (row.result_type == VT_I4) seen.lVal = number;
  if (row.result_type == VT_BOOL) seen.boolVal = static_cast<VARIANT_BOOL>(truth);
  if (row.result_type == VT_BSTR) seen.bstrVal = text.AllocSysString();
  if (row.result.empty()) {
    EXPECT_TRUE(number == 99 && truth == 99 && text == CString(u"kept"));
  } else {
    EXPECT_EQ(zelu::testing::Render(seen), row.result);
  }
  VariantClear(&seen);
}

INSTANTIATE_TEST_SUITE_P(Results, ResultTest,
                         ::testing::Values(ResultCase{"Long", VT_I4, -5, VT_I4, u"i4:-5"},
                                           ResultCase{"EmptyLongIsZero", VT_EMPTY, 0, VT_I4, u"i4:0"},
                                           ResultCase{"TrueIsOne", VT_BOOL, -1, VT_BOOL, u"bool:1"},
                                           ResultCase{"FalseIsZero", VT_BOOL, 0, VT_BOOL, u"bool:0"},
                                           ResultCase{"Text", VT_BSTR, 0, VT_BSTR, u"bstr:answer"},
                                           ResultCase{"EmptyTextIsEmpty", VT_EMPTY, 0, VT_BSTR, u"bstr:"},
                                           ResultCase{"TextForLong", VT_BSTR, 0, VT_I4, u""},
                                           ResultCase{"LongForTruth", VT_I4, 1, VT_BOOL, u""},
                                           ResultCase{"TruthForText", VT_BOOL, -1, VT_BSTR, u""}),
                         zelu::testing::CaseName());

// Object results are new references for the caller; a variant result is
// handed over whole.
TEST(DispatchDriverTest, ObjectAndVariantResults) {
  bool inner_destroyed = false;
  auto* inner = new RecordingDispatch(&inner_destroyed);
  auto* object = new RecordingDispatch;
  object->reply.vt = VT_DISPATCH;
  object->reply.pdispVal = inner;  // the reply holds the maker's reference
  COleDispatchDriver driver(object);
  IDispatch* dispatch = nullptr;
  driver.InvokeHelper(10004, DISPATCH_METHOD, VT_DISPATCH, &dispatch, nullptr);
  EXPECT_EQ(dispatch, inner);
  EXPECT_EQ(References(inner), 2u);
  IUnknown* unknown = nullptr;
  driver.InvokeHelper(-4, DISPATCH_PROPERTYGET, VT_UNKNOWN, &unknown, nullptr);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(inner));
  VARIANT whole{};
  driver.InvokeHelper(0, DISPATCH_PROPERTYGET, VT_VARIANT, &whole, nullptr);
  EXPECT_EQ(whole.vt, VT_DISPATCH);
  EXPECT_EQ(References(inner), 4u);
  VariantClear(&whole);
  unknown->Release();
  dispatch->Release();
  driver.ReleaseDispatch();
  EXPECT_TRUE(inner_destroyed);
}

struct FailureCase {
  std::string name;
  HRESULT status;              // what the object answers
  bool dispatch_exception;     // thrown as COleDispatchException
  SCODE code;                  // m_sc or m_scError
};

class FailureTest : public ::testing::TestWithParam<FailureCase> {};

// Failures come out as heap exceptions of the right class and code; the
// driver stays attached and usable afterwards.
TEST_P(FailureTest, ThrowsThePointer) {
  const FailureCase& row = GetParam();
  auto* object = new RecordingDispatch;
  object->fail_status = row.status;
  object->fail_code = row.code;
  object->fail_text = u"it went wrong";
  COleDispatchDriver driver(object);
  CString out(u"kept");
  try {
    driver.InvokeHelper(10006, DISPATCH_METHOD, VT_BSTR, &out, kTwoTexts, W(u"a").c_str(), W(u"b").c_str());
    ADD_FAILURE() << "nothing thrown";
  } catch (COleDispatchException* e) {
    EXPECT_TRUE(row.dispatch_exception);
    EXPECT_EQ(e->m_scError, row.code);
    EXPECT_EQ(e->m_strDescription, CString(u"it went wrong"));
    EXPECT_EQ(e->m_strSource, CString(u"recorder"));
    EXPECT_EQ(COleException::Process(e), row.code);
    e->Delete();
  } catch (COleException* e) {
    EXPECT_FALSE(row.dispatch_exception);
    EXPECT_EQ(e->m_sc, row.code);
    EXPECT_EQ(COleException::Process(e), row.code);
    e->Delete();
  }
  EXPECT_EQ(out, CString(u"kept"));
  object->fail_status = S_OK;
  const BYTE none[] = VTS_NONE;
  driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, none);
  EXPECT_EQ(object->calls.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailureTest,
    ::testing::Values(FailureCase{"ObjectException", DISP_E_EXCEPTION, true, static_cast<SCODE>(0x800A1399u)},
                      FailureCase{"MemberNotFound", DISP_E_MEMBERNOTFOUND, false, DISP_E_MEMBERNOTFOUND},
                      FailureCase{"TypeMismatch", DISP_E_TYPEMISMATCH, false, DISP_E_TYPEMISMATCH}),
    zelu::testing::CaseName());

// The driver's own refusals call nothing: no object, an unknown argument
// byte (the text made before it is freed), an unknown result type.
TEST(DispatchDriverTest, RefusalsCallNothing) {
  const BYTE bad_argument[] = VTS_BSTR "\x05";
  auto expect_thrown = [](const std::function<void()>& call, HRESULT code) {
    try {
      call();
      ADD_FAILURE() << "nothing thrown";
    } catch (COleException* e) {
      EXPECT_EQ(e->m_sc, code);
      e->Delete();
    }
  };
  COleDispatchDriver empty;
  expect_thrown([&] { empty.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); }, E_POINTER);
  auto* object = new RecordingDispatch;
  COleDispatchDriver driver(object);
  expect_thrown([&] { driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, bad_argument, W(u"x").c_str(), 1.0); },
                DISP_E_BADVARTYPE);
  double place = 0;
  expect_thrown([&] { driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_R8, &place, nullptr); }, DISP_E_BADVARTYPE);
  const BYTE variant_argument[] = VTS_VARIANT;
  expect_thrown([&] {
    driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, variant_argument, static_cast<const VARIANT*>(nullptr));
  }, E_POINTER);
  EXPECT_TRUE(object->calls.empty());
}

// Creation by programmatic identifier and by class id, with the failing
// status kept in the exception object when one is given.
TEST(DispatchDriverTest, CreateDispatch) {
  COleDispatchDriver driver;
  COleException error;
  EXPECT_FALSE(driver.CreateDispatch(kTestProgId, &error));
  EXPECT_EQ(error.m_sc, CO_E_CLASSSTRING);
  EXPECT_FALSE(driver.CreateDispatch(kTestClass, &error));
  EXPECT_EQ(error.m_sc, REGDB_E_CLASSNOTREG);
  {
    const zelu::testing::ScopedRegistration registration(kTestProgId, MakeRecorder, kTestClass);
    EXPECT_TRUE(driver.CreateDispatch(kTestProgId, nullptr));
    ASSERT_NE(driver.m_lpDispatch, nullptr);
    EXPECT_EQ(References(driver.m_lpDispatch), 1u);
    IDispatch* first = driver.m_lpDispatch;
    first->AddRef();
    EXPECT_TRUE(driver.CreateDispatch(kTestClass));  // releases the object held before
    EXPECT_NE(driver.m_lpDispatch, first);
    EXPECT_EQ(first->Release(), 0u);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(kTestProgId, &clsid), S_OK);
    EXPECT_TRUE(clsid == kTestClass);
    void* unknown = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IEnumVARIANT, &unknown), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
  }
  EXPECT_FALSE(driver.CreateDispatch(kTestProgId));
  EXPECT_EQ(driver.m_lpDispatch, nullptr);
}

}  // namespace
