#!/usr/bin/env bash
# A store its user may not write is not taken for a store in use: the start says that the store
# cannot be written, names what it may not write and the system's reason, on standard error and,
# with a display, in an alert, names the file it was given as not opened, and ends with status 4.
# So for a fresh store, for one made read-only after a first start (its lock file still writable),
# for its folder of the program's own files, and for a lock file of another user. Run by root, the
# program runs without the capabilities that let root write anywhere, under root's own user:
# another user could not enter the test's home where TMPDIR or a folder above it is root's alone
# (as mktemp -d makes it).
#   read-only-store-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
trap 'chmod -R u+w "$home" 2>/dev/null; rm -rf "$home"' EXIT
unprivileged=()
if [ "$(id -u)" = 0 ]; then
  if ! command -v setpriv >/dev/null; then
    [ "${CI:-}" = true ] && fail "no way to run without root's capabilities (setpriv is missing)"
    echo "SKIP: running as root, and setpriv, needed to drop root's capabilities, is missing"
    exit 77
  fi
  overrides=-dac_override,-dac_read_search,-fowner
  unprivileged=(setpriv --bounding-set "$overrides" --inh-caps "$overrides")
  # A build in another user's folder that only its owner may enter (sudo over a user's checkout)
  # is out of reach then: the program runs as a link beside a copy of its resources.
  if ! "${unprivileged[@]}" test -x "$program"; then
    mkdir -m 755 -p "$home/app/bin"
    ln "$program" "$home/app/bin/tarnwick" 2>/dev/null || cp "$program" "$home/app/bin/tarnwick"
    cp -r "$(dirname "$program")/../resources" "$home/app/resources"
    program=$home/app/bin/tarnwick
  fi
fi
# No session bus: the program is the only one and owns nothing but its own start.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus
printf 'Plain text map\n' >"$home/given.txt"

expect_message() {
  [ "$2" = 4 ] || { cat "$1"; fail "$3: the start ended with $2, not 4"; }
  grep -q "The map store cannot be written." "$1" || { cat "$1"; fail "$3: no message that the store cannot be written"; }
  grep -qF "$4" "$1" || { cat "$1"; fail "$3: the message does not name $4"; }
  grep -q "Permission denied" "$1" || fail "$3: the message does not give the permission as the cause"
  grep -qF "Not opened: $home/given.txt" "$1" || fail "$3: the message does not name the file as not opened"
  grep -q "in use" "$1" && fail "$3: the store is said to be in use"
  return 0
}

start_headless() {
  local status=0
  env -u DISPLAY -u WAYLAND_DISPLAY "${unprivileged[@]}" timeout 20 "$program" "$home/given.txt" >"$home/headless.log" 2>&1 ||
    status=$?
  expect_message "$home/headless.log" "$status" "$1" "$2"
}

# A fresh store.
mkdir -p "$store/Mind Maps"
chmod -R a-w "$store"
start_headless "a fresh store" "$store"

"${unprivileged[@]}" "$program" "$home/given.txt" >"$home/display.log" 2>&1 &
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
expect_message "$home/display.log" "$status" "with a display" "$store"

# A store made read-only after a first start: the lock file it left is still writable, and the
# folders maps are written to are what count.
chmod -R u+w "$store"
rm -rf "$store"
TARNWICK_QUIT_AFTER_FIRST_FRAME=1 "${unprivileged[@]}" timeout 60 "$program" >"$home/first.log" 2>&1 ||
  { cat "$home/first.log"; fail "the first start did not quit"; }
[ -f "$store/.tarnwick.lock" ] || fail "the first start left no lock file"
chmod a-w "$store" "$store/Mind Maps"
start_headless "read-only after a first start" "$store"
chmod u+w "$store"
start_headless "a read-only maps folder" "$store/Mind Maps"
chmod u+w "$store/Mind Maps"
# The folder of the program's own files, where the quit saves the list of recently opened maps.
[ -d "$store/AppSupport" ] || fail "the first start left no AppSupport folder"
chmod a-w "$store/AppSupport"
start_headless "a read-only AppSupport folder" "$store/AppSupport"
chmod u+w "$store/AppSupport"

# A lock file of another user, which only root can make.
if [ -n "${unprivileged[*]}" ]; then
  chown 65534:65534 "$store/.tarnwick.lock"
  chmod 644 "$store/.tarnwick.lock"
  start_headless "a lock file of another user" "$store/.tarnwick.lock"
  grep -q "Remove that file" "$home/headless.log" || fail "the message does not say what to do about the lock file"
fi
echo PASS
