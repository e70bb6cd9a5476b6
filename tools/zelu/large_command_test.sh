#!/usr/bin/env bash
# Inputs past every 32-bit size go through the streaming commands whole, in
# memory that stays flat.
source "$(dirname "$0")/command_test_lib.sh"

expect_count() {
  local what=$1 expected=$2 actual=$3
  [[ "$actual" == "$expected" ]] || report "$what: $actual bytes, expected $expected"
}

# 2200 MiB of 'A' is more text than a CString holds.
expect_count "base64 decode of 2200 MiB" $((2200 * 1024 * 1024 / 4 * 3)) \
  "$(head -c 2200M /dev/zero | tr '\0' A | "$ZELU" base64 decode | wc -c)"
# 4.1 GiB of bytes, past 2^32, and back.
bytes=$((4200 * 1024 * 1024))
expect_count "base64 round trip of 4200 MiB" "$bytes" \
  "$(head -c "$bytes" /dev/zero | "$ZELU" base64 encode | "$ZELU" base64 -d | wc -c)"
lines=$((2200 * 1024 * 1024 / 63))  # of 62 digits and a line feed
expect_count "hex decode of 2200 MiB of lines" $((lines * 31)) \
  "$(yes 00000000000000000000000000000000000000000000000000000000000000 | head -n "$lines" | "$ZELU" hex -d | wc -c)"
expect_count "split of 2200 MiB of lines" $((2200 * 1024 * 1024 / 4 * 4)) \
  "$(yes 'a^b' | head -c $((2200 * 1024 * 1024)) | "$ZELU" split | wc -c)"

# Memory does not grow with the input.
if [[ -x /usr/bin/time ]]; then
  for command in "base64 encode" "base64 decode" "hex encode" "hex decode" "split"; do
    # Lines of digits: text for every decoder, and lines for split.
    peak=$(yes 0123456789abcdef | head -c 300M | /usr/bin/time -f %M "$ZELU" $command 2>&1 >/dev/null |
           tail -1)
    ((peak < 32 * 1024)) || report "$command: peak resident $peak KiB on 300 MiB"
  done
fi
finish
