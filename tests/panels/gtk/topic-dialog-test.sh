#!/usr/bin/env bash
# The topic dialog in the running program, with real key and pointer events: opened from the Edit
# menu, a typed text and a ticked style box reach the saved map as one undo step; Cancel after
# another change leaves the map as it was.
#   topic-dialog-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"

run() {
  command -v xdotool >/dev/null || fail "no xdotool"
  # The first central theme of map file $1: its text and whether it carries its own fill colour.
  theme() {
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
topic = next(ET.parse(sys.argv[1]).getroot().iter("topic"))
print(topic.get("text"), "fill" if topic.find("fillcolor") is not None else "nofill")
PY
  }
  save() {
    xdotool key --window "$window" ctrl+s
    sleep 0.5
  }
  # Properties is the fifth item from the end of the Edit menu, the third menu of the bar.
  open_dialog() {
    xdotool key --window "$window" F10
    sleep 0.4
    xdotool key Right Right
    sleep 0.3
    xdotool key Up Up Up Up Up Return
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "Topic Properties" | head -n 1 || true)
    [ -n "$dialog" ] || fail "the topic dialog did not open"
    sleep 0.3
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
  [ "$(theme "$map")" = "Welcome nofill" ] || fail "unexpected start: $(theme "$map")"

  # The text replaced, then the first box of the style tab ticked, then OK.
  open_dialog
  xdotool key ctrl+a
  xdotool type --delay 40 'Renamed'
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove $((X + 100)) $((Y + 17)) click 1
  sleep 0.3
  xdotool key Tab space
  sleep 0.2
  xdotool mousemove $((X + WIDTH - 45)) $((Y + HEIGHT - 17)) click 1
  sleep 0.5
  save
  [ "$(theme "$map")" = "Renamed fill" ] || fail "after OK: $(theme "$map")"

  # One undo step takes both back; redo brings both.
  xdotool key --window "$window" ctrl+z
  sleep 0.3
  save
  [ "$(theme "$map")" = "Welcome nofill" ] || fail "after one undo: $(theme "$map")"
  xdotool key --window "$window" ctrl+shift+z
  sleep 0.3
  save
  [ "$(theme "$map")" = "Renamed fill" ] || fail "after redo: $(theme "$map")"

  # Typed, then cancelled: nothing changes.
  open_dialog
  xdotool key ctrl+a
  xdotool type --delay 40 'Dropped'
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove $((X + WIDTH - 125)) $((Y + HEIGHT - 17)) click 1
  sleep 0.5
  save
  [ "$(theme "$map")" = "Renamed fill" ] || fail "after Cancel: $(theme "$map")"
  xdotool key --window "$window" ctrl+shift+w
  timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not end"
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
