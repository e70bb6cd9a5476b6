#!/usr/bin/env bash
# End-to-end checks of `zelu pad`.
source "$(dirname "$0")/command_test_lib.sh"

expect_stdout "zeros by default" "005" pad 5 3
expect_stdout "space pad" "   42" pad 42 5 ' '
expect_stdout "zero is one digit" "00" pad 0 2
expect_stdout "never cut" "1234" pad 1234 2
expect_stdout "negative width" "7" pad 7 -4
expect_stdout "sign after the padding" "00-5" pad -5 3
expect_stdout "smallest int" "0-2147483648" pad -2147483648 11
expect_stdout "non-ASCII pad character" "€€3" pad 3 3 €
expect_failure "missing width" pad 5
expect_failure "not a number" pad five 3
expect_failure "trailing junk" pad 5x 3
expect_failure "out of range" pad 2147483648 3
expect_failure "two pad characters" pad 5 3 ab
expect_failure "pad beyond one code unit" pad 5 3 $'\xF0\x9D\x90\x80'
expect_failure "too many arguments" pad 1 2 3 4

# Past what a text holds (2^31 - 2 units), as the help says: a usage error.
#       what                                status output message                                  arguments
INPUT=""
expect_run "width 2^31 - 1"                     2 ""     "makes a text of 2147483647 UTF-16 units" pad 5 2147483647
expect_run "width 2^31 - 2, a negative number"  2 ""     "makes a text of 2147483647 UTF-16 units" pad -5 2147483646
expect_run "a three-byte pad character, long"   0 "$(printf '€%.0s' $(seq 70000))5"$'\n' "" pad 5 70001 €
# Memory does not grow with the width.
if [[ -x /usr/bin/time ]]; then
  peak=$( { /usr/bin/time -f %M "$ZELU" pad 7 100000000 | wc -c >"${TMPDIR:-/tmp}/pad_count.$$"; } 2>&1 | tail -1)
  count=$(cat "${TMPDIR:-/tmp}/pad_count.$$"); rm -f "${TMPDIR:-/tmp}/pad_count.$$"
  ((count == 100000001 && peak < 32 * 1024)) || report "pad 7 100000000: $count bytes, peak resident $peak KiB"
fi
finish
