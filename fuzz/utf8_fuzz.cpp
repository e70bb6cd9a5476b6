// Every vector UTF-8 kernel this CPU runs against the scalar reference, both ways,
// on arbitrary input: the first byte chooses an offset (0 to 63) for the
// rest, which is read as UTF-8 bytes and, pair by pair (low byte first), as
// UTF-16 units. Counts, results and whole output buffers (room ample, exact,
// one short and half) must agree.
#include <cstring>
#include <vector>

#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/utf8.h>
#include <zelu/testing/conversion_runs.h>

#include "fuzz_input.h"

namespace {

using zelu::win32::internal::Utf8Kernel;

constexpr std::size_t kOffsets = 64;

void CheckKernel(const Utf8Kernel& kernel, const unsigned char* bytes, std::size_t byte_count, const WCHAR* units,
                 std::size_t unit_count) {
  const Utf8Kernel& scalar = zelu::win32::internal::ScalarUtf8Kernel();
  const std::size_t units_needed = scalar.utf16_length(bytes, byte_count);
  const auto decoded = zelu::testing::RunConversion(scalar.utf8_to_utf16, scalar.utf16_length, bytes, byte_count,
                                                    zelu::win32::MaxUtf16Units(byte_count), units_needed);
  const auto decoded_too = zelu::testing::RunConversion(kernel.utf8_to_utf16, kernel.utf16_length, bytes, byte_count,
                                                        zelu::win32::MaxUtf16Units(byte_count), units_needed);
  zelu::fuzz::Check(zelu::testing::Difference(decoded, decoded_too).empty());

  const std::size_t bytes_needed = scalar.utf8_length(units, unit_count);
  const auto encoded = zelu::testing::RunConversion(scalar.utf16_to_utf8, scalar.utf8_length, units, unit_count,
                                                    zelu::win32::MaxUtf8Bytes(unit_count), bytes_needed);
  const auto encoded_too = zelu::testing::RunConversion(kernel.utf16_to_utf8, kernel.utf8_length, units, unit_count,
                                                        zelu::win32::MaxUtf8Bytes(unit_count), bytes_needed);
  zelu::fuzz::Check(zelu::testing::Difference(encoded, encoded_too).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const std::size_t offset = data[0] % kOffsets;
  const std::size_t byte_count = size - 1;
  std::vector<unsigned char> bytes(offset + byte_count);
  std::memcpy(bytes.data() + offset, data + 1, byte_count);
  std::vector<WCHAR> units(offset / 2 + byte_count / 2);
  for (std::size_t k = 0; k < byte_count / 2; ++k) {
    units[offset / 2 + k] = static_cast<WCHAR>(data[1 + 2 * k] | data[2 + 2 * k] << 8);
  }
  for (const Utf8Kernel* kernel : zelu::win32::internal::SupportedUtf8Kernels()) {
    if (kernel == &zelu::win32::internal::ScalarUtf8Kernel()) continue;
    CheckKernel(*kernel, bytes.data() + offset, byte_count, units.data() + offset / 2, byte_count / 2);
  }
  return 0;
}
