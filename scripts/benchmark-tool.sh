#!/usr/bin/env bash
# Times the zelu codec commands beside the system's own tools on the same
# file in the same run, with each run's peak resident memory.
#   scripts/benchmark-tool.sh [MIB] [REPETITIONS]     (default 256 MiB, 3)
# Needs a release build (scripts/build.sh) and the Debian packages xxd and
# time. Prints one row per command: the median seconds, the spread (fastest
# and slowest run), MB/s of input at the median and peak resident KiB, zelu
# beside its peer.
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-256}
repetitions=${2:-3}
zelu=build/release/bin/zelu
for tool in xxd /usr/bin/time base64 "$zelu"; do
  command -v "$tool" >/dev/null || { echo "benchmark-tool: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c "${mib}M" /dev/urandom >"$work/bytes"
base64 -w0 <"$work/bytes" >"$work/base64"
xxd -p <"$work/bytes" >"$work/hex"

# run NAME INPUT COMMAND...: the median of the wall-clock seconds and the
# largest peak resident size over the repetitions.
run() {
  local name=$1 input=$2
  shift 2
  local times=() peak=0
  for _ in $(seq "$repetitions"); do
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" <"$input" >/dev/null
    read -r seconds kib <"$work/time"
    times+=("$seconds")
    ((kib > peak)) && peak=$kib
  done
  local sorted median
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  median=$(sed -n "$(((repetitions + 1) / 2))p" <<<"$sorted")
  local size
  size=$(stat -c %s "$input")
  awk -v n="$name" -v s="$median" -v lo="$(head -1 <<<"$sorted")" -v hi="$(tail -1 <<<"$sorted")" -v b="$size" -v k="$peak" \
    'BEGIN { printf "%-28s %6.2f s (%.2f-%.2f) %7.0f MB/s %9d KiB\n", n, s, lo, hi, (s > 0 ? b / s / 1e6 : 0), k }'
}

echo "input: $mib MiB of random bytes; medians of $repetitions runs"
run "zelu base64 encode -w0" "$work/bytes" "$zelu" base64 encode -w0
run "base64 -w0" "$work/bytes" base64 -w0
run "zelu base64 decode" "$work/base64" "$zelu" base64 decode
run "base64 -d" "$work/base64" base64 -d
run "zelu hex encode" "$work/bytes" "$zelu" hex encode
run "xxd -p" "$work/bytes" xxd -p
run "zelu hex decode" "$work/hex" "$zelu" hex decode
run "xxd -r -p" "$work/hex" xxd -r -p
