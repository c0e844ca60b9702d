#!/usr/bin/env bash
# A first start with an empty store imports the getting-started map and shows it. A later start
# hands the file it was given to the running program and ends with 0 only once the file is in the
# store, however that program is interrupted along its answer: killed as soon as the start has
# ended, killed or told to quit while the start waits (the start then takes over and opens the file
# itself, or ends with another status and names the file). A running program stopped for longer
# than the bus lets a call wait (this bus gives up after half a second, as GLib's own calls do after
# 25 s) is waited for, as the start says on standard error and in a window; once it is resumed the
# file arrives, once; told to quit as it is resumed, it either takes the file or leaves it to the start,
# never both. A start whose user stops waiting names its file, which is not opened later.
# No start prints a warning of GLib's.
# Runs on its own session bus, in its own home and on a display of its own (tw_with_display).
#   single-instance-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"

cat >"$home/bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <limit name="reply_timeout">500</limit>
</busconfig>
CONF

run() {
  owner=
  start=
  trap 'for p in $owner $start; do kill -CONT "$p"; kill "$p"; wait "$p"; done 2>/dev/null || true' EXIT
  # An outline of the given number of branches of 99 topics. Handed over to be killed along its
  # answer, it keeps the running program busy for a while: an answer sent before the import comes
  # well ahead of the map.
  make_file() {
    python3 - "$home/$1.opml" "$1" "${2:-0}" <<'PY'
import sys
path, marker, branches = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(path, "w") as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<opml version="2.0"><head><title>%s</title></head>'
              '<body><outline text="%s">' % (marker, marker))
    for branch in range(branches):
        out.write('<outline text="Branch %d">%s</outline>' % (branch, "".join(
            '<outline text="Topic %d"/>' % topic for topic in range(99))))
    out.write("</outline></body></opml>\n")
PY
  }
  maps_with() { grep -rl --include='*.twkx' "text=\"$1\"" "$store/Mind Maps" | wc -l; }
  start_owner() {
    "$program" >"$home/owner.log" 2>&1 &
    owner=$!
    wait_for_frame "$home/owner.log"
  }
  # The start has ended (its status in $status) or has taken over and shows its window.
  settle() {
    for _ in $(seq 1 400); do
      kill -0 "$start" 2>/dev/null || break
      grep -q tarnwick-first-frame "$home/start.log" && break
      sleep 0.05
    done
    wait "$owner" 2>/dev/null || true
    owner=
    if kill -0 "$start" 2>/dev/null; then
      grep -q tarnwick-first-frame "$home/start.log" || fail "$1: the start neither ended nor took over"
      for _ in $(seq 1 200); do
        [ "$(maps_with "$1")" -ge 1 ] && break
        sleep 0.05
      done
      [ "$(maps_with "$1")" -ge 1 ] || fail "$1: the start that took over did not open its file"
      owner=$start
      start=
      return 0
    fi
    status=0
    wait "$start" || status=$?
    start=
    if [ "$status" = 0 ]; then
      [ "$(maps_with "$1")" -ge 1 ] || { cat "$home/start.log"; fail "$1: the start ended with 0 and the file is not in the store"; }
    else
      grep -qF "Not opened: $home/$1.opml" "$home/start.log" ||
        { cat "$home/start.log"; fail "$1: the start ended with $status without naming its file"; }
    fi
  }
  # GTK holds the whole display for a moment around some of its pointer queries; a program stopped
  # in that moment would hold it until resumed, and no other program could open a window. So the
  # running program is stopped again, after a moment to go on, until the display still answers.
  stop_owner() {
    for _ in $(seq 1 50); do
      kill -STOP "$owner"
      timeout 2 xdotool getmouselocation >/dev/null 2>&1 && return 0
      kill -CONT "$owner"
      sleep 0.1
    done
    fail "$1: the running program holds the display whenever it is stopped"
  }
  wait_for_window() {
    window=
    for _ in $(seq 1 200); do
      window=$(timeout 5 xdotool search --onlyvisible --pid "$start" 2>/dev/null | head -n 1 || true)
      [ -n "$window" ] && return 0
      sleep 0.05
    done
    cat "$home/start.log"
    fail "$1: the waiting start shows no window"
  }

  start_owner
  grep -rlq 'text="Welcome"' "$store" || fail "the getting-started map is not in the store"

  for round in answered killed-when-answered killed-0.05 killed-0.15 killed-0.3 quit-0.1 stopped stopped-quit given-up; do
    case $round in killed-* | quit-*) make_file "$round" 50 ;; *) make_file "$round" ;; esac
    [ -n "$owner" ] || start_owner
    case $round in stopped* | given-up) stop_owner "$round" ;; esac
    "$program" "$home/$round.opml" >"$home/start.log" 2>&1 &
    start=$!
    case $round in
      answered | killed-when-answered)
        status=0
        wait "$start" || status=$?
        start=
        [ "$status" = 0 ] || { cat "$home/start.log"; fail "$round: the start ended with $status"; }
        if [ "$round" = answered ]; then
          kill -0 "$owner" || fail "$round: the running program ended"
        else
          kill -9 "$owner"
          wait "$owner" || true
          owner=
        fi
        [ "$(maps_with "$round")" = 1 ] || fail "$round: the start ended with 0 and the file is not in the store once"
        ;;
      killed-*)
        sleep "${round#killed-}"
        kill -9 "$owner"
        settle "$round"
        ;;
      quit-*)
        sleep "${round#quit-}"
        kill -TERM "$owner"
        settle "$round"
        ;;
      stopped)
        wait_for_window "$round"
        grep -q "Waiting for the Tarnwick that is already running" "$home/start.log" || fail "$round: nothing said on standard error"
        grep -q "(process $owner)" "$home/start.log" || fail "$round: the running program is not named"
        kill -CONT "$owner"
        status=0
        wait "$start" || status=$?
        start=
        [ "$status" = 0 ] || { cat "$home/start.log"; fail "$round: the start ended with $status once the owner was resumed"; }
        [ "$(maps_with "$round")" = 1 ] || fail "$round: the file is not in the store once"
        ;;
      stopped-quit)
        # The quit and the hand-over wait side by side for the resumed program.
        wait_for_window "$round"
        kill -TERM "$owner"
        kill -CONT "$owner"
        settle "$round"
        [ "$(maps_with "$round")" -le 1 ] || { cat "$home/start.log"; fail "$round: the file was opened twice"; }
        ;;
      given-up)
        wait_for_window "$round"
        xdotool windowfocus --sync "$window" key Return
        status=0
        wait "$start" || status=$?
        start=
        [ "$status" = 3 ] || { cat "$home/start.log"; fail "$round: the start that stopped waiting ended with $status"; }
        grep -qF "Not opened: $home/$round.opml" "$home/start.log" || fail "$round: the file is not named"
        kill -CONT "$owner"
        # The next hand-over is taken after the one given up, which is then long decided.
        make_file after-given-up
        timeout 20 "$program" "$home/after-given-up.opml" || fail "$round: the next hand-over failed"
        [ "$(maps_with after-given-up)" = 1 ] || fail "$round: the next hand-over's file is not in the store"
        [ "$(maps_with "$round")" = 0 ] || fail "$round: the file of the start that stopped waiting was opened"
        ;;
    esac
    ! grep -q 'GLib' "$home/start.log" || { cat "$home/start.log"; fail "$round: GLib warned"; }
  done
  [ -n "$owner" ] || start_owner
  kill -TERM "$owner"
  wait "$owner" || fail "the running program did not quit cleanly"
  owner=
  echo PASS
}
export -f run
export program
dbus-run-session --config-file="$home/bus.conf" -- bash -c run
