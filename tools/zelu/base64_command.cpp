// zelu base64 [encode|decode] [-d] [-w COLS] [-i] [--strict] [--progress] [FILE|-]...
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zelu/encoding/base64.h>

#include "codec_options.h"
#include "codec_text.h"
#include "command.h"
#include "io.h"
#include "options.h"
#include "progress.h"

namespace zelu::tool {
namespace {

constexpr std::string_view kName = "base64";
constexpr std::size_t kDefaultColumns = 76;
constexpr std::size_t kEncodeChunkBytes = 3 << 14;  // whole groups of three bytes; fits the cache
constexpr std::size_t kDecodeChunkBytes = 1 << 16;

// What each character (the low byte of a unit) is to the decoder.
enum CharacterClass : unsigned char { kSkipped, kAlphabet, kPad };
constexpr std::array<unsigned char, 256> kClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (const char c : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")) {
    classes[static_cast<unsigned char>(c)] = kAlphabet;
  }
  classes['='] = kPad;
  return classes;
}();

void Encode(Input& input, Output& out, std::size_t columns, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kEncodeChunkBytes);
  CString text;
  WrappedText wrapped(out, columns);
  for (;;) {
    const std::size_t got = input.ReadFull(buffer.get(), kEncodeChunkBytes);
    if (got == 0) break;
    CBase64::Encode(reinterpret_cast<unsigned char*>(buffer.get()), static_cast<ULONG>(got), text);
    wrapped.Write(text);
    progress.Update();
    if (got < kEncodeChunkBytes) break;  // the input has ended
  }
  wrapped.Finish();
}

// The strict decoder's rules over the bytes of the input: only the alphabet
// and line breaks (anything with --ignore-garbage), '=' only to complete the
// last group, nothing but line breaks after it, no incomplete last group.
class StrictBase64Check {
 public:
  explicit StrictBase64Check(bool ignore_garbage) : ignore_garbage_(ignore_garbage) {}

  void Check(std::string_view bytes) {
    for (const char c : bytes) {
      Step(static_cast<unsigned char>(c));
      ++offset_;
    }
  }

  void Finish() const {
    if (in_group_ != 0 && !closed_) {
      throw Failure("incomplete group of " + std::to_string(in_group_) + " character(s) at the end (byte " +
                    std::to_string(offset_) + ")");
    }
  }

 private:
  [[noreturn]] void Refuse(const std::string& what) const {
    throw Failure(what + " at byte " + std::to_string(offset_));
  }

  void Step(unsigned char byte) {
    if (byte == '\n' || byte == '\r') return;
    switch (kClasses[byte]) {
      case kAlphabet:
        if (closed_ || pads_ != 0) Refuse("data after '=' padding");
        in_group_ = (in_group_ + 1) % 4;
        return;
      case kPad:
        if (closed_ || in_group_ + pads_ < 2) Refuse("misplaced '='");
        if (++pads_ + in_group_ == 4) closed_ = true;
        return;
      default:
        if (ignore_garbage_) return;
        char shown[8];
        std::snprintf(shown, sizeof shown, "0x%02X", byte);
        Refuse(std::string("character ") + shown + " outside the alphabet");
    }
  }

  bool ignore_garbage_;
  std::uint64_t offset_ = 0;
  unsigned in_group_ = 0;  // alphabet characters of the group being read
  unsigned pads_ = 0;      // '=' read in that group
  bool closed_ = false;    // a group was completed by padding
};

// 1 for a unit whose low byte is in the alphabet. Branch-free, so that the
// count over a block vectorises.
inline unsigned IsAlphabet(WCHAR unit) {
  const unsigned low = unit & 0xFFu;
  return static_cast<unsigned>((low - 'A' < 26u) | (low - 'a' < 26u) | (low - '0' < 10u) | (low == '+') |
                               (low == '/'));
}

// The units of `text` up to its first '=' (then `finished`), or up to the
// end of its last whole group of four alphabet characters. Units outside the
// alphabet decode to nothing, so a cut anywhere between two groups decodes
// the same.
int WholeGroupsEnd(const CString& text, bool& finished) {
  const WCHAR* units = text.GetString();
  const auto length = static_cast<std::size_t>(text.GetLength());
  constexpr std::size_t kBlock = 256;
  std::size_t alphabet = 0;
  std::size_t end = 0;
  while (end < length) {
    const std::size_t block = std::min(kBlock, length - end);
    unsigned pads = 0;
    unsigned in_block = 0;
    for (std::size_t i = 0; i < block; ++i) {
      pads |= static_cast<unsigned>((units[end + i] & 0xFFu) == '=');
      in_block += IsAlphabet(units[end + i]);
    }
    if (pads != 0) {
      while ((units[end] & 0xFFu) != '=') ++end;
      finished = true;
      return static_cast<int>(end + 1);
    }
    alphabet += in_block;
    end += block;
  }
  // Leave the characters of an incomplete last group for the next piece.
  for (std::size_t unfinished = alphabet % 4; unfinished > 0; --end) unfinished -= IsAlphabet(units[end - 1]);
  return static_cast<int>(end);
}

