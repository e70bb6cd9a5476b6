// CBase64 beside OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock on the same data.
//
// Rows: Base64Encode/<kernel> and Base64Decode/<kernel> run the public
// operations (the byte forms of CBase64::Encode and CBase64::Decode: output
// string, L + 1 byte buffer, zero fill) over each kernel this CPU runs, the
// scalar one included; .../CBase64 is the public member itself (the active
// kernel, through the library's choice); .../EVP is OpenSSL with buffers
// allocated before the loop; .../floor is the least that any encoder or
// decoder of this API must do, with its buffer allocated before the loop:
// writing the output units, or reading every unit of the text and writing
// its L + 1 byte buffer, at the machine's full speed (zelu::testing's
// FillAtFullSpeed and ReadAtFullSpeed). The peer's time over the floor's is
// the best ratio this machine allows. Base64DecodeWrapped/<kernel> decodes
// text in MIME's lines (no peer: EVP_DecodeBlock rejects line breaks).
// Bytes per second count the raw bytes for
// encoding and the Base64 characters for decoding, the same quantity for
// both sides, so the ratio of two rates is the ratio of their times.
#include <openssl/evp.h>

#include <cstddef>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/encoding/base64.h>
#include <zelu/encoding/internal/base64_kernel.h>
#include <zelu/testing/memory_floor.h>

namespace {

using zelu::encoding::internal::Base64Kernel;

std::size_t Size(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

// The same random bytes for every row of a size, made once.
std::vector<unsigned char>& RandomBytes(std::size_t size) {
  static std::map<std::size_t, std::vector<unsigned char>> made;
  auto& bytes = made[size];
  if (bytes.size() != size) {
    std::mt19937 random(static_cast<unsigned>(size));
    bytes.resize(size);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  }
  return bytes;
}

void Processed(benchmark::State& state, std::size_t per_iteration) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(per_iteration));
}

void EncodeWith(benchmark::State& state, const Base64Kernel* kernel) {
  const auto& bytes = RandomBytes(Size(state));
  CString out;
  // Made before the loop and reused, as OpenSSL's buffer is.
  zelu::encoding::internal::EncodeBase64With(*kernel, bytes.data(), static_cast<ULONG>(bytes.size()), out);
  for (auto _ : state) {
    zelu::encoding::internal::EncodeBase64With(*kernel, bytes.data(), static_cast<ULONG>(bytes.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  Processed(state, bytes.size());
}

void EncodePublic(benchmark::State& state) {
  auto& bytes = RandomBytes(Size(state));
  CString out;
  // Made before the loop and reused, as OpenSSL's buffer is.
  CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), out);
  for (auto _ : state) {
    CBase64::Encode(bytes.data(), static_cast<ULONG>(bytes.size()), out);
    benchmark::DoNotOptimize(out.GetString());
  }
  Processed(state, bytes.size());
}

void EncodeOpenSsl(benchmark::State& state) {
  const auto& bytes = RandomBytes(Size(state));
  std::vector<unsigned char> out((bytes.size() + 2) / 3 * 4 + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), bytes.data(), static_cast<int>(bytes.size())));
    benchmark::ClobberMemory();
  }
  Processed(state, bytes.size());
}

void EncodeFloor(benchmark::State& state) {
  const std::size_t units = (Size(state) + 2) / 3 * 4;
  std::vector<WCHAR> out(units + 1);
  for (auto _ : state) {
    zelu::testing::FillAtFullSpeed(out.data(), units * sizeof(WCHAR), 'A');
    benchmark::ClobberMemory();
  }
  Processed(state, Size(state));
}

CString Base64Text(std::size_t size) {
  CString text;
  CBase64::Encode(RandomBytes(size).data(), static_cast<ULONG>(size), text);
  return text;
}

void DecodeTextWith(benchmark::State& state, const Base64Kernel* kernel, const CString& text) {
  for (auto _ : state) {
    unsigned char* decoded = nullptr;
    ULONG count = 0;
    zelu::encoding::internal::DecodeBase64With(*kernel, text, &decoded, count);
    benchmark::DoNotOptimize(decoded);
    delete[] decoded;
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

// The text in lines of 76 characters ended by CR LF, as MIME writes it:
// every line break is two units outside the alphabet.
CString WrappedText(std::size_t size) {
  const CString text = Base64Text(size);
  CString wrapped;
  for (int at = 0; at < text.GetLength(); at += 76) wrapped += text.Mid(at, 76) + u"\r\n";
  return wrapped;
}

void DecodeWith(benchmark::State& state, const Base64Kernel* kernel) {
  DecodeTextWith(state, kernel, Base64Text(Size(state)));
}

void DecodeWrappedWith(benchmark::State& state, const Base64Kernel* kernel) {
  DecodeTextWith(state, kernel, WrappedText(Size(state)));
}

void DecodePublic(benchmark::State& state) {
  const CString text = Base64Text(Size(state));
  for (auto _ : state) {
    unsigned char* decoded = nullptr;
    ULONG count = 0;
    CBase64::Decode(text, &decoded, count);
    benchmark::DoNotOptimize(decoded);
    delete[] decoded;
  }
  Processed(state, static_cast<std::size_t>(text.GetLength()));
}

void DecodeFloor(benchmark::State& state) {
  const CString text = Base64Text(Size(state));
  const auto length = static_cast<std::size_t>(text.GetLength());
  std::vector<unsigned char> bytes(length + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(zelu::testing::ReadAtFullSpeed(text.GetString(), length * sizeof(WCHAR), 0xFF));
    zelu::testing::FillAtFullSpeed(bytes.data(), bytes.size(), 0);
    benchmark::ClobberMemory();
  }
  Processed(state, length);
}

void DecodeOpenSsl(benchmark::State& state) {
  const auto& bytes = RandomBytes(Size(state));
  std::vector<unsigned char> text((bytes.size() + 2) / 3 * 4 + 1);
  const int length = EVP_EncodeBlock(text.data(), bytes.data(), static_cast<int>(bytes.size()));
  std::vector<unsigned char> out(static_cast<std::size_t>(length) / 4 * 3 + 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(), text.data(), length));
    benchmark::ClobberMemory();
  }
  Processed(state, static_cast<std::size_t>(length));
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : {64, 1 << 20, 64 << 20}) benchmark->Arg(size);
}

void Register(const std::string& name, void (*run)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name.c_str(), run)->Apply(Sizes);
}

void Register(const std::string& name, void (*run)(benchmark::State&, const Base64Kernel*),
              const Base64Kernel* kernel) {
  benchmark::RegisterBenchmark((name + kernel->name).c_str(), run, kernel)->Apply(Sizes);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const auto kernels = zelu::encoding::internal::SupportedBase64Kernels();
  for (const Base64Kernel* kernel : kernels) Register("Base64Encode/", EncodeWith, kernel);
  Register("Base64Encode/CBase64", EncodePublic);
  Register("Base64Encode/EVP", EncodeOpenSsl);
  Register("Base64Encode/floor", EncodeFloor);
  for (const Base64Kernel* kernel : kernels) Register("Base64Decode/", DecodeWith, kernel);
  Register("Base64Decode/CBase64", DecodePublic);
  Register("Base64Decode/EVP", DecodeOpenSsl);
  Register("Base64Decode/floor", DecodeFloor);
  for (const Base64Kernel* kernel : kernels) {
    benchmark::RegisterBenchmark((std::string("Base64DecodeWrapped/") + kernel->name).c_str(), DecodeWrappedWith, kernel)
        ->Arg(1 << 20);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
