#!/usr/bin/env bash
# Builds everything and runs every test: the GCC build of scripts/build.sh (application,
# benchmarks and tests) through ctest, then once more each test program as one process with its
# tests in shuffled order (the seed is printed), then the tests built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer in ${TARNWICK_SANITIZER_BUILD_DIR:-build-san}.
# So both compilers see the tests, every memory fault or undefined behaviour fails one, and so
# does a test that leaves process-wide state behind for the next.
#   TARNWICK_SANITIZERS=0       skips the sanitizer build (a quicker run while working)
#   TARNWICK_SHUFFLE_SEED=<n>   the seed of the shuffled runs (else a random one)
#   CI=true                     tests that need a display fail instead of skipping without one
set -euo pipefail
cd "$(dirname "$0")/.."

# Before building: src/ includes only down the folder order, and the code has the shape
# .clang-format gives it.
bash scripts/install-deps.sh
python3 scripts/check-includes.py
bash scripts/check-format.sh

bash scripts/build.sh

# GTK tests need a display; start a private one on a free display number when there is none, and
# go on only once it answers.
if [ -z "${DISPLAY:-}" ]; then
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$display_file"' EXIT
  for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    kill -0 $xvfb_pid 2>/dev/null || break
    sleep 0.1
  done
  number=$(head -n 1 "$display_file" | tr -d '[:space:]')
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
  answered=0
  for _ in $(seq 1 100); do
    if xdpyinfo >/dev/null 2>&1; then answered=1; break; fi
    sleep 0.1
  done
  [ "$answered" = 1 ] || { echo "Xvfb on $DISPLAY does not answer" >&2; exit 1; }
fi

build=${TARNWICK_BUILD_DIR:-build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
python3 scripts/run-shuffled.py "$build" ${TARNWICK_SHUFFLE_SEED:+"$TARNWICK_SHUFFLE_SEED"}

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
