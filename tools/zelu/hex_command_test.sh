#!/usr/bin/env bash
source "$(dirname "$0")/command_test_lib.sh"

INPUT=$'\x01\xab'
expect_stdout "plain" "01AB" hex encode
expect_stdout "counted" "000201AB" hex encode --counted
INPUT=""
expect_stdout "empty counted" "0000" hex encode --counted
INPUT="4869210a"
expect_stdout "decode" "Hi!" hex decode
INPUT=$'00034869\n'
expect_failure "counted, too few bytes" hex decode --counted
INPUT="000348692100"
expect_stdout "counted decode ignores what follows" "Hi!" hex decode --counted
INPUT="ABC"
expect_failure "odd length" hex decode
INPUT="0G"
expect_failure "bad digit" hex decode
expect_failure "unknown action" hex frobnicate
expect_failure "no action" hex

# Every byte value survives a round trip.
all=$(mktemp)
printf "$(printf '\\x%02x' $(seq 0 255))" >"$all"
if ! "$ZELU" hex encode <"$all" | "$ZELU" hex decode | cmp -s - "$all"; then
  echo "FAIL round trip of all byte values"
  failures=$((failures + 1))
fi
rm -f "$all"
finish
