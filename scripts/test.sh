#!/usr/bin/env bash
# Builds everything and runs every test, twice: the GCC build of scripts/build.sh (application,
# benchmarks and tests), then the tests built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in ${TARNWICK_SANITIZER_BUILD_DIR:-build-san}. So both compilers see
# the tests and every memory fault or undefined behaviour fails one.
#   TARNWICK_SANITIZERS=0       skips the sanitizer build (a quicker run while working)
set -euo pipefail
cd "$(dirname "$0")/.."

# Before building: src/ includes only down the folder order, and the code has the shape
# .clang-format gives it.
bash scripts/install-deps.sh
python3 scripts/check-includes.py
bash scripts/check-format.sh

bash scripts/build.sh

# GTK tests need a display; start a private one when there is none.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:97
fi

ctest --test-dir "${TARNWICK_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"

if [ "${TARNWICK_SANITIZERS:-1}" != 0 ]; then
  san=${TARNWICK_SANITIZER_BUILD_DIR:-build-san}
  # Unoptimised, with line tables only: the sanitizers need no more to name file and line, and
  # the build is about twice as fast as an optimised one with full debug information.
  CC=clang CXX=clang++ cmake -S . -B "$san" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS_DEBUG="-O0 -gline-tables-only" -DCMAKE_CXX_FLAGS_DEBUG="-O0 -gline-tables-only" \
    -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF >/dev/null
  cmake --build "$san" --target tarnwick_tests -j"$(nproc)"
  # The sanitizers' options and suppressions come with the build (TARNWICK_SANITIZE in CMakeLists.txt).
  ctest --test-dir "$san" --output-on-failure -j"$(nproc)"
fi
