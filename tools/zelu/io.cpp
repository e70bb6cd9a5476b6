#include "io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <zelu/platform/win32/code_pages.h>

namespace zelu::tool {

long ReadStandardInputSome(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

std::string ReadStandardInput() {
  std::string bytes;
  char chunk[1 << 16];
  for (long got = ReadStandardInputSome(chunk, sizeof chunk); got > 0; got = ReadStandardInputSome(chunk, sizeof chunk)) {
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

std::string ToUtf8(const WCHAR* units, int length) {
  if (length == 0) return {};
  const int needed = WideCharToMultiByte(CP_UTF8, 0, units, length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, units, length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

CString FromUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0);
  CString text;
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, text.GetBufferSetLength(needed), needed);
  text.ReleaseBuffer(needed);
  return text;
}

bool WriteStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace zelu::tool
