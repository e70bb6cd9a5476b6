#include <zelu/automation/safe_array.h>

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

// Every array a test makes ends up destroyed exactly once by a wrapper or by
// the test: the asan run fails on a leak, a double free or a use after free.
namespace {

using zelu::testing::TraceRecorder;
using Bytes = std::vector<BYTE>;
using Events = std::vector<std::string>;

static_assert(std::has_virtual_destructor_v<CSafeArray>);

// The lock count of an array that refuses any further lock.
constexpr ULONG kEveryLock = 0xFFFFFFFFu;

// A byte vector holding `bytes`, lower bound `lower`.
SAFEARRAY* ByteVector(const Bytes& bytes, LONG lower = 0) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, lower, static_cast<ULONG>(bytes.size()));
  if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
  return array;
}

// A two-dimensional byte array with `first` x `second` elements 1, 2, 3, ...
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

// The events of one traced call that returns `status` at `exit_line`, with
// the events of the calls it makes nested inside.
Events Traced(const std::string& function, int entry, LONG status, int exit_line, const Events& nested = {}) {
  const std::string exit = std::to_string(status) + " 0 at " + std::to_string(exit_line);
  return Join({{"ZELUSTRING SafeArray:" + std::to_string(entry) + " " + function}, nested,
               {"exit " + exit + " flag 1", "leave " + function + " after " + exit}});
}
Events Access(LONG status, int line) { return Traced("CSafeArray::AccessData", 98, status, line); }
Events Unaccess(LONG status, int line) { return Traced("CSafeArray::UnaccessData", 145, status, line); }
Events LBound(LONG status, int line) { return Traced("CSafeArray::GetLBound", 115, status, line); }
Events UBound(LONG status, int line) { return Traced("CSafeArray::GetUBound", 130, status, line); }
Events GetData(LONG status, int line, const Events& nested = {}) {
  return Traced("CSafeArray::GetDataAsBytes", 176, status, line, nested);
}
Events Copy(LONG status, int line, const Events& nested) {
  return Traced("CSafeArray::Copy(SAFEARRAY)", 215, status, line, nested);
}
Events Destroy(int unlocks = 0) {
  Events nested;
  for (int i = 0; i < unlocks; ++i) nested = Join({nested, Unaccess(S_OK, 154)});
  return Traced("CSafeArray::Destroy", 76, S_OK, 90, nested);
}
Events Locked() { return Access(S_OK, 107); }
Events Unlocked() { return Unaccess(S_OK, 154); }

// How many locks the wrapper holds, read from the trace of its Destroy; it
// is Empty afterwards.
int LocksUndoneByDestroy(CSafeArray& wrapper) {
  TraceRecorder recorder;
  EXPECT_EQ(wrapper.Destroy(), S_OK);
  const auto unlocks = static_cast<int>((recorder.Lines().size() - Destroy().size()) / Unlocked().size());
  EXPECT_EQ(recorder.Lines(), Destroy(unlocks));
  return unlocks;
}

// ---- Lifecycle: each transition from each kind of state.

enum class Start { kNoWrapper, kEmpty, kUnlocked, kLocked, kLockedTwice };
enum class Held { kNothing, kStartArray, kFreshArray, kNewArray };
using Wrapper = std::optional<CSafeArray>;

struct Transition {
  std::string name; Start start; std::function<void(Wrapper&, SAFEARRAY*)> act; Held held; int locks; Events trace;
};
void PrintTo(const Transition& t, std::ostream* out) { *out << t.name; }

class SafeArrayTransitionTest : public ::testing::TestWithParam<Transition> {};

