#!/usr/bin/env bash
# Installs the Debian packages zelu needs that this machine lacks.
#   scripts/install-dependencies.sh [--benchmarks] [--clang] [--resource-tools] [--cross]
# --resource-tools: the cross binutils that rebuild the resource-file test
# fixtures (zelu/platform/win32/testdata); without them that check is skipped.
# --cross: the cross compilers and qemu-user that scripts/cross-test.sh uses.
# Uses sudo when not run as root. Does nothing when all are present.
set -euo pipefail

# help2man makes the tool's manual page in the build; man-db renders it in a
# test; dpkg-dev (dpkg-shlibdeps) and file let CPack make the Debian packages.
packages=(g++ cmake ninja-build pkg-config libgtest-dev libpcre2-dev libhwy-dev time tzdata help2man man-db dpkg-dev file)
for option in "$@"; do
  case "$option" in
    --benchmarks) packages+=(libbenchmark-dev libssl-dev) ;;
    --clang) packages+=(clang-14 libclang-rt-14-dev) ;;  # the runtime: ThreadSanitizer, libFuzzer
    --resource-tools) packages+=(binutils-mingw-w64-x86-64 binutils-mingw-w64-i686) ;;
    --cross) packages+=(qemu-user g++-aarch64-linux-gnu g++-s390x-linux-gnu g++-i686-linux-gnu) ;;
    *) echo "unknown option: $option" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
run_as_root=()
[[ $(id -u) -ne 0 ]] && run_as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -qq
"${run_as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
