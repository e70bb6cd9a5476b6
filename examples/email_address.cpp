// CEmailAddress checks an address with a few exact rules (one '@', a user
// and a domain, domain labels of letters, digits and '-') and splits it
// into user and domain, whether it is valid or not.
#include <cstdio>

#include <zelu/text/email_address.h>
#include <zelu/text/zel_string.h>

int main() {
  const char16_t* addresses[] = {u"ann@mail.example", u"x@y", u"no-at-sign", u"two@@example.com",
                                 u"bob@bad..domain", u"eve@under_score.example"};
  for (const char16_t* text : addresses) {
    const CString copy(text);
    CEmailAddress address(copy);  // kept exactly as given
    std::printf("%-24s valid %d  user [%s]  domain [%s]\n", CZelString(copy).AsUTF8(), address.IsValid(),
                CZelString(address.GetUser()).AsUTF8(), CZelString(address.GetDomain()).AsUTF8());
  }
  return 0;
}
