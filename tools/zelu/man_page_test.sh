# The manual page renders with man and shows every command the tool lists,
# each with its own usage line; the README names every command too.
#   ZELU=<zelu> MAN_PAGE=<zelu.1.gz> README=<README.md> bash man_page_test.sh
set -u
: "${ZELU:?}" "${MAN_PAGE:?}" "${README:?}"
failures=0
report() {
  printf 'FAIL %s\n' "$*"
  failures=$((failures + 1))
}

rendered=$(MANWIDTH=80 man -l "$MAN_PAGE" 2>&1 | col -bx) || report "man -l $MAN_PAGE failed: $rendered"
# man's and troff's complaints (a bad request, a line it cannot fit) come
# through stderr, kept above.
complaints=$(grep -E '^(man|troff|groff|grotty):' <<<"$rendered")
[[ -z $complaints ]] || report "man complains: $complaints"

commands=$("$ZELU" --help | sed -n '/^commands:$/,/^$/s/^  \([a-z0-9]*\) .*/\1/p')
[[ $(wc -w <<<"$commands") -ge 10 ]] || report "zelu --help lists too few commands: $commands"
for section in NAME SYNOPSIS DESCRIPTION COMMANDS; do
  grep -q "^$section\$" <<<"$rendered" || report "no section $section"
done
grep -q "^ *zelu $("$ZELU" --version | cut -d' ' -f2)" <<<"$rendered" || report "the version is not on the page"
for name in $commands; do
  usage=$("$ZELU" "$name" --help | head -1)
  grep -qxF "   zelu $name" <<<"$rendered" || report "no subsection for $name"
  grep -qF -- "$usage" <<<"$rendered" || report "$name: its usage line is missing: $usage"
  grep -qE "zelu $name( |\$)" "$README" || report "README never shows zelu $name"
done

((failures == 0)) && echo "man page: $(wc -w <<<"$commands") commands, $(wc -l <<<"$rendered") lines"
exit $((failures > 0))
