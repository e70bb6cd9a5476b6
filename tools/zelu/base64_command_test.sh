#!/usr/bin/env bash
# End-to-end checks of `zelu base64`.
source "$(dirname "$0")/command_test_lib.sh"

INPUT="Man"; expect_stdout "three bytes" "TWFu" base64 encode
INPUT="Ma"; expect_stdout "two bytes pad once, mode word optional" "TWE=" base64
INPUT=""; expect_exact "empty input, empty output" "" base64 encode
INPUT="Man"; expect_exact "-w 0: one line, no line feed" "TWFu" base64 -w 0
INPUT="abcdefghij"; expect_exact "wrapped at 8 columns" $'YWJjZGVm\nZ2hpag==\n' base64 --wrap=8
INPUT="abcdefghij"; expect_exact "clustered short options" $'YWJj\nZGVm\nZ2hp\nag==\n' base64 -w4 -
INPUT="TWFu"; expect_stdout "decode" "Man" base64 decode
INPUT="TWFu"; expect_stdout "-d" "Man" base64 -d
INPUT=$'TW\r\nF u\n'; expect_stdout "skips line breaks and spaces" "Man" base64 -d
INPUT="TQ==TWFu"; expect_stdout "stops at the first '='" "M" base64 -d
INPUT="TWFuTQ"; expect_stdout "drops an incomplete group" "Man" base64 -d -i
INPUT=$'TWFu\nTQ==\n'; expect_stdout "strict accepts clean text" "ManM" base64 -d --strict
INPUT="TW-Fu"; expect_failure_saying "strict: outside the alphabet" "0x2D outside the alphabet at byte 2" base64 -d --strict
INPUT="TW-Fu"; expect_stdout "strict with -i skips it" "Man" base64 -d --strict -i
INPUT="TQ=A"; expect_failure_saying "strict: data after padding" "data after '=' padding at byte 3" base64 -d --strict
INPUT="T==="; expect_failure_saying "strict: misplaced '='" "misplaced '=' at byte 1" base64 -d --strict
INPUT="TWFuTQ"; expect_failure_saying "strict: dangling group" "incomplete group of 2" base64 -d --strict

# Every byte value survives the round trip, through files and '-'.
all_bytes=$(mktemp)
for value in $(seq 0 255); do printf "\\x$(printf %02x "$value")"; done >"$all_bytes"
expect_true "round trip of all 256 byte values" \
  bash -c '"$0" base64 encode "$1" | "$0" base64 decode - | cmp -s - "$1"' "$ZELU" "$all_bytes"
expect_true "two files are one input" \
  bash -c '[[ $("$0" base64 "$1" "$1" | "$0" base64 -d | wc -c) -eq 512 ]]' "$ZELU" "$all_bytes"
# A two-byte character cut by the edge of a 64 KiB read decodes as a whole:
# the low byte of U+0141 counts as 'A'.
letters=$(mktemp)
{ head -c 65535 /dev/zero | tr '\0' A; printf '\xc5\x81'; head -c 1000 /dev/zero | tr '\0' A; } >"$letters"
expect_true "a character across a read's edge" \
  bash -c 'cmp -s <("$0" base64 -d "$1") <(head -c 66536 /dev/zero | tr "\0" A | "$0" base64 -d)' "$ZELU" "$letters"
rm -f "$all_bytes" "$letters"

INPUT=""
expect_failure "unknown option" base64 --frobnicate
expect_failure "missing wrap value" base64 -w
expect_failure "negative wrap" base64 -w -3
expect_failure "mode word and -d disagree" base64 encode -d
expect_failure_saying "missing file" "cannot open 'no-such-file'" base64 no-such-file
finish
