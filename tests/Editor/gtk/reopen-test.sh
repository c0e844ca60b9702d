#!/usr/bin/env bash
# Quitting remembers the open map, and the next start reopens it rather than importing the
# getting-started map a second time.
#   reopen-test.sh <tarnwick program>
set -euo pipefail
program=$1
source "$(dirname "$0")/../../support/program-home.sh"
export TARNWICK_QUIT_AFTER_FIRST_FRAME=1

run() {
  timeout 30 "$program" >"$home/first.log" 2>&1 || { echo "FAIL: the first start did not quit"; cat "$home/first.log"; exit 1; }
  grep -rq 'docctrl.reopen.mindmap.id' "$XDG_CONFIG_HOME" || { echo "FAIL: quitting did not remember the map"; exit 1; }
  maps=$(grep -rl 'text="Welcome"' "$store" | wc -l)
  timeout 30 "$program" >"$home/second.log" 2>&1 || { echo "FAIL: the second start did not quit"; cat "$home/second.log"; exit 1; }
  grep -q tarnwick-first-frame "$home/second.log" || { echo "FAIL: no frame"; exit 1; }
  [ "$(grep -rl 'text="Welcome"' "$store" | wc -l)" = "$maps" ] || { echo "FAIL: the map was imported again"; exit 1; }
  grep -rq 'docctrl.reopen.mindmap.id' "$XDG_CONFIG_HOME" || { echo "FAIL: the reopened map was not remembered"; exit 1; }
  echo PASS
}
export -f run
export program
dbus-run-session -- bash -c run
