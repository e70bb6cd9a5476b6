// CStrToken over a 64 KiB text, beside two peers on the same text in the
// same program: a std::u16string_view split with find_first_of, and the C
// library's wcstok on the text converted to wchar_t.
#include <algorithm>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/text/str_token.h>

namespace {

constexpr std::size_t kTextBytes = 64 * 1024;
constexpr std::size_t kTextUnits = kTextBytes / sizeof(WCHAR);

// Words of 1 to 12 lower-case letters, each ended by ',' or ';' (never two
// delimiters in a row, so wcstok, which skips empty tokens, sees the same
// tokens).
std::u16string MakeText() {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> length(1, 12), letter('a', 'z'), delimiter(0, 3);
  std::u16string text;
  while (text.size() < kTextUnits - 14) {
    for (int n = length(random); n > 0; --n) text += static_cast<char16_t>(letter(random));
    text += delimiter(random) == 0 ? u';' : u',';
  }
  while (text.size() < kTextUnits - 1) text += u'z';
  return text;
}

const std::u16string& Text() {
  static const std::u16string text = MakeText();
  return text;
}

std::vector<WCHAR> AsWchar16(const std::u16string& text) {
  std::vector<WCHAR> units(text.size() + 1, 0);
  std::copy(text.begin(), text.end(), units.begin());
  return units;
}

void Report(benchmark::State& state, std::size_t tokens) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kTextBytes));
  state.counters["tokens/s"] =
      benchmark::Counter(static_cast<double>(tokens) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

const WCHAR kDelimiters[] = {',', ';', 0};

std::size_t TakeAllTokens(CStrToken& tokenizer) {
  std::size_t tokens = 0;
  while (WCHAR* token = tokenizer.NextToken(kDelimiters)) {
    benchmark::DoNotOptimize(token);
    ++tokens;
  }
  return tokens;
}

void BM_CStrToken_Copy(benchmark::State& state) {
  const std::vector<WCHAR> text = AsWchar16(Text());
  std::size_t tokens = 0;
  for (auto _ : state) {
    CStrToken tokenizer(text.data());
    tokens = TakeAllTokens(tokenizer);
  }
  Report(state, tokens);
}
BENCHMARK(BM_CStrToken_Copy);

void BM_CStrToken_InPlace(benchmark::State& state) {
  const std::vector<WCHAR> text = AsWchar16(Text());
  std::vector<WCHAR> work(text.size());
  std::size_t tokens = 0;
  for (auto _ : state) {
    work = text;  // the tokenizer writes into it; restore each round
    CStrToken tokenizer(work.data(), false);
    tokens = TakeAllTokens(tokenizer);
  }
  Report(state, tokens);
}
BENCHMARK(BM_CStrToken_InPlace);

void BM_Peer_U16StringViewSplit(benchmark::State& state) {
  const std::u16string text = Text();
  const std::u16string_view view(text);
  std::size_t tokens = 0;
  for (auto _ : state) {
    tokens = 0;
    std::size_t start = 0;
    while (start < view.size()) {
      const std::size_t end = view.find_first_of(u",;", start);
      std::u16string_view token = view.substr(start, end == std::u16string_view::npos ? view.npos : end - start);
      benchmark::DoNotOptimize(token);
      ++tokens;
      if (end == std::u16string_view::npos) break;
      start = end + 1;
    }
  }
  Report(state, tokens);
}
BENCHMARK(BM_Peer_U16StringViewSplit);

void BM_Peer_Wcstok(benchmark::State& state) {
  const std::u16string& source = Text();
  const std::wstring text(source.begin(), source.end());
  std::wstring work;
  std::size_t tokens = 0;
  for (auto _ : state) {
    work = text;
    tokens = 0;
    wchar_t* rest = nullptr;
    for (wchar_t* token = std::wcstok(work.data(), L",;", &rest); token != nullptr;
         token = std::wcstok(nullptr, L",;", &rest)) {
      benchmark::DoNotOptimize(token);
      ++tokens;
    }
  }
  Report(state, tokens);
}
BENCHMARK(BM_Peer_Wcstok);

}  // namespace

BENCHMARK_MAIN();
