#!/usr/bin/env bash
# Installs what is missing, builds Kelvora and starts it under Wine, inside a Wine virtual
# desktop window named "Kelvora": its title bar, close box and keys work from the start,
# with or without a window manager. The command stays in the foreground while Kelvora runs
# and ends when Kelvora is closed; Ctrl+C (or a TERM) ends Kelvora as well. It uses the X
# display in DISPLAY; without one it starts a virtual one (Xvfb) on a free display number
# and says how to look at it.
#   run.sh                 build and start Kelvora
#   run.sh --prefix-only   only make (or complete) the Wine prefix, start nothing
# KELVORA_HOME is the start folder (~/Kelvora by default), WINEPREFIX the Wine prefix
# (build/run-prefix by default). At the end every Wine program of that prefix is ended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
build=${KELVORA_BUILD:-$root/build}
prefix_only=
case ${1:-} in
'') ;;
--prefix-only) prefix_only=1 ;;
*)
  echo "usage: $0 [--prefix-only]" >&2
  exit 2
  ;;
esac

# A prefix of its own, apart from the tests' prefixes, so that ending its wineserver at the
# end ends nothing else.
export WINEPREFIX=${WINEPREFIX:-$build/run-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts in a new prefix, and no menu entries on the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Kelvora keeps its settings in the folder it starts in.
workdir=${KELVORA_HOME:-$HOME/Kelvora}
mkdir -p "$workdir/help" "$WINEPREFIX"

# One run at a time per start folder and per prefix: a second one would share the first
# one's wineserver and end with it. The locks are held on descriptors 8 and 9, which no
# program started here keeps (see quiet).
exec 8>"$workdir/.kelvora-run.lock"
if ! flock -n 8; then
  echo "run.sh: Kelvora already runs from $workdir (started by another run.sh)." >&2
  echo "Close that one first, or set KELVORA_HOME to another start folder." >&2
  exit 1
fi
exec 9>"$WINEPREFIX/.kelvora-run.lock"
if ! flock -n 9; then
  echo "run.sh: another run.sh uses the Wine prefix $WINEPREFIX." >&2
  echo "Close that one first, or set WINEPREFIX to another prefix." >&2
  exit 1
fi
quiet() {
  "$@" </dev/null >/dev/null 2>&1 8>&- 9>&-
}

if [ -z "$prefix_only" ]; then
  "$root/scripts/install-deps.sh" 8>&- 9>&-
  "$root/scripts/build.sh" --target Kelvora 8>&- 9>&-
fi

xvfb=
launcher=
displayfd=
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$launcher" ]; then kill "$launcher" 2>/dev/null || true; fi
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  if [ -n "$launcher" ]; then wait "$launcher" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  if [ -n "$displayfd" ]; then rm -f "$displayfd"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "${DISPLAY:-}" ] && [ -z "$prefix_only" ]; then
  . "$root/tools/wine/xvfb.sh"
  displayfd=$(mktemp)
  started=0
  start_xvfb "$displayfd" && started=1
  xvfb=$XVFB_PID
  if [ "$started" = 0 ]; then
    echo "run.sh: Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=$XVFB_DISPLAY
  echo "No X display: Kelvora runs on the virtual display $DISPLAY (look at it with x11vnc or 'import -display $DISPLAY -window root shot.png')."
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (once)"
  quiet "$WINE" wineboot -i
fi
bash "$root/tools/wine/add-fonts.sh" "$WINEPREFIX" 8>&- 9>&-
# Without Gecko the prefix has no program for .html files, and Help > Help would open
# nothing: hand them to the Linux desktop's browser through Wine's browser bridge.
# Both keys are looked for: once programs have run in a prefix, Wine may have written
# the command's key by itself, without the extension's.
if ! grep -qF '[Software\\Classes\\.html]' "$WINEPREFIX/system.reg" 2>/dev/null ||
  ! grep -qF '[Software\\Classes\\htmlfile\\shell\\open\\command]' "$WINEPREFIX/system.reg" 2>/dev/null; then
  quiet "$WINE" reg add 'HKCR\.html' /ve /d htmlfile /f
  quiet "$WINE" reg add 'HKCR\.htm' /ve /d htmlfile /f
  quiet "$WINE" reg add 'HKCR\htmlfile\shell\open\command' /ve /d 'winebrowser "%1"' /f
fi
if [ -n "$prefix_only" ]; then
  echo "Wine prefix $WINEPREFIX ready"
  exit 0
fi

# The help page lives beside the settings file, in the start folder.
cp -r "$root/help/." "$workdir/help/"
echo "Kelvora runs in a window named \"Kelvora\" on $DISPLAY; close it (or press Ctrl+C here) to end."
# In the background, so that Ctrl+C reaches the trap at once.
(cd "$workdir" && exec "$WINE" explorer /desktop=Kelvora,1024x768 "$build/Kelvora.exe" 8>&- 9>&-) &
launcher=$!
wait "$launcher" || true
launcher=
