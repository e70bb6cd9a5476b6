// Input and output for the zelu tool: bytes in from files or standard
// input, in bounded chunks; bytes out through one buffer; UTF-8 <-> UTF-16
// at the edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/platform/cstring/cstring.h>

namespace zelu::tool {

// The bytes of the FILE operands one after another; no operand, or "-",
// is standard input. Read errors throw Failure with the reason:
// "cannot open NAME: No such file or directory", "read error: Is a
// directory" (the file's name first when it is not standard input).
class Input {
 public:
  explicit Input(std::vector<std::string> operands);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  // Some bytes into `buffer`; 0 once every operand has been read.
  std::size_t Read(char* buffer, std::size_t capacity);
  // As Read, but fills the buffer unless the input ends first.
  std::size_t ReadFull(char* buffer, std::size_t capacity);

  std::uint64_t bytes_read() const { return bytes_read_; }
  // The sum of the operands' sizes when every one is a regular file.
  std::optional<std::uint64_t> total_size() const { return total_size_; }

  // Where the byte at `offset` (counted over the whole input, below
  // bytes_read()) is, for an error line: "byte N" counted within its
  // operand, then " of 'NAME'" for a file, or " of standard input" when
  // there are several operands.
  std::string Where(std::uint64_t offset) const;

 private:
  bool OpenNext();
  void Close();
  [[noreturn]] void ReadFailed(int error) const;

  std::vector<std::string> operands_;
  std::size_t next_ = 0;
  int descriptor_ = -1;
  std::string name_;  // of the operand being read
  std::uint64_t bytes_read_ = 0;
  std::vector<std::uint64_t> starts_;  // bytes_read() when each opened operand began
  std::optional<std::uint64_t> total_size_;
};

// Writes all of `bytes` to the file descriptor; a failed write throws
// Failure ("write error: No space left on device").
void WriteAll(int descriptor, std::string_view bytes);

// Standard output through a buffer (1 MiB) that is written out when it
// fills and by Flush(). A failed write throws Failure (see WriteAll). An
// Output destroyed with bytes still held (its command left by a failure)
// writes them, ignoring a failed write: the failure that ended the command
// is the one reported.
class Output {
 public:
  Output();
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view bytes);
  // `count` bytes of room at the end of the buffer, to be filled in place.
  char* Extend(std::size_t count);
  void Flush();

 private:

  // Not a std::string: growing one zero-fills what is then overwritten.
  std::unique_ptr<char[]> buffer_;
  std::size_t size_ = 0;
  std::size_t capacity_;
};


// The UTF-8 form of a UTF-16 text (unpaired surrogates become U+FFFD).
std::string ToUtf8(const WCHAR* units, int length);
inline std::string ToUtf8(const CString& text) { return ToUtf8(text.GetString(), text.GetLength()); }

// UTF-8 as library text; malformed bytes become U+FFFD. Throws Failure when
// the text passes what a CString holds.
CString FromUtf8(std::string_view bytes);

// Appends the text of UTF-8 `bytes` to `text` (malformed bytes become
// U+FFFD); Failure when the text would pass what a CString holds.
void AppendUtf8(std::string_view bytes, CString& text);

// UTF-8 that arrives in pieces, as library text: a character cut at the
// end of one piece is completed by the next, so the text is exactly that of
// the whole input converted at once.
class Utf8Pieces {
 public:
  // Appends to `text` the text of `bytes` after what was held back; holds
  // back an unfinished last character unless `last`.
  void Append(std::string_view bytes, bool last, CString& text);
  // The bytes held back by the last Append.
  std::size_t held() const { return held_.size(); }

 private:
  std::string held_;
};

}  // namespace zelu::tool
