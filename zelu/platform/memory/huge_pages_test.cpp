#include <zelu/platform/memory/huge_pages.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <zelu/testing/case_name.h>

namespace {

using zelu::memory::AdviseHugePages;
using zelu::memory::kHugePageAdviceMinimum;

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Whether the kernel marks the mapping that holds `address` as advised for
// huge pages ("hg" in its VmFlags); nullopt when /proc does not say.
std::optional<bool> AdvisedForHugePages(std::uintptr_t address) {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> low >> dash >> high && dash == '-') {
      inside = low <= address && address < high;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return (line + ' ').find(" hg ") != std::string::npos;
    }
  }
  return std::nullopt;
}

// A private anonymous mapping of `bytes`, released at the end of the scope.
struct Mapping {
  explicit Mapping(std::size_t size)
      : bytes(size), base(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) {}
  ~Mapping() {
    if (base != MAP_FAILED) munmap(base, bytes);
  }
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  std::uintptr_t HugeAligned() const {
    return (reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1);
  }
  std::size_t bytes;
  void* base;
};

// Skips unless this kernel records huge-page advice where the test can see it.
bool KernelRecordsAdvice() {
  Mapping probe(3 * kHugePage);
  if (probe.base == MAP_FAILED) return false;
  const std::uintptr_t page = probe.HugeAligned();
  if (madvise(reinterpret_cast<void*>(page), kHugePage, MADV_HUGEPAGE) != 0) return false;
  return AdvisedForHugePages(page) == std::optional<bool>(true);
}

// Within a mapping of 8 huge pages, a buffer placed `offset` bytes past an
// aligned huge page, `bytes` long: which of its huge pages end up advised.
struct Placement {
  const char* name;
  std::uintptr_t offset;
  std::size_t bytes;
  bool first_page_advised;  // the huge page where the buffer starts
  bool next_page_advised;   // the one after it
  bool last_page_advised;   // the one where the buffer ends
};

class AdviseHugePagesTest : public ::testing::TestWithParam<Placement> {};

TEST_P(AdviseHugePagesTest, AdvisesOnlyTheAlignedInterior) {
  if (!KernelRecordsAdvice()) GTEST_SKIP() << "this kernel does not show huge-page advice in /proc/self/smaps";
  const Placement& row = GetParam();
  Mapping mapping(9 * kHugePage);
  ASSERT_NE(mapping.base, MAP_FAILED);
  const std::uintptr_t start = mapping.HugeAligned() + row.offset;
  AdviseHugePages(reinterpret_cast<void*>(start), row.bytes);
  const std::uintptr_t first = start & ~(kHugePage - 1);
  const std::uintptr_t last = (start + row.bytes - 1) & ~(kHugePage - 1);
  EXPECT_EQ(AdvisedForHugePages(first), row.first_page_advised);
  EXPECT_EQ(AdvisedForHugePages(first + kHugePage), row.next_page_advised);
  EXPECT_EQ(AdvisedForHugePages(last), row.last_page_advised);
}

constexpr std::size_t kMinimum = kHugePageAdviceMinimum;

INSTANTIATE_TEST_SUITE_P(
    Placements, AdviseHugePagesTest,
    ::testing::Values(Placement{"AlignedMinimum", 0, kMinimum, true, true, true},
                      Placement{"UnderTheMinimum", 0, kMinimum - 1, false, false, false},
                      Placement{"UnalignedStartSkipsItsPage", 4096, kMinimum, false, true, false},
                      Placement{"UnalignedEndSkipsItsPage", 0, kMinimum + 4096, true, true, false},
                      Placement{"LargeUnaligned", 16, 6 * kHugePage, false, true, false}),
    zelu::testing::CaseName());

TEST(NewBytesTest, LargeBuffersAreAdvisedAndUsable) {
  if (!KernelRecordsAdvice()) GTEST_SKIP() << "this kernel does not show huge-page advice in /proc/self/smaps";
  const std::size_t count = 3 * kHugePageAdviceMinimum;
  const std::unique_ptr<unsigned char[]> bytes(zelu::memory::NewBytes(count));
  const auto interior = (reinterpret_cast<std::uintptr_t>(bytes.get()) + kHugePage - 1) & ~(kHugePage - 1);
  EXPECT_EQ(AdvisedForHugePages(interior), std::optional<bool>(true));
  bytes[0] = 1;
  bytes[count - 1] = 2;
  EXPECT_EQ(bytes[0] + bytes[count - 1], 3);
}

}  // namespace
