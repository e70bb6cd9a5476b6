#include "io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <zelu/platform/win32/code_pages.h>

#include "command.h"

namespace zelu::tool {
namespace {

constexpr std::size_t kOutputBufferBytes = 1 << 20;
constexpr std::size_t kLineChunkBytes = 1 << 16;
// Units converted to UTF-8 at a time by WriteUtf8.
constexpr std::size_t kUtf8PieceUnits = 1 << 14;

bool IsStandardInput(const std::string& operand) { return operand == "-"; }

// The size of every operand when all are regular files.
std::optional<std::uint64_t> RegularFilesSize(const std::vector<std::string>& operands) {
  std::uint64_t total = 0;
  for (const std::string& operand : operands) {
    struct stat status {};
    const int result = IsStandardInput(operand) ? ::fstat(STDIN_FILENO, &status) : ::stat(operand.c_str(), &status);
    if (result != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    total += static_cast<std::uint64_t>(status.st_size);
  }
  return total;
}

// The bytes of the last character of `bytes` that is not complete yet (a
// lead byte and fewer continuation bytes than it announces).
std::size_t UnfinishedTail(std::string_view bytes) {
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, bytes.size()); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t announced = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return announced > back && byte < 0xF8 ? back : 0;
  }
  return 0;
}

}  // namespace

Input::Input(std::vector<std::string> operands) : operands_(std::move(operands)) {
  if (operands_.empty()) operands_.push_back("-");
  total_size_ = RegularFilesSize(operands_);
}

Input::~Input() { Close(); }

void Input::Close() {
  if (descriptor_ > STDIN_FILENO) ::close(descriptor_);
  descriptor_ = -1;
}

bool Input::OpenNext() {
  Close();
  if (next_ == operands_.size()) return false;
  name_ = operands_[next_++];
  starts_.push_back(bytes_read_);
  if (IsStandardInput(name_)) {
    descriptor_ = STDIN_FILENO;
    return true;
  }
  descriptor_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor_ < 0) throw Failure("cannot open " + Quoted(name_) + ": " + std::strerror(errno));
  return true;
}

void Input::ReadFailed(int error) const {
  const std::string reason = std::string("read error: ") + std::strerror(error);
  throw Failure(IsStandardInput(name_) ? reason : Quoted(name_) + ": " + reason);
}

std::size_t Input::ReadOpen(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(descriptor_, buffer, capacity);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ReadFailed(errno);
    bytes_read_ += static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
  }
}

std::size_t Input::Read(char* buffer, std::size_t capacity) {
  while (descriptor_ >= 0 || OpenNext()) {
    if (const std::size_t got = ReadOpen(buffer, capacity)) return got;
    Close();
  }
  return 0;
}

std::string Input::Where(std::uint64_t offset) const {
  // The last operand that began at or before `offset`: operands read empty
  // begin where the next one does.
  std::size_t index = starts_.size();
  while (index > 1 && starts_[index - 1] > offset) --index;
  const std::uint64_t start = index == 0 ? 0 : starts_[index - 1];
  const std::string& operand = operands_[index == 0 ? 0 : index - 1];
  std::string where = "byte " + std::to_string(offset - start);
  if (!IsStandardInput(operand)) return where + " of " + Quoted(operand);
  return operands_.size() > 1 ? where + " of standard input" : where;
}

std::size_t Input::ReadOperand(char* buffer, std::size_t capacity) {
  if (descriptor_ < 0 && !OpenNext()) return 0;
  const std::size_t got = ReadOpen(buffer, capacity);
  if (got == 0) Close();
  return got;
}

std::size_t Input::ReadFull(char* buffer, std::size_t capacity) {
  std::size_t filled = 0;
  while (filled < capacity) {
    const std::size_t got = Read(buffer + filled, capacity - filled);
    if (got == 0) break;
    filled += got;
  }
  return filled;
}

LineReader::LineReader(Input& input, Output& out)
    : input_(input), out_(out), chunk_(new char[kLineChunkBytes]) {}

std::optional<std::string_view> LineReader::Next() {
  held_.clear();  // the line returned before, if it was held, is done
  if (operand_ended_) number_ = 0;  // ... and was its operand's last
  operand_ended_ = false;
  for (;;) {
    if (const std::size_t end = unread_.find('\n'); end != std::string_view::npos) {
      const std::string_view line = unread_.substr(0, end);
      unread_.remove_prefix(end + 1);
      if (!held_.empty()) Hold(line);
      ++number_;
      return held_.empty() ? line : std::string_view(held_);
    }
    Hold(unread_);
    unread_ = {};
    out_.Flush();
    const std::size_t got = input_.ReadOperand(chunk_.get(), kLineChunkBytes);
    if (got != 0) {
      unread_ = std::string_view(chunk_.get(), got);
    } else if (!held_.empty()) {  // the operand's last line, with no line feed
      operand_ended_ = true;
      ++number_;
      return held_;
    } else if (input_.Finished()) {
      return std::nullopt;
    } else {
      number_ = 0;
    }
  }
}

