#!/usr/bin/env bash
# End-to-end checks of `zelu hex`.
source "$(dirname "$0")/command_test_lib.sh"

INPUT=$'\x01\xab'
expect_exact "plain" $'01AB\n' hex encode
expect_exact "lower case" $'01ab\n' hex --lower
expect_exact "one line, no line feed" "01AB" hex -c 0
expect_exact "counted" $'000201AB\n' hex encode --counted
INPUT="abcdefghijklmnopqrstuvwxyz0123456789"
expect_exact "30 bytes a line, as xxd -p" \
  $'6162636465666768696A6B6C6D6E6F707172737475767778797A30313233\n343536373839\n' hex
INPUT=""
expect_exact "empty input, empty output" "" hex encode
expect_exact "empty counted" $'0000\n' hex encode --counted
INPUT=$'48 69\n21\r\n0a\n'; expect_stdout "decode ignores line breaks and spaces" "Hi!" hex -d
INPUT=$'4869\n210a'; expect_stdout "strict keeps line breaks" "Hi!" hex decode --strict
INPUT="48 69"; expect_failure_saying "strict refuses spaces" "0x20 is not a hex digit (byte 2)" hex -d --strict
INPUT=$'00034869\n'; expect_failure_saying "counted, too few bytes" "announces 3 bytes" hex decode --counted
INPUT="000348692100"; expect_failure_saying "counted, text follows" "2 hex digits follow" hex decode --counted
INPUT="0003486921"; expect_stdout "counted decode" "Hi!" hex decode --counted
INPUT="ABC"; expect_failure_saying "odd length" "odd number of hex digits" hex decode
INPUT="0G"; expect_failure_saying "bad digit" "0x47 is not a hex digit (byte 1)" hex decode
INPUT=""
expect_failure "unknown option" hex --frobnicate
expect_failure "negative columns" hex -c -1
expect_true "counted holds at most 65535 bytes" \
  bash -c '! head -c 65536 /dev/zero | "$0" hex --counted >/dev/null 2>&1' "$ZELU"

# Every byte value survives a round trip, also through the system's xxd.
all=$(mktemp)
printf "$(printf '\\x%02x' $(seq 0 255))" >"$all"
expect_true "round trip of all byte values" bash -c '"$0" hex "$1" | "$0" hex -d | cmp -s - "$1"' "$ZELU" "$all"
if command -v xxd >/dev/null; then
  expect_true "xxd -p output decodes" bash -c 'xxd -p "$1" | "$0" hex -d | cmp -s - "$1"' "$ZELU" "$all"
  expect_true "lower-case output is xxd -p's" bash -c 'cmp -s <("$0" hex --lower "$1") <(xxd -p "$1")' "$ZELU" "$all"
fi
rm -f "$all"
finish