TEST_P(SafeArrayTransitionTest, HeldArrayLocksAndTrace) {
  const Transition& t = GetParam();
  SAFEARRAY* const start = t.start >= Start::kUnlocked ? ByteVector({1, 2}) : nullptr;
  SAFEARRAY* const fresh = ByteVector({3});
  Wrapper w;
  if (t.start != Start::kNoWrapper) w.emplace();
  if (t.start == Start::kUnlocked) *&*w = start;
  if (t.start >= Start::kLocked) *w = start;
  void* data = nullptr;
  if (t.start == Start::kLockedTwice) w->AccessData(&data);
  TraceRecorder recorder;
  t.act(w, fresh);
  EXPECT_EQ(recorder.Lines(), t.trace);
  SAFEARRAY* const held = *w;
  const std::array<SAFEARRAY*, 3> known = {nullptr, start, fresh};
  if (t.held == Held::kNewArray) {
    EXPECT_TRUE(held != nullptr && held != start && held != fresh);
  } else {
    EXPECT_EQ(held, known[static_cast<std::size_t>(t.held)]);
  }
  if (held != nullptr) {
    EXPECT_EQ(held->cLocks, static_cast<ULONG>(t.locks));
  }
  EXPECT_EQ(LocksUndoneByDestroy(*w), t.locks);
  EXPECT_EQ(static_cast<SAFEARRAY*>(*w), nullptr);
  if (t.held != Held::kFreshArray) SafeArrayDestroy(fresh);
}

SAFEARRAY* const kNull = nullptr;
INSTANTIATE_TEST_SUITE_P(Table, SafeArrayTransitionTest, ::testing::ValuesIn(std::vector<Transition>{
    {"DefaultConstruction", Start::kNoWrapper, [](Wrapper& w, SAFEARRAY*) { w.emplace(); }, Held::kNothing, 0, {}},
    {"ConstructionFromNull", Start::kNoWrapper, [](Wrapper& w, SAFEARRAY*) { w.emplace(kNull); }, Held::kNothing, 0,
     Join({Destroy(), Access(E_POINTER, 100)})},
    {"ConstructionFromArray", Start::kNoWrapper, [](Wrapper& w, SAFEARRAY* a) { w.emplace(a); }, Held::kFreshArray,
     1, Join({Destroy(), Locked()})},
    {"DestroyEmpty", Start::kEmpty, [](Wrapper& w, SAFEARRAY*) { w->Destroy(); }, Held::kNothing, 0, Destroy()},
    {"DestroyUnlocked", Start::kUnlocked, [](Wrapper& w, SAFEARRAY*) { w->Destroy(); }, Held::kNothing, 0, Destroy()},
    {"DestroyLockedTwice", Start::kLockedTwice, [](Wrapper& w, SAFEARRAY*) { w->Destroy(); }, Held::kNothing, 0,
     Destroy(2)},
    {"AssignNull", Start::kLocked, [](Wrapper& w, SAFEARRAY*) { *w = kNull; }, Held::kNothing, 0,
     Join({Destroy(1), Access(E_POINTER, 100)})},
    {"AssignArrayToEmpty", Start::kEmpty, [](Wrapper& w, SAFEARRAY* a) { *w = a; }, Held::kFreshArray, 1,
     Join({Destroy(), Locked()})},
    {"AssignArrayToLocked", Start::kLockedTwice, [](Wrapper& w, SAFEARRAY* a) { *w = a; }, Held::kFreshArray, 1,
     Join({Destroy(2), Locked()})},
    {"AssignHeldPointer", Start::kLockedTwice, [](Wrapper& w, SAFEARRAY*) { *w = static_cast<SAFEARRAY*>(*w); },
     Held::kStartArray, 2, {}},
    {"AssignHeldPointerUnlocked", Start::kUnlocked, [](Wrapper& w, SAFEARRAY*) { *w = static_cast<SAFEARRAY*>(*w); },
     Held::kStartArray, 0, {}},
    {"AssignItself", Start::kUnlocked, [](Wrapper& w, SAFEARRAY*) { *w = *w; }, Held::kStartArray, 0, {}},
    {"AssignEmptyItself", Start::kEmpty, [](Wrapper& w, SAFEARRAY*) { *w = *w; }, Held::kNothing, 0,
     Join({Destroy(), Access(E_POINTER, 100)})},
    {"AccessData", Start::kLocked, [](Wrapper& w, SAFEARRAY*) { void* d; w->AccessData(&d); }, Held::kStartArray, 2,
     Locked()},
    {"UnaccessLastLock", Start::kLocked, [](Wrapper& w, SAFEARRAY*) { w->UnaccessData(); }, Held::kStartArray, 0,
     Unlocked()},
    {"UnaccessUnlocked", Start::kUnlocked, [](Wrapper& w, SAFEARRAY*) { w->UnaccessData(); }, Held::kStartArray, 0,
     Unaccess(E_UNEXPECTED, 150)},
    {"CopyOverLocked", Start::kLocked, [](Wrapper& w, SAFEARRAY* a) { w->Copy(a); }, Held::kNewArray, 0,
     Copy(S_OK, 223, Destroy(1))},
    {"CopyOwnArray", Start::kLockedTwice, [](Wrapper& w, SAFEARRAY*) { w->Copy(*w); }, Held::kNewArray, 0,
     Copy(S_OK, 223, Destroy(2))},
    {"CopyNull", Start::kLocked, [](Wrapper& w, SAFEARRAY*) { w->Copy(nullptr); }, Held::kNothing, 0,
     Copy(E_INVALIDARG, 221, Destroy(1))},
    {"AddressOfEmpty", Start::kEmpty, [](Wrapper& w, SAFEARRAY* a) { *&*w = a; }, Held::kFreshArray, 0, {}},
    {"AddressOfLockedReleasesFirst", Start::kLockedTwice,
     [](Wrapper& w, SAFEARRAY* a) { SAFEARRAY** out = &*w; EXPECT_EQ(*out, nullptr); *out = a; },
     Held::kFreshArray, 0, Destroy(2)},
    {"Destruction", Start::kLockedTwice, [](Wrapper& w, SAFEARRAY*) { w.reset(); w.emplace(); }, Held::kNothing, 0,
     Destroy(2)},
}), zelu::testing::CaseName());

