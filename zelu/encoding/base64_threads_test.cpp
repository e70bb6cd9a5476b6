// The Base64 codec is static and keeps no state: on several threads at once
// each thread gets exactly what one thread alone gets, bytes and text alike.
#include <zelu/encoding/base64.h>

#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/threads.h>

namespace {

struct Expected {
  std::vector<unsigned char> bytes;
  CString encoded;
};

// Buffers of sizes that reach every path of the codec (remainders of one
// and two bytes, kernel-sized blocks), encoded on this thread.
std::vector<Expected> MakeCases() {
  std::mt19937 random(6464);
  std::vector<Expected> cases;
  constexpr std::size_t kSizes[] = {0, 1, 2, 3, 47, 48, 49, 1000, 100000};
  for (const std::size_t size : kSizes) {
    Expected c;
    c.bytes.resize(size);
    for (auto& byte : c.bytes) byte = static_cast<unsigned char>(random());
    CBase64::Encode(c.bytes.data(), static_cast<ULONG>(size), c.encoded);
    cases.push_back(std::move(c));
  }
  return cases;
}

int Mismatches(std::vector<Expected> cases) {  // a copy of its own per thread
  int mismatches = 0;
  for (int round = 0; round < 10; ++round) {
    for (Expected& c : cases) {
      CString encoded;
      mismatches += CBase64::Encode(c.bytes.data(), static_cast<ULONG>(c.bytes.size()), encoded) == 0 &&
                            encoded == c.encoded
                        ? 0
                        : 1;
      unsigned char* raw = nullptr;
      ULONG count = 0;
      const LONG status = CBase64::Decode(c.encoded, &raw, count);
      const std::unique_ptr<unsigned char[]> bytes(raw);
      mismatches += status == 0 && count == c.bytes.size() && std::equal(c.bytes.begin(), c.bytes.end(), bytes.get())
                        ? 0
                        : 1;
    }
  }
  return mismatches;
}

TEST(Base64ThreadsTest, EveryThreadGetsWhatOneThreadGets) {
  const std::vector<Expected> cases = MakeCases();
  EXPECT_EQ(zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int) { return Mismatches(cases); }), 0);
}

}  // namespace
