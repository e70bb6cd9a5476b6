// Test helper: inputs of gigabytes that cost (almost) no memory, so that size
// limits are tested at their real sizes.
//
// A MappedInput is a read-only stretch of address space:
//   * MappedInput::Zeros(size): `size` zero bytes, every page the system's
//     shared zero page until something writes it (nothing can: read-only);
//   * MappedInput::Repeated(block, size): the bytes of `block` (a whole
//     number of pages) again and again, every copy the same physical pages;
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
    MappedInput input(size);
    const int file = memfd_create("zelu-mapped-input", 0);
    if (file < 0 || write(file, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
      throw std::runtime_error("MappedInput: no memory file");
    }
    for (std::size_t offset = 0; offset < size; offset += block.size()) {
      if (mmap(input.bytes_ + offset, block.size(), PROT_READ, MAP_SHARED | MAP_FIXED, file, 0) == MAP_FAILED) {
        close(file);
        throw std::runtime_error("MappedInput: mapping failed");
      }
    }
    close(file);  // the mappings keep the file
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

}  // namespace zelu::testing
