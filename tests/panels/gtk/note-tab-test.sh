#!/usr/bin/env bash
# The note tab in the running program, with real key and pointer events: a note typed there is in
# the map the store holds once the user has gone back to the canvas and saved.
#   note-tab-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"

run() {
  command -v xdotool >/dev/null || fail "no xdotool"
  # The notes of the map file $1, one a line, read back through an XML parser.
  notes() {
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
for note in ET.parse(sys.argv[1]).getroot().iter("note"):
    print((note.text or "").replace("\n", "\\n"))
PY
  }
  "$program" >"$home/run.log" 2>&1 &
  pid=$!
  wait_for_frame "$home/run.log"
  window=$(timeout 10 xdotool search --sync --onlyvisible --class tarnwick | head -n 1 || true)
  [ -n "$window" ] || fail "no window"
  xdotool windowfocus --sync "$window"
  sleep 0.3
  map=$(grep -l 'text="Welcome"' "$store/Mind Maps/"*.twkx | head -n 1 || true)
  [ -n "$map" ] || fail "the store holds no getting-started map"

  # The note tab, then a click into its text: the inspector is the window's right-hand strip.
  xdotool key --window "$window" ctrl+2
  sleep 0.3
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --window "$window" $((WIDTH - 100)) $((HEIGHT / 2)) click 1
  sleep 0.3
  xdotool type --delay 60 'Ask Bea'
  sleep 0.3

  # Back on the canvas: the note is the map's, and saved with it.
  xdotool mousemove --window "$window" $((WIDTH / 3)) $((HEIGHT / 2)) click 1
  sleep 0.3
  xdotool key --window "$window" ctrl+s
  # The save is waited for, not given a time: a busy machine writes the map late.
  for _ in $(seq 1 300); do
    notes "$map" 2>/dev/null | grep -q 'Ask Bea' && break
    sleep 0.1
  done
  notes "$map" | grep -q 'Ask Bea' || { notes "$map"; fail "the typed note is not in the saved map"; }
  xdotool key --window "$window" ctrl+shift+w
  timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not end"
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
