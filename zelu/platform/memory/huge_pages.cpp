#include <zelu/platform/memory/huge_pages.h>

#include <cstdint>

#include <sys/mman.h>

namespace zelu::memory {
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

}  // namespace

void AdviseHugePages(void* buffer, std::size_t bytes) noexcept {
  if (buffer == nullptr || bytes < kHugePageAdviceMinimum) return;
  const auto start = reinterpret_cast<std::uintptr_t>(buffer);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (last <= first) return;
#ifdef MADV_HUGEPAGE
  // Only a hint: EINVAL (no transparent huge pages in this kernel) and the
  // rest leave the buffer exactly as it was.
  static_cast<void>(madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE));
#endif
}

unsigned char* NewBytes(std::size_t count) {
  auto* bytes = new unsigned char[count];
  AdviseHugePages(bytes, count);
  return bytes;
}

}  // namespace zelu::memory
