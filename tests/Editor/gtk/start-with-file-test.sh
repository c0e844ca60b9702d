#!/usr/bin/env bash
# A start with a file opens the file's map at once, and leaves the rest as a start without one
# would: a first start still puts the getting-started map in the store, and the map open at the
# last quit is the one Back returns to. A start whose file does not open shows the map open at the
# last quit, as a start without files does, and says why in an alert over it.
#   start-with-file-test.sh <tarnwick program> <tw_map_title>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
export TARNWICK_QUIT_AFTER_FIRST_FRAME=1
# The open map is read from the canvas's accessible name, where a start asks for it.
export map_title=$2
for name in First Second; do
  cat >"$home/$name.opml" <<OPML
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>$name</title></head><body><outline text="$name outline"/></body></opml>
OPML
done

run() {
  guid_of() { basename "$(grep -l "$1" "$store/Mind Maps/"*.twkx | head -n 1)" .twkx; }

  timeout 60 "$program" "$home/First.opml" >"$home/first.log" 2>&1 || { cat "$home/first.log"; fail "the first start did not quit"; }
  grep -q tarnwick-first-frame "$home/first.log" || fail "no frame"
  first=$(guid_of 'First outline')
  [ -n "$first" ] || fail "the file was not imported"
  [ "$(reopen_id)" = "$first" ] || fail "the first start did not show the file's map"
  grep -lq 'text="Welcome"' "$store/Mind Maps/"*.twkx || fail "the first start left no getting-started map"

  timeout 60 "$program" "$home/Second.opml" >"$home/second.log" 2>&1 || fail "the second start did not quit"
  second=$(guid_of 'Second outline')
  [ "$(reopen_id)" = "$second" ] || fail "the second start did not show the file's map"
  grep -q "$first" "$store/AppSupport/navigation-history.bin" || fail "the map open before is not in the history"
  [ "$(grep -l 'text="Welcome"' "$store/Mind Maps/"*.twkx | wc -l)" = 1 ] || fail "the getting-started map was imported again"

  printf 'not an outline at all' >"$home/Broken.opml"
  env -u NO_AT_BRIDGE -u TARNWICK_QUIT_AFTER_FIRST_FRAME "$program" "$home/Broken.opml" >"$home/broken.log" 2>&1 &
  broken=$!
  trap 'kill "$broken" 2>/dev/null; wait "$broken" 2>/dev/null || true' EXIT
  shown() { xdotool search --onlyvisible --pid "$broken" 2>/dev/null | wc -l; }
  for _ in $(seq 1 400); do
    [ "$(shown)" -ge 2 ] && break
    sleep 0.05
  done
  [ "$(shown)" -ge 2 ] || { cat "$home/broken.log"; fail "no alert says why the file did not open"; }
  wait_for_map "$broken" "Second outline" ||
    fail "the start whose file did not open shows '$("$map_title" "$broken")' behind its alert, not the map of the last quit"
  kill -TERM "$broken"
  wait "$broken" || fail "the start whose file did not open did not quit"
  trap - EXIT

  # A home given relative to the working folder (HOME=.) opens the file as an absolute one does.
  mkdir -p "$home/relative/.config"
  mark_new_features_seen "$(dirname "$program")/.." "$home/relative/.config"
  (cd "$home/relative" && HOME=. XDG_DATA_HOME= XDG_CONFIG_HOME= XDG_CACHE_HOME= \
    timeout 60 "$program" "$home/First.opml" >"$home/relative.log" 2>&1) || fail "the start with a relative home did not quit"
  relative=$(basename "$(grep -l 'First outline' "$home/relative/.local/share/Tarnwick/Mind Maps/"*.twkx | head -n 1)" .twkx)
  [ -n "$relative" ] || fail "the start with a relative home did not import the file"
  [ "$(XDG_CONFIG_HOME=$home/relative/.config reopen_id)" = "$relative" ] ||
    fail "the start with a relative home did not show the file's map"
  echo PASS
}
export -f run mark_new_features_seen
export program map_title
dbus-run-session -- bash -c run
