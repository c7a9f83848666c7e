#!/usr/bin/env bash
# Runs one Windows program of a build tree under Wine, in that tree's prefix and
# on its X server (see session.sh). Used as CMake's cross-compiling emulator.
#   run.sh BUILD_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
build=$(cd "$1" && pwd)
shift
. "$(dirname "$0")/build-env.sh"
use_build_env "$build"
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display; start the session first: tools/wine/session.sh start $build" >&2
  exit 1
fi
exec "${WINE:-/usr/lib/wine/wine64}" "$@"
