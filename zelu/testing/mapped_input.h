// Test helper: inputs of gigabytes that cost (almost) no memory, so that size
// limits are tested at their real sizes.
//
// A MappedInput is a read-only stretch of address space:
//   * MappedInput::Zeros(size): `size` zero bytes, every page the system's
//     shared zero page until something writes it (nothing can: read-only);
//   * MappedInput::Repeated(block, size): the bytes of `block` (a whole
//     number of pages) again and again, every copy the same physical pages,
//     and after them a page of zeros (so text made of them ends there);
//   * MappedInput::BeforeGuardPage(bytes): `bytes` ending right where an
//     inaccessible page begins, so that reading one byte past them faults:
//     code that must stop early is caught reading too far.
// Code under test reads it like any buffer; writing to it faults. The
// mapping is released when the object is destroyed. data() points at the
// bytes (for BeforeGuardPage, inside the mapping).
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace zelu::testing {

class MappedInput {
 public:
  static MappedInput Zeros(std::size_t size) { return MappedInput(size); }

  static MappedInput Repeated(const std::string& block, std::size_t size) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    if (block.empty() || block.size() % page != 0 || size % block.size() != 0) {
      throw std::invalid_argument("MappedInput: the block must be whole pages and divide the size");
    }
    MappedInput input(size + page);
    input.length_ = size;
    const int file = memfd_create("zelu-mapped-input", 0);
    if (file < 0) throw std::runtime_error("MappedInput: no memory file");
    bool mapped = write(file, block.data(), block.size()) == static_cast<ssize_t>(block.size());
    for (std::size_t offset = 0; mapped && offset < size; offset += block.size()) {
      mapped = mmap(input.bytes_ + offset, block.size(), PROT_READ, MAP_SHARED | MAP_FIXED | MAP_POPULATE, file, 0) !=
               MAP_FAILED;
    }
    close(file);  // the mappings keep the file
    if (!mapped) throw std::runtime_error("MappedInput: mapping failed");
    return input;
  }

  static MappedInput BeforeGuardPage(const std::string& bytes) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t readable = (bytes.size() + page - 1) / page * page;
    MappedInput input(readable + page);
    if (mprotect(input.bytes_, readable, PROT_READ | PROT_WRITE) != 0) throw std::runtime_error("MappedInput: mprotect");
    input.start_ = readable - bytes.size();
    input.length_ = bytes.size();
    std::memcpy(input.bytes_ + input.start_, bytes.data(), bytes.size());
    if (mprotect(input.bytes_, readable, PROT_READ) != 0 ||
        mprotect(input.bytes_ + readable, page, PROT_NONE) != 0) {
      throw std::runtime_error("MappedInput: mprotect");
    }
    return input;
  }

  MappedInput(MappedInput&& other) noexcept
      : bytes_(other.bytes_), size_(other.size_), start_(other.start_), length_(other.length_) {
    other.bytes_ = nullptr;
  }
  MappedInput(const MappedInput&) = delete;
  MappedInput& operator=(const MappedInput&) = delete;
  MappedInput& operator=(MappedInput&&) = delete;
  ~MappedInput() {
    if (bytes_ != nullptr) munmap(bytes_, size_);
  }

  const unsigned char* data() const { return bytes_ + start_; }
  std::size_t size() const { return length_; }

 private:
  explicit MappedInput(std::size_t size) : size_(size), length_(size) {
    void* place = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (place == MAP_FAILED) throw std::runtime_error("MappedInput: no address space");
    bytes_ = static_cast<unsigned char*>(place);
  }

  unsigned char* bytes_;
  std::size_t size_;        // of the whole mapping
  std::size_t start_ = 0;   // where the bytes begin in it
  std::size_t length_;      // of the bytes
};

// 4 GiB: the bytes of 2^31 units, and input that encodes past the limit.
// A 32-bit process cannot address that much (the constant is 0 there):
// tests that need it skip when kRoomPastTheLimit is false, giving
// kNoRoomPastTheLimit as the reason.
inline constexpr std::size_t kFourGibibytes = static_cast<std::size_t>(std::uint64_t{1} << 32);
inline constexpr bool kRoomPastTheLimit = kFourGibibytes != 0;
inline constexpr char kNoRoomPastTheLimit[] = "needs 4 GiB of address space, more than a 32-bit process has";

// 2^31 units of text ('x'), one more than any text of the library may hold,
// with a zero unit after them: 4 GiB of address space, one block of memory.
inline MappedInput TextPastTheLimit() {
  if (!kRoomPastTheLimit) throw std::logic_error(kNoRoomPastTheLimit);
  const std::string block(std::size_t{1} << 21, 'x');  // 'x' in both bytes: the unit 0x7878
  return MappedInput::Repeated(block, kFourGibibytes);
}

}  // namespace zelu::testing
