#!/usr/bin/env bash
# A test program never reaches the session bus it was started on, which on a desktop is the
# user's: started on one that counts who connects, its tests (GTK's windows among them) leave the
# count at nought.
#   own-bus-test.sh <test program that needs a display>
set -euo pipefail
program=${1:?test program}
tmp=$(mktemp -d)
listener=
trap '[ -n "$listener" ] && kill "$listener" 2>/dev/null; rm -rf "$tmp"' EXIT
python3 - "$tmp/bus" <<'PY' &
import socket, sys
path = sys.argv[1]
server = socket.socket(socket.AF_UNIX)
server.bind(path)
server.listen(16)
open(path + ".ready", "w").close()
count = 0
while True:
    client, _ = server.accept()
    count += 1
    client.close()
    with open(path + ".count", "w") as f:
        f.write(str(count))
PY
listener=$!
for _ in $(seq 1 200); do [ -e "$tmp/bus.ready" ] && break; sleep 0.05; done
[ -e "$tmp/bus.ready" ] || { echo "FAIL: the counting bus did not start"; exit 1; }
# As for every test program with a display, the sanitizers leave leaks to the headless tests: GTK's
# accessibility bridge keeps what it made for a bus it could not reach.
DBUS_SESSION_BUS_ADDRESS=unix:path=$tmp/bus ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 "$program" --gtest_brief=1 >"$tmp/out" 2>&1 ||
  { cat "$tmp/out"; echo "FAIL: the test program failed"; exit 1; }
count=$(cat "$tmp/bus.count" 2>/dev/null || echo 0)
[ "$count" = 0 ] || { echo "FAIL: the test program connected $count times to the bus it was started on"; exit 1; }
echo PASS
