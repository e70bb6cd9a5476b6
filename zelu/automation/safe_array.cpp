#include <zelu/automation/safe_array.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include <zelu/platform/trace/scope_log.h>

namespace {

// What the members hand to the tracer: the source file name and line numbers
// under which the members are known in the trace, not lines of this file.
constexpr char kTraceFile[] = "SafeArray";
constexpr char kTraceModule[] = "ZELUSTRING";

// A traced member that calls one platform service on the array: its entry
// line, and the exit lines for no array, a failing service and success.
struct ServiceTrace {
  const char* function;
  int entry;
  int no_array;
  int failed;
  int succeeded;
};

constexpr ServiceTrace kAccessDataTrace{"CSafeArray::AccessData", 98, 100, 103, 107};
constexpr ServiceTrace kGetLBoundTrace{"CSafeArray::GetLBound", 115, 117, 120, 122};
constexpr ServiceTrace kGetUBoundTrace{"CSafeArray::GetUBound", 130, 132, 135, 137};
constexpr ServiceTrace kUnaccessDataTrace{"CSafeArray::UnaccessData", 145, 147, 150, 154};

constexpr char kDestroyFunction[] = "CSafeArray::Destroy";
constexpr int kDestroyLine = 76;
constexpr int kDestroyedLine = 90;

constexpr char kGetDataFunction[] = "CSafeArray::GetDataAsBytes";
constexpr int kGetDataLine = 176;
constexpr int kGetDataNoArrayLine = 178;
constexpr int kGetDataWrongTypeLine = 183;
constexpr int kGetDataLockFailedLine = 187;
constexpr int kGetDataFailedLine = 205;
constexpr int kGetDataSucceededLine = 207;

constexpr char kCopyFunction[] = "CSafeArray::Copy(SAFEARRAY)";
constexpr int kCopyLine = 215;
constexpr int kCopyFailedLine = 221;
constexpr int kCopiedLine = 223;

// The lock count is a LONG: a wrapper refuses the lock (or unlock) that
// would take it past the type's range, as the platform does at its own limit.
constexpr LONG kMostLocks = INT_MAX;
constexpr LONG kFewestLocks = INT_MIN;

// Records the exit at `line` and gives `status` back for the return.
LONG ExitWith(CScopeLog& scope, LONG status, int line) {
  scope.RecordExit(status, 0, line, 1);
  return status;
}

// Opens the member's scope, then E_POINTER without an array, else the
// status of `service` on the array, each recorded at its own line.
template <typename Service>
LONG TracedService(const ServiceTrace& trace, SAFEARRAY* array, Service service) {
  CScopeLog scope(trace.function, kTraceFile, trace.entry, kTraceModule, nullptr);
  if (array == nullptr) return ExitWith(scope, E_POINTER, trace.no_array);
  const HRESULT status = service(array);
  return ExitWith(scope, status, FAILED(status) ? trace.failed : trace.succeeded);
}

// One traced lock whose data pointer nobody needs.
LONG Lock(CSafeArray& wrapper) {
  void* data = nullptr;
  return wrapper.AccessData(&data);
}

// Element count of dimension `dim`, from its bounds in 32-bit arithmetic
// (upper = lower + count - 1 modulo 2^32, so this gives the count back).
ULONG Extent(LONG lower, LONG upper) { return static_cast<ULONG>(upper) - static_cast<ULONG>(lower) + 1u; }

// The bytes the array's data holds, or INT_MAX (the most a CByteArray
// counts) when that is less.
std::uint64_t HeldBytes(SAFEARRAY* array) {
  constexpr std::uint64_t kMostBytes = INT_MAX;
  std::uint64_t bytes = std::min<std::uint64_t>(SafeArrayGetElemsize(array), kMostBytes);
  const UINT dims = SafeArrayGetDim(array);
  for (UINT dim = 1; dim <= dims; ++dim) {
    LONG lower = 0;
    LONG upper = 0;
    static_cast<void>(SafeArrayGetLBound(array, dim, &lower));
    static_cast<void>(SafeArrayGetUBound(array, dim, &upper));
    const std::uint64_t extent = Extent(lower, upper);
    if (extent == 0) return 0;
    bytes = std::min(bytes * extent, kMostBytes);  // < 2^31 * 2^32: no overflow
  }
  return bytes;
}

// Reads the bounds of `dim` through the wrapper's traced members and, when
// both are read and the data holds that many bytes, replaces `bytes` with the
// first U - L + 1 bytes of `data`. Returns the failure or S_OK.
LONG CopyExtent(CSafeArray& wrapper, const void* data, UINT dim, CByteArray& bytes) {
  LONG lower = 0;
  LONG upper = 0;
  LONG status = wrapper.GetLBound(&lower, dim);
  if (SUCCEEDED(status)) status = wrapper.GetUBound(&upper, dim);
  if (FAILED(status)) return status;
  const ULONG count = Extent(lower, upper);
  if (count > HeldBytes(wrapper)) return E_INVALIDARG;
  bytes.SetSize(0, -1);
  bytes.SetSize(static_cast<int>(count), -1);
  if (count != 0) std::memcpy(bytes.GetData(), data, count);
  return S_OK;
}

using BoundReader = LONG (CSafeArray::*)(LONG*, UINT);

// A bound read into a LONG, then stored through a `long` pointer on success.
LONG ReadBoundAsLong(CSafeArray& wrapper, BoundReader read, long* bound, UINT dim) {
  LONG value = 0;
  const LONG status = (wrapper.*read)(bound != nullptr ? &value : nullptr, dim);
  if (SUCCEEDED(status)) *bound = value;
  return status;
}

}  // namespace

