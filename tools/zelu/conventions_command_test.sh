#!/usr/bin/env bash
# End-to-end checks of what every command shares: options, operands, exit
# statuses, read and write errors, streaming.
source "$(dirname "$0")/command_test_lib.sh"

# No command: the usage goes to standard error, with status 2.
out=$("$ZELU" 2>/dev/null); status=$?
err=$("$ZELU" 2>&1 >/dev/null)
[[ $status -eq 2 && -z "$out" && "$err" == usage:* ]] || report "no arguments: status $status, stdout $(printf %q "$out")"
expect_failure_saying "unknown command" "unknown command 'frob'" frob

# '--' ends the options; --help only where options are read.
expect_stdout "-- ends the options" $'1\tthe text matches the pattern\t--help' match -- '*' --help
expect_true "--help after an operand still asks for help" bash -c '"$0" pad 1 --help | grep -q "^usage: zelu pad"' "$ZELU"
expect_true "--version of a command" bash -c '"$0" hex --version | grep -q "^zelu [0-9]"' "$ZELU"
expect_stdout "a negative number is an operand" "00-5" pad -5 3

# Library limits become one clear line, not an abort.
expect_failure_saying "pad past the text limit" "passes the 2^31 - 2 UTF-16 units" pad 5 2147483647
long_argument=$(printf 'x%.0s' $(seq 300))
expect_failure_saying "a long argument is cut in the message" "...' (300 bytes)" base64 "-w$long_argument"

# Read and write errors.
expect_true "a directory is a read error" \
  bash -c '"$0" base64 encode <"$1" 2>&1 >/dev/null | grep -qx "zelu base64: read error: Is a directory"; [[ ${PIPESTATUS[0]} -eq 1 ]]' \
  "$ZELU" "$(dirname "$0")"
expect_true "a closed standard input is a read error" \
  bash -c '"$0" hex encode <&- 2>&1 >/dev/null | grep -q "read error: Bad file descriptor"' "$ZELU"
for command in "base64 encode" "hex encode" "split" "pad 1 2"; do
  expect_true "$command: a full disk is a write error" \
    bash -c 'echo "a^b" | "$0" $1 >/dev/full 2>"$2"; [[ $? -eq 1 ]] && grep -q "write error: No space left on device" "$2"' \
    "$ZELU" "$command" "$(mktemp)"
done

# A line out for each line in: the first line's fields come out while the
# second line is still to come.
coproc SPLIT { "$ZELU" split; }
split_pid=$SPLIT_PID  # bash unsets SPLIT_PID when the command ends
printf 'a^b\n' >&"${SPLIT[1]}"
IFS= read -r -t 30 first <&"${SPLIT[0]}" || first="(nothing within 30 s)"
printf 'c^d\n' >&"${SPLIT[1]}"
exec {SPLIT[1]}>&-
rest=$(cat <&"${SPLIT[0]}")
wait "$split_pid"
[[ "$first" == "a" && "$rest" == $'b\nc\nd' ]] || report "split streams: first $(printf %q "$first"), rest $(printf %q "$rest")"
finish
