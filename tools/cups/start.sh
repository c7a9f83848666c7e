#!/usr/bin/env bash
# Starts a private CUPS scheduler for one test run, with one PDF queue (the cups-pdf
# backend) made the default printer. Everything lives in RUN_DIR:
#   RUN_DIR/cups.sock   the scheduler's socket; give it to clients as CUPS_SERVER
#   RUN_DIR/pdf/        where the printed documents land, one PDF per job
#   RUN_DIR/queue       the queue's name; RUN_DIR/cupsd.pid the scheduler's PID
# The only thing written outside RUN_DIR is the queue's own cups-pdf settings file,
# /etc/cups/cups-pdf-QUEUE.conf (cups-pdf reads its settings from /etc/cups only);
# stop.sh removes it again. Needs root, as cups-pdf does.
#   start.sh RUN_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 RUN_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
run=$(cd "$1" && pwd)

# A scheduler left over from an earlier run of the same tree goes first, and with it
# everything of that run.
bash "$here/stop.sh" "$run"
rm -rf "$run"

# Where no printer can be set up, say so and fail, unless KELVORA_SKIP names
# "printer": then leave RUN_DIR/pdf missing, and the print tests skip.
unavailable() {
  case ",${KELVORA_SKIP:-}," in
  *,printer,*)
    echo "cups/start.sh: no PDF printer: $1; the print tests are skipped (KELVORA_SKIP)"
    exit 0
    ;;
  esac
  echo "cups/start.sh: no PDF printer: $1 (set KELVORA_SKIP=printer to skip the print tests)" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || unavailable "needs root (cupsd and the cups-pdf backend run as root)"
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/backend/cups-pdf; do
  [ -x "$tool" ] || unavailable "$tool is missing (scripts/install-deps.sh)"
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -f "$ppd" ] || unavailable "$ppd is missing"

socket=$run/cups.sock
if [ ${#socket} -ge 100 ]; then
  echo "cups/start.sh: socket path too long for a Unix socket: $socket" >&2
  exit 1
fi
# One queue name per run folder, so that several build trees can print at once.
queue=kelvora-$(printf '%s' "$run" | md5sum | cut -c1-8)

mkdir -p "$run"/{etc/ppd,spool/tmp,cache,state,log,pdf,cups-pdf-spool}
chmod 755 "$run"
chmod 777 "$run/pdf"

cat >"$run/etc/cupsd.conf" <<CONF
LogLevel warn
Listen $socket
Browsing No
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

cat >"$run/etc/cups-files.conf" <<CONF
ServerRoot $run/etc
RequestRoot $run/spool
TempDir $run/spool/tmp
CacheDir $run/cache
StateDir $run/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
ErrorLog $run/log/error_log
AccessLog $run/log/access_log
PageLog $run/log/page_log
SystemGroup root
FileDevice No
CONF

cat >"/etc/cups/cups-pdf-$queue.conf" <<CONF
Out $run/pdf
AnonDirName $run/pdf
Spool $run/cups-pdf-spool
Log $run/log
LogType 3
Grp root
UserUMask 0022
DecodeHexStrings 1
CONF
echo "$queue" >"$run/queue"

# Close every inherited descriptor but the standard ones, so ctest does not wait for
# the daemon, and start it in the foreground of its own session: its PID is known.
for fd in $(ls /proc/$$/fd); do
  [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null || true
done
setsid /usr/sbin/cupsd -f -c "$run/etc/cupsd.conf" -s "$run/etc/cups-files.conf" \
  </dev/null >"$run/log/cupsd.out" 2>&1 &
echo $! >"$run/cupsd.pid"

for _ in $(seq 1 100); do [ -S "$socket" ] && break; sleep 0.1; done
if [ ! -S "$socket" ]; then
  echo "cups/start.sh: cupsd did not start" >&2
  cat "$run/log/cupsd.out" "$run/log/error_log" >&2 2>/dev/null || true
  exit 1
fi

export CUPS_SERVER=$socket
/usr/sbin/lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$ppd" 2>"$run/log/lpadmin.out" ||
  { cat "$run/log/lpadmin.out" >&2; exit 1; }
/usr/sbin/lpadmin -d "$queue"
echo "cups: queue $queue (default) on $socket, PDFs in $run/pdf"
