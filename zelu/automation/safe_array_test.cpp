#include <zelu/automation/safe_array.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/case_name.h>
#include <zelu/testing/trace_recorder.h>

// Every array a test makes ends up destroyed exactly once, by a wrapper or by
// the test: the asan run fails on a leak, a double free or a use after free.
namespace {

using zelu::testing::TraceRecorder;
using Bytes = std::vector<BYTE>;
using Events = std::vector<std::string>;
using Wrapper = std::optional<CSafeArray>;

static_assert(std::has_virtual_destructor_v<CSafeArray>);
// A const wrapper cannot be shared, not even through its raw pointer.
static_assert(!std::is_constructible_v<CSafeArray, const CSafeArray&>);
static_assert(!std::is_assignable_v<CSafeArray&, const CSafeArray&>);

constexpr ULONG kEveryLock = 0xFFFFFFFFu;  // an array so locked refuses another lock
SAFEARRAY* const kNull = nullptr;

SAFEARRAY* ByteVector(const Bytes& bytes, LONG lower = 0) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
  if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
  return array;
}

// `first` x `second` bytes 1, 2, 3, ...
SAFEARRAY* ByteGrid(ULONG first, ULONG second) {
  SAFEARRAYBOUND bounds[] = {{first, 0}, {second, 0}};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 2, bounds);
  for (ULONG i = 0; i < first * second; ++i) static_cast<BYTE*>(array->pvData)[i] = static_cast<BYTE>(i + 1);
  return array;
}

