#!/usr/bin/env bash
# Builds Kelvora for Windows (64-bit, MinGW-w64) into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELVORA_BUILD:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
