// Test helper: the resource files that zelu/platform/win32/testdata holds
// (made from its .rc sources by make_fixtures.sh), and scratch files made
// from them.
//
//   ReadResourceFixture("strings.res")    the file's bytes
//   ResourceFixturePath("strings.res")    its path, as UTF-16 text
//   ScratchFile file(bytes);              a temporary file holding `bytes`,
//                                         removed with the object
// Only the zelu_tests program knows where the folder is
// (ZELU_RESOURCE_FIXTURES).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <zelu/testing/wide_text.h>

namespace zelu::testing {

// An ASCII path as UTF-16 text.
inline WideText WidePath(std::string_view path) { return WideText(std::u16string(path.begin(), path.end())); }

inline std::string ResourceFixtureFile(std::string_view name) {
  return std::string(ZELU_RESOURCE_FIXTURES) + "/" + std::string(name);
}

inline WideText ResourceFixturePath(std::string_view name) { return WidePath(ResourceFixtureFile(name)); }

inline std::vector<std::uint8_t> ReadResourceFixture(std::string_view name) {
  std::ifstream file(ResourceFixtureFile(name), std::ios::binary);
  if (!file) throw std::runtime_error("missing resource fixture " + std::string(name));
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ScratchFile {
 public:
  explicit ScratchFile(const std::vector<std::uint8_t>& bytes) {
    const int descriptor = ::mkstemp(path_.data());
    if (descriptor < 0) throw std::runtime_error("cannot make a scratch file");
    ::close(descriptor);
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  }
  ~ScratchFile() { std::remove(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& file() const { return path_; }
  WideText path() const { return WidePath(path_); }

 private:
  std::string path_ = "/tmp/zelu_resources_XXXXXX";
};

}  // namespace zelu::testing
