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
Events Access(LONG status, int line) { return Traced("CSafeArray::AccessData", 98, status, line); }
Events Unaccess(LONG status, int line) { return Traced("CSafeArray::UnaccessData", 145, status, line); }
Events LBound(LONG status, int line) { return Traced("CSafeArray::GetLBound", 115, status, line); }
Events UBound(LONG status, int line) { return Traced("CSafeArray::GetUBound", 130, status, line); }
Events Data(LONG status, int line, const Events& nested = {}) {
  return Traced("CSafeArray::GetDataAsBytes", 176, status, line, nested);
}
Events Copied(LONG status, int line, const Events& nested) {
  return Traced("CSafeArray::Copy(SAFEARRAY)", 215, status, line, nested);
}
Events Locked() { return Access(S_OK, 107); }
Events Unlocked() { return Unaccess(S_OK, 154); }
Events Destroy(int unlocks = 0, const Events& more = {}) {
  Events nested;
  for (int i = 0; i < unlocks; ++i) nested = Join({nested, Unlocked()});
  return Traced("CSafeArray::Destroy", 76, S_OK, 90, Join({nested, more}));
}
// What GetData nests when it reads both bounds, and when the first fails.
Events ReadBounds() { return Join({Locked(), LBound(S_OK, 122), UBound(S_OK, 137), Unlocked()}); }
Events BadDimension() { return Join({Locked(), LBound(DISP_E_BADINDEX, 120), Unlocked()}); }

// The wrapper's own lock count, read from the trace of its Destroy (which
// leaves it Empty).
int LocksUndoneByDestroy(CSafeArray& wrapper) {
  TraceRecorder recorder;
  EXPECT_EQ(wrapper.Destroy(), S_OK);
  const auto unlocks = static_cast<int>((recorder.Lines().size() - Destroy().size()) / Unlocked().size());
  EXPECT_EQ(recorder.Lines(), Destroy(unlocks));
  EXPECT_EQ(static_cast<SAFEARRAY*>(wrapper), nullptr);
  return unlocks;
}

// ---- Every member and every transition, from a given state.

enum class Start { kNoWrapper, kEmpty, kUnlocked, kLocked, kLockedTwice };
enum class Made { kVector, kEmptyVector, kShorts, kUntyped, kGrid, kHollowGrid };
enum class Held { kNothing, kStartArray, kFreshArray, kNewArray };

