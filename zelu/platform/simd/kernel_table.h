// Picking kernels out of a Highway dispatch table.
//
// A file of vector kernels exports (HWY_EXPORT) one getter per instruction
// set, which returns that set's kernel (a struct of function pointers) when
// this CPU runs it, else null; the emulated target (Highway's portable
// fallback, no vector instructions) answers only when asked to, so that
// tests cover it but the library never chooses it over its scalar kernel.
// The dispatch table lists the sets best first. Nothing here throws except
// AllKernelsInTable's allocation (std::bad_alloc); nothing keeps state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zelu::simd {

template <typename Kernel>
using TargetKernelGetter = const Kernel* (*)(bool emulated_too);

// What a getter returns: `kernel` when this CPU runs instruction set
// `target` (a bit of `supported`, Highway's set for this CPU) and the set is
// not the `emulated` one, unless `emulated_too`; else null.
template <typename Kernel>
const Kernel* IfRunnable(const Kernel& kernel, std::int64_t target, std::int64_t supported, std::int64_t emulated,
                         bool emulated_too) noexcept {
  if ((supported & target) == 0) return nullptr;
  return target != emulated || emulated_too ? &kernel : nullptr;
}

// The table's entries for the instruction sets. With more than one set,
// entry 0 is Highway's own first-call chooser, which only repeats the best.
template <typename Kernel, std::size_t N>
std::span<const TargetKernelGetter<Kernel>> TargetEntries(const TargetKernelGetter<Kernel> (&table)[N]) noexcept {
  return std::span<const TargetKernelGetter<Kernel>>(table, N).subspan(N > 1 ? 1 : 0);
}

// The first kernel of the table that the library may choose, else `fallback`.
template <typename Kernel, std::size_t N>
const Kernel& BestKernelInTable(const TargetKernelGetter<Kernel> (&table)[N], const Kernel& fallback) noexcept {
  for (const auto get : TargetEntries(table)) {
    if (const Kernel* kernel = get != nullptr ? get(false) : nullptr) return *kernel;
  }
  return fallback;
}

// The scalar kernel first, then every vector kernel this CPU runs, best
// first, the emulated one included.
template <typename Kernel, std::size_t N>
std::vector<const Kernel*> AllKernelsInTable(const TargetKernelGetter<Kernel> (&table)[N], const Kernel& scalar) {
  std::vector<const Kernel*> kernels{&scalar};
  for (const auto get : TargetEntries(table)) {
    const Kernel* kernel = get != nullptr ? get(true) : nullptr;
    if (kernel != nullptr && std::find(kernels.begin(), kernels.end(), kernel) == kernels.end()) {
      kernels.push_back(kernel);
    }
  }
  return kernels;
}

}  // namespace zelu::simd
