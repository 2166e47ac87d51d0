#!/usr/bin/env python3
"""Puts the faults listed in tools/mutants.txt into the code one at a time, rebuilds the given
build folder, runs the test suite and tells which faults the suite caught.

    tools/mutate.py [--build build] [--only NAME ...] [--label FOLDER] [--check] [--out table.md]

A mutant is killed when a test fails or runs out of time, survives when every test passes,
and is "not compiled" when the build fails (such a mutant should leave the list). The file is
always put back: by the script when it ends or is interrupted, and from the copy kept in
<build>/mutation-backup at the next start should the script itself have been killed."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEYS = ("mutant", "file", "fault", "from", "to")


class Mutant:
    def __init__(self, fields, line):
        self.line = line
        self.name = fields.get("mutant", "")
        self.file = fields.get("file", "")
        self.fault = fields.get("fault", "")
        self.original = fields.get("from", "")
        self.replacement = fields.get("to", "")

    def problem(self):
        """Why the mutant cannot be applied, or None."""
        missing = [k for k in KEYS if k != "to" and not getattr(self, _attr(k))]
        if missing:
            return "missing " + ", ".join(missing)
        if self.original == self.replacement:
            return "replacement equals the original"
        path = os.path.join(SOURCE, self.file)
        if not os.path.isfile(path):
            return "no file " + self.file
        count = read(path).count(self.original)
        if count != 1:
            return "original text occurs %d times" % count
        return None


def _attr(key):
    return {"mutant": "name", "from": "original", "to": "replacement"}.get(key, key)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def parse_list(path):
    """Blocks of "key: value" lines, separated by blank lines; # starts a comment line."""
    mutants, fields, start = [], {}, 0
    lines = read(path).splitlines() + [""]
    for number, raw in enumerate(lines, 1):
        if raw.startswith("#"):
            continue
        if not raw.strip():
            if fields:
                mutants.append(Mutant(fields, start))
            fields = {}
            continue
        key, sep, value = raw.partition(":")
        if not sep or key not in KEYS:
            sys.exit("%s:%d: expected one of %s" % (path, number, ", ".join(KEYS)))
        if not fields:
            start = number
        # Only the one space after the colon is dropped: the text is matched exactly.
        fields[key] = value[1:] if value.startswith(" ") else value
    return mutants


def run(command, log, timeout=None):
    """Runs command with its output appended to log; returns the exit code, None on time-out."""
    with open(log, "a", encoding="utf-8") as out:
        out.write("$ %s\n" % " ".join(command))
        out.flush()
        proc = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT,
                                start_new_session=True)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            return None
        except BaseException:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            raise


def failed_tests(log):
    """The test names CTest lists under "The following tests FAILED" in log."""
    names, listing = [], False
    for line in read(log).splitlines():
        if "The following tests FAILED" in line:
            listing = True
        elif listing:
            m = re.match(r"\s*\d+ - (\S+)", line)
            if not m:
                break
            names.append(m.group(1))
    return names


class Runner:
    def __init__(self, args):
        self.build = os.path.abspath(args.build)
        self.backup = os.path.join(self.build, "mutation-backup")
        self.logs = os.path.join(self.build, "mutation-logs")
        self.timeout = args.timeout
        self.jobs = str(args.jobs)
        self.select = ["-L", args.label] if args.label else []

    def restore_leftovers(self):
        """Puts back any file left mutated by a run that was killed."""
        if not os.path.isdir(self.backup):
            return
        for folder, _, files in os.walk(self.backup):
            for name in files:
                kept = os.path.join(folder, name)
                target = os.path.join(SOURCE, os.path.relpath(kept, self.backup))
                print("Putting back %s from an interrupted run" % os.path.relpath(target, SOURCE))
                shutil.copyfile(kept, target)
                os.remove(kept)

    def build_and_test(self, log):
        """'not compiled', 'killed' or 'survived', with the tests that failed."""
        if run(["cmake", "--build", self.build], log) != 0:
            return "not compiled", []
        # The whole suite gets a generous bound too, in case a test hangs outside CTest's
        # own time-out.
        code = run(["ctest", "--test-dir", self.build, "-j" + self.jobs, "--stop-on-failure",
                    "--timeout", str(self.timeout), "--output-on-failure"] + self.select, log,
                   timeout=self.timeout * 10)
        if code == 0:
            return "survived", []
        if code is None:
            return "killed", ["(suite time-out)"]
        return "killed", failed_tests(log) or ["(ctest exit %d)" % code]

    def try_mutant(self, mutant):
        path = os.path.join(SOURCE, mutant.file)
        kept = os.path.join(self.backup, mutant.file)
        log = os.path.join(self.logs, mutant.name + ".log")
        if os.path.exists(log):
            os.remove(log)
        text = read(path)
        os.makedirs(os.path.dirname(kept), exist_ok=True)
        shutil.copyfile(path, kept)
        try:
            write(path, text.replace(mutant.original, mutant.replacement, 1))
            return self.build_and_test(log)
        finally:
            # A new modification time makes the next build compile the original again.
            write(path, text)
            os.remove(kept)


