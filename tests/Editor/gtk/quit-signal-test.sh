#!/usr/bin/env bash
# SIGTERM quits as the Quit item does, also while an alert runs its own loop: the map is committed,
# the map to reopen is remembered, and the next start reopens it; SIGHUP does the same. A quit by
# signal that cannot write everything says so on standard error and ends.
#   quit-signal-test.sh <tarnwick program> <tw_map_title>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
# The open map is read from the canvas's accessible name.
unset NO_AT_BRIDGE
export map_title=$2

cat >"$home/outline.opml" <<'OPML'
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>Handed over</title></head>
<body><outline text="Handed over"><outline text="Last edit"/></outline></body></opml>
OPML
printf 'not an outline at all' >"$home/broken.opml"

run() {
  "$program" >"$home/first.log" 2>&1 &
  first=$!
  trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null || true' EXIT
  wait_for_frame "$home/first.log"
  # The map change: a file handed to the running program is imported and opened.
  timeout 20 "$program" "$home/outline.opml" || fail "the hand-over did not end"
  for _ in $(seq 1 100); do
    grep -rlq --exclude='.*' 'Last edit' "$store" && break
    sleep 0.05
  done
  # A write under way has a temporary file beside the map's: only the map's own name counts.
  map=$(grep -rl --exclude='.*' 'Last edit' "$store/Mind Maps" | head -n 1)
  [ -n "$map" ] || fail "the file was not imported"
  guid=$(basename "$map" .twkx)

  # A file that cannot be imported: the error is an alert, which runs a loop of its own.
  windows=$(xdotool search --onlyvisible --class tarnwick | wc -l)
  # The start says that the file was not opened.
  status=0
  timeout 20 "$program" "$home/broken.opml" || status=$?
  [ "$status" = 3 ] || fail "the second hand-over ended with $status"
  for _ in $(seq 1 200); do
    [ "$(xdotool search --onlyvisible --class tarnwick | wc -l)" -gt "$windows" ] && break
    sleep 0.05
  done
  [ "$(xdotool search --onlyvisible --class tarnwick | wc -l)" -gt "$windows" ] || fail "no alert for the broken file"

  kill -TERM "$first"
  status=0
  timeout 15 tail --pid="$first" -f /dev/null || fail "SIGTERM during the alert did not quit within 15 s"
  wait "$first" || status=$?
  trap - EXIT
  [ "$status" = 0 ] || { cat "$home/first.log"; fail "the program ended with $status after SIGTERM"; }
  grep -q 'Last edit' "$map" || fail "the map file lost its content"
  [ "$(reopen_id)" = "$guid" ] || fail "the map to reopen is '$(reopen_id)', not the open map $guid"

  # The next start reopens that map; SIGHUP quits it the same way.
  "$program" >"$home/second.log" 2>&1 &
  second=$!
  wait_for_frame "$home/second.log"
  wait_for_map "$second" 'Handed over' ||
    fail "the next start does not show the map 'Handed over'"
  kill -HUP "$second"
  status=0
  wait "$second" || status=$?
  [ "$status" = 0 ] || fail "the program ended with $status after SIGHUP"
  [ "$(reopen_id)" = "$guid" ] || fail "after SIGHUP the map to reopen is '$(reopen_id)'"

  # A quit that cannot write the list of recently opened maps, whose folder is now a file: SIGTERM
  # ends the program all the same, saying so on standard error, as nobody may be there to answer
  # an alert.
  "$program" >"$home/third.log" 2>&1 &
  third=$!
  trap 'kill "$third" 2>/dev/null; wait "$third" 2>/dev/null; rm -f "$store/AppSupport"; true' EXIT
  wait_for_frame "$home/third.log"
  mv "$store/AppSupport" "$home/AppSupport"
  touch "$store/AppSupport"
  kill -TERM "$third"
  timeout 15 tail --pid="$third" -f /dev/null || fail "SIGTERM with an alert due at the quit did not end the program"
  status=0
  wait "$third" || status=$?
  trap - EXIT
  [ "$status" = 0 ] || { cat "$home/third.log"; fail "the program ended with $status after SIGTERM"; }
  grep -q "The list of recently opened maps" "$home/third.log" || { cat "$home/third.log"; fail "what was not saved is not said"; }
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
