#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

# GTK tests need a display; start a private one when there is none.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:97
fi

ctest --test-dir "${TARNWICK_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
