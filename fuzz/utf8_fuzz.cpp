// Every native vector UTF-8 kernel this CPU runs against the scalar
// reference, both ways, on arbitrary input: the first byte chooses an
// offset (0 to 63) for the rest, which is read as UTF-8 bytes and, pair by
// pair (low byte first), as UTF-16 units. Counts, results and whole output
// buffers (room ample, exact, one short and half) must agree. (The emulated
// target, compiled by some compilers, is left to the unit tests: under
// coverage tracing it would take most of the time.)
#include <algorithm>
#include <string_view>
#include <vector>

#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/utf8.h>
#include <zelu/testing/conversion_runs.h>

#include "fuzz_input.h"

namespace {

using zelu::testing::RunConversion;
using zelu::win32::internal::Utf8Kernel;

constexpr std::size_t kOffsets = 64;

struct Input {
  const unsigned char* bytes;
  std::size_t byte_count;
  const WCHAR* units;
  std::size_t unit_count;
};

auto Decoded(const Utf8Kernel& kernel, const Input& input, std::size_t exact) {
  return RunConversion(kernel.utf8_to_utf16, kernel.utf16_length, input.bytes, input.byte_count,
                       zelu::win32::MaxUtf16Units(input.byte_count), exact);
}

auto Encoded(const Utf8Kernel& kernel, const Input& input, std::size_t exact) {
  return RunConversion(kernel.utf16_to_utf8, kernel.utf8_length, input.units, input.unit_count,
                       zelu::win32::MaxUtf8Bytes(input.unit_count), exact);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const std::size_t offset = data[0] % kOffsets;
  const std::size_t byte_count = size - 1;
  std::vector<unsigned char> bytes(offset + byte_count);
  std::copy_n(data + 1, byte_count, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  std::vector<WCHAR> units(offset / 2 + byte_count / 2);
  for (std::size_t k = 0; k < byte_count / 2; ++k) {
    units[offset / 2 + k] = static_cast<WCHAR>(data[1 + 2 * k] | data[2 + 2 * k] << 8);
  }
  const Input input{bytes.data() + offset, byte_count, units.data() + offset / 2, byte_count / 2};

  const Utf8Kernel& scalar = zelu::win32::internal::ScalarUtf8Kernel();
  const auto decoded = Decoded(scalar, input, scalar.utf16_length(input.bytes, input.byte_count));
  const auto encoded = Encoded(scalar, input, scalar.utf8_length(input.units, input.unit_count));
  for (const Utf8Kernel* kernel : zelu::win32::internal::SupportedUtf8Kernels()) {
    if (kernel == &scalar || std::string_view(kernel->name) == "EMU128") continue;
    zelu::fuzz::Check(zelu::testing::Difference(decoded, Decoded(*kernel, input, decoded.length)).empty());
    zelu::fuzz::Check(zelu::testing::Difference(encoded, Encoded(*kernel, input, encoded.length)).empty());
  }
  return 0;
}
