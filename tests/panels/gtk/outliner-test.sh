#!/usr/bin/env bash
# The outliner tab as a user works it, with real pointer and key events: a row clicked (the
# canvas selects its topic), a row renamed in place, a row dragged onto another topic, a checkbox
# ticked, and the last two undone with one undo each; after quitting, the map in the store holds
# the rename alone.
#   outliner-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
documents="$XDG_DATA_HOME/Tarnwick/Mind Maps"
guid=C3C3C3C3C3C3C3C3C3C3C3C3
mkdir -p "$documents"
cat >"$documents/$guid.twkx" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
<mindmap>
<meta><guid guid="$guid"/><title text="Plan" customized="true"/><main-centraltheme id="0"/></meta>
<topics>
<topic id="0" parent="-1" x="0" y="0" text="Plan"/>
<topic id="1" parent="0" x="200" y="-60" text="First"/>
<topic id="2" parent="0" x="200" y="0" text="Second" checkbox="true" checkbox-mode="checkbox" progress="0"/>
<topic id="3" parent="0" x="200" y="60" text="Third"/>
</topics>
<relations></relations>
</mindmap>
</tarnwick-mindmaps>
XML
cat >"$documents/folder-index.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<diagram-index>
  <folder name="Mind Maps" id="/.root">
    <diagram name="Plan" id="$guid" />
  </folder>
</diagram-index>
XML

run() {
  set -euo pipefail
  fail() { echo "FAIL: $*"; tail -20 "$home/app.log" 2>/dev/null; exit 1; }
  "$program" >"$home/app.log" 2>&1 &
  app=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app" --classname '^tarnwick$' | head -1) ||
    fail "no window"
  [ -n "$window" ] || fail "no window"
  xdotool windowmove "$window" 0 0
  sleep 1.5
  # The map opens from the side bar; the outliner is the inspector's first tab, at the window's
  # right edge under its mode strip. Rows are 20 pixels apart from y = 185.
  xdotool mousemove 150 210 click 1
  timeout 10 xdotool search --sync --onlyvisible --pid "$app" --name '^Plan$' >/dev/null || fail "the map did not open"
  sleep 1
  title_x=1070
  row() { echo $((185 + 20 * $1)); }
  # Rows: Plan, First, Second, Third.
  xdotool mousemove $title_x "$(row 3)" click 1
  sleep 0.8
  xdotool mousemove $title_x "$(row 3)" click 1
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 40 Renamed
  xdotool key Return
  sleep 0.7
  # First dragged onto Second.
  xdotool mousemove $title_x "$(row 1)" mousedown 1
  for y in 2 4 6 8 10 12 14 16 18 20; do xdotool mousemove $title_x $(($(row 1) + y)); sleep 0.06; done
  sleep 0.5
  xdotool mouseup 1
  sleep 1
  # Rows: Plan, Second, First, Renamed. Second's checkbox is ticked; two undos take back the tick
  # and the move, and leave the rename.
  import -window root "${OUTLINER_SHOT_DIR:-$home}/outliner.png"
  xdotool mousemove 1006 "$(row 1)" click 1
  sleep 0.7
  xdotool key ctrl+z
  sleep 0.7
  xdotool key ctrl+z
  sleep 0.7
  xdotool key --window "$window" ctrl+q 2>/dev/null || true
  timeout 20 tail --pid=$app -f /dev/null || fail "the program did not quit"
  python3 - "$documents/$guid.twkx" <<'PY' || fail "the map is not as it was left: $(cat "$documents/$guid.twkx")"
import sys, xml.etree.ElementTree as ET
topics = {t.get("id"): t for t in ET.parse(sys.argv[1]).getroot().iter("topic")}
by_text = {t.get("text"): t for t in topics.values()}
assert "Renamed" in by_text and "Third" not in by_text, "the rename is missing"
first, second = by_text["First"], by_text["Second"]
assert first.get("parent") == by_text["Plan"].get("id"), "the move took more or less than one undo step"
assert second.get("checked") != "true", "the undone tick is still there"
PY
  echo PASS
}
export -f run
export program home documents guid OUTLINER_SHOT_DIR
dbus-run-session -- bash -c run
