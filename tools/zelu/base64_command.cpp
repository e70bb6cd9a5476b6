// zelu base64 [encode|decode] [-d] [-w COLS] [-i] [--strict] [--progress] [FILE|-]...
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zelu/encoding/base64.h>
#include <zelu/platform/win32/utf8.h>

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

// Encodes the input a chunk of whole groups at a time. A read error ends
// the input: what was read before it is encoded, padding and all, and
// written before the error is reported.
void Encode(Input& input, Output& out, std::size_t columns, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kEncodeChunkBytes);
  std::size_t filled = 0;
  CString text;
  WrappedText wrapped(out, columns);
  const auto encode_filled = [&] {
    CBase64::Encode(reinterpret_cast<unsigned char*>(buffer.get()), static_cast<ULONG>(filled), text);
    wrapped.Write(text);
    filled = 0;
  };
  for (;;) {
    std::size_t got = 0;
    try {
      got = input.Read(buffer.get() + filled, kEncodeChunkBytes - filled);
    } catch (const Failure&) {
      encode_filled();
      wrapped.Finish();
      throw;
    }
    if (got == 0) break;
    filled += got;
    if (filled == kEncodeChunkBytes) {
      encode_filled();
      progress.Update();
    }
  }
  encode_filled();
  wrapped.Finish();
}

// The strict decoder's rules over the bytes of the input: only the alphabet
// and line breaks (anything with --ignore-garbage), '=' only to complete the
// last group, nothing but line breaks after it, no incomplete last group.
class StrictBase64Check {
 public:
  StrictBase64Check(const Input& input, bool ignore_garbage) : input_(input), ignore_garbage_(ignore_garbage) {}

  // How many of `bytes`, the input's next ones, keep the rules; the fault
  // after them, if any, is for Refuse().
  std::size_t Check(std::string_view bytes) {
    for (std::size_t kept = 0; kept < bytes.size(); ++kept, ++offset_) {
      fault_ = Step(static_cast<unsigned char>(bytes[kept]));
      if (fault_ != nullptr) {
        faulty_byte_ = static_cast<unsigned char>(bytes[kept]);
        return kept;
      }
    }
    return bytes.size();
  }

  // Failure for the fault that Check found.
  [[noreturn]] void Refuse() const {
    std::string what = fault_;
    if (fault_ == kOutsideAlphabet) {
      char shown[8];
      std::snprintf(shown, sizeof shown, "0x%02X", faulty_byte_);
      what = std::string("character ") + shown + " " + fault_;
    }
    throw Failure(what + " at " + input_.Where(offset_));
  }

  void Finish() const {
    if (in_group_ != 0 && !closed_) {
      throw Failure("incomplete group of " + std::to_string(in_group_) + " character(s) at the end (" +
                    input_.Where(offset_) + ")");
    }
  }

 private:
  static constexpr const char* kOutsideAlphabet = "outside the alphabet";

  // The fault that `byte` is, or null.
  const char* Step(unsigned char byte) {
    if (byte == '\n' || byte == '\r') return nullptr;
    switch (kClasses[byte]) {
      case kAlphabet:
        if (closed_ || pads_ != 0) return "data after '=' padding";
        in_group_ = (in_group_ + 1) % 4;
        return nullptr;
      case kPad:
        if (closed_ || in_group_ + pads_ < 2) return "misplaced '='";
        if (++pads_ + in_group_ == 4) closed_ = true;
        return nullptr;
      default:
        return ignore_garbage_ ? nullptr : kOutsideAlphabet;
    }
  }

  const Input& input_;
  bool ignore_garbage_;
  std::uint64_t offset_ = 0;
  unsigned in_group_ = 0;  // alphabet characters of the group being read
  unsigned pads_ = 0;      // '=' read in that group
  bool closed_ = false;    // a group was completed by padding
  const char* fault_ = nullptr;
  unsigned char faulty_byte_ = 0;
};

// 1 for a unit whose low byte is in the alphabet. Branch-free, so that the
// count over a block vectorises.
inline unsigned IsAlphabet(WCHAR unit) {
  const unsigned low = unit & 0xFFu;
  return static_cast<unsigned>((low - 'A' < 26u) | (low - 'a' < 26u) | (low - '0' < 10u) | (low == '+') |
                               (low == '/'));
}

