// Hex encoding and decoding beside OpenSSL's hex helpers, same data, same run.
//
// Rows: HexEncode/<kernel> and HexDecode/<kernel> run the public operations
// (CBase16::Encode, CBase16::Decode: output string, allocation, zero fill)
// over each kernel this CPU runs, the scalar one included; .../CBase16 is the
// public member itself (the active kernel, through the library's choice),
// .../CBytes CBytes::encode and CBytes::decode without the count prefix;
// .../OpenSSL is OPENSSL_buf2hexstr_ex or OPENSSL_hexstr2buf_ex with buffers
// allocated before the loop; .../floor is the least that any encoder or
// decoder of this API must do, with its buffer allocated before the loop:
// writing the 2n output units, or finding the end of the zero-terminated
// text (crt16::wcslen) and writing the n bytes, each write at the machine's
// full speed (zelu::testing::FillAtFullSpeed). The peer's time over the
// floor's is the best ratio this machine allows. Throughput is
// input bytes per second: bytes for encoding, hex text (in code units for
// us, chars for OpenSSL) for decoding.
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/crypto.h>

#include <zelu/encoding/base16.h>
#include <zelu/encoding/internal/base16_kernel.h>
#include <zelu/platform/crt16/crt16.h>
#include <zelu/testing/memory_floor.h>

namespace {

using zelu::encoding::internal::HexKernel;

std::size_t Size(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

// The same random bytes for every row of a size, made once.
std::vector<unsigned char>& RandomBytes(std::size_t size) {
  static std::map<std::size_t, std::vector<unsigned char>> made;
  auto& bytes = made[size];
  if (bytes.size() != size) {
    std::mt19937 random(42);
    bytes.resize(size);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  }
  return bytes;
}

void Processed(benchmark::State& state, std::size_t per_iteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(per_iteration));
}

void EncodeWith(benchmark::State& state, const HexKernel* kernel) {
  const auto& data = RandomBytes(Size(state));
  CString out;
  // Made before the loop and reused, as OpenSSL's buffer is.
  zelu::encoding::internal::EncodeHexWith(*kernel, data.data(), static_cast<ULONG>(data.size()), out);
  for (auto _ : state) {
    zelu::encoding::internal::EncodeHexWith(*kernel, data.data(), static_cast<ULONG>(data.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  Processed(state, data.size());
}

void EncodePublic(benchmark::State& state) {
  auto& data = RandomBytes(Size(state));
  CString out;
  // Made before the loop and reused, as OpenSSL's buffer is.
  CBase16::Encode(data.data(), static_cast<ULONG>(data.size()), out);
  for (auto _ : state) {
    CBase16::Encode(data.data(), static_cast<ULONG>(data.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  Processed(state, data.size());
}

void EncodeCounted(benchmark::State& state) {
  auto& data = RandomBytes(Size(state));
  CString out;
  CBytes::encode(data.data(), static_cast<ULONG>(data.size()), out, false);
  for (auto _ : state) {
    CBytes::encode(data.data(), static_cast<ULONG>(data.size()), out, false);
    benchmark::DoNotOptimize(out.GetString());
  }
  Processed(state, data.size());
}

void EncodeOpenSsl(benchmark::State& state) {
  const auto& data = RandomBytes(Size(state));
  std::string out(2 * data.size() + 1, '\0');
  for (auto _ : state) {
    std::size_t length = 0;
    OPENSSL_buf2hexstr_ex(out.data(), out.size(), &length, data.data(), data.size(), '\0');
    benchmark::DoNotOptimize(out.data());
  }
  Processed(state, data.size());
}

void EncodeFloor(benchmark::State& state) {
  const std::size_t size = Size(state);
  std::vector<WCHAR> out(2 * size + 1);
  for (auto _ : state) {
    zelu::testing::FillAtFullSpeed(out.data(), 2 * size * sizeof(WCHAR), '0');
    benchmark::ClobberMemory();
  }
  Processed(state, size);
}

CString HexText(std::size_t size) {
  CString text;
  CBase16::Encode(RandomBytes(size).data(), static_cast<ULONG>(size), text);
  return text;
}

void DecodeWith(benchmark::State& state, const HexKernel* kernel) {
  const CString text = HexText(Size(state));
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    ULONG count = 0;
    benchmark::DoNotOptimize(zelu::encoding::internal::DecodeHexWith(*kernel, text, &bytes, count));
    delete[] bytes;
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

void DecodePublic(benchmark::State& state) {
  const CString text = HexText(Size(state));
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    ULONG count = 0;
    benchmark::DoNotOptimize(CBase16::Decode(text, &bytes, count));
    delete[] bytes;
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

void DecodeCounted(benchmark::State& state) {
  const CString text = HexText(Size(state));
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    int count = 0;
    benchmark::DoNotOptimize(CBytes::decode(text, &bytes, count, false));
    delete[] bytes;
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

void DecodeFloor(benchmark::State& state) {
  const CString text = HexText(Size(state));
  std::vector<unsigned char> bytes(Size(state));
  for (auto _ : state) {
    const std::size_t length = zelu::crt16::wcslen(text);
    zelu::testing::FillAtFullSpeed(bytes.data(), length / 2, 0);
    benchmark::ClobberMemory();
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

void DecodeOpenSsl(benchmark::State& state) {
  const auto& data = RandomBytes(Size(state));
  std::string text(2 * data.size() + 1, '\0');
  std::size_t length = 0;
  OPENSSL_buf2hexstr_ex(text.data(), text.size(), &length, data.data(), data.size(), '\0');
  std::vector<unsigned char> bytes(data.size());
  for (auto _ : state) {
    std::size_t decoded = 0;
    benchmark::DoNotOptimize(OPENSSL_hexstr2buf_ex(bytes.data(), bytes.size(), &decoded, text.c_str(), '\0'));
    benchmark::ClobberMemory();
  }
  Processed(state, 2 * data.size());
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : {64, 1 << 20, 64 << 20}) benchmark->Arg(size);
}

void Register(const std::string& name, void (*run)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name.c_str(), run)->Apply(Sizes);
}

void Register(const std::string& name, void (*run)(benchmark::State&, const HexKernel*), const HexKernel* kernel) {
  benchmark::RegisterBenchmark((name + kernel->name).c_str(), run, kernel)->Apply(Sizes);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const auto kernels = zelu::encoding::internal::SupportedHexKernels();
  for (const HexKernel* kernel : kernels) Register("HexEncode/", EncodeWith, kernel);
  Register("HexEncode/CBase16", EncodePublic);
  Register("HexEncode/CBytes", EncodeCounted);
  Register("HexEncode/OpenSSL", EncodeOpenSsl);
  Register("HexEncode/floor", EncodeFloor);
  for (const HexKernel* kernel : kernels) Register("HexDecode/", DecodeWith, kernel);
  Register("HexDecode/CBase16", DecodePublic);
  Register("HexDecode/CBytes", DecodeCounted);
  Register("HexDecode/OpenSSL", DecodeOpenSsl);
  Register("HexDecode/floor", DecodeFloor);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
