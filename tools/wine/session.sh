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
export WINEDLLOVERRIDES="mscoree,mshtml="
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
  # A free display number: no lock file and no socket.
  for n in $(seq 91 140); do
    if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  [ -e /tmp/.X11-unix/X$n ] || { echo "Xvfb did not start on :$n" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  echo ":$n" >"$state/display"
  export DISPLAY=:$n
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX (once per build tree)"
    "$WINE" wineboot -i </dev/null >"$state/wineboot.log" 2>&1 || { cat "$state/wineboot.log" >&2; exit 1; }
    WINEPREFIX=$WINEPREFIX "$WINESERVER" -w
  fi
  # One persistent wineserver for the whole run.
  (setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &)
  # Start Wine's services now, with no pipe of the caller's to inherit.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
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
