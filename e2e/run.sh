#!/usr/bin/env bash
# End-to-end scenarios: starts the built Kelvora.exe under Wine and uses it from
# outside with the mouse and keyboard (xdotool), as a person would, then reads what
# it wrote (saved RTF files, printed PDFs, Kelvora.ini, the title bar).
#
#   e2e/run.sh BUILD_DIR                 every scenario
#   e2e/run.sh BUILD_DIR 2 5             only scenarios 2 and 5
#   e2e/run.sh BUILD_DIR --screenshots   (re)takes the README's pictures instead
#
# Runs on its own Xvfb display, in Wine's virtual desktop, in a throwaway Wine prefix
# (BUILD_DIR/e2e-prefix, made once) with one persistent wineserver; each scenario
# starts the program afresh in a new start directory under /tmp. Logs, saved files
# and a screenshot of every failure are kept in BUILD_DIR/e2e-output/. Nothing is
# left running afterwards. The print scenario prints on a private CUPS queue that
# writes PDFs (tools/cups), which needs root; without it that scenario fails, unless
# KELVORA_SKIP names "printer" (a scenario that needs xclip: "clipboard").
# Two runs on the same BUILD_DIR at once are not supported (they share the prefix).
set -uo pipefail

E2E=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$E2E/.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [--screenshots | SCENARIO_NUMBER...]" >&2; exit 2; }
BUILD=$(cd "$1" && pwd) || exit 2
shift
SCREENSHOTS=0
SELECTED=()
for arg in "$@"; do
  case $arg in
    --screenshots) SCREENSHOTS=1 ;;
    [1-9] | [1-9][0-9]) SELECTED+=("$arg") ;;
    *) echo "e2e: unknown argument $arg" >&2; exit 2 ;;
  esac
done

for tool in Xvfb xdotool xwininfo import unrtf pdftotext python3; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
[ -f "$BUILD/Kelvora.exe" ] || { echo "e2e: $BUILD/Kelvora.exe is not built" >&2; exit 1; }

. "$E2E/lib/session.sh"
. "$E2E/lib/drive.sh"
. "$E2E/scenarios.sh"
. "$E2E/screenshots.sh"

OUT=$BUILD/e2e-output
rm -rf "$OUT"
mkdir -p "$OUT"

# One folder under /tmp for the run. The tree reaches it by its first letter, so that
# letter is one that no other folder in /tmp begins with (see tree_go).
RUN=
for first in q x j y v z u w 0 1 2 3 4 5 6 7 8 9 f g i n; do
  [ -z "$(find /tmp -mindepth 1 -maxdepth 1 -iname "$first*" 2>/dev/null)" ] || continue
  RUN=/tmp/${first}kve2e$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
  mkdir "$RUN" 2>/dev/null && break
  RUN=
done
[ -n "$RUN" ] || { echo "e2e: could not make a run folder under /tmp" >&2; exit 1; }

cleanup() {
  stop_session
  rm -rf "$RUN"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

close_inherited_fds
start_display || exit 1
start_wine || exit 1
echo "e2e: display $DISPLAY, prefix $WINEPREFIX, output in $OUT"

if [ "$SCREENSHOTS" = 1 ]; then
  SCEN_OUT=$OUT/screenshots
  mkdir -p "$SCEN_OUT"
  start_printer
  if (trap stop_program EXIT; take_screenshots "$ROOT/docs/screenshots" "$ROOT/help") >"$SCEN_OUT/log" 2>&1; then
    echo "e2e: screenshots written to $ROOT/docs/screenshots and $ROOT/help"
    exit 0
  fi
  cat "$SCEN_OUT/log" >&2
  exit 1
fi

wants() {
  [ ${#SELECTED[@]} -eq 0 ] && return 0
  local n
  for n in "${SELECTED[@]}"; do [ "$n" = "$1" ] && return 0; done
  return 1
}

if wants 7; then
  start_printer
fi

passed=0 failed=0 skipped=0
started=$SECONDS
for fn in "${SCENARIOS[@]}"; do
  n=${fn#scenario_}
  n=${n%%_*}
  wants "$n" || continue
  name=${fn#scenario_}
  SCEN_OUT=$OUT/$name
  # Named by its number alone, so it is the only subfolder of RUN with that letter.
  WORK=$RUN/$n
  mkdir -p "$SCEN_OUT" "$WORK/start" "$WORK/data"
  t0=$SECONDS
  (
    trap 'rc=$?; stop_program || rc=1; cp -r "$WORK"/*.rtf "$WORK"/*.txt "$WORK"/*.pdf "$WORK/start/Kelvora.ini" "$SCEN_OUT"/ 2>/dev/null; exit $rc' EXIT
    "$fn"
  ) >"$SCEN_OUT/log" 2>&1
  rc=$?
  took=$((SECONDS - t0))
  case $rc in
    0) passed=$((passed + 1)); echo "PASS  $name (${took}s)" ;;
    77) skipped=$((skipped + 1)); echo "SKIP  $name: $(grep '^SKIP:' "$SCEN_OUT/log" | sed 's/^SKIP: //')" ;;
    *)
      failed=$((failed + 1))
      echo "FAIL  $name (${took}s), log and screenshot in $SCEN_OUT:"
      sed 's/^/      /' "$SCEN_OUT/log" | tail -n 25
      ;;
  esac
done
echo "e2e: $passed passed, $failed failed, $skipped skipped in $((SECONDS - started))s"
[ "$failed" -eq 0 ]
