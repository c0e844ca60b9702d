#!/usr/bin/env bash
# A first start with an empty store imports the getting-started map and shows it. A later start
# hands the file it was given to the running program and ends with 0 only once the file is in the
# store, once; whatever way it ends otherwise, its status, its message and the store agree. So
# however that program is interrupted along its answer: killed as soon as the start has ended,
# before it took the file, while it imports it, once it has stored it, or at moments along the
# way, or told to quit while the start waits (the start then takes over and opens the file itself,
# finding what the killed program stored, or ends with another status and names the file). A
# running program stopped for longer than the bus lets a call wait (this bus gives up after half a
# second, as GLib's own calls do after 25 s) is waited for, as the start says on standard error
# and in a window; once it is resumed the file arrives, once; told to quit as it is resumed, it
# either takes the file or leaves it to the start, never both.
# A start whose user stops waiting before the running program came to the file ends with 3 and
# names it, and the file is never opened: while that program is stopped, as it is resumed, while
# it imports another start's file. Stopped waiting once the program has begun to open the file, or
# has answered, the start waits for it and ends with 0. A file the running program cannot open is
# named by the start, which ends with 3, and the alert about it holds no later start.
# A file the running program must ask about (a copy of a map of its store) is asked about once the
# start has been answered: the start ends at once with 5, naming it as asked about, a later start
# is answered while the question is up, and the store holds what each answer said. A signal ends a
# start within moments also while the running program, stopped, holds its files: it says that
# program was opening them and ends with 5, and the file arrives once that program goes on.
# Files asked about one after the other are asked about in the order their starts were made, not
# the order the starts reached the running program.
# No start prints a warning of GLib's.
# Runs on its own session bus, in its own home and on a display of its own (tw_with_display).
#   single-instance-test.sh <tarnwick program> [round...]
set -euo pipefail
program=$1
shift
rounds=${*:-answered killed-when-answered killed-0.05 killed-0.15 killed-0.3 quit-0.1 stopped stopped-quit given-up}
source "$(dirname "$0")/../../support/program-home.sh"

cat >"$home/bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <limit name="reply_timeout">500</limit>
</busconfig>
CONF

