#!/usr/bin/env bash
# Rebuilds the resource files that the resource-file tests read, from the
# .rc sources beside this script, with Debian's binutils-mingw-w64-x86-64
# and binutils-mingw-w64-i686 (no compiler needed):
#   strings.rc    one language (neutral): ids at the edges of the bundles of
#                 16 (0, 15, 16, 31, 4095, 65535), an empty entry (17), a
#                 string of 2,000 units (200), text beyond ASCII (31) and a
#                 resource that is not a string table;
#   languages.rc  bundles held in several languages: 1 in German and US
#                 English, 2 in US English and neutral, 3 in German and
#                 French, 4 in French only.
# Each becomes a 32-bit and a 64-bit resource-only library and a compiled
# resource file; the output is byte for byte the same on every run (no time
# stamps, no symbols), so the committed files can be checked against it.
#
#   make_fixtures.sh            rewrite the committed files (and the fuzz seeds)
#   make_fixtures.sh --check    rebuild in a scratch folder and compare;
#                               exits 77 when the tools are missing
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seeds=$here/../../../../fuzz/corpus/resource_file

for tool in {x86_64,i686}-w64-mingw32-{windres,ld}; do
  if ! command -v "$tool" >/dev/null; then
    echo "missing $tool (binutils-mingw-w64-x86-64, binutils-mingw-w64-i686)" >&2
    exit 77
  fi
done

# build <source.rc> <output folder>
build() {
  local name scratch
  name=$(basename "$1" .rc)
  scratch=$(mktemp -d)
  x86_64-w64-mingw32-windres --preprocessor=cat "$1" -O res -o "$2/$name.res"
  for bits in 32 64; do
    local prefix=x86_64
    [[ $bits == 32 ]] && prefix=i686
    "$prefix-w64-mingw32-windres" --preprocessor=cat "$1" -O coff -o "$scratch/$name.o"
    "$prefix-w64-mingw32-ld" --dll -e 0 -s --no-insert-timestamp -o "$2/${name}_pe$bits.dll" "$scratch/$name.o"
  done
  rm -r "$scratch"
}

outputs=(strings.res strings_pe32.dll strings_pe64.dll languages.res languages_pe32.dll languages_pe64.dll)

if [[ ${1:-} == --check ]]; then
  fresh=$(mktemp -d)
  trap 'rm -r "$fresh"' EXIT
  for source in "$here"/*.rc; do build "$source" "$fresh"; done
  status=0
  for file in "${outputs[@]}"; do
    cmp "$fresh/$file" "$here/$file" || status=1
    cmp "$fresh/$file" "$seeds/$file" || status=1
  done
  exit $status
fi

for source in "$here"/*.rc; do build "$source" "$here"; done
mkdir -p "$seeds"
for file in "${outputs[@]}"; do cp "$here/$file" "$seeds/$file"; done
