// Safe arrays. Each array is one block from ::operator new:
//
//   [16-byte prefix, the element type in its last 4 bytes][SAFEARRAY][more bounds]
//
// so the element type sits just before the SAFEARRAY, as on the platform,
// and the bounds run on past the header's one-entry rgsabound. The element
// data is a block of its own.
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include <zelu/platform/oleaut/oleaut.h>

namespace {

constexpr std::size_t kPrefixBytes = 16;
// The block comes from ::operator new, aligned for any SAFEARRAY; the prefix
// keeps that alignment. (The prefix may be wider than the block's alignment:
// on s390x operator new guarantees only 8 bytes.)
static_assert(kPrefixBytes % alignof(SAFEARRAY) == 0 && alignof(SAFEARRAY) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
constexpr std::size_t kBoundsOffset = offsetof(SAFEARRAY, rgsabound);
constexpr std::size_t kMaxDataBytes = static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());

unsigned char* BlockOf(SAFEARRAY* array) noexcept { return reinterpret_cast<unsigned char*>(array) - kPrefixBytes; }

// The stored bounds, last dimension first.
SAFEARRAYBOUND* Bounds(SAFEARRAY* array) noexcept {
  return reinterpret_cast<SAFEARRAYBOUND*>(reinterpret_cast<unsigned char*>(array) + kBoundsOffset);
}

void StoreElementType(SAFEARRAY* array, VARTYPE type) noexcept {
  const DWORD stored = type;
  std::memcpy(reinterpret_cast<unsigned char*>(array) - sizeof stored, &stored, sizeof stored);
}

// Size of one element of an array of `type`, or 0 when no array of that type
// can be made.
ULONG ElementSize(VARTYPE type) noexcept {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

USHORT FeaturesOf(VARTYPE type) noexcept {
  USHORT features = FADF_HAVEVARTYPE;
  if (type == VT_BSTR) features |= FADF_BSTR;
  if (type == VT_VARIANT) features |= FADF_VARIANT;
  return features;
}

// Total element count of `dims` bounds, or false when the data would not fit.
bool CountElements(const SAFEARRAYBOUND* bounds, UINT dims, ULONG element_size, std::size_t& count) noexcept {
  if (element_size == 0) element_size = 1;
  count = 1;
  for (UINT i = 0; i < dims; ++i) {
    const std::size_t elements = bounds[i].cElements;
    if (elements != 0 && count > kMaxDataBytes / element_size / elements) return false;
    count *= elements;
  }
  return true;
}

std::size_t ElementCount(SAFEARRAY* array) noexcept {
  std::size_t count = 0;
  CountElements(Bounds(array), array->cDims, array->cbElements, count);
  return count;
}

VARTYPE StoredType(SAFEARRAY* array) noexcept {
  if ((array->fFeatures & FADF_HAVEVARTYPE) != 0) {
    DWORD stored = 0;
    std::memcpy(&stored, reinterpret_cast<unsigned char*>(array) - sizeof stored, sizeof stored);
    return static_cast<VARTYPE>(stored);
  }
  if ((array->fFeatures & FADF_BSTR) != 0) return VT_BSTR;
  if ((array->fFeatures & FADF_VARIANT) != 0) return VT_VARIANT;
  return VT_EMPTY;
}

// `stored_bounds` are in stored order (last dimension first).
SAFEARRAY* Create(VARTYPE type, UINT dims, const SAFEARRAYBOUND* stored_bounds) {
  const ULONG element_size = ElementSize(type);
  if (element_size == 0 || dims == 0 || dims > 0xFFFF || stored_bounds == nullptr) return nullptr;
  std::size_t count = 0;
  if (!CountElements(stored_bounds, dims, element_size, count)) return nullptr;
  const std::size_t data_bytes = count * element_size;

  void* data = nullptr;
  if (data_bytes != 0) {
    // Zero bytes are the empty value of every element type (VT_EMPTY for
    // variants, null for strings); the objects are created implicitly.
    data = ::operator new(data_bytes);
    std::memset(data, 0, data_bytes);
  }
  const std::size_t header_bytes = kBoundsOffset + std::size_t{dims} * sizeof(SAFEARRAYBOUND);
  unsigned char* block = nullptr;
  try {
    block = static_cast<unsigned char*>(::operator new(kPrefixBytes + header_bytes));
  } catch (...) {
    ::operator delete(data);
    throw;
  }
  auto* array = new (block + kPrefixBytes) SAFEARRAY{};
  array->cDims = static_cast<USHORT>(dims);
  array->fFeatures = FeaturesOf(type);
  array->cbElements = element_size;
  array->cLocks = 0;
  array->pvData = data;
  std::memcpy(Bounds(array), stored_bounds, std::size_t{dims} * sizeof(SAFEARRAYBOUND));
  StoreElementType(array, type);
  return array;
}

void ReleaseElements(SAFEARRAY* array, VARTYPE type) noexcept {
  const std::size_t count = ElementCount(array);
  if (type == VT_BSTR) {
    auto* strings = static_cast<BSTR*>(array->pvData);
    for (std::size_t i = 0; i < count; ++i) SysFreeString(strings[i]);
  } else if (type == VT_VARIANT) {
    auto* variants = static_cast<VARIANT*>(array->pvData);
    // An element that cannot be cleared (a locked array, an object) is let
    // go: whoever locked it destroys it.
    for (std::size_t i = 0; i < count; ++i) static_cast<void>(VariantClear(&variants[i]));
  }
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds) {
  if (bounds == nullptr || dims == 0 || dims > 0xFFFF) return nullptr;
  // The platform keeps the bounds last dimension first.
  const std::vector<SAFEARRAYBOUND> reversed(std::make_reverse_iterator(bounds + dims),
                                             std::make_reverse_iterator(bounds));
  return Create(type, dims, reversed.data());
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lower_bound, ULONG elements) {
  const SAFEARRAYBOUND bound{elements, lower_bound};
  return Create(type, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) noexcept {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks != 0) return DISP_E_ARRAYISLOCKED;
  if (array->pvData != nullptr) {
    ReleaseElements(array, StoredType(array));
    ::operator delete(array->pvData);
  }
  ::operator delete(BlockOf(array));
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* array) noexcept {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == std::numeric_limits<ULONG>::max()) return E_UNEXPECTED;
  ++array->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) noexcept {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) noexcept {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  const HRESULT status = SafeArrayLock(array);
  if (FAILED(status)) return status;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) noexcept { return SafeArrayUnlock(array); }

UINT SafeArrayGetDim(SAFEARRAY* array) noexcept { return array == nullptr ? 0 : array->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* array) noexcept { return array == nullptr ? 0 : array->cbElements; }

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lower_bound) noexcept {
  if (array == nullptr || lower_bound == nullptr) return E_INVALIDARG;
  if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
  *lower_bound = Bounds(array)[array->cDims - dim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upper_bound) noexcept {
  if (array == nullptr || upper_bound == nullptr) return E_INVALIDARG;
  if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = Bounds(array)[array->cDims - dim];
  // Computed wide, then kept to 32 bits as the platform's arithmetic does.
  const std::int64_t upper = std::int64_t{bound.lLbound} + std::int64_t{bound.cElements} - 1;
  *upper_bound = static_cast<LONG>(upper);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type) noexcept {
  if (array == nullptr || type == nullptr) return E_INVALIDARG;
  const VARTYPE stored = StoredType(array);
  if (stored == VT_EMPTY) return E_INVALIDARG;
  *type = stored;
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (array == nullptr) return E_INVALIDARG;
  const VARTYPE type = StoredType(array);
  SAFEARRAY* fresh = Create(type, array->cDims, Bounds(array));
  if (fresh == nullptr) return E_INVALIDARG;
  const std::size_t count = ElementCount(array);
  if (count != 0) {
    if (type == VT_BSTR) {
      const auto* from = static_cast<const BSTR*>(array->pvData);
      auto* to = static_cast<BSTR*>(fresh->pvData);
      try {
        for (std::size_t i = 0; i < count; ++i) {
          if (from[i] != nullptr) to[i] = SysAllocStringLen(from[i], SysStringLen(from[i]));
        }
      } catch (...) {
        SafeArrayDestroy(fresh);
        throw;
      }
    } else if (type == VT_VARIANT) {
      const auto* from = static_cast<const VARIANT*>(array->pvData);
      auto* to = static_cast<VARIANT*>(fresh->pvData);
      for (std::size_t i = 0; i < count; ++i) {
        HRESULT status = S_OK;
        try {
          status = VariantCopy(&to[i], &from[i]);
        } catch (...) {
          SafeArrayDestroy(fresh);
          throw;
        }
        if (FAILED(status)) {
          SafeArrayDestroy(fresh);
          return status;
        }
      }
    } else {
      std::memcpy(fresh->pvData, array->pvData, count * array->cbElements);
    }
  }
  *copy = fresh;
  return S_OK;
}
