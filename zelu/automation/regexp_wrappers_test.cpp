#include <zelu/automation/regexp_wrappers.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/regexp/regexp.h>
#include <zelu/testing/case_name.h>
#include <zelu/testing/recording_dispatch.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::RecordingDispatch;
using zelu::testing::References;
using zelu::testing::Render;
using W = zelu::testing::WideText;

// Ported code copy-initialises a wrapper from the object pointer a member
// returns (`IMatch2 match = matches.GetItem(0);`); a wrapper has no form
// that would leave the release flag clear.
template <typename... Wrappers>
constexpr bool kMadeFromPointersOnly =
    ((std::is_convertible_v<IDispatch*, Wrappers> && !std::is_constructible_v<Wrappers, IDispatch*, BOOL>) && ...);
static_assert(kMadeFromPointersOnly<IRegExp, IRegExp2, IMatch, IMatch2, IMatchCollection, IMatchCollection2, ISubMatches>);

const W kText(u"text");
const W kOther(u"other");
constexpr CLSID kRecorderClass = {0x5A454C55, 0x0003, 0x0004, {1, 2, 3, 4, 5, 6, 7, 9}};

VARIANT NullVariant() {
  VARIANT value{};
  value.vt = VT_NULL;
  return value;
}

// Calls one member on a wrapper attached to `object` and renders its result
// the way the recorder renders variants ("" for a member that returns
// nothing). Object results are released after rendering as "object".
using MemberCall = std::function<std::u16string(IDispatch* object)>;

template <typename Wrapper>
Wrapper Attach(IDispatch* object) {
  object->AddRef();  // the wrapper takes over this reference
  return Wrapper(object);
}

std::u16string Text(const CString& text) { return u"bstr:" + text.ToU16String(); }
std::u16string Truth(int truth) { return u"int:" + std::u16string(1, static_cast<char16_t>(u'0' + truth)); }
std::u16string Long(LONG value) { return u"long:" + std::u16string(1, static_cast<char16_t>(u'0' + value)); }
std::u16string Object(IUnknown* object) {
  if (object == nullptr) return u"null";
  object->Release();
  return u"object";
}
std::u16string Whole(VARIANT value) {
  const std::u16string rendered = u"variant:" + Render(value);
  VariantClear(&value);
  return rendered;
}

struct MemberCase {
  std::string name;
  MemberCall call;
  DISPID id;
  WORD kind;
  VARTYPE reply_type;                     // what the recorder answers with
  std::vector<std::u16string> arguments;  // as the object saw them, in order
  std::u16string result;
};

// The recorder answers 1 for a VT_I4 or VT_BOOL request, "answer" for a
// string or a variant, and `inner` (whose reference the reply then holds)
// for an object.
void ProgramReply(RecordingDispatch* recorder, VARTYPE type, IDispatch* inner) {
  VARIANT& reply = recorder->reply;
  reply.vt = type == VT_VARIANT ? VARTYPE{VT_BSTR} : type;
  if (type == VT_I4) reply.lVal = 1;
  if (type == VT_BOOL) reply.boolVal = VARIANT_TRUE;
  if (type == VT_BSTR || type == VT_VARIANT) reply.bstrVal = SysAllocString(W(u"answer"));
  if (type == VT_DISPATCH || type == VT_UNKNOWN) reply.pdispVal = inner;
}

class WrapperMemberTest : public ::testing::TestWithParam<MemberCase> {};

// Each member makes exactly one call with its id, call kind, argument types
// and order, property puts as the named argument, and converts the result;
// the wrapper releases its object once, and an object result is the
// caller's own reference.
TEST_P(WrapperMemberTest, OneCallAsTheInterfaceSays) {
  const MemberCase& row = GetParam();
  auto* recorder = new RecordingDispatch;
  auto* inner = new RecordingDispatch;
  inner->AddRef();  // one for the reply, one for this test
  ProgramReply(recorder, row.reply_type, inner);
  if (row.reply_type != VT_DISPATCH && row.reply_type != VT_UNKNOWN) inner->Release();
  EXPECT_EQ(row.call(recorder), row.result);
  ASSERT_EQ(recorder->calls.size(), 1u);
  const auto& call = recorder->calls[0];
  EXPECT_EQ(call.id, row.id);
  EXPECT_EQ(call.flags, row.kind);
  EXPECT_EQ(call.arguments, row.arguments);
  EXPECT_EQ(call.named, row.kind == DISPATCH_PROPERTYPUT ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{});
  EXPECT_EQ(call.result_asked, row.kind != DISPATCH_PROPERTYPUT);
  EXPECT_EQ(References(recorder), 1u);
  recorder->Release();  // and with it the reply's reference to `inner`
  EXPECT_EQ(References(inner), 1u);
  inner->Release();
}

