#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the code with no Windows dependency, natively under ASan/UBSan, plus a short fuzz run;
#   2. the Windows build with MinGW-w64 gcc and all its tests under Wine (ctest);
#   3. the same sources compiled with clang, so nothing relies on one compiler;
#   4. the clang-format check;
#   5. the include floors: no product include runs up a floor or closes a circle;
#   6. the picture generator's own checks;
#   7. the end-to-end scenarios driving the real program with xdotool;
#   8. the README's Wine install steps, tried from a fresh home folder.
# Every test runs or fails. A person may skip what cannot run on their machine by
# naming it: KELVORA_SKIP=printer,small-disks,second-drive,clipboard (CI names nothing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
jobs=$(nproc)

echo "== native build under sanitizers"
cmake -S . -B build-native -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build build-native -j"$jobs"
ctest --test-dir build-native --output-on-failure

echo "== Windows build (MinGW-w64 gcc) and tests under Wine"
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

echo "== Windows build with clang"
cmake -S . -B build-clang -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-clang-mingw64.cmake" -DKELVORA_TESTS=OFF >/dev/null
cmake --build build-clang -j"$jobs"

echo "== clang-format"
"$root/scripts/format.sh" --check

echo "== include floors"
python3 "$root/tools/check_includes.py"

echo "== the picture generator's own checks"
python3 "$root/tools/picgen/test_picgen.py"
python3 "$root/tools/picgen/check_pictures.py"

echo "== end-to-end scenarios"
bash "$root/e2e/run.sh" "$root/build"

echo "== the README's Wine install steps"
bash "$root/tools/readme/check_wine_steps.sh" "$root/build"
echo "All tests passed: native, Windows under Wine, clang build, format, include floors," \
  "pictures, end-to-end scenarios, the README's Wine steps."
if [ -n "${KELVORA_SKIP:-}" ]; then
  echo "Skipped on request (KELVORA_SKIP): ${KELVORA_SKIP}"
else
  echo "Nothing was skipped."
fi
