#!/usr/bin/env bash
# Stops the private CUPS scheduler that start.sh started for RUN_DIR (by its PID) and
# removes the queue's cups-pdf settings file. The PDFs in RUN_DIR/pdf stay.
#   stop.sh RUN_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 RUN_DIR" >&2; exit 2; }
run=$1
[ -d "$run" ] || exit 0
if [ -f "$run/cupsd.pid" ]; then
  pid=$(cat "$run/cupsd.pid")
  # Only the scheduler started for this folder: check the PID still names cupsd
  # with this folder's configuration before signalling it.
  if [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF "$run/etc/cupsd.conf"; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do [ -e "/proc/$pid" ] || break; sleep 0.1; done
    [ -e "/proc/$pid" ] && kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$run/cupsd.pid"
fi
if [ -f "$run/queue" ]; then
  rm -f "/etc/cups/cups-pdf-$(cat "$run/queue").conf"
fi
rm -f "$run/cups.sock"
