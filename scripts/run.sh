#!/usr/bin/env bash
# Builds the application and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec "${TARNWICK_BUILD_DIR:-build}/bin/tarnwick" "$@"
