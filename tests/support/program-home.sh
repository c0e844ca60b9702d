# Sourced, after setting $program, by the display tests that run the whole program: the program gets a home of its own, so
# it never sees the user's folders, and the tests share the helpers that wait for it. The helpers
# are exported for the `run` function that the tests start on a session bus of their own.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
# The bus's services (the accessibility bus among them) keep their sockets in the runtime folder:
# they go with the home rather than into the user's.
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
  XDG_RUNTIME_DIR=$home/run
# The scripts find GTK's buttons by their English names, whatever language the caller reads.
export LC_ALL=C.UTF-8
unset LANGUAGE
export TARNWICK_STARTUP_TIMING=1 NO_AT_BRIDGE=1
# The program under test neither listens beyond the machine nor announces itself on its network;
# the device link's own test, confined to a network of its own, turns the link back on.
export TARNWICK_DEVICE_LINK=off
store="$XDG_DATA_HOME/Tarnwick"
export home store
source "$(dirname "${BASH_SOURCE[0]}")/new-features-seen.sh"
mark_new_features_seen "$(dirname "$program")/.." "$XDG_CONFIG_HOME"

fail() { echo "FAIL: $*"; exit 1; }
# Waits until the program writing log $1 has painted its first frame.
wait_for_frame() {
  for _ in $(seq 1 200); do
    grep -q tarnwick-first-frame "$1" && return 0
    sleep 0.05
  done
  cat "$1"
  fail "no frame"
}
# The map the next start reopens, as the user defaults remember it.
reopen_id() {
  python3 - "$XDG_CONFIG_HOME/tarnwick/defaults.plist" <<'PY'
import plistlib, sys
print(plistlib.load(open(sys.argv[1], "rb")).get("docctrl.reopen.mindmap.id", ""))
PY
}
# Waits until the program with pid $1 shows the map titled $2. The window keeps the program's name
# and names its canvas after the map, as a screen reader reads it: the script that asks runs the
# program with the accessibility bridge and passes the reader, tw_map_title, in $map_title.
wait_for_map() {
  for _ in $(seq 1 100); do
    "$map_title" "$1" 2>/dev/null | grep -qxF "$2" && return 0
    sleep 0.1
  done
  return 1
}
export -f fail wait_for_frame reopen_id wait_for_map
