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
  "zelu regex: text 2: error 28: Out of stack space (the match limit was reached)" \
  regex '(a|aa)+$' a aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab
expect_stdout "a TEXT of - is text" "1${T}0${T}1${T}-" regex - -

# Whole lines, errors and exit statuses. Each row: what | standard input |
# status | standard output | standard error (printf formats, see expect_bytes).
A40=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
expect_bytes "a NUL byte does not end the text" 'x\0yz\n' 0 'x\0yz\n' "" regex -r Q q
expect_bytes "the text after a NUL byte is searched" 'a\0b\n' 0 \
  '{"text":"a\\u0000b","matches":[{"index":2,"length":1,"value":"b","submatches":[]}]}\n' "" regex --json b
expect_bytes "every match after a NUL byte is replaced" 'a\0bcb\n' 0 'a\0XcX\n' "" regex -g -r X b
expect_bytes "a match may span a NUL byte" 'a\0b' 0 '1\t0\t3\ta\0b\n' "" regex 'a.b'
expect_bytes "a bad pattern fails without input" "" 2 "" "error 5020: Expected ')'" regex '('
expect_bytes "the match limit names its line, after the lines before" "xa\n${A40}b\nx\n" 3 '1\t0\t1\tx\t\n' \
  "zelu regex: line 2: error 28: Out of stack space" regex '(a|aa)+$|x'

# Memory: a line is held whole, as read and as UTF-16 (3 bytes per byte);
# with --global the object keeps its matches until the line is done.
expect_peak "a 16 MiB line" $((3 * 16 + 16)) "head -c 16M /dev/zero | tr '\\0' a" regex 'b|$'
expect_peak "a million matches in one line, as JSON" 64 "head -c 1M /dev/zero | tr '\\0' a" regex --json -g a

expect_failure "no pattern" regex
expect_failure "unknown option" regex --nope a
expect_failure "replace without text" regex --replace
expect_failure "test and replace" regex --test --replace x a b
help=$("$ZELU" regex --help)
if [[ $? -ne 0 || "$help" != usage:* ]]; then echo "FAIL help"; failures=$((failures + 1)); fi

finish