// ---- Every member's statuses, results and trace on one wrapper.

enum class Made { kNone, kVector, kEmptyVector, kShorts, kUntyped, kGrid, kHollowGrid };

SAFEARRAY* Make(Made made) {
  switch (made) {
    case Made::kNone: return nullptr;
    case Made::kVector: return ByteVector({10, 20, 30, 40, 50}, 1);
    case Made::kEmptyVector: return ByteVector({}, 3);
    case Made::kShorts: return SafeArrayCreateVector(VT_I2, 0, 2);
    case Made::kUntyped: {
      SAFEARRAY* array = ByteVector({1});
      array->fFeatures = static_cast<USHORT>(array->fFeatures & ~FADF_HAVEVARTYPE);
      return array;
    }
    case Made::kGrid: return ByteGrid(2, 3);
    case Made::kHollowGrid: return ByteGrid(4, 0);
  }
  return nullptr;
}

struct Out { LONG value = -7; Bytes bytes = {9, 9}; };  // what the call stored
bool operator==(const Out& a, const Out& b) { return a.value == b.value && a.bytes == b.bytes; }

struct MemberCase {
  std::string name; Made made; bool saturated; std::function<LONG(CSafeArray&, Out&)> call;
  LONG status; Events trace; Out out; int locks;
};
void PrintTo(const MemberCase& c, std::ostream* out) { *out << c.name; }

class SafeArrayMemberTest : public ::testing::TestWithParam<MemberCase> {};

// The wrapper is made from the array (one lock). A saturated array refuses
// any further lock, as it would with every lock count already taken.
TEST_P(SafeArrayMemberTest, StatusOutputTraceAndLocks) {
  const MemberCase& c = GetParam();
  SAFEARRAY* const array = Make(c.made);
  CSafeArray w(array);
  if (c.saturated) array->cLocks = kEveryLock;
  Out out;
  TraceRecorder recorder;
  EXPECT_EQ(c.call(w, out), c.status);
  EXPECT_EQ(recorder.Lines(), c.trace);
  EXPECT_EQ(out, c.out) << out.value;
  if (c.saturated) array->cLocks = 1;
  EXPECT_EQ(LocksUndoneByDestroy(w), c.locks);
}

