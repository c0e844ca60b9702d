#!/usr/bin/env bash
# The window as a screen reader reads it, with real key events: each row of the outline is named
# after its topic, with its level and whether it is open, after a topic is added, typed into,
# deleted and brought back by undo; and every button of the window has a name.
#   outline-accessible-test.sh <tarnwick program> <tw_accessible_names>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
unset NO_AT_BRIDGE
export names=$2
cat >"$home/Plan.opml" <<'OPML'
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>Plan</title></head><body>
<outline text="Plan"><outline text="First"/><outline text="Second"><outline text="Deep"/></outline></outline>
</body></opml>
OPML

run() {
  command -v xdotool >/dev/null || fail "no xdotool"
  # Waits until the outline's rows read as $1: "<level> <fold> <name>" a line.
  wait_for_rows() {
    local rows=
    for _ in $(seq 1 100); do
      rows=$("$names" "$pid" rows Outline 2>/dev/null | tr '\t' ' ' || true)
      [ "$rows" = "$1" ] && return 0
      sleep 0.1
    done
    printf 'the outline reads:\n%s\nnot:\n%s\n' "$rows" "$1"
    return 1
  }
  "$program" "$home/Plan.opml" >"$home/app.log" 2>&1 &
  pid=$!
  wait_for_frame "$home/app.log"
  window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" --classname '^tarnwick$' | head -n 1 || true)
  [ -n "$window" ] || fail "no window"
  xdotool windowfocus --sync "$window"

  tree='1 expanded Plan
2 - First
2 expanded Second
3 - Deep'
  wait_for_rows "$tree" || fail "the outline does not read as the map"

  # The theme is selected: Tab adds a child, named as the outline shows it while empty, then as
  # typed.
  xdotool key --window "$window" Tab
  wait_for_rows "$tree
2 - (empty topic)" || fail "the added row has no name"
  xdotool type --delay 80 Added
  xdotool key --window "$window" Return
  wait_for_rows "$tree
2 - Added" || fail "the typed row is not named after its text"

  # Deleted, the row goes and the others keep their names; undo brings it back, named.
  xdotool key --window "$window" Delete
  wait_for_rows "$tree" || fail "the outline does not read as the map after a delete"
  xdotool key --window "$window" ctrl+z
  wait_for_rows "$tree
2 - Added" || fail "the row brought back is not named"

  buttons=$("$names" "$pid" buttons) || fail "the buttons could not be read"
  [ "$(grep -c . <<<"$buttons")" -gt 10 ] || fail "too few buttons read: $buttons"
  unnamed=$(grep -P '^[a-z]+\t$' <<<"$buttons" || true)
  [ -z "$unnamed" ] || fail "buttons without a name: $(tr '\n\t' ', ' <<<"$unnamed")"

  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
