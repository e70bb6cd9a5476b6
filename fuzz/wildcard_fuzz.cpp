// The wildcard functions on an arbitrary pattern and text (the input is
// split at its first zero unit): results stay within their codes, agree with
// one another, and agree with the plain recursive reference of the rules,
// the validator always and the matcher while the pattern has few enough `*`
// groups for the reference's recursion to stay fast.
#include <algorithm>
#include <cstdlib>

#include <zelu/text/wildcard.h>
#include <zelu/text/wildcard_reference_test.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;

namespace {

// The reference tries every position after each `*`, recursively: beyond a
// few groups it costs the fuzzer more time than it finds.
constexpr std::ptrdiff_t kMostStarsForReference = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;  // matching is quadratic in the worst case
  auto units = zelu::fuzz::TextFromBytes(data, size);
  const auto split = std::find(units.begin(), units.end(), 0);
  const unsigned short* pattern = units.data();
  const unsigned short* text = split + 1 == units.end() ? &*split : &*(split + 1);

  const int result = matche(pattern, text);
  Check(result >= 1 && result <= 6);
  Check(match(pattern, text) == (result == 1 ? 1 : 0));
  if (std::count(units.begin(), split, '*') <= kMostStarsForReference) {
    Check(result == zelu::reference::Matche(pattern, text));
  }
  int fault = 99;
  const int valid = is_valid_pattern(pattern, &fault);
  Check(valid == (fault == 0 ? 1 : 0) && fault >= -4 && fault <= 0);
  int reference_fault = 99;
  Check(valid == zelu::reference::IsValidPattern(pattern, &reference_fault) && fault == reference_fault);
  if (is_pattern(pattern) == 0) Check(result != 6);  // no set, nothing malformed
  return 0;
}