LONG ReadData(CSafeArray& w, Out& out, UINT dim) {
  CByteArray bytes;
  bytes.SetSize(2);
  bytes[0] = bytes[1] = 9;
  const LONG status = w.GetData(bytes, dim);
  out.bytes.assign(bytes.GetData(), bytes.GetData() + bytes.GetSize());
  return status;
}
LONG LowerAsLong(CSafeArray& w, Out& out) {
  long bound = -7;
  const LONG status = w.GetLBound(&bound, 1);
  out.value = static_cast<LONG>(bound);
  return status;
}
LONG UpperAsLong(CSafeArray& w, Out& out) {
  long bound = -7;
  const LONG status = w.GetUBound(&bound, 1);
  out.value = static_cast<LONG>(bound);
  return status;
}
LONG LockAndCheckData(CSafeArray& w, Out& out) {
  void* data = nullptr;
  const LONG status = w.AccessData(&data);
  SAFEARRAY* const held = w;
  out.value = held != nullptr && data == held->pvData ? 1 : 0;
  return status;
}
LONG ReadType(CSafeArray& w, Out& out) {
  VARTYPE type = 0;
  const LONG status = w.GetVarType(&type);
  out.value = type;
  return status;
}

const Out kUntouched;
Out Value(LONG value) { return {value, {9, 9}}; }
Out Data(Bytes bytes) { return {-7, std::move(bytes)}; }
// What GetData nests when both bounds are read.
Events ReadBounds() { return Join({Locked(), LBound(S_OK, 122), UBound(S_OK, 137), Unlocked()}); }

