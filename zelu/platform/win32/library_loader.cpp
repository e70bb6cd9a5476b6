#include <zelu/platform/win32/library_loader.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <zelu/platform/crt16/crt16.h>
#include <zelu/platform/win32/internal/resource_file.h>
#include <zelu/platform/win32/last_error.h>
#include <zelu/platform/win32/utf8.h>

namespace {

using zelu::win32::StringModule;

constexpr DWORD kDataFileFlags = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE |
                                 LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE;
// No language module comes near this; a larger file is refused unread.
constexpr off_t kLargestFile = off_t{256} << 20;

// The modules that loads made and that are not yet freed, by handle.
class LoadedModules {
 public:
  HMODULE Add(StringModule module) {
    const HMODULE handle = module.handle();
    const std::lock_guard lock(mutex_);
    modules_.emplace(handle, std::move(module));
    return handle;
  }

  bool Remove(HMODULE handle) {
    std::optional<StringModule> released;  // destroyed after the lock is let go
    const std::lock_guard lock(mutex_);
    const auto found = modules_.find(handle);
    if (found == modules_.end()) return false;
    released.emplace(std::move(found->second));
    modules_.erase(found);
    return true;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HMODULE, StringModule> modules_;
};

LoadedModules& Loaded() {
  static LoadedModules modules;
  return modules;
}

HMODULE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

DWORD OpenError(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EOVERFLOW: return ERROR_FILE_TOO_LARGE;  // beyond what this build's file offsets reach
    default: return ERROR_OPEN_FAILED;
  }
}

// An open file, closed when this goes.
class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

// Reads the whole file at `path` into `bytes`; returns ERROR_SUCCESS or why not.
DWORD ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const File file(path);
  if (file.fd() < 0) return OpenError(errno);
  struct stat status {};
  if (::fstat(file.fd(), &status) != 0) return errno == EOVERFLOW ? ERROR_FILE_TOO_LARGE : ERROR_READ_FAULT;
  if (!S_ISREG(status.st_mode)) return ERROR_ACCESS_DENIED;
  if (status.st_size > kLargestFile) return ERROR_FILE_TOO_LARGE;
  bytes.resize(static_cast<std::size_t>(status.st_size));
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::read(file.fd(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ERROR_READ_FAULT;
    if (got == 0) break;  // the file shrank since fstat
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return ERROR_SUCCESS;
}

// The path as UTF-8, or nothing when it holds an unpaired surrogate.
std::optional<std::string> NativePath(LPCWSTR path) {
  const std::size_t units = zelu::crt16::wcslen(path);
  if (zelu::win32::FindUnpairedSurrogate(path, units) != units) return std::nullopt;
  std::string native(zelu::win32::MaxUtf8Bytes(units), '\0');
  native.resize(zelu::win32::Utf16ToUtf8(path, units, native.data()));
  return native;
}

}  // namespace

HMODULE LoadLibraryExW(LPCWSTR path, HANDLE file, DWORD flags) {
  if (path == nullptr || file != nullptr || (flags & ~kDataFileFlags) != 0) return Fail(ERROR_INVALID_PARAMETER);
  const std::optional<std::string> native = NativePath(path);
  if (!native) return Fail(ERROR_INVALID_NAME);
  std::vector<std::uint8_t> bytes;
  if (const DWORD error = ReadWholeFile(*native, bytes); error != ERROR_SUCCESS) return Fail(error);
  std::optional<StringModule> module = zelu::win32::internal::ReadStringResources(bytes);
  if (!module) return Fail(ERROR_BAD_EXE_FORMAT);
  return Loaded().Add(std::move(*module));
}

HMODULE LoadLibraryW(LPCWSTR path) { return LoadLibraryExW(path, nullptr, 0); }

BOOL FreeLibrary(HMODULE module) {
  if (!Loaded().Remove(module)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
