#!/usr/bin/env bash
source "$(dirname "$0")/command_test_lib.sh"

expect_stdout "mixed types" '5^TRUE^"ab"^1.500000' join int:5 bool:true str:ab double:1.5
expect_stdout "every type" '-12^FALSE^200^0.100000^2147483647^"x:y"' \
  join int:-12 bool:FALSE byte:200 float:0.1 long:9999999999 str:x:y
expect_stdout "no quotes, chosen delimiter" 'a^b,1' join --no-quotes --delimiter , str:a^b int:1
expect_stdout "empty and non-ASCII strings" $'""^"\xc3\xa9 \xf0\x9f\x98\x80"' join str: $'str:\xc3\xa9 \xf0\x9f\x98\x80'
expect_stdout "tab delimiter" $'1\t2' join --delimiter $'\t' int:1 int:2
expect_stdout "no values, empty line" '' join
expect_stdout "negative long clamps" '-2147483648' join long:-9999999999
expect_failure "int out of range" join int:2147483648
expect_failure "byte out of range" join byte:256
expect_failure "bad truth word" join bool:yes
expect_failure "trailing text" join double:1.5kg
expect_failure "unknown type" join char:x
expect_failure "no type" join 5
expect_failure "unknown option" join --quote str:a
expect_failure "delimiter missing" join --delimiter
expect_failure "delimiter too long" join --delimiter ab int:1

# What join writes, split reads back.
line=$("$ZELU" join --delimiter , str:a int:7 bool:false)
actual=$(printf '%s\n' "$line" | "$ZELU" split --json --delimiter ,)
if [[ "$actual" != '["\"a\"","7","FALSE"]' ]]; then
  echo "FAIL join then split: $actual"
  failures=$((failures + 1))
fi
finish
