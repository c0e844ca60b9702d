#!/usr/bin/env bash
# The map style dialog in the running program, with real key and pointer events: opened from the
# Style menu, Apply writes the numbering while the dialog stays open and Cancel keeps it, as one
# undo step; OK writes another choice.
#   map-style-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"

run() {
  command -v xdotool >/dev/null || fail "no xdotool"
  numbering() {
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
print(ET.parse(sys.argv[1]).getroot().find(".//auto-numbering").get("style"))
PY
  }
  save() {
    xdotool key --window "$window" ctrl+s
    sleep 0.5
  }
  dialog_shown() { xdotool search --onlyvisible --name "Mind Map Style" >/dev/null 2>&1; }
  # The map style item closes the Style menu, the fourth menu of the bar.
  open_dialog() {
    xdotool key --window "$window" F10
    sleep 0.4
    xdotool key Right Right Right
    sleep 0.3
    xdotool key Up Return
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "Mind Map Style" | head -n 1 || true)
    [ -n "$dialog" ] || fail "the map style dialog did not open"
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
  }
  # Apply, Cancel and OK sit at the bottom right, in that order.
  click_button() {
    xdotool mousemove $((X + WIDTH - $1)) $((Y + HEIGHT - 30)) click 1
    sleep 0.5
  }
  # The numbering radios of the first tab, counted from 0.
  click_radio() {
    xdotool mousemove $((X + 161)) $((Y + 138 + 27 * $1)) click 1
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
  [ "$(numbering "$map")" = "disabled" ] || fail "unexpected start: $(numbering "$map")"

  open_dialog
  click_radio 1
  click_button 236
  dialog_shown || fail "Apply closed the dialog"
  click_button 145
  dialog_shown && fail "Cancel left the dialog open"
  save
  [ "$(numbering "$map")" = "inside" ] || fail "after Apply and Cancel: $(numbering "$map")"

  xdotool key --window "$window" ctrl+z
  sleep 0.3
  save
  [ "$(numbering "$map")" = "disabled" ] || fail "after one undo: $(numbering "$map")"

  open_dialog
  click_radio 2
  click_button 57
  dialog_shown && fail "OK left the dialog open"
  save
  [ "$(numbering "$map")" = "below" ] || fail "after OK: $(numbering "$map")"
  xdotool key --window "$window" ctrl+shift+w
  timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not end"
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
