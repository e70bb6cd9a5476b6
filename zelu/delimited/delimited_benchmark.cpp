// Parsing and generating delimited lines, beside a plain std::u16string
// split into a std::vector<std::u16string> of the same line in the same run.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/delimited/generate.h>
#include <zelu/delimited/parse.h>

namespace {

// Field lengths of the 20-field line: 191 units of text and 19 delimiters.
constexpr std::array<std::size_t, 20> kFieldLengths = {1, 3, 5, 8, 12, 20, 2, 15, 7, 10,
                                                       4, 25, 6, 9, 18, 3, 11, 14, 5, 13};

// Fields with the lengths above, cycled: at least the 20 of them and at
// least `units` code units.
std::u16string MakeLine(std::size_t units) {
  std::u16string line;
  for (std::size_t i = 0; i < kFieldLengths.size() || line.size() < units; ++i) {
    if (i > 0) line += u'^';
    const std::size_t length = kFieldLengths[i % kFieldLengths.size()];
    for (std::size_t k = 0; k < length; ++k) line += static_cast<char16_t>(u'a' + (i + k) % 26);
  }
  return line;
}

const std::u16string& ShortLine() {
  static const std::u16string line = MakeLine(0);  // exactly the 20 fields, 210 units
  return line;
}

const std::u16string& LongLine() {
  static const std::u16string line = MakeLine(32 * 1024);  // 64 KiB of UTF-16
  return line;
}

std::vector<WCHAR> ToWide(const std::u16string& text) {
  std::vector<WCHAR> units(text.size() + 1, 0);
  std::copy(text.begin(), text.end(), units.begin());
  return units;
}

std::vector<std::u16string> PlainSplit(std::u16string_view line, char16_t delimiter) {
  std::vector<std::u16string> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == delimiter) {
      fields.emplace_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  fields.emplace_back(line.substr(start));
  return fields;
}

void Report(benchmark::State& state, std::size_t units) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));  // lines
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(units) * 2);
}

void ParseAndReadEveryField(benchmark::State& state, const std::u16string& text) {
  const std::vector<WCHAR> line = ToWide(text);
  CDelimitedParse parse;
  CString field;
  for (auto _ : state) {
    parse.ParseLine(line.data());
    while (parse.GetNext(field)) benchmark::DoNotOptimize(field);
  }
  Report(state, text.size());
}

void StdSplit(benchmark::State& state, const std::u16string& text) {
  for (auto _ : state) {
    std::vector<std::u16string> fields = PlainSplit(text, u'^');
    benchmark::DoNotOptimize(fields.data());
  }
  Report(state, text.size());
}

void BM_Parse20Fields(benchmark::State& state) { ParseAndReadEveryField(state, ShortLine()); }
void BM_StdSplit20Fields(benchmark::State& state) { StdSplit(state, ShortLine()); }
void BM_Parse64KiB(benchmark::State& state) { ParseAndReadEveryField(state, LongLine()); }
void BM_StdSplit64KiB(benchmark::State& state) { StdSplit(state, LongLine()); }

BENCHMARK(BM_Parse20Fields);
BENCHMARK(BM_StdSplit20Fields);
BENCHMARK(BM_Parse64KiB);
BENCHMARK(BM_StdSplit64KiB);

// 20 values of every type: integers, truth values, strings, bytes, floats
// and doubles.
void AddMixedValues(CDelimitedGenerate& generate) {
  static const std::array<std::vector<WCHAR>, 4> kTexts = {
      ToWide(u"alpha"), ToWide(u"a longer string value"), ToWide(u""), ToWide(u"x")};
  for (int i = 0; i < 20; ++i) {
    switch (i % 6) {
      case 0: generate.Add(i * 1234567 - 99); break;
      case 1: generate.Add(i % 4 == 1); break;
      case 2: generate.Add(kTexts[static_cast<std::size_t>(i) % kTexts.size()].data()); break;
      case 3: generate.Add(static_cast<unsigned char>(i * 13)); break;
      case 4: generate.Add(static_cast<float>(i) / 8.0f); break;
      default: generate.Add(static_cast<double>(i) * 1234.5678); break;
    }
  }
}

void BM_Generate20Values(benchmark::State& state) {
  CDelimitedGenerate generate;
  AddMixedValues(generate);
  for (auto _ : state) benchmark::DoNotOptimize(generate.Generate());
  std::size_t units = 0;
  for (const WCHAR* line = generate.Generate(); line[units] != 0;) ++units;
  Report(state, units);
}

void BM_AddAndGenerate20Values(benchmark::State& state) {
  CDelimitedGenerate generate;
  for (auto _ : state) {
    AddMixedValues(generate);
    benchmark::DoNotOptimize(generate.Generate());
    generate.Empty();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK(BM_Generate20Values);
BENCHMARK(BM_AddAndGenerate20Values);

}  // namespace

BENCHMARK_MAIN();
