#!/usr/bin/env bash
# Runs one Windows program of a build tree under Wine (as run.sh does) with the
# prefix's display resolution set to DPI: HKCU\Control Panel\Desktop, LogPixels,
# which Wine reads as each program starts (144 is Windows' 150 %). The setting is
# taken away again when the program ends, whatever its end; the tests that run in
# the same prefix hold the wine_desktop lock, so none of them runs meanwhile.
#   at-dpi.sh BUILD_DIR DPI PROGRAM.exe [ARGS...]
set -uo pipefail
build=$(cd "$1" && pwd)
dpi=$2
shift 2
. "$(dirname "$0")/build-env.sh"
use_build_env "$build"
wine=${WINE:-/usr/lib/wine/wine64}
key='HKCU\Control Panel\Desktop'
restore() {
  "$wine" reg delete "$key" /v LogPixels /f </dev/null >/dev/null 2>&1 || true
}
trap restore EXIT
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1 || {
  echo "at-dpi.sh: could not set LogPixels to $dpi" >&2
  exit 1
}
KELVORA_TEST_DPI=$dpi "$wine" "$@"
