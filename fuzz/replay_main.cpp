// Runs a fuzz target without libFuzzer: over every file named on the command
// line (directories are walked), then over a fixed number of pseudo-random
// inputs, so the targets also build with GCC and run under ctest.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr int kRandomInputs = 20000;
constexpr std::size_t kLargestRandomInput = 256;

void RunFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Random inputs drawn from a small alphabet that the parsers care about,
// mixed with arbitrary bytes.
void RunRandom() {
  static constexpr char kAlphabet[] = "0123456789abcdefABCDEFxX-+ \t=*?[]!^\\\"@.,;/";
  std::mt19937 random(12345);
  std::vector<std::uint8_t> input;
  for (int round = 0; round < kRandomInputs; ++round) {
    input.resize(random() % kLargestRandomInput);
    for (auto& byte : input) {
      byte = random() % 4 == 0 ? static_cast<std::uint8_t>(random())
                               : static_cast<std::uint8_t>(kAlphabet[random() % (sizeof kAlphabet - 1)]);
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) {
          RunFile(entry.path());
          ++files;
        }
      }
    } else {
      RunFile(path);
      ++files;
    }
  }
  RunRandom();
  std::printf("replayed %d file(s) and %d random inputs\n", files, kRandomInputs);
  return 0;
}
