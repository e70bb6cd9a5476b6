// CZelString's views and MultiByteToWideChar beside the C library's iconv
// (UTF-16LE <-> UTF-8) on the same 1 MiB of UTF-16 text, in the same run;
// then the UTF-8 kernels behind them one by one (the scalar reference and
// each instruction set this CPU runs), and the views of short texts.
// Throughput counts the UTF-16 bytes for both directions, so the figures
// of one text compare as times.
#include <algorithm>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/platform/win32/code_pages.h>
#include <zelu/platform/win32/internal/utf8_kernel.h>
#include <zelu/testing/iconv_converter.h>
#include <zelu/testing/sample_text.h>
#include <zelu/text/zel_string.h>

namespace {

using zelu::testing::SampleKind;
using zelu::win32::internal::Utf8Kernel;

constexpr std::size_t kUnits = std::size_t{1} << 19;  // 1 MiB of UTF-16

SampleKind Kind(const benchmark::State& state) { return static_cast<SampleKind>(state.range(0)); }

// Zero-terminated sample text of `units` units (no zero inside).
std::vector<WCHAR> TerminatedText(SampleKind kind, std::size_t units = kUnits) {
  std::vector<WCHAR> text = zelu::testing::SampleText(kind, units);
  text.push_back(0);
  return text;
}

void Finish(benchmark::State& state, std::size_t units = kUnits) {
  state.SetLabel(zelu::testing::kSampleNames[state.range(0)]);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(units * sizeof(WCHAR)));
}

// Times view calls on an object holding `units`. Every view call keeps its
// buffer until the text changes, so the loop gives the object its text
// again, outside the timing, before the views it holds pass about 4 MiB
// (after 2 views of 1 MiB of UTF-16, 4,096 of short texts): the views come
// from memory in use, as where the text changes between views. Views that
// pile up on one text land in fresh pages and take longer.
template <typename ViewCall>
void TimeViews(benchmark::State& state, const std::vector<WCHAR>& units, ViewCall view_call) {
  CZelString text(units.data());
  const std::size_t calls_per_text = std::clamp<std::size_t>((std::size_t{4} << 20) / (3 * units.size()), 1, 4096);
  std::size_t calls = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(view_call(text));
    if (++calls == calls_per_text) {
      state.PauseTiming();
      text = units.data();
      calls = 0;
      state.ResumeTiming();
    }
  }
}

char* Utf8View(CZelString& text) { return text.AsUTF8(); }
char* NarrowView(CZelString& text) { return static_cast<char*>(text); }

void BM_CZelString_AsUTF8(benchmark::State& state) {
  TimeViews(state, TerminatedText(Kind(state)), Utf8View);
  Finish(state);
}

void BM_CZelString_OperatorChar(benchmark::State& state) {
  TimeViews(state, TerminatedText(Kind(state)), NarrowView);
  Finish(state);
}

void BM_Iconv_Utf16LeToUtf8(benchmark::State& state) {
  const std::string input = zelu::testing::SampleLittleEndian(zelu::testing::SampleText(Kind(state), kUnits));
  zelu::testing::IconvConverter iconv("UTF-8", "UTF-16LE");
  std::string out(input.size() * 2, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(iconv.Convert(input.data(), input.size(), out.data(), out.size()));
  Finish(state);
}

// The size query and the conversion, as a caller of the platform makes them.
void BM_MultiByteToWideChar(benchmark::State& state) {
  const std::string utf8 = zelu::testing::SampleUtf8(zelu::testing::SampleText(Kind(state), kUnits));
  std::vector<WCHAR> out(utf8.size() + 1);
  for (auto _ : state) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    benchmark::DoNotOptimize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), needed));
  }
  Finish(state);
}

void BM_Iconv_Utf8ToUtf16Le(benchmark::State& state) {
  const std::string utf8 = zelu::testing::SampleUtf8(zelu::testing::SampleText(Kind(state), kUnits));
  zelu::testing::IconvConverter iconv("UTF-16LE", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(iconv.Convert(utf8.data(), utf8.size(), out.data(), out.size()));
  Finish(state);
}

// One kernel's conversion of the whole text, into a buffer of the most
// bytes it can take (as the view does).
void BM_Kernel_Utf16ToUtf8(benchmark::State& state, const Utf8Kernel* kernel) {
  const std::vector<WCHAR> units = zelu::testing::SampleText(Kind(state), kUnits);
  std::vector<unsigned char> out(zelu::win32::MaxUtf8Bytes(units.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(kernel->utf16_to_utf8(units.data(), units.size(), out.data(), out.size()));
  }
  Finish(state);
}

// One kernel's size query and conversion (as MultiByteToWideChar makes them).
void BM_Kernel_Utf8ToUtf16(benchmark::State& state, const Utf8Kernel* kernel) {
  const std::string utf8 = zelu::testing::SampleUtf8(zelu::testing::SampleText(Kind(state), kUnits));
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  std::vector<WCHAR> out(utf8.size());
  for (auto _ : state) {
    const std::size_t needed = kernel->utf16_length(bytes, utf8.size());
    benchmark::DoNotOptimize(kernel->utf8_to_utf16(bytes, utf8.size(), out.data(), needed));
  }
  Finish(state);
}

// Views of short texts: the cost of a call, where the scalar loops serve.
void BM_CZelString_AsUTF8_Short(benchmark::State& state) {
  const auto units = static_cast<std::size_t>(state.range(1));
  TimeViews(state, TerminatedText(Kind(state), units), Utf8View);
  Finish(state, units);
}

void AllTexts(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(zelu::testing::kAsciiSample)
      ->Arg(zelu::testing::kMostlyAsciiSample)
      ->Arg(zelu::testing::kMixedCjkSample)
      ->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_CZelString_AsUTF8)->Apply(AllTexts);
BENCHMARK(BM_CZelString_OperatorChar)->Apply(AllTexts);
BENCHMARK(BM_Iconv_Utf16LeToUtf8)->Apply(AllTexts);
BENCHMARK(BM_MultiByteToWideChar)->Apply(AllTexts);
BENCHMARK(BM_Iconv_Utf8ToUtf16Le)->Apply(AllTexts);
BENCHMARK(BM_CZelString_AsUTF8_Short)->ArgsProduct({{zelu::testing::kAsciiSample, zelu::testing::kMixedCjkSample}, {8, 63, 200}});

// The kernel benchmarks, one per kernel this CPU runs, named after it.
const bool kKernelsRegistered = [] {
  for (const Utf8Kernel* kernel : zelu::win32::internal::SupportedUtf8Kernels()) {
    benchmark::RegisterBenchmark((std::string("BM_Kernel_Utf16ToUtf8/") + kernel->name).c_str(), BM_Kernel_Utf16ToUtf8,
                                 kernel)
        ->Apply(AllTexts);
    benchmark::RegisterBenchmark((std::string("BM_Kernel_Utf8ToUtf16/") + kernel->name).c_str(), BM_Kernel_Utf8ToUtf16,
                                 kernel)
        ->Apply(AllTexts);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
