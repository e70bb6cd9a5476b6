#!/usr/bin/env bash
# Runs fuzz targets under libFuzzer (the `fuzz` preset: Clang 14, ASan, UBSan).
#
#   scripts/fuzz.sh [-r RUNS] [-l MAX_LEN] [TARGET...]
#
# Each target starts from its committed seeds in fuzz/corpus/<target> and
# writes what it finds into build/fuzz-corpus/<target>, never into the seed
# folder. With no TARGET every target runs, one after the other. Prints each
# target's last status line and its final executions count; a finding stops
# the script with libFuzzer's crash file named in its output.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
max_len=4096
while getopts r:l: option; do
  case $option in
    r) runs=$OPTARG ;;
    l) max_len=$OPTARG ;;
    *) echo "usage: $0 [-r RUNS] [-l MAX_LEN] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

cmake --preset fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name%_fuzz}")
  done
fi
cmake --build build/fuzz --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
  scratch=build/fuzz-corpus/$target
  mkdir -p "$scratch"
  log=build/fuzz-corpus/$target.log
  echo "== $target ($runs runs, inputs up to $max_len bytes)"
  build/fuzz/fuzz/${target}_fuzz -runs="$runs" -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix=build/fuzz-corpus/"$target"- "$scratch" fuzz/corpus/"$target" >"$log" 2>&1 || {
    tail -n 40 "$log"
    exit 1
  }
  grep -E '^(#[0-9]+.*(DONE|pulse)|Done|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" | tail -n 3
done
