// Large fresh buffers backed by transparent huge pages.
//
// The first write to each page of fresh memory costs the kernel a fault; a
// buffer of 64 MiB in 4 KiB pages takes 16,384 of them, in 2 MiB pages 32.
// The library asks for huge pages on the buffers of several MiB that it
// allocates and then fills (decoded bytes, a new string's storage), before
// it first touches them.
//
// What a caller may rely on:
//   * AdviseHugePages never changes the buffer's contents, never throws and
//     reports nothing: the request is a hint, which a kernel without
//     transparent huge pages (or one that has none free) ignores. Buffers
//     under kHugePageAdviceMinimum are left alone.
//   * NewBytes allocates like `new unsigned char[count]` (the caller releases
//     the buffer with delete[]; bytes are indeterminate; std::bad_alloc on
//     failure) and advises the buffer when it is large.
#pragma once

#include <cstddef>

#include <zelu/platform/base/export.h>

namespace zelu::memory {

// Two huge pages: a buffer this large holds at least one whole aligned huge
// page, wherever it starts.
inline constexpr std::size_t kHugePageAdviceMinimum = std::size_t{4} << 20;

// Asks for huge pages over the 2 MiB-aligned interior of the buffer. Pages
// that were already touched keep their size, so call it before the first
// write.
ZELU_API void AdviseHugePages(void* buffer, std::size_t bytes) noexcept;

ZELU_API unsigned char* NewBytes(std::size_t count);

}  // namespace zelu::memory
