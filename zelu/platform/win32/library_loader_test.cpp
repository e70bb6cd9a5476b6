#include <zelu/platform/win32/library_loader.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/platform/win32/last_error.h>
#include <zelu/testing/resource_fixtures.h>
#include <zelu/testing/wide_text.h>

namespace {

using zelu::testing::ReadResourceFixture;
using zelu::testing::ResourceFixtureFile;
using zelu::testing::ResourceFixturePath;
using zelu::testing::ScratchFile;
using zelu::testing::ToU16;
using zelu::testing::WidePath;
using zelu::testing::WideText;

constexpr DWORD kUntouched = 0xDEAD;

std::u16string Text(HMODULE module, UINT id) {
  WCHAR buffer[64] = {};
  const int length = LoadStringW(module, id, buffer, 64);
  return ToU16(buffer, static_cast<std::size_t>(length));
}

// Each file kind, loaded by each entry point and every accepted flag: the
// strings are there, the last error is left alone, and the handle is freed
// exactly once.
TEST(LibraryLoaderTest, LoadsEveryKindOfFileUntilFreed) {
  const DWORD flags[] = {LOAD_LIBRARY_AS_DATAFILE, LOAD_LIBRARY_AS_IMAGE_RESOURCE,
                         LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE, 0};
  for (const char* name : {"strings_pe32.dll", "strings_pe64.dll", "strings.res"}) {
    for (const DWORD flag : flags) {
      SetLastError(kUntouched);
      const HMODULE module = flag == 0 ? LoadLibraryW(ResourceFixturePath(name))
                                       : LoadLibraryExW(ResourceFixturePath(name), nullptr, flag);
      ASSERT_NE(module, nullptr) << name << " " << flag << " error " << GetLastError();
      EXPECT_EQ(GetLastError(), kUntouched);
      EXPECT_EQ(Text(module, 16), u"sixteen: first of bundle 2") << name;
      EXPECT_EQ(Text(module, 17), u"") << name;
      EXPECT_EQ(FreeLibrary(module), TRUE) << name;
      EXPECT_EQ(FreeLibrary(module), FALSE) << name;
      EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
  }
}

TEST(LibraryLoaderTest, EachLoadIsItsOwnHandle) {
  const WideText path = ResourceFixturePath("languages.res");
  const HMODULE first = LoadLibraryW(path);
  const HMODULE second = LoadLibraryW(path);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(Text(second, 17), u"two (neutral)") << "freeing one leaves the other";
  EXPECT_EQ(FreeLibrary(second), TRUE);
}

TEST(LibraryLoaderTest, FreeRefusesHandlesItDidNotMake) {
  const zelu::win32::StringModule own({{1, u"kept"}});
  for (const HMODULE handle : {static_cast<HMODULE>(nullptr), own.handle()}) {
    SetLastError(kUntouched);
    EXPECT_EQ(FreeLibrary(handle), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(Text(own.handle(), 1), u"kept");
}

std::vector<std::uint8_t> Cut(const char* name, std::size_t length) {
  std::vector<std::uint8_t> bytes = ReadResourceFixture(name);
  bytes.resize(length);
  return bytes;
}

// Each row: a path (or the call's other arguments) and the error it gives.
TEST(LibraryLoaderTest, FailuresGiveNullAndSayWhy) {
  const ScratchFile empty({});
  const ScratchFile cut_image(Cut("strings_pe64.dll", 1000));
  const ScratchFile cut_res(Cut("strings.res", 100));
  const ScratchFile text({'h', 'e', 'l', 'l', 'o'});
  const std::string fixture = ResourceFixtureFile("strings.res");
  const std::string folder = fixture.substr(0, fixture.rfind('/'));
  const struct {
    const char* what;
    WideText path;
    DWORD flags;
    DWORD error;
  } rows[] = {
      {"missing file", WidePath(folder + "/missing.dll"), LOAD_LIBRARY_AS_DATAFILE, ERROR_FILE_NOT_FOUND},
      {"missing folder", WidePath(folder + "/missing/strings.res"), LOAD_LIBRARY_AS_DATAFILE, ERROR_FILE_NOT_FOUND},
      {"empty path", WidePath(""), LOAD_LIBRARY_AS_DATAFILE, ERROR_FILE_NOT_FOUND},
      {"file as a folder", WidePath(fixture + "/x"), LOAD_LIBRARY_AS_DATAFILE, ERROR_PATH_NOT_FOUND},
      {"a folder", WidePath(folder), LOAD_LIBRARY_AS_DATAFILE, ERROR_ACCESS_DENIED},
      {"a device", WidePath("/dev/zero"), LOAD_LIBRARY_AS_DATAFILE, ERROR_ACCESS_DENIED},
      {"path too long", WidePath(std::string(5000, 'x')), LOAD_LIBRARY_AS_DATAFILE, ERROR_FILENAME_EXCED_RANGE},
      {"unpaired surrogate", WideText(u"strings\xD800.res"), LOAD_LIBRARY_AS_DATAFILE, ERROR_INVALID_NAME},
      {"unknown flag", WidePath(fixture), 0x00000008, ERROR_INVALID_PARAMETER},
      {"empty file", empty.path(), LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_EXE_FORMAT},
      {"cut image", cut_image.path(), LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_EXE_FORMAT},
      {"cut .res", cut_res.path(), LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_EXE_FORMAT},
      {"text", text.path(), LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_EXE_FORMAT},
      {"this program", WidePath("/proc/self/exe"), LOAD_LIBRARY_AS_DATAFILE, ERROR_BAD_EXE_FORMAT},
  };
  for (const auto& row : rows) {
    SetLastError(kUntouched);
    EXPECT_EQ(LoadLibraryExW(row.path, nullptr, row.flags), nullptr) << row.what;
    EXPECT_EQ(GetLastError(), row.error) << row.what;
  }
  int file = 0;
  const std::function<HMODULE()> calls[] = {
      [] { return LoadLibraryExW(nullptr, nullptr, 0); },
      [] { return LoadLibraryW(nullptr); },
      [&] { return LoadLibraryExW(WidePath(fixture), &file, 0); },
  };
  for (const auto& call : calls) {
    SetLastError(kUntouched);
    EXPECT_EQ(call(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
}

TEST(LibraryLoaderTest, SpecialFilesAreRefusedWithoutReadingThem) {
  const ScratchFile large({});
  ASSERT_EQ(::truncate(large.file().c_str(), (off_t{256} << 20) + 1), 0);  // sparse: no disk used
  EXPECT_EQ(LoadLibraryW(large.path()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_TOO_LARGE);

  const ScratchFile fifo({});
  std::remove(fifo.file().c_str());
  ASSERT_EQ(::mkfifo(fifo.file().c_str(), 0600), 0);
  EXPECT_EQ(LoadLibraryW(fifo.path()), nullptr) << "a pipe with no writer does not block the load";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  if (::geteuid() != 0) {  // root reads anything
    const ScratchFile unreadable(ReadResourceFixture("strings.res"));
    ASSERT_EQ(::chmod(unreadable.file().c_str(), 0), 0);
    EXPECT_EQ(LoadLibraryW(unreadable.path()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
}

// Loads, reads and frees on several threads at once; each thread's last
// error stays its own.
TEST(LibraryLoaderTest, ThreadsLoadReadAndFreeTheirOwnHandles) {
  const char* const names[] = {"strings_pe32.dll", "strings_pe64.dll", "strings.res", "languages_pe64.dll"};
  std::vector<int> failures(std::size(names), 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < std::size(names); ++t) {
    threads.emplace_back([&, t] {
      const WideText path = ResourceFixturePath(names[t]);
      const std::u16string expected = t < 3 ? u"sixteen: first of bundle 2" : u"two (neutral)";
      for (int round = 0; round < 50; ++round) {
        const HMODULE module = LoadLibraryW(path);
        failures[t] += module == nullptr || Text(module, t < 3 ? 16 : 17) != expected;
        failures[t] += FreeLibrary(module) != TRUE;
        failures[t] += LoadLibraryW(WidePath("/missing")) != nullptr || GetLastError() != ERROR_FILE_NOT_FOUND;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::size_t t = 0; t < std::size(names); ++t) EXPECT_EQ(failures[t], 0) << names[t];
}

}  // namespace
