#!/usr/bin/env python3
# Measures what a structural edit costs the whole program, key by key, from the key to the painted
# frame: the 10,000-topic FreeMind map is opened with the Outline tab shown, a topic is selected, and
# xdotool drives cycles of Tab (a child, edited), Return (the edit ends), Return (a sibling, edited),
# a letter, Escape (the edit is cancelled, the sibling goes and the topic first selected is selected
# again), so that every cycle starts where the last one did. Each key's cost is the processor time
# of all the program's threads until the program is idle again, animations included; the first
# cycle warms up and is not counted. The program runs on $DISPLAY (else under xvfb-run) with its own
# HOME, XDG folders and session bus.
#   bench/edit-keys.py [build-dir] [cycles] [runs]
# TARNWICK_EDIT_KEYS="Tab x Escape" drives other keys (xdotool's names); with
# TARNWICK_EDIT_KEYS_PERF=<file>, perf records the counted cycles of the run into that file. With
# TARNWICK_EDIT_KEYS_CALLGRIND=<prefix>, the program runs under valgrind's callgrind, which counts
# instructions only over the counted cycles, into <prefix>.<run>: a figure that a busy machine does
# not change, where processor time grows with the load of the other cores.
import os, shutil, statistics, subprocess, sys, tempfile, time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("TARNWICK_BUILD_DIR", os.path.join(root, "build"))
cycles = int(sys.argv[2]) if len(sys.argv) > 2 else 20
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
program = os.path.abspath(os.path.join(build, "bin", "tarnwick"))
if not os.access(program, os.X_OK):
    sys.exit(f"no program at {program}; build first")
if not os.environ.get("DISPLAY"):
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable] + sys.argv)

KEYS = os.environ.get("TARNWICK_EDIT_KEYS", "Tab Return Return x Escape").split()
CYCLE = [(name, f"{index + 1}. {name}") for index, name in enumerate(KEYS)]
TICK = os.sysconf("SC_CLK_TCK")
profile = os.environ.get("TARNWICK_EDIT_KEYS_PERF")
callgrind = os.environ.get("TARNWICK_EDIT_KEYS_CALLGRIND")


def stat_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def run_nanoseconds(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def wait_idle(pid, quiet=0.25, step=0.025, limit=30):
    # Idle once no thread has run for `quiet` seconds (the caret's blink runs less than that).
    end = time.time() + limit
    last, still = run_nanoseconds(pid), 0.0
    while time.time() < end:
        time.sleep(step)
        now = run_nanoseconds(pid)
        if now - last < 200_000:
            still += step
            if still >= quiet:
                return
        else:
            still = 0.0
        last = now
    raise SystemExit("the program did not become idle")


def key(name):
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)


def callgrind_instructions(out_file):
    # A dump's "summary" line comes before its costs and may say 0; its "totals" line ends it.
    with open(out_file) as f:
        totals = [int(line.split()[1]) for line in f if line.startswith("totals:")]
    if not totals:
        raise SystemExit(f"no instruction count in {out_file}")
    return totals[-1]


