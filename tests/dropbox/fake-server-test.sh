#!/usr/bin/env bash
# The stand-in program serves on loopback, refuses a request without a token as the service does,
# and hands back at its end the files it was seeded with.
#   fake-server-test.sh <tw_fake_dropbox_server>
set -euo pipefail
server=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/seed/Maps" "$work/dump"
printf 'plan bytes' > "$work/seed/Maps/Plan.twkx"
mkfifo "$work/control"
"$server" --seed "$work/seed" --dump "$work/dump" < "$work/control" > "$work/address" &
pid=$!
exec 3> "$work/control"
for _ in $(seq 50); do [ -s "$work/address" ] && break; sleep 0.1; done
address=$(head -1 "$work/address")
case "$address" in http://127.0.0.1:*) ;; *) echo "FAIL: no loopback address: '$address'"; exit 1 ;; esac
answer=$(curl -s -o /dev/null -w '%{http_code}' -X POST -H 'Content-Type: application/json' \
  --data '{"path":""}' "$address/2/files/list_folder")
[ "$answer" = 400 ] || { echo "FAIL: a request without a token answered $answer"; exit 1; }
exec 3>&-
wait "$pid"
[ "$(cat "$work/dump/Maps/Plan.twkx")" = "plan bytes" ] || { echo "FAIL: the seeded file did not come back"; exit 1; }
echo "PASS"
