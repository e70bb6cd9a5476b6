// Every Base64 kernel this CPU runs against the scalar one on the same
// input: the input's bytes encoded, and a text made from them decoded, at
// an alignment the input chooses. The first byte picks the text: its units
// straight from the input's byte pairs, or one unit per input byte, mostly
// alphabet characters with now and then white space, '=', a unit above 0xFF
// or another exception.
#include <algorithm>
#include <cstdint>
#include <vector>

#include <zelu/encoding/internal/base64_kernel.h>

#include "fuzz_input.h"

namespace {

using zelu::encoding::internal::Base64Kernel;
using zelu::fuzz::Check;

const std::vector<const Base64Kernel*>& Kernels() {
  static const auto kernels = zelu::encoding::internal::SupportedBase64Kernels();
  return kernels;
}

std::vector<WCHAR> AlphabetText(const std::uint8_t* data, std::size_t size) {
  static constexpr WCHAR kExceptions[] = {' ',  '\r',   '\n',   '=',    0,     '-',   '_',
                                          0x80, 0xFF, 0x0141, 0xFF3D, 0x012F, 0xAB00};
  std::vector<WCHAR> text(size);
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = data[i] < 240 ? static_cast<WCHAR>(zelu::encoding::internal::kBase64Alphabet[data[i] % 64])
                            : kExceptions[data[i] % std::size(kExceptions)];
  }
  return text;
}

void CheckEncoding(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  const std::size_t length = zelu::encoding::internal::Base64EncodedLength(size);
  std::vector<WCHAR> expected(length);
  zelu::encoding::internal::ScalarBase64Kernel().encode(data, size, expected.data());
  std::vector<WCHAR> out(length + offset);
  for (const Base64Kernel* kernel : Kernels()) {
    kernel->encode(data, size, out.data() + offset);
    Check(std::equal(expected.begin(), expected.end(), out.begin() + static_cast<std::ptrdiff_t>(offset)));
  }
}

void CheckDecoding(const std::vector<WCHAR>& text, std::size_t offset) {
  std::vector<WCHAR> placed(offset);
  placed.insert(placed.end(), text.begin(), text.end());
  std::vector<unsigned char> expected(text.size());
  const auto reference =
      zelu::encoding::internal::ScalarBase64Kernel().decode(placed.data() + offset, text.size(), expected.data());
  std::vector<unsigned char> out(text.size());
  for (const Base64Kernel* kernel : Kernels()) {
    const auto progress = kernel->decode(placed.data() + offset, text.size(), out.data());
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
    CheckDecoding(AlphabetText(data + 1, size - 1), offset);
  } else {
    std::vector<WCHAR> text = zelu::fuzz::TextFromBytes(data + 1, size - 1);
    text.pop_back();  // the terminator
    CheckDecoding(text, offset);
  }
  return 0;
}
