#include <zelu/frame/module.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using VersionFunction = const char* (*)();

TEST(ModuleTest, VersionIsMajorMinorPatch) {
  const std::string version = zeluRtStringuVersion();
  EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
}

// The library holds no state that loading sets up, so it survives being
// loaded and unloaded repeatedly, by itself and beside the copy this test
// program is linked with.
#ifdef ZELU_LIBRARY_FILE
TEST(ModuleTest, LoadsAndUnloadsRepeatedly) {
  for (int round = 0; round < 50; ++round) {
    void* handle = dlopen(ZELU_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto version = reinterpret_cast<VersionFunction>(dlsym(handle, "zeluRtStringuVersion"));
    ASSERT_NE(version, nullptr) << dlerror();
    EXPECT_STREQ(version(), zeluRtStringuVersion());
    EXPECT_EQ(dlclose(handle), 0) << dlerror();
  }
}

TEST(ModuleTest, InternalHelpersAreHidden) {
  void* handle = dlopen(ZELU_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  // A helper of the platform layer that is not part of the API.
  EXPECT_EQ(dlsym(handle, "_ZN4zelu8internal11Utf8ToUtf16EPKcmPt"), nullptr);
  dlclose(handle);
}
#endif  // a static build has no shared library to load

}  // namespace
