#!/usr/bin/env bash
# Kelvora's speed benchmark under Wine, in one command:
#   bench/run.sh [RUNS]            (RUNS per case, 5 by default)
#   KELVORA_BENCH_MILLION=1 bench/run.sh 3   adds the 1,000,000-file case
#   KELVORA_BENCH_DRIVE=1 bench/run.sh 3     adds a 1,000,000-file tree shaped like a
#                                            system drive (the window case only)
# Builds kelvora_bench, makes the synthetic folder trees under /tmp (the same for a
# seed: KELVORA_BENCH_SEED), times every case in its own Wine process RUNS times,
# prints the medians, ratios, growth and memory (bench/summarize.py), and deletes the
# trees. KELVORA_BENCH_BUILD names the build tree (build-bench by default); its Wine
# session is started here and stopped at the end. The warm regeneration of the
# largest tree is timed in the first run only: clearing that listing costs the Rich
# Edit control minutes under Wine (its own cost, shown as pane_clear). The window
# case drives the real main window, shown on the session's display, through the
# folder menu's commands, as a user waits for them (the commands and the repainting),
# and times the window's answers to the system meanwhile. The 1,000,000-file cases
# save but do not print: their 2,000-odd pages take a quarter of an hour a run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
seed=${KELVORA_BENCH_SEED:-20240601}
build=${KELVORA_BENCH_BUILD:-$repo/build-bench}
data=$(mktemp -d /tmp/kelvora-bench.XXXXXX)
results=$data/results

cleanup() {
  bash "$repo/tools/wine/session.sh" stop "$build" >/dev/null 2>&1 || true
  bash "$repo/tools/cups/stop.sh" "$data/cups" >/dev/null 2>&1 || true
  rm -rf "$data"
}
trap cleanup EXIT

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw64.cmake" \
    -DKELVORA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target kelvora_bench -j2 >/dev/null
mkdir -p "$results"
python3 "$repo/bench/make_tree.py" "$data" "$seed" 1000 10000 100000 --wide
# The window case prints on a private PDF queue (needs root; without it no print
# figures).
bash "$repo/tools/cups/start.sh" "$data/cups" >&2 || true
export CUPS_SERVER=$data/cups/cups.sock
bash "$repo/tools/wine/session.sh" start "$build" >/dev/null

bench() { "$repo/tools/wine/run.sh" "$build" "$build/bench/kelvora_bench.exe" "$@"; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

twenty=()
for f in "$data"/wide/twenty/f*; do twenty+=("$(winpath "$f")"); done
for run in $(seq 1 "$runs"); do
  for size in 1000 10000 100000; do
    echo "run $run/$runs: $size files" >&2
    warm=()
    if [ "$size" = 100000 ] && [ "$run" -gt 1 ]; then warm=(--no-warm); fi
    bench tree "$(winpath "$data/s$size/top")" "${warm[@]}" >"$results/tree-$size-$run.txt"
    bench window "$(winpath "$data/s$size/top")" >"$results/window-$size-$run.txt"
  done
  echo "run $run/$runs: wide folders" >&2
  bench wide "$(winpath "$data/wide/one")" >"$results/wide-one-$run.txt"
  bench wide "${twenty[@]}" >"$results/wide-twenty-$run.txt"
done
# kept_tree DIR TOP WHAT ARGS...: the tree DIR/TOP, made by make_tree.py with ARGS
# unless an earlier run of the same seed left it there. The large trees take minutes
# to make, so they are kept between runs, in /tmp.
kept_tree() {
  local dir=$1 top=$2 what=$3
  shift 3
  if [ ! -d "$dir/$top" ]; then
    rm -rf "$dir"
    echo "making $what in $dir (kept for later runs)" >&2
    python3 "$repo/bench/make_tree.py" "$dir" "$seed" "$@"
  fi
}
# The whole-drive case, on request (KELVORA_BENCH_MILLION=1): 1,000,000 files in about
# 100,000 folders.
if [ "${KELVORA_BENCH_MILLION:-0}" = 1 ]; then
  million=/tmp/kelvora-bench-million-$seed
  kept_tree "$million" s1000000/top "the 1,000,000-file tree" 1000000
  for run in $(seq 1 "$runs"); do
    echo "run $run/$runs: 1000000 files" >&2
    bench tree "$(winpath "$million/s1000000/top")" --no-warm >"$results/tree-1000000-$run.txt"
    bench window "$(winpath "$million/s1000000/top")" --no-print >"$results/window-1000000-$run.txt"
  done
fi
# The drive-shaped tree of as many files, on request (KELVORA_BENCH_DRIVE=1).
if [ "${KELVORA_BENCH_DRIVE:-0}" = 1 ]; then
  drive=/tmp/kelvora-bench-drive-$seed
  kept_tree "$drive" d1000000/top "the drive-shaped tree" --drive 1000000
  for run in $(seq 1 "$runs"); do
    echo "run $run/$runs: drive-shaped, 1000000 files" >&2
    bench window "$(winpath "$drive/d1000000/top")" --no-print >"$results/window-drive-$run.txt"
  done
fi
python3 "$repo/bench/summarize.py" "$results"
