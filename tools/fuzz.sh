#!/usr/bin/env bash
# Builds the native tree (clang, ASan and UBSan) and runs the extension list fuzz
# target for a while, then prints how many inputs it tried.
#   tools/fuzz.sh [SECONDS]     (default 60)
# New inputs the fuzzer finds go to build-native/fuzz-corpus; the seed corpus in
# tests/settings/fuzz/corpus is only read. A crashing input is saved in
# build-native/fuzz-artifacts.
set -euo pipefail
seconds=${1:-60}
case $seconds in
'' | *[!0-9]*)
  echo "usage: $0 [SECONDS]" >&2
  exit 2
  ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-native
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$build" -j"$(nproc)" --target extension_list_fuzz
mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts"
log=$build/fuzz.log
status=0
"$build/extension_list_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-artifacts/" \
  "$build/fuzz-corpus" "$root/tests/settings/fuzz/corpus" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log" >&2
  echo "fuzz: FAILED after ${runs:-?} executions (exit $status); full log: $log" >&2
  exit "$status"
fi
echo "fuzz: ${runs:-?} executions in $seconds s, no fault found (log: $log)"
