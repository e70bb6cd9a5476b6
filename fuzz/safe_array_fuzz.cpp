// CSafeArray under a sequence of members decoded from the input, on three
// wrappers, against a model of who holds which array with how many locks.
// Arrays are made from the input: byte vectors and 2-D byte arrays with any
// lower bounds (near both ends of the 32-bit range too), string vectors,
// 4-byte integer vectors. After each member:
//   * its status, bounds, type and bytes are the model's;
//   * every live array's lock count is the sum of the locks that the
//     wrappers holding it count, and an array lives exactly as long as some
//     wrapper holds it (none is lost, none freed under a holder).
// The sequence keeps the one rule the class leaves to its callers: a
// wrapper that shares its array is never unlocked down to 0.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include <zelu/automation/safe_array.h>
#include <zelu/platform/oleaut/oleaut.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::ByteReader;
using zelu::fuzz::Check;

constexpr int kWrappers = 3;
constexpr int kNewWrapper = kWrappers;  // the model of a wrapper being constructed
constexpr ULONG kMostElements = 24;

struct Bound {
  LONG lower;
  ULONG count;
};

struct ArrayModel {
  SAFEARRAY* pointer;
  VARTYPE type;
  std::vector<Bound> bounds;       // dimension 1 first
  std::vector<unsigned char> bytes;  // the data of a byte array
  bool alive = true;
};

struct WrapperModel {
  int array = -1;  // index into the arrays; -1: Empty
  LONG locks = 0;
};

class Harness {
 public:
  explicit Harness(ByteReader& input) : input_(input) {
    for (auto& wrapper : wrappers_) wrapper = std::make_unique<CSafeArray>();
  }

  void Step() {
    const unsigned op = input_.Byte();
    const int w = static_cast<int>(op / 12 % kWrappers);
    const int other = static_cast<int>(op / 36 % kWrappers);
    switch (op % 12) {
      case 0: Assign(w); break;
      case 1: Construct(w); break;
      case 2: Share(w, other); break;
      case 3: CopyConstruct(w, other); break;
      case 4: Address(w); break;
      case 5: Check(wrappers_[w]->Destroy() == 0); LetGo(w); break;
      case 6: Access(w); break;
      case 7: Unaccess(w); break;
      case 8: Bounds(w); break;
      case 9: VarType(w); break;
      case 10: GetData(w); break;
      default: CopyFrom(w, other); break;
    }
    CheckInvariants();
  }

 private:
  // A new array from the input, its data filled, unlocked.
  int NewArray() {
    const unsigned shape = input_.Byte();
    ArrayModel array{nullptr, VT_UI1, {}, {}};
    array.type = shape % 4 == 2 ? VT_BSTR : shape % 4 == 3 ? VT_I4 : VT_UI1;
    const int dims = shape % 4 == 1 ? 2 : 1;
    std::vector<SAFEARRAYBOUND> bounds;
    for (int d = 0; d < dims; ++d) {
      const Bound bound{static_cast<LONG>(input_.Word()), input_.Byte() % (kMostElements + 1)};
      array.bounds.push_back(bound);
      bounds.push_back({bound.count, bound.lower});
    }
    array.pointer = SafeArrayCreate(array.type, static_cast<UINT>(dims), bounds.data());
    Check(array.pointer != nullptr);
    Fill(array);
    arrays_.push_back(array);
    return static_cast<int>(arrays_.size() - 1);
  }

  void Fill(ArrayModel& array) {
    std::size_t elements = 1;
    for (const Bound& bound : array.bounds) elements *= bound.count;
    void* data = nullptr;
    Check(SafeArrayAccessData(array.pointer, &data) == S_OK);
    if (array.type == VT_UI1) {
      array.bytes.resize(elements);
      for (auto& byte : array.bytes) byte = input_.Byte();
      if (elements != 0) std::memcpy(data, array.bytes.data(), elements);
    } else if (array.type == VT_BSTR) {
      const WCHAR text[] = {'e', 'l', 'e', 'm', 0};
      auto* strings = static_cast<BSTR*>(data);
      for (std::size_t i = 0; i < elements; ++i) strings[i] = i % 2 == 0 ? SysAllocString(text) : nullptr;
    }
    Check(SafeArrayUnaccessData(array.pointer) == S_OK);
  }

