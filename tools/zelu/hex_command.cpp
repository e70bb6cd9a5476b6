// zelu hex encode|decode [--counted]
#include <memory>
#include <string>
#include <vector>

#include <zelu/encoding/base16.h>

#include "command.h"
#include "io.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: zelu hex encode [--counted] < bytes > text\n"
    "       zelu hex decode [--counted] < text > bytes\n\n"
    "encode writes two upper-case hex digits per input byte, then a newline.\n"
    "  --counted  put the byte count first as four lower-case hex digits\n"
    "             (at most 65535 bytes).\n"
    "decode reads hex digits (either case) and writes the bytes. Trailing line\n"
    "breaks and spaces are ignored; anything else that is not a digit pair is\n"
    "an error. With --counted the first four characters give the byte count.\n";

constexpr ULONG kMostCountedBytes = 0xFFFF;

// Drops the trailing white space a shell pipeline usually adds.
std::string_view TrimTrailingSpace(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

int Encode(bool counted) {
  std::string input = ReadStandardInput();
  if (input.size() > INT_MAX / 2 - 4) return Fail("hex", "input too large");
  if (counted && input.size() > kMostCountedBytes) {
    return Fail("hex", "--counted holds at most 65535 bytes; input has " + std::to_string(input.size()));
  }
  auto* data = reinterpret_cast<unsigned char*>(input.data());
  CString text;
  CBytes::encode(data, static_cast<ULONG>(input.size()), text, counted);
  return WriteStandardOutput(ToUtf8(text) + "\n") ? kExitOk : Fail("hex", "cannot write standard output");
}

int Decode(bool counted) {
  const std::string input = ReadStandardInput();
  const CString text = FromUtf8(TrimTrailingSpace(input));
  unsigned char* raw = nullptr;
  int count = 0;
  const bool decoded = CBytes::decode(text, &raw, count, counted);
  const std::unique_ptr<unsigned char[]> bytes(raw);
  if (!decoded) {
    if (text.GetLength() % 2 != 0) return Fail("hex", "odd number of hex digits");
    return Fail("hex", counted ? "invalid hex digit, or fewer bytes than the count announces" : "invalid hex digit");
  }
  const std::string_view output(reinterpret_cast<const char*>(bytes.get()), static_cast<std::size_t>(count));
  return WriteStandardOutput(output) ? kExitOk : Fail("hex", "cannot write standard output");
}

int Run(const std::vector<std::string>& arguments) {
  bool counted = false;
  std::string action;
  for (const auto& argument : arguments) {
    if (argument == "--counted") {
      counted = true;
    } else if (action.empty() && (argument == "encode" || argument == "decode")) {
      action = argument;
    } else {
      return Fail("hex", "unexpected argument '" + argument + "' (see zelu hex --help)", kExitUsage);
    }
  }
  if (action.empty()) return Fail("hex", "say encode or decode (see zelu hex --help)", kExitUsage);
  return action == "encode" ? Encode(counted) : Decode(counted);
}

const CommandRegistration kRegistration({"hex", "bytes to hex text and back (plain or counted)", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
