#!/usr/bin/env python3
"""Runs every script test of a build made with JOL_FAULT_INJECTION (the
native-asan preset) once per string-heap allocation it makes, failing that
one allocation, and then once per memory block the library takes during
the run, failing that block. The library repeats each script's run itself
in child processes (JOL_FAULT_SWEEP, host/fault_report.h), so the program
starts once per script, not once per allocation.

Each run must end cleanly: no sanitizer report, no crash or hang, every
heap block owned by exactly one variable and no variable holding a block
that is not in use (checked by the library when the context is released),
every memory block freed by the end of the process. A run that still ends
with status 0 must print what the unfailed run printed: a failed
allocation is never a silent success with a different result.

usage: run_exhaustion.py [--build DIR] [--jobs N] [--kind heap|block|both]
                         [--stride K] [--count] [SCRIPT_NAME ...]
--stride K fails only every K-th allocation (and the last), for a quick
pass; the default is every one. --count only counts the allocations of
each script.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from collections import Counter
from concurrent.futures import ThreadPoolExecutor

SANITIZER = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|AddressSanitizer|"
                       r"UndefinedBehaviorSanitizer")
COUNTS = re.compile(r"jol faults: heap allocations (\d+), memory blocks (\d+)")
NUMBERED = re.compile(r"error (\d+):")
# An error box on standard error: "NNNN:  text" (a box that lets the script
# go on, as a Call whose script cannot be loaded).
BOX = re.compile(r"(?m)^(\d{3,4}):  ")


# Variables whose values may change, without an error, when an allocation
# fails: the failure is answered to someone who reports it in a value of
# its own. The sample extender passes on the result of the service entry
# (0 when setting a variable found no room in the heap) as its function's
# value, so "made" and "again" are 0 and "fresh" and "v" keep their old
# state.
MAY_CHANGE = {
    "extender_calls": {"made", "fresh", "v", "again"},
}


def variables(text):
    return dict(line.partition("=")[::2] for line in text.splitlines())


def changed_variables(out, base):
    a, b = variables(out), variables(base)
    return {name for name in set(a) | set(b) if a.get(name) != b.get(name)}


def error_numbers(root):
    with open(os.path.join(root, "resources", "error_codes.h")) as f:
        return set(re.findall(r"X\(\w+, (\d+),", f.read()))


# The errors a run shows: the numbers of stops and boxes, and the lines
# EXECUTE writes for the errors it goes on past.
def shown_errors(text):
    return Counter(NUMBERED.findall(text) + BOX.findall(text) +
                   re.findall(r"(?m)^EXECUTE::.*$", text))


def script_tests(build):
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, check=True,
                             capture_output=True, text=True).stdout
    tests = []
    for test in json.loads(listing)["tests"]:
        name = test["name"]
        if not name.startswith("script_") or name.startswith("script_slow_"):
            continue
        env = {}
        locks = []
        for prop in test.get("properties", []):
            if prop["name"] == "ENVIRONMENT":
                for item in prop["value"]:
                    key, _, value = item.partition("=")
                    env[key] = value
            elif prop["name"] == "RESOURCE_LOCK":
                locks = prop["value"]
        tests.append({"name": name[len("script_"):], "command": test["command"],
                      "env": env, "locks": set(locks)})
    return tests


class Outcome:
    def __init__(self, status, out, err):
        self.status, self.out, self.err = status, out, err


def read_outcome(prefix):
    def read(suffix):
        try:
            with open(prefix + suffix, encoding="latin-1") as f:
                return f.read().replace("\r", "")
        except OSError:
            return None
    status = (read(".status") or "").strip()
    out, err = read(".stdout") or "", read(".stderr") or ""
    for suffix in (".status", ".stdout", ".stderr"):
        try:
            os.remove(prefix + suffix)
        except OSError:
            pass
    return Outcome(status, out, err)


def sweep(test, work, kind, stride, mode, limit=0):
    """Runs the script once through its test's command, with the library
    sweeping in that one process (host/fault_report.h). "restart": an
    unfailed run, then one run from the start per allocation failing it
    (every stride-th and the last; kind "none": the unfailed run alone).
    "branch": the run is the unfailed one and splits off a child failing
    each allocation (every stride-th). Returns the unfailed outcome and a
    list of (kind, n, outcome) in the order of n."""
    raw = os.path.join(work, test["name"])
    folder = raw + ".sweep"
    os.makedirs(folder, exist_ok=True)
    env = dict(os.environ)
    env.update(test["env"])
    env.update({"JOL_FAULT_REPORT": "1", "JOL_FAULT_SWEEP": folder,
                "JOL_FAULT_SWEEP_SCRATCH": raw + ".scratch",
                "JOL_FAULT_SWEEP_STRIDE": str(stride), "JOL_FAULT_SWEEP_MODE": mode,
                "JOL_FAULT_SWEEP_LIMIT": str(limit)})
    if kind != "both":
        env["JOL_FAULT_SWEEP_KIND"] = kind
    command = (test["command"][:-2] + ["-DRAW=" + raw, "-DRUN_TIMEOUT=86400"] +
               test["command"][-2:])
    subprocess.run(command, env=env, capture_output=True)
    parent = read_outcome(raw)
    base = read_outcome(os.path.join(folder, "base"))
    if mode == "branch" and (base.out or base.err):
        base.status = parent.status  # the parent's own run
    if not base.status:
        # No run took place: the script never reached the library (or the
        # test skips it); what the command itself printed tells why.
        base = parent
    runs = []
    for name in os.listdir(folder):
        m = re.match(r"(heap|block)-(\d+)\.status$", name)
        if m:
            runs.append((m.group(1), int(m.group(2))))
    runs.sort(key=lambda r: (r[0] != "heap", r[1]))
    outcomes = [(k, n, read_outcome(os.path.join(folder, "%s-%d" % (k, n)))) for k, n in runs]
    shutil.rmtree(folder, ignore_errors=True)
    shutil.rmtree(raw + ".scratch", ignore_errors=True)
    return base, outcomes


def same_run(a, b):
    """True when two unfailed runs ended alike: status, output, errors."""
    return a.status == b.status and a.out == b.out and shown_errors(a.err) == shown_errors(b.err)


def failed_runs(test, work, kind, stride):
    """The unfailed outcome, the failed runs and how they were made: by
    branching, unless the branching run no longer printed what an unfailed
    run prints (a child changed what the run keeps outside the process, as
    a file it has open), in which case each run restarts."""
    clean, _ = sweep(test, work, "none", 1, "restart")
    if kind == "none" or not COUNTS.search(clean.err):
        return clean, [], "restart"
    # A branching run that makes more allocations than the unfailed one
    # stops branching past that many (the larger of the two counts).
    limit = max(int(c) for c in COUNTS.search(clean.err).groups())
    base, outcomes = sweep(test, work, kind, stride, "branch", limit)
    if same_run(base, clean) and COUNTS.search(base.err).groups() == \
            COUNTS.search(clean.err).groups():
        return clean, outcomes, "branch"
    base, outcomes = sweep(test, work, kind, stride, "restart")
    return clean, outcomes, "restart"


def problems_of(outcome, baseline, name="", numbers=frozenset()):
    found = []
    if SANITIZER.search(outcome.err):
        found.append("sanitizer report")
    if not outcome.status.isdigit():
        found.append("ended by: " + (outcome.status or "nothing"))
    if "jol faults: heap check:" in outcome.err:
        found.append(re.search(r"jol faults: heap check: .*", outcome.err).group(0))
    if "memory blocks left" in outcome.err:
        found.append(re.search(r"jol faults: .*memory blocks left", outcome.err).group(0))
    if outcome.status.isdigit() and not COUNTS.search(outcome.err):
        found.append("the context was never released")
    if baseline and outcome.status == "0" and outcome.out != baseline.out:
        # It went on: acceptable when it showed an error the unfailed run
        # did not, when every changed variable now holds an error number
        # (a script that reads LastError past the failure), or when only
        # variables listed in MAY_CHANGE changed.
        changed = changed_variables(outcome.out, baseline.out)
        values = variables(outcome.out)
        if (not (shown_errors(outcome.err) - shown_errors(baseline.err)) and
                not all(values.get(v) in numbers for v in changed) and
                not changed <= MAY_CHANGE.get(name, set())):
            found.append("status 0 and no error shown, with another output than the "
                         "unfailed run (%s)" % ", ".join(sorted(changed)))
    return found


def main():
    parser = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(os.path.dirname(here))
    parser.add_argument("--build", default=os.path.join(root, "build", "native-asan"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--kind", choices=["heap", "block", "both"], default="both")
    parser.add_argument("--stride", type=int, default=1)
    parser.add_argument("--count", action="store_true",
                        help="only count the allocations of each script (one run each)")
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()

    tests = script_tests(args.build)
    numbers = error_numbers(root)
    if args.names:
        tests = [t for t in tests if t["name"] in args.names]
    work = tempfile.mkdtemp(prefix="jol-exhaustion-")
    held = set()
    held_lock = threading.Condition()
    report_lock = threading.Lock()
    totals = {"heap": 0, "block": 0, "runs": 0, "numbered": 0, "absorbed": 0, "faults": 0,
              "skipped": 0, "branch": 0, "restart": 0}
    codes = {}
    started = time.time()

    def note(line):
        with report_lock:
            print(line, flush=True)

    def exercise(test):
        with held_lock:
            held_lock.wait_for(lambda: not (test["locks"] & held))
            held.update(test["locks"])
        try:
            kind = "none" if args.count else args.kind
            base, outcomes, how = failed_runs(test, work, kind, args.stride)
            counts = COUNTS.search(base.err)
            if not counts:
                with report_lock:
                    totals["skipped"] += 1
                note("%s: skipped (no run took place: status %s)" % (test["name"], base.status))
                return
            heap, blocks = int(counts.group(1)), int(counts.group(2))
            faults = ["unfailed run: " + p for p in problems_of(base, None)]
            expected = 0
            for k, count in (("heap", heap), ("block", blocks)):
                if kind in (k, "both") and count:
                    expected += len(range(1, count + 1, args.stride))
                    if how == "restart":
                        expected += 1 if (count - 1) % args.stride else 0
            if len(outcomes) != expected:
                faults.append("%d runs of %d took place" % (len(outcomes), expected))
            with report_lock:
                totals[how] += 1
            numbered = absorbed = runs = 0
            for k, n, outcome in outcomes:
                runs += 1
                for p in problems_of(outcome, base, test["name"], numbers):
                    faults.append("%s %d: %s" % (k, n, p))
                # A branch's outputs begin with the unfailed run's up to its
                # allocation: the error it ended on is in the rest
                # (from the start of the line where the two part).
                shared = len(os.path.commonprefix([outcome.err, base.err]))
                own = outcome.err[outcome.err.rfind("\n", 0, shared) + 1:]
                code = NUMBERED.findall(own) or BOX.findall(own)
                if code:
                    numbered += 1
                    with report_lock:
                        codes[code[-1]] = codes.get(code[-1], 0) + 1
                elif outcome.status == "0":
                    absorbed += 1
            with report_lock:
                totals["heap"] += heap
                totals["block"] += blocks
                totals["runs"] += runs
                totals["numbered"] += numbered
                totals["absorbed"] += absorbed
                totals["faults"] += len(faults)
            note("%s: %d heap allocations, %d memory blocks, %d runs (%s), %d ended on a "
                 "numbered error, %d ran on%s" % (test["name"], heap, blocks, runs, how, numbered,
                                                   absorbed, "" if not faults else ", FAULTS:"))
            for f in faults[:20]:
                note("    " + f)
            if len(faults) > 20:
                note("    ... %d more" % (len(faults) - 20))
        finally:
            with held_lock:
                held.difference_update(test["locks"])
                held_lock.notify_all()

    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        list(pool.map(exercise, tests))
    shutil.rmtree(work, ignore_errors=True)
    minutes = (time.time() - started) / 60
    print("%d scripts (%d skipped; %d swept by branching, %d by restarting): %d heap allocation "
          "points, %d memory-block points, %d runs in %.1f minutes; %d ended on a numbered "
          "error %s, %d ran on; %d faults"
          % (len(tests), totals["skipped"], totals["branch"], totals["restart"], totals["heap"],
             totals["block"], totals["runs"], minutes, totals["numbered"],
             dict(sorted(codes.items())), totals["absorbed"], totals["faults"]))
    return 1 if totals["faults"] else 0


if __name__ == "__main__":
    sys.exit(main())
