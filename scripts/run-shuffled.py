#!/usr/bin/env python3
"""Runs every test program of a build, each as one process with its tests in shuffled order, so
that a test that leaves process-wide state behind (settings, singletons, the environment) fails
the run instead of passing by the order it happens to run in; then, through ctest, the tests that
are scripts or programs of their own rather than a test program's tests.

    run-shuffled.py <build dir> [seed]

The seed is printed; the same seed gives the same order again. The programs run side by side,
as many at once as the machine has cores for this process; those whose tests need a display start
one of their own, so no program's windows, grabs or presses reach another's. One process a
program costs a fifth of the processor time of one a test, most of it in the displays the tests
with windows start: the sanitizer build still runs each test alone.
"""
import concurrent.futures
import json
import os
import random
import signal
import subprocess
import sys
import time


# A program that hangs fails the run in good time, well inside CI's limit, instead of holding it.
PROGRAM_LIMIT_SECONDS = 1200
WINDOWS_WORTH_SHARING = 20


def test_programs(build):
    """The Google Test programs with what they run in, and the names of the other tests."""
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                             capture_output=True, encoding="utf-8").stdout
    programs = {}
    others = []
    for test in json.loads(listing)["tests"]:
        command = test.get("command") or []
        if len(command) < 2 or not any(arg.startswith("--gtest_filter=") for arg in command):
            others.append(test["name"])
            continue
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        entry = programs.setdefault(command[0], {
            "cwd": properties.get("WORKING_DIRECTORY", build),
            "environment": properties.get("ENVIRONMENT", []),
            "windows": 0,
        })
        entry["windows"] += "xvfb" in properties.get("LABELS", [])
        entry["cwd"] = properties.get("WORKING_DIRECTORY", entry["cwd"])
    return programs, others


def run(program, entry, seed, shard, shards):
    environment = dict(os.environ)
    for assignment in entry["environment"]:
        name, _, value = assignment.partition("=")
        environment[name] = value
    environment["GTEST_SHARD_INDEX"] = str(shard)
    environment["GTEST_TOTAL_SHARDS"] = str(shards)
    start = time.monotonic()
    # A group of its own: a program past its limit ends with its display and whatever else it
    # started, which would otherwise hold its output open.
    process = subprocess.Popen([program, "--gtest_shuffle", f"--gtest_random_seed={seed}", "--gtest_brief=1"],
                               cwd=entry["cwd"], env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               encoding="utf-8", errors="replace", start_new_session=True)
    try:
        output, _ = process.communicate(timeout=PROGRAM_LIMIT_SECONDS)
        status = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        status, output = "not done", output + f"\nnot done after {PROGRAM_LIMIT_SECONDS} s\n"
    return status, output, time.monotonic() - start


def main():
    build = sys.argv[1]
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else random.randint(1, 99999)
    print(f"shuffled runs of every test program, --gtest_random_seed={seed}", flush=True)
    programs, others = test_programs(build)
    workers = len(os.sched_getaffinity(0))
    # The tests that show windows take longest: a program with many of them is shared out among
    # the workers (each share a process of its own), and the largest shares start first, so that
    # no one program holds the end of the run alone.
    jobs = []
    for program, entry in programs.items():
        shards = min(workers, 4) if entry["windows"] >= WINDOWS_WORTH_SHARING else 1
        jobs += [(program, entry, shard, shards) for shard in range(shards)]
    jobs.sort(key=lambda job: -job[1]["windows"] / job[3])
    failed = []

    def report(job, outcome):
        program, _, shard, shards = job
        status, output, seconds = outcome
        name = os.path.basename(program) + (f" [{shard + 1}/{shards}]" if shards > 1 else "")
        print(f"  {'ok  ' if status == 0 else 'FAIL'} {name} ({seconds:.0f} s)", flush=True)
        if status != 0:
            failed.append(name)
            print(output, flush=True)

    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        futures = {pool.submit(run, program, entry, seed, shard, shards): (program, entry, shard, shards)
                   for program, entry, shard, shards in jobs}
        for future in concurrent.futures.as_completed(futures):
            report(futures[future], future.result())

    if others:
        print(f"the {len(others)} tests of their own, through ctest", flush=True)
        names = "|".join(name.replace(".", "\\.") for name in others)
        ctest = subprocess.run(["ctest", "--test-dir", build, "--output-on-failure", f"-j{workers}",
                                "-R", f"^({names})$"])
        if ctest.returncode != 0:
            failed.append("ctest")

    if failed:
        print(f"test runs failed (programs shuffled with --gtest_random_seed={seed}): {' '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
