#!/usr/bin/env bash
# Tries the README's Wine steps as a newcomer would: from a fresh home folder (so with no
# Wine prefix yet), on an X display of its own, in the folder holding a build's package
# zip. Checks that the install steps put Kelvora in the prefix's C:\Kelvora, that the start
# steps show its window, and that once scripts/run.sh --prefix-only has completed that
# prefix, opening the help page (as Help > Help does, through the shell) reaches the Linux
# desktop's browser: a stand-in xdg-open records what it was given.
#   check_wine_steps.sh BUILD_DIR
# The steps are the shell blocks between <!-- wine-install-steps --> and
# <!-- /wine-install-steps -->, and <!-- wine-start-steps --> and its end, in README.md.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# block NAME: the shell lines between <!-- NAME --> and <!-- /NAME --> in README.md.
block() {
  awk -v name="$1" '$0 == "<!-- /" name " -->" { on = 0 } on && !/^```/ { print } $0 == "<!-- " name " -->" { on = 1 }' \
    "$root/README.md"
}
steps=$(block wine-install-steps)
start_steps=$(block wine-start-steps)
[ -n "$steps" ] && [ -n "$start_steps" ] || {
  echo "FAIL: README.md lacks a block marked <!-- wine-install-steps --> or <!-- wine-start-steps -->" >&2
  exit 1
}

cmake --build "$build" --target package >/dev/null

scratch=$(mktemp -d)
xvfb=
finish() {
  if [ -d "$scratch/home/.wine" ]; then
    WINEPREFIX=$scratch/home/.wine "$WINESERVER" -k 2>/dev/null || true
    WINEPREFIX=$scratch/home/.wine "$WINESERVER" -w 2>/dev/null || true
  fi
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap finish EXIT

# Daemons started here must not keep the caller's pipes open.
for fd in "/proc/$$/fd"/*; do
  fd=${fd##*/}
  if [ "$fd" -gt 2 ]; then eval "exec $fd>&-" 2>/dev/null || true; fi
done
. "$root/tools/wine/xvfb.sh"
started=0
start_xvfb "$scratch/displayfd" && started=1
xvfb=$XVFB_PID
[ "$started" = 1 ] || {
  echo "FAIL: Xvfb did not start" >&2
  exit 1
}

mkdir -p "$scratch/home" "$scratch/bin"
export DISPLAY=$XVFB_DISPLAY HOME=$scratch/home WINEPREFIX=$scratch/home/.wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset KELVORA_HOME
drive_c=$WINEPREFIX/drive_c
zips=("$build"/dist/Kelvora-*.zip)
name=$(basename "${zips[0]}" .zip)

echo "== the README's Wine install steps, from a fresh home folder"
printf '%s\n' "$steps"
status=0
(cd "$build/dist" && bash -euo pipefail -c "$steps" </dev/null) >"$scratch/steps.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$scratch/steps.log" >&2
  fail "the README's Wine install steps ended with $status"
fi
[ -f "$drive_c/Kelvora/Kelvora.exe" ] || fail "no C:\\Kelvora\\Kelvora.exe after the README's steps"
if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$drive_c/windows/Fonts/marlett.ttf" ]; then
  fail "the README's steps left the prefix without Wine's own fonts"
fi
[ -f "$drive_c/windows/Fonts/kelvora-sans-bold.ttf" ] ||
  fail "the README's steps left the listing pane without a face for other scripts"
# Written to system.reg once the steps' wineserver has ended.
WINEPREFIX=$WINEPREFIX "$WINESERVER" -w 2>/dev/null || true
if fc-list -q 'WenQuanYi Micro Hei' &&
  ! grep -qF '"MS UI Gothic"="WenQuanYi Micro Hei"' "$WINEPREFIX/system.reg" 2>/dev/null; then
  fail "the README's steps left Tahoma without a face for Chinese, Japanese and Korean letters"
fi
if [ -d "$drive_c/Kelvora" ]; then
  diff -r "$build/dist/$name/Kelvora" "$drive_c/Kelvora" >&2 || fail "C:\\Kelvora differs from the package's Kelvora folder"
fi

echo "== the README's start steps"
printf '%s\n' "$start_steps"
bash -euo pipefail -c "$start_steps" </dev/null >"$scratch/start-steps.log" 2>&1 &
launcher=$!
started=
for _ in $(seq 1 300); do
  if xdotool search --name '^Kelvora: \*\.mp3$' >/dev/null 2>&1 && [ -f "$drive_c/Kelvora/Kelvora.ini" ]; then
    started=1
    break
  fi
  sleep 0.1
done
[ -n "$started" ] || fail "the README's start steps showed no Kelvora window with its settings file in C:\\Kelvora in 30s"
# Closed as a user closes it (taskkill without /f sends WM_CLOSE), so the start steps end.
wine taskkill /im Kelvora.exe </dev/null >/dev/null 2>&1 || true
for _ in $(seq 1 100); do
  kill -0 "$launcher" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$launcher" 2>/dev/null; then
  fail "Kelvora started by the README's start steps did not close on WM_CLOSE"
  WINEPREFIX=$WINEPREFIX "$WINESERVER" -k 2>/dev/null || true
fi
wait "$launcher" 2>/dev/null || true
[ -n "$started" ] || cat "$scratch/start-steps.log" >&2
WINEPREFIX=$WINEPREFIX "$WINESERVER" -w 2>/dev/null || true

echo "== the help page opens in the Linux desktop's browser from run.sh's prefix"
cat >"$scratch/bin/xdg-open" <<STUB
#!/bin/sh
printf '%s\n' "\$1" >"$scratch/browser-arg"
STUB
chmod +x "$scratch/bin/xdg-open"
KELVORA_HOME=$scratch/home/Kelvora bash "$root/scripts/run.sh" --prefix-only >"$scratch/run-prefix.log" 2>&1 ||
  fail "scripts/run.sh --prefix-only ended with $? ($(cat "$scratch/run-prefix.log"))"
if [ -f "$drive_c/Kelvora/help/index.html" ]; then
  PATH=$scratch/bin:$PATH wine start 'C:\Kelvora\help\index.html' </dev/null >"$scratch/start.log" 2>&1 ||
    fail "wine start C:\\Kelvora\\help\\index.html ended with $? ($(cat "$scratch/start.log"))"
  for _ in $(seq 1 300); do
    [ -s "$scratch/browser-arg" ] && break
    sleep 0.1
  done
  if [ ! -s "$scratch/browser-arg" ]; then
    fail "opening the help page reached no browser"
  elif ! grep -Eq '/(drive_c|dosdevices/c:)/Kelvora/help/index.html$' "$scratch/browser-arg"; then
    fail "the browser was given $(cat "$scratch/browser-arg"), not the help page"
  fi
else
  fail "no help page C:\\Kelvora\\help\\index.html to open"
fi

if [ "$failures" -ne 0 ]; then
  echo "check_wine_steps: $failures failure(s)" >&2
  exit 1
fi
echo "check_wine_steps: the README's Wine steps install and start Kelvora in a fresh prefix, and its help page opens in the browser"