void WriteDecoded(const CString& text, Output& out) {
  unsigned char* raw = nullptr;
  ULONG count = 0;
  CBase64::Decode(text, &raw, count);
  const std::unique_ptr<unsigned char[]> bytes(raw);
  out.Write({reinterpret_cast<const char*>(bytes.get()), count});
}

// Decodes in pieces that end after whole groups, so that every piece decodes
// exactly as it would inside the whole text.
void Decode(Input& input, Output& out, StrictBase64Check* strict, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kDecodeChunkBytes);
  Utf8Pieces pieces;
  CString text;
  CString pending;  // units after the last whole group, for the next piece
  bool finished = false;
  for (;;) {
    const std::size_t got = input.Read(buffer.get(), kDecodeChunkBytes);
    const std::string_view bytes(buffer.get(), got);
    if (strict != nullptr) strict->Check(bytes);
    if (finished) {  // after '=' nothing more is decoded; a strict run still reads on
      if (got == 0 || strict == nullptr) break;
      continue;
    }
    text = pending;
    pieces.Append(bytes, got == 0, text);
    const int end = WholeGroupsEnd(text, finished);
    pending = text.Mid(end);
    text.ReleaseBuffer(end);  // the whole groups alone, without a copy
    WriteDecoded(text, out);
    progress.Update();
    if (got == 0) break;
  }
  if (strict != nullptr) strict->Finish();
}

int Run(const std::vector<std::string>& arguments) {
  ParsedOptions options = ParseOptions(arguments, {{'d', "decode", false},
                                                   {'w', "wrap", true},
                                                   {'i', "ignore-garbage", false},
                                                   {0, "strict", false},
                                                   {0, "progress", false}});
  const CodecMode mode = TakeCodecMode(options);
  const std::size_t columns = options.Has("wrap") ? ParseColumns(*options.Value("wrap"), "--wrap") : kDefaultColumns;
  Input input(options.operands);
  Output out;
  Progress progress(input, options.Has("progress"));
  if (mode == CodecMode::kEncode) {
    Encode(input, out, columns, progress);
  } else if (options.Has("strict")) {
    StrictBase64Check strict(options.Has("ignore-garbage"));
    Decode(input, out, &strict, progress);
  } else {
    Decode(input, out, nullptr, progress);
  }
  out.Flush();
  return kExitOk;
}

const CommandRegistration registration({
    kName,
    "Base64: encode bytes, decode text",
    "usage: zelu base64 [encode|decode] [OPTIONS] [FILE|-]...\n"
    "\n"
    "Encodes the bytes of the FILEs (or standard input) as Base64 text, or with\n"
    "-d decodes Base64 text back into bytes, streaming.\n"
    "\n"
    "  -d, --decode          decode (the same as the word 'decode')\n"
    "  -w, --wrap COLS       break encoded lines after COLS characters (default\n"
    "                        76); 0 writes one line with no line feed\n"
    "  -i, --ignore-garbage  accepted for familiarity: decoding always skips\n"
    "                        characters outside the alphabet\n"
    "      --strict          refuse what a strict decoder would: a character\n"
    "                        outside the alphabet other than a line break, a\n"
    "                        misplaced '=', data after the padding, an incomplete\n"
    "                        last group; the first fault and its byte offset are\n"
    "                        reported and the exit status is 1\n"
    "      --progress        show bytes done, rate and time left on standard error\n"
    "                        (the default for files over 64 MiB on a terminal)\n"
    "\n"
    "The alphabet is A-Z a-z 0-9 + / with '=' padding. Decoding is forgiving\n"
    "unless --strict: characters outside the alphabet (line breaks, spaces, '-',\n"
    "'_', ...) are skipped, the first '=' ends the input, and an incomplete last\n"
    "group is dropped. Text is read as UTF-8 and only the low byte of each UTF-16\n"
    "unit counts.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
