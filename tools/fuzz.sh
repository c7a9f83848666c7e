#!/usr/bin/env bash
# Builds the native tree (clang, ASan and UBSan) and runs one fuzz target for a while,
# then prints how many inputs it tried.
#   tools/fuzz.sh [SECONDS] [TARGET] [-- LIBFUZZER OPTIONS...]
#     SECONDS  default 60
#     TARGET   extension_list (default) or rtf_rewrite
# New inputs the fuzzer finds go to build-native/TARGET-corpus; the seed corpus in
# the target's tests folder is only read. A crashing input is saved in
# build-native/fuzz-artifacts.
set -euo pipefail
seconds=${1:-60}
target=${2:-extension_list}
shift $(($# < 2 ? $# : 2))
[ "${1:-}" = "--" ] && shift
case $seconds in
'' | *[!0-9]*)
  echo "usage: $0 [SECONDS] [TARGET] [-- OPTIONS...]" >&2
  exit 2
  ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
case $target in
extension_list) seeds=$root/tests/settings/fuzz/corpus ;;
rtf_rewrite) seeds=$root/tests/base/fuzz/corpus ;;
*)
  echo "$0: unknown target $target (extension_list, rtf_rewrite)" >&2
  exit 2
  ;;
esac
build=$root/build-native
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${target}_fuzz"
corpus=$build/$target-corpus
mkdir -p "$corpus" "$build/fuzz-artifacts"
log=$build/$target-fuzz.log
status=0
"$build/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-artifacts/" "$@" \
  "$corpus" "$seeds" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
if [ -z "$runs" ]; then
  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
fi
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log" >&2
  echo "fuzz: $target FAILED after ${runs:-?} executions (exit $status); full log: $log" >&2
  exit "$status"
fi
echo "fuzz: $target, ${runs:-?} executions in $seconds s, no fault found (log: $log)"