Events Join(std::initializer_list<Events> parts) {
  Events all;
  for (const Events& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// One traced call returning `status` at `exit_line`, the calls it makes nested.
Events Traced(const std::string& function, int entry, LONG status, int exit_line, const Events& nested = {}) {
  const std::string exit = std::to_string(status) + " 0 at " + std::to_string(exit_line);
  return Join({{"ZELUSTRING SafeArray:" + std::to_string(entry) + " " + function}, nested,
               {"exit " + exit + " flag 1", "leave " + function + " after " + exit}});
}
Events Access(LONG status = S_OK, int line = 107) { return Traced("CSafeArray::AccessData", 98, status, line); }
Events Unaccess(LONG status = S_OK, int line = 154) { return Traced("CSafeArray::UnaccessData", 145, status, line); }
Events LBound(LONG status, int line) { return Traced("CSafeArray::GetLBound", 115, status, line); }
Events UBound(LONG status, int line) { return Traced("CSafeArray::GetUBound", 130, status, line); }
Events Data(LONG status, int line, const Events& nested = {}) {
  return Traced("CSafeArray::GetDataAsBytes", 176, status, line, nested);
}
Events Copied(LONG status, int line, const Events& nested) {
  return Traced("CSafeArray::Copy(SAFEARRAY)", 215, status, line, nested);
}
Events Destroy(int unlocks = 0, const Events& more = {}) {
  Events nested;
  for (int i = 0; i < unlocks; ++i) nested = Join({nested, Unaccess()});
  return Traced("CSafeArray::Destroy", 76, S_OK, 90, Join({nested, more}));
}
// What GetData nests when it reads both bounds, and when the first fails.
Events ReadBounds() { return Join({Access(), LBound(S_OK, 122), UBound(S_OK, 137), Unaccess()}); }
Events BadDimension() { return Join({Access(), LBound(DISP_E_BADINDEX, 120), Unaccess()}); }

// The wrapper's own lock count, read from the trace of its Destroy (which
// leaves it Empty).
int LocksUndoneByDestroy(CSafeArray& wrapper) {
  TraceRecorder recorder;
  EXPECT_EQ(wrapper.Destroy(), S_OK);
  const auto unlocks = static_cast<int>((recorder.Lines().size() - Destroy().size()) / Unaccess().size());
  EXPECT_EQ(recorder.Lines(), Destroy(unlocks));
  EXPECT_EQ(static_cast<SAFEARRAY*>(wrapper), nullptr);
  return unlocks;
}

// ---- Every member and every transition, from a given state.

enum class Start { kNoWrapper, kEmpty, kUnlocked, kLocked, kLockedTwice };
enum class Held { kNothing, kStartArray, kFreshArray, kNewArray };

// The arrays a row may start from.
SAFEARRAY* Vector() { return ByteVector({10, 20, 30, 40, 50}, 1); }
SAFEARRAY* EmptyVector() { return ByteVector({}, 3); }
SAFEARRAY* Shorts() { return SafeArrayCreateVector(VT_I2, 0, 2); }
SAFEARRAY* Untyped() {  // its element type cannot be read
  SAFEARRAY* array = ByteVector({1});
  array->fFeatures = static_cast<USHORT>(array->fFeatures & ~FADF_HAVEVARTYPE);
  return array;
}
SAFEARRAY* Grid() { return ByteGrid(2, 3); }
SAFEARRAY* HollowGrid() { return ByteGrid(1, 0); }  // one element in dimension 1, none in 2

struct Out { LONG value = -7; Bytes bytes = {9, 9}; };  // what a call stored
bool operator==(const Out& a, const Out& b) { return a.value == b.value && a.bytes == b.bytes; }
Out Value(LONG value) { return {value, {9, 9}}; }
Out Got(Bytes bytes) { return {-7, std::move(bytes)}; }

// `fresh` is a new array ({3}) the action may hand to the wrapper.
using Action = std::function<LONG(Wrapper& w, SAFEARRAY* fresh, Out& out)>;
struct Row {
  std::string name; Start start; Action act; LONG status; Events trace; Held held; int locks; Out out = {};
  SAFEARRAY* (*made)() = Vector;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class SafeArrayMemberTest : public ::testing::TestWithParam<Row> {};

TEST_P(SafeArrayMemberTest, StatusTraceHeldArrayAndLocks) {
  const Row& row = GetParam();
  SAFEARRAY* const start = row.start >= Start::kUnlocked ? row.made() : nullptr;
  SAFEARRAY* const fresh = ByteVector({3});
  Wrapper w;
  if (row.start != Start::kNoWrapper) w.emplace();
  if (row.start == Start::kUnlocked) *&*w = start;
  if (row.start >= Start::kLocked) *w = start;
  void* data = nullptr;
  if (row.start == Start::kLockedTwice) w->AccessData(&data);
  Out out;
  TraceRecorder recorder;
  EXPECT_EQ(row.act(w, fresh, out), row.status);
  EXPECT_EQ(recorder.Lines(), row.trace);
  EXPECT_EQ(out, row.out) << out.value;
  SAFEARRAY* const held = *w;
  const std::array<SAFEARRAY*, 3> known = {nullptr, start, fresh};
  if (row.held == Held::kNewArray) {
    EXPECT_TRUE(held != nullptr && held != start && held != fresh);
  } else {
    EXPECT_EQ(held, known[static_cast<std::size_t>(row.held)]);
  }
  if (held != nullptr) {
    EXPECT_EQ(held->cLocks, static_cast<ULONG>(row.locks));
  }
  EXPECT_EQ(LocksUndoneByDestroy(*w), row.locks);
  if (row.held != Held::kFreshArray) SafeArrayDestroy(fresh);
}

// A member call on the wrapper, as an action; optionally with the held
// array's lock count (one, the wrapper's) saturated for the call.
Action On(std::function<LONG(CSafeArray&, Out&)> call, bool saturated = false) {
  return [call, saturated](Wrapper& w, SAFEARRAY*, Out& out) {
    SAFEARRAY* const array = *w;
    if (saturated) array->cLocks = kEveryLock;
    const LONG status = call(*w, out);
    if (saturated) array->cLocks = 1;
    return status;
  };
}
// An action that returns no status.
Action Do(std::function<void(Wrapper&, SAFEARRAY*)> act) {
  return [act](Wrapper& w, SAFEARRAY* fresh, Out&) { act(w, fresh); return S_OK; };
}

LONG ReadData(CSafeArray& w, Out& out, UINT dim) {
  CByteArray bytes;
  bytes.SetSize(2);
  bytes[0] = bytes[1] = 9;
  const LONG status = w.GetData(bytes, dim);
  out.bytes.assign(bytes.GetData(), bytes.GetData() + bytes.GetSize());
  return status;
}
std::function<LONG(CSafeArray&, Out&)> DataOf(UINT dim) {
  return [dim](CSafeArray& w, Out& out) { return ReadData(w, out, dim); };
}
// Through the `long` forms, which pass on to the LONG ones (which GetData
// reads).
std::function<LONG(CSafeArray&, Out&)> Bound(bool upper, UINT dim) {
  return [=](CSafeArray& w, Out& out) {
    long bound = -7;
    const LONG status = upper ? w.GetUBound(&bound, dim) : w.GetLBound(&bound, dim);
    out.value = static_cast<LONG>(bound);
    return status;
  };
}
LONG LockAndCheckData(CSafeArray& w, Out& out) {
  void* data = nullptr;
  const LONG status = w.AccessData(&data);
  out.value = data != nullptr && data == static_cast<SAFEARRAY*>(w)->pvData ? 1 : 0;
  return status;
}
LONG ReadType(CSafeArray& w, Out& out) {
  VARTYPE type = 0;
  const LONG status = w.GetVarType(&type);
  out.value = type;
  return status;
}
LONG Unlock(CSafeArray& w, Out&) { return w.UnaccessData(); }

constexpr auto kNo = Start::kNoWrapper, kE = Start::kEmpty, kU = Start::kUnlocked, kL = Start::kLocked,
               kL2 = Start::kLockedTwice;
constexpr auto kNothing = Held::kNothing, kStart = Held::kStartArray, kFresh = Held::kFreshArray,
               kNew = Held::kNewArray;
const Events kVectorRead = Data(S_OK, 207, ReadBounds());

INSTANTIATE_TEST_SUITE_P(Table, SafeArrayMemberTest, ::testing::ValuesIn(std::vector<Row>{
    // Every member that returns a status, on an Empty wrapper: nothing stored.
    {"AccessDataEmpty", kE, On(LockAndCheckData), E_POINTER, Access(E_POINTER, 100), kNothing, 0, Value(0)},
    {"UnaccessDataEmpty", kE, On(Unlock), E_POINTER, Unaccess(E_POINTER, 147), kNothing, 0},
    {"LBoundEmpty", kE, On(Bound(false, 1)), E_POINTER, LBound(E_POINTER, 117), kNothing, 0},
    {"UBoundEmpty", kE, On(Bound(true, 1)), E_POINTER, UBound(E_POINTER, 132), kNothing, 0},
    {"VarTypeEmpty", kE, On(ReadType), E_POINTER, {}, kNothing, 0, Value(0)},
    {"DataEmpty", kE, On(DataOf(1)), E_POINTER, Data(E_POINTER, 178), kNothing, 0},
    // Construction, destruction, Destroy, assignment, operator&.
    {"ConstructionFromNull", kNo, Do([](Wrapper& w, SAFEARRAY*) { w.emplace(kNull); }), S_OK,
     Join({Destroy(), Access(E_POINTER, 100)}), kNothing, 0},
    {"ConstructionFromArray", kNo, Do([](Wrapper& w, SAFEARRAY* a) { w.emplace(a); }), S_OK,
     Join({Destroy(), Access()}), kFresh, 1},
    {"ConstructionWhoseLockFails", kNo,
     Do([](Wrapper& w, SAFEARRAY* a) { a->cLocks = kEveryLock; w.emplace(a); a->cLocks = 0; }), S_OK,
     Join({Destroy(), Access(E_UNEXPECTED, 103)}), kFresh, 0},
    // Somebody unlocked the array behind the wrapper's back: the failing
    // unlock ends the unlocking, and the array, unlocked, is freed.
    {"DestroyStopsAtAFailingUnlock", kL2, On([](CSafeArray& w, Out&) { SafeArrayUnaccessData(w); return w.Destroy(); }),
     S_OK, Destroy(1, Unaccess(E_UNEXPECTED, 150)), kNothing, 0},
    {"AssignNull", kL, Do([](Wrapper& w, SAFEARRAY*) { *w = kNull; }), S_OK, Join({Destroy(1), Access(E_POINTER, 100)}),
     kNothing, 0},
    {"AssignArrayToLocked", kL2, Do([](Wrapper& w, SAFEARRAY* a) { *w = a; }), S_OK, Join({Destroy(2), Access()}),
     kFresh, 1},
    {"AssignHeldPointer", kL2, Do([](Wrapper& w, SAFEARRAY*) { *w = static_cast<SAFEARRAY*>(*w); }), S_OK, {}, kStart,
     2},
    {"AssignItself", kU, Do([](Wrapper& w, SAFEARRAY*) { *w = *w; }), S_OK, {}, kStart, 0},
    // Sharing takes a lock for an unlocked source first (fact 3); the array
    // outlives the sharer that lets go first, whose destructor cannot free it.
    {"ShareByConstructionFromUnlocked", kU, Do([](Wrapper& w, SAFEARRAY*) { CSafeArray sharer(*w); }), S_OK,
     Join({Access(), Destroy(), Access(), Destroy(1)}), kStart, 1},
    {"ShareByAssignmentFromLocked", kL, Do([](Wrapper& w, SAFEARRAY*) { CSafeArray sharer; sharer = *w; }), S_OK,
     Join({Destroy(), Access(), Destroy(1)}), kStart, 1},
    {"AddressOfEmpty", kE, Do([](Wrapper& w, SAFEARRAY* a) { *&*w = a; }), S_OK, {}, kFresh, 0},
    {"AddressOfLockedReleasesFirst", kL2,
     Do([](Wrapper& w, SAFEARRAY* a) { SAFEARRAY** out = &*w; EXPECT_EQ(*out, nullptr); *out = a; }), S_OK,
     Destroy(2), kFresh, 0},
    // Copy: a new, independent, unlocked array, made before the old one goes.
    {"CopyIsIndependent", kE, [](Wrapper& w, SAFEARRAY* a, Out& out) {
       const LONG status = w->Copy(a);
       static_cast<BYTE*>(a->pvData)[0] = 99;
       return status == S_OK ? ReadData(*w, out, 1) : status;
     }, S_OK, Join({Copied(S_OK, 223, Destroy()), kVectorRead}), kNew, 0, Got({3})},
    {"CopyOwnArray", kL2, On([](CSafeArray& w, Out& out) { return w.Copy(w) == S_OK ? ReadData(w, out, 1) : S_FALSE; }),
     S_OK, Join({Copied(S_OK, 223, Destroy(2)), kVectorRead}), kNew, 0, Got({10, 20, 30, 40, 50})},
    {"CopyNull", kL, On([](CSafeArray& w, Out&) { return w.Copy(nullptr); }), E_INVALIDARG,
     Copied(E_INVALIDARG, 221, Destroy(1)), kNothing, 0},
    // The lock members.
    {"AccessDataNullOut", kL, On([](CSafeArray& w, Out&) { return w.AccessData(nullptr); }), E_INVALIDARG,
     Access(E_INVALIDARG, 103), kStart, 1},
    {"AccessDataRefused", kL, On(LockAndCheckData, true), E_UNEXPECTED, Access(E_UNEXPECTED, 103), kStart, 1, Value(0)},
    {"AccessData", kL, On(LockAndCheckData), S_OK, Access(), kStart, 2, Value(1)},
    {"UnaccessLastLock", kL, On(Unlock), S_OK, Unaccess(), kStart, 0},
    {"UnaccessUnlocked", kU, On(Unlock), E_UNEXPECTED, Unaccess(E_UNEXPECTED, 150), kStart, 0},
    // Bounds and type.
    {"LBoundDimensionZero", kL, On(Bound(false, 0)), DISP_E_BADINDEX, LBound(DISP_E_BADINDEX, 120), kStart, 1},
    {"LBound", kL, On(Bound(false, 1)), S_OK, LBound(S_OK, 122), kStart, 1, Value(1)},
    {"LBoundNullOut", kL, On([](CSafeArray& w, Out&) { return w.GetLBound(static_cast<long*>(nullptr), 1); }),
     E_INVALIDARG, LBound(E_INVALIDARG, 120), kStart, 1},
    {"UBoundDimensionTwoOfVector", kL, On(Bound(true, 2)), DISP_E_BADINDEX, UBound(DISP_E_BADINDEX, 135), kStart, 1},
    {"UBound", kL, On(Bound(true, 1)), S_OK, UBound(S_OK, 137), kStart, 1, Value(5)},
    {"VarTypeUnreadable", kL, On(ReadType), E_INVALIDARG, {}, kStart, 1, Value(0), Untyped},
    // GetData.
    {"DataOfShorts", kL, On(DataOf(1)), E_INVALIDARG, Data(E_INVALIDARG, 183), kStart, 1, {}, Shorts},
    {"DataOfUnreadableType", kL, On(DataOf(1)), E_INVALIDARG, Data(E_INVALIDARG, 183), kStart, 1, {}, Untyped},
    {"DataLockRefused", kL, On(DataOf(1), true), E_UNEXPECTED, Data(E_UNEXPECTED, 187, Access(E_UNEXPECTED, 103)),
     kStart, 1},
    {"DataDimensionTwoOfVector", kL, On(DataOf(2)), DISP_E_BADINDEX, Data(DISP_E_BADINDEX, 205, BadDimension()),
     kStart, 1},
    {"DataOfVector", kL2, On(DataOf(1)), S_OK, kVectorRead, kStart, 2, Got({10, 20, 30, 40, 50})},
    {"DataOfEmptyVector", kL, On(DataOf(1)), S_OK, kVectorRead, kStart, 1, Got({}), EmptyVector},
    {"DataOfGridFirstDimension", kL, On(DataOf(1)), S_OK, kVectorRead, kStart, 1, Got({1, 2}), Grid},
    {"DataOfGridSecondDimension", kL, On(DataOf(2)), S_OK, kVectorRead, kStart, 1, Got({1, 2, 3}), Grid},
    // The hollow grid's data holds nothing.
    {"DataBeyondHollowGrid", kL, On(DataOf(1)), E_INVALIDARG, Data(E_INVALIDARG, 205, ReadBounds()), kStart, 1, {},
     HollowGrid},
    {"DataOfHollowGridEmptyDimension", kL, On(DataOf(2)), S_OK, kVectorRead, kStart, 1, Got({}), HollowGrid},
}), zelu::testing::CaseName());

// ---- Random sequences of calls over three wrappers, against a model: the
// array each wrapper should hold and how many of its own locks; an array's
// lock count is the sum of its holders' locks.

struct Holder { SAFEARRAY* array = nullptr; LONG locks = 0; };
using Model = std::array<Holder, 3>;

ULONG LocksOn(const Model& model, const SAFEARRAY* array) {
  ULONG locks = 0;
  for (const Holder& h : model) locks += h.array == array ? static_cast<ULONG>(h.locks) : 0u;
  return locks;
}

// One call on wrapper `w` (`o` another or the same), on the wrappers and on
// the model; false when it was skipped.
bool Step(std::array<Wrapper, 3>& wrappers, Model& model, std::size_t op, std::size_t w, std::size_t o) {
  CSafeArray& real = *wrappers[w];
  Holder& held = model[w];
  const auto take = [&held](SAFEARRAY* array) {  // operator= with a pointer (fact 2)
    if (array == nullptr || array != held.array) held = {array, array == nullptr ? 0 : 1};
  };
  LONG status = S_OK, expected = S_OK;
  void* data = nullptr;
  CByteArray bytes;
  switch (op) {
    case 0: { SAFEARRAY* a = ByteVector({1}); real = a; take(a); break; }
    case 1: real = kNull; take(nullptr); break;
    case 2: real = static_cast<SAFEARRAY*>(real); take(held.array); break;
    case 3:  // fact 3, then as operator= with the pointer
      if (model[o].array != nullptr && model[o].array != held.array && model[o].locks <= 0) ++model[o].locks;
      real = *wrappers[o];
      take(model[o].array);
      break;
    case 4:
      status = real.AccessData(&data);
      expected = held.array == nullptr ? E_POINTER : S_OK;
      held.locks += expected == S_OK ? 1 : 0;
      break;
    case 5:  // a sharer keeps a lock while it shares
      if (held.locks == 1 && std::count_if(model.begin(), model.end(),
                                           [&held](const Holder& h) { return h.array == held.array; }) > 1) {
        return false;
      }
      status = real.UnaccessData();
      expected = held.array == nullptr ? E_POINTER : LocksOn(model, held.array) == 0 ? E_UNEXPECTED : S_OK;
      held.locks -= expected == S_OK ? 1 : 0;
      break;
    case 6: status = real.GetData(bytes, 1); expected = held.array == nullptr ? E_POINTER : S_OK; break;
    case 7:
      expected = model[o].array == nullptr ? E_INVALIDARG : S_OK;
      status = real.Copy(*wrappers[o]);
      held = {real, 0};
      break;
    case 8: status = real.Destroy(); held = {}; break;
    default: { SAFEARRAY* a = ByteVector({1}); *&real = a; held = {a, 0}; }
  }
  EXPECT_EQ(status, expected);
  return true;
}

TEST(SafeArrayRandomTest, SequencesMatchTheModel) {
  std::mt19937 random(20240613);
  for (int sequence = 0; sequence < 300 && !HasFailure(); ++sequence) {
    std::array<Wrapper, 3> wrappers{Wrapper(std::in_place), Wrapper(std::in_place), Wrapper(std::in_place)};
    Model model;
    for (int step = 0; step < 40 && !HasFailure(); ++step) {
      const std::size_t op = random() % 10, w = random() % 3, o = random() % 3;
      SCOPED_TRACE(::testing::Message() << "sequence " << sequence << " step " << step << " op " << op);
      if (!Step(wrappers, model, op, w, o)) continue;
      for (std::size_t v = 0; v < model.size(); ++v) {
        ASSERT_EQ(static_cast<SAFEARRAY*>(*wrappers[v]), model[v].array) << "wrapper " << v;
        if (model[v].array != nullptr) {
          EXPECT_EQ(model[v].array->cLocks, LocksOn(model, model[v].array)) << "wrapper " << v;
        }
      }
    }
  }
}

}  // namespace
