#include <zelu/platform/trace/log_file.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

// Lines longer than this are cut so that one line stays one write.
constexpr std::size_t kMaxLine = 4096;

}  // namespace

CLogFile::CLogFile(const char* path) {
  if (path != nullptr) descriptor_ = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

CLogFile::~CLogFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool CLogFile::WriteLine(std::string_view line) const noexcept {
  if (descriptor_ < 0) return false;
  std::array<char, kMaxLine + 1> buffer;
  const std::size_t length = std::min(line.size(), kMaxLine);
  std::memcpy(buffer.data(), line.data(), length);
  buffer[length] = '\n';
  const std::size_t total = length + 1;
  ssize_t written;
  do {
    written = ::write(descriptor_, buffer.data(), total);
  } while (written < 0 && errno == EINTR);
  return written == static_cast<ssize_t>(total);
}
