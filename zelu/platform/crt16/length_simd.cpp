// The vector length kernels: four 128-bit vectors per 64-byte block, for
// every instruction set that Highway targets here (foreach_target re-includes
// this file once per set).
#include <zelu/platform/crt16/internal/length_kernel.h>

#include <cstdint>
#include <vector>

#include <zelu/platform/simd/kernel_table.h>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "zelu/platform/crt16/length_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zelu::crt16::internal {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR

// Reads whole aligned blocks, past the terminator inside the last one (see
// length_kernel.h); the address sanitizer, which checks reads against the
// text's storage, does not instrument this loop.
__attribute__((no_sanitize_address)) std::size_t AlignedLength(const WCHAR* aligned) noexcept {
  const hn::Full128<std::uint16_t> d;
  constexpr std::size_t kLanes = 8;
  constexpr std::size_t kBlockUnits = kLengthBlockBytes / sizeof(WCHAR);
  const auto zero = hn::Zero(d);
  for (std::size_t block = 0;; block += kBlockUnits) {
    const auto first = hn::Eq(hn::Load(d, aligned + block), zero);
    const auto second = hn::Eq(hn::Load(d, aligned + block + kLanes), zero);
    const auto third = hn::Eq(hn::Load(d, aligned + block + 2 * kLanes), zero);
    const auto fourth = hn::Eq(hn::Load(d, aligned + block + 3 * kLanes), zero);
    if (hn::AllFalse(d, hn::Or(hn::Or(first, second), hn::Or(third, fourth)))) continue;
    // The terminator is in this block: find its vector.
    for (std::size_t unit = block;; unit += kLanes) {
      const std::intptr_t found = hn::FindFirstTrue(d, hn::Eq(hn::Load(d, aligned + unit), zero));
      if (found >= 0) return unit + static_cast<std::size_t>(found);
    }
  }
}

#endif  // HWY_TARGET != HWY_SCALAR

// This instruction set's kernel, when this CPU runs it; Highway's one-lane
// fallback has none.
const LengthKernel* TargetLengthKernel(bool emulated_too) {
#if HWY_TARGET == HWY_SCALAR
  static_cast<void>(emulated_too);
  return nullptr;
#else
  static const LengthKernel kernel{hwy::TargetName(HWY_TARGET), AlignedLength};
  return zelu::simd::IfRunnable(kernel, HWY_TARGET, HWY_SUPPORTED_TARGETS, HWY_EMU128, emulated_too);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelu::crt16::internal
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelu::crt16::internal {

HWY_EXPORT(TargetLengthKernel);

const LengthKernel& ActiveLengthKernel() noexcept {
  static const LengthKernel& chosen =
      zelu::simd::BestKernelInTable(HWY_DISPATCH_TABLE(TargetLengthKernel), ScalarLengthKernel());
  return chosen;
}

std::vector<const LengthKernel*> SupportedLengthKernels() {
  return zelu::simd::AllKernelsInTable(HWY_DISPATCH_TABLE(TargetLengthKernel), ScalarLengthKernel());
}

}  // namespace zelu::crt16::internal
#endif  // HWY_ONCE
