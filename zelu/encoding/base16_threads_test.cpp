// The hex codecs are static and keep no state: on several threads at once
// each thread gets exactly what one thread alone gets, for every form.
#include <zelu/encoding/base16.h>

#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <zelu/testing/threads.h>

namespace {

struct Expected {
  std::vector<unsigned char> bytes;
  CString plain;
  CString counted;
};

// Buffers of sizes that reach every path of the codecs, with their texts
// made on this thread.
std::vector<Expected> MakeCases() {
  std::mt19937 random(1616);
  std::vector<Expected> cases;
  constexpr std::size_t kSizes[] = {0, 1, 15, 16, 31, 64, 1000, 70000};
  for (const std::size_t size : kSizes) {
    Expected c;
    c.bytes.resize(size);
    for (auto& byte : c.bytes) byte = static_cast<unsigned char>(random());
    CBase16::Encode(c.bytes.data(), static_cast<ULONG>(size), c.plain);
    CBytes::encode(c.bytes.data(), static_cast<ULONG>(size), c.counted);
    cases.push_back(std::move(c));
  }
  return cases;
}

int Mismatches(std::vector<Expected> cases) {  // a copy of its own per thread
  int mismatches = 0;
  for (int round = 0; round < 20; ++round) {
    for (Expected& c : cases) {
      const auto count = static_cast<ULONG>(c.bytes.size());
      CString plain;
      CString counted;
      mismatches += CBase16::Encode(c.bytes.data(), count, plain) && plain == c.plain ? 0 : 1;
      CBytes::encode(c.bytes.data(), count, counted);
      mismatches += counted == c.counted ? 0 : 1;
      unsigned char* raw = nullptr;
      ULONG decoded = 0;
      const bool ok = CBase16::Decode(c.plain, &raw, decoded);
      const std::unique_ptr<unsigned char[]> bytes(raw);
      mismatches += ok && decoded == count && std::equal(c.bytes.begin(), c.bytes.end(), bytes.get()) ? 0 : 1;
    }
  }
  return mismatches;
}

TEST(Base16ThreadsTest, EveryThreadGetsWhatOneThreadGets) {
  const std::vector<Expected> cases = MakeCases();
  EXPECT_EQ(zelu::testing::RunOnThreads(zelu::testing::kTestThreads, [&](int) { return Mismatches(cases); }), 0);
}

}  // namespace
