// CStrToken cuts text into tokens at any character of a delimiter set, which
// may change from one call to the next. Unlike wcstok, adjacent delimiters
// give an empty token between them.
#include <cstdio>

#include <zelu/platform/cstring/cstring.h>
#include <zelu/text/str_token.h>
#include <zelu/text/zel_string.h>

int main() {
  const CString record(u"name=ann;roles=admin,,ops;");
  const WCHAR equals[] = {'=', 0};
  const WCHAR semicolon[] = {';', 0};
  const WCHAR comma_or_semicolon[] = {',', ';', 0};

  CStrToken tokens(record);  // works on its own copy of the text
  std::printf("GetTokenCount(;)    %d\n", tokens.GetTokenCount(semicolon));
  std::printf("GetTargetCount(=)   %d\n", tokens.GetTargetCount(equals));
  // Tokens point into the tokenizer's copy and stay valid while it lives.
  std::printf("key                 %s\n", CZelString(tokens.NextToken(equals)).AsUTF8());
  std::printf("value               %s\n", CZelString(tokens.NextToken(semicolon)).AsUTF8());
  std::printf("key                 %s\n", CZelString(tokens.NextToken(equals)).AsUTF8());
  while (WCHAR* role = tokens.NextToken(comma_or_semicolon)) {
    std::printf("role                [%s]\n", CZelString(role).AsUTF8());
  }

  // An empty set takes everything that is left.
  CStrToken rest(CString(u"GET /index.html HTTP/1.1"));
  const WCHAR space[] = {' ', 0};
  const WCHAR nothing[] = {0};
  std::printf("method              %s\n", CZelString(rest.NextToken(space)).AsUTF8());
  std::printf("rest                %s\n", CZelString(rest.NextToken(nothing)).AsUTF8());
  std::printf("after the end       %s\n", rest.NextToken(nothing) == nullptr ? "null" : "a token");
  return 0;
}
