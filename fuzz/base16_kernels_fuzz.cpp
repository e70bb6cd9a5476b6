// Every hex kernel this CPU runs against the scalar one on the same input:
// the input's bytes encoded, and a text made from them decoded, at an
// alignment the input chooses. The first byte picks the text: its units
// straight from the input's byte pairs, or one digit (now and then a
// non-digit) per input byte.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <zelu/encoding/internal/base16_kernel.h>

#include "fuzz_input.h"

namespace {

using zelu::encoding::internal::HexKernel;
using zelu::fuzz::Check;

const std::vector<const HexKernel*>& Kernels() {
  static const auto kernels = zelu::encoding::internal::SupportedHexKernels();
  return kernels;
}

std::vector<WCHAR> DigitText(const std::uint8_t* data, std::size_t size) {
  static constexpr WCHAR kUnits[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F',
                                     'a', 'b', 'c', 'd', 'e', 'f', 'G', ' ', 0, 0x0130, 0xFF41, '@', '`', '/', ':'};
  std::vector<WCHAR> text(size);
  for (std::size_t i = 0; i < size; ++i) text[i] = kUnits[data[i] < 224 ? data[i] % 22 : data[i] % std::size(kUnits)];
  return text;
}

void CheckEncoding(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  std::vector<WCHAR> expected(2 * size);
  zelu::encoding::internal::ScalarHexKernel().encode(data, size, expected.data());
  std::vector<WCHAR> out(2 * size + offset);
  for (const HexKernel* kernel : Kernels()) {
    kernel->encode(data, size, out.data() + offset);
    Check(std::equal(expected.begin(), expected.end(), out.begin() + static_cast<std::ptrdiff_t>(offset)));
  }
}

void CheckDecoding(const std::vector<WCHAR>& text, std::size_t offset) {
  const std::size_t pairs = text.size() / 2;
  std::vector<WCHAR> placed(offset);
  placed.insert(placed.end(), text.begin(), text.end());
  std::vector<unsigned char> expected(pairs);
  const auto reference =
      zelu::encoding::internal::ScalarHexKernel().decode(placed.data() + offset, pairs, expected.data());
  std::vector<unsigned char> out(pairs);
  for (const HexKernel* kernel : Kernels()) {
    const auto progress = kernel->decode(placed.data() + offset, pairs, out.data());
    Check(progress.units_read == reference.units_read && progress.bytes_written == reference.bytes_written);
    Check(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(progress.bytes_written), expected.begin()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const std::size_t offset = data[0] % 32;
  CheckEncoding(data + 1, size - 1, offset);
  if (data[0] & 0x80) {
    CheckDecoding(DigitText(data + 1, size - 1), offset);
  } else {
    std::vector<WCHAR> text = zelu::fuzz::TextFromBytes(data + 1, size - 1);
    text.pop_back();  // the terminator
    CheckDecoding(text, offset);
  }
  return 0;
}
