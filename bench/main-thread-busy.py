#!/usr/bin/env python3
"""Reports how long at a time the main thread of a program was busy after its first frame.

The program runs under strace, which notes every call of the main thread into its main loop's
poll; the main thread is busy from each return from poll to its next call. Each turn of the main
loop polls, so a busy stretch is one turn: what an event arriving meanwhile waits for at most.
Waiting for a lock or a worker counts as busy, as the window does not answer then either. After
the program has printed its first-frame line (run it with TARNWICK_STARTUP_TIMING=1) and the given
number of seconds have passed, the program is ended.

    bench/main-thread-busy.py SECONDS PROGRAM [ARGUMENTS...]

Prints the busy turns of 20 ms or longer after the first frame, and the longest.
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

CALL = re.compile(r"^(\d+\.\d+) (?:<\.\.\. )?(poll|ppoll)\b.*?(?:<(\d+\.\d+)>)?$")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    seconds = float(sys.argv[1])
    with tempfile.TemporaryDirectory() as folder:
        trace = os.path.join(folder, "trace")
        # Only the main thread: strace follows no thread the program starts.
        process = subprocess.Popen(["strace", "-qq", "-ttt", "-T", "-e", "trace=poll,ppoll", "-o", trace] +
                                   sys.argv[2:], stdout=subprocess.PIPE, text=True)
        frame = None
        deadline = time.time() + 120
        for line in process.stdout:
            if line.startswith("tarnwick-first-frame:"):
                frame = float(line.split("wall clock")[1])
                break
            if time.time() > deadline:
                break
        if frame is not None:
            time.sleep(max(0.0, frame + seconds - time.time()))
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        if frame is None:
            sys.exit("no first frame reported")
        turns, returned = [], None
        with open(trace) as f:
            for line in f:
                match = CALL.match(line.strip())
                if not match:
                    continue
                called = float(match.group(1))
                if returned is not None and called > frame:
                    turns.append((max(returned, frame), called))
                returned = called + float(match.group(3) or 0)
    for start, end in turns:
        if end - start >= 0.020:
            print("  busy %6.0f ms from %6.0f ms after the first frame" % ((end - start) * 1000, (start - frame) * 1000))
    print("longest busy turn after the first frame: %.0f ms" % (max((e - s for s, e in turns), default=0) * 1000))


if __name__ == "__main__":
    main()
