#!/usr/bin/env bash
# With real key events, each outline row reads as its topic, level and fold also after an add, a
# rename, a delete and an undo; and every button of the window has a name.
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
  "$program" "$home/Plan.opml" >"$home/app.log" 2>&1 &
  pid=$!
  wait_for_frame "$home/app.log"
  window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" --classname '^tarnwick$' | head -n 1 || true)
  [ -n "$window" ] || fail "no window"
  xdotool windowfocus --sync "$window"
  # Runs xdotool with $1, then waits until the outline's rows read as $2: "<level> <fold> <name>".
  step() {
    [ -z "$1" ] || xdotool $1
    local read=
    for _ in $(seq 1 100); do
      read=$("$names" "$pid" rows Outline 2>/dev/null | tr '\t' ' ' || true)
      [ "$read" = "$2" ] && return 0
      sleep 0.1
    done
    fail "after '$1' the outline reads:"$'\n'"$read"$'\n'"not:"$'\n'"$2"
  }
  tree=$'1 expanded Plan\n2 - First\n2 expanded Second\n3 - Deep'
  added=$tree$'\n2 - Added'
  step "" "$tree"
  # The theme is selected: Tab adds a child, read as the outline shows it while empty.
  step "key --window $window Tab" "$tree"$'\n2 - (empty topic)'
  xdotool type --delay 80 Added
  step "key --window $window Return" "$added"
  step "key --window $window Delete" "$tree"
  step "key --window $window ctrl+z" "$added"

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
