// Automation strings: [UINT byte length][units...][zero unit], the pointer
// handed out addresses the first unit.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/oleaut/oleaut.h>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(UINT);
static_assert(kPrefixBytes == 4, "the length prefix is 32 bits");
static_assert(alignof(WCHAR) <= kPrefixBytes);

unsigned char* BlockOf(BSTR text) noexcept { return reinterpret_cast<unsigned char*>(text) - kPrefixBytes; }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  // The byte length must fit the 32-bit prefix.
  if (length > (UINT{0xFFFFFFFFu} - 8u) / 2u) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(WCHAR);
  // ::operator new creates the UINT and the WCHAR objects implicitly.
  auto* block = static_cast<unsigned char*>(::operator new(kPrefixBytes + bytes + sizeof(WCHAR)));
  const auto byte_length = static_cast<UINT>(bytes);
  std::memcpy(block, &byte_length, kPrefixBytes);
  auto* units = reinterpret_cast<WCHAR*>(block + kPrefixBytes);
  if (text != nullptr) {
    std::copy_n(text, length, units);
  } else {
    std::fill_n(units, length, WCHAR{0});
  }
  units[length] = 0;
  return units;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  const std::size_t length = zelu::crt16::wcslen(text);
  if (length > 0xFFFFFFFFu) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(length));
}

void SysFreeString(BSTR text) noexcept {
  if (text != nullptr) ::operator delete(BlockOf(text));
}

UINT SysStringByteLen(BSTR text) noexcept {
  if (text == nullptr) return 0;
  UINT byte_length = 0;
  std::memcpy(&byte_length, BlockOf(text), kPrefixBytes);
  return byte_length;
}

UINT SysStringLen(BSTR text) noexcept { return SysStringByteLen(text) / UINT{sizeof(WCHAR)}; }
