// Hex encoding and decoding beside OpenSSL's hex helpers, same data, same run.
// Throughput is input bytes per second: bytes for encoding, hex text
// (in code units for us, chars for OpenSSL) for decoding.
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/crypto.h>

#include <zelu/encoding/base16.h>

namespace {

std::vector<unsigned char> RandomBytes(std::size_t size) {
  std::mt19937 random(42);
  std::vector<unsigned char> bytes(size);
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  return bytes;
}

void BM_CBase16_Encode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  CString out;
  for (auto _ : state) {
    CBase16::Encode(data.data(), static_cast<ULONG>(data.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_CBytes_Encode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  CString out;
  for (auto _ : state) {
    CBytes::encode(data.data(), static_cast<ULONG>(data.size()), out, false);
    benchmark::DoNotOptimize(out.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSSL_Encode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  std::string out(2 * data.size() + 1, '\0');
  for (auto _ : state) {
    std::size_t length = 0;
    OPENSSL_buf2hexstr_ex(out.data(), out.size(), &length, data.data(), data.size(), '\0');
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_CBase16_Decode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  CString text;
  CBase16::Encode(data.data(), static_cast<ULONG>(data.size()), text);
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    ULONG count = 0;
    benchmark::DoNotOptimize(CBase16::Decode(text, &bytes, count));
    delete[] bytes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
}

void BM_CBytes_Decode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  CString text;
  CBytes::encode(data.data(), static_cast<ULONG>(data.size()), text, false);
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    int count = 0;
    benchmark::DoNotOptimize(CBytes::decode(text, &bytes, count, false));
    delete[] bytes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
}

void BM_OpenSSL_Decode(benchmark::State& state) {
  auto data = RandomBytes(static_cast<std::size_t>(state.range(0)));
  std::string text(2 * data.size() + 1, '\0');
  std::size_t length = 0;
  OPENSSL_buf2hexstr_ex(text.data(), text.size(), &length, data.data(), data.size(), '\0');
  for (auto _ : state) {
    // Allocates its result, as our decoders do.
    std::vector<unsigned char> bytes(data.size());
    std::size_t decoded = 0;
    benchmark::DoNotOptimize(OPENSSL_hexstr2buf_ex(bytes.data(), bytes.size(), &decoded, text.c_str(), '\0'));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) * 2);
}

constexpr std::int64_t kSizes[] = {64, 4 << 10, 1 << 20};

void Sizes(benchmark::internal::Benchmark* benchmark) {
  for (auto size : kSizes) benchmark->Arg(size);
}

BENCHMARK(BM_CBase16_Encode)->Apply(Sizes);
BENCHMARK(BM_CBytes_Encode)->Apply(Sizes);
BENCHMARK(BM_OpenSSL_Encode)->Apply(Sizes);
BENCHMARK(BM_CBase16_Decode)->Apply(Sizes);
BENCHMARK(BM_CBytes_Decode)->Apply(Sizes);
BENCHMARK(BM_OpenSSL_Decode)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
