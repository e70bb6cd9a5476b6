// The hex decoders on arbitrary text: they must never read past the
// terminator, and whatever they accept must encode back to the same digits.
#include <cstdlib>
#include <memory>

#include <zelu/encoding/base16.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;

// Upper-cases the ASCII hex letters of a text, as the encoder writes them.
CString Upper(const unsigned short* text) {
  CString upper(text);
  upper.MakeUpper();
  return upper;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  const auto text = zelu::fuzz::TextFromBytes(data, size);

  unsigned char* raw = nullptr;
  ULONG count = 0;
  const bool plain = CBase16::Decode(text.data(), &raw, count);
  std::unique_ptr<unsigned char[]> bytes(raw);
  if (plain) {
    CString again;
    CBase16::Encode(bytes.get(), count, again);
    Check(again == Upper(text.data()));
  }

  for (bool prefix : {true, false}) {
    unsigned char* counted_raw = nullptr;
    int counted = 0;
    const bool decoded = CBytes::decode(text.data(), &counted_raw, counted, prefix);
    std::unique_ptr<unsigned char[]> counted_bytes(counted_raw);
    if (decoded) Check(counted >= 0 && counted_raw != nullptr);
    if (!prefix) Check(decoded == plain);
  }
  return 0;
}
