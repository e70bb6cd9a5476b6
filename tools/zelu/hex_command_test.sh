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
INPUT="48 69"; expect_run "strict refuses spaces" 1 "H" "0x20 is not a hex digit (byte 2)" hex -d --strict
INPUT=$'00034869\n'; expect_failure_saying "counted, too few bytes" "announces 3 bytes" hex decode --counted
INPUT="000348692100"; expect_failure_saying "counted, text follows" "2 hex digits follow" hex decode --counted
INPUT="0003486921"; expect_stdout "counted decode" "Hi!" hex decode --counted
INPUT="0G"; expect_failure_saying "bad digit" "0x47 is not a hex digit (byte 1)" hex decode
INPUT=""
expect_failure "unknown option" hex --frobnicate
expect_failure "negative columns" hex -c -1

# Where a fault is, within its FILE; what decodes before it is written.
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
cd "$files" || exit 1
printf '4869\n' >good.hex; printf '486\n' >odd.hex; printf '21\n0G' >bad.hex
#      what                                  status output  message                                 arguments
INPUT="ABC";  expect_run "odd length, where"            1 $'\xab' "the last one (byte 2) has no pair"   hex decode
INPUT="";     expect_run "bad digit in the second FILE" 1 "Hi!"   "0x47 is not a hex digit (byte 4 of 'bad.hex')" hex -d good.hex bad.hex
INPUT="";     expect_run "counted: odd length, where"   1 ""      "the last one (byte 2 of 'odd.hex')"    hex -d --counted good.hex odd.hex
INPUT="";     expect_run "counted: empty input"         0 ""      ""                                      hex -d --counted
INPUT=$'\n';  expect_run "counted: no digits"           0 ""      ""                                      hex -d --counted
INPUT="";     expect_run "counted with -c"              2 ""      "-c/--cols does not apply"              hex --counted -c 2
INPUT="0000"; expect_run "counted decode with -c"       2 ""      "-c/--cols does not apply"              hex -d --counted -c2
cd - >/dev/null || exit 1
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
