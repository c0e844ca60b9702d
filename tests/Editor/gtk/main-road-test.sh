#!/usr/bin/env bash
# A new user's first steps, with real key events: the first start shows the getting-started map,
# Tab adds a child of the selected theme and opens it for typing, text with letters beyond ASCII
# lands in it, closing the window saves it, the next start reopens the same map with
# the edit, and a SIGKILL right after Ctrl+S leaves every file of the store whole.
#   main-road-test.sh <tarnwick program> <tw_map_title>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
# The open map is read from the canvas's accessible name.
unset NO_AT_BRIDGE
export map_title=$2

run() {
  command -v xdotool >/dev/null || fail "no xdotool"
  command -v xmodmap >/dev/null || fail "no xmodmap"
  # The letters the display's keyboard lacks are given keys of their own before the program reads
  # the keyboard. Otherwise xdotool lends a key to each such letter only while it types it, and a
  # program that reads that key's mapping after it was taken back drops the letter.
  xmodmap -e 'keycode any = udiaeresis Udiaeresis' -e 'keycode any = ssharp' -e 'keycode any = eacute Eacute'
  # The parent of the topic whose text is $2 in map file $1, and the map's main theme, read back
  # through an XML parser: "<parent> <main theme>", or nothing when no topic has that text.
  topic_parent() {
    python3 - "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
main = root.find("mindmap/meta/main-centraltheme").get("id")
for topic in root.iter("topic"):
    if topic.get("text") == sys.argv[2]:
        print(topic.get("parent"), main)
PY
  }
  # Starts the program and gives its window the keyboard; the window id is in $window.
  start() {
    "$program" >"$home/$1.log" 2>&1 &
    pid=$!
    wait_for_frame "$home/$1.log"
    window=$(timeout 10 xdotool search --sync --onlyvisible --class tarnwick | head -n 1 || true)
    [ -n "$window" ] || fail "no window"
    xdotool windowfocus --sync "$window"
    # The canvas takes the keyboard once the window is active; give the focus change its turn.
    sleep 0.3
  }
  # Types $1 into the topic being edited.
  type_text() {
    xdotool type --delay 20 "$1"
    sleep 0.3
  }
  ended() {
    timeout 20 tail --pid="$1" -f /dev/null || fail "the program did not end"
    status=0
    wait "$1" || status=$?
    [ "$status" = 0 ] || { cat "$home/$2.log"; fail "the program ended with $status"; }
  }

  # 1. The first start puts the getting-started map in the store and shows it.
  start first
  wait_for_map "$pid" Welcome || fail "the first start does not show the getting-started map"
  map=$(grep -l 'text="Welcome"' "$store/Mind Maps/"*.twkx | head -n 1 || true)
  [ -n "$map" ] || fail "the store holds no getting-started map"
  guid=$(basename "$map" .twkx)

  # 2. The map opens with its theme selected: Tab adds a child and opens it for typing.
  xdotool key --window "$window" Tab
  sleep 0.3
  type_text 'Grüße é'
  xdotool key --window "$window" Return
  sleep 0.3

  # 3. Closing the window saves the map.
  xdotool key --window "$window" ctrl+shift+w
  ended "$pid" first
  read -r parent theme <<<"$(topic_parent "$map" 'Grüße é')" || true
  [ -n "${parent:-}" ] || { grep -o 'text="[^"]*"' "$map" | tail -n 3; fail "the typed text is not in the saved map"; }
  [ "$parent" = "$theme" ] || fail "the typed topic is a child of topic $parent, not of the theme $theme"
  [ "$(reopen_id)" = "$guid" ] || fail "closing did not remember the map to reopen"
  saved=$(sha256sum <"$map")

  # 4. The next start reopens the same map with the edit, and reopening changes nothing.
  start second
  wait_for_map "$pid" Welcome || fail "the next start does not show the map"
  [ "$(grep -l 'text="Welcome"' "$store/Mind Maps/"*.twkx | wc -l)" = 1 ] ||
    fail "the getting-started map was imported again"
  [ "$(reopen_id)" = "$guid" ] || fail "the next start shows another map than $guid"
  [ "$(sha256sum <"$map")" = "$saved" ] || fail "reopening changed the map file"

  # 5. Another edit, Ctrl+S and at once SIGKILL: every file of the store is still whole.
  xdotool key --window "$window" Tab
  sleep 0.3
  type_text 'Noch eins ö'
  xdotool key --window "$window" Return
  sleep 0.3
  xdotool key --window "$window" ctrl+s
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  python3 - "$store" <<'PY' || fail "a file of the store is broken after SIGKILL"
import os, plistlib, sys, xml.etree.ElementTree as ET
checked = 0
for folder, _, names in os.walk(sys.argv[1]):
    for name in names:
        path = os.path.join(folder, name)
        # Files being written carry a hidden name until they are renamed over the real one.
        if name.startswith("."):
            continue
        if name.endswith((".twkx", ".xml")):
            ET.parse(path)
            checked += 1
        elif name.endswith(".plist"):
            with open(path, "rb") as f:
                plistlib.load(f)
            checked += 1
if not os.path.exists(os.path.join(sys.argv[1], "Mind Maps", "folder-index.xml")) or checked < 3:
    sys.exit("only %d files were checked" % checked)
PY
  [ -n "$(topic_parent "$map" 'Grüße é')" ] || fail "the map lost the first edit after SIGKILL"
  # And the store opens again after the kill, with the map.
  TARNWICK_QUIT_AFTER_FIRST_FRAME=1 timeout 30 "$program" >"$home/third.log" 2>&1 ||
    { cat "$home/third.log"; fail "the start after SIGKILL did not quit cleanly"; }
  grep -q tarnwick-first-frame "$home/third.log" || fail "no frame after SIGKILL"
  [ "$(reopen_id)" = "$guid" ] || fail "the start after SIGKILL shows another map than $guid"
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
