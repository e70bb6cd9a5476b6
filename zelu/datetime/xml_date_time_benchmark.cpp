// XML dateTime text -> instant -> text, per instant, beside the C library
// doing the same with strptime + timegm + gmtime_r + strftime on the same
// instants (as UTF-8 text). Both read a text with a zone offset and write
// the UTC text; the local form is measured too, since it queries the zone
// on every call. Years 1000 to 9999, where both write the same text (the C
// library writes the year 100 as "100").
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <zelu/datetime/xml_date_time.h>

namespace {

constexpr std::size_t kTexts = 1024;

// Random local wall-clock times with offsets from -14:00 to +14:00 in
// quarter hours, as the XML text of the form "2004-07-01T12:00:00.000+02:00".
const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::mt19937_64 random(20040701);
    std::uniform_int_distribution<long long> seconds(-30610224000LL + 86400, 253402300799LL - 86400);  // 1000..9999
    std::uniform_int_distribution<int> quarters(-56, 56);
    std::vector<std::string> result;
    for (std::size_t i = 0; i < kTexts; ++i) {
      const int offset = quarters(random) * 15;
      const std::time_t wall = seconds(random) + offset * 60;
      std::tm fields{};
      gmtime_r(&wall, &fields);
      char text[96];
      const int magnitude = std::abs(offset);
      std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.000%c%02d:%02d", fields.tm_year + 1900,
                    fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec,
                    offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
      result.emplace_back(text);
    }
    return result;
  }();
  return texts;
}

std::vector<CString> WideTexts() {
  std::vector<CString> wide;
  for (const std::string& text : Texts()) wide.emplace_back(text.c_str());
  return wide;
}

using PeerText = char[40];

// The C library's round trip: writes the UTC text of the instant that
// `text` holds; returns its length (0 when the text does not parse).
std::size_t PeerRoundTrip(const std::string& text, PeerText& written) {
  std::tm fields{};
  if (strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S.000%z", &fields) == nullptr) return 0;
  const long offset = fields.tm_gmtoff;  // timegm resets it
  const std::time_t utc = timegm(&fields) - offset;
  std::tm out{};
  gmtime_r(&utc, &out);
  return std::strftime(written, sizeof written, "%Y-%m-%dT%H:%M:%S.000+00:00", &out);
}

std::string ZeluRoundTrip(CString& text, int bUTC) {
  CString out;
  CZelXMLDateTime(text).GetXMLDateTimeString(out, bUTC);
  std::string narrow;
  for (int i = 0; i < out.GetLength(); ++i) narrow += static_cast<char>(out[i]);
  return narrow;
}

// Both sides must write the same text before either is timed.
void CheckSameResults() {
  std::vector<CString> wide = WideTexts();
  for (std::size_t i = 0; i < kTexts; ++i) {
    PeerText written;
    const std::size_t length = PeerRoundTrip(Texts()[i], written);
    if (length == 0 || ZeluRoundTrip(wide[i], TRUE) != std::string(written, length)) {
      std::fprintf(stderr, "results differ for %s\n", Texts()[i].c_str());
      std::abort();
    }
  }
}

void Report(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kTexts));
}

void ZeluRoundTrips(benchmark::State& state, int bUTC) {
  std::vector<CString> texts = WideTexts();
  CString out;
  for (auto _ : state) {
    for (CString& text : texts) {
      CZelXMLDateTime(text).GetXMLDateTimeString(out, bUTC);
      benchmark::DoNotOptimize(out.GetString());
    }
  }
  Report(state);
}

void BM_CZelXMLDateTime_Utc(benchmark::State& state) { ZeluRoundTrips(state, TRUE); }
BENCHMARK(BM_CZelXMLDateTime_Utc);

void BM_CZelXMLDateTime_LocalFixedZone(benchmark::State& state) {
  setenv("TZ", "IST-5:30", 1);
  ZeluRoundTrips(state, FALSE);
}
BENCHMARK(BM_CZelXMLDateTime_LocalFixedZone);

void BM_CZelXMLDateTime_LocalDaylightZone(benchmark::State& state) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ZeluRoundTrips(state, FALSE);
}
BENCHMARK(BM_CZelXMLDateTime_LocalDaylightZone);

void BM_Peer_StrptimeTimegmStrftime(benchmark::State& state) {
  const std::vector<std::string>& texts = Texts();
  PeerText written;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      benchmark::DoNotOptimize(PeerRoundTrip(text, written));
      benchmark::ClobberMemory();
    }
  }
  Report(state);
}
BENCHMARK(BM_Peer_StrptimeTimegmStrftime);

}  // namespace

int main(int argc, char** argv) {
  CheckSameResults();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
