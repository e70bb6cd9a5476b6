# Shared by the *_command_test.sh scripts: run the tool, compare, count.
# Usage in a script:  source "$(dirname "$0")/command_test_lib.sh"
#   expect_stdout "what" "expected output" zelu-arguments...   (stdin from $INPUT)
#   expect_failure "what" zelu-arguments...   (non-zero exit, empty stdout,
#                                              exactly one line on stderr)
#   finish
set -u
: "${ZELU:?set ZELU to the zelu binary}"
failures=0
INPUT=""

expect_stdout() {
  local what=$1 expected=$2
  shift 2
  local actual status
  actual=$(printf '%s' "$INPUT" | "$ZELU" "$@")
  status=$?
  if [[ $status -ne 0 || "$actual" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  status %s\n  expected: %q\n  actual:   %q\n' "$what" "$*" "$status" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

expect_failure() {
  local what=$1
  shift
  local out err status
  err=$(mktemp)
  out=$(printf '%s' "$INPUT" | "$ZELU" "$@" 2>"$err")
  status=$?
  local lines
  lines=$(wc -l <"$err")
  if [[ $status -eq 0 || -n "$out" || $lines -ne 1 ]]; then
    printf 'FAIL %s: zelu %s\n  status %s, stdout %q, stderr lines %s\n' "$what" "$*" "$status" "$out" "$lines"
    failures=$((failures + 1))
  fi
  rm -f "$err"
}

finish() {
  if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
}
