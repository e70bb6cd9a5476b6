// The reader of resource files (images and .res files) on arbitrary bytes:
// it never reads outside them, it refuses what opens with neither "MZ" nor
// the .res opening entry, and every string it gives of the first bundles
// (and the last ids) is in the input as it was read: its count, then its
// units, little-endian.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <zelu/platform/win32/internal/resource_file.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;

namespace {

constexpr std::array<std::uint8_t, 16> kResOpening = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};

bool MayBeResourceFile(std::span<const std::uint8_t> input) {
  const bool image = input.size() >= 2 && input[0] == 'M' && input[1] == 'Z';
  return image || (input.size() >= kResOpening.size() && std::equal(kResOpening.begin(), kResOpening.end(), input.begin()));
}

// True when `units` of string `id` appear in `input` after their count.
bool ReadFromInput(std::span<const std::uint8_t> input, const WCHAR* units, int count) {
  std::vector<std::uint8_t> counted;
  counted.push_back(static_cast<std::uint8_t>(count));
  counted.push_back(static_cast<std::uint8_t>(count >> 8));
  for (int i = 0; i < count; ++i) {
    counted.push_back(static_cast<std::uint8_t>(units[i]));
    counted.push_back(static_cast<std::uint8_t>(units[i] >> 8));
  }
  return std::search(input.begin(), input.end(), counted.begin(), counted.end()) != input.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  const std::span<const std::uint8_t> input(data, size);
  const std::optional<zelu::win32::StringModule> module = zelu::win32::internal::ReadStringResources(input);
  if (!module) return 0;
  Check(MayBeResourceFile(input));
  std::vector<UINT> ids = {4095, 65535, 0xFFFEF};
  for (UINT id = 0; id < 64; ++id) ids.push_back(id);
  for (const UINT id : ids) {
    const WCHAR* text = nullptr;
    const int count = LoadStringW(module->handle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    Check(count >= 0 && count <= 0xFFFF);
    if (count > 0) Check(ReadFromInput(input, text, count));
  }
  return 0;
}
