// The code-page conversions both ways on arbitrary input, against slow,
// obvious references. The first byte picks the code page and the flags;
// the rest is converted once as narrow bytes and once as UTF-16 units.
//   * UTF-8 pages: a decoder that follows the table of well-formed byte
//     sequences one byte at a time (one U+FFFD per maximal ill-formed
//     subsequence), and an encoder that handles one character at a time.
//   * Single-byte pages: the whole text converts as its bytes one by one
//     do; bytes outside 0x80-0x9F are their own character; the way back
//     inverts the way there, and any other character becomes the default.
// Each conversion is checked at the size query, with an exact buffer, and
// with a buffer one character too small (0, ERROR_INSUFFICIENT_BUFFER, the
// whole characters that fit written, nothing past the buffer); then the
// result converts back to the input (bytes) or to the input with unpaired
// surrogates made U+FFFD (UTF-8, units).
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include <zelu/platform/win32/code_pages.h>
#include <zelu/platform/win32/last_error.h>
#include <zelu/testing/utf8_reference.h>

#include "fuzz_input.h"

namespace {

using zelu::fuzz::Check;
using zelu::testing::ReferenceUtf16;
using zelu::testing::ReferenceUtf8;
using Units = std::vector<WCHAR>;
using Bytes = std::string;

constexpr WCHAR kCanary = 0xA5A5;
constexpr UINT kPages[] = {CP_UTF8, CP_ACP, CP_OEMCP, CP_THREAD_ACP, 1252, 28591};

bool IsUtf8Page(UINT page) { return page != 1252 && page != 28591; }

// A single-byte page's character for each byte, each byte converted alone.
std::array<WCHAR, 256> ByteTable(UINT page) {
  std::array<WCHAR, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    const char narrow = static_cast<char>(byte);
    Check(MultiByteToWideChar(page, 0, &narrow, 1, &table[static_cast<std::size_t>(byte)], 1) == 1);
    Check(table[static_cast<std::size_t>(byte)] == byte || (byte >= 0x80 && byte < 0xA0));
  }
  return table;
}

const std::array<WCHAR, 256>& TableOf(UINT page) {
  static const std::array<WCHAR, 256> windows_1252 = ByteTable(1252);
  static const std::array<WCHAR, 256> iso_8859_1 = ByteTable(28591);
  return page == 1252 ? windows_1252 : iso_8859_1;
}

ReferenceUtf16 DecodeSingleByte(UINT page, const Bytes& bytes) {
  ReferenceUtf16 out;
  for (const char byte : bytes) out.Add(TableOf(page)[static_cast<unsigned char>(byte)]);
  return out;
}

ReferenceUtf8 EncodeSingleByte(UINT page, const Units& units, char substitute) {
  const auto& table = TableOf(page);
  ReferenceUtf8 out;
  zelu::testing::ForEachUtf16Character(units.data(), units.size(), [&](char32_t c, bool) {
    const auto* found = std::find(table.begin(), table.end(), c);
    out.starts.push_back(out.bytes.size());
    out.bytes += found == table.end() ? substitute : static_cast<char>(found - table.begin());
    out.replaced |= found == table.end();
  });
  return out;
}

// The whole characters of a result that fit `room` elements.
std::size_t FittingPrefix(const std::vector<std::size_t>& starts, std::size_t total, std::size_t room) {
  std::size_t fit = 0;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : total;
    if (end > room) break;
    fit = end;
  }
  return fit;
}

// What one conversion call gave, in a buffer with canaries past its end.
template <typename Element>
struct Call {
  int result;
  DWORD error;
  std::vector<Element> buffer;
};

template <typename Element, typename Convert>
Call<Element> Run(int room, Element canary, Convert convert) {
  constexpr std::size_t kCanaries = 8;
  std::vector<Element> buffer(static_cast<std::size_t>(room) + kCanaries, canary);
  SetLastError(0);
  const int result = convert(room == 0 ? nullptr : buffer.data(), room);
  const DWORD error = GetLastError();
  Check(std::all_of(buffer.begin() + room, buffer.end(), [&](Element e) { return e == canary; }));
  buffer.resize(static_cast<std::size_t>(room));
  return {result, error, buffer};
}

// The size query, the exact buffer and the buffer one character short.
template <typename Element, typename Convert>
void CheckSizes(const std::vector<Element>& expected, const std::vector<std::size_t>& starts, bool partial_writes,
                Element canary, Convert convert) {
  const int size = static_cast<int>(expected.size());
  const Call<Element> query = Run(0, canary, convert);
  Check(query.result == size);
  const Call<Element> exact = Run(size, canary, convert);
  Check(exact.result == size && exact.buffer == expected);
  if (starts.empty()) return;
  const int short_room = static_cast<int>(starts.back());
  if (short_room == 0) return;  // a zero room is the size query
  const Call<Element> small = Run(short_room, canary, convert);
  Check(small.result == 0 && small.error == ERROR_INSUFFICIENT_BUFFER);
  const std::size_t fit = partial_writes ? FittingPrefix(starts, expected.size(), static_cast<std::size_t>(short_room)) : 0;
  Check(std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(fit), small.buffer.begin()));
  if (!partial_writes) Check(std::all_of(small.buffer.begin(), small.buffer.end(), [&](Element e) { return e == canary; }));
}

