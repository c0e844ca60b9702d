#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 60 s):
#   scripts/fuzz.sh [seconds] [target-name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-60}
filter=${2:-}
CC=clang CXX=clang++ cmake -S . -B fuzz-build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
cmake --build fuzz-build -j"$(nproc)"
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
for target in fuzz-build/bin/fuzz_*; do
  [[ -z "$filter" || "$target" == *"$filter"* ]] || continue
  corpus="fuzz-build/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  echo "== $(basename "$target") for ${seconds}s"
  "$target" -max_total_time="$seconds" -max_len=65536 "$corpus"
done