def one_run(map_file, work, run):
    home = tempfile.mkdtemp(dir=work)
    config = os.path.join(home, "config", "tarnwick")
    os.makedirs(config)
    version = open(os.path.join(build, "bundle-version.txt")).read().strip()
    with open(os.path.join(config, "defaults.plist"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                f"<key>new-features-v{version}</key><true/></dict></plist>\n")
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data", XDG_CONFIG_HOME=f"{home}/config",
               XDG_CACHE_HOME=f"{home}/cache", NO_AT_BRIDGE="1", TARNWICK_DEVICE_LINK="off",
               TARNWICK_STARTUP_TIMING="1")
    pid_file = os.path.join(home, "pid")
    log = open(os.path.join(home, "log"), "w")
    wrapper = []
    if callgrind:
        out_file = f"{callgrind}.{run}"
        wrapper = ["valgrind", "--tool=callgrind", "--instr-atstart=no", f"--callgrind-out-file={out_file}"]
    launcher = subprocess.Popen(["dbus-run-session", "--", "sh", "-c", 'echo $$ >"$0"; exec "$@"', pid_file] + wrapper +
                                [program, map_file], env=env, stdout=log, stderr=subprocess.STDOUT)
    pid = None
    try:
        while not (os.path.exists(pid_file) and open(pid_file).read().strip()):
            time.sleep(0.05)
        pid = int(open(pid_file).read())
        while "tarnwick-first-frame" not in open(os.path.join(home, "log")).read():
            if launcher.poll() is not None:
                raise SystemExit("the program ended before its first frame")
            time.sleep(0.05)
        # Under valgrind a key takes tens of times as long, and its pauses for the display server
        # are longer.
        scale, limit = (2, 600) if callgrind else (1, 30)

        def settle(quiet=0.25):
            wait_idle(pid, quiet=quiet * scale, limit=limit)

        settle(1.0)
        for name in ["ctrl+1", "Right", "Right"]:
            key(name)
            settle()
        costs = {label: [] for _, label in CYCLE}
        profiler = None
        for cycle in range(cycles + 1):
            if cycle == 1:
                stat_start = stat_seconds(pid)
                if callgrind:
                    subprocess.run(["callgrind_control", "--instr=on", str(pid)], check=True,
                                   stdout=subprocess.DEVNULL)
                if profile:
                    profiler = subprocess.Popen(["perf", "record", "-q", "-e", "cpu-clock", "-F", "2000", "--call-graph",
                                                 "dwarf,16384", "-o", profile, "-p", str(pid)])
                    time.sleep(1)
            for name, label in CYCLE:
                before = run_nanoseconds(pid)
                key(name)
                settle()
                if cycle:
                    costs[label].append((run_nanoseconds(pid) - before) / 1e6)
        if profiler:
            profiler.send_signal(2)
            profiler.wait()
        if callgrind:
            # The dump (<prefix>.<run>.1) holds what was counted since the counting began; the file
            # written at the program's end, what came after.
            for command in ["--instr=off", "--dump"]:
                subprocess.run(["callgrind_control", command, str(pid)], check=True, stdout=subprocess.DEVNULL)
            costs["instructions"] = [callgrind_instructions(f"{out_file}.1") / (cycles * len(CYCLE))]
        # utime and stime count whole ticks; over every key they check the threads' own sum.
        costs["stat"] = [(stat_seconds(pid) - stat_start) * 1000 / (cycles * len(CYCLE))]
        return costs
    finally:
        if pid:
            os.kill(pid, 15)
        try:
            launcher.wait(10)
        except subprocess.TimeoutExpired:
            launcher.kill()


def main():
    work = tempfile.mkdtemp()
    try:
        map_file = os.path.join(work, "ten-thousand.mm")
        subprocess.run([sys.executable, os.path.join(root, "bench", "freemind-map.py"), "10000", map_file], check=True)
        per_run = [one_run(map_file, work, run) for run in range(runs)]
        print(f"processor time a key, 10,000-topic map, Outline tab shown ({cycles} cycles, median of {runs} runs):")
        for _, label in CYCLE:
            means = [statistics.mean(costs[label]) for costs in per_run]
            print(f"  {label:<24} {statistics.median(means):7.1f} ms  (runs: {', '.join(f'{m:.1f}' for m in means)})")
        overall = [statistics.mean([c for _, label in CYCLE for c in costs[label]]) for costs in per_run]
        print(f"  {'every key':<24} {statistics.median(overall):7.1f} ms  (runs: {', '.join(f'{m:.1f}' for m in overall)})")
        ticks = [costs["stat"][0] for costs in per_run]
        print(f"  {'every key, utime+stime':<24} {statistics.median(ticks):7.1f} ms  (runs: {', '.join(f'{m:.1f}' for m in ticks)})")
        if callgrind:
            counts = [costs["instructions"][0] / 1e6 for costs in per_run]
            print(f"  {'every key, instructions':<24} {statistics.median(counts):7.1f} M   (runs: {', '.join(f'{m:.1f}' for m in counts)})")
    finally:
        shutil.rmtree(work, ignore_errors=True)


main()
