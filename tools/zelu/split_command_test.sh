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

# Lines, files and NUL bytes. Each row: what | standard input | status |
# standard output | standard error (printf formats, see expect_bytes).
cd "$(mktemp -d)" || exit 1
printf 'a^b' >nolf
printf 'c^d\n' >withlf
printf 'x\0y\n' >nul
{ seq 1 100000; printf 'a\0b\n'; } >late_nul
# A long line goes to the library in segments: 20000 quoted fields of 7
# bytes, each holding the delimiter, so segment ends fall on every byte of
# them (inside quotes and inside the two-byte character too), then a quote
# that runs to the end of the line.
printf '"q^\xc3\xa9"^%.0s' $(seq 20000) >long_line
printf ' "tail^ \n' >>long_line
expect_bytes "the last line of each file ends at its end" "" 0 '["a","b"]\n["c","d"]\n' "" split --json nolf withlf
expect_bytes "the lines before a NUL byte are out, and its line is named" 'one\ntwo\nth\0ree\nfour\n' 1 \
  'one\ntwo\n' "zelu split: line 3 holds a NUL byte" split
expect_bytes "a NUL byte far in is on its own line" "" 1 "$(seq -s '\n' 1 100000)\n" "line 100001 of 'late_nul' holds a NUL byte" \
  split late_nul
expect_bytes "several files: the file is named" "" 1 'a\nb\n' "line 1 of 'nul' holds a NUL byte" split nolf nul
expect_bytes "several files: standard input is named" 'a\0' 1 'c\nd\n' "line 1 of standard input holds" split withlf -
expect_bytes "a long line in segments splits as a whole" "" 0 \
  "$(printf '"q^\xc3\xa9"\\n%.0s' $(seq 20000))\"tail^\n" "" split long_line
a16k="$(printf 'a%.0s' $(seq 16383))\xf0\x9f\x98\x80"
expect_bytes "a long field is written with its characters whole" "$a16k" 0 "$a16k\n" "" split

# Memory: a long line is held whole (1 byte per byte), and its longest
# field's text twice over (4 bytes per byte); the library never holds more
# than a segment's fields.
expect_peak "16 MiB of delimiters" 40 "head -c 16M /dev/zero | tr '\\0' ^" split
expect_peak "16 MiB of delimiters, JSON" 40 "head -c 16M /dev/zero | tr '\\0' ^" split --json
expect_peak "a field of 16 MiB" $((6 * 16 + 16)) "head -c 16M /dev/zero | tr '\\0' a" split
finish
