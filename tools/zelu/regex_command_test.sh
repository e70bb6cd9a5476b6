# End-to-end checks of `zelu regex`.
source "$(dirname "$0")/command_test_lib.sh"

# Runs the tool and checks its exit status and standard output.
expect_status_stdout() {
  local what=$1 expected_status=$2 expected=$3
  shift 3
  local actual status
  actual=$(printf '%s' "$INPUT" | "$ZELU" "$@" 2>/dev/null)
  status=$?
  if [[ $status -ne $expected_status || "$actual" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  status %s (expected %s)\n  expected: %q\n  actual:   %q\n' \
      "$what" "$*" "$status" "$expected_status" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

# Checks the one line on standard error and the exit status of a failure.
expect_error() {
  local what=$1 expected_status=$2 expected=$3
  shift 3
  local err status
  err=$("$ZELU" "$@" 2>&1 >/dev/null </dev/null)
  status=$?
  if [[ $status -ne $expected_status || "$err" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  status %s (expected %s)\n  stderr: %q\n' "$what" "$*" "$status" "$expected_status" "$err"
    failures=$((failures + 1))
  fi
}

T=$'\t'
expect_stdout "first match with groups" "1${T}2${T}3${T}b-1${T}b${T}1" regex '(\w)-(\d)' 'a b-1 c-2'
expect_stdout "global" "1${T}2${T}3${T}b-1${T}b${T}1
1${T}6${T}3${T}c-2${T}c${T}2" regex --global '(\w)-(\d)' 'a b-1 c-2'
expect_stdout "unset group is empty" "1${T}0${T}1${T}b${T}" regex '(a)?b' b
expect_stdout "case and lines" "1${T}2${T}1${T}B" regex -i -m '^b' $'a\nB'
expect_stdout "a BMP character is one unit" "1${T}1${T}1${T}x" regex x 'éx'
expect_stdout "astral is two units" "1${T}2${T}1${T}x" regex x '😀x'
expect_stdout "replace first" "a <1b> c-2" regex --replace '<$2$1>' '(\w)-(\d)' 'a b-1 c-2'
expect_stdout "replace every" "a 1b 2c" regex -g --replace '$2$1' '(\w)-(\d)' 'a b-1 c-2'
expect_stdout "json" '{"text":"a\"b","matches":[{"index":1,"length":1,"value":"\"","submatches":[null]}]}' \
  regex --json '(x)?"' 'a"b'
expect_stdout "json replace" '{"text":"ab","result":"a-"}' regex --json --replace - b ab
INPUT=$'abc\nxbz\n'
expect_stdout "lines of standard input" "1${T}1${T}1${T}b
2${T}1${T}1${T}b" regex b
INPUT=""
expect_stdout "test" $'true\ntrue' regex --test -g b abc b
expect_status_stdout "test that fails" 1 $'true\nfalse' regex --test b b c
expect_status_stdout "no match" 1 "" regex z abc

expect_error "syntax error" 2 "zelu regex: error 5017: Syntax error in regular expression" regex '(?i)a' a
expect_error "quantifier" 2 "zelu regex: error 5018: Unexpected quantifier" regex 'a**' a
expect_error "bracket" 2 "zelu regex: error 5019: Expected ']' in regular expression" regex '[a' a
expect_error "parenthesis" 2 "zelu regex: error 5020: Expected ')' in regular expression" regex '(a' a
expect_error "range" 2 "zelu regex: error 5021: Invalid range in character set" regex '[b-a]' a
expect_error "match limit" 3 \
  "zelu regex: error 28: Out of stack space (the match limit was reached)" regex '(a|aa)+$' aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab

expect_failure "no pattern" regex
expect_failure "unknown option" regex --nope a
expect_failure "replace without text" regex --replace
expect_failure "test and replace" regex --test --replace x a b
help=$("$ZELU" regex --help)
if [[ $? -ne 0 || "$help" != usage:* ]]; then echo "FAIL help"; failures=$((failures + 1)); fi

finish
