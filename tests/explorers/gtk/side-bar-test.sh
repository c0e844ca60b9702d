#!/usr/bin/env bash
# The side bar as a user works it, with real pointer and key events: a filter typed into the
# search field, a click that opens a map on the canvas, a folder named in place, a map dragged
# into it, another deleted into the recycle bin, where the canvas shows it on the basket; after
# quitting, and again after a restart, the tree on disk is as it was left.
#   side-bar-test.sh <tarnwick program> <tw_map_title>
set -euo pipefail
program=$1
# The open map is read from the canvas's accessible name.
export map_title=$2
source "$(dirname "$0")/../../support/program-home.sh"
# The open map is read through the accessibility bus.
unset NO_AT_BRIDGE
documents="$XDG_DATA_HOME/Tarnwick/Mind Maps"
alpha=A1A1A1A1A1A1A1A1A1A1A1A1
beta=B2B2B2B2B2B2B2B2B2B2B2B2

map() { # guid title
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<tarnwick-mindmaps doc-version="3">\n<mindmap>\n<meta><guid guid="%s"/><title text="%s" customized="true"/></meta>\n<topics><topic text="%s"/></topics>\n<relations></relations>\n</mindmap>\n</tarnwick-mindmaps>\n' "$1" "$2" "$2"
}
mkdir -p "$documents"
map $alpha Alpha >"$documents/$alpha.twkx"
map $beta Beta >"$documents/$beta.twkx"
cat >"$documents/folder-index.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<diagram-index>
  <folder name="Mind Maps" id="/.root">
    <diagram name="Alpha" id="$alpha" />
    <diagram name="Beta" id="$beta" />
  </folder>
</diagram-index>
XML

