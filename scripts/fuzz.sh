#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 60 s):
#   scripts/fuzz.sh [seconds] [target-name-filter]
# (TARNWICK_FUZZ_MAX_LEN sets the largest input, 64 KB unless given).
# Each target starts from the seeds kept in fuzz/corpus/<Name>/ (fuzz_<Name> is the target) and
# adds what it finds to fuzz-build/corpus/<Name>/, which later runs start from too.
# TARNWICK_BUILD_JOBS limits the build's parallel jobs on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-60}
filter=${2:-}
# Inputs grow up to this many bytes; large outlines need more than the default to show.
max_len=${TARNWICK_FUZZ_MAX_LEN:-65536}
CC=clang CXX=clang++ cmake -S . -B fuzz-build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
cmake --build fuzz-build -j"${TARNWICK_BUILD_JOBS:-$(nproc)}"
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
for target in fuzz-build/bin/fuzz_*; do
  [[ -z "$filter" || "$target" == *"$filter"* ]] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  corpus="fuzz-build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [[ -d "fuzz/corpus/$name" ]] && seeds=("fuzz/corpus/$name")
  echo "== fuzz_$name for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len="$max_len" "$corpus" "${seeds[@]}"
done
