#!/usr/bin/env bash
# Builds the application, and only what it needs, and starts it. The tests and benchmarks are
# built by scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh tarnwick
exec "${TARNWICK_BUILD_DIR:-build}/bin/tarnwick" "$@"
