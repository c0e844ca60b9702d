#!/usr/bin/env bash
# Builds everything and runs every test: the GCC build of scripts/build.sh (application,
# benchmarks and tests), each test program as one process with its tests in shuffled order (the
# seed is printed) and the other tests through ctest, then the tests built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer in ${TARNWICK_SANITIZER_BUILD_DIR:-build-san},
# each test a process of its own through ctest. So both compilers see the tests, every memory
# fault or undefined behaviour fails one, so does a test that leaves process-wide state behind for
# the next, and so does one that passes only after another. Each test process and script
# that needs a display starts an Xvfb of its own (tests/support/PrivateDisplay.h), so they run
# side by side and none reaches another's windows. Each stage says how long it took.
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

# Everything runs with a TMPDIR of this run's own, under the caller's: a stage that leaves anything
# in it is named with what it left, and the run fails at its end; the folder goes with the run, so
# the caller's TMPDIR is as it was.
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-run.XXXXXX")
trap 'rm -rf "$run_tmp"' EXIT
export TMPDIR=$run_tmp
left_behind=()

# Runs a stage and says how long it took: CI has a time limit, and this shows where it goes.
stage() {
  local name=$1 start=$SECONDS left
  shift
  "$@"
  echo "== $name: $((SECONDS - start)) s"
  left=$(find "$run_tmp" -mindepth 1 -maxdepth 2 | sed "s|^$run_tmp/||" | sort | head -n 20)
  if [ -n "$left" ]; then
    echo "== $name left in TMPDIR:"
    echo "$left" | sed 's/^/     /'
    left_behind+=("$name")
    find "$run_tmp" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
  fi
}

stage "build (GCC)" bash scripts/build.sh

build=${TARNWICK_BUILD_DIR:-build}
stage "tests (GCC)" python3 scripts/run-shuffled.py "$build" ${TARNWICK_SHUFFLE_SEED:+"$TARNWICK_SHUFFLE_SEED"}

if [ "${TARNWICK_SANITIZERS:-1}" != 0 ]; then
  san=${TARNWICK_SANITIZER_BUILD_DIR:-build-san}
  # Unoptimised, with line tables only: the sanitizers need no more to name file and line, and
  # the build is about twice as fast as an optimised one with full debug information.
  CC=clang CXX=clang++ cmake -S . -B "$san" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS_DEBUG="-O0 -gline-tables-only" -DCMAKE_CXX_FLAGS_DEBUG="-O0 -gline-tables-only" \
    -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF >/dev/null
  stage "build (sanitizers)" cmake --build "$san" --target tarnwick_tests -j"$(nproc)"
  # The sanitizers' options and suppressions come with the build (TARNWICK_SANITIZE in CMakeLists.txt).
  stage "ctest (sanitizers)" ctest --test-dir "$san" --output-on-failure -j"$(nproc)"
fi

if [ ${#left_behind[@]} -gt 0 ]; then
  echo "Files were left in TMPDIR by: ${left_behind[*]}" >&2
  exit 1
fi
