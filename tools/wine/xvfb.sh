# Sourced: start_xvfb NUMBER_FILE [LOG] starts Xvfb (1024x768, 24 bits) in the
# background on a display number it picks itself, which it writes to NUMBER_FILE. Sets
# XVFB_PID, and XVFB_DISPLAY to ":N" once the server is up; returns 1 when it did not
# come up within 10 seconds. Descriptors 8 and 9 (the callers' locks) are not passed on.
start_xvfb() {
  local file=$1 log=${2:-/dev/null} n
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp </dev/null >"$log" 2>&1 3>"$file" 8>&- 9>&- &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$file" ] && break
    sleep 0.1
  done
  n=$(tr -dc '0-9' <"$file")
  [ -n "$n" ] || return 1
  XVFB_DISPLAY=:$n
}
