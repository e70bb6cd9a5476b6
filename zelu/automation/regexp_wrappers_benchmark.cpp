// Execute and Replace through the wrappers beside PCRE2-16 called directly
// with the same translated, JIT-compiled pattern, on 1 MiB of text; and the
// cost per match of the collection objects with Global over many short
// matches.
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <zelu/automation/regexp_wrappers.h>
#include <zelu/platform/regexp/internal/translator.h>
#include <zelu/platform/regexp/regexp.h>

namespace {

constexpr std::size_t kTextUnits = 1 << 19;  // 1 MiB of UTF-16
constexpr std::int64_t kTextBytes = 2 * kTextUnits;

// Words of lower-case letters with a sprinkle of capitalised words, numbers
// and addresses, so that each pattern matches now and then.
const std::vector<WCHAR>& Text() {
  static const std::vector<WCHAR> text = [] {
    std::mt19937 engine(7);
    auto random = [&engine] { return static_cast<unsigned>(engine()); };
    std::vector<WCHAR> units;
    while (units.size() < kTextUnits) {
      const unsigned roll = random() % 1000;
      std::u16string word;
      if (roll == 0) word = u"needle";
      else if (roll < 3) word = u"Order" + std::u16string(1, static_cast<char16_t>(u'0' + random() % 10)) + u"42";
      else if (roll < 5) word = u"mail@host.com";
      else for (unsigned n = 2 + random() % 8; n > 0; --n) word += static_cast<char16_t>(u'a' + random() % 26);
      units.insert(units.end(), word.begin(), word.end());
      units.push_back(u' ');
    }
    units.resize(kTextUnits);
    units.push_back(0);
    return units;
  }();
  return text;
}

const char16_t* const kPatterns[] = {u"needle", u"[A-Z][a-z]+[0-9]{3}", u"(\\w+)@(\\w+)\\.com"};

IRegExp2 MakeRegExp(const char16_t* pattern, bool global) {
  IRegExp2 regexp(zelu::regexp::CreateRegExp());
  regexp.SetPattern(CString(pattern));
  regexp.SetGlobal(global ? 1 : 0);
  return regexp;
}

// PCRE2 with the pattern the object compiles, and our loop over matches.
class DirectPcre {
 public:
  explicit DirectPcre(const char16_t* pattern) {
    const auto translation = zelu::regexp::internal::Translate(pattern, false);
    std::vector<PCRE2_UCHAR16> units(translation.pattern.begin(), translation.pattern.end());
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile_16(units.data(), units.size(), PCRE2_NEVER_UTF | PCRE2_MATCH_UNSET_BACKREF, &error, &offset,
                             nullptr);
    pcre2_jit_compile_16(code_, PCRE2_JIT_COMPLETE);
    data_ = pcre2_match_data_create_from_pattern_16(code_, nullptr);
  }
  ~DirectPcre() {
    pcre2_match_data_free_16(data_);
    pcre2_code_free_16(code_);
  }

  std::size_t CountMatches(const WCHAR* text, std::size_t length) {
    std::size_t count = 0, start = 0;
    while (start <= length && pcre2_match_16(code_, text, length, start, 0, data_, nullptr) > 0) {
      const PCRE2_SIZE* vector = pcre2_get_ovector_pointer_16(data_);
      ++count;
      start = vector[1] == vector[0] ? vector[1] + 1 : vector[1];
    }
    return count;
  }

  std::size_t ReplaceAll(const WCHAR* text, std::size_t length, std::vector<PCRE2_UCHAR16>& out) {
    static const PCRE2_UCHAR16 kReplacement[] = {'<', '$', '0', '>', 0};
    PCRE2_SIZE size = out.size();
    pcre2_substitute_16(code_, text, length, 0, PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH, data_,
                        nullptr, kReplacement, 4, out.data(), &size);
    return size;
  }

 private:
  pcre2_code_16* code_ = nullptr;
  pcre2_match_data_16* data_ = nullptr;
};

void BM_ExecuteWrappers(benchmark::State& state) {
  IRegExp2 regexp = MakeRegExp(kPatterns[state.range(0)], true);
  for (auto _ : state) {
    IMatchCollection2 matches(regexp.Execute(Text().data()));
    benchmark::DoNotOptimize(matches.GetCount());
  }
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

void BM_ExecuteDirectPcre2(benchmark::State& state) {
  DirectPcre pcre(kPatterns[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(pcre.CountMatches(Text().data(), kTextUnits));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

// The same from the text as the wrappers' caller holds it: zero-terminated,
// its length unknown until scanned (a plain scan, like PCRE2's own for a
// zero-terminated subject).
void BM_ExecuteDirectPcre2FromTerminatedText(benchmark::State& state) {
  DirectPcre pcre(kPatterns[state.range(0)]);
  const WCHAR* text = Text().data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    benchmark::DoNotOptimize(pcre.CountMatches(text, length));
  }
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

void BM_ReplaceWrappers(benchmark::State& state) {
  IRegExp2 regexp = MakeRegExp(kPatterns[state.range(0)], true);
  VARIANT replacement{};
  replacement.vt = VT_BSTR;
  replacement.bstrVal = SysAllocString(CString(u"<$&>"));
  for (auto _ : state) benchmark::DoNotOptimize(regexp.Replace(Text().data(), replacement).GetLength());
  VariantClear(&replacement);
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

void BM_ReplaceDirectPcre2(benchmark::State& state) {
  DirectPcre pcre(kPatterns[state.range(0)]);
  std::vector<PCRE2_UCHAR16> out(2 * kTextUnits);
  for (auto _ : state) benchmark::DoNotOptimize(pcre.ReplaceAll(Text().data(), kTextUnits, out));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

// What the late-bound call itself costs on 1 MiB: the driver makes an
// automation string of the text argument (length scan and copy) for each call.
void BM_TextArgument(benchmark::State& state) {
  for (auto _ : state) {
    BSTR argument = SysAllocString(Text().data());
    benchmark::DoNotOptimize(argument);
    SysFreeString(argument);
  }
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}

// Every word is a match: Execute alone, and Execute with every match read
// through its wrapper (items per second is matches per second).
void BM_ManyShortMatches(benchmark::State& state) {
  IRegExp2 regexp = MakeRegExp(u"\\w+", true);
  const bool read_each = state.range(0) != 0;
  std::int64_t matches_seen = 0;
  for (auto _ : state) {
    IMatchCollection2 matches(regexp.Execute(Text().data()));
    const LONG count = matches.GetCount();
    for (LONG i = 0; read_each && i < count; ++i) {
      IMatch2 match(matches.GetItem(i));
      benchmark::DoNotOptimize(match.GetFirstIndex());
    }
    matches_seen += count;
  }
  state.SetItemsProcessed(matches_seen);
}

void BM_ManyShortMatchesDirectPcre2(benchmark::State& state) {
  DirectPcre pcre(u"\\w+");
  std::int64_t matches_seen = 0;
  for (auto _ : state) matches_seen += static_cast<std::int64_t>(pcre.CountMatches(Text().data(), kTextUnits));
  state.SetItemsProcessed(matches_seen);
}

BENCHMARK(BM_ExecuteWrappers)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExecuteDirectPcre2)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExecuteDirectPcre2FromTerminatedText)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceWrappers)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceDirectPcre2)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextArgument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyShortMatches)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyShortMatchesDirectPcre2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
