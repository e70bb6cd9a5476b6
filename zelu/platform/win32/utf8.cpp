#include <zelu/platform/win32/utf8.h>

#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/platform/win32/internal/utf8_scalar.h>

namespace zelu::win32 {
namespace {

using namespace internal;  // the scalar rules

const unsigned char* Bytes(const char* bytes) { return reinterpret_cast<const unsigned char*>(bytes); }

}  // namespace

// Short inputs run the scalar loops inline; longer ones go to the kernel
// chosen for this CPU.
std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out, std::size_t capacity) {
  if (count < kVectorMinimum) return DecodeUtf8From<true>(Bytes(bytes), 0, count, out, 0, capacity);
  return ActiveUtf8Kernel().utf8_to_utf16(Bytes(bytes), count, out, capacity);
}

std::size_t Utf8ToUtf16(const char* bytes, std::size_t count, WCHAR* out) {
  return Utf8ToUtf16(bytes, count, out, MaxUtf16Units(count));
}

std::size_t Utf16LengthOfUtf8(const char* bytes, std::size_t count) {
  if (count < kVectorMinimum) return DecodeUtf8From<false>(Bytes(bytes), 0, count, nullptr, 0, 0);
  return ActiveUtf8Kernel().utf16_length(Bytes(bytes), count);
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out, std::size_t capacity) {
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  if (count < kVectorMinimum) return EncodeUtf8From(units, 0, count, bytes, 0, capacity);
  return ActiveUtf8Kernel().utf16_to_utf8(units, count, bytes, capacity);
}

std::size_t Utf16ToUtf8(const WCHAR* units, std::size_t count, char* out) {
  return Utf16ToUtf8(units, count, out, MaxUtf8Bytes(count));
}

std::size_t Utf8LengthOfUtf16(const WCHAR* units, std::size_t count) {
  if (count < kVectorMinimum) return Utf8LengthFrom(units, 0, count);
  return ActiveUtf8Kernel().utf8_length(units, count);
}

std::size_t BlockTextLength(const WCHAR* text) { return ActiveUtf8Kernel().block_text_length(text); }

Utf8Fault FindUtf8Fault(const char* bytes, std::size_t count) {
  const unsigned char* in = Bytes(bytes);
  for (std::size_t i = SkipAscii(in, 0, count); i < count; i = SkipAscii(in, i, count)) {
    const Decoded decoded = DecodeNonAscii(in + i, count - i);
    if (decoded.code_point == kIllFormed) return {i, decoded.length};
    i += decoded.length;
  }
  return {count, 0};
}

std::size_t FindUnpairedSurrogate(const WCHAR* units, std::size_t count) {
  for (std::size_t i = 0; i < count;) {
    const CodePointAt next = ReadCodePoint(units, i, count);
    if (next.code_point == kReplacement && units[i] != kReplacement) return i;
    i += next.length;
  }
  return count;
}

std::size_t IncompleteUtf8Tail(const char* bytes, std::size_t count) {
  const unsigned char* in = Bytes(bytes);
  // The lead byte of the last sequence lies at most three bytes back.
  std::size_t lead = count;
  while (lead > 0 && count - lead < 3 && IsContinuation(in[lead - 1])) --lead;
  if (lead == 0) return 0;
  --lead;
  const int trail = TrailCount(in[lead]);
  const std::size_t tail = count - lead;
  if (trail < 0 || tail > static_cast<std::size_t>(trail)) return 0;
  return DecodeAnyNonAscii(in + lead, tail).length == tail ? tail : 0;
}

}  // namespace zelu::win32
