#!/usr/bin/env bash
# The stand-in program serves on loopback, refuses a call without a token as Drive does, and hands
# back at its end the files it was seeded with, in their folders.
#   fake-server-test.sh <tw_fake_gdrive_server>
set -euo pipefail
server=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/seed/Tarnwick" "$work/dump"
printf 'plan bytes' > "$work/seed/Tarnwick/Plan.twkx"
mkfifo "$work/control"
"$server" --seed "$work/seed" --dump "$work/dump" --tokens access-1:refresh-1 < "$work/control" > "$work/address" &
pid=$!
exec 3> "$work/control"
for _ in $(seq 50); do [ -s "$work/address" ] && break; sleep 0.1; done
address=$(head -1 "$work/address")
case "$address" in http://127.0.0.1:*) ;; *) echo "FAIL: no loopback address: '$address'"; exit 1 ;; esac
answer=$(curl -s -o /dev/null -w '%{http_code}' "$address/drive/v3/files?q=trashed%20%3D%20false")
[ "$answer" = 401 ] || { echo "FAIL: a call without a token answered $answer"; exit 1; }
answer=$(curl -s -H 'Authorization: Bearer access-1' "$address/drive/v3/files?q=name%20%3D%20%27Plan.twkx%27")
case "$answer" in *'"name":"Plan.twkx"'*) ;; *) echo "FAIL: the seeded file is not listed: $answer"; exit 1 ;; esac
exec 3>&-
wait "$pid"
[ "$(cat "$work/dump/Tarnwick/Plan.twkx")" = "plan bytes" ] || { echo "FAIL: the seeded file did not come back"; exit 1; }
echo "PASS"