INSTANTIATE_TEST_SUITE_P(Table, SafeArrayMemberTest, ::testing::ValuesIn(std::vector<MemberCase>{
    {"AccessDataEmpty", Made::kNone, false, LockAndCheckData, E_POINTER, Access(E_POINTER, 100), Value(0), 0},
    {"AccessDataNullOut", Made::kVector, false, [](CSafeArray& w, Out&) { return w.AccessData(nullptr); },
     E_INVALIDARG, Access(E_INVALIDARG, 103), kUntouched, 1},
    {"AccessDataRefused", Made::kVector, true, LockAndCheckData, E_UNEXPECTED, Access(E_UNEXPECTED, 103), Value(0), 1},
    {"AccessData", Made::kVector, false, LockAndCheckData, S_OK, Locked(), Value(1), 2},
    {"UnaccessDataEmpty", Made::kNone, false, [](CSafeArray& w, Out&) { return w.UnaccessData(); }, E_POINTER,
     Unaccess(E_POINTER, 147), kUntouched, 0},
    {"UnaccessData", Made::kVector, false, [](CSafeArray& w, Out&) { return w.UnaccessData(); }, S_OK, Unlocked(),
     kUntouched, 0},
    {"LBoundEmpty", Made::kNone, false, [](CSafeArray& w, Out& o) { return w.GetLBound(&o.value, 1); }, E_POINTER,
     LBound(E_POINTER, 117), kUntouched, 0},
    {"LBoundDimensionZero", Made::kVector, false, [](CSafeArray& w, Out& o) { return w.GetLBound(&o.value, 0); },
     DISP_E_BADINDEX, LBound(DISP_E_BADINDEX, 120), kUntouched, 1},
    {"LBoundNullOut", Made::kVector, false,
     [](CSafeArray& w, Out&) { return w.GetLBound(static_cast<LONG*>(nullptr), 1); }, E_INVALIDARG,
     LBound(E_INVALIDARG, 120), kUntouched, 1},
    {"LBound", Made::kVector, false, [](CSafeArray& w, Out& o) { return w.GetLBound(&o.value, 1); }, S_OK,
     LBound(S_OK, 122), Value(1), 1},
    {"LBoundAsLong", Made::kVector, false, LowerAsLong, S_OK, LBound(S_OK, 122), Value(1), 1},
    {"LBoundAsLongNullOut", Made::kVector, false,
     [](CSafeArray& w, Out&) { return w.GetLBound(static_cast<long*>(nullptr), 1); }, E_INVALIDARG,
     LBound(E_INVALIDARG, 120), kUntouched, 1},
    {"UBoundEmpty", Made::kNone, false, [](CSafeArray& w, Out& o) { return w.GetUBound(&o.value, 1); }, E_POINTER,
     UBound(E_POINTER, 132), kUntouched, 0},
    {"UBoundDimensionTwoOfVector", Made::kVector, false,
     [](CSafeArray& w, Out& o) { return w.GetUBound(&o.value, 2); }, DISP_E_BADINDEX, UBound(DISP_E_BADINDEX, 135),
     kUntouched, 1},
    {"UBound", Made::kVector, false, [](CSafeArray& w, Out& o) { return w.GetUBound(&o.value, 1); }, S_OK,
     UBound(S_OK, 137), Value(5), 1},
    {"UBoundAsLong", Made::kVector, false, UpperAsLong, S_OK, UBound(S_OK, 137), Value(5), 1},
    {"UBoundOfEmptyVector", Made::kEmptyVector, false, UpperAsLong, S_OK, UBound(S_OK, 137), Value(2), 1},
    {"VarTypeEmpty", Made::kNone, false, ReadType, E_POINTER, {}, Value(0), 0},
    {"VarType", Made::kVector, false, ReadType, S_OK, {}, Value(VT_UI1), 1},
    {"VarTypeUnreadable", Made::kUntyped, false, ReadType, E_INVALIDARG, {}, Value(0), 1},
    {"DataEmpty", Made::kNone, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, E_POINTER,
     GetData(E_POINTER, 178), kUntouched, 0},
    {"DataOfShorts", Made::kShorts, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, E_INVALIDARG,
     GetData(E_INVALIDARG, 183), kUntouched, 1},
    {"DataOfUnreadableType", Made::kUntyped, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); },
     E_INVALIDARG, GetData(E_INVALIDARG, 183), kUntouched, 1},
    {"DataLockRefused", Made::kVector, true, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, E_UNEXPECTED,
     GetData(E_UNEXPECTED, 187, Access(E_UNEXPECTED, 103)), kUntouched, 1},
    {"DataDimensionZero", Made::kVector, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 0); },
     DISP_E_BADINDEX, GetData(DISP_E_BADINDEX, 205, Join({Locked(), LBound(DISP_E_BADINDEX, 120), Unlocked()})),
     kUntouched, 1},
    {"DataDimensionTwoOfVector", Made::kVector, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 2); },
     DISP_E_BADINDEX, GetData(DISP_E_BADINDEX, 205, Join({Locked(), LBound(DISP_E_BADINDEX, 120), Unlocked()})),
     kUntouched, 1},
    {"DataOfVector", Made::kVector, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, S_OK,
     GetData(S_OK, 207, ReadBounds()), Data({10, 20, 30, 40, 50}), 1},
    {"DataOfEmptyVector", Made::kEmptyVector, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, S_OK,
     GetData(S_OK, 207, ReadBounds()), Data({}), 1},
    {"DataOfGridFirstDimension", Made::kGrid, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); }, S_OK,
     GetData(S_OK, 207, ReadBounds()), Data({1, 2}), 1},
    {"DataOfGridSecondDimension", Made::kGrid, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 2); }, S_OK,
     GetData(S_OK, 207, ReadBounds()), Data({1, 2, 3}), 1},
    // Four elements in dimension 1, none in dimension 2: the data holds nothing.
    {"DataBeyondHollowGrid", Made::kHollowGrid, false, [](CSafeArray& w, Out& o) { return ReadData(w, o, 1); },
     E_INVALIDARG, GetData(E_INVALIDARG, 205, ReadBounds()), kUntouched, 1},
    {"DataOfHollowGridEmptyDimension", Made::kHollowGrid, false,
     [](CSafeArray& w, Out& o) { return ReadData(w, o, 2); }, S_OK, GetData(S_OK, 207, ReadBounds()), Data({}),
     1},
}), zelu::testing::CaseName());

