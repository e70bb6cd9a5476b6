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
INPUT=$'TWFu\nTQ==\n'; expect_stdout "strict accepts clean text" "ManM" base64 -d --strict
INPUT="TW-Fu"; expect_stdout "strict with -i skips it" "Man" base64 -d --strict -i

# Nothing is dropped unsaid: padded texts one after another decode whole;
# what is left over is named with where it begins, after the bytes before it.
# Files: a.b64 and b.b64 padded, c.b64 ends inside a group that d.b64 ends,
# e.b64 unpadded; long.b64 leaves a group from the end of its first 64 KiB
# read to its end.
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
cd "$files" || exit 1
printf 'TWE=\n' >a.b64; printf 'eHl6\n' >b.b64; printf 'TWFuT' >c.b64; printf 'Q\n' >d.b64
printf 'TWFu\n' >e.b64; printf 'TW-Fu' >bad.b64
{ yes QUFB | head -n 16383 | tr -d '\n'; printf 'QUF\n\n'; } >long.b64
long_out=$(head -c $((16383 * 3)) /dev/zero | tr '\0' A)
# what | status | output | message | input | arguments
INPUT="TQ==TWFu";      expect_run "text after padding"            0 "MMan"  ""                    base64 -d
INPUT="TQ===TWE=";     expect_run "more '=' than a group needs"   0 "MMa"   ""                    base64 -d
INPUT="";              expect_run "padded FILEs one after another" 0 "Maxyz" ""                   base64 -d a.b64 b.b64
INPUT="TQ";            expect_run "only a dangling group"         1 ""      "of 2 character(s), 'TQ' from byte 0," base64 -d
INPUT=$'TW\nFu\nT Q\n'; expect_run "a dangling group after lines" 1 "Man"   "'TQ' from byte 6,"   base64 -d -i
INPUT=$'\xc3\xa9 TQ';   expect_run "counted in bytes, not units"   1 ""      "'TQ' from byte 3,"   base64 -d
INPUT="";              expect_run "a group across FILEs, dangling" 1 "MaMan" "'TQ' from byte 4 of 'c.b64'" base64 -d a.b64 c.b64 d.b64
INPUT="";              expect_run "a group across reads, dangling" 1 "$long_out" "'QUF' from byte 65532 of" base64 -d long.b64
INPUT="";              expect_run "strict: offset within the FILE" 1 "Man" "0x2D outside the alphabet at byte 2 of 'bad.b64'" \
                         base64 -d --strict e.b64 bad.b64
INPUT="TW-Fu";         expect_run "strict: outside the alphabet"  1 ""      "0x2D outside the alphabet at byte 2" base64 -d --strict
INPUT="TQ=A";          expect_run "strict: data after padding"    1 "M"     "data after '=' padding at byte 3" base64 -d --strict
INPUT="T===";          expect_run "strict: misplaced '='"         1 ""      "misplaced '=' at byte 1" base64 -d --strict
INPUT="TWFuTQ";        expect_run "strict: dangling group"        1 "Man"   "incomplete group of 2 character(s) at the end (byte 6)" \
                         base64 -d --strict
cd - >/dev/null || exit 1

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