run() {
  set -euo pipefail
  fail() { echo "FAIL: $*"; cat "$home/app.log" 2>/dev/null | tail -20; exit 1; }
  start() {
    "$program" >"$home/app.log" 2>&1 &
    app=$!
    # This program's own window: another one may still be closing on the display.
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app" --classname '^tarnwick$' | head -1) ||
      fail "no window"
    [ -n "$window" ] || fail "no window"
    # The window without a window manager sits at the screen's corner, above any window an
    # earlier test on this display may have left behind.
    xdotool windowmove "$window" 0 0
    xdotool windowraise "$window"
    sleep 1.5
  }
  # What covers the display when the program does not answer: the windows on screen by name and
  # program.
  windows_on_screen() {
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      echo "window $w '$(xdotool getwindowname "$w" 2>/dev/null)' pid $(xdotool getwindowpid "$w" 2>/dev/null) $(ps -o args= -p "$(xdotool getwindowpid "$w" 2>/dev/null)" 2>/dev/null)"
    done
  }
  # Where the program stands when it does not quit: its threads' stacks.
  stacks() {
    timeout 30 gdb -p "$app" -batch -ex "thread apply all bt 12" 2>/dev/null | grep -E '^(Thread|#)' | head -80
  }
  quit() {
    # The key goes to the focused window, as a user's would. A program that quits on the key press
    # is gone before the key's release is sent: xdotool then fails on the window; whether the
    # program quit is what counts.
    local attempt
    for attempt in 1 2; do
      xdotool windowraise "$window" 2>/dev/null || true
      xdotool windowfocus --sync "$window" 2>/dev/null || true
      xdotool key ctrl+q 2>/dev/null || true
      timeout 15 tail --pid=$app -f /dev/null && return 0
      echo "ctrl+q #$attempt was not answered; on screen: $(windows_on_screen)"
      stacks
    done
    fail "the program did not quit"
  }
  titled() {
    for _ in $(seq 1 100); do
      "$map_title" "$app" 2>/dev/null | grep -qxF "$1" && return 0
      sleep 0.1
    done
    return 1
  }
  # The search field is the main toolbar's, second from the left. Rows under the toolbar and the
  # strip of the explorer tabs: the explorer's own strip, then the list from y = 108 below them (a
  # folder row is 18 pixels high, a map row with its thumbnail 73).
  # The basket's light blue greys fill part of the 128-pixel square at the canvas's centre; the
  # map's own topic there is white and lavender.
  basket_shown() {
    import -window root -crop 128x128+547+364 +repage "$home/basket.png"
    local share
    share=$(convert "$home/basket.png" -fx '(b-r>0.1 && g-r>0.06 && r<0.8)?1:0' -format '%[fx:mean]' info:)
    awk -v s="$share" 'BEGIN { exit !(s > 0.1) }'
  }
  search_x=150
  search_y=46
  row_x=150
  y() { echo $(($1 + 65)); }

  start
  # A filter typed into the search field leaves Beta alone in the list; a click opens it.
  xdotool mousemove $search_x $search_y click 1
  sleep 0.3
  xdotool type --delay 60 Beta
  sleep 1
  xdotool mousemove $row_x "$(y 145)" click 1
  titled Beta || fail "clicking the filtered map did not open it"
  # The canvas shows the map: it is no longer blank.
  import -window root -crop 600x500+400+100 "$home/canvas.png"
  mean=$(convert "$home/canvas.png" -colorspace Gray -format '%[fx:mean]' info:)
  awk -v m="$mean" 'BEGIN { exit !(m < 0.999) }' || fail "the canvas is blank"
  # The filter goes: the whole tree again.
  xdotool mousemove $search_x $search_y click 1
  xdotool key ctrl+a BackSpace
  sleep 1

  # A new folder from the context menu, named in place.
  xdotool mousemove $row_x "$(y 575)" click 3
  sleep 0.7
  xdotool key Down Down Down Return
  sleep 0.7
  xdotool type --delay 60 Projects
  xdotool key Return
  sleep 0.7
  # Rows now: Projects, Alpha, Beta. Alpha goes into Projects by drag and drop.
  xdotool mousemove $row_x "$(y 162)" mousedown 1
  for y in 158 152 146 140 134 128 122 119 117; do xdotool mousemove $row_x "$(y "$y")"; sleep 0.08; done
  sleep 0.5
  xdotool mouseup 1
  sleep 1
  # Rows now: Projects, Alpha inside it, Beta. Beta goes to the recycle bin, and the canvas then
  # draws the recycle bin's basket behind it, centred.
  xdotool mousemove $row_x "$(y 235)" click 1
  titled Beta || fail "clicking Beta did not open it"
  basket_shown && fail "a map outside the recycle bin shows the basket"
  xdotool key Delete
  for _ in $(seq 1 100); do basket_shown && break; sleep 0.1; done
  basket_shown || fail "the map in the recycle bin is drawn without the basket behind it"
  quit

  index="$documents/folder-index.xml"
  check() {
    python3 - "$index" "$alpha" "$beta" <<'PY' || fail "the tree on disk is not as it was left: $(cat "$index")"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot().find("folder")
folders = {f.get("name"): f for f in root.findall("folder")}
projects = folders.get("Projects")
bin_ = next((f for f in root.findall("folder") if f.get("id") == "/.recycler"), None)
assert projects is not None, "no folder Projects"
assert [d.get("id") for d in projects.findall("diagram")] == [sys.argv[2]], "Alpha is not in Projects"
assert bin_ is not None and [d.get("id") for d in bin_.findall("diagram")] == [sys.argv[3]], "Beta is not in the recycle bin"
assert not root.findall("diagram"), "maps left in the top folder"
PY
  }
  check
  cp "$index" "$home/index-after-quit.xml"
  start
  titled Beta || fail "the map open at quit did not reopen"
  quit
  check
  [ -f "$documents/$beta.twkx" ] || fail "the map in the recycle bin lost its file"
  echo PASS
}
export -f run
export program home documents alpha beta
dbus-run-session -- bash -c run
