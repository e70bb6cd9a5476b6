#!/usr/bin/env bash
# Builds the Debian packages and checks them:
#   scripts/package.sh [FOLDER]          (default build/package)
# 1. configures FOLDER from the release preset with /usr as the install
#    prefix (the library goes to /usr/lib/<multiarch>), builds the library,
#    the tool and its manual page, and runs `cpack -G DEB`;
# 2. checks each package's fields and files (dpkg-deb -f, -c), and asks apt
#    whether this system could install the three (apt-get --simulate);
# 3. unpacks them with dpkg -x into FOLDER/root, a prefix that no package
#    database knows, then runs the tool from there, renders its manual page
#    with man -l, and builds the consumer program against the unpacked -dev
#    package through find_package and pkg-config, and runs it.
# The packages are left in FOLDER. Uses $CXX when set. Needs dpkg-dev,
# man-db and help2man (scripts/install-dependencies.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
out=$(realpath -m "${1:-build/package}")
failures=0
fail() {
  echo "package: $*" >&2
  failures=$((failures + 1))
}

cmake --preset release -B "$out" -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF >/dev/null
cmake --build "$out" --parallel 2
rm -f "$out"/*.deb
(cd "$out" && cpack -G DEB >/dev/null)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
soversion=${version%%.*}
runtime=libzelurtstringu$soversion
lib=usr/lib/$multiarch
deb() { echo "$out/${1}_${version}_$arch.deb"; }
for package in "$runtime" libzelurtstringu-dev zelu-tools; do
  [[ -f $(deb "$package") ]] || { echo "package: cpack made no $(deb "$package")" >&2; exit 1; }
done

# expect_field PACKAGE FIELD REGEX: the control field matches (grep -E).
expect_field() {
  local value
  value=$(dpkg-deb -f "$(deb "$1")" "$2")
  grep -qE -- "$3" <<<"$value" || fail "$1: $2 is '$value', expected /$3/"
}
# expect_files PACKAGE PATH...: the package holds exactly these files and
# links (folders aside).
expect_files() {
  local package=$1
  shift
  local held expected
  held=$(dpkg-deb -c "$(deb "$package")" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
  expected=$(printf '%s\n' "$@" | sort)
  [[ $held == "$expected" ]] || fail "$package holds:"$'\n'"$held"$'\n'"expected:"$'\n'"$expected"
}

for package in "$runtime" libzelurtstringu-dev zelu-tools; do
  expect_field "$package" Version "^$version\$"
  expect_field "$package" Maintainer '^.+ <[^@ ]+@[^@ ]+>$'
  expect_field "$package" Description '^[a-z].{10,78}$'
done
expect_field "$runtime" Section '^libs$'
expect_field "$runtime" Depends 'libc6 \(>= [0-9.]+\)'
expect_field "$runtime" Depends 'libstdc\+\+6 \(>= [0-9.]+\)'
expect_field "$runtime" Depends 'libpcre2-16-0 \(>= [0-9.]+\)'
expect_field libzelurtstringu-dev Section '^libdevel$'
expect_field libzelurtstringu-dev Depends "(^|, )$runtime \(= $version\)(,|\$)"
expect_field zelu-tools Section '^utils$'
expect_field zelu-tools Depends "(^|, )$runtime \(= $version\)(,|\$)"
expect_field zelu-tools Depends 'libc6 \(>= [0-9.]+\)'
# The runtime package declares its library for dpkg-shlibdeps and ldconfig.
dpkg-deb -I "$(deb "$runtime")" shlibs | grep -qx "libzeluRtStringu $soversion $runtime (>= $version)" ||
  fail "$runtime: shlibs is '$(dpkg-deb -I "$(deb "$runtime")" shlibs)'"
dpkg-deb -I "$(deb "$runtime")" postinst | grep -q ldconfig || fail "$runtime: postinst runs no ldconfig"

expect_files "$runtime" "$lib/libzeluRtStringu.so.$soversion" "$lib/libzeluRtStringu.so.$version"
# The public headers, as the units declare them (the build's unit manifest).
mapfile -t headers < <(awk '$1 == "file" && ($3 == "header" || $3 == "installed") { print $4 }' "$out/zelu_units.txt")
expect_files libzelurtstringu-dev usr/include/zeluRtStringu.h "${headers[@]/#/usr/include/}" \
  "$lib/libzeluRtStringu.so" "$lib/pkgconfig/zeluRtStringu.pc" \
  "$lib"/cmake/zeluRtStringu/zeluRtStringu{Config,ConfigVersion,Targets,Targets-release}.cmake
expect_files zelu-tools usr/bin/zelu usr/share/man/man1/zelu.1.gz

# apt resolves every dependency from this system's archive and packages.
if ! simulated=$(apt-get install --simulate --no-install-recommends "$(deb "$runtime")" \
                   "$(deb libzelurtstringu-dev)" "$(deb zelu-tools)" 2>&1); then
  fail "apt cannot install the packages: $simulated"
fi

root=$out/root
rm -rf "$root"
for package in "$runtime" libzelurtstringu-dev zelu-tools; do dpkg -x "$(deb "$package")" "$root"; done

# Every module the pkg-config file requires comes with a package the -dev
# package depends on.
requires=$(sed -n 's/^Requires.private: *//p' "$root/$lib/pkgconfig/zeluRtStringu.pc")
[[ -n $requires ]] || fail "zeluRtStringu.pc requires no private module (PCRE2 at least)"
for module in $requires; do
  pc_file=$(pkg-config --variable=pcfiledir "$module")/$module.pc
  owner=$(dpkg -S "$pc_file" | cut -d: -f1) || { fail "no package holds $pc_file"; continue; }
  expect_field libzelurtstringu-dev Depends "(^|, )$owner(,|\$)"
done

soname=$(objdump -p "$root/$lib/libzeluRtStringu.so.$version" | awk '$1 == "SONAME" { print $2 }')
[[ $soname == "libzeluRtStringu.so.$soversion" ]] || fail "the library's SONAME is '$soname'"
# Installed in /usr/lib/<multiarch>, the tool needs no run path.
readelf -d "$root/usr/bin/zelu" | grep -qE 'RUNPATH|RPATH' && fail "usr/bin/zelu carries a run path"
tool_version=$(LD_LIBRARY_PATH=$root/$lib "$root/usr/bin/zelu" --version)
[[ $tool_version == "zelu $version" ]] || fail "the unpacked tool says '$tool_version'"
[[ $(printf 'Man' | LD_LIBRARY_PATH=$root/$lib "$root/usr/bin/zelu" base64) == TWFu ]] ||
  fail "the unpacked tool does not encode"

# The installed manual page renders and shows every command.
LD_LIBRARY_PATH=$root/$lib ZELU=$root/usr/bin/zelu MAN_PAGE=$root/usr/share/man/man1/zelu.1.gz \
  README=$source/README.md bash tools/zelu/man_page_test.sh || fail "the installed manual page"

# The consumer program against the unpacked -dev package.
cmake -DMODE=prefix -DZELU_PREFIX="$root/usr" -DZELU_CONSUMER_SOURCE="$source/tests/consumer/program" \
  -DZELU_SCRATCH="$out/consumer" -DZELU_GENERATOR=Ninja -DZELU_CXX="${CXX:-c++}" \
  -P tests/consumer/run.cmake || fail "the consumer program"

if ((failures > 0)); then
  echo "package: $failures checks failed" >&2
  exit 1
fi
echo "package: $(cd "$out" && ls ./*.deb | tr '\n' ' ')checked; unpacked in $root"
