// CZelString's views and MultiByteToWideChar beside the C library's iconv
// (UTF-16LE <-> UTF-8) on the same 1 MiB of UTF-16 text, in the same run.
// Throughput counts the UTF-16 bytes for both directions, so the figures
// of one text compare as times.
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/platform/win32/code_pages.h>
#include <zelu/testing/iconv_converter.h>
#include <zelu/text/zel_string.h>

namespace {

constexpr std::size_t kUnits = std::size_t{1} << 19;  // 1 MiB of UTF-16

enum TextKind { kAscii, kMostlyAscii, kMixed };
const char* const kTextNames[] = {"ascii", "mostly-ascii (1 in 64)", "mixed CJK"};

// Zero-terminated UTF-16 text of kUnits units (no zero inside).
std::vector<WCHAR> MakeText(TextKind kind) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> printable(0x20, 0x7E), latin(0xA0, 0x17F), cjk(0x4E00, 0x9FFF);
  const char punctuation[] = " ,.;:!?()";
  std::vector<WCHAR> units(kUnits + 1, 0);
  for (std::size_t i = 0; i < kUnits; ++i) {
    switch (kind) {
      case kAscii: units[i] = static_cast<WCHAR>(printable(random)); break;
      case kMostlyAscii:
        units[i] = static_cast<WCHAR>(i % 64 == 63 ? latin(random) : printable(random));
        break;
      case kMixed:
        units[i] = static_cast<WCHAR>(i % 6 == 5 ? punctuation[random() % 9] : cjk(random));
        break;
    }
  }
  return units;
}

std::string LittleEndianBytes(const std::vector<WCHAR>& units) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < units.size(); ++i) {
    bytes.push_back(static_cast<char>(units[i] & 0xFF));
    bytes.push_back(static_cast<char>(units[i] >> 8));
  }
  return bytes;
}

std::string Utf8Of(const std::vector<WCHAR>& units) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, units.data(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, units.data(), -1, bytes.data(), needed, nullptr, nullptr);
  return bytes;  // with its terminator
}

void Finish(benchmark::State& state) {
  state.SetLabel(kTextNames[state.range(0)]);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kUnits * sizeof(WCHAR)));
}

TextKind Kind(const benchmark::State& state) { return static_cast<TextKind>(state.range(0)); }

void BM_CZelString_AsUTF8(benchmark::State& state) {
  const std::vector<WCHAR> units = MakeText(Kind(state));
  CZelString text(units.data());
  for (auto _ : state) benchmark::DoNotOptimize(text.AsUTF8());
  Finish(state);
}

void BM_CZelString_OperatorChar(benchmark::State& state) {
  const std::vector<WCHAR> units = MakeText(Kind(state));
  CZelString text(units.data());
  for (auto _ : state) benchmark::DoNotOptimize(static_cast<char*>(text));
  Finish(state);
}

void BM_Iconv_Utf16LeToUtf8(benchmark::State& state) {
  const std::string input = LittleEndianBytes(MakeText(Kind(state)));
  zelu::testing::IconvConverter iconv("UTF-8", "UTF-16LE");
  std::string out(input.size() * 2, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(iconv.Convert(input.data(), input.size(), out.data(), out.size()));
  Finish(state);
}

// The size query and the conversion, as a caller of the platform makes them.
void BM_MultiByteToWideChar(benchmark::State& state) {
  const std::string utf8 = Utf8Of(MakeText(Kind(state)));
  std::vector<WCHAR> out(utf8.size());
  for (auto _ : state) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), -1, nullptr, 0);
    benchmark::DoNotOptimize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), -1, out.data(), needed));
  }
  Finish(state);
}

void BM_Iconv_Utf8ToUtf16Le(benchmark::State& state) {
  const std::string utf8 = Utf8Of(MakeText(Kind(state)));
  zelu::testing::IconvConverter iconv("UTF-16LE", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(iconv.Convert(utf8.data(), utf8.size() - 1, out.data(), out.size()));
  Finish(state);
}

void AllTexts(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(kAscii)->Arg(kMostlyAscii)->Arg(kMixed)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_CZelString_AsUTF8)->Apply(AllTexts);
BENCHMARK(BM_CZelString_OperatorChar)->Apply(AllTexts);
BENCHMARK(BM_Iconv_Utf16LeToUtf8)->Apply(AllTexts);
BENCHMARK(BM_MultiByteToWideChar)->Apply(AllTexts);
BENCHMARK(BM_Iconv_Utf8ToUtf16Le)->Apply(AllTexts);

}  // namespace

BENCHMARK_MAIN();