// ---- Sharing, and the platform refusing or failing under a wrapper.

Bytes DataOf(CSafeArray& w) {
  Out out;
  EXPECT_EQ(ReadData(w, out, 1), S_OK);
  return out.bytes;
}

// Sharing by copy construction or by assignment, from a source that holds a
// lock or holds none (after Copy); either sharer lets go first, the other
// still reads the array, and the last one frees it (asan: no leak).
TEST(SafeArraySharingTest, LastSharerFreesTheArray) {
  for (const bool construct : {true, false}) {
    for (const bool source_locked : {true, false}) {
      for (const bool source_first : {true, false}) {
        SCOPED_TRACE(::testing::Message() << construct << source_locked << source_first);
        SAFEARRAY* const original = ByteVector({4, 5, 6});
        Wrapper source(std::in_place);
        Wrapper sharer;
        if (source_locked) {
          *source = original;
        } else {
          EXPECT_EQ(source->Copy(original), S_OK);
          SafeArrayDestroy(original);
        }
        SAFEARRAY* const array = *source;
        if (!construct) sharer.emplace();
        TraceRecorder recorder;
        if (construct) sharer.emplace(*source);
        if (!construct) *sharer = *source;
        EXPECT_EQ(recorder.Lines(), Join({source_locked ? Events{} : Locked(), Destroy(), Locked()}));
        EXPECT_EQ(static_cast<SAFEARRAY*>(*sharer), array);
        EXPECT_EQ(array->cLocks, 2u);
        (source_first ? source : sharer).reset();
        Wrapper& last = source_first ? sharer : source;
        EXPECT_EQ(array->cLocks, 1u);
        EXPECT_EQ(DataOf(*last), (Bytes{4, 5, 6}));
        EXPECT_EQ(LocksUndoneByDestroy(*last), 1);
      }
    }
  }
}