  WrapperModel& Model(int w) { return models_[static_cast<std::size_t>(w)]; }
  ArrayModel& ArrayOf(int w) { return arrays_[static_cast<std::size_t>(Model(w).array)]; }

  // The locks on `array` that the wrappers count, and how many hold it.
  LONG LocksOn(int array) const {
    LONG locks = 0;
    for (const WrapperModel& m : models_) locks += m.array == array ? m.locks : 0;
    return locks;
  }
  int HoldersOf(int array) const {
    return static_cast<int>(std::count_if(std::begin(models_), std::end(models_),
                                          [&](const WrapperModel& m) { return m.array == array; }));
  }

  // What letting go does: the wrapper's own locks undone while the array is
  // locked at all, then the array destroyed unless someone still locks it.
  void LetGo(int w) {
    WrapperModel& model = Model(w);
    if (model.array >= 0) {
      const LONG undone = std::max(0, std::min(model.locks, LocksOn(model.array)));
      ArrayOf(w).alive = LocksOn(model.array) - undone != 0;
    }
    model = {};
  }

  // The wrapper takes `array` as its own, with one lock.
  void Take(int w, int array) {
    LetGo(w);
    Model(w) = {array, 1};
  }

  void Assign(int w) {
    if (Model(w).array >= 0 && input_.Byte() % 4 == 0) {  // its own array: nothing changes
      *wrappers_[w] = static_cast<SAFEARRAY*>(*wrappers_[w]);
      return;
    }
    const int array = NewArray();
    *wrappers_[w] = arrays_[static_cast<std::size_t>(array)].pointer;
    Take(w, array);
  }

  void Construct(int w) {
    const int array = NewArray();
    wrappers_[w] = std::make_unique<CSafeArray>(arrays_[static_cast<std::size_t>(array)].pointer);
    Take(w, array);
  }

  // The model of sharing `other`'s array into `w` (facts 2 and 3).
  void ShareModel(int w, int other) {
    const int shared = Model(other).array;
    if (shared >= 0 && shared == Model(w).array) return;
    if (shared >= 0 && Model(other).locks <= 0) ++Model(other).locks;
    if (shared < 0) {
      LetGo(w);
    } else {
      Take(w, shared);
    }
  }

  void Share(int w, int other) {
    *wrappers_[w] = *wrappers_[other];
    ShareModel(w, other);
  }

  // A new wrapper sharing `other`'s array replaces wrapper `w`, which lets
  // go of its own array only after that.
  void CopyConstruct(int w, int other) {
    auto copy = std::make_unique<CSafeArray>(*wrappers_[other]);
    ShareModel(kNewWrapper, other);
    wrappers_[w] = std::move(copy);
    LetGo(w);
    Model(w) = std::exchange(Model(kNewWrapper), {});
  }

  void Address(int w) {
    SAFEARRAY** place = &*wrappers_[w];
    LetGo(w);
    Check(*place == nullptr);
    if (input_.Byte() % 2 == 0) return;
    const int array = NewArray();
    *place = arrays_[static_cast<std::size_t>(array)].pointer;
    Model(w) = {array, 0};
  }

  void Access(int w) {
    void* data = nullptr;
    const bool null_out = input_.Byte() % 8 == 0;
    const LONG status = wrappers_[w]->AccessData(null_out ? nullptr : &data);
    if (Model(w).array < 0) {
      Check(status == E_POINTER);
    } else if (null_out) {
      Check(status == E_INVALIDARG);
    } else {
      Check(status == S_OK && data == ArrayOf(w).pointer->pvData);
      ++Model(w).locks;
    }
  }

  void Unaccess(int w) {
    if (Model(w).array < 0) {
      Check(wrappers_[w]->UnaccessData() == E_POINTER);
      return;
    }
    if (HoldersOf(Model(w).array) > 1 && Model(w).locks <= 1) return;  // the callers' rule
    const bool locked = ArrayOf(w).pointer->cLocks > 0;
    Check(wrappers_[w]->UnaccessData() == (locked ? S_OK : E_UNEXPECTED));
    if (locked) --Model(w).locks;
  }

  // The bound of `dim` in the model, with the 32-bit wrap of the upper one.
  static LONG Upper(const Bound& bound) {
    return static_cast<LONG>(static_cast<ULONG>(bound.lower) + bound.count - 1u);
  }