// A wrapper without an object calls nothing and returns nothing: every
// member throws a COleException with E_POINTER.
TEST_P(WrapperMemberTest, WithoutAnObjectEveryMemberThrows) {
  try {
    GetParam().call(nullptr);
    ADD_FAILURE() << "nothing thrown";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, E_POINTER);
    e->Delete();
  }
}

template <typename Wrapper>
MemberCall On(std::function<std::u16string(Wrapper&)> member) {
  return [member](IDispatch* object) {
    Wrapper wrapper = object == nullptr ? Wrapper() : Attach<Wrapper>(object);
    return member(wrapper);
  };
}

const VARIANT kNullVariant = NullVariant();

INSTANTIATE_TEST_SUITE_P(
    Members, WrapperMemberTest,
    ::testing::Values(
        MemberCase{"RegExp_GetPattern", On<IRegExp>([](auto& w) { return Text(w.GetPattern()); }), 10001, 2, VT_BSTR, {}, u"bstr:answer"},
        MemberCase{"RegExp_SetPattern", On<IRegExp>([](auto& w) { w.SetPattern(kText); return u""; }), 10001, 4, VT_EMPTY, {u"bstr:text"}, u""},
        MemberCase{"RegExp_GetIgnoreCase", On<IRegExp>([](auto& w) { return Truth(w.GetIgnoreCase()); }), 10002, 2, VT_BOOL, {}, u"int:1"},
        MemberCase{"RegExp_SetIgnoreCase", On<IRegExp>([](auto& w) { w.SetIgnoreCase(7); return u""; }), 10002, 4, VT_EMPTY, {u"bool:-1"}, u""},
        MemberCase{"RegExp_GetGlobal", On<IRegExp>([](auto& w) { return Truth(w.GetGlobal()); }), 10003, 2, VT_BOOL, {}, u"int:1"},
        MemberCase{"RegExp_SetGlobalFalse", On<IRegExp>([](auto& w) { w.SetGlobal(0); return u""; }), 10003, 4, VT_EMPTY, {u"bool:0"}, u""},
        MemberCase{"RegExp_Execute", On<IRegExp>([](auto& w) { return Object(w.Execute(kText)); }), 10004, 1, VT_DISPATCH, {u"bstr:text"}, u"object"},
        MemberCase{"RegExp_Test", On<IRegExp>([](auto& w) { return Truth(w.Test(kText)); }), 10005, 1, VT_BOOL, {u"bstr:text"}, u"int:1"},
        MemberCase{"RegExp_Replace", On<IRegExp>([](auto& w) { return Text(w.Replace(kText, kOther)); }), 10006, 1, VT_BSTR, {u"bstr:text", u"bstr:other"}, u"bstr:answer"},
        MemberCase{"RegExp2_GetPattern", On<IRegExp2>([](auto& w) { return Text(w.GetPattern()); }), 10001, 2, VT_BSTR, {}, u"bstr:answer"},
        MemberCase{"RegExp2_SetPattern", On<IRegExp2>([](auto& w) { w.SetPattern(kOther); return u""; }), 10001, 4, VT_EMPTY, {u"bstr:other"}, u""},
        MemberCase{"RegExp2_GetIgnoreCase", On<IRegExp2>([](auto& w) { return Truth(w.GetIgnoreCase()); }), 10002, 2, VT_BOOL, {}, u"int:1"},
        MemberCase{"RegExp2_SetIgnoreCase", On<IRegExp2>([](auto& w) { w.SetIgnoreCase(-3); return u""; }), 10002, 4, VT_EMPTY, {u"bool:-1"}, u""},
        MemberCase{"RegExp2_GetGlobal", On<IRegExp2>([](auto& w) { return Truth(w.GetGlobal()); }), 10003, 2, VT_BOOL, {}, u"int:1"},
        MemberCase{"RegExp2_SetGlobal", On<IRegExp2>([](auto& w) { w.SetGlobal(1); return u""; }), 10003, 4, VT_EMPTY, {u"bool:-1"}, u""},
        MemberCase{"RegExp2_GetMultiline", On<IRegExp2>([](auto& w) { return Truth(w.GetMultiline()); }), 10007, 2, VT_BOOL, {}, u"int:1"},
        MemberCase{"RegExp2_SetMultiline", On<IRegExp2>([](auto& w) { w.SetMultiline(0); return u""; }), 10007, 4, VT_EMPTY, {u"bool:0"}, u""},
        MemberCase{"RegExp2_Execute", On<IRegExp2>([](auto& w) { return Object(w.Execute(kText)); }), 10004, 1, VT_DISPATCH, {u"bstr:text"}, u"object"},
        MemberCase{"RegExp2_Test", On<IRegExp2>([](auto& w) { return Truth(w.Test(kOther)); }), 10005, 1, VT_BOOL, {u"bstr:other"}, u"int:1"},
        MemberCase{"RegExp2_Replace", On<IRegExp2>([](auto& w) { return Text(w.Replace(kText, kNullVariant)); }), 10006, 1, VT_BSTR, {u"bstr:text", u"null"}, u"bstr:answer"},
        MemberCase{"Match_GetValue", On<IMatch>([](auto& w) { return Text(w.GetValue()); }), 0, 2, VT_BSTR, {}, u"bstr:answer"},
        MemberCase{"Match_GetFirstIndex", On<IMatch>([](auto& w) { return Long(w.GetFirstIndex()); }), 10001, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Match_GetLength", On<IMatch>([](auto& w) { return Long(w.GetLength()); }), 10002, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Match2_GetValue", On<IMatch2>([](auto& w) { return Text(w.GetValue()); }), 0, 2, VT_BSTR, {}, u"bstr:answer"},
        MemberCase{"Match2_GetFirstIndex", On<IMatch2>([](auto& w) { return Long(w.GetFirstIndex()); }), 10001, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Match2_GetLength", On<IMatch2>([](auto& w) { return Long(w.GetLength()); }), 10002, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Match2_GetSubMatches", On<IMatch2>([](auto& w) { return Object(w.GetSubMatches()); }), 10003, 2, VT_DISPATCH, {}, u"object"},
        MemberCase{"Collection_GetItem", On<IMatchCollection>([](auto& w) { return Object(w.GetItem(5)); }), 10001, 2, VT_DISPATCH, {u"i4:5"}, u"object"},
        MemberCase{"Collection_GetCount", On<IMatchCollection>([](auto& w) { return Long(w.GetCount()); }), 1, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Collection_NewEnum", On<IMatchCollection>([](auto& w) { return Object(w.Get_NewEnum()); }), -4, 2, VT_UNKNOWN, {}, u"object"},
        MemberCase{"Collection2_GetItem", On<IMatchCollection2>([](auto& w) { return Object(w.GetItem(5)); }), 0, 2, VT_DISPATCH, {u"i4:5"}, u"object"},
        MemberCase{"Collection2_GetCount", On<IMatchCollection2>([](auto& w) { return Long(w.GetCount()); }), 1, 2, VT_I4, {}, u"long:1"},
        MemberCase{"Collection2_NewEnum", On<IMatchCollection2>([](auto& w) { return Object(w.Get_NewEnum()); }), -4, 2, VT_UNKNOWN, {}, u"object"},
        MemberCase{"SubMatches_GetItem", On<ISubMatches>([](auto& w) { return Whole(w.GetItem(3)); }), 0, 2, VT_VARIANT, {u"i4:3"}, u"variant:bstr:answer"},
        MemberCase{"SubMatches_GetCount", On<ISubMatches>([](auto& w) { return Long(w.GetCount()); }), 1, 2, VT_I4, {}, u"long:1"},
        MemberCase{"SubMatches_NewEnum", On<ISubMatches>([](auto& w) { return Object(w.Get_NewEnum()); }), -4, 2, VT_UNKNOWN, {}, u"object"}),
    zelu::testing::CaseName());

IDispatch* MakeRecorder() { return new RecordingDispatch; }

// Create asks for "VBScript.RegExp": false and no object while nothing is
// registered under it, true and an auto-released object when something is.
TEST(RegExpWrapperTest, Create) {
  {
    const auto saved = zelu::dispatch::RevokeClassObject(zelu::regexp::kProgId);
    IRegExp regexp;
    EXPECT_FALSE(regexp.Create());
    EXPECT_EQ(regexp.m_lpDispatch, nullptr);
    zelu::dispatch::RegisterClassObject(zelu::regexp::kProgId, saved);
  }
  const zelu::testing::ScopedRegistration recorder(zelu::regexp::kProgId, MakeRecorder, kRecorderClass);
  IRegExp regexp;
  ASSERT_TRUE(regexp.Create());
  EXPECT_EQ(regexp.m_bAutoRelease, TRUE);
  EXPECT_EQ(References(regexp.m_lpDispatch), 1u);
  regexp.SetGlobal(1);
  EXPECT_EQ(static_cast<RecordingDispatch*>(regexp.m_lpDispatch)->calls.size(), 1u);
}

// Copies share the object with a reference each; the copy outlives the
// original; the last one releases the object.
TEST(RegExpWrapperTest, CopiesShareTheObject) {
  bool destroyed = false;
  auto* recorder = new RecordingDispatch(&destroyed);
  auto* copy = new IRegExp2;
  {
    IRegExp2 original = recorder;  // as ported code writes it: takes over the reference
    EXPECT_EQ(original.m_bAutoRelease, TRUE);
    *copy = original;
    IRegExp2 second(original);
    EXPECT_EQ(References(recorder), 3u);
  }
  EXPECT_FALSE(destroyed);
  copy->SetMultiline(1);
  EXPECT_EQ(recorder->calls.size(), 1u);
  delete copy;
  EXPECT_TRUE(destroyed);
}

// A failing call surfaces as the driver's exception from the member; the
// wrapper stays attached and usable.
TEST(RegExpWrapperTest, FailureLeavesTheWrapperUsable) {
  auto* recorder = new RecordingDispatch;
  recorder->fail_status = DISP_E_EXCEPTION;
  recorder->fail_code = zelu::regexp::kSyntaxError;
  recorder->fail_text = u"Syntax error in regular expression";
  IRegExp regexp(recorder);
  try {
    regexp.Replace(kText, kOther);
    ADD_FAILURE() << "nothing thrown";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_scError, zelu::regexp::kSyntaxError);
    e->Delete();
  }
  recorder->fail_status = S_OK;
  regexp.SetPattern(kText);
  EXPECT_EQ(regexp.m_lpDispatch, recorder);
  EXPECT_EQ(recorder->calls.size(), 2u);
}

