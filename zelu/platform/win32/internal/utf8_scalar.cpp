#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/internal/utf8_scalar.h>

namespace zelu::win32::internal {
namespace {

std::size_t ScalarUtf8ToUtf16(const unsigned char* bytes, std::size_t count, WCHAR* out,
                              std::size_t capacity) noexcept {
  return DecodeUtf8From<true>(bytes, 0, count, out, 0, capacity);
}

std::size_t ScalarUtf16Length(const unsigned char* bytes, std::size_t count) noexcept {
  return DecodeUtf8From<false>(bytes, 0, count, nullptr, 0, 0);
}

std::size_t ScalarUtf16ToUtf8(const WCHAR* units, std::size_t count, unsigned char* out,
                              std::size_t capacity) noexcept {
  return EncodeUtf8From(units, 0, count, out, 0, capacity);
}

std::size_t ScalarUtf8Length(const WCHAR* units, std::size_t count) noexcept {
  return Utf8LengthFrom(units, 0, count);
}

// The scalar scan reads unit by unit, so it needs no block storage.
std::size_t ScalarBlockTextLength(const WCHAR* text) noexcept { return zelu::crt16::wcslen(text); }

constexpr Utf8Kernel kScalarUtf8Kernel{"scalar",          0, ScalarUtf8ToUtf16, ScalarUtf16Length,
                                       ScalarUtf16ToUtf8, ScalarUtf8Length, ScalarBlockTextLength};

}  // namespace

const Utf8Kernel& ScalarUtf8Kernel() noexcept { return kScalarUtf8Kernel; }

}  // namespace zelu::win32::internal