  void Bounds(int w) {
    const UINT dim = input_.Byte() % 4;
    const bool null_out = input_.Byte() % 8 == 0;
    LONG lower = 12345;
    long upper = 12345;
    const LONG lower_status = wrappers_[w]->GetLBound(null_out ? nullptr : &lower, dim);
    const LONG upper_status = wrappers_[w]->GetUBound(null_out ? nullptr : &upper, dim);
    LONG expected = S_OK;
    if (Model(w).array < 0) {
      expected = E_POINTER;
    } else if (null_out) {
      expected = E_INVALIDARG;
    } else if (dim == 0 || dim > ArrayOf(w).bounds.size()) {
      expected = DISP_E_BADINDEX;
    }
    Check(lower_status == expected && upper_status == expected);
    if (expected != S_OK) {
      Check(lower == 12345 && upper == 12345);
      return;
    }
    const Bound& bound = ArrayOf(w).bounds[dim - 1];
    Check(lower == bound.lower && upper == Upper(bound));
  }

  void VarType(int w) {
    unsigned short type = 0xFFFF;
    const LONG status = wrappers_[w]->GetVarType(&type);
    Check(Model(w).array < 0 ? status == E_POINTER && type == 0xFFFF : status == S_OK && type == ArrayOf(w).type);
  }

  void GetData(int w) {
    const UINT dim = input_.Byte() % 4;
    CByteArray bytes;
    bytes.Add(0x5A);
    const LONG status = wrappers_[w]->GetData(bytes, dim);
    LONG expected = S_OK;
    std::size_t count = 0;
    if (Model(w).array < 0) {
      expected = E_POINTER;
    } else if (ArrayOf(w).type != VT_UI1) {
      expected = E_INVALIDARG;
    } else if (dim == 0 || dim > ArrayOf(w).bounds.size()) {
      expected = DISP_E_BADINDEX;
    } else {
      count = ArrayOf(w).bounds[dim - 1].count;
      if (count > ArrayOf(w).bytes.size()) expected = E_INVALIDARG;
    }
    Check(status == expected);
    if (expected != S_OK) {
      Check(bytes.GetSize() == 1 && bytes[0] == 0x5A);
      return;
    }
    Check(static_cast<std::size_t>(bytes.GetSize()) == count &&
          std::equal(ArrayOf(w).bytes.begin(), ArrayOf(w).bytes.begin() + static_cast<std::ptrdiff_t>(count),
                     bytes.GetData()));
  }

  // Copy of another wrapper's array, its own, or of nothing.
  void CopyFrom(int w, int other) {
    const int source = Model(other).array;
    const LONG status = wrappers_[w]->Copy(source < 0 ? nullptr : arrays_[static_cast<std::size_t>(source)].pointer);
    LetGo(w);
    Check(status == (source < 0 ? E_INVALIDARG : S_OK));
    if (source < 0) return;
    ArrayModel copy = arrays_[static_cast<std::size_t>(source)];
    copy.pointer = static_cast<SAFEARRAY*>(*wrappers_[w]);
    copy.alive = true;  // the source may have been the array just let go
    Check(copy.pointer != nullptr && copy.pointer != arrays_[static_cast<std::size_t>(source)].pointer);
    arrays_.push_back(copy);
    Model(w) = {static_cast<int>(arrays_.size() - 1), 0};
  }

  void CheckInvariants() {
    for (std::size_t a = 0; a < arrays_.size(); ++a) {
      LONG locks = 0;
      int holders = 0;
      for (int w = 0; w < kWrappers; ++w) {
        if (Model(w).array != static_cast<int>(a)) continue;
        ++holders;
        locks += Model(w).locks;
        Check(static_cast<SAFEARRAY*>(*wrappers_[w]) == arrays_[a].pointer);
      }
      Check(arrays_[a].alive == (holders > 0));
      if (arrays_[a].alive) Check(arrays_[a].pointer->cLocks == static_cast<ULONG>(locks));
    }
    for (int w = 0; w < kWrappers; ++w) {
      if (Model(w).array < 0) Check(static_cast<SAFEARRAY*>(*wrappers_[w]) == nullptr);
    }
  }

  ByteReader& input_;
  std::unique_ptr<CSafeArray> wrappers_[kWrappers];
  WrapperModel models_[kWrappers + 1];
  std::vector<ArrayModel> arrays_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  ByteReader input(data, size);
  Harness harness(input);
  while (!input.AtEnd()) harness.Step();
  return 0;
}
