#!/usr/bin/env bash
# End-to-end checks of `zelu xmldate`.
source "$(dirname "$0")/command_test_lib.sh"
T=$'\t'
TEXT=2004-07-01T12:00:00.000+02:00

export TZ=UTC0
expect_stdout "bias 0 writes -00:00" "${TEXT}${T}2004-07-01T10:00:00.000+00:00${T}2004-07-01T10:00:00.000-00:00" \
  xmldate "$TEXT"
expect_stdout "one line per text, separators not examined" \
"${TEXT}${T}2004-07-01T10:00:00.000+00:00${T}2004-07-01T10:00:00.000-00:00
2004/07/01 17x00x00,999 05:00${T}2004-07-01T12:00:00.000+00:00${T}2004-07-01T12:00:00.000-00:00" \
  xmldate -- "$TEXT" "2004/07/01 17x00x00,999 05:00"
export TZ=IST-5:30
expect_stdout "east, half an hour" "${TEXT}${T}2004-07-01T10:00:00.000+00:00${T}2004-07-01T15:30:00.000+05:30" \
  xmldate "$TEXT"
export TZ=CET-1CEST,M3.5.0,M10.5.0/3
expect_stdout "no daylight saving in summer" \
  "${TEXT}${T}2004-07-01T10:00:00.000+00:00${T}2004-07-01T11:00:00.000+01:00" xmldate "$TEXT"
expect_stdout "the year 100" \
  "0100-01-01T12:00:00.000+00:00${T}0100-01-01T12:00:00.000+00:00${T}0100-01-01T13:00:00.000+01:00" \
  xmldate 0100-01-01T12:00:00.000+00:00

# Now, in both forms: the same instant as the system clock, to a few seconds.
check_now() {
  local what=$1 ending=$2 text
  shift 2
  text=$("$ZELU" xmldate "$@")
  local seconds
  seconds=$(date -d "${text:0:19}${text:23}" +%s 2>/dev/null || echo 0)
  if [[ ! $text =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.000${ending}$ ||
        $(($(date +%s) - seconds)) -gt 5 || $(($(date +%s) - seconds)) -lt 0 ]]; then
    report "$what: $(printf %q "$text")"
  fi
}
export TZ=EST5
check_now "now in UTC" '\+00:00' --utc
check_now "now in UTC, short option" '\+00:00' -u
check_now "now in local time" '-05:00'

expect_failure_saying "24 units" "'2004-07-01T12:00:00.000Z' is 24 UTF-16 units long, not 29" \
  xmldate 2004-07-01T12:00:00.000Z
expect_failure "20 units" xmldate 2004-07-01T12:00:00Z
expect_failure "month 13" xmldate 2004-13-01T12:00:00.000+00:00
expect_failure "beyond the year 9999 in UTC" xmldate 9999-12-31T23:59:59.000-00:01
expect_failure "a bad text among good ones" xmldate "$TEXT" 2004-02-30T12:00:00.000+00:00
# In range in UTC, out of range in local time: one line, nothing printed.
while IFS='|' read -r zone text; do
  TZ=$zone expect_failure_saying "local time out of range in $zone" "outside the years 100 to 9999 in local time" \
    xmldate "$TEXT" "$text"
done <<'ROWS'
IST-5:30|9999-12-31T23:00:00.000+00:00
EST5|0100-01-01T01:00:00.000+00:00
ROWS
expect_failure "--utc with a text" xmldate --utc "$TEXT"
expect_failure "unknown option" xmldate --local
expect_true "a full disk is a write error" \
  bash -c '"$0" xmldate "$1" >/dev/full 2>"$2"; [[ $? -eq 1 ]] && grep -q "write error: No space left" "$2"' \
  "$ZELU" "$TEXT" "$(mktemp)"
finish
