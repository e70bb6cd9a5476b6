// The byte order of code units: the bytes of a UTF-16 text are its units low
// byte first, on every machine. Decided here, with explicit shifts.
#pragma once

#include <cstddef>

#include <zelu/platform/win32/base_types.h>

namespace zelu::internal {

inline void StoreUnitLowByteFirst(WCHAR unit, unsigned char* bytes) noexcept {
  bytes[0] = static_cast<unsigned char>(unit & 0xFFu);
  bytes[1] = static_cast<unsigned char>(unit >> 8);
}

inline WCHAR LoadUnitLowByteFirst(const unsigned char* bytes) noexcept {
  return static_cast<WCHAR>(bytes[0] | (bytes[1] << 8));
}

// Writes the 2 * count bytes of `units`.
inline void StoreUnitsLowByteFirst(const WCHAR* units, std::size_t count, unsigned char* bytes) noexcept {
  for (std::size_t i = 0; i < count; ++i) StoreUnitLowByteFirst(units[i], bytes + 2 * i);
}

}  // namespace zelu::internal