SAFEARRAY* Make(Made made) {
  switch (made) {
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

struct Out { LONG value = -7; Bytes bytes = {9, 9}; };  // what a call stored
bool operator==(const Out& a, const Out& b) { return a.value == b.value && a.bytes == b.bytes; }
const Out kUntouched;
Out Value(LONG value) { return {value, {9, 9}}; }
Out Got(Bytes bytes) { return {-7, std::move(bytes)}; }

// `fresh` is a new array the action may hand to the wrapper.
using Action = std::function<LONG(Wrapper& w, SAFEARRAY* fresh, Out& out)>;
struct Row {
  std::string name; Start start; Made made; Action act; LONG status; Events trace; Held held; int locks; Out out;
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class SafeArrayMemberTest : public ::testing::TestWithParam<Row> {};

TEST_P(SafeArrayMemberTest, StatusTraceHeldArrayAndLocks) {
  const Row& row = GetParam();
  SAFEARRAY* const start = row.start >= Start::kUnlocked ? Make(row.made) : nullptr;
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
// array's lock count saturated for the length of the call.
Action On(std::function<LONG(CSafeArray&, Out&)> call, bool saturated = false) {
  return [call, saturated](Wrapper& w, SAFEARRAY*, Out& out) {
    if (!saturated) return call(*w, out);
    SAFEARRAY* const array = *w;
    const ULONG locks = array->cLocks;
    array->cLocks = kEveryLock;
    const LONG status = call(*w, out);
    array->cLocks = locks;
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
// Through the `long` forms when `as_long`.
std::function<LONG(CSafeArray&, Out&)> Bound(BOOL upper, UINT dim, bool as_long = false) {
  return [=](CSafeArray& w, Out& out) {
    long wide = -7;
    const LONG status = as_long ? (upper ? w.GetUBound(&wide, dim) : w.GetLBound(&wide, dim))
                                : (upper ? w.GetUBound(&out.value, dim) : w.GetLBound(&out.value, dim));
    if (as_long) out.value = static_cast<LONG>(wide);
    return status;
  };
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
LONG Unlock(CSafeArray& w, Out&) { return w.UnaccessData(); }

constexpr auto kE = Start::kEmpty;
constexpr auto kU = Start::kUnlocked;
constexpr auto kL = Start::kLocked;
constexpr auto kL2 = Start::kLockedTwice;
constexpr auto kV = Made::kVector;
const Out kNone = kUntouched;

INSTANTIATE_TEST_SUITE_P(Table, SafeArrayMemberTest, ::testing::ValuesIn(std::vector<Row>{
    // Construction, assignment, operator&, Destroy.
    {"DefaultConstruction", Start::kNoWrapper, kV, Do([](Wrapper& w, SAFEARRAY*) { w.emplace(); }), S_OK, {},
     Held::kNothing, 0, kNone},
    {"ConstructionFromNull", Start::kNoWrapper, kV, Do([](Wrapper& w, SAFEARRAY*) { w.emplace(kNull); }), S_OK,
     Join({Destroy(), Access(E_POINTER, 100)}), Held::kNothing, 0, kNone},
    {"ConstructionFromArray", Start::kNoWrapper, kV, Do([](Wrapper& w, SAFEARRAY* a) { w.emplace(a); }), S_OK,
     Join({Destroy(), Locked()}), Held::kFreshArray, 1, kNone},
    {"ConstructionWhoseLockFails", Start::kNoWrapper, kV,
     Do([](Wrapper& w, SAFEARRAY* a) { a->cLocks = kEveryLock; w.emplace(a); a->cLocks = 0; }), S_OK,
     Join({Destroy(), Access(E_UNEXPECTED, 103)}), Held::kFreshArray, 0, kNone},
    {"Destruction", kL2, kV, Do([](Wrapper& w, SAFEARRAY*) { w.reset(); w.emplace(); }), S_OK, Destroy(2),
     Held::kNothing, 0, kNone},
    {"DestroyEmpty", kE, kV, On([](CSafeArray& w, Out&) { return w.Destroy(); }), S_OK, Destroy(), Held::kNothing, 0,
     kNone},
    {"DestroyUnlocked", kU, kV, On([](CSafeArray& w, Out&) { return w.Destroy(); }), S_OK, Destroy(),
     Held::kNothing, 0, kNone},
    {"DestroyLockedTwice", kL2, kV, On([](CSafeArray& w, Out&) { return w.Destroy(); }), S_OK, Destroy(2),
     Held::kNothing, 0, kNone},
    // Somebody unlocked the array behind the wrapper's back: the failing
    // unlock ends the unlocking, and the array, unlocked, is freed.
    {"DestroyStopsAtAFailingUnlock", kL2, kV,
     On([](CSafeArray& w, Out&) { SafeArrayUnaccessData(w); return w.Destroy(); }), S_OK,
     Destroy(1, Unaccess(E_UNEXPECTED, 150)), Held::kNothing, 0, kNone},
    // Somebody else still locks the array: Destroy forgets it, they free it.
    {"DestroyForgetsAnArrayLockedElsewhere", kL, kV, On([](CSafeArray& w, Out& out) {
       SAFEARRAY* const array = w;
       SafeArrayLock(array);
       w.Destroy();
       out.value = static_cast<LONG>(array->cLocks);
       SafeArrayUnlock(array);
       return SafeArrayDestroy(array);
     }), S_OK, Destroy(1), Held::kNothing, 0, Value(1)},
    {"AssignNull", kL, kV, Do([](Wrapper& w, SAFEARRAY*) { *w = kNull; }), S_OK,
     Join({Destroy(1), Access(E_POINTER, 100)}), Held::kNothing, 0, kNone},
    {"AssignArrayToEmpty", kE, kV, Do([](Wrapper& w, SAFEARRAY* a) { *w = a; }), S_OK, Join({Destroy(), Locked()}),
     Held::kFreshArray, 1, kNone},
    {"AssignArrayToLocked", kL2, kV, Do([](Wrapper& w, SAFEARRAY* a) { *w = a; }), S_OK,
     Join({Destroy(2), Locked()}), Held::kFreshArray, 1, kNone},
    {"AssignHeldPointer", kL2, kV, Do([](Wrapper& w, SAFEARRAY*) { *w = static_cast<SAFEARRAY*>(*w); }), S_OK, {},
     Held::kStartArray, 2, kNone},
    {"AssignHeldPointerUnlocked", kU, kV, Do([](Wrapper& w, SAFEARRAY*) { *w = static_cast<SAFEARRAY*>(*w); }),
     S_OK, {}, Held::kStartArray, 0, kNone},
    {"AssignItself", kU, kV, Do([](Wrapper& w, SAFEARRAY*) { *w = *w; }), S_OK, {}, Held::kStartArray, 0, kNone},
    {"AssignEmptyItself", kE, kV, Do([](Wrapper& w, SAFEARRAY*) { *w = *w; }), S_OK,
     Join({Destroy(), Access(E_POINTER, 100)}), Held::kNothing, 0, kNone},
    {"AddressOfEmpty", kE, kV, Do([](Wrapper& w, SAFEARRAY* a) { *&*w = a; }), S_OK, {}, Held::kFreshArray, 0,
     kNone},
    {"AddressOfLockedReleasesFirst", kL2, kV, Do([](Wrapper& w, SAFEARRAY* a) {
       SAFEARRAY** out = &*w;
       EXPECT_EQ(*out, nullptr);
       *out = a;
     }), S_OK, Destroy(2), Held::kFreshArray, 0, kNone},
    // Copy.
    {"CopyOverLocked", kL, kV, Do([](Wrapper& w, SAFEARRAY* a) { EXPECT_EQ(w->Copy(a), S_OK); }), S_OK,
     Copied(S_OK, 223, Destroy(1)), Held::kNewArray, 0, kNone},
    {"CopyOwnArray", kL2, kV, On([](CSafeArray& w, Out& out) {
       EXPECT_EQ(w.Copy(w), S_OK);
       return ReadData(w, out, 1);
     }), S_OK,
     Join({Copied(S_OK, 223, Destroy(2)), Data(S_OK, 207, ReadBounds())}), Held::kNewArray, 0,
     Got({10, 20, 30, 40, 50})},
    {"CopyNull", kL, kV, On([](CSafeArray& w, Out&) { return w.Copy(nullptr); }), E_INVALIDARG,
     Copied(E_INVALIDARG, 221, Destroy(1)), Held::kNothing, 0, kNone},
    // The lock members.
    {"AccessDataNullOut", kL, kV, On([](CSafeArray& w, Out&) { return w.AccessData(nullptr); }), E_INVALIDARG,
     Access(E_INVALIDARG, 103), Held::kStartArray, 1, kNone},
    {"AccessDataRefused", kL, kV, On(LockAndCheckData, true), E_UNEXPECTED, Access(E_UNEXPECTED, 103),
     Held::kStartArray, 1, Value(0)},
    {"AccessData", kL, kV, On(LockAndCheckData), S_OK, Locked(), Held::kStartArray, 2, Value(1)},
    {"UnaccessLastLock", kL, kV, On(Unlock), S_OK, Unlocked(), Held::kStartArray, 0, kNone},
    {"UnaccessUnlocked", kU, kV, On(Unlock), E_UNEXPECTED, Unaccess(E_UNEXPECTED, 150), Held::kStartArray, 0,
     kNone},
    // Bounds and type.
    {"LBoundDimensionZero", kL, kV, On(Bound(false, 0)), DISP_E_BADINDEX, LBound(DISP_E_BADINDEX, 120),
     Held::kStartArray, 1, kNone},
    {"LBoundNullOut", kL, kV, On([](CSafeArray& w, Out&) { return w.GetLBound(static_cast<LONG*>(nullptr), 1); }),
     E_INVALIDARG, LBound(E_INVALIDARG, 120), Held::kStartArray, 1, kNone},
    {"LBound", kL, kV, On(Bound(false, 1)), S_OK, LBound(S_OK, 122), Held::kStartArray, 1, Value(1)},
    {"LBoundAsLong", kL, kV, On(Bound(false, 1, true)), S_OK, LBound(S_OK, 122), Held::kStartArray, 1, Value(1)},
    {"LBoundAsLongNullOut", kL, kV,
     On([](CSafeArray& w, Out&) { return w.GetLBound(static_cast<long*>(nullptr), 1); }), E_INVALIDARG,
     LBound(E_INVALIDARG, 120), Held::kStartArray, 1, kNone},
    {"UBoundDimensionTwoOfVector", kL, kV, On(Bound(true, 2)), DISP_E_BADINDEX, UBound(DISP_E_BADINDEX, 135),
     Held::kStartArray, 1, kNone},
    {"UBound", kL, kV, On(Bound(true, 1)), S_OK, UBound(S_OK, 137), Held::kStartArray, 1, Value(5)},
    {"UBoundAsLong", kL, kV, On(Bound(true, 1, true)), S_OK, UBound(S_OK, 137), Held::kStartArray, 1, Value(5)},
    {"UBoundOfEmptyVector", kL, Made::kEmptyVector, On(Bound(true, 1)), S_OK, UBound(S_OK, 137), Held::kStartArray,
     1, Value(2)},
    {"VarType", kL, kV, On(ReadType), S_OK, {}, Held::kStartArray, 1, Value(VT_UI1)},
    {"VarTypeUnreadable", kL, Made::kUntyped, On(ReadType), E_INVALIDARG, {}, Held::kStartArray, 1, Value(0)},
    // GetData.
    {"DataOfShorts", kL, Made::kShorts, On(DataOf(1)), E_INVALIDARG, Data(E_INVALIDARG, 183), Held::kStartArray, 1,
     kNone},
    {"DataOfUnreadableType", kL, Made::kUntyped, On(DataOf(1)), E_INVALIDARG, Data(E_INVALIDARG, 183),
     Held::kStartArray, 1, kNone},
    {"DataLockRefused", kL, kV, On(DataOf(1), true), E_UNEXPECTED, Data(E_UNEXPECTED, 187, Access(E_UNEXPECTED, 103)),
     Held::kStartArray, 1, kNone},
    {"DataDimensionZero", kL, kV, On(DataOf(0)), DISP_E_BADINDEX, Data(DISP_E_BADINDEX, 205, BadDimension()),
     Held::kStartArray, 1, kNone},
    {"DataDimensionTwoOfVector", kL, kV, On(DataOf(2)), DISP_E_BADINDEX, Data(DISP_E_BADINDEX, 205, BadDimension()),
     Held::kStartArray, 1, kNone},
    {"DataOfVector", kL2, kV, On(DataOf(1)), S_OK, Data(S_OK, 207, ReadBounds()), Held::kStartArray, 2,
     Got({10, 20, 30, 40, 50})},
    {"DataOfUnlockedVector", kU, kV, On(DataOf(1)), S_OK, Data(S_OK, 207, ReadBounds()), Held::kStartArray, 0,
     Got({10, 20, 30, 40, 50})},
    {"DataOfEmptyVector", kL, Made::kEmptyVector, On(DataOf(1)), S_OK, Data(S_OK, 207, ReadBounds()),
     Held::kStartArray, 1, Got({})},
    {"DataOfGridFirstDimension", kL, Made::kGrid, On(DataOf(1)), S_OK, Data(S_OK, 207, ReadBounds()),
     Held::kStartArray, 1, Got({1, 2})},
    {"DataOfGridSecondDimension", kL, Made::kGrid, On(DataOf(2)), S_OK, Data(S_OK, 207, ReadBounds()),
     Held::kStartArray, 1, Got({1, 2, 3})},
    // Four elements in dimension 1, none in dimension 2: the data holds nothing.
    {"DataBeyondHollowGrid", kL, Made::kHollowGrid, On(DataOf(1)), E_INVALIDARG,
     Data(E_INVALIDARG, 205, ReadBounds()), Held::kStartArray, 1, kNone},
    {"DataOfHollowGridEmptyDimension", kL, Made::kHollowGrid, On(DataOf(2)), S_OK, Data(S_OK, 207, ReadBounds()),
     Held::kStartArray, 1, Got({})},
}), zelu::testing::CaseName());

// Every member that returns a status, on an Empty wrapper.
TEST(SafeArrayEmptyTest, EveryStatusIsNoArrayButDestroys) {
  CSafeArray w;
  TraceRecorder recorder;
  void* data = nullptr;
  LONG bound = -7;
  long wide = -7;
  VARTYPE type = 0;
  CByteArray bytes;
  bytes.SetSize(1);
  EXPECT_EQ(w.AccessData(&data), E_POINTER);
  EXPECT_EQ(w.UnaccessData(), E_POINTER);
  EXPECT_EQ(w.GetLBound(&bound, 1), E_POINTER);
  EXPECT_EQ(w.GetUBound(&wide, 1), E_POINTER);
  EXPECT_EQ(w.GetVarType(&type), E_POINTER);
  EXPECT_EQ(w.GetData(bytes, 1), E_POINTER);
  EXPECT_EQ(w.Destroy(), S_OK);
  EXPECT_EQ(recorder.Lines(), Join({Access(E_POINTER, 100), Unaccess(E_POINTER, 147), LBound(E_POINTER, 117),
                                    UBound(E_POINTER, 132), Data(E_POINTER, 178), Destroy()}));
  EXPECT_TRUE(data == nullptr && bound == -7 && wide == -7 && type == 0 && bytes.GetSize() == 1);
}

// ---- Sharing.

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
        Out out;
        EXPECT_EQ(ReadData(*last, out, 1), S_OK);
        EXPECT_EQ(out.bytes, (Bytes{4, 5, 6}));
        EXPECT_EQ(LocksUndoneByDestroy(*last), 1);
      }
    }
  }
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
          const Bytes content = {model_.arrays[static_cast<std::size_t>(held)].tag, 0};
          EXPECT_EQ(Bytes(bytes.GetData(), bytes.GetData() + bytes.GetSize()), content);
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
