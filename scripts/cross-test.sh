#!/usr/bin/env bash
# Builds the unit test program (zelu_tests) for other machines and runs it
# under qemu-user:
#   aarch64  64-bit little-endian, the other vector unit (NEON)
#   s390x    64-bit big-endian
#   i386     32-bit: `long` and size_t are 32 bits, doubles in x87 registers
#
#   scripts/cross-test.sh [ARCH...] [-- GTEST_ARGS...]
#
# No ARCH means all three. Arguments after `--` go to every zelu_tests run
# (e.g. -- --gtest_filter='Base64*'). Prints one line per ARCH and exits 1
# if any build or run failed; the full output of each run is kept in
# build/cross-<arch>/zelu_tests.log.
#
# What it needs (installed when missing, as root or through sudo):
#   - on the host: Debian's g++-aarch64-linux-gnu, g++-s390x-linux-gnu,
#     g++-i686-linux-gnu and qemu-user (scripts/install-dependencies.sh --cross);
#   - for each target, its PCRE2, GoogleTest and Highway packages, and the C
#     library, libstdc++ and C.UTF-8 locale that the tests run on. These are
#     fetched with `apt-get download` and unpacked with `dpkg -x` into
#     build/cross-sysroot/<arch>; nothing is installed for the target, so the
#     host's own packages never have to match the target's versions. apt must
#     know the target's architecture: when it does not, the script runs
#     `dpkg --add-architecture` and `apt-get update` (lists only).
# The compilers link against their own C library (/usr/<triple>); the
# programs run on the sysroot's, the target's Debian one, with its locale
# data (the byte order of the host's does not fit s390x) and its iconv
# modules. qemu's -L makes the sysroot the target's root for file names.
#
# Each build dir is build/cross-<arch>, configured with
# cmake/toolchains/<arch>.cmake (Release, warnings as errors, only the
# zelu_tests target and the shared library its module test loads). On two
# shared cores a build from scratch takes 4 to 6 minutes per machine (set
# CMAKE_CXX_COMPILER_LAUNCHER=ccache to share a compiler cache) and a test
# run under qemu two to three minutes; the first run also fetches about 5 MB
# of packages per machine.
#
# What runs: the whole of zelu_tests, every vector kernel the emulated CPU
# offers included (NEON, SVE and SVE2 on aarch64; SSSE3 and SSE4 on i386;
# s390x has only the scalar ones). A few tests skip themselves and say why:
# huge-page advice, which qemu's /proc does not show, and on i386 the inputs
# of 4 GiB that a 32-bit process cannot map. The tool's shell tests, the
# install and package tests, the fuzz replays and the gigabyte runs (other
# ctest tests) are not run: they test the host's shell, install layout and
# disk, not the code on another machine, and under emulation the gigabyte
# runs would take hours.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
sysroots=$root/build/cross-sysroot

# arch: Debian architecture and library folder, qemu-user program (the
# compilers are named in cmake/toolchains/<arch>.cmake)
declare -A debian_arch=([aarch64]=arm64 [s390x]=s390x [i386]=i386)
declare -A multiarch=([aarch64]=aarch64-linux-gnu [s390x]=s390x-linux-gnu [i386]=i386-linux-gnu)
declare -A qemu=([aarch64]=qemu-aarch64 [s390x]=qemu-s390x [i386]=qemu-i386)
# The target's libraries (headers, .pc and CMake files, what they link), and
# what the tests run on: the C library with its iconv modules, the C.UTF-8
# locale (in libc-bin), libstdc++.
target_packages=(libpcre2-dev libpcre2-16-0 libgtest-dev libhwy-dev libhwy1
                 libc6 libc-bin libstdc++6 libgcc-s1)

archs=()
gtest_args=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --) shift; gtest_args=("$@"); break ;;
    aarch64|s390x|i386) archs+=("$1"); shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "cross-test.sh: unknown architecture '$1' (aarch64, s390x, i386)" >&2; exit 2 ;;
  esac
