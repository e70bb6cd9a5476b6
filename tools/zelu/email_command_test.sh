#!/usr/bin/env bash
# End-to-end checks of `zelu email`.
source "$(dirname "$0")/command_test_lib.sh"
T=$'\t'

expect_stdout "valid, no dot" "x@y${T}valid${T}user=x${T}domain=y" email x@y
expect_stdout "valid, dotted, non-ASCII" "ann@été.fr${T}valid${T}user=ann${T}domain=été.fr" email ann@été.fr
expect_stdout "user part not examined" "a b!#@y${T}valid${T}user=a b!#${T}domain=y" email 'a b!#@y'
expect_stdout "one line per address, in order" \
"x@y@z${T}invalid: not exactly one @${T}user=x${T}domain=y@z
@y${T}invalid: empty user or domain${T}user=${T}domain=y
x@y..z${T}invalid: empty domain label${T}user=x${T}domain=y..z
x@y_z${T}invalid: bad character in domain label${T}user=x${T}domain=y_z
x@.y_${T}invalid: empty domain label${T}user=x${T}domain=.y_" \
  email x@y@z @y x@y..z x@y_z x@.y_
expect_stdout "empty address" "${T}invalid: not exactly one @${T}user=${T}domain=" email ''
expect_stdout "no at sign" "xyz${T}invalid: not exactly one @${T}user=xyz${T}domain=" email xyz
expect_failure "no address" email
finish
