// zelu hex [encode|decode] [-d] [-c COLS] [--lower] [--counted] [--strict] [--progress] [FILE|-]...
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zelu/encoding/base16.h>
#include <zelu/platform/crt16/crt16.h>

#include "codec_options.h"
#include "codec_text.h"
#include "command.h"
#include "io.h"
#include "options.h"
#include "progress.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "hex";
constexpr std::size_t kDefaultColumns = 30;  // bytes per line
constexpr std::size_t kChunkBytes = 1 << 16;  // the text of a chunk stays in the cache
constexpr std::size_t kMostCountedBytes = 0xFFFF;

constexpr std::string_view kUsage =
    "usage: zelu hex [encode|decode] [OPTIONS] [FILE|-]...\n"
    "\n"
    "Encodes the bytes of the FILEs (or standard input) as hex text, two\n"
    "upper-case digits per byte, or with -d decodes hex text back into bytes,\n"
    "streaming.\n"
    "\n"
    "  -d, --decode      decode (the same as the word 'decode')\n"
    "  -c, --cols COLS   bytes per line of encoded text (default 30); 0 writes one\n"
    "                    line with no line feed\n"
    "      --lower       lower-case digits\n"
    "      --counted     the counted form: the byte count first as four lower-case\n"
    "                    digits, then the bytes (at most 65535), on one line (so\n"
    "                    not with -c); its decoder reads the count and refuses\n"
    "                    text that is shorter or longer than it announces, and\n"
    "                    gives nothing for input without digits\n"
    "      --strict      on decoding, refuse spaces and tabs too (line breaks stay\n"
    "                    allowed)\n"
    "      --progress    show bytes done, rate and time left on standard error\n"
    "                    (the default for files over 64 MiB on a terminal)\n"
    "\n"
    "Decoding accepts digits of either case and ignores line breaks and white\n"
    "space between them; any other character, or an odd number of digits, is an\n"
    "error reported with its byte offset (within its FILE, which is named). The\n"
    "bytes decoded before the error are written first.\n";

// A read error ends the input: the text of what was read before it is
// written, its last line ended, before the error is reported.
void EncodePlain(Input& input, Output& out, std::size_t columns, bool lower, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kChunkBytes);
  CString text;
  WrappedText wrapped(out, 2 * columns, lower);
  try {
    for (std::size_t got; (got = input.Read(buffer.get(), kChunkBytes)) != 0;) {
      CBase16::Encode(reinterpret_cast<unsigned char*>(buffer.get()), static_cast<ULONG>(got), text);
      wrapped.Write(text);
      progress.Update();
    }
  } catch (const Failure&) {
    wrapped.Finish();
    throw;
  }
  wrapped.Finish();
}

void EncodeCounted(Input& input, Output& out, bool lower) {
  std::vector<char> bytes(kMostCountedBytes + 1);
  const std::size_t got = input.ReadFull(bytes.data(), bytes.size());
  if (got > kMostCountedBytes) throw Failure("--counted holds at most 65535 bytes; the input has more");
  CString text;
  CBytes::encode(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<ULONG>(got), text, true);
  WrappedText line(out, 0, lower);
  line.Write(text);
  out.Write("\n");
}

// The hex digits of the input, white space dropped, each other character
// refused with where it is.
class HexDigits {
 public:
  HexDigits(const Input& input, bool strict) : input_(input), strict_(strict) {}

  // Appends the digits of `bytes`, the input's next ones, to `digits`, up
  // to the first character that is refused; false if there is one, which
  // Refuse() then reports.
  bool Take(std::string_view bytes, std::vector<WCHAR>& digits) {
    for (const char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      if (zelu::crt16::HexDigitValue(byte) != zelu::crt16::kNotHexDigit) {
        digits.push_back(byte);
        last_digit_ = offset_;
      } else if (!IsIgnored(byte)) {
        refused_ = byte;
        return false;
      }
      ++offset_;
    }
    return true;
  }

  [[noreturn]] void Refuse() const {
    char shown[8];
    std::snprintf(shown, sizeof shown, "0x%02X", refused_);
    throw Failure(std::string("character ") + shown + " is not a hex digit (" + input_.Where(offset_) + ")");
  }

  // Failure for an odd number of digits, naming where the unpaired last one is.
  [[noreturn]] void RefuseOddCount() const {
    throw Failure("odd number of hex digits: the last one (" + input_.Where(last_digit_) + ") has no pair");
  }

