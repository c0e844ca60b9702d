# Sourced by the display tests that start the whole program in a home of their own. A second after
# the first map shows, the program checks its one-off messages: this build's new-features note
# counts as seen there, or its alert would stand in front of the windows the test drives, and the
# periodic hint is far ahead, so that the check writes nothing a test does not expect.
#   mark_new_features_seen <build folder> <XDG config home>
mark_new_features_seen() {
  local version
  version=$(cat "$1/bundle-version.txt") || { echo "FAIL: the build folder $1 names no bundle version"; exit 1; }
  mkdir -p "$2/tarnwick"
  python3 - "$2/tarnwick/defaults.plist" "new-features-v$version" <<'PY'
import datetime, os, plistlib, sys
path, key = sys.argv[1], sys.argv[2]
values = plistlib.load(open(path, "rb")) if os.path.exists(path) else {}
values[key] = True
values["AdScheduler.ScheduledDate"] = datetime.datetime(2060, 1, 1)
plistlib.dump(values, open(path, "wb"))
PY
}
