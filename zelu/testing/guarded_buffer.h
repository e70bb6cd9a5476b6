// Test helper: a buffer region at a chosen alignment, fenced by canaries.
//
// The region of `size` elements starts `offset` elements past a 64-byte
// boundary (so a loop over offsets covers every alignment that a vector
// kernel meets); kGuard canary elements lie on each side of it. A kernel
// that writes before or past its region changes a canary.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zelu::testing {

template <typename T>
class GuardedBuffer {
 public:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::size_t kAlignment = 64;

  GuardedBuffer(std::size_t size, std::size_t offset, T canary)
      : storage_(size + 2 * kGuard + 2 * kAlignment / sizeof(T), canary), size_(size), canary_(canary) {
    const auto base = reinterpret_cast<std::uintptr_t>(storage_.data() + kGuard);
    const std::size_t to_boundary = (kAlignment - base % kAlignment) % kAlignment / sizeof(T);
    start_ = kGuard + to_boundary + offset % (kAlignment / sizeof(T));
  }

  T* data() { return storage_.data() + start_; }
  std::span<T> region() { return {data(), size_}; }
  std::span<const T> region() const { return {storage_.data() + start_, size_}; }

  // Whether every element outside the region still holds the canary.
  bool CanariesIntact() const {
    const auto is_canary = [this](const T& element) { return element == canary_; };
    return std::all_of(storage_.begin(), storage_.begin() + static_cast<std::ptrdiff_t>(start_), is_canary) &&
           std::all_of(storage_.begin() + static_cast<std::ptrdiff_t>(start_ + size_), storage_.end(), is_canary);
  }

 private:
  std::vector<T> storage_;
  std::size_t size_;
  T canary_;
  std::size_t start_ = 0;
};

}  // namespace zelu::testing
