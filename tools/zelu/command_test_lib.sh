# Shared by the *_command_test.sh scripts: run the tool, compare, count.
# Usage in a script:  source "$(dirname "$0")/command_test_lib.sh"
#   expect_stdout "what" "expected output" zelu-arguments...   (stdin from $INPUT;
#                                          trailing line feeds not compared)
#   expect_exact "what" "expected output" zelu-arguments...    (every byte compared)
#   expect_failure "what" zelu-arguments...   (non-zero exit, empty stdout,
#                                              exactly one line on stderr)
#   expect_failure_saying "what" "part of the message" zelu-arguments...
#   expect_run "what" STATUS "expected output" "part of the message" zelu-arguments...
#                                          (the exact status and every stdout byte;
#                                           one stderr line holding the message
#                                           unless STATUS is 0, none if it is)
#   expect_true "what" command...             (the command succeeds)
#   expect_bytes "what" STDIN STATUS STDOUT STDERR zelu-arguments...
#       (as expect_run, but STDIN and STDOUT are printf formats, so they may
#       hold NUL bytes as \0; STDERR is "" for none, or a part of the one
#       line expected there)
#   expect_peak "what" MIB "input command" zelu-arguments...
#       (peak resident memory of zelu at most MIB MiB with the command's
#       output on stdin; needs /usr/bin/time)
#   finish
set -u
: "${ZELU:?set ZELU to the zelu binary}"
failures=0
INPUT=""

report() {
  printf 'FAIL %s\n' "$*"
  failures=$((failures + 1))
}

expect_stdout() {
  local what=$1 expected=$2
  shift 2
  local actual status
  actual=$(printf '%s' "$INPUT" | "$ZELU" "$@")
  status=$?
  if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
    report "$(printf '%s: zelu %s\n  status %s\n  expected: %q\n  actual:   %q' "$what" "$*" "$status" "$expected" "$actual")"
  fi
}

expect_exact() {
  local what=$1 expected=$2
  shift 2
  local actual status
  # The x keeps trailing line feeds through the command substitution.
  actual=$(printf '%s' "$INPUT" | "$ZELU" "$@"; status=$?; printf x; exit $status)
  status=$?
  actual=${actual%x}
  if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
    report "$(printf '%s: zelu %s\n  status %s\n  expected: %q\n  actual:   %q' "$what" "$*" "$status" "$expected" "$actual")"
  fi
}

# Sets `last_error` to the one line on stderr of a failing run.
expect_failure() {
  local what=$1
  shift
  local out err status lines
  err=$(mktemp)
  out=$(printf '%s' "$INPUT" | "$ZELU" "$@" 2>"$err")
  status=$?
  lines=$(wc -l <"$err")
  last_error=$(cat "$err")
  rm -f "$err"
  if [[ $status -eq 0 || -n "$out" || $lines -ne 1 ]]; then
    report "$(printf '%s: zelu %s\n  status %s, stdout %q, stderr %q' "$what" "$*" "$status" "$out" "$last_error")"
    return 1
  fi
}

expect_failure_saying() {
  local what=$1 message=$2
  shift 2
  expect_failure "$what" "$@" || return
  [[ "$last_error" == *"$message"* ]] || report "$what: stderr $(printf %q "$last_error") lacks $(printf %q "$message")"
}

expect_run() {
  local what=$1 expected_status=$2 expected=$3 message=$4
  shift 4
  local actual status err lines
  err=$(mktemp)
  actual=$(printf '%s' "$INPUT" | "$ZELU" "$@" 2>"$err"; status=$?; printf x; exit $status)
  status=$?
  actual=${actual%x}
  lines=$(wc -l <"$err")
  last_error=$(cat "$err")
  rm -f "$err"
  if [[ $status -ne $expected_status || "$actual" != "$expected" || "$last_error" != *"$message"* ]] ||
     ((lines != (expected_status != 0))); then
    report "$(printf '%s: zelu %s\n  status %s, stdout %q, stderr %q' "$what" "$*" "$status" "$actual" "$last_error")"
  fi
}

expect_true() {
  local what=$1
  shift
  "$@" || report "$what"
}

expect_bytes() {
  local what=$1 input=$2 expected_status=$3 expected=$4 message=$5
  shift 5
  local out err status
  out=$(mktemp)
  err=$(mktemp)
  # shellcheck disable=SC2059  # the input and the expected output are formats
  printf "$input" | "$ZELU" "$@" >"$out" 2>"$err"
  status=$?
  # shellcheck disable=SC2059
  if [[ $status -ne $expected_status ]] || ! cmp -s "$out" <(printf "$expected"); then
    report "$(printf '%s: zelu %s\n  status %s (expected %s)\n  stdout starts %q (expected %q)' "$what" "$*" \
      "$status" "$expected_status" "$(head -c 200 "$out" | od -An -c | tr -s ' ')" "${expected:0:200}")"
  elif [[ -z "$message" && -s "$err" ]] ||
       [[ -n "$message" && ( $(wc -l <"$err") -ne 1 || "$(cat "$err")" != *"$message"* ) ]]; then
    report "$what: zelu $*: stderr $(printf %q "$(cat "$err")"), expected ${message:-nothing}"
  fi
  rm -f "$out" "$err"
}

expect_peak() {
  local what=$1 most=$2 input=$3
  shift 3
  if [[ ! -x /usr/bin/time ]] || grep -q __asan_init "$ZELU"; then
    echo "skip $what: no /usr/bin/time, or a sanitizer build (its memory is not the tool's)"
    return
  fi
  local status peak
  read -r status peak < <(bash -c "$input" | /usr/bin/time -f '%x %M' "$ZELU" "$@" 2>&1 >/dev/null | tail -1)
  if [[ $status != 0 ]] || ((peak > most * 1024)); then
    report "$what: zelu $*: status $status, peak resident $peak KiB, expected at most $most MiB"
  fi
}

finish() {
  if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
