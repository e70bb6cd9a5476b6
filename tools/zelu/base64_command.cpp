// zelu base64 encode|decode: Base64 from bytes and bytes from Base64.
#include <climits>
#include <cstddef>
#include <string>
#include <vector>

#include <zelu/encoding/base64.h>

#include "command.h"
#include "io.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "base64";

int Encode() {
  const std::string input = ReadStandardInput();
  // The text must fit a CString: 4 characters for every 3 bytes.
  if (input.size() > (std::size_t{INT_MAX} - 1) / 4 * 3) return Fail(kName, "input too large");
  std::vector<unsigned char> bytes(input.begin(), input.end());
  CString text;
  CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), text);
  if (!WriteStandardOutput(ToUtf8(text) + '\n')) return Fail(kName, "cannot write standard output");
  return kExitOk;
}

int Decode() {
  const CString text = FromUtf8(ReadStandardInput());
  unsigned char* bytes = nullptr;
  ULONG count = 0;
  CBase64::Decode(text, &bytes, count);
  const std::string output(reinterpret_cast<const char*>(bytes), count);
  delete[] bytes;
  if (!WriteStandardOutput(output)) return Fail(kName, "cannot write standard output");
  return kExitOk;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return Fail(kName, "expected 'encode' or 'decode' (see zelu base64 --help)", kExitUsage);
  if (arguments[0] == "encode") return Encode();
  if (arguments[0] == "decode") return Decode();
  return Fail(kName, "unknown mode '" + arguments[0] + "' (expected 'encode' or 'decode')", kExitUsage);
}

const CommandRegistration registration({
    kName,
    "Base64: encode bytes, decode text",
    "usage: zelu base64 encode < BYTES\n"
    "       zelu base64 decode < TEXT\n"
    "\n"
    "encode  reads bytes from standard input and writes their Base64 text\n"
    "        (A-Z a-z 0-9 + /, '=' padding, no line breaks) and a newline.\n"
    "decode  reads Base64 text (UTF-8) from standard input and writes the bytes.\n"
    "        Decoding is forgiving and never fails: characters outside the\n"
    "        alphabet (line breaks, spaces, '-', '_', ...) are skipped, the first\n"
    "        '=' ends the input, and a last group of characters that is not\n"
    "        complete is dropped. Only the low byte of each UTF-16 unit counts.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
