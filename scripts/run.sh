#!/usr/bin/env bash
# Installs what is missing, builds Kelvora and starts it under Wine.
# With no X display it starts a virtual one (Xvfb) and says how to look at it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target Kelvora
build=${KELVORA_BUILD:-$root/build}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null' EXIT
  export DISPLAY=:77
  echo "No X display: Kelvora runs on the virtual display :77 (look at it with x11vnc or 'import -window root')."
fi
# Kelvora keeps its settings in the folder it starts in.
workdir=${KELVORA_HOME:-$HOME/Kelvora}
mkdir -p "$workdir/help"
# The help page lives beside the settings file, in the start folder.
cp -r "$root/help/." "$workdir/help/"
cd "$workdir"
/usr/lib/wine/wine64 "$build/Kelvora.exe"
