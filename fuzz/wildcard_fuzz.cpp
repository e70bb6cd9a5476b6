// The wildcard functions on an arbitrary pattern and text (the input is
// split at its first zero unit): results stay within their codes and agree
// with one another.
#include <algorithm>
#include <cstdlib>

#include <zelu/text/wildcard.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;  // matching is quadratic in the worst case
  auto units = zelu::fuzz::TextFromBytes(data, size);
  const auto split = std::find(units.begin(), units.end(), 0);
  const unsigned short* pattern = units.data();
  const unsigned short* text = split + 1 == units.end() ? &*split : &*(split + 1);

  const int result = matche(pattern, text);
  Check(result >= 1 && result <= 6);
  Check(match(pattern, text) == (result == 1 ? 1 : 0));
  int fault = 99;
  const int valid = is_valid_pattern(pattern, &fault);
  Check(valid == (fault == 0 ? 1 : 0) && fault >= -4 && fault <= 0);
  if (is_pattern(pattern) == 0) Check(result != 6);  // no set, nothing malformed
  return 0;
}
