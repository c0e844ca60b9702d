#!/usr/bin/env bash
# A first start with an empty store imports the getting-started map and shows it; a second start
# hands the file it was given to the running program and ends, and the running one imports it.
# Runs on its own session bus, in its own home and on a display of its own (tw_with_display).
#   single-instance-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"

cat >"$home/outline.opml" <<'OPML'
<?xml version="1.0" encoding="UTF-8"?>
<opml version="2.0"><head><title>Handed over</title></head>
<body><outline text="Handed over"><outline text="Second start"/></outline></body></opml>
OPML

run() {
  "$program" >"$home/first.log" 2>&1 &
  first=$!
  # The program quits on the signal as from the menu, writing the store: the folder goes after it.
  trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null || true' EXIT
  for _ in $(seq 1 200); do
    grep -q tarnwick-first-frame "$home/first.log" && break
    sleep 0.05
  done
  grep -q tarnwick-first-frame "$home/first.log" || { echo "FAIL: no frame"; cat "$home/first.log"; exit 1; }
  grep -rlq 'text="Welcome"' "$store" || { echo "FAIL: the getting-started map is not in the store"; exit 1; }

  timeout 20 "$program" "$home/outline.opml" || { echo "FAIL: the second start did not end"; exit 1; }
  for _ in $(seq 1 100); do
    grep -rlq 'Second start' "$store" && break
    sleep 0.05
  done
  grep -rlq 'Second start' "$store" || { echo "FAIL: the running program did not import the file"; exit 1; }
  kill -0 "$first" || { echo "FAIL: the first instance ended"; exit 1; }
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
