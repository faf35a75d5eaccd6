#!/usr/bin/env python3
"""Checks that CTest sees every case of every test executable with the labels
and environment of its registration (tests/CMakeLists.txt writes them to
BUILD/tests/test_executables.txt):
  - each executable's cases, as it lists them itself, are all registered;
  - every registered case carries exactly its executable's labels, the test
    data folder, and the offscreen platform when it is a GUI test;
  - ctest -L gui, -L server and -L large select as many cases as the
    executables with that label register.
Prints one line of counts; exits 1 with the differences when any check fails.
  check-labels.py BUILD"""
import json
import os
import subprocess
import sys

SELECTED_LABELS = ("gui", "server", "large")


def registered_cases(executable):
    """The executable's own list of its cases, disabled ones included."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    out = subprocess.run([executable, "--gtest_list_tests"], env=env, capture_output=True,
                         text=True, timeout=120, check=True).stdout
    cases, suite = [], None
    for line in out.splitlines():
        if not line.strip():
            continue
        name = line.split("#")[0].strip()
        if line.startswith("  "):
            cases.append(suite + name)
        else:
            suite = name
    return cases


def ctest(build, *args):
    return subprocess.run(["ctest", "--test-dir", build, *args], capture_output=True, text=True,
                          timeout=600, check=True).stdout


def selected_count(build, label):
    """The number of cases that ctest -L LABEL selects, exactly as a user types it."""
    for line in ctest(build, "-N", "-L", label).splitlines():
        if line.startswith("Total Tests:"):
            return int(line.split(":")[1])
    raise RuntimeError("ctest -N -L %s printed no total" % label)


def main():
    build = os.path.abspath(sys.argv[1])
    executables = {}
    with open(os.path.join(build, "tests", "test_executables.txt"), encoding="utf-8") as listing:
        for line in listing:
            if line.strip():
                path, labels = line.rstrip("\n").split("\t")
                executables[path] = set(labels.split(","))

    data = "TARNHOLM_TEST_DATA="
    tests = json.loads(ctest(build, "--show-only=json-v1"))["tests"]
    problems = []
    seen = {path: set() for path in executables}
    for test in tests:
        command = test.get("command") or ["(none)"]
        path = command[0]
        if path not in executables:
            problems.append("%s: run by %s, which no registration names" % (test["name"], path))
            continue
        # The case as the executable names it (the test's name may be prettier).
        seen[path].update(arg.split("=", 1)[1] for arg in command if arg.startswith("--gtest_filter="))
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        labels = set(properties.get("LABELS", []))
        if labels != executables[path]:
            problems.append("%s: labels %s, registered %s" % (
                test["name"], ",".join(sorted(labels)) or "(none)", ",".join(sorted(executables[path]))))
        environment = properties.get("ENVIRONMENT", [])
        if not any(entry.startswith(data) for entry in environment):
            problems.append("%s: no %s in its environment" % (test["name"], data.rstrip("=")))
        if "gui" in executables[path] and "QT_QPA_PLATFORM=offscreen" not in environment:
            problems.append("%s: a GUI test without QT_QPA_PLATFORM=offscreen" % test["name"])

    cases = {}
    for path in executables:
        try:
            cases[path] = registered_cases(path)
        except (OSError, subprocess.SubprocessError) as error:
            problems.append("%s: cannot list its cases (%s)" % (path, error))
            cases[path] = []
        missing = set(cases[path]) - seen[path]
        if missing:
            problems.append("%s: %d cases not registered with CTest, e.g. %s" % (
                os.path.basename(path), len(missing), sorted(missing)[0]))

    counts = []
    for label in SELECTED_LABELS:
        expected = sum(len(c) for path, c in cases.items() if label in executables[path])
        selected = selected_count(build, label)
        counts.append("%s %d" % (label, selected))
        if selected != expected:
            problems.append("ctest -L %s selects %d cases, its executables register %d" % (
                label, selected, expected))
    expected = sum(len(c) for c in cases.values())
    counts.append("all %d" % len(tests))
    if len(tests) != expected:
        problems.append("ctest has %d cases, the executables register %d" % (len(tests), expected))

    for problem in problems[:40]:
        print("  " + problem)
    if len(problems) > 40:
        print("  ... and %d more" % (len(problems) - 40))
    print("labels: %s (%s)" % (", ".join(counts), "as registered" if not problems else "MISMATCH"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
