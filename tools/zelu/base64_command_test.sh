#!/usr/bin/env bash
# End-to-end checks of `zelu base64`.
source "$(dirname "$0")/command_test_lib.sh"

INPUT="Man"; expect_stdout "three bytes" "TWFu" base64 encode
INPUT="Ma"; expect_stdout "two bytes pad once" "TWE=" base64 encode
INPUT=""; expect_stdout "nothing" "" base64 encode
INPUT="TWFu"; expect_stdout "decode" "Man" base64 decode
INPUT=$'TW\r\nF u\n'; expect_stdout "skips line breaks and spaces" "Man" base64 decode
INPUT="TQ==TWFu"; expect_stdout "stops at the first '='" "M" base64 decode
INPUT="TWFuTQ"; expect_stdout "drops an incomplete group" "Man" base64 decode

# Every byte value survives the round trip, NUL and newline included.
all_bytes=$(mktemp)
for value in $(seq 0 255); do printf "\\x$(printf %02x "$value")"; done >"$all_bytes"
round_trip=$("$ZELU" base64 encode <"$all_bytes" | "$ZELU" base64 decode | cmp - "$all_bytes" && echo same)
if [[ "$round_trip" != "same" ]]; then
  echo "FAIL round trip of all 256 byte values"
  failures=$((failures + 1))
fi
encoded_size=$("$ZELU" base64 encode <"$all_bytes" | wc -c)
if [[ $encoded_size -ne 345 ]]; then  # 4 * 86 characters and the newline
  echo "FAIL encoded size $encoded_size"
  failures=$((failures + 1))
fi
rm -f "$all_bytes"

INPUT=""
expect_failure "no mode" base64
expect_failure "unknown mode" base64 encrypt
expect_failure "two modes" base64 encode decode
finish
