#!/usr/bin/env bash
# End-to-end checks of `zelu utf8`: conversions, chunk boundaries that split
# a sequence, and the strict mode's report.
source "$(dirname "$0")/command_test_lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect_hex "what" "expected hex" zelu-arguments...   (stdin: the bytes of $BYTES, printf-escaped)
expect_hex() {
  local what=$1 expected=$2
  shift 2
  local actual status
  printf "$BYTES" | "$ZELU" "$@" >"$work/out"
  status=$?
  actual=$(xxd -p <"$work/out" | tr -d '\n')
  if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  expected: %s\n  actual:   %s\n' "$what" "$*" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

# expect_report "what" "expected stderr line" zelu-arguments...   (exit 1)
expect_report() {
  local what=$1 expected=$2
  shift 2
  local err status
  err=$(printf "$BYTES" | "$ZELU" "$@" 2>&1 >/dev/null)
  status=$?
  if [[ $status -ne 1 || "$err" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  status %s\n  expected: %s\n  actual:   %s\n' "$what" "$*" "$status" "$expected" "$err"
    failures=$((failures + 1))
  fi
}

BYTES='h\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80'; expect_hex "every length" "6800e900ac203dd800de" utf8 --to-utf16
BYTES='h\x00\xe9\x00\xac\x20\x3d\xd8\x00\xde'; expect_hex "and back" "68c3a9e282acf09f9880" utf8 --to-utf8
BYTES='\xef\xbb\xbfa'; expect_hex "a byte order mark is kept" "fffe6100" utf8 --to-utf16
BYTES=''; expect_hex "nothing" "" utf8 --to-utf16
BYTES='a\xff\xc0\xaf\xed\xa0\x80\xe2\x82'
expect_hex "malformed becomes U+FFFD" "6100fdfffdfffdfffdfffdfffdfffdff" utf8 --to-utf16
BYTES='a\x00\x00\xd8b\x00\x3d\xd8'; expect_hex "unpaired surrogates" "61efbfbd62efbfbd" utf8 --to-utf8
BYTES='a\x00b'; expect_hex "an odd last byte" "61efbfbd" utf8 --to-utf8

BYTES='ok\x80'; expect_report "lone continuation" "zelu utf8: malformed UTF-8 at byte 2: 80" utf8 --to-utf16 --strict
BYTES='\xc0\xaf'; expect_report "overlong" "zelu utf8: malformed UTF-8 at byte 0: C0" utf8 --strict --to-utf16
BYTES='ab\xed\xa0\x80'; expect_report "encoded surrogate" "zelu utf8: malformed UTF-8 at byte 2: ED" utf8 --to-utf16 --strict
BYTES='\xc3\xa9\xe2\x82'; expect_report "cut short at the end" "zelu utf8: malformed UTF-8 at byte 2: E2 82" utf8 --to-utf16 --strict
BYTES='a\x00\x3d\xd8'; expect_report "high surrogate at the end" "zelu utf8: unpaired surrogate at byte 2: 3D D8" utf8 --to-utf8 --strict
BYTES='a\x00\x00\xdcb\x00'; expect_report "lone low surrogate" "zelu utf8: unpaired surrogate at byte 2: 00 DC" utf8 --to-utf8 --strict
BYTES='a\x00b'; expect_report "odd byte" "zelu utf8: half a UTF-16 unit at the end at byte 2: 62" utf8 --to-utf8 --strict
BYTES='h\xc3\xa9'; expect_hex "strict passes good input" "6800e900" utf8 --to-utf16 --strict
# A fault in a later FILE: where it is within that FILE, after the text
# before it (ASCII output, which a shell string holds).
printf 'a\x00' >"$work/good.u16"; printf 'b\x00\x00\xdc' >"$work/bad.u16"
INPUT=""; expect_run "fault in the second FILE" 1 "ab" "unpaired surrogate at byte 2 of '$work/bad.u16': 00 DC" \
  utf8 --to-utf8 --strict "$work/good.u16" "$work/bad.u16"

# Large inputs read in 64 KiB chunks: 3-byte and 4-byte sequences, and
# surrogate pairs, straddle the chunk boundaries. The C library's iconv
# gives the expected bytes.
check_against_iconv() {
  local what=$1 file=$2
  "$ZELU" utf8 --to-utf16 --strict <"$file" >"$work/utf16"
  iconv -f UTF-8 -t UTF-16LE <"$file" >"$work/iconv16"
  "$ZELU" utf8 --to-utf8 --strict <"$work/utf16" >"$work/back"
  if ! cmp -s "$work/utf16" "$work/iconv16" || ! cmp -s "$work/back" "$file"; then
    echo "FAIL $what: differs from iconv or does not round-trip"
    failures=$((failures + 1))
  fi
}
# repeat BYTES COUNT: COUNT copies of the printf-escaped BYTES.
repeat() { yes "$(printf "$1")" | head -n "$2" | tr -d '\n'; }
repeat '\xe2\x82\xac' 100000 >"$work/euro"
check_against_iconv "3-byte sequences across chunks" "$work/euro"
{ printf 'x'; repeat '\xf0\x9f\x98\x80' 60000; } >"$work/pairs"
check_against_iconv "4-byte sequences and pairs across chunks" "$work/pairs"
{ printf 'xy'; repeat 'ab\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80' 60000; } >"$work/mixed"
check_against_iconv "mixed lengths across chunks" "$work/mixed"
{ cat "$work/euro"; printf '\xff'; } >"$work/late_fault"
BYTES=''
err=$("$ZELU" utf8 --to-utf16 --strict <"$work/late_fault" 2>&1 >/dev/null)
if [[ "$err" != "zelu utf8: malformed UTF-8 at byte 300000: FF" ]]; then
  echo "FAIL offset of a fault past the first chunk: $err"
  failures=$((failures + 1))
fi

# A pipe that delivers a sequence, a unit or a pair in two reads.
split_pipe() { printf "$1"; sleep 0.2; printf "$2"; }
actual=$(split_pipe '\xe2\x82' '\xac' | "$ZELU" utf8 --to-utf16 --strict | xxd -p)
[[ "$actual" == "ac20" ]] || { echo "FAIL UTF-8 split between reads: $actual"; failures=$((failures + 1)); }
actual=$(split_pipe 'A' '\x00' | "$ZELU" utf8 --to-utf8 --strict | xxd -p)
[[ "$actual" == "41" ]] || { echo "FAIL unit split between reads: $actual"; failures=$((failures + 1)); }
actual=$(split_pipe '\x3d\xd8' '\x00\xde' | "$ZELU" utf8 --to-utf8 --strict | xxd -p)
[[ "$actual" == "f09f9880" ]] || { echo "FAIL pair split between reads: $actual"; failures=$((failures + 1)); }

INPUT=""
expect_failure "no direction" utf8
expect_failure "both directions" utf8 --to-utf8 --to-utf16
expect_failure "unknown argument" utf8 --to-utf32
finish
