#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 60 s):
#   scripts/fuzz.sh [seconds] [target-name-filter]
# (TARNWICK_FUZZ_MAX_LEN sets the largest input, 64 KB unless given).
# Each target starts from the seeds kept in fuzz/corpus/<Name>/ (fuzz_<Name> is the target) and
# those written anew for it in fuzz-build/seeds/<Name>/ (the native reader's: documents of the
# writer as it is now), and adds what it finds to fuzz-build/corpus/<Name>/, which later runs
# start from too; an input that fails a target is kept in fuzz-build/artifacts/<Name>/. Every
# target runs, also after one failed; the script fails at the end if any did, naming them.
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
# What the targets write goes into a temporary folder of each run's own (fuzz/FuzzHome.h), made
# in this one; it goes after each target, also one that crashed before it could clean up.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -rf fuzz-build/seeds
mkdir -p "$scratch/seeds"
TMPDIR="$scratch/seeds" TARNWICK_RESOURCES="$PWD/resources" fuzz-build/bin/twkx_fuzz_seeds fuzz-build/seeds/TwkxReader
failed=()
for target in fuzz-build/bin/fuzz_*; do
  [[ -z "$filter" || "$target" == *"$filter"* ]] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  corpus="fuzz-build/corpus/$name"
  artifacts="fuzz-build/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [[ -d "fuzz/corpus/$name" ]] && seeds=("fuzz/corpus/$name")
  [[ -d "fuzz-build/seeds/$name" ]] && seeds+=("fuzz-build/seeds/$name")
  echo "== fuzz_$name for ${seconds}s"
  mkdir -p "$scratch/$name"
  TMPDIR="$scratch/$name" "$target" -max_total_time="$seconds" -max_len="$max_len" -artifact_prefix="$artifacts" \
    "$corpus" "${seeds[@]}" || failed+=("fuzz_$name")
  rm -rf "${scratch:?}/$name"
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "failed: ${failed[*]} (inputs in fuzz-build/artifacts/)" >&2
  exit 1
fi
