#!/usr/bin/env bash
# End-to-end checks of `zelu tokens`.
source "$(dirname "$0")/command_test_lib.sh"

expect_stdout "empty token between delimiters" $'a\nb\n\nc' tokens , a,b,,c
expect_stdout "leading delimiter" $'\na' tokens , ,a
expect_stdout "trailing delimiter gives no empty token" "a" tokens , a,
expect_stdout "any character of the set" $'a\nb\nc' tokens ',;' 'a;b,c'
expect_stdout "empty set takes everything" "ab cd" tokens '' 'ab cd'
expect_stdout "empty text gives nothing" "" tokens , ''
expect_stdout "non-ASCII delimiter" $'été\nhiver' tokens '€' 'été€hiver'
expect_failure "missing text" tokens ,
expect_bytes "a delimiter outside the BMP is refused" "" 2 "" "outside the BMP" tokens $'\xf0\x9f\x98\x80' $'a\xf0\x9f\x98\x80b'
finish
