#!/usr/bin/env bash
# An installed program finds its resources, and the desktop finds its launcher and its icon: the
# icon sits in the hicolor theme under the name the launcher gives, and the window shows it.
#   install-test.sh <build folder>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
launcher=$prefix/share/applications/com.orrinworks.Tarnwick.desktop
[ -f "$launcher" ] || fail "no launcher"
icon=$(sed -n 's/^Icon=//p' "$launcher")
[ "$icon" = com.orrinworks.Tarnwick ] || fail "the launcher names the icon '$icon'"
for size in 16 24 32 48 64 128 256 512; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || fail "no ${size}px icon in the hicolor theme"
done
[ -f "$prefix/share/mime/packages/com.orrinworks.Tarnwick.xml" ] || fail "no document types"
[ -f "$prefix/share/tarnwick/strings/en.strings" ] || fail "no string table beside the program"
[ -d "$prefix/share/tarnwick/icons" ] && fail "the icon is installed twice"

# The installed program starts from its own resources and shows the icon on its window.
mkdir -m 700 "$home/run"
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache NO_AT_BRIDGE=1 \
  XDG_RUNTIME_DIR=$home/run LC_ALL=C.UTF-8
unset LANGUAGE
export XDG_DATA_DIRS=$prefix/share:/usr/share TARNWICK_STARTUP_TIMING=1 TARNWICK_DEVICE_LINK=off
unset TARNWICK_RESOURCES
source "$(dirname "$0")/../../support/new-features-seen.sh"
mark_new_features_seen "$build" "$XDG_CONFIG_HOME"
run() {
  "$prefix/bin/tarnwick" >"$home/run.log" 2>&1 &
  program=$!
  trap 'kill "$program" 2>/dev/null; wait "$program" 2>/dev/null || true' EXIT
  for _ in $(seq 1 200); do
    grep -q tarnwick-first-frame "$home/run.log" && break
    sleep 0.05
  done
  grep -q tarnwick-first-frame "$home/run.log" || { cat "$home/run.log"; fail "the installed program shows no frame"; }
  grep -rq 'text="Welcome"' "$XDG_DATA_HOME/Tarnwick" || fail "the installed program found no getting-started map"
  window=$(xdotool search --onlyvisible --class tarnwick | head -n 1)
  # The icon follows the first frame.
  for _ in $(seq 1 40); do
    xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' && break
    sleep 0.05
  done
  xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' || fail "the window has no icon"
  echo PASS
}
export -f run fail
export prefix home
dbus-run-session -- bash -c run
