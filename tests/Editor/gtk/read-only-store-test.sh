#!/usr/bin/env bash
# A store folder its user may not write is not taken for a store in use: the start says that the
# store cannot be written, names the folder and the system's reason, on standard error and, with a
# display, in an alert, and ends with status 4. Runs as a user other than root, as root may write
# anywhere.
#   read-only-store-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
trap 'chmod -R u+w "$home" 2>/dev/null; rm -rf "$home"' EXIT
as_user=()
if [ "$(id -u)" = 0 ]; then
  if ! command -v setpriv >/dev/null; then
    [ "${CI:-}" = true ] && fail "no way to run as a user other than root (setpriv is missing)"
    echo "SKIP: running as root, and setpriv, needed to run as another user, is missing"
    exit 77
  fi
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown -R 65534:65534 "$home"
fi
# No session bus: the program is the only one and owns nothing but its own start.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus
mkdir -p "$store/Mind Maps"
chmod -R a-w "$store"

expect_message() {
  [ "$2" = 4 ] || { cat "$1"; fail "$3: the start ended with $2, not 4"; }
  grep -q "The map store cannot be written." "$1" || { cat "$1"; fail "$3: no message that the store cannot be written"; }
  grep -q "$store" "$1" || fail "$3: the message does not name the store's folder"
  grep -q "Permission denied" "$1" || fail "$3: the message does not give the permission as the cause"
  grep -q "in use" "$1" && fail "$3: the store is said to be in use"
  return 0
}

status=0
env -u DISPLAY -u WAYLAND_DISPLAY "${as_user[@]}" timeout 20 "$program" >"$home/headless.log" 2>&1 || status=$?
expect_message "$home/headless.log" "$status" "without a display"

"${as_user[@]}" "$program" >"$home/display.log" 2>&1 &
started=$!
alert=
for _ in $(seq 1 200); do
  alert=$(xdotool search --onlyvisible --class tarnwick | head -n 1 || true)
  [ -n "$alert" ] && break
  sleep 0.05
done
[ -n "$alert" ] || { kill "$started"; cat "$home/display.log"; fail "the start shows no alert"; }
xdotool windowfocus --sync "$alert" key Return
timeout 20 tail --pid="$started" -f /dev/null || fail "the program did not end after the alert"
status=0
wait "$started" || status=$?
expect_message "$home/display.log" "$status" "with a display"
echo PASS
