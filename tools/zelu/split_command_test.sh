#!/usr/bin/env bash
source "$(dirname "$0")/command_test_lib.sh"

INPUT=$'5^TRUE^"ab"\n'
expect_stdout "default delimiter" $'5\nTRUE\n"ab"' split
INPUT=$' a ^"x^y"^ b \r\n^\n'
expect_stdout "quotes, white space, CRLF" $' a \n"x^y"\nb' split
expect_stdout "json keeps the lines apart" $'[" a ","\\"x^y\\"","b"]\n["",""]' split --json
INPUT=$'a,b^c\nlast'
expect_stdout "chosen delimiter, no final line feed" $'a\nb^c\nlast' split --delimiter ,
INPUT=$'a\tb\\c\x01\x7f'
expect_stdout "json escapes" '["a","b\\c\u0001'$'\x7f''"]' split --json --delimiter $'\t'
INPUT=$'\xc3\xa9\xc2\xa7\xf0\x9f\x98\x80\xc2\xa7'
expect_stdout "non-ASCII delimiter and text" $'["\xc3\xa9","\xf0\x9f\x98\x80",""]' split --json --delimiter $'\xc2\xa7'
INPUT='"a^b"^c"'
expect_stdout "quote as the delimiter" '["","a^b","^c",""]' split --json --delimiter '"'
INPUT=""
expect_stdout "no input, no output" "" split --json
INPUT="a^b"
expect_failure "missing delimiter value" split --delimiter
expect_failure "delimiter too long" split --delimiter ab
expect_failure "empty delimiter" split --delimiter ''
expect_failure "delimiter outside the BMP" split --delimiter $'\xf0\x9f\x98\x80'
expect_failure "unknown option" split --tsv
# A shell variable cannot hold a NUL byte: pipe it in directly.
err=$(printf 'a\0b' | "$ZELU" split 2>&1 >/dev/null)
status=$?
out=$(printf 'a\0b' | "$ZELU" split 2>/dev/null)
if [[ $status -eq 0 || -n "$out" || -z "$err" ]]; then
  echo "FAIL NUL byte: status $status, stdout '$out'"
  failures=$((failures + 1))
fi
finish
