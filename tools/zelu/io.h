// Standard input and output for the zelu tool: raw bytes in, UTF-8 out.
#pragma once

#include <string>
#include <string_view>

#include <zelu/platform/cstring/cstring.h>

namespace zelu::tool {

// All of standard input as bytes.
std::string ReadStandardInput();

// Reads at most `capacity` bytes of standard input into `buffer`: the bytes
// read, 0 at the end of the input, -1 when reading failed.
long ReadStandardInputSome(char* buffer, std::size_t capacity);

// The UTF-8 form of a UTF-16 text (unpaired surrogates become U+FFFD).
std::string ToUtf8(const WCHAR* units, int length);
inline std::string ToUtf8(const CString& text) { return ToUtf8(text.GetString(), text.GetLength()); }

// A UTF-8 command-line argument as library text.
CString FromUtf8(std::string_view bytes);

// Writes all of `bytes` to standard output; false if the write failed.
bool WriteStandardOutput(std::string_view bytes);

}  // namespace zelu::tool