def set_test_timeout(build, seconds):
    """Sets the per-test time-out of the build folder (None: back to the project's default);
    returns the one it had."""
    cache = read(os.path.join(build, "CMakeCache.txt"))
    m = re.search(r"^PTX_TEST_TIMEOUT:STRING=(.*)$", cache, re.M)
    setting = "-UPTX_TEST_TIMEOUT" if seconds is None else "-DPTX_TEST_TIMEOUT=%s" % seconds
    subprocess.run(["cmake", setting, build], check=True, stdout=subprocess.DEVNULL)
    return m.group(1) if m else None


def table(rows):
    lines = ["| mutant | file | fault | result | caught by |",
             "| --- | --- | --- | --- | --- |"]
    for mutant, result, tests in rows:
        lines.append("| %s | %s | %s | %s | %s |" % (mutant.name, mutant.file, mutant.fault,
                                                      result, ", ".join(tests)))
    counts = {r: sum(1 for _, res, _ in rows if res == r)
              for r in ("killed", "survived", "not compiled")}
    lines.append("")
    lines.append("%d mutants: %d killed, %d survived, %d not compiled" % (
        len(rows), counts["killed"], counts["survived"], counts["not compiled"]))
    return "\n".join(lines)


def interrupted(signum, _frame):
    raise KeyboardInterrupt("signal %d" % signum)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"),
                        help="a configured build folder (default build/)")
    parser.add_argument("--list", default=os.path.join(SOURCE, "tools", "mutants.txt"))
    parser.add_argument("--only", nargs="+", metavar="NAME", help="run only these mutants, in this order")
    parser.add_argument("--check", action="store_true",
                        help="only check that every mutant applies")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per test (60)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--label", help="run only the tests of this CTest label (a test folder's name)")
    parser.add_argument("--no-baseline", action="store_true",
                        help="skip the first run without a mutant")
    parser.add_argument("--out", help="also write the table to this file")
    args = parser.parse_args()

    mutants = parse_list(args.list)
    if args.only:
        unknown = set(args.only) - {m.name for m in mutants}
        if unknown:
            sys.exit("unknown mutants: " + ", ".join(sorted(unknown)))
        by_name = {m.name: m for m in mutants}
        mutants = [by_name[name] for name in dict.fromkeys(args.only)]
    names = [m.name for m in mutants]
    problems = ["%s:%d %s: %s" % (args.list, m.line, m.name, m.problem())
                for m in mutants if m.problem()]
    problems += ["duplicate mutant name " + n for n in sorted(set(names)) if names.count(n) > 1]
    if problems:
        sys.exit("\n".join(problems))
    if args.check:
        print("%d mutants, each applies once" % len(mutants))
        return

    runner = Runner(args)
    if not os.path.isfile(os.path.join(runner.build, "CMakeCache.txt")):
        sys.exit("%s is not a configured build folder" % runner.build)
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGHUP, interrupted)
    runner.restore_leftovers()
    os.makedirs(runner.logs, exist_ok=True)
    earlier_timeout = set_test_timeout(runner.build, args.timeout)
    rows = []
    try:
        if not args.no_baseline:
            print("Building and testing without a mutant...", flush=True)
            result, tests = runner.build_and_test(os.path.join(runner.logs, "baseline.log"))
            if result != "survived":
                sys.exit("The suite must pass without a mutant first (%s: %s); see %s" % (
                    result, ", ".join(tests), os.path.join(runner.logs, "baseline.log")))
        for number, mutant in enumerate(mutants, 1):
            started = time.monotonic()
            result, tests = runner.try_mutant(mutant)
            rows.append((mutant, result, tests))
            print("[%d/%d] %s: %s %s (%.0f s)" % (number, len(mutants), mutant.name, result,
                                                 ", ".join(tests), time.monotonic() - started),
                  flush=True)
    except KeyboardInterrupt:
        print("Interrupted; the table holds the mutants that finished.", file=sys.stderr)
    finally:
        set_test_timeout(runner.build, earlier_timeout)
    report = table(rows)
    print(report)
    if args.out:
        write(args.out, report + "\n")


if __name__ == "__main__":
    main()
