// Byte order, decided in this one place. The bytes of a UTF-16 text are its
// units low byte first, on every machine (explicit shifts); wider stores use
// the machine's order only through the helpers at the end.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <zelu/platform/base/base_types.h>

namespace zelu::encoding::internal {

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

// Writes the eight bytes of `value`, most significant first.
inline void StoreHighByteFirst64(unsigned char* bytes, std::uint64_t value) noexcept {
  static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
  if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
  std::memcpy(bytes, &value, sizeof value);
}

}  // namespace zelu::encoding::internal
