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
// Read and ReadFull go on from one operand to the next; ReadOperand stops
// at the end of each, for commands to which a file's end means something.
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
  // Some bytes of one operand into `buffer`; 0 at the end of each operand,
  // after which the next call opens the next one. Finished() tells the end
  // of the last operand from that of another.
  std::size_t ReadOperand(char* buffer, std::size_t capacity);
  bool Finished() const { return descriptor_ < 0 && next_ == operands_.size(); }

  // The operand read last ("-" for standard input), and how many there are.
  const std::string& name() const { return name_; }
  std::size_t operand_count() const { return operands_.size(); }

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
  // One read(2) of the open operand, retried when interrupted.
  std::size_t ReadOpen(char* buffer, std::size_t capacity);

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


// The lines of an Input, one at a time, without their line feeds. A line
// ends at a line feed or at the end of its operand: the last line of each
// FILE ends at that file's end, with or without a line feed. Before each
// read, which may wait on a pipe, `out` is flushed, so the output of every
// line read so far is written before the next one is awaited.
// Memory: one 64 KiB chunk, plus the bytes of a line that spans chunks,
// held whole until its end (at most kMaxLineBytes).
class LineReader {
 public:
  // Lines longer than this are refused: Next() fails naming the line.
  static constexpr std::size_t kMaxLineBytes = 0x7FFFFFFE;  // 2^31 - 2

  LineReader(Input& input, Output& out);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line, valid until the next call; nullopt after the last one.
  std::optional<std::string_view> Next();
  // The line Next() returned last, for a message: "line N" counted from 1
  // in its operand, then " of 'NAME'" for a file, or " of standard input"
  // when there are several operands.
  std::string Where() const { return Where(number_); }
  // Writes out the output of the lines before that one and throws Failure
  // "WHERE WHAT".
  [[noreturn]] void Fail(std::string_view what) const { Fail(number_, what); }

 private:
  void Hold(std::string_view bytes);
  std::string Where(std::uint64_t number) const;
  [[noreturn]] void Fail(std::uint64_t number, std::string_view what) const;

  Input& input_;
  Output& out_;
  std::unique_ptr<char[]> chunk_;
  std::string_view unread_;  // of the chunk
  std::string held_;         // the start of a line that spans chunks
  std::uint64_t number_ = 0;  // of the last line, in its operand
  bool operand_ended_ = false;
};

// The UTF-8 form of a UTF-16 text (unpaired surrogates become U+FFFD).
std::string ToUtf8(const WCHAR* units, int length);
inline std::string ToUtf8(const CString& text) { return ToUtf8(text.GetString(), text.GetLength()); }

// Writes the UTF-8 form of `length` units (as ToUtf8) a bounded piece at a
// time, so no copy of a long text is made.
void WriteUtf8(const WCHAR* units, std::size_t length, Output& out);

// UTF-8 as library text; malformed bytes become U+FFFD. Throws Failure when
// the text passes what a CString holds.
CString FromUtf8(std::string_view bytes);

// UTF-8 as a new automation string (as FromUtf8, zero bytes included), for
// the caller to free with SysFreeString; Failure as FromUtf8.
BSTR SysStringFromUtf8(std::string_view bytes);

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
