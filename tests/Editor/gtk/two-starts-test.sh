#!/usr/bin/env bash
# Two programs started at the same moment on one session bus end with one of them running and
# both files in the store, however their starts interleave: the one that does not own the
# application's name hands its file over and ends with 0 once the owner has taken it. The pair is
# started round after round, as one order of the two starts is seen only now and then.
# Runs on its own session bus, in its own home and on a display of its own (tw_with_display).
#   two-starts-test.sh <tarnwick program> [rounds]
set -euo pipefail
program=$1
rounds=${2:-10}
source "$(dirname "$0")/../../support/program-home.sh"

run() {
  running=
  trap '[ -n "$running" ] && kill $running 2>/dev/null && wait $running 2>/dev/null; true' EXIT
  for round in $(seq 1 "$rounds"); do
    for name in A B; do
      cat >"$home/$name.opml" <<OPML
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>$name</title></head><body><outline text="Round $round $name"/></body></opml>
OPML
    done
    "$program" "$home/A.opml" >"$home/A.log" 2>&1 &
    a=$!
    "$program" "$home/B.opml" >"$home/B.log" 2>&1 &
    b=$!
    ended=
    for _ in $(seq 1 400); do
      kill -0 "$a" 2>/dev/null || { ended=$a; running=$b; ended_log=A; running_log=B; break; }
      kill -0 "$b" 2>/dev/null || { ended=$b; running=$a; ended_log=B; running_log=A; break; }
      sleep 0.05
    done
    [ -n "$ended" ] || { running="$a $b"; fail "round $round: neither start handed its file over"; }
    status=0
    wait "$ended" || status=$?
    [ "$status" = 0 ] || { cat "$home/$ended_log.log"; fail "round $round: the start that ended did so with $status"; }
    wait_for_frame "$home/$running_log.log"
    for name in A B; do
      for _ in $(seq 1 100); do
        grep -rlq "Round $round $name" "$store" && break
        sleep 0.05
      done
      grep -rlq "Round $round $name" "$store" || fail "round $round: the file of start $name is not in the store"
    done
    kill -0 "$running" 2>/dev/null || {
      cat "$home/A.log" "$home/B.log"
      fail "round $round: no program stayed running"
    }
    kill -TERM "$running"
    wait "$running" || fail "round $round: the program that stayed did not quit cleanly"
    running=
  done
  echo PASS
}
export -f run
export program rounds
dbus-run-session -- bash -c run
