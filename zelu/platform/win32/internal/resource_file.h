// The reader behind LoadLibraryExW: the string tables of a file in the
// platform's executable format (PE32 or PE32+, as a resource-only library
// is) or of a compiled resource file (.res), read from bytes in memory.
//
// String tables are bundles of 16 entries; bundle b holds the strings
// (b - 1) * 16 to (b - 1) * 16 + 15, each a 16-bit count of units followed
// by that many UTF-16LE units. An entry of count 0 is a missing string. When
// a bundle is held in several languages, one is taken for the whole bundle:
// neutral (0) first, then US English (0x409), then the lowest language id
// (of two tables with the same bundle and language, the first in the file).
// Bundle 0 and named tables hold no id and are skipped; so are resources of
// other types.
//
// Every offset and size is checked against the bytes before it is followed,
// in 64-bit arithmetic, and the bytes are read one at a time (little-endian
// on any host). The work is bounded by the size of the input: the
// directories of an image together may list at most one entry per 8 bytes
// of the resource directory, and the bundles taken may not together be
// larger than the file, so directories that point back at one another or
// share their entries fail instead of multiplying the work.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include <zelu/platform/win32/string_resources.h>

namespace zelu::win32::internal {

// The strings of `file`, or nothing when it is neither a PE32/PE32+ image
// nor a compiled resource file, or is truncated or malformed anywhere the
// reader goes: headers, the section table (every section's data must lie
// in the file), the resource directory, the data of the bundles taken, and
// for a .res file every entry up to the end of the file, each padded to a
// multiple of 4 bytes. A well-formed image or .res file without string
// tables gives an empty module. Throws only std::bad_alloc.
std::optional<StringModule> ReadStringResources(std::span<const std::uint8_t> file);

}  // namespace zelu::win32::internal