done
[[ ${#archs[@]} -eq 0 ]] && archs=(aarch64 s390x i386)

as_root=()
[[ $(id -u) -ne 0 ]] && as_root=(sudo)

# Unpacks the target's packages into build/cross-sysroot/<arch>, once: a
# stamp lists the .deb files it was made from. The .deb files stay in
# build/cross-sysroot/<arch>.debs (remove that folder to fetch newer ones).
# Returns 1, having said why, when a package cannot be had.
make_sysroot() {
  local arch=$1
  local deb_arch=${debian_arch[$arch]} sysroot=$sysroots/$arch debs=$sysroots/$arch.debs
  if ! apt-cache show --no-all-versions "libpcre2-dev:$deb_arch" >/dev/null 2>&1; then
    echo "apt does not know $deb_arch yet: adding the architecture (package lists only)"
    "${as_root[@]}" dpkg --add-architecture "$deb_arch" && "${as_root[@]}" apt-get update -qq || return 1
  fi
  mkdir -p "$debs"
  local missing=() package
  for package in "${target_packages[@]}"; do
    compgen -G "$debs/${package}_*_$deb_arch.deb" >/dev/null || missing+=("$package:$deb_arch")
  done
  if [[ ${#missing[@]} -gt 0 ]]; then
    echo "fetching ${missing[*]}"
    (cd "$debs" && apt-get download -q=2 "${missing[@]}") || return 1
  fi
  local stamp=$sysroot/.unpacked listing deb
  listing=$(cd "$debs" && ls ./*.deb)
  [[ -f $stamp && $(cat "$stamp") == "$listing" ]] && return 0
  rm -rf "$sysroot"
  mkdir -p "$sysroot"
  for deb in "$debs"/*.deb; do dpkg -x "$deb" "$sysroot" || return 1; done
  printf '%s\n' "$listing" >"$stamp"
}

# Seconds as 1m05s.
duration() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

# Builds and runs one architecture; prints its summary line.
cross_test() {
  local arch=$1
  local build=$root/build/cross-$arch sysroot=$sysroots/$arch start=$SECONDS
  local log=$build/zelu_tests.log
  if ! make_sysroot "$arch"; then
    summary+=("$arch: FAILED to fetch or unpack the target's packages")
    return 1
  fi
  mkdir -p "$build"
  if ! cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/toolchains/$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DZELU_WARNINGS_AS_ERRORS=ON \
      -DZELU_BUILD_TOOLS=OFF -DZELU_INSTALL=OFF \
      -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >"$build/configure.log" 2>&1; then
    cat "$build/configure.log" >&2
    summary+=("$arch: FAILED to configure (see $build/configure.log)")
    return 1
  fi
  if ! cmake --build "$build" --target zelu_tests -j2; then
    summary+=("$arch: FAILED to build")
    return 1
  fi
  local built=$SECONDS status=0
  # The target's loader and libraries come from the sysroot (-L maps the
  # program's file names into it). The search path is explicit: the guest
  # loader would otherwise also read the host's /etc/ld.so.cache.
  local lib=${multiarch[$arch]}
  (cd "$build" && timeout 3600 "${qemu[$arch]}" -L "$sysroot" \
      -E "LD_LIBRARY_PATH=$sysroot/lib/$lib:$sysroot/usr/lib/$lib" ./zelu_tests \
      --gtest_color=no "${gtest_args[@]}") >"$log" 2>&1 || status=$?
  local ran=$SECONDS
  local passed failed skipped
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\.$/\1/p' "$log")
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:$/\1/p' "$log")
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:$/\1/p' "$log")
  local line="$arch: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped"
  line+=" (build $(duration $((built - start))), run $(duration $((ran - built))))"
  if [[ $status -ne 0 || -z $passed ]]; then
    # The failed tests' names, as gtest lists them at the end.
    sed -n '/tests\{0,1\}, listed below:$/,$p' "$log" | grep '^\[  FAILED  \] ' | head -40 >&2 || true
    [[ -z $passed ]] && tail -5 "$log" >&2
    summary+=("$line: FAILED, exit status $status (see $log)")
    return 1
  fi
  summary+=("$line")
}

scripts/install-dependencies.sh --cross
summary=()
result=0
for arch in "${archs[@]}"; do
  echo "== $arch"
  cross_test "$arch" || result=1
done
echo
printf '%s\n' "${summary[@]}"
exit $result
