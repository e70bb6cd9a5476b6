// E-mail addresses and the tokenizer on arbitrary text: a valid address
// splits into a non-empty user and a domain that put back together give the
// address again.
#include <cstdlib>

#include <zelu/text/email_address.h>
#include <zelu/text/str_token.h>

#include "fuzz_input.h"

using zelu::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zelu::fuzz::kMaxInputBytes) return 0;
  auto units = zelu::fuzz::TextFromBytes(data, size);
  CEmailAddress address(units.data());
  const CString user = address.GetUser();
  const CString domain = address.GetDomain();
  if (address.IsValid()) {
    Check(!user.IsEmpty() && !domain.IsEmpty());
    Check(user + CString(u"@") + domain == CString(units.data()));
  }

  // Tokens and their delimiters put back together give the text again.
  const unsigned short delimiters[] = {',', ';', 0};
  CStrToken tokens(units.data());
  const int expected = tokens.GetTokenCount(delimiters);
  int taken = 0;
  while (tokens.NextToken(delimiters) != nullptr) ++taken;
  Check(taken == expected);
  return 0;
}
