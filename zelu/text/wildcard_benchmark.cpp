// matche beside the C library's fnmatch (on the UTF-8 form of the same
// text, FNM_NOESCAPE so that `\` is literal in both) in one run.
//
//   typical/*       file names against everyday patterns
//   backtrack/*     a 4 KiB text where every position starts a long trial
//   groups/*        65 `*` groups over a 4 KiB text that never matches
//   worst/N         the worst case: a 64-unit stretch after a star retried
//                   at every position of an N-unit text; time must grow
//                   linearly in N (text x stretch, no worse)
#include <fnmatch.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/text/wildcard.h>

namespace {

std::vector<WCHAR> Widen(const std::string& ascii) {
  std::vector<WCHAR> out(ascii.begin(), ascii.end());
  out.push_back(0);
  return out;
}

struct Corpus {
  std::vector<std::string> narrow;
  std::vector<std::vector<WCHAR>> wide;
  std::int64_t bytes = 0;

  explicit Corpus(const std::vector<std::string>& texts) : narrow(texts) {
    for (const auto& text : texts) {
      wide.push_back(Widen(text));
      bytes += static_cast<std::int64_t>(text.size());
    }
  }
};

const std::vector<std::string> kFileNames = {
    "server.log",          "server.log.1",        "access_2024-06-11.log", "data_01_2023.csv",
    "data_7_x.csv",        "data_42_9_final.csv", "README.md",             "abc_def.txt",
    "a_big_cat.txt",       "notes_on_backups.log", "image_0001.png",       "data_ab_1.csv",
    "cabinet_backup.tar",  "data_99_0.csv.bak",   "alphabet_soup.c",       "zz_top.log",
};

void Report(benchmark::State& state, const Corpus& corpus) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(corpus.narrow.size()));
  state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

void RunMatche(benchmark::State& state, const std::string& pattern, const Corpus& corpus) {
  const auto wide_pattern = Widen(pattern);
  for (auto _ : state) {
    for (const auto& text : corpus.wide) benchmark::DoNotOptimize(matche(wide_pattern.data(), text.data()));
  }
  Report(state, corpus);
}

void RunFnmatch(benchmark::State& state, const std::string& pattern, const Corpus& corpus) {
  for (auto _ : state) {
    for (const auto& text : corpus.narrow) {
      benchmark::DoNotOptimize(fnmatch(pattern.c_str(), text.c_str(), FNM_NOESCAPE));
    }
  }
  Report(state, corpus);
}

void Register(const std::string& group, const std::string& pattern, const Corpus& corpus,
              const std::string& label = {}) {
  const std::string name = group + "/" + (label.empty() ? pattern : label);
  benchmark::RegisterBenchmark(("matche/" + name).c_str(),
                               [pattern, &corpus](benchmark::State& s) { RunMatche(s, pattern, corpus); });
  benchmark::RegisterBenchmark(("fnmatch/" + name).c_str(),
                               [pattern, &corpus](benchmark::State& s) { RunFnmatch(s, pattern, corpus); });
}

enum class Engine { kMatche, kFnmatch };

template <Engine engine>
void Worst(benchmark::State& state) {
  const std::string pattern = "*" + std::string(63, 'a') + "b";
  const Corpus corpus({std::string(static_cast<std::size_t>(state.range(0)), 'a')});
  if constexpr (engine == Engine::kMatche) {
    RunMatche(state, pattern, corpus);
  } else {
    RunFnmatch(state, pattern, corpus);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Worst<Engine::kMatche>)->Name("matche/worst")->RangeMultiplier(4)->Range(1 << 10, 1 << 16)
    ->Complexity(benchmark::oN);
BENCHMARK(Worst<Engine::kFnmatch>)->Name("fnmatch/worst")->RangeMultiplier(4)->Range(1 << 10, 1 << 16)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  static const Corpus file_names(kFileNames);
  for (const char* pattern : {"*.log", "data_??_[0-9]*.csv", "*a*b*c*"}) Register("typical", pattern, file_names);

  static const Corpus long_text({std::string(4096, 'a')});
  Register("backtrack", "*aaaaaaaaaaaaaaab", long_text);

  std::string groups;
  for (int i = 0; i < 64; ++i) groups += "*a";
  Register("groups", groups + "*b", long_text, "(*a)x64*b");

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
