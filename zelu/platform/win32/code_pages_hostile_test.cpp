// The code pages at the edge of the 32-bit sizes they report: UTF-16 text
// whose UTF-8 passes INT_MAX bytes makes the size query fail with
// ERROR_ARITHMETIC_OVERFLOW instead of a size wrapped around. The text is
// one block of three-byte characters mapped again and again, so its 1.4 GB
// cost address space, not memory.
#include <zelu/platform/win32/code_pages.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <zelu/platform/win32/last_error.h>
#include <zelu/testing/mapped_input.h>

namespace {

TEST(CodePagesHostileTest, UnitsWhoseUtf8PassesIntMaxBytesFailTheSizeQuery) {
  constexpr std::size_t kBlockUnits = std::size_t{1} << 20;
  constexpr std::size_t kBlocks = 683;  // 3 bytes a unit: 2,148,532,224 bytes
  static_assert(3 * kBlockUnits * kBlocks > std::size_t{INT_MAX} && kBlockUnits * kBlocks < std::size_t{INT_MAX});
  constexpr WCHAR kUnit = 0x0800;  // three bytes of UTF-8
  std::string block(kBlockUnits * sizeof kUnit, '\0');
  for (std::size_t i = 0; i < kBlockUnits; ++i) std::memcpy(&block[i * sizeof kUnit], &kUnit, sizeof kUnit);
  const auto text = zelu::testing::MappedInput::Repeated(block, block.size() * kBlocks);
  const auto* units = reinterpret_cast<const WCHAR*>(text.data());
  const auto started = std::chrono::steady_clock::now();
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(kBlockUnits * kBlocks), nullptr, 0, nullptr,
                                nullptr),
            0);
  EXPECT_EQ(GetLastError(), ERROR_ARITHMETIC_OVERFLOW);
  RecordProperty("size_query_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                       std::chrono::steady_clock::now() - started)
                                                       .count()));
  // One block less is 2,145,386,496 bytes: a size, exactly.
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units, static_cast<int>(kBlockUnits * (kBlocks - 1)), nullptr, 0,
                                nullptr, nullptr),
            static_cast<int>(3 * kBlockUnits * (kBlocks - 1)));
}

}  // namespace
