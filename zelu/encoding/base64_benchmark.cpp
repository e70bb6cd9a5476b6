// CBase64 beside OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock on the same data.
// Bytes per second count the raw bytes for encoding and the Base64
// characters for decoding, the same quantity for both sides, so the ratio of
// two rates is the ratio of their times.
#include <openssl/evp.h>

#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/encoding/base64.h>

namespace {

std::vector<unsigned char> RandomBytes(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<unsigned char> bytes(size);
  for (auto& b : bytes) b = static_cast<unsigned char>(byte(random));
  return bytes;
}

std::size_t Size(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

void BM_ZeluEncode(benchmark::State& state) {
  std::vector<unsigned char> bytes = RandomBytes(Size(state));
  CString out;
  for (auto _ : state) {
    CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSslEncode(benchmark::State& state) {
  const std::vector<unsigned char> bytes = RandomBytes(Size(state));
  std::vector<unsigned char> out((bytes.size() + 2) / 3 * 4 + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size())));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_ZeluDecode(benchmark::State& state) {
  std::vector<unsigned char> bytes = RandomBytes(Size(state));
  CString text;
  CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), text);
  for (auto _ : state) {
    unsigned char* decoded = nullptr;
    ULONG count = 0;
    CBase64::Decode(text, &decoded, count);
    benchmark::DoNotOptimize(decoded);
    delete[] decoded;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.GetLength());
}

void BM_OpenSslDecode(benchmark::State& state) {
  const std::vector<unsigned char> bytes = RandomBytes(Size(state));
  std::vector<unsigned char> text((bytes.size() + 2) / 3 * 4 + 1);
  const int length = EVP_EncodeBlock(text.data(), bytes.data(), static_cast<int>(bytes.size()));
  std::vector<unsigned char> out(static_cast<std::size_t>(length) / 4 * 3 + 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(), text.data(), length));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * length);
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : {64, 4 << 10, 1 << 20}) benchmark->Arg(size);
}

BENCHMARK(BM_ZeluEncode)->Apply(Sizes);
BENCHMARK(BM_OpenSslEncode)->Apply(Sizes);
BENCHMARK(BM_ZeluDecode)->Apply(Sizes);
BENCHMARK(BM_OpenSslDecode)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
