// zelu utf8 --to-utf16|--to-utf8 [--strict]: UTF-8 <-> UTF-16LE, streaming.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <zelu/platform/win32/utf8.h>

#include "command.h"
#include "io.h"
#include "options.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "utf8";
constexpr std::size_t kChunkBytes = 1 << 16;

// The first bytes of the input that cannot be converted, and why.
struct Fault {
  std::size_t offset = 0;
  std::size_t length = 0;  // 0: none
  const char* what = "";
};

// One direction of conversion over a stream read in chunks.
struct Direction {
  // How many of the pending bytes can be converted now; the rest waits for
  // the next chunk (all of them at the end of the input).
  std::size_t (*ready)(const std::string& pending, bool at_end);
  Fault (*find_fault)(const char* bytes, std::size_t count);
  void (*convert)(const char* bytes, std::size_t count, std::string& out);
};

std::size_t Utf8Ready(const std::string& pending, bool at_end) {
  return at_end ? pending.size() : pending.size() - zelu::win32::IncompleteUtf8Tail(pending.data(), pending.size());
}

Fault FindUtf8Fault(const char* bytes, std::size_t count) {
  const zelu::win32::Utf8Fault fault = zelu::win32::FindUtf8Fault(bytes, count);
  return {fault.offset, fault.length, "malformed UTF-8"};
}

void Utf8ToUtf16Le(const char* bytes, std::size_t count, std::string& out) {
  std::vector<WCHAR> units(zelu::win32::MaxUtf16Units(count));
  units.resize(zelu::win32::Utf8ToUtf16(bytes, count, units.data()));
  out.resize(units.size() * 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = static_cast<char>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
}

std::vector<WCHAR> UnitsOfUtf16Le(const char* bytes, std::size_t count) {
  std::vector<WCHAR> units(count / 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[2 * i]) |
                                  static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

// Whole units only, and a high surrogate at the end waits for its partner.
std::size_t Utf16LeReady(const std::string& pending, bool at_end) {
  if (at_end) return pending.size();
  std::size_t ready = pending.size() & ~std::size_t{1};
  if (ready >= 2 && (static_cast<unsigned char>(pending[ready - 1]) & 0xFC) == 0xD8) ready -= 2;
  return ready;
}

Fault FindUtf16LeFault(const char* bytes, std::size_t count) {
  const std::vector<WCHAR> units = UnitsOfUtf16Le(bytes, count);
  const std::size_t unpaired = zelu::win32::FindUnpairedSurrogate(units.data(), units.size());
  if (unpaired < units.size()) return {2 * unpaired, 2, "unpaired surrogate"};
  if (count % 2 != 0) return {count - 1, 1, "half a UTF-16 unit at the end"};
  return {};
}

// An odd byte at the end is malformed input too: it becomes U+FFFD.
void Utf16LeToUtf8(const char* bytes, std::size_t count, std::string& out) {
  const std::vector<WCHAR> units = UnitsOfUtf16Le(bytes, count);
  out.resize(zelu::win32::MaxUtf8Bytes(units.size()));
  out.resize(zelu::win32::Utf16ToUtf8(units.data(), units.size(), out.data()));
  if (count % 2 != 0) out += "\xEF\xBF\xBD";
}

std::string Describe(const Fault& fault, const std::string& where, const char* bytes) {
  std::string text = std::string(fault.what) + " at " + where + ":";
  for (std::size_t i = 0; i < fault.length; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(bytes[i]));
    text += hex;
  }
  return text;
}

// Reads the input a chunk at a time and writes each converted piece, so
// memory stays bounded whatever the input's size. With `strict`, a chunk is
// checked before it is converted: what comes before a fault is written,
// then the fault is reported.
void Stream(Input& input, Output& out, const Direction& direction, bool strict) {
  std::vector<char> chunk(kChunkBytes);
  std::string pending;
  std::string converted;
  std::uint64_t consumed = 0;  // input bytes before `pending`
  for (;;) {
    out.Flush();  // what is converted is out before the next read waits
    const std::size_t got = input.Read(chunk.data(), chunk.size());
    const bool at_end = got == 0;
    pending.append(chunk.data(), got);
    const std::size_t ready = direction.ready(pending, at_end);
    const Fault fault = strict ? direction.find_fault(pending.data(), ready) : Fault{};
    direction.convert(pending.data(), fault.length != 0 ? fault.offset : ready, converted);
    if (fault.length != 0) {
      out.Write(converted);
      throw Failure(Describe(fault, input.Where(consumed + fault.offset), pending.data() + fault.offset));
    }
    out.Write(converted);
    pending.erase(0, ready);
    consumed += ready;
    if (at_end) return;
  }
}

int Run(const std::vector<std::string>& arguments) {
  static constexpr Direction kToUtf16{&Utf8Ready, &FindUtf8Fault, &Utf8ToUtf16Le};
  static constexpr Direction kToUtf8{&Utf16LeReady, &FindUtf16LeFault, &Utf16LeToUtf8};
  const ParsedOptions options =
      ParseOptions(arguments, {{0, "to-utf16", false}, {0, "to-utf8", false}, {0, "strict", false}});
  if (options.Has("to-utf16") == options.Has("to-utf8")) throw UsageError("give one of --to-utf16 and --to-utf8");
  Input input(options.operands);
  Output out;
  Stream(input, out, options.Has("to-utf16") ? kToUtf16 : kToUtf8, options.Has("strict"));
  out.Flush();
  return kExitOk;
}

const CommandRegistration registration({
    kName,
    "UTF-8 to UTF-16LE and back",
    "usage: zelu utf8 --to-utf16 [--strict] [FILE|-]...   (UTF-8 in, UTF-16LE out)\n"
    "       zelu utf8 --to-utf8 [--strict] [FILE|-]...    (UTF-16LE in, UTF-8 out)\n"
    "\n"
    "Converts the FILEs (or standard input) to standard output as it streams,\n"
    "in chunks of 64 KiB, so any size of input works in constant memory. A\n"
    "byte order mark is a character like any other: none is added or removed.\n"
    "Malformed input (bytes that are not UTF-8; unpaired surrogates, or an odd\n"
    "byte at the end of UTF-16LE) becomes U+FFFD, as the library converts it.\n"
    "  --strict  fail instead: report the first malformed sequence, its byte\n"
    "            offset (within its FILE, which is named) and its bytes, on\n"
    "            standard error and exit with 1. What the input before it\n"
    "            converts to is written first.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
