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

# --help and --version fail like every other output when it cannot be
# written; so does the usage written for no command.
for arguments in "--help" "--version" "base64 --help" "pad --version"; do
  expect_true "$arguments to a full disk" \
    bash -c '"$0" $1 >/dev/full 2>"$2"; [[ $? -eq 1 && $(wc -l <"$2") -eq 1 ]] && grep -q "write error: No space left" "$2"' \
    "$ZELU" "$arguments" "$(mktemp)"
done
expect_true "--help to a closed standard output" \
  bash -c '"$0" --help >&- 2>"$1"; [[ $? -eq 1 ]] && grep -qx "zelu: write error: Bad file descriptor" "$1"' "$ZELU" "$(mktemp)"
expect_true "no command, the usage to a full disk" bash -c '"$0" 2>/dev/full; [[ $? -eq 1 ]]' "$ZELU"

# Arguments in error lines: control characters and bytes that are not UTF-8
# escaped, so that the line stays one line of plain text; cut as before.
#         what                        argument                    shown as
while IFS='|' read -r what argument shown; do
  expect_failure_saying "quoted: $what" "$shown" base64 "-w$(printf "$argument")"
done <<'ROWS'
a line feed|1\n2|'1\n2'
an escape sequence|\e[31mred|'\x1B[31mred'
tab, return, DEL|\t\r\x7f|'\t\r\x7F'
a C1 control, a lone byte|\xc2\x9b\xff|'\xC2\x9B\xFF'
printable UTF-8 kept, backslash kept|\xc3\xa9\\|'é\'
cut, then escaped|\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t|\t\t...' (42 bytes)
ROWS

# A failure in a later FILE: the output of the FILEs before it is written
# first, then the error line.
earlier=$(mktemp)
while IFS='|' read -r command text; do
  printf "$text" >"$earlier"
  expect_true "$command: earlier output before a later error" bash -c '
    expected=$("$0" $1 "$2" | od -An -tx1)
    for later in no-such-file "$(dirname "$2")"; do
      [[ $("$0" $1 "$2" "$later" 2>/dev/null | od -An -tx1) == "$expected" ]] || exit 1
      "$0" $1 "$2" "$later" >/dev/null 2>&1; [[ $? -eq 1 ]] || exit 1
    done' "$ZELU" "$command" "$earlier"
done <<'ROWS'
base64 encode|Man\n
hex encode|Man\n
base64 -d|TWFu\n
hex -d|4d616e\n
utf8 --to-utf16|Man\n
ROWS
rm -f "$earlier"

# A line out for each line in, from a pipe too: the first line's output
# comes out while the second line is still to come. Each row: command |
# output of the first line 'a^b' | of the rest (printf formats).
while IFS='|' read -r command first_expected rest_expected; do
  coproc LINES { "$ZELU" $command; }
  # Bash unsets LINES and LINES_PID once the command ends: copies of them.
  lines_pid=$LINES_PID
  exec {to}>&"${LINES[1]}" {from}<&"${LINES[0]}" {LINES[1]}>&-
  printf 'a^b\n' >&"$to"
  IFS= read -r -t 30 first <&"$from" || first="(nothing within 30 s)"
  printf 'c^d\n' >&"$to"
  exec {to}>&-
  rest=$(cat <&"$from")
  exec {from}<&-
  wait "$lines_pid"
  # shellcheck disable=SC2059  # the expected outputs are printf formats
  [[ "$first" == "$(printf "$first_expected")" && "$rest" == "$(printf "$rest_expected")" ]] ||
    report "$command streams: first $(printf %q "$first"), rest $(printf %q "$rest")"
done <<'ROWS'
split|a|b\nc\nd
regex \^|1\t1\t1\t^|2\t1\t1\t^
ROWS
finish