void CheckNarrowToWide(UINT page, DWORD flags, const Bytes& bytes, int length) {
  const ReferenceUtf16 expected = IsUtf8Page(page) ? zelu::testing::ReferenceDecodeUtf8(bytes) : DecodeSingleByte(page, bytes);
  const auto convert = [&](WCHAR* out, int room) {
    return MultiByteToWideChar(page, flags, bytes.data(), length, out, room);
  };
  if (IsUtf8Page(page) && (flags & MB_ERR_INVALID_CHARS) != 0 && expected.replaced) {
    const Call<WCHAR> refused = Run(static_cast<int>(expected.units.size()), kCanary, convert);
    Check(refused.result == 0 && refused.error == ERROR_NO_UNICODE_TRANSLATION);
    return;
  }
  CheckSizes(expected.units, expected.starts, IsUtf8Page(page), kCanary, convert);
  // The way back gives the bytes again, unless they were malformed.
  if (expected.replaced) return;
  std::string back(bytes.size(), '\0');
  BOOL used = TRUE;
  Check(WideCharToMultiByte(page, 0, expected.units.data(), static_cast<int>(expected.units.size()), back.data(),
                            static_cast<int>(back.size()), nullptr, IsUtf8Page(page) ? nullptr : &used) ==
        static_cast<int>(bytes.size()));
  Check(back == bytes && (IsUtf8Page(page) || used == FALSE));
}

void CheckWideToNarrow(UINT page, DWORD flags, const Units& units, int length, const char* default_char) {
  BOOL used = 7;
  BOOL* const used_out = IsUtf8Page(page) ? nullptr : &used;
  const auto convert = [&](char* out, int room) {
    return WideCharToMultiByte(page, flags, units.data(), length, out, room, default_char, used_out);
  };
  if (IsUtf8Page(page) && default_char != nullptr) {
    const Call<char> refused = Run(0, 'C', convert);
    Check(refused.result == 0 && refused.error == ERROR_INVALID_PARAMETER);
    return;
  }
  const ReferenceUtf8 expected = IsUtf8Page(page) ? zelu::testing::ReferenceEncodeUtf8(units.data(), units.size())
                                            : EncodeSingleByte(page, units, default_char ? default_char[0] : '?');
  if (IsUtf8Page(page) && (flags & WC_ERR_INVALID_CHARS) != 0 && expected.replaced) {
    const Call<char> refused = Run(static_cast<int>(expected.bytes.size()), 'C', convert);
    Check(refused.result == 0 && refused.error == ERROR_NO_UNICODE_TRANSLATION);
    return;
  }
  const std::vector<char> bytes(expected.bytes.begin(), expected.bytes.end());
  CheckSizes(bytes, expected.starts, true, 'C', convert);
  if (!IsUtf8Page(page)) {
    Check(used == (expected.replaced ? TRUE : FALSE));
    return;
  }
  // Back from UTF-8: the units, with each unpaired surrogate made U+FFFD.
  ReferenceUtf16 repaired;
  zelu::testing::ForEachUtf16Character(units.data(), units.size(), [&](char32_t c, bool whole) {
    repaired.Add(whole ? c : zelu::testing::kReplacementCharacter);
  });
  Units back(repaired.units.size());
  Check(MultiByteToWideChar(CP_UTF8, 0, expected.bytes.data(), static_cast<int>(expected.bytes.size()), back.data(),
                            static_cast<int>(back.size())) == static_cast<int>(back.size()));
  Check(back == repaired.units);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > zelu::fuzz::kMaxInputBytes) return 0;
  const unsigned control = data[0];
  const UINT page = kPages[(control & 7) % std::size(kPages)];
  const bool zero_terminated = (control & 0x08) != 0;  // a length of -1
  const DWORD flags = (control & 0x10) != 0 ? MB_ERR_INVALID_CHARS | WC_ERR_INVALID_CHARS : 0;
  const char default_char[] = {static_cast<char>(control & 0x20 ? '#' : 0), 0};

  Bytes bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (zero_terminated) bytes.resize(std::char_traits<char>::length(bytes.c_str()) + 1);
  CheckNarrowToWide(page, flags & MB_ERR_INVALID_CHARS, bytes, zero_terminated ? -1 : static_cast<int>(bytes.size()));

  const std::vector<unsigned short> text = zelu::fuzz::TextFromBytes(data + 1, size - 1);
  Units units(text.begin(), text.end() - 1);
  if (zero_terminated) units.resize(static_cast<std::size_t>(std::find(units.begin(), units.end(), 0) - units.begin()) + 1);
  CheckWideToNarrow(page, flags & WC_ERR_INVALID_CHARS, units, zero_terminated ? -1 : static_cast<int>(units.size()),
                    default_char[0] != 0 ? default_char : nullptr);
  return 0;
}
