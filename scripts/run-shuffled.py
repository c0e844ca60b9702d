#!/usr/bin/env python3
"""Runs every test program of a build once more, each as one process with its tests in shuffled
order, so that a test that leaves process-wide state behind (settings, singletons, the
environment) fails the run instead of passing by the order it happens to run in.

    run-shuffled.py <build dir> [seed]

The seed is printed; the same seed gives the same order again. The programs run side by side,
as many at once as the machine has cores for this process; those whose tests need a display start
one of their own, so no program's windows, grabs or presses reach another's.
"""
import concurrent.futures
import json
import os
import random
import subprocess
import sys
import time


def test_programs(build):
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                             capture_output=True, encoding="utf-8").stdout
    programs = {}
    for test in json.loads(listing)["tests"]:
        command = test.get("command") or []
        # Only Google Test programs; the scripts that start the application run once, by ctest.
        if len(command) < 2 or not any(arg.startswith("--gtest_filter=") for arg in command):
            continue
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        entry = programs.setdefault(command[0], {
            "cwd": properties.get("WORKING_DIRECTORY", build),
            "environment": properties.get("ENVIRONMENT", []),
        })
        entry["cwd"] = properties.get("WORKING_DIRECTORY", entry["cwd"])
    return programs


def run(program, entry, seed):
    environment = dict(os.environ)
    for assignment in entry["environment"]:
        name, _, value = assignment.partition("=")
        environment[name] = value
    start = time.monotonic()
    result = subprocess.run([program, "--gtest_shuffle", f"--gtest_random_seed={seed}", "--gtest_brief=1"],
                            cwd=entry["cwd"], env=environment, capture_output=True, encoding="utf-8",
                            errors="replace")
    return program, result.returncode, result.stdout + result.stderr, time.monotonic() - start


def main():
    build = sys.argv[1]
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else random.randint(1, 99999)
    print(f"shuffled runs of every test program, --gtest_random_seed={seed}", flush=True)
    programs = test_programs(build)
    failed = []

    def report(outcome):
        program, status, output, seconds = outcome
        name = os.path.basename(program)
        print(f"  {'ok  ' if status == 0 else 'FAIL'} {name} ({seconds:.0f} s)", flush=True)
        if status != 0:
            failed.append(name)
            print(output, flush=True)

    with concurrent.futures.ThreadPoolExecutor(max_workers=len(os.sched_getaffinity(0))) as pool:
        for outcome in pool.map(lambda item: run(item[0], item[1], seed), programs.items()):
            report(outcome)

    if failed:
        print(f"shuffled runs failed with --gtest_random_seed={seed}: {' '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
