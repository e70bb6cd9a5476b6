#!/usr/bin/env bash
# Runs fuzz targets under libFuzzer (the `fuzz` preset: Clang 14, ASan, UBSan).
#
#   scripts/fuzz.sh [-r RUNS] [-l MAX_LEN] [-j JOBS] [TARGET...]
#
# Each target starts from its committed seeds in fuzz/corpus/<target> and
# writes what it finds into build/fuzz-corpus/<target>, never into the seed
# folder. With no TARGET every target runs. JOBS targets run at a time (one
# per core; default 1). Inputs are capped at MAX_LEN bytes, by default each
# target's own cap below: 1024 bytes, less for the targets whose every input
# runs long operation sequences or every kernel many times. Prints each
# target's final executions count and time into build/fuzz-corpus/summary.txt
# as it ends; a finding makes the script exit 1 once the others end, with
# libFuzzer's crash file named in the target's log.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
max_len=
jobs=1
while getopts r:l:j: option; do
  case $option in
    r) runs=$OPTARG ;;
    l) max_len=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) echo "usage: $0 [-r RUNS] [-l MAX_LEN] [-j JOBS] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

default_max_len() {
  case $1 in
    regexp | zel_string) echo 256 ;;
    utf8) echo 512 ;;
    *) echo 1024 ;;
  esac
}

cmake --preset fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name%_fuzz}")
  done
fi
cmake --build build/fuzz --target "${targets[@]/%/_fuzz}"

mkdir -p build/fuzz-corpus
summary=build/fuzz-corpus/summary.txt

run_target() {
  local target=$1 length=$2 runs=$3 summary=$4
  local scratch=build/fuzz-corpus/$target log=build/fuzz-corpus/$target.log
  mkdir -p "$scratch"
  local start=$SECONDS status=0
  build/fuzz/fuzz/${target}_fuzz -runs="$runs" -max_len="$length" -print_final_stats=1 \
    -artifact_prefix=build/fuzz-corpus/"$target"- "$scratch" fuzz/corpus/"$target" >"$log" 2>&1 || status=$?
  local executed
  executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "$target: max_len $length, exit $status, $executed executions in $((SECONDS - start)) s" | tee -a "$summary"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
    return 1
  fi
}
export -f run_target

for target in "${targets[@]}"; do
  echo "$target ${max_len:-$(default_max_len "$target")}"
done | xargs -P "$jobs" -L 1 bash -c 'run_target "$0" "$1" '"$runs $summary" || exit 1
