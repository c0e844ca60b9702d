#!/usr/bin/env bash
# The device link in the running program with a real name server. Everything runs in a private
# network namespace that has nothing but loopback, with a private /run, a private system bus and
# an avahi-daemon unpacked from its package into the build folder (never installed), confined to
# the loopback interface: no mDNS packet can leave the machine. A phone, played by link_app.py,
# finds the program by browsing, pairs while the PIN is typed into the dialog, lists, fetches and
# uploads; after a restart its pairing holds, until the link status pane clears it.
#   device-link-test.sh <tarnwick program> <tw_press_button> <folder for the daemon>
# Exits 77 (skipped) without the rights for a network namespace or without the daemon's package.
set -euo pipefail
program=$1 press=$2 dest=$3
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "SKIP: $*"; exit 77; }

if [ -z "${TARNWICK_IN_LINK_NAMESPACE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || skip "a private network namespace needs root"
  unshare --net --mount --pid --fork --mount-proc true 2>/dev/null || skip "no rights for a private network namespace"
  if [ ! -x "$dest/root/usr/sbin/avahi-daemon" ]; then
    (
      source "$here/../../formats/data/debian-download.sh"
      download_packages "$dest" avahi avahi-daemon
      dpkg-deb -x avahi-daemon_*.deb "$dest/root"
      complete
    ) || skip "the avahi-daemon package could not be fetched"
  fi
  export TARNWICK_IN_LINK_NAMESPACE=1
  # The namespace's processes (bus, daemon, program) end with this script.
  exec unshare --net --mount --pid --fork --mount-proc --kill-child bash "$0" "$@"
fi

fail() { echo "FAIL: $*"; exit 1; }
links=$(ip -o link show | awk -F': ' '{ print $2 }')
[ "$links" = "lo" ] || fail "the namespace has more than loopback: $links"
ip link set lo up
ip link set lo multicast on
ip route add 224.0.0.0/4 dev lo

# The program's home, whose one trap removes everything this run makes in TMPDIR: the daemon's
# files go into it too, since a trap of their own would be replaced by that one.
source "$here/../../support/program-home.sh"
private=$home/link
mkdir "$private"

# A private /run for the system bus and the daemon, and the daemon's user in a private passwd.
mount -t tmpfs tmpfs /run
mkdir -p /run/dbus /run/avahi-daemon
cp /etc/passwd "$private/passwd"
cp /etc/group "$private/group"
grep -q '^avahi:' "$private/passwd" || echo 'avahi:x:0:0:avahi:/run/avahi-daemon:/usr/sbin/nologin' >>"$private/passwd"
grep -q '^avahi:' "$private/group" || echo 'avahi:x:0:' >>"$private/group"
mount --bind "$private/passwd" /etc/passwd
mount --bind "$private/group" /etc/group

cat >"$private/system-bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$private/system-bus.conf" --fork
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket

cat >"$private/avahi-daemon.conf" <<'CONF'
[server]
host-name=tarnwick-link-test
domain-name=local
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
[reflector]
enable-reflector=no
[rlimits]
CONF
"$dest/root/usr/sbin/avahi-daemon" -f "$private/avahi-daemon.conf" --no-drop-root --no-chroot --no-rlimits \
  --no-proc-title >"$private/avahi.log" 2>&1 &
for _ in $(seq 1 100); do
  grep -q "Server startup complete" "$private/avahi.log" && break
  sleep 0.1
done
grep -q "Server startup complete" "$private/avahi.log" || { cat "$private/avahi.log"; fail "avahi-daemon did not start"; }

# The pane's buttons are pressed through the accessibility bus.
unset NO_AT_BRIDGE
# This run is the link's own, inside a network of its own.
unset TARNWICK_DEVICE_LINK
export here press

run() {
  # LINK_TEST_TRACE=1 shows each step.
  [ -n "${LINK_TEST_TRACE:-}" ] && set -x
  app() { python3 "$here/link_app.py" "$home/phone.json" "$@"; }
  status_of() { head -n 1 "$1"; }
  body_of() { tail -n +2 "$1"; }
  start_program() {
    "$program" >>"$home/run.log" 2>&1 &
    pid=$!
    wait_for_frame "$home/run.log"
    window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1 || true)
    [ -n "$window" ] || fail "no window"
  }
  quit_program() {
    xdotool windowfocus --sync "$window" || true
    sleep 0.3
    xdotool key ctrl+shift+w
    timeout 30 tail --pid="$pid" -f /dev/null || {
      cat "$home/run.log"
      fail "the program did not end"
    }
  }
  # The window of the program that is not its main window: the dialog that just opened.
  wait_for_dialog() {
    for _ in $(seq 1 100); do
      for candidate in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$candidate" != "$window" ] && { echo "$candidate"; return 0; }
      done
      sleep 0.1
    done
    return 1
  }

  start_program
  app browse >"$home/found.json" || fail "the link was not found by browsing"
  python3 - "$home/found.json" <<'PY' || fail "the advertisement is not as expected: $(cat "$home/found.json")"
import json, sys
txt = json.load(open(sys.argv[1]))["txt"]
assert set(txt) == {"txtvers", "path", "pair", "challenge"}, txt
assert (txt["txtvers"], txt["path"], txt["pair"]) == ("1", "/mindmaps/", "/pair"), txt
assert len(txt["challenge"]) == 43, txt
PY

  # Pairing: the phone asks, the user types the PIN the phone shows.
  app pair 42 "Test phone" >"$home/pair.out" &
  client=$!
  dialog=$(wait_for_dialog) || fail "no PIN dialog"
  xdotool windowfocus --sync "$dialog" || true
  sleep 0.3
  xdotool type --delay 80 0042
  xdotool key Return
  wait "$client" || fail "the pairing request failed"
  [ "$(body_of "$home/pair.out")" = "OK" ] || fail "pairing answered $(cat "$home/pair.out")"

  map=$(basename "$(ls "$store/Mind Maps/"*.twkx | head -n 1)" .twkx)
  app list >"$home/list.out"
  [ "$(status_of "$home/list.out")" = 200 ] || fail "list: $(cat "$home/list.out")"
  grep -q "$map" "$home/list.out" || fail "the list lacks the map $map"
  app fetch "$map" 3 >"$home/fetch.out"
  [ "$(status_of "$home/fetch.out")" = 200 ] || fail "fetch: $(head -c 300 "$home/fetch.out")"
  body_of "$home/fetch.out" | grep -q -e '^PK--' -e 'tarnwick-mindmaps' || fail "fetch gave no map"

  uploaded=EEEEEEEEEEEEEEEEEEEEEEEE
  cat >"$home/upload.twkx" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
<mindmap>
<meta><guid guid="$uploaded"/><title text="From the phone" customized="true"/></meta>
<topics><topic id="0" parent="-1" text="Sent from the phone"/></topics>
<relations></relations>
</mindmap>
</tarnwick-mindmaps>
XML
  app upload "$uploaded.twkx" "$home/upload.twkx" >"$home/upload.out"
  [ "$(status_of "$home/upload.out")" = 200 ] || fail "upload: $(cat "$home/upload.out")"
  [ -f "$store/Mind Maps/$uploaded.twkx" ] || fail "the upload is not in the store"
  quit_program
  [ "$(reopen_id)" = "$uploaded" ] || fail "the uploaded map was not open at quit: $(reopen_id)"

  # After a restart the pairing holds: the first request signs the secret alone.
  start_program
  app browse >"$home/found.json" || fail "the restarted link was not found"
  app restart
  app list >"$home/list.out"
  [ "$(status_of "$home/list.out")" = 200 ] || fail "list after the restart: $(cat "$home/list.out")"

  # The link status pane clears every pairing; the phone is then refused.
  xdotool windowfocus --sync "$window" || true
  sleep 0.3
  xdotool key ctrl+comma
  sleep 1
  "$press" "$pid" "Device Link" || fail "no link status pane"
  sleep 0.5
  # The button's alert runs modally inside the press: the press ends once the alert is closed.
  "$press" "$pid" "Clear Pairing Information" &
  clearing=$!
  sleep 1
  "$press" "$pid" "Close" || fail "no alert after clearing"
  wait "$clearing" || fail "no button to clear the pairings"
  [ -z "$(ls "$store/Mind Maps/"*.ss 2>/dev/null)" ] || fail "pairing files are left"
  app list >"$home/list.out"
  [ "$(status_of "$home/list.out")" = 403 ] || fail "list after clearing: $(cat "$home/list.out")"
  quit_program
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