// Somebody unlocked the array behind the wrapper's back: the unlock that
// fails ends Destroy's unlocking, and the array, now unlocked, is freed.
TEST(SafeArrayDestroyTest, StopsAtAFailingUnlock) {
  SAFEARRAY* const array = ByteVector({1});
  CSafeArray w(array);
  void* data = nullptr;
  EXPECT_EQ(w.AccessData(&data), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  TraceRecorder recorder;
  EXPECT_EQ(w.Destroy(), S_OK);
  EXPECT_EQ(recorder.Lines(),
            Traced("CSafeArray::Destroy", 76, S_OK, 90, Join({Unlocked(), Unaccess(E_UNEXPECTED, 150)})));
  EXPECT_EQ(static_cast<SAFEARRAY*>(w), nullptr);
  EXPECT_EQ(LocksUndoneByDestroy(w), 0);
}

// Destroy forgets an array that somebody else still locks; they free it.
TEST(SafeArrayDestroyTest, ForgetsAnArrayLockedElsewhere) {
  SAFEARRAY* const array = ByteVector({1});
  CSafeArray w(array);
  EXPECT_EQ(SafeArrayLock(array), S_OK);
  EXPECT_EQ(LocksUndoneByDestroy(w), 1);
  EXPECT_EQ(static_cast<SAFEARRAY*>(w), nullptr);
  EXPECT_EQ(array->cLocks, 1u);
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// The initial lock fails: the array is owned all the same, with no lock.
TEST(SafeArrayLifecycleTest, ConstructionWhoseLockFails) {
  SAFEARRAY* const array = ByteVector({1});
  array->cLocks = kEveryLock;
  TraceRecorder recorder;
  CSafeArray w(array);
  EXPECT_EQ(recorder.Lines(), Join({Destroy(), Access(E_UNEXPECTED, 103)}));
  array->cLocks = 0;
  EXPECT_EQ(static_cast<SAFEARRAY*>(w), array);
  EXPECT_EQ(LocksUndoneByDestroy(w), 0);
}

TEST(SafeArrayCopyTest, CopyIsIndependentAndUnlocked) {
  SAFEARRAY* const source = ByteVector({7, 8}, 4);
  CSafeArray w;
  EXPECT_EQ(w.Copy(source), S_OK);
  SAFEARRAY* const copy = w;
  ASSERT_NE(copy, source);
  EXPECT_EQ(copy->cLocks, 0u);
  LONG lower = 0;
  EXPECT_EQ(w.GetLBound(&lower, 1), S_OK);
  EXPECT_EQ(lower, 4);
  static_cast<BYTE*>(copy->pvData)[0] = 99;
  EXPECT_EQ(DataOf(w), (Bytes{99, 8}));
  EXPECT_EQ(static_cast<BYTE*>(source->pvData)[0], 7);
  EXPECT_EQ(SafeArrayDestroy(source), S_OK);
}

// ---- Random sequences of calls over three wrappers, against a model.

// Which array each wrapper holds with how many of its own locks, and each
// array's lock count and whether it is alive. Arrays are byte vectors whose
// first byte is a tag (a copy keeps its source's).
struct Model {
  struct Array { SAFEARRAY* real; BYTE tag; ULONG locks = 0; bool live = true; };
  struct Holder { int array = -1; LONG locks = 0; };
  std::vector<Array> arrays;
  std::array<Holder, 3> holders;

  int Add(SAFEARRAY* real, BYTE tag) {
    arrays.push_back({real, tag});
    return static_cast<int>(arrays.size()) - 1;
  }
  bool Shared(std::size_t w) const {
    int holding = 0;
    for (const Holder& h : holders) holding += h.array == holders[w].array ? 1 : 0;
    return holding > 1;
  }
  void Release(std::size_t w) {
    Holder& h = holders[w];
    if (h.array >= 0) {
      Array& a = arrays[static_cast<std::size_t>(h.array)];
      a.locks -= static_cast<ULONG>(h.locks);
      a.live = a.locks != 0;
    }
    h = {};
  }
  void Take(std::size_t w, int array) {
    if (array >= 0 && array == holders[w].array) return;
    Release(w);
    holders[w] = {array, array >= 0 ? 1 : 0};
    if (array >= 0) ++arrays[static_cast<std::size_t>(array)].locks;
  }
  void Share(std::size_t w, std::size_t from) {
    const Holder& source = holders[from];
    if (source.array >= 0 && source.array != holders[w].array && source.locks <= 0) Lock(from);
    Take(w, holders[from].array);
  }
  LONG Lock(std::size_t w) {
    Holder& h = holders[w];
    if (h.array < 0) return E_POINTER;
    ++h.locks;
    ++arrays[static_cast<std::size_t>(h.array)].locks;
    return S_OK;
  }
  LONG Unlock(std::size_t w) {
    Holder& h = holders[w];
    if (h.array < 0) return E_POINTER;
    Array& a = arrays[static_cast<std::size_t>(h.array)];
    if (a.locks == 0) return E_UNEXPECTED;
    --h.locks;
    --a.locks;
    return S_OK;
  }
};

class SafeArrayRandomTest : public ::testing::Test {
 protected:
  SAFEARRAY* Fresh() {
    ++tag_;
    return ByteVector({tag_, 0});
  }
  // One random call on wrapper `w` (`o` another or the same), done on the
  // real wrappers and on the model; false when it was skipped.
  bool Step(std::size_t op, std::size_t w, std::size_t o, UINT dim) {
    CSafeArray& real = *real_[w];
    LONG status = S_OK;
    LONG expected = S_OK;
    switch (op) {
      case 0: { SAFEARRAY* a = Fresh(); real = a; model_.Take(w, model_.Add(a, tag_)); break; }
      case 1: real = static_cast<SAFEARRAY*>(nullptr); model_.Take(w, -1); break;
      case 2: real = static_cast<SAFEARRAY*>(real); model_.Take(w, model_.holders[w].array); break;
      case 3: real = *real_[o]; model_.Share(w, o); break;
      case 4:
        if (o == w) return false;
        real_[w].reset();
        real_[w].emplace(*real_[o]);
        model_.Release(w);
        model_.Share(w, o);
        break;
      case 5: { void* data = nullptr; status = real.AccessData(&data); expected = model_.Lock(w); break; }
      case 6:  // a sharer keeps a lock while it shares
        if (model_.holders[w].locks == 1 && model_.Shared(w)) return false;
        status = real.UnaccessData();
        expected = model_.Unlock(w);
        break;
      case 7: {
        CByteArray bytes;
        status = real.GetData(bytes, dim);
        expected = model_.holders[w].array < 0 ? E_POINTER : dim == 1 ? S_OK : DISP_E_BADINDEX;
        const int held = model_.holders[w].array;
        if (status == S_OK && held >= 0) {
          EXPECT_EQ(bytes[0], model_.arrays[static_cast<std::size_t>(held)].tag);
        }
        break;
      }
      case 8: {
        const int source = model_.holders[o].array;
        status = real.Copy(*real_[o]);
        expected = source < 0 ? E_INVALIDARG : S_OK;
        const BYTE tag = source < 0 ? 0 : model_.arrays[static_cast<std::size_t>(source)].tag;
        model_.Release(w);
        if (source >= 0) model_.holders[w] = {model_.Add(real, tag), 0};
        break;
      }
      case 9: status = real.Destroy(); model_.Release(w); break;
      default: { SAFEARRAY* a = Fresh(); *&real = a; model_.Release(w); model_.holders[w] = {model_.Add(a, tag_), 0}; }
    }
    EXPECT_EQ(status, expected) << "op " << op;
    return true;
  }
  void ExpectModel() {
    for (std::size_t w = 0; w < real_.size(); ++w) {
      const int held = model_.holders[w].array;
      SAFEARRAY* const real = *real_[w];
      if (held < 0) {
        EXPECT_EQ(real, nullptr) << "wrapper " << w;
        continue;
      }
      const Model::Array& a = model_.arrays[static_cast<std::size_t>(held)];
      EXPECT_EQ(real, a.real) << "wrapper " << w;
      ASSERT_TRUE(a.live) << "wrapper " << w << " holds a freed array";
    }
    for (const Model::Array& a : model_.arrays) {
      if (a.live) {
        EXPECT_EQ(a.real->cLocks, a.locks);
      }
    }
  }

  Model model_;
  std::array<Wrapper, 3> real_{Wrapper(std::in_place), Wrapper(std::in_place), Wrapper(std::in_place)};
  BYTE tag_ = 0;
};

TEST_F(SafeArrayRandomTest, SequencesMatchTheModel) {
  std::mt19937 random(20240613);
  for (int sequence = 0; sequence < 300 && !HasFailure(); ++sequence) {
    for (int step = 0; step < 40 && !HasFailure(); ++step) {
      const std::size_t op = random() % 11;
      const std::size_t w = random() % 3;
      const std::size_t o = random() % 3;
      const UINT dim = 1 + random() % 2;
      SCOPED_TRACE(::testing::Message() << "sequence " << sequence << " step " << step);
      if (Step(op, w, o, dim)) ExpectModel();
    }
    for (std::size_t w = 0; w < real_.size(); ++w) {
      real_[w].reset();
      real_[w].emplace();
      model_.Release(w);
    }
    for (const Model::Array& a : model_.arrays) EXPECT_FALSE(a.live) << "an array outlived its wrappers";
    model_.arrays.clear();
  }
}

}  // namespace
