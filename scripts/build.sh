#!/usr/bin/env bash
# Installs what the machine is missing, then configures and builds everything (application,
# benchmarks and tests) with GCC into ${TARNWICK_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${TARNWICK_BUILD_DIR:-build}
CC=gcc CXX=g++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