void LineReader::Hold(std::string_view bytes) {
  if (bytes.size() > kMaxLineBytes - held_.size()) {
    Fail(number_ + 1, "is longer than 2^31 - 2 bytes");
  }
  held_.append(bytes);
}

// As Input::Where names a byte.
std::string LineReader::Where(std::uint64_t number) const {
  const std::string where = "line " + std::to_string(number);
  const std::string& name = input_.name();
  if (!IsStandardInput(name)) return where + " of " + Quoted(name);
  return input_.operand_count() > 1 ? where + " of standard input" : where;
}

void LineReader::Fail(std::uint64_t number, std::string_view what) const {
  out_.Flush();
  throw Failure(Where(number) + " " + std::string(what));
}

Output::Output() : buffer_(new char[kOutputBufferBytes]), capacity_(kOutputBufferBytes) {}

void Output::Write(std::string_view bytes) {
  std::memcpy(Extend(bytes.size()), bytes.data(), bytes.size());
}

char* Output::Extend(std::size_t count) {
  if (count > capacity_ - size_) {
    Flush();
    if (count > capacity_) {  // one piece larger than the buffer: grow it
      buffer_.reset(new char[count]);
      capacity_ = count;
    }
  }
  char* const at = buffer_.get() + size_;
  size_ += count;
  return at;
}

Output::~Output() {
  try {
    Flush();
  } catch (const Failure&) {
    // Not reported: the failure that ended the command is.
  }
}

void Output::Flush() {
  const std::size_t pending = size_;
  size_ = 0;  // a failed write is not tried again
  WriteAll(STDOUT_FILENO, {buffer_.get(), pending});
}

void WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw Failure(std::string("write error: ") + std::strerror(errno));
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string ToUtf8(const WCHAR* units, int length) {
  if (length == 0) return {};
  const int needed = WideCharToMultiByte(CP_UTF8, 0, units, length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, units, length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

void WriteUtf8(const WCHAR* units, std::size_t length, Output& out) {
  while (length > 0) {
    std::size_t piece = std::min(length, kUtf8PieceUnits);
    // A surrogate pair stays whole (cut, each half would become U+FFFD).
    if (piece < length && units[piece - 1] >= 0xD800 && units[piece - 1] < 0xDC00) --piece;
    out.Write(ToUtf8(units, static_cast<int>(piece)));
    units += piece;
    length -= piece;
  }
}

BSTR SysStringFromUtf8(std::string_view bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX - 1)) {  // every byte gives at most one unit
    throw Failure("a text of more than 2^31 - 2 UTF-16 units");
  }
  const int length = static_cast<int>(bytes.size());
  const int units = length == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(units));
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, text, units);
  return text;
}

void AppendUtf8(std::string_view bytes, CString& text) {
  const int old_length = text.GetLength();
  // Every byte gives at most one unit.
  if (bytes.size() > static_cast<std::size_t>(INT_MAX - 1 - old_length)) {
    throw Failure("a text of more than 2^31 - 2 UTF-16 units");
  }
  const int length = static_cast<int>(bytes.size());
  WCHAR* units = text.GetBufferSetLength(old_length + length) + old_length;
  // ASCII, the common case, a block at a time: one unit per byte.
  constexpr std::size_t kBlock = 64;
  std::size_t done = 0;
  for (; done + kBlock <= bytes.size(); done += kBlock) {
    unsigned char any_high = 0;
    for (std::size_t i = 0; i < kBlock; ++i) any_high |= static_cast<unsigned char>(bytes[done + i]);
    if (any_high >= 0x80) break;
    for (std::size_t i = 0; i < kBlock; ++i) units[done + i] = static_cast<unsigned char>(bytes[done + i]);
  }
  const std::string_view rest = bytes.substr(done);
  if (std::all_of(rest.begin(), rest.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
    std::copy(rest.begin(), rest.end(), units + done);
    return;
  }
  const int rest_length = static_cast<int>(rest.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, rest.data(), rest_length, nullptr, 0);
  const int converted_length = old_length + static_cast<int>(done) + needed;
  units = text.GetBufferSetLength(converted_length) + old_length + done;
  MultiByteToWideChar(CP_UTF8, 0, rest.data(), rest_length, units, needed);
}

CString FromUtf8(std::string_view bytes) {
  CString text;
  AppendUtf8(bytes, text);
  return text;
}

void Utf8Pieces::Append(std::string_view bytes, bool last, CString& text) {
  if (!held_.empty()) {
    std::string joined = std::move(held_);
    joined.append(bytes);
    held_.clear();
    Append(joined, last, text);
    return;
  }
  const std::size_t tail = last ? 0 : UnfinishedTail(bytes);
  AppendUtf8(bytes.substr(0, bytes.size() - tail), text);
  held_.assign(bytes.substr(bytes.size() - tail));
}

}  // namespace zelu::tool
