#!/usr/bin/env bash
# Without Xvfb, a test program whose tests need a display skips them and a script test that drives
# the whole program skips (77), and neither leaves anything in TMPDIR; where the run promises a
# display (CI=true) both fail instead.
#   no-display-test.sh <test program that needs a display> <tw_with_display>
set -euo pipefail
program=${1:?test program} with_display=${2:?tw_with_display}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/empty" "$tmp/tmp"
# No Xvfb on this PATH, and no display to fall back on.
without_xvfb=(env -u DISPLAY -u WAYLAND_DISPLAY -u CI PATH="$tmp/empty" TMPDIR="$tmp/tmp")
fail() { echo "FAIL: $*"; exit 1; }

status=0
"${without_xvfb[@]}" "$program" >"$tmp/out" 2>&1 || status=$?
[ "$status" = 0 ] || { cat "$tmp/out"; fail "without Xvfb the test program ended with $status"; }
grep -q "^\[  SKIPPED \] no display: Xvfb is not installed" "$tmp/out" || { cat "$tmp/out"; fail "the tests did not skip"; }
grep -q "^\[ RUN" "$tmp/out" && { cat "$tmp/out"; fail "tests ran without a display"; }
status=0
"${without_xvfb[@]}" CI=true "$program" >"$tmp/out" 2>&1 || status=$?
[ "$status" != 0 ] || fail "under CI=true the tests passed without a display"

status=0
"${without_xvfb[@]}" "$with_display" true 2>"$tmp/out" || status=$?
[ "$status" = 77 ] || { cat "$tmp/out"; fail "without Xvfb the script's display ended with $status, not 77"; }
status=0
"${without_xvfb[@]}" CI=true "$with_display" true 2>"$tmp/out" || status=$?
[ "$status" = 1 ] || fail "under CI=true the script's display ended with $status, not 1"

left=$(ls -A "$tmp/tmp")
[ -z "$left" ] || fail "left in TMPDIR: $left"
echo PASS