 private:
  bool IsIgnored(unsigned char byte) const {
    if (byte == '\n' || byte == '\r') return true;
    return !strict_ && (byte == ' ' || byte == '\t' || byte == '\v' || byte == '\f');
  }

  const Input& input_;
  bool strict_;
  std::uint64_t offset_ = 0;
  std::uint64_t last_digit_ = 0;
  unsigned char refused_ = 0;
};

void DecodePlain(Input& input, Output& out, bool strict, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kChunkBytes);
  HexDigits reader(input, strict);
  std::vector<WCHAR> digits;
  for (;;) {
    const std::size_t got = input.Read(buffer.get(), kChunkBytes);
    if (got == 0) break;
    const bool clean = reader.Take({buffer.get(), got}, digits);
    const std::size_t whole = digits.size() / 2 * 2;
    const WCHAR odd = digits.size() > whole ? digits.back() : 0;
    digits.resize(whole);
    digits.push_back(0);
    unsigned char* raw = nullptr;
    ULONG count = 0;
    CBase16::Decode(digits.data(), &raw, count);  // every unit is a digit: it succeeds
    const std::unique_ptr<unsigned char[]> bytes(raw);
    out.Write({reinterpret_cast<const char*>(bytes.get()), count});
    digits.clear();
    if (!clean) reader.Refuse();  // after the bytes decoded before the fault
    if (odd != 0) digits.push_back(odd);
    progress.Update();
  }
  if (!digits.empty()) reader.RefuseOddCount();
}

void DecodeCounted(Input& input, Output& out, bool strict) {
  // Four count digits and two per byte; one byte more tells a longer text.
  constexpr std::size_t kMostDigits = 4 + 2 * kMostCountedBytes;
  const auto buffer = std::make_unique<char[]>(kChunkBytes);
  HexDigits reader(input, strict);
  std::vector<WCHAR> digits;
  for (std::size_t got; (got = input.Read(buffer.get(), kChunkBytes)) != 0;) {
    if (!reader.Take({buffer.get(), got}, digits)) reader.Refuse();
    if (digits.size() > kMostDigits) throw Failure("more hex digits than a count of 65535 bytes can announce");
  }
  if (digits.empty()) return;  // no text, no count: empty input gives empty output
  if (digits.size() % 2 != 0) reader.RefuseOddCount();
  digits.push_back(0);
  unsigned char* raw = nullptr;
  int count = 0;
  const bool decoded = CBytes::decode(digits.data(), &raw, count, true);
  const std::unique_ptr<unsigned char[]> bytes(raw);
  const std::size_t length = digits.size() - 1;
  if (length < 4) throw Failure("the text is shorter than its four-digit count");
  if (!decoded) throw Failure("the count announces " + std::to_string(count) + " bytes; the text holds fewer");
  const std::size_t announced = 4 + 2 * static_cast<std::size_t>(count);
  if (length > announced) {
    throw Failure(std::to_string(length - announced) + " hex digits follow the " + std::to_string(count) +
                  " counted bytes");
  }
  out.Write({reinterpret_cast<const char*>(bytes.get()), static_cast<std::size_t>(count)});
}

int Run(const std::vector<std::string>& arguments) {
  ParsedOptions options = ParseOptions(arguments, {{'d', "decode", false},
                                                   {'c', "cols", true},
                                                   {0, "lower", false},
                                                   {0, "counted", false},
                                                   {0, "strict", false},
                                                   {0, "progress", false}});
  const CodecMode mode = TakeCodecMode(options);
  const std::size_t columns = options.Has("cols") ? ParseColumns(*options.Value("cols"), "--cols") : kDefaultColumns;
  const bool counted = options.Has("counted");
  if (counted && options.Has("cols")) throw UsageError("--counted writes one line: -c/--cols does not apply");
  Input input(options.operands);
  Output out;
  Progress progress(input, options.Has("progress"));
  if (mode == CodecMode::kEncode && counted) {
    EncodeCounted(input, out, options.Has("lower"));
  } else if (mode == CodecMode::kEncode) {
    EncodePlain(input, out, columns, options.Has("lower"), progress);
  } else if (counted) {
    DecodeCounted(input, out, options.Has("strict"));
  } else {
    DecodePlain(input, out, options.Has("strict"), progress);
  }
  out.Flush();
  return kExitOk;
}

const CommandRegistration kRegistration({kName, "bytes to hex text and back (plain or counted)", kUsage, Run});

}  // namespace
}  // namespace zelu::tool
