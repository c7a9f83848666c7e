#!/usr/bin/env bash
# Starts or stops the Wine session of one build tree: an X server (Xvfb), the
# throwaway Wine prefix inside the build tree (made once) and one persistent
# wineserver, so that each test program starts in about a second.
#   session.sh start BUILD_DIR | stop BUILD_DIR
set -euo pipefail
cmd=$1
build=$(cd "$2" && pwd)
state=$build/wine-session
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries on the host for shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

stop() {
  if [ -f "$state/display" ]; then
    WINEPREFIX=$WINEPREFIX "$WINESERVER" -k 2>/dev/null || true
    WINEPREFIX=$WINEPREFIX "$WINESERVER" -w 2>/dev/null || true
  fi
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$state"
}

# Daemons started here (Xvfb, wineserver, Wine's services) must not keep the
# caller's pipes open, or ctest would wait for them: close every inherited
# descriptor but stdin, stdout and stderr, and give the daemons /dev/null.
for fd in $(ls /proc/$$/fd); do
  [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null || true
done

case $cmd in
start)
  stop
  mkdir -p "$state"
  . "$(dirname "$0")/xvfb.sh"
  started=0
  start_xvfb "$state/displayfd" "$state/xvfb.log" && started=1
  echo "$XVFB_PID" >"$state/xvfb.pid"
  [ "$started" = 1 ] || { echo "Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  echo "$XVFB_DISPLAY" >"$state/display"
  export DISPLAY=$XVFB_DISPLAY
  # Without a resource database on the display, Xlib reopens ~/.Xdefaults at every
  # font Wine selects; one empty entry saves that for every control.
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'x: 1' || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX (once per build tree)"
    "$WINE" wineboot -i </dev/null >"$state/wineboot.log" 2>&1 || { cat "$state/wineboot.log" >&2; exit 1; }
    WINEPREFIX=$WINEPREFIX "$WINESERVER" -w
  fi
  bash "$(dirname "$0")/add-fonts.sh" "$WINEPREFIX"
  # Keep the prefix to itself: its Desktop, Documents and the like are links to
  # the host's home folder; make them plain folders inside the prefix.
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
  # One persistent wineserver for the whole run.
  (setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &)
  # With no window manager on the X server, Wine waits for one each time a captioned
  # window closes; unmanaged windows close at once. This also starts Wine's services
  # now, with no pipe of the caller's to inherit.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
  echo "Wine session ready on $DISPLAY"
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
  ;;
esac
