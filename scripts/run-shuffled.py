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
import fnmatch
import json
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time


# A program that hangs fails the run in good time, well inside CI's limit, instead of holding it.
# The script's own test gives a shorter limit.
PROGRAM_LIMIT_SECONDS = float(os.environ.get("TARNWICK_PROGRAM_LIMIT_SECONDS", 1200))
# What a program's output may still take once its group was killed: a process that left the group
# (a daemon it started) can hold the output open for ever.
OUTPUT_GRACE_SECONDS = 10
WINDOWS_WORTH_SHARING = 20
# Google Test's own pattern of the tests it leaves out unless asked.
DISABLED_TESTS = ("DISABLED_*", "*/DISABLED_*")


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


def program_environment(entry):
    environment = dict(os.environ)
    for assignment in entry["environment"]:
        name, _, value = assignment.partition("=")
        environment[name] = value
    return environment


def listed_tests(program, entry):
    """The program's tests Google Test would run, in the order it numbers them for its shares."""
    listing = subprocess.run([program, "--gtest_list_tests"], cwd=entry["cwd"], env=program_environment(entry),
                             capture_output=True, encoding="utf-8", errors="replace", timeout=120)
    if listing.returncode != 0:
        raise RuntimeError(f"{program} --gtest_list_tests ended with {listing.returncode}:\n{listing.stdout}"
                           f"{listing.stderr}")
    tests = []
    suite = None
    for line in listing.stdout.splitlines():
        # A parameterised test or suite says its parameter after the name: "  Name  # GetParam() = 3".
        name = line.split("  #", 1)[0].strip()
        if not name:
            continue
        if not line.startswith(" "):
            suite = name
        elif suite is not None and not any(fnmatch.fnmatchcase(part, pattern) for part in (suite.rstrip("."), name)
                                           for pattern in DISABLED_TESTS):
            tests.append(suite + name)
    return tests


def tests_of_share(tests, shard, shards):
    # Google Test gives the share the tests whose number, counted in the listing's order, leaves
    # the share's index when divided by the number of shares.
    return [name for number, name in enumerate(tests) if number % shards == shard]


def tests_reported(report_path):
    """The tests the program's report says it ran; None without a report."""
    try:
        with open(report_path, encoding="utf-8") as report:
            suites = json.load(report).get("testsuites", [])
    except (OSError, ValueError):
        return None
    return {suite["name"] + "." + test["name"] for suite in suites for test in suite.get("testsuite", [])
            if test.get("status") == "RUN"}


def finish(process):
    """What the process wrote, within a bound also where a process outside its group holds the output."""
    try:
        return process.communicate(timeout=OUTPUT_GRACE_SECONDS)[0] or ""
    except subprocess.TimeoutExpired:
        process.kill()
        for stream in (process.stdout, process.stderr):
            if stream:
                stream.close()
        process.wait(timeout=OUTPUT_GRACE_SECONDS)
        return f"\nits output was still held open {OUTPUT_GRACE_SECONDS} s after it was killed\n"


def run(program, entry, seed, shard, shards):
    start = time.monotonic()
    environment = program_environment(entry)
    environment["GTEST_SHARD_INDEX"] = str(shard)
    environment["GTEST_TOTAL_SHARDS"] = str(shards)
    try:
        expected = tests_of_share(listed_tests(program, entry), shard, shards)
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as error:
        return "not listed", f"its tests could not be listed: {error}\n", time.monotonic() - start
    with tempfile.TemporaryDirectory() as folder:
        report = os.path.join(folder, "report.json")
        # A group of its own: a program past its limit ends with its display and whatever else it
        # started, which would otherwise hold its output open.
        process = subprocess.Popen([program, "--gtest_shuffle", f"--gtest_random_seed={seed}", "--gtest_brief=1",
                                    f"--gtest_output=json:{report}"],
                                   cwd=entry["cwd"], env=environment, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, encoding="utf-8", errors="replace",
                                   start_new_session=True)
        try:
            output, _ = process.communicate(timeout=PROGRAM_LIMIT_SECONDS)
            status = process.returncode
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            output = finish(process)
            return "not done", output + f"\nnot done after {PROGRAM_LIMIT_SECONDS:g} s\n", time.monotonic() - start
        ran = tests_reported(report)
    # A program that ends early with status 0 (an exit() in code under test, a crash handler that
    # exits 0) passes only the tests it ran.
    if status == 0:
        if ran is None:
            status, output = "no report", output + "\nit ended without reporting its tests\n"
        elif missing := [name for name in expected if name not in ran]:
            status = "not all run"
            output += (f"\nit ran {len(expected) - len(missing)} of its {len(expected)} tests; not run: "
                       + " ".join(missing[:10]) + (" ..." if len(missing) > 10 else "") + "\n")
    return status, output, time.monotonic() - start


def ctest_pattern(names):
    return "^(" + "|".join(re.escape(name) for name in names) + ")$"


def tests_matched(build, pattern):
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1", "-R", pattern], check=True,
                             capture_output=True, encoding="utf-8", timeout=120).stdout
    return [test["name"] for test in json.loads(listing)["tests"]]


def run_ctest(build, names, workers):
    """Runs the named tests, each and no other; false where one failed or a name matched none."""
    pattern = ctest_pattern(names)
    matched = tests_matched(build, pattern)
    if sorted(matched) != sorted(names):
        print("the names given to ctest do not match the tests: missing "
              f"{sorted(set(names) - set(matched))}, more {sorted(set(matched) - set(names))}", flush=True)
        return False
    return subprocess.run(["ctest", "--test-dir", build, "--output-on-failure", f"-j{workers}", "--no-tests=error",
                           "-R", pattern]).returncode == 0


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
        if not run_ctest(build, others, workers):
            failed.append("ctest")

    if failed:
        print(f"test runs failed (programs shuffled with --gtest_random_seed={seed}): {' '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
