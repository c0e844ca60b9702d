#!/usr/bin/env bash
# Measures the start of the built program to its first painted frame under Xvfb, as a whole
# process: with an empty store (the getting-started map is imported and shown), with a store of
# 1,000 maps (nothing is reopened; the store is listed), with a store whose folder index holds
# 40,000 folders (200 of 199 each), and with a FreeMind file of 10,000 topics named on the command
# line (imported into an empty store and shown). Each run has its own HOME, XDG folders and
# session bus, so it neither touches the user's maps nor hands its start to a running instance.
# With a second program (an older build), the cases run again with it and
# report after the first program's.
#   bench/startup.sh [build-dir] [runs] [other-program]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${TARNWICK_BUILD_DIR:-build}}
runs=${2:-5}
program="$build/bin/tarnwick"
other=${3:-}
[[ -x $program ]] || { echo "no program at $program; build first" >&2; exit 1; }
[[ -z $other || -x $other ]] || { echo "no program at $other" >&2; exit 1; }
# A program finds its resources beside its own folder; one copied elsewhere starts without the
# getting-started map and would time a blank map instead.
for p in "$program" $other; do
  dir=$(dirname "$p")
  [[ -n ${TARNWICK_RESOURCES:-} || -d $dir/../resources || -d $dir/../share/tarnwick ]] ||
    { echo "no resources beside $p (its build folder's resources/ or ../share/tarnwick)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs the program once in the given home (with the files given after it) and prints the
# milliseconds from launch to first frame.
measure() {
  local home=$1
  shift
  HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    TARNWICK_STARTUP_TIMING=1 TARNWICK_QUIT_AFTER_FIRST_FRAME=1 NO_AT_BRIDGE=1 TARNWICK_DEVICE_LINK=off \
    dbus-run-session -- python3 - "$program" "$@" 2>/dev/null <<'PY'
import subprocess, sys, time
start = time.time()
out = subprocess.run(sys.argv[1:], capture_output=True, text=True, timeout=60).stdout
line = next((l for l in out.splitlines() if l.startswith("tarnwick-first-frame:")), None)
if line is None:
    sys.exit("no first frame reported:\n" + out)
frame = float(line.split("wall clock")[1])
print(f"{(frame - start) * 1000:.1f}")
PY
}

# A store of n small native maps, indexed by one start of the program.
fill_store() {
  local home=$1 n=$2 folder="$1/data/Tarnwick/Mind Maps"
  mkdir -p "$folder"
  for ((i = 0; i < n; i++)); do
    guid=$(printf 'BENCH%06dAAAAAAAAAAAAAAAAAAAAAAAAAAA' "$i")
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<tarnwick-mindmaps doc-version="3"><mindmap><meta><guid guid="%s"/><title text="Map %d" customized="true"/></meta><topics><topic id="0" parent="-1" text="Map %d"/><topic id="1" parent="0" x="200" y="0" text="Branch"/></topics><relations/></mindmap></tarnwick-mindmaps>\n' \
      "$guid" "$i" "$i" >"$folder/$guid.twkx"
  done
  measure "$home" >/dev/null
}

# A folder index of 200 folders of 199 folders each, and no map in them.
fill_folders() {
  local folder="$1/data/Tarnwick/Mind Maps"
  mkdir -p "$folder"
  python3 - "$folder/folder-index.xml" <<'PY'
import sys
out = ['<?xml version="1.0" encoding="UTF-8"?>\n<diagram-index>\n<folder name="Mind Maps" id="/.root">\n']
for top in range(200):
    out.append('<folder name="Folder %d" id="/%08X-0000-4000-8000-000000000000">\n' % (top, top))
    for sub in range(199):
        out.append('<folder name="Sub-folder %d" id="/%08X-1111-4000-8000-000000000000"/>\n' % (sub, top * 199 + sub))
    out.append('</folder>\n')
out.append('</folder>\n</diagram-index>\n')
open(sys.argv[1], "w").write("".join(out))
PY
}

# A FreeMind map like the benchmarks' rich map, of 10,000 topics (bench/freemind-map.py).
write_freemind() {
  python3 bench/freemind-map.py 10000 "$1"
}

report() {
  local label=$1; shift
  printf '%-28s %s ms (runs: %s)\n' "$label" "$(printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p")" "$*"
}

export -f measure
xvfb-run -a bash -c true >/dev/null 2>&1 || true

# Runs the three cases with one program; their medians go to the named arrays' reports.
run_cases() {
  local program=$1 tag=$2
  local empty=() stored=() folders=() freemind=()
  for ((r = 0; r < runs; r++)); do
    home="$work/$tag-empty$r"
    mkdir -p "$home"
    empty+=("$(xvfb-run -a bash -c "$(declare -f measure); program='$program'; measure '$home'")")
  done
  full="$work/$tag-full"
  mkdir -p "$full"
  xvfb-run -a bash -c "$(declare -f measure fill_store); program='$program'; fill_store '$full' 1000"
  for ((r = 0; r < runs; r++)); do
    stored+=("$(xvfb-run -a bash -c "$(declare -f measure); program='$program'; measure '$full'")")
  done
  for ((r = 0; r < runs; r++)); do
    home="$work/$tag-folders$r"
    fill_folders "$home"
    folders+=("$(xvfb-run -a bash -c "$(declare -f measure); program='$program'; measure '$home'")")
  done
  for ((r = 0; r < runs; r++)); do
    home="$work/$tag-freemind$r"
    mkdir -p "$home"
    freemind+=("$(xvfb-run -a bash -c "$(declare -f measure); program='$program'; measure '$home' '$work/ten-thousand.mm'")")
  done
  echo "start-up to the first painted frame (median), $program:"
  report "empty store" "${empty[@]}"
  report "store of 1,000 maps" "${stored[@]}"
  report "store of 40,000 folders" "${folders[@]}"
  report "FreeMind file, 10,000 topics" "${freemind[@]}"
}

write_freemind "$work/ten-thousand.mm"
run_cases "$program" new
if [[ -n $other ]]; then
  run_cases "$other" other
fi