run() {
  owner=
  start=
  first=
  trap 'for p in $owner $start $first; do kill -CONT "$p"; kill "$p"; wait "$p"; done 2>/dev/null || true' EXIT
  # An outline of the given number of branches of 99 topics. Handed over to be killed along its
  # answer, it keeps the running program busy for a while: an answer sent before the import comes
  # well ahead of the map.
  make_file() {
    python3 - "$home/$1.opml" "$1" "${2:-0}" <<'PY'
import sys
path, marker, branches = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(path, "w") as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<opml version="2.0"><head><title>%s</title></head>'
              '<body><outline text="%s">' % (marker, marker))
    for branch in range(branches):
        out.write('<outline text="Branch %d">%s</outline>' % (branch, "".join(
            '<outline text="Topic %d"/>' % topic for topic in range(99))))
    out.write("</outline></body></opml>\n")
PY
  }
  maps_with() { grep -rl --include='*.twkx' "text=\"$1\"" "$store/Mind Maps" | wc -l; }
  has_maps() { [ "$(maps_with "$1")" = "$2" ]; }
  # Until the command succeeds, looked at every twentieth of a second at most $1 times.
  eventually() {
    local tries=$1
    shift
    for _ in $(seq 1 "$tries"); do
      "$@" && return 0
      sleep 0.05
    done
    return 1
  }
  reap() {
    status=0
    wait "$start" || status=$?
    start=
  }
  start_owner() {
    "$program" >"$home/owner.log" 2>&1 &
    owner=$!
    wait_for_frame "$home/owner.log"
  }
  # The start's status and what it said agree with the store: with 0 its file is there once;
  # otherwise the start names it, and it is not there once the running program has come to it.
  agrees() {
    if [ "$status" = 0 ]; then
      [ "$(maps_with "$1")" = 1 ] || { cat "$home/start.log"; fail "$1: the start ended with 0 and the file is not in the store once"; }
      return 0
    fi
    grep -qF "Not opened: $home/$1.opml" "$home/start.log" ||
      { cat "$home/start.log"; fail "$1: the start ended with $status without naming its file"; }
    [ -z "$owner" ] || owner_decided "$1"
    [ "$(maps_with "$1")" = 0 ] || { cat "$home/start.log"; fail "$1: the start ended with $status, and its file is in the store"; }
  }
  ended() {
    reap
    agrees "$1"
  }
  # A running program that answers at once answers a start within moments: the deadline is only
  # there to say so rather than hang.
  answered() {
    for _ in $(seq 1 400); do
      kill -0 "$start" 2>/dev/null || return 0
      sleep 0.05
    done
    cat "$home/start.log"
    fail "$1: the start is not answered; it waits behind an alert of the running program"
  }
  # The running program takes hand-overs in turn: once a later one is taken, every earlier one
  # is decided. The later one waits for an import still under way, as long as that takes (a
  # sanitizer build on a busy machine: minutes); the test's own time limit is the bound.
  owner_decided() {
    make_file "$1-after"
    "$program" "$home/$1-after.opml" >"$home/after.log" 2>&1 || { cat "$home/after.log"; fail "$1: the next hand-over failed"; }
    [ "$(maps_with "$1-after")" = 1 ] || fail "$1: the next hand-over's file is not in the store"
  }
  # The start has ended or has taken over and shows its window, with its file once in the store.
  settle() {
    # Taking over means starting afresh and importing the file: a sanitizer build on a busy machine
    # may take a minute for it.
    for _ in $(seq 1 2400); do
      kill -0 "$start" 2>/dev/null || break
      grep -q tarnwick-first-frame "$home/start.log" && break
      sleep 0.05
    done
    wait "$owner" 2>/dev/null || true
    owner=
    if kill -0 "$start" 2>/dev/null; then
      grep -q tarnwick-first-frame "$home/start.log" || { cat "$home/start.log"; fail "$1: the start neither ended nor took over"; }
      for _ in $(seq 1 200); do
        [ "$(maps_with "$1")" -ge 1 ] && break
        sleep 0.05
      done
      [ "$(maps_with "$1")" = 1 ] || { cat "$home/start.log"; fail "$1: the start that took over does not have its file in the store once"; }
      owner=$start
      start=
      return 0
    fi
    ended "$1"
  }
  # GTK holds the whole display for a moment around some of its pointer queries; a program stopped
  # in that moment would hold it until resumed, and no other program could open a window. So the
  # program is stopped again, after a moment to go on, until the display still answers.
  stop_program() {
    for _ in $(seq 1 50); do
      kill -STOP "$1"
      timeout 2 xdotool getmouselocation >/dev/null 2>&1 && return 0
      kill -CONT "$1"
      sleep 0.1
    done
    fail "$2: a stopped program holds the display whenever it is stopped"
  }
  stop_owner() { stop_program "$owner" "$1"; }
  wait_for_window() {
    window=
    for _ in $(seq 1 200); do
      window=$(timeout 5 xdotool search --onlyvisible --pid "$start" 2>/dev/null | head -n 1 || true)
      [ -n "$window" ] && return 0
      sleep 0.05
    done
    cat "$home/start.log"
    fail "$1: the waiting start shows no window"
  }
  # The wait window has no default button: Tab reaches its one button, which Return then presses.
  focus_stop_waiting() {
    for _ in $(seq 1 10); do
      timeout 5 xdotool windowfocus --sync "$window" key Tab >/dev/null 2>&1 && return 0
    done
    fail "$1: the wait window never takes the focus"
  }
  # Keys that went astray, sent before the window had the focus, are sent again until the start
  # has ended or says that its file is being opened.
  stop_waiting() {
    for _ in $(seq 1 10); do
      timeout 5 xdotool windowfocus --sync "$window" key Tab Return >/dev/null 2>&1 || true
      for _ in $(seq 1 40); do
        kill -0 "$start" 2>/dev/null || return 0
        grep -q "is opening .* now\.$" "$home/start.log" && return 0
        sleep 0.05
      done
    done
    cat "$home/start.log"
    fail "$1: the start does not stop waiting"
  }
  # The names the running program holds while it takes a start's files.
  claims() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ListNames |
      grep -c 'com\.orrinworks\.Tarnwick\.HandOver\.Claim' || true
  }
  no_claims() { [ "$(claims)" = 0 ]; }
  has_claim() { [ "$(claims)" -ge 1 ]; }
  wait_for_claim() { eventually 2400 has_claim || fail "$1: the running program never took the start's files"; }
  start_gone() { ! kill -0 "$start" 2>/dev/null; }
  stored_maps() { ls "$store/Mind Maps" | grep -c '\.twkx$' || true; }
  owner_windows() { xdotool search --onlyvisible --pid "$owner" 2>/dev/null | sort; }
  # A copy of the map a hand-over of "$1-base" stored, its topic renamed "$1": the running program
  # has a map of its GUID already.
  make_duplicate() {
    make_file "$1-base"
    "$program" "$home/$1-base.opml" >"$home/base.log" 2>&1 || { cat "$home/base.log"; fail "$1: the hand-over of the map to copy failed"; }
    sed "s/text=\"$1-base\"/text=\"$1\"/" "$(grep -rl --include='*.twkx' "text=\"$1-base\"" "$store/Mind Maps")" >"$home/$1.twkx"
  }
  # The running program's alert: a window it did not show before ($windows).
  new_window() {
    alert=$(comm -13 <(echo "$windows") <(owner_windows) | head -n 1)
    [ -n "$alert" ]
  }
  wait_for_alert() { eventually 200 new_window || fail "$1: the running program shows no alert"; }
  alert_gone() { ! owner_windows | grep -qx "$alert"; }
  # Keys that went astray, sent before the alert had the focus, are sent again until it goes.
  answer_alert() {
    local round=$1
    shift
    for _ in $(seq 1 10); do
      timeout 5 xdotool windowfocus --sync "$alert" key "$@" >/dev/null 2>&1 || true
      eventually 40 alert_gone && return 0
    done
    fail "$round: the alert does not go"
  }
  wait_for_maps() { eventually 2400 has_maps "$1" "$2" || fail "$1: the store does not have $2 maps of it, but $(maps_with "$1")"; }

  start_owner
  grep -rlq 'text="Welcome"' "$store" || fail "the getting-started map is not in the store"

  n=0
  for round in $rounds; do
    n=$((n + 1))
    file=$round-$n
    status=
    case $round in
      killed-[0-9]* | quit-*) make_file "$file" 50 ;;
      killed-after-stored) make_file "$file" 50 ;;
      killed-while-importing | gave-up-while-importing | signalled-*) make_file "$file" 3000 ;;
      asked-*) make_duplicate "$file" ;;
      damaged) printf '<?xml version="1.0"?>\n<opml version="2.0"><body><outline text="%s"><outline' "$file" >"$home/$file.opml" ;;
      *) make_file "$file" ;;
    esac
    [ -n "$owner" ] || start_owner
    case $round in
      stopped* | given-up | gave-up-stopped | gave-up-as-continued | gave-up-after-answered | killed-before-claim)
        stop_owner "$round"
        ;;
      gave-up-behind-import)
        make_file "$file-first" 3000
        "$program" "$home/$file-first.opml" >"$home/first.log" 2>&1 &
        first=$!
        wait_for_claim "$round"
        ;;
      damaged | asked-*) windows=$(owner_windows) ;;
      killed-after-stored) stored=$(stored_maps) ;;
    esac
    given=$home/$file.opml
    case $round in asked-*) given=$home/$file.twkx ;; esac
    "$program" "$given" >"$home/start.log" 2>&1 &
    start=$!
    case $round in
      answered | killed-when-answered)
        reap
        [ "$status" = 0 ] || { cat "$home/start.log"; fail "$round: the start ended with $status"; }
        if [ "$round" = answered ]; then
          kill -0 "$owner" || fail "$round: the running program ended"
        else
          kill -9 "$owner"
          wait "$owner" || true
          owner=
        fi
        [ "$(maps_with "$file")" = 1 ] || fail "$round: the start ended with 0 and the file is not in the store once"
        ;;
      damaged)
        answered "$round"
        ended "$file"
        [ "$status" = 3 ] || { cat "$home/start.log"; fail "$round: the start handed a damaged file ended with $status"; }
        grep -qF "could not be imported" "$home/start.log" || { cat "$home/start.log"; fail "$round: the start does not say why"; }
        wait_for_alert "$round"
        ;;
      asked-order)
        answered "$round"
        reap
        [ "$status" = 5 ] || { cat "$home/start.log"; fail "$round: the start whose file is asked about ended with $status"; }
        wait_for_alert "$round"
        # Three more copies of one name, in three folders. The first is made before the others,
        # and stops before it runs: it reaches the running program last.
        base=$(grep -rl --include='*.twkx' "text=\"$file-base\"" "$store/Mind Maps")
        for k in 1 2 3; do
          mkdir -p "$home/$k"
          sed "s/text=\"$file-base\"/text=\"$file-$k\"/" "$base" >"$home/$k/$file.twkx"
        done
        bash -c 'kill -STOP $$; exec "$0" "$1"' "$program" "$home/1/$file.twkx" >"$home/first.log" 2>&1 &
        first=$!
        is_stopped() { grep -q '^State:[[:space:]]*T' "/proc/$first/status"; }
        eventually 200 is_stopped || fail "$round: the first start did not stop"
        # Processes are dated in ticks of the clock: the next ones are made a tick later.
        made=$(awk '{print $22}' "/proc/$first/stat")
        later_tick() { [ "$(awk '{print $22}' /proc/self/stat)" -gt "$made" ]; }
        eventually 200 later_tick || fail "$round: the clock does not tick"
        for k in 2 3; do
          status=0
          "$program" "$home/$k/$file.twkx" >"$home/start-$k.log" 2>&1 || status=$?
          [ "$status" = 5 ] || { cat "$home/start-$k.log"; fail "$round: start $k ended with $status"; }
          grep -qF "opened there if you choose so: $home/$k/$file.twkx" "$home/start-$k.log" || { cat "$home/start-$k.log"; fail "$round: start $k does not name its file"; }
        done
        kill -CONT "$first"
        status=0
        wait "$first" || status=$?
        first=
        [ "$status" = 5 ] || { cat "$home/first.log"; fail "$round: the first start ended with $status"; }
        # The question in front, then the three in the order given: the first overwrites the
        # stored map, the second is imported as new, the third is cancelled.
        asked=0
        for answer in Escape "Left Left space" "Left Left Right space" Escape; do
          windows=$(owner_windows)
          # shellcheck disable=SC2086
          answer_alert "$round" $answer
          asked=$((asked + 1))
          [ "$asked" = 4 ] || wait_for_alert "$round"
        done
        wait_for_maps "$file-1" 1
        wait_for_maps "$file-2" 1
        owner_decided "$file"
        [ "$(maps_with "$file-3")" = 0 ] && [ "$(maps_with "$file-base")" = 0 ] || fail "$round: the questions came in another order than the files were given"
        ;;
      asked-*)
        answered "$round"
        reap
        [ "$status" = 5 ] || { cat "$home/start.log"; fail "$round: the start whose file is asked about ended with $status"; }
        grep -qF "opened there if you choose so: $given" "$home/start.log" || { cat "$home/start.log"; fail "$round: the start does not say its file is asked about"; }
        wait_for_alert "$round"
        make_file "$file-later"
        timeout 60 "$program" "$home/$file-later.opml" >"$home/later.log" 2>&1 || { cat "$home/later.log"; fail "$round: the later start was not answered while the question was up"; }
        [ "$(maps_with "$file-later")" = 1 ] || fail "$round: the later start's file is not in the store once"
        # The question has no default button: Escape cancels, and the arrows stop at the first
        # button, so the keys sent again after going astray press the same one.
        case $round in
          asked-overwrite) answer_alert "$round" Left Left space; wait_for_maps "$file" 1; wait_for_maps "$file-base" 0 ;;
          asked-new) answer_alert "$round" Left Left Right space; wait_for_maps "$file" 1; wait_for_maps "$file-base" 1 ;;
          *)
            answer_alert "$round" Escape
            # What the program did with the answer is done before it takes the next hand-over.
            owner_decided "$file"
            [ "$(maps_with "$file")" = 0 ] && [ "$(maps_with "$file-base")" = 1 ] || fail "$round: the store changed"
            ;;
        esac
        ;;
      signalled-*)
        # Stopped while it holds the files, the running program answers nothing.
        wait_for_claim "$round"
        stop_owner "$round"
        wait_for_window "$round"
        kill -"${round#signalled-}" "$start" || true
        eventually 300 start_gone || { cat "$home/start.log"; fail "$round: the start does not end on the signal"; }
        reap
        kill -CONT "$owner"
        [ "$status" = 5 ] || { cat "$home/start.log"; fail "$round: the start ended on the signal with $status"; }
        grep -qF "was opening $given when this start ended" "$home/start.log" || { cat "$home/start.log"; fail "$round: the start does not say the file was being opened"; }
        wait_for_maps "$file" 1
        # The map is stored before it is shown: the claim goes after that, and the next round's
        # start must not find this one.
        eventually 2400 no_claims || fail "$round: the running program holds the claim of a start that ended"
        ;;
      during-alert)
        # Comes after a damaged file, whose alert is still up.
        answered "$round"
        ended "$file"
        [ "$status" = 0 ] || { cat "$home/start.log"; fail "$round: the start ended with $status"; }
        answer_alert "$round" Return
        ;;
      killed-before-claim)
        wait_for_window "$round"
        kill -9 "$owner"
        settle "$file"
        ;;
      killed-while-importing)
        wait_for_claim "$round"
        kill -9 "$owner"
        settle "$file"
        ;;
      killed-after-stored)
        # Killed as soon as the map's file is there, before the map shows and the start is told.
        until [ "$(stored_maps)" -gt "$stored" ]; do
          kill -0 "$start" 2>/dev/null || break
          sleep 0.01
        done
        kill -9 "$owner"
        settle "$file"
        ;;
      killed-*)
        sleep "${round#killed-}"
        kill -9 "$owner"
        settle "$file"
        ;;
      quit-*)
        sleep "${round#quit-}"
        kill -TERM "$owner"
        settle "$file"
        ;;
      stopped)
        wait_for_window "$round"
        # Said by the start itself, which a busy machine may run later than the window it found.
        eventually 2400 grep -q "Waiting for the Tarnwick that is already running" "$home/start.log" ||
          { cat "$home/start.log"; fail "$round: nothing said on standard error"; }
        eventually 2400 grep -q "(process $owner)" "$home/start.log" || fail "$round: the running program is not named"
        kill -CONT "$owner"
        reap
        [ "$status" = 0 ] || { cat "$home/start.log"; fail "$round: the start ended with $status once the owner was resumed"; }
        [ "$(maps_with "$file")" = 1 ] || fail "$round: the file is not in the store once"
        ;;
      stopped-quit)
        # The quit and the hand-over wait side by side for the resumed program.
        wait_for_window "$round"
        kill -TERM "$owner"
        kill -CONT "$owner"
        settle "$file"
        ;;
      given-up | gave-up-stopped)
        wait_for_window "$round"
        stop_waiting "$round"
        reap
        [ "$status" = 3 ] || { cat "$home/start.log"; fail "$round: the start that stopped waiting ended with $status"; }
        kill -CONT "$owner"
        agrees "$file"
        ;;
      gave-up-as-continued)
        wait_for_window "$round"
        # Either of the two may come first: the rounds take turns.
        focus_stop_waiting "$round"
        if [ $((n % 2)) = 0 ]; then
          kill -CONT "$owner"
          xdotool key Return
        else
          xdotool key Return
          kill -CONT "$owner"
        fi
        ended "$file"
        ;;
      gave-up-behind-import)
        wait_for_window "$round"
        stop_waiting "$round"
        ended "$file"
        imported=0
        wait "$first" || imported=$?
        first=
        [ "$imported" = 0 ] || { cat "$home/first.log"; fail "$round: the start whose file was being imported ended with $imported"; }
        [ "$(maps_with "$file-first")" = 1 ] || fail "$round: the imported file is not in the store once"
        ;;
      gave-up-while-importing)
        wait_for_claim "$round"
        wait_for_window "$round"
        stop_waiting "$round"
        ended "$file"
        [ "$status" = 0 ] || fail "$round: the start that stopped waiting once its file was being opened ended with $status"
        ;;
      gave-up-after-answered)
        # Stopped itself, the start is answered; then it is resumed with a Return to stop waiting.
        wait_for_window "$round"
        focus_stop_waiting "$round"
        stop_program "$start" "$round"
        kill -CONT "$owner"
        for _ in $(seq 1 2400); do
          [ "$(maps_with "$file")" = 1 ] && [ "$(claims)" = 0 ] && break
          sleep 0.05
        done
        [ "$(claims)" = 0 ] || fail "$round: the running program did not answer"
        xdotool key Return
        kill -CONT "$start"
        ended "$file"
        [ "$status" = 0 ] || fail "$round: the start answered before it stopped waiting ended with $status"
        ;;
    esac
    ! grep -q 'GLib' "$home/start.log" || { cat "$home/start.log"; fail "$round: GLib warned"; }
    if [ -n "$status" ]; then echo "$round: the start ended with $status"; else echo "$round: the start took over"; fi
  done
  [ -n "$owner" ] || start_owner
  kill -TERM "$owner"
  wait "$owner" || fail "the running program did not quit cleanly"
  owner=
  echo PASS
}
export -f run
export program rounds
dbus-run-session --config-file="$home/bus.conf" -- bash -c run