// The wrappers over the library's own object, end to end: every object
// handed out is released exactly once (the sanitizer run checks leaks).
TEST(RegExpWrapperTest, DriveTheRegExpObject) {
  IRegExp first;
  ASSERT_TRUE(first.Create());
  IRegExp2 regexp(first.DetachDispatch());
  regexp.SetPattern(W(u"(\\w)(\\d)?"));
  regexp.SetGlobal(1);
  EXPECT_EQ(regexp.GetGlobal(), 1);
  IMatchCollection2 matches(regexp.Execute(W(u"a1 b")));
  ASSERT_EQ(matches.GetCount(), 2);
  matches.m_lpDispatch->AddRef();  // the other interface's wrapper takes over a reference of its own
  IMatchCollection same(matches.m_lpDispatch);
  IMatch2 second(matches.GetItem(1));
  IMatch by_old_id(same.GetItem(1));
  EXPECT_EQ(second.GetValue(), CString(u"b"));
  EXPECT_EQ(by_old_id.GetFirstIndex(), 3);
  IMatch2 first_match(matches.GetItem(0));
  ISubMatches groups(first_match.GetSubMatches());
  ASSERT_EQ(groups.GetCount(), 2);
  EXPECT_EQ(Whole(groups.GetItem(1)), u"variant:bstr:1");
  ISubMatches unset(second.GetSubMatches());
  EXPECT_EQ(Whole(unset.GetItem(1)), u"variant:empty");
  VARIANT replacement{};
  replacement.vt = VT_BSTR;
  replacement.bstrVal = SysAllocString(W(u"<$2$1>"));
  EXPECT_EQ(regexp.Replace(W(u"a1 b"), replacement), CString(u"<1a> <b>"));
  VariantClear(&replacement);
  EXPECT_EQ(References(matches.m_lpDispatch), 2u);
}

}  // namespace
