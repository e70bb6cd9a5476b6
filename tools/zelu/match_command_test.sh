# End-to-end checks of `zelu match`.
source "$(dirname "$0")/command_test_lib.sh"

# Like expect_stdout, for runs that end with a given non-zero status.
expect_status_stdout() {
  local what=$1 expected_status=$2 expected=$3
  shift 3
  local actual status
  actual=$("$ZELU" "$@" </dev/null)
  status=$?
  if [[ $status -ne $expected_status || "$actual" != "$expected" ]]; then
    printf 'FAIL %s: zelu %s\n  status %s (expected %s)\n  expected: %q\n  actual:   %q\n' \
      "$what" "$*" "$status" "$expected_status" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

T=$'\t'
expect_stdout "all texts match" \
  "1${T}the text matches the pattern${T}data_01_2023.csv
1${T}the text matches the pattern${T}data_99_7.csv" \
  match 'data_??_[0-9]*.csv' data_01_2023.csv data_99_7.csv

expect_status_stdout "one of two fails" 1 \
  "1${T}the text matches the pattern${T}server.log
3${T}the text ended while pattern remained${T}server.txt" \
  match '*.log' server.log server.txt

expect_status_stdout "every result code" 1 \
  "2${T}the pattern ended while text remained${T}abcd
5${T}a text character differed from a literal${T}abd" \
  match 'abc' abcd abd
expect_status_stdout "set rejects" 1 "4${T}a text character was not admitted by a set${T}a" match '[^abc]' a
expect_status_stdout "malformed pattern" 1 "6${T}the pattern is malformed${T}x" match '*[' x
expect_status_stdout "empty text" 1 "3${T}the text ended while pattern remained${T}" match '**' ''
expect_stdout "empty pattern and text" "1${T}the text matches the pattern${T}" match '' ''
expect_stdout "backslash is literal outside a set" "1${T}the text matches the pattern${T}\\x" match '\*' '\x'
expect_stdout "escaped bracket in a set" "1${T}the text matches the pattern${T}]" match '[\]]' ']'
expect_stdout "pattern after --" "1${T}the text matches the pattern${T}--check" match -- '--*' --check
# UTF-8 arguments become UTF-16: an astral character is two code units.
expect_stdout "astral character takes two ?" "1${T}the text matches the pattern${T}é😀" match '???' 'é😀'
expect_status_stdout "one ? leaves a unit over" 1 "2${T}the pattern ended while text remained${T}😀" match '?' '😀'

expect_stdout "valid with wildcards" "0${T}the pattern is valid and holds wildcards" match --check 'a*[b-c]'
expect_stdout "valid without wildcards" "0${T}the pattern is valid and holds no wildcard" match --check 'a\]'
expect_stdout "bang set passes the check" "0${T}the pattern is valid and holds wildcards" match --check '[!]'
expect_status_stdout "escape at end" 1 "-1${T}a \\ ends the pattern inside a set" match --check '[a\'
expect_status_stdout "range without end" 1 "-2${T}a range inside a set has no end" match --check '[a-]'
expect_status_stdout "set not closed" 1 "-3${T}the pattern ends inside a set" match --check 'a[b]c[d'
expect_status_stdout "empty set" 1 "-4${T}a set is empty" match --check '[]'

expect_failure "no arguments" match
expect_failure "pattern without text" match '*'
expect_failure "check without pattern" match --check
expect_failure "check with two patterns" match --check a b
help=$("$ZELU" match --help)
if [[ $? -ne 0 || "$help" != usage:* ]]; then echo "FAIL help"; failures=$((failures + 1)); fi

finish
