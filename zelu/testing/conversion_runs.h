// Test helper: holds a fast conversion to a reference. A run converts one
// input into buffers of several sizes (ample, exact, one short, half), each
// with a margin, all filled with a marker first, and also counts the
// output; two runs agree when every result, count and whole buffer is the
// same (so nothing was written past what was reported).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace zelu::testing {

template <typename In, typename Out>
using ConvertFunction = std::size_t (*)(const In*, std::size_t, Out*, std::size_t) noexcept;
template <typename In>
using CountFunction = std::size_t (*)(const In*, std::size_t) noexcept;

template <typename Out>
struct Outcome {
  std::size_t room;
  std::size_t result;
  std::vector<Out> out;  // room + kMargin elements
};

template <typename Out>
struct ConversionRun {
  std::size_t length;  // what the counting function gave
  std::vector<Outcome<Out>> outcomes;
};

inline constexpr std::size_t kMargin = 16;
inline constexpr unsigned char kUnwritten = 0xA5;

// Runs `convert` on `count` elements at `in` with the room `most`, `exact`,
// `exact` / 2 and `exact` - 1.
template <typename In, typename Out>
ConversionRun<Out> RunConversion(ConvertFunction<In, Out> convert, CountFunction<In> count_of, const In* in,
                                 std::size_t count, std::size_t most, std::size_t exact) {
  std::vector<std::size_t> rooms{most, exact, exact / 2};
  if (exact > 0) rooms.push_back(exact - 1);
  ConversionRun<Out> run{count_of(in, count), {}};
  for (const std::size_t room : rooms) {
    std::vector<Out> out(room + kMargin, kUnwritten);
    const std::size_t result = convert(in, count, out.data(), room);
    run.outcomes.push_back({room, result, std::move(out)});
  }
  return run;
}

// "" when the runs agree; otherwise the first difference.
template <typename Out>
std::string Difference(const ConversionRun<Out>& expected, const ConversionRun<Out>& actual) {
  if (actual.length != expected.length) return "counted " + std::to_string(actual.length);
  for (std::size_t k = 0; k < actual.outcomes.size(); ++k) {
    const Outcome<Out>& want = expected.outcomes[k];
    const Outcome<Out>& got = actual.outcomes[k];
    if (got.result != want.result) {
      return "room " + std::to_string(want.room) + ": returned " + std::to_string(got.result);
    }
    if (got.out != want.out) {
      const auto at = std::mismatch(got.out.begin(), got.out.end(), want.out.begin()).first - got.out.begin();
      return "room " + std::to_string(want.room) + ": output differs at " + std::to_string(at);
    }
  }
  return "";
}

}  // namespace zelu::testing
