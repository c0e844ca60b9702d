#!/usr/bin/env bash
# A program that owns the store and cannot be reached (no session bus) keeps it to itself: a second
# start tells the user the store is in use, on standard error and, with a display, in an alert,
# names its file as not opened, ends with status 3 and writes nothing; the first one's maps are all
# still listed when it quits. A holder of the same session that does not let go (a quitting
# program hung on its store) is waited for, and after a moment the start says so, naming the store
# and the holder's process, on standard error and in a window whose Quit (no default button: Tab
# reaches it) ends it with status 3, writing nothing; once the holder lets go, the start goes on
# and opens its file.
#   store-in-use-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
first=
trap '[ -n "$first" ] && kill "$first" 2>/dev/null && wait "$first" 2>/dev/null; rm -rf "$home"' EXIT
# No session bus, and none started for the program either.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus

cat >"$home/outline.opml" <<'OPML'
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>Second</title></head><body><outline text="Second program"/></body></opml>
OPML

"$program" >"$home/first.log" 2>&1 &
first=$!
for _ in $(seq 1 200); do
  grep -q tarnwick-first-frame "$home/first.log" && break
  sleep 0.05
done
grep -q tarnwick-first-frame "$home/first.log" || { cat "$home/first.log"; fail "the first program shows no frame"; }
# The first program writes its settings and store index after its first frame, and the explorer
# the map's thumbnail once it has painted it, all later on a loaded machine: the marker is set once
# the thumbnail is there (10 s at most) and nothing has changed for a second.
for _ in $(seq 1 100); do
  compgen -G "$home/data/Tarnwick/Caches/*-tn.png" >/dev/null && break
  sleep 0.1
done
settled=
for _ in $(seq 1 20); do
  touch "$home/marker"
  sleep 1
  [ -z "$(find "$home/data" "$home/config" -newer "$home/marker" -print)" ] && { settled=1; break; }
done
[ -n "$settled" ] || fail "the first program kept writing for 20 seconds after its first frame"

# Without a display: a message and the status, nothing else.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$program" "$home/outline.opml" >"$home/headless.log" 2>&1 || status=$?
[ "$status" = 3 ] || { cat "$home/headless.log"; fail "without a display the second start ended with $status, not 3"; }
grep -q "The map store is in use by another Tarnwick." "$home/headless.log" || fail "no message on standard error"
grep -q "$store" "$home/headless.log" || fail "the message does not name the store"
grep -qF "Not opened: $home/outline.opml" "$home/headless.log" || fail "the message does not name the file"

# With a display: an alert, the one window that was not there before, answered with Return.
before=$(xdotool search --onlyvisible --class tarnwick | sort)
"$program" "$home/outline.opml" >"$home/second.log" 2>&1 &
second=$!
alert=
for _ in $(seq 1 200); do
  alert=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --class tarnwick | sort) | head -n 1)
  [ -n "$alert" ] && break
  sleep 0.05
done
[ -n "$alert" ] || fail "the second start shows no alert"
xdotool windowfocus --sync "$alert" key Return
status=0
timeout 20 tail --pid="$second" -f /dev/null || fail "the second program did not end after the alert"
wait "$second" || status=$?
[ "$status" = 3 ] || { cat "$home/second.log"; fail "with a display the second start ended with $status, not 3"; }

changed=$(find "$home/data" "$home/config" -newer "$home/marker" -print)
[ -z "$changed" ] || fail "the second starts wrote: $changed"
grep -rlq 'Second program' "$store" && fail "the second start imported its file"

kill -0 "$first" || fail "the first program ended"
kill -TERM "$first"
wait "$first" || fail "the first program did not quit cleanly"
first=
grep -q 'text="Welcome"' "$store/Mind Maps/"*.twkx || fail "the first program's map is gone"

held() {
  # The lock, and a record naming a live process of this session as its holder.
  python3 -c 'import fcntl, sys, time
lock = open(sys.argv[1], "a")
fcntl.flock(lock, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(600)' "$store/.tarnwick.lock" >"$home/holder.log" &
  holder=$!
  trap 'kill $holder $waiting 2>/dev/null; true' EXIT
  for _ in $(seq 1 100); do
    grep -q held "$home/holder.log" && break
    sleep 0.05
  done
  # The session a claim records is the bus's server id, which its address carries.
  session=${DBUS_SESSION_BUS_ADDRESS##*guid=}
  session=${session%%,*}
  printf '%s %s\n' "$holder" "$session" >"$store/.tarnwick.lock"
  for answer in quit let-go; do
    touch "$home/marker"
    "$program" "$home/outline.opml" >"$home/waiting.log" 2>&1 &
    waiting=$!
    window=
    for _ in $(seq 1 200); do
      window=$(xdotool search --onlyvisible --pid "$waiting" 2>/dev/null | head -n 1 || true)
      [ -n "$window" ] && break
      sleep 0.05
    done
    [ -n "$window" ] || { cat "$home/waiting.log"; fail "the start that waits for the store shows no window"; }
    grep -q "Waiting for the map store" "$home/waiting.log" || { cat "$home/waiting.log"; fail "nothing said on standard error"; }
    grep -qF "(process $holder)" "$home/waiting.log" || fail "the holder is not named"
    grep -qF "$store" "$home/waiting.log" || fail "the store is not named"
    if [ "$answer" = quit ]; then
      # The window has no default button: Tab reaches Quit, which Return presses. Keys sent before
      # the window had the focus are sent again.
      for _ in $(seq 1 10); do
        timeout 5 xdotool windowfocus --sync "$window" key Tab Return >/dev/null 2>&1 || true
        timeout 2 tail --pid="$waiting" -f /dev/null && break
      done
      status=0
      wait "$waiting" || status=$?
      [ "$status" = 3 ] || { cat "$home/waiting.log"; fail "Quit while waiting for the store ended with $status"; }
      grep -qF "Not opened: $home/outline.opml" "$home/waiting.log" || fail "Quit does not name the file"
      changed=$(find "$home/data" "$home/config" -newer "$home/marker" -print)
      [ -z "$changed" ] || fail "the start that quit while waiting wrote: $changed"
    else
      kill "$holder"
      wait_for_frame "$home/waiting.log"
      for _ in $(seq 1 100); do
        grep -rlq 'Second program' "$store" && break
        sleep 0.05
      done
      grep -rlq 'Second program' "$store" || fail "the start that waited did not open its file"
      kill -TERM "$waiting"
      wait "$waiting" || fail "the start that waited did not quit cleanly"
    fi
  done
}
export -f held
export program store home
dbus-run-session -- bash -c held
echo PASS