CSafeArray::CSafeArray() { InternalInit(); }

CSafeArray::CSafeArray(SAFEARRAY* psa) {
  InternalInit();
  *this = psa;
}

CSafeArray::CSafeArray(CSafeArray& other) {
  InternalInit();
  *this = other;
}

CSafeArray::~CSafeArray() { Destroy(); }

CSafeArray& CSafeArray::operator=(SAFEARRAY* psa) {
  if (psa != nullptr && psa == m_pSafeArray) return *this;
  Destroy();
  m_pSafeArray = psa;
  static_cast<void>(Lock(*this));
  return *this;
}

CSafeArray& CSafeArray::operator=(CSafeArray& other) {
  SAFEARRAY* const shared = other.m_pSafeArray;
  if (shared != nullptr && shared != m_pSafeArray && other.m_nLockCount <= 0) static_cast<void>(Lock(other));
  return *this = shared;
}

SAFEARRAY** CSafeArray::operator&() {
  if (m_pSafeArray != nullptr) Destroy();
  return &m_pSafeArray;
}

CSafeArray::operator SAFEARRAY*() noexcept { return m_pSafeArray; }

void CSafeArray::InternalInit() {
  m_pSafeArray = nullptr;
  m_nLockCount = 0;
}

LONG CSafeArray::Destroy() {
  CScopeLog scope(kDestroyFunction, kTraceFile, kDestroyLine, kTraceModule, nullptr);
  // A failing unlock leaves the count where it is: stop there.
  while (m_nLockCount > 0 && SUCCEEDED(UnaccessData())) {
  }
  m_nLockCount = 0;
  if (m_pSafeArray != nullptr) {
    static_cast<void>(SafeArrayDestroy(m_pSafeArray));  // refused while someone else locks it
    m_pSafeArray = nullptr;
  }
  return ExitWith(scope, S_OK, kDestroyedLine);
}

LONG CSafeArray::AccessData(void** ppvData) {
  const LONG status = TracedService(kAccessDataTrace, m_pSafeArray, [&](SAFEARRAY* array) {
    return m_nLockCount == kMostLocks ? E_UNEXPECTED : SafeArrayAccessData(array, ppvData);
  });
  if (SUCCEEDED(status)) ++m_nLockCount;
  return status;
}

LONG CSafeArray::UnaccessData() {
  const LONG status = TracedService(kUnaccessDataTrace, m_pSafeArray, [&](SAFEARRAY* array) {
    return m_nLockCount == kFewestLocks ? E_UNEXPECTED : SafeArrayUnaccessData(array);
  });
  if (SUCCEEDED(status)) --m_nLockCount;
  return status;
}

LONG CSafeArray::GetLBound(LONG* plLBound, UINT nDim) {
  return TracedService(kGetLBoundTrace, m_pSafeArray,
                       [&](SAFEARRAY* array) { return SafeArrayGetLBound(array, nDim, plLBound); });
}

LONG CSafeArray::GetUBound(LONG* plUBound, UINT nDim) {
  return TracedService(kGetUBoundTrace, m_pSafeArray,
                       [&](SAFEARRAY* array) { return SafeArrayGetUBound(array, nDim, plUBound); });
}

LONG CSafeArray::GetLBound(long* plLBound, UINT nDim) {
  return ReadBoundAsLong(*this, &CSafeArray::GetLBound, plLBound, nDim);
}

LONG CSafeArray::GetUBound(long* plUBound, UINT nDim) {
  return ReadBoundAsLong(*this, &CSafeArray::GetUBound, plUBound, nDim);
}

LONG CSafeArray::GetVarType(unsigned short* pvt) {
  if (m_pSafeArray == nullptr) return E_POINTER;
  return SafeArrayGetVartype(m_pSafeArray, pvt);
}

LONG CSafeArray::GetData(CByteArray& bytes, UINT nDim) {
  CScopeLog scope(kGetDataFunction, kTraceFile, kGetDataLine, kTraceModule, nullptr);
  if (m_pSafeArray == nullptr) return ExitWith(scope, E_POINTER, kGetDataNoArrayLine);
  VARTYPE type = VT_EMPTY;
  static_cast<void>(GetVarType(&type));  // a type that cannot be read stays VT_EMPTY
  if (type != VT_UI1) return ExitWith(scope, E_INVALIDARG, kGetDataWrongTypeLine);
  void* data = nullptr;
  const LONG locked = AccessData(&data);
  if (FAILED(locked)) return ExitWith(scope, locked, kGetDataLockFailedLine);
  // Should SetSize throw, the lock stays counted and the next Destroy undoes it.
  const LONG copied = CopyExtent(*this, data, nDim, bytes);
  const LONG unlocked = UnaccessData();
  const LONG status = FAILED(copied) ? copied : unlocked;
  return ExitWith(scope, status, FAILED(status) ? kGetDataFailedLine : kGetDataSucceededLine);
}

LONG CSafeArray::Copy(SAFEARRAY* psaSrc) {
  CScopeLog scope(kCopyFunction, kTraceFile, kCopyLine, kTraceModule, nullptr);
  // Copied before the old array is let go: psaSrc may be that array.
  SAFEARRAY* copy = nullptr;
  const HRESULT status = SafeArrayCopy(psaSrc, &copy);
  Destroy();
  m_pSafeArray = copy;
  return ExitWith(scope, status, FAILED(status) ? kCopyFailedLine : kCopiedLine);
}