// The end of the segment of `text` that starts at `from`: just after its
// first '=' (then `padded`), or else after its last whole group of four
// alphabet characters. Units outside the alphabet decode to nothing, so a
// cut anywhere between two groups decodes the same.
int SegmentEnd(const CString& text, int from, bool& padded) {
  const WCHAR* units = text.GetString();
  const auto length = static_cast<std::size_t>(text.GetLength());
  constexpr std::size_t kBlock = 256;
  std::size_t alphabet = 0;
  auto end = static_cast<std::size_t>(from);
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
      padded = true;
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

// The forgiving decoder over the whole input. The library's decoder stops
// at the first '=', so the text is decoded a segment at a time, each ending
// just after a '=': padded texts one after another (in one FILE or several)
// decode as each alone, as the system's decoder gives them. Pieces end
// after whole groups, so that every piece decodes exactly as it would
// inside the whole text. Alphabet characters left over at the end of the
// input, not completed by '=', hold no whole group: Finish() refuses them.
class Base64Decoder {
 public:
  Base64Decoder(const Input& input, Output& out) : input_(input), out_(out) {}

  // Decodes the input's next bytes; `last` when the input has ended.
  void Decode(std::string_view bytes, bool last) {
    const int carried = pending_.GetLength();
    text_ = pending_;
    pieces_.Append(bytes, last, text_);
    int from = 0;
    for (;;) {
      bool padded = false;
      const int end = SegmentEnd(text_, from, padded);
      if (!padded) {
        KeepTail(end, carried);
        if (from == 0) {
          text_.ReleaseBuffer(end);  // the whole groups alone, without a copy
          WriteDecoded(text_, out_);
        } else if (end > from) {
          WriteDecoded(text_.Mid(from, end - from), out_);
        }
        return;
      }
      WriteDecoded(text_.Mid(from, end - from), out_);
      // More '=' and other units outside the alphabet decode to nothing.
      from = end;
      while (from < text_.GetLength() && IsAlphabet(text_[from]) == 0) ++from;
    }
  }

  void Finish() const {
    if (pending_.IsEmpty()) return;
    std::string shown;
    for (int i = 0; i < pending_.GetLength(); ++i) shown += static_cast<char>(pending_[i] & 0xFF);
    throw Failure("the input ends in an incomplete group of " + std::to_string(shown.size()) + " character(s), '" +
                  shown + "' from " + input_.Where(pending_at_) + ", which is not decoded");
  }

 private:
  // Keeps the alphabet units from `end` on, an incomplete group, for the
  // next piece, and where its first one is in the input, unless it began
  // in the `carried` units of an earlier piece.
  void KeepTail(int end, int carried) {
    CString tail;
    for (int i = end; i < text_.GetLength(); ++i) {
      if (IsAlphabet(text_[i]) != 0) tail += text_[i];
    }
    if (!tail.IsEmpty() && end >= carried) {
      // Counted back from the end of what was read: exact for well-formed
      // UTF-8 (a U+FFFD for ill-formed bytes counts three).
      const auto tail_bytes = zelu::win32::Utf8LengthOfUtf16(text_.GetString() + end,
                                                             static_cast<std::size_t>(text_.GetLength() - end));
      pending_at_ = input_.bytes_read() - pieces_.held() - tail_bytes;
    }
    pending_ = tail;
  }

  const Input& input_;
  Output& out_;
  Utf8Pieces pieces_;
  CString text_;
  CString pending_;               // the alphabet units of an incomplete group
  std::uint64_t pending_at_ = 0;  // where its first one is in the input
};

void Decode(Input& input, Output& out, StrictBase64Check* strict, Progress& progress) {
  const auto buffer = std::make_unique<char[]>(kDecodeChunkBytes);
  Base64Decoder decoder(input, out);
  for (;;) {
    const std::size_t got = input.Read(buffer.get(), kDecodeChunkBytes);
    const std::string_view bytes(buffer.get(), got);
    const std::size_t kept = strict != nullptr ? strict->Check(bytes) : got;
    decoder.Decode(bytes.substr(0, kept), got == 0);  // what comes before a fault is written
    if (strict != nullptr && kept < got) strict->Refuse();
    progress.Update();
    if (got == 0) break;
  }
  if (strict != nullptr) strict->Finish();
  decoder.Finish();
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
    StrictBase64Check strict(input, options.Has("ignore-garbage"));
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
    "                        last group; the bytes decoded before the first fault\n"
    "                        are written, then the fault and its byte offset, and\n"
    "                        the exit status is 1\n"
    "      --progress        show bytes done, rate and time left on standard error\n"
    "                        (the default for files over 64 MiB on a terminal)\n"
    "\n"
    "The alphabet is A-Z a-z 0-9 + / with '=' padding. The FILEs are one input:\n"
    "a group may run on from one FILE into the next. Decoding is forgiving unless\n"
    "--strict: characters outside the alphabet (line breaks, spaces, '-', '_',\n"
    "...) are skipped, and '=' ends a padded text, after which decoding starts\n"
    "afresh, so padded texts one after another (in one FILE or several) decode\n"
    "as each alone. Alphabet characters left at the end of the input that make\n"
    "no whole group and are not completed by '=' are not decoded: the bytes\n"
    "before them are written, then one line names them and the byte where they\n"
    "begin, and the exit status is 1. Byte offsets count within the FILE named.\n"
    "Text is read as UTF-8 and only the low byte of each UTF-16 unit counts.\n",
    &Run,
});

}  // namespace
}  // namespace zelu::tool
