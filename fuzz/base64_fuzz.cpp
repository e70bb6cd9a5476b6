// The Base64 decoder on arbitrary text: it never fails, never writes past
// its L + 1 byte buffer, and what it gives encodes and decodes back to
// itself.
#include <cstdlib>
#include <cstring>
#include <memory>

#include <zelu/encoding/base64.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  const auto units = zelu::fuzz::TextFromBytes(data, size);
  const CString text(units.data(), static_cast<int>(units.size() - 1));

  unsigned char* raw = nullptr;
  ULONG count = 0;
  Check(CBase64::Decode(text, &raw, count) == 0);
  const std::unique_ptr<unsigned char[]> bytes(raw);
  Check(count <= static_cast<ULONG>(text.GetLength()) && bytes[count] == 0);

  CString again;
  Check(CBase64::Encode(bytes.get(), count, again) == 0);
  unsigned char* round_raw = nullptr;
  ULONG round_count = 0;
  Check(CBase64::Decode(again, &round_raw, round_count) == 0);
  const std::unique_ptr<unsigned char[]> round(round_raw);
  Check(round_count == count && std::memcmp(round.get(), bytes.get(), count) == 0);
  return 0;
}
