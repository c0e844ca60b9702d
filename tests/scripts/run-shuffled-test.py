#!/usr/bin/env python3
"""The shuffled stage (scripts/run-shuffled.py) over made-up builds: a stand-in test program that
behaves as Google Test does, or ends early, or hangs with a process outside its group holding its
output, and scripts whose names hold regular expression characters.

    run-shuffled-test.py <run-shuffled.py>
"""
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

RUNNER = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "scripts/run-shuffled.py")

# The tests the stand-in lists, as Google Test does, with a disabled one and a parameterised one.
STAND_IN = textwrap.dedent('''\
    #!/usr/bin/env python3
    import json, os, subprocess, sys, time
    LISTING = "Fake.\\n  One\\n  Two\\n  DISABLED_Off\\nEach/Param.\\n  Case/0  # GetParam() = 1\\n  Case/1  # GetParam() = 2\\n"
    if "--gtest_list_tests" in sys.argv:
        print(LISTING, end="")
        sys.exit(0)
    tests = [("Fake", "One"), ("Fake", "Two"), ("Each/Param", "Case/0"), ("Each/Param", "Case/1")]
    shard, shards = int(os.environ.get("GTEST_SHARD_INDEX", 0)), int(os.environ.get("GTEST_TOTAL_SHARDS", 1))
    mine = [test for number, test in enumerate(tests) if number % shards == shard]
    mode = os.environ["STAND_IN_MODE"]
    if mode == "early":
        print("[ RUN      ] " + ".".join(mine[0]))
        sys.exit(0)
    if mode == "hang":
        # A process of a session of its own keeps the output open after the group is killed.
        held = subprocess.Popen(["sleep", "600"], start_new_session=True)
        with open(os.environ["STAND_IN_PID_FILE"], "w") as pid:
            pid.write(str(held.pid))
        time.sleep(600)
    if mode == "one-unreported":
        mine = mine[1:]
    report = next(arg.split(":", 1)[1] for arg in sys.argv if arg.startswith("--gtest_output=json:"))
    suites = {}
    for suite, name in mine:
        suites.setdefault(suite, []).append({"name": name, "status": "RUN", "result": "COMPLETED"})
    with open(report, "w") as out:
        json.dump({"testsuites": [{"name": s, "testsuite": t} for s, t in suites.items()]}, out)
    print("[  PASSED  ] %d tests." % len(mine))
''')


def load_runner():
    spec = importlib.util.spec_from_file_location("run_shuffled", RUNNER)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


class ShuffledStage(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        self.stand_in = os.path.join(self.folder, "stand-in")
        with open(self.stand_in, "w") as out:
            out.write(STAND_IN)
        os.chmod(self.stand_in, 0o755)
        self.pid_file = os.path.join(self.folder, "held.pid")
        self.addCleanup(self.end_held_process)

    def end_held_process(self):
        if os.path.exists(self.pid_file):
            with open(self.pid_file) as pid:
                try:
                    os.kill(int(pid.read()), signal.SIGKILL)
                except (ValueError, ProcessLookupError):
                    pass

    # A build whose ctest knows the stand-in's tests (as many as make it shared out among the
    # cores) and the scripts given, each a shell command.
    def build(self, mode, scripts=()):
        build = os.path.join(self.folder, "build")
        os.makedirs(build, exist_ok=True)
        lines = []
        environment = f"STAND_IN_MODE={mode};STAND_IN_PID_FILE={self.pid_file}"
        for number in range(25):
            name = f"Fake.Window{number}"
            lines.append(f'add_test([=[{name}]=] "{self.stand_in}" "--gtest_filter={name}")')
            lines.append(f'set_tests_properties([=[{name}]=] PROPERTIES LABELS "xvfb" '
                         f'ENVIRONMENT "{environment}" WORKING_DIRECTORY "{build}")')
        for name, command in scripts:
            lines.append(f'add_test([=[{name}]=] "sh" "-c" [=[{command}]=])')
        with open(os.path.join(build, "CTestTestfile.cmake"), "w") as out:
            out.write("\n".join(lines) + "\n")
        return build

    def stage(self, build, limit=None):
        environment = dict(os.environ)
        if limit:
            environment["TARNWICK_PROGRAM_LIMIT_SECONDS"] = str(limit)
        started = time.monotonic()
        run = subprocess.run([sys.executable, RUNNER, build, "7"], capture_output=True, encoding="utf-8",
                             env=environment, timeout=120)
        return run.returncode, run.stdout + run.stderr, time.monotonic() - started

    def test_a_program_passes_only_when_it_reported_every_test_of_its_share(self):
        rows = [
            ("all", 0, ""),
            ("early", 1, "it ended without reporting its tests"),
            ("one-unreported", 1, "not run: "),
        ]
        for mode, status, said in rows:
            with self.subTest(mode=mode):
                code, output, _ = self.stage(self.build(mode))
                self.assertEqual(code, status, output)
                self.assertIn(said, output)

    def test_a_hung_program_ends_at_its_limit_though_a_process_outside_its_group_holds_its_output(self):
        code, output, seconds = self.stage(self.build("hang"), limit=2)
        self.assertEqual(code, 1, output)
        self.assertIn("not done after 2 s", output)
        runner = load_runner()
        self.assertLess(seconds, 2 + runner.OUTPUT_GRACE_SECONDS + 30, output)

    def test_scripts_named_with_regular_expression_characters_run_each_and_alone(self):
        marker = os.path.join(self.folder, "ran")
        scripts = [
            ("Script.a+b (c)", f"echo plus >> {marker}"),
            ("Script.[x]*", f"echo star >> {marker}"),
            # Would be run by a pattern that took the names above as expressions.
            ("Script.aab c", f"echo other >> {marker}; exit 1"),
            ("Script.x", f"echo x >> {marker}"),
        ]
        build = self.build("all", scripts)
        runner = load_runner()
        names = ["Script.a+b (c)", "Script.[x]*"]
        self.assertEqual(sorted(runner.tests_matched(build, runner.ctest_pattern(names))), sorted(names))
        self.assertTrue(runner.run_ctest(build, names, 1))
        with open(marker) as ran:
            self.assertEqual(sorted(ran.read().split()), ["plus", "star"])
        self.assertFalse(runner.run_ctest(build, names + ["Script.gone"], 1), "a name that matches nothing")

        # The whole stage runs the failing script by its own name, and fails.
        code, output, _ = self.stage(build)
        self.assertEqual(code, 1, output)
        self.assertRegex(output, r"test runs failed .*: ctest")


if __name__ == "__main__":
    unittest.main()
