# The display, the Wine prefix and the wineserver of one end-to-end run, and the
# start and stop of the program for each scenario. Sourced by e2e/run.sh.
#
# Everything started here is remembered by its process id and stopped by that id.

# Conditions are handed to poll as text and evaluated there, so they are written in
# single quotes and use variables that look unused to shellcheck.
# shellcheck disable=SC2016,SC2034
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

XVFB_PID=
CUPS_RUN=
# Of the program of the current scenario:
PROGRAM_WID=
PROGRAM_PID=
DESKTOP_WID=
DESKTOP_PID=
LAUNCHER_PID=

# Daemons started here must not keep the caller's pipes open (a caller that reads our
# output through a pipe would wait for them): close every descriptor above stderr.
close_inherited_fds() {
  local fd
  for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    if [ "$fd" -gt 2 ]; then eval "exec $fd>&-" 2>/dev/null || true; fi
  done
}

# start_display: an Xvfb of its own, on a display number the server picks itself
# (-displayfd), so that runs at the same time never race for one.
start_display() {
  . "$ROOT/tools/wine/xvfb.sh"
  if start_xvfb "$OUT/xvfb.display" "$OUT/xvfb.log"; then
    export DISPLAY=$XVFB_DISPLAY
    return 0
  fi
  echo "e2e: Xvfb did not start (log in $OUT/xvfb.log)" >&2
  return 1
}

# start_wine: the throwaway prefix (made once per build tree) and one persistent
# wineserver for the whole run.
start_wine() {
  export WINEPREFIX=$BUILD/e2e-prefix
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "e2e: making the Wine prefix $WINEPREFIX (once per build tree)"
    if ! "$WINE" wineboot -i </dev/null >"$OUT/wineboot.log" 2>&1; then
      cat "$OUT/wineboot.log" >&2
      return 1
    fi
    "$WINESERVER" -w
  fi
  bash "$ROOT/tools/wine/add-fonts.sh" "$WINEPREFIX"
  (setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &)
  # Start Wine's services now, so the first scenario does not pay for them; and the
  # scenarios run at 96 DPI even after an interrupted 150 % picture (screenshots.sh).
  "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
}

# start_printer: the private CUPS scheduler with its PDF queue (tools/cups), when it
# can run here. Sets CUPS_RUN; leaves it empty (and says why in $OUT/cups.log) if not.
start_printer() {
  local tools=$ROOT/tools/cups
  [ -x "$tools/start.sh" ] || [ -f "$tools/start.sh" ] || {
    echo "tools/cups/start.sh is not there" >"$OUT/cups.log"
    return 0
  }
  if bash "$tools/start.sh" "$BUILD/e2e-cups" >"$OUT/cups.log" 2>&1; then
    CUPS_RUN=$BUILD/e2e-cups
    export CUPS_SERVER=$CUPS_RUN/cups.sock
  fi
}

# alive PID: the process runs (a zombie that nobody reaps counts as ended).
alive() {
  local state
  # The state follows the command name, which is in parentheses and may hold blanks.
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

stop_session() {
  stop_program
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
  fi
  if [ -n "$CUPS_RUN" ]; then
    bash "$ROOT/tools/cups/stop.sh" "$CUPS_RUN" >/dev/null 2>&1 || true
    CUPS_RUN=
  fi
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

# start_program START_DIR DESKTOP_NAME: Kelvora in a Wine virtual desktop of the
# screen's size, with START_DIR as its start directory; waits for its main window.
start_program() {
  local start=$1 desktop=$2
  (cd "$start" && exec setsid "$WINE" explorer "/desktop=$desktop,1024x768" "$BUILD/Kelvora.exe" \
    </dev/null >>"$OUT/wine.log" 2>&1) &
  LAUNCHER_PID=$!
  wait_window '^Kelvora: ' 30 'the main window "Kelvora: ..."'
  PROGRAM_WID=$WID
  PROGRAM_PID=$(xdotool getwindowpid "$PROGRAM_WID" 2>/dev/null || true)
  DESKTOP_WID=$(xdotool search --name "^$desktop - Wine desktop\$" 2>/dev/null | head -n1 || true)
  if [ -n "$DESKTOP_WID" ]; then
    DESKTOP_PID=$(xdotool getwindowpid "$DESKTOP_WID" 2>/dev/null || true)
  fi
  echo "started Kelvora (window $PROGRAM_WID, process ${PROGRAM_PID:-?}) in $start"
}

# stop_program: closes the program as a person would (File, Exit) and, if it is still
# there after a while, ends it and its desktop by their process ids. Returns 1 when
# File, Exit was given and did not close it.
stop_program() {
  local exited=0
  if [ -n "$PROGRAM_WID" ] && window_exists "$PROGRAM_WID"; then
    # A dialog or menu left open by a failed scenario: end the program by its id.
    if [ -z "$(popup_windows)$(other_windows)" ]; then
      window_geometry "$PROGRAM_WID"
      # "File" on the menu bar, below the caption.
      click_at $((GX + 20)) $((GY + 33))
      if poll 5 '[ -n "$(popup_windows)" ]'; then
        key x
      fi
      if poll 10 '! window_exists "$PROGRAM_WID"'; then
        echo "closed Kelvora with File, Exit"
      else
        echo "FAIL: Kelvora did not close with File, Exit" >&2
        exited=1
      fi
    fi
  fi
  local pid
  for pid in $PROGRAM_PID $DESKTOP_PID $LAUNCHER_PID; do
    poll 5 "! alive $pid" || { echo "ending process $pid"; kill "$pid" 2>/dev/null; } || true
  done
  for pid in $PROGRAM_PID $DESKTOP_PID $LAUNCHER_PID; do
    poll 5 "! alive $pid" || kill -9 "$pid" 2>/dev/null || true
  done
  [ -n "$LAUNCHER_PID" ] && wait "$LAUNCHER_PID" 2>/dev/null
  PROGRAM_WID='' PROGRAM_PID='' DESKTOP_WID='' DESKTOP_PID='' LAUNCHER_PID=''
  return "$exited"
}
