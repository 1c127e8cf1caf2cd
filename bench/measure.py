#!/usr/bin/env python3
"""Runs each measurement of qatutor-bench interleaved with its floor and prints the table.

Usage: measure.py QATUTOR_BENCH [--runs N] [--display DISPLAY] [--only MEASUREMENT]...

Every run is a process of its own, so that its peak memory can be compared too; the tutor's runs
and the floor's alternate (tutor first, then floor first) so that a machine that gets busier or
quieter during the benchmark weighs on both alike. Prints a Markdown table: measurement, the
tutor's median, the floor's median, their ratio and the number of runs of each. Exits 1 when a
measurement failed to run (its row says so); numbers never fail it.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


MEASUREMENTS = ["startup", "display-send", "enter-response", "save-notes", "next", "record-core",
                "channel-write", "load-bank"]


class Failed(Exception):
    pass


class Bench:
    def __init__(self, exe, runs):
        self.exe = exe
        self.runs = runs
        self.temp = tempfile.TemporaryDirectory(prefix="qatutor-bench-")
        runtime = os.path.join(self.temp.name, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="offscreen")
        self.env.pop("DISPLAY", None)
        self.rows = []
        self.failures = 0

    def spawn(self, args, env):
        """Runs one child; returns (seconds until its first output line, its lines, peak KB).

        The child's processor time (user and system) is kept in self.last_cpu, in seconds."""
        start = time.perf_counter()
        child = subprocess.Popen([self.exe, *args], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, env=env, text=True)
        first = child.stdout.readline()
        first_at = time.perf_counter() - start
        rest = child.stdout.read()
        stderr = child.stderr.read()
        _, status, usage = os.wait4(child.pid, 0)
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0 or not first:
            last = stderr.strip().splitlines()[-1:] or ["no output"]
            raise Failed(f"{' '.join(args)}: exit {child.returncode}: {last[0]}")
        self.last_cpu = usage.ru_utime + usage.ru_stime
        return first_at, (first + rest).splitlines(), usage.ru_maxrss

    def interleaved(self, runs, measure):
        """Calls measure(side) `runs` times per side, alternating which side goes first."""
        results = {"qatutor": [], "floor": []}
        for run in range(runs):
            for side in (("qatutor", "floor") if run % 2 == 0 else ("floor", "qatutor")):
                results[side].append(measure(side))
        return results

    def row(self, name, tutor, floor, unit, runs):
        tutor_median, floor_median = statistics.median(tutor), statistics.median(floor)
        ratio = tutor_median / floor_median if floor_median > 0 else float("nan")
        digits = 1 if unit == "MB" or max(tutor_median, floor_median) >= 10 else 2
        self.rows.append(f"| {name} | {tutor_median:.{digits}f} {unit} | {floor_median:.{digits}f} {unit} "
                         f"| {ratio:.2f} | {runs} |")
        print(self.rows[-1], flush=True)
        return tutor_median, floor_median

    def failed(self, name, error):
        self.failures += 1
        self.rows.append(f"| {name} | failed | | | |")
        print(self.rows[-1], flush=True)
        print(f"  {error}", file=sys.stderr, flush=True)

    def startup(self, label, display=None):
        env = dict(self.env)
        if display:
            env["DISPLAY"] = display
            env.pop("QT_QPA_PLATFORM")
        homes = {side: tempfile.mkdtemp(dir=self.temp.name) for side in ("qatutor", "floor")}

        def measure(side):
            seconds, lines, peak = self.spawn(["startup", side], dict(env, HOME=homes[side]))
            if lines[0] != "shown":
                raise Failed(f"startup {side}: said {lines[0]!r}")
            return seconds * 1000, peak / 1024, self.last_cpu * 1000

        name = f"start-up to the window shown, {label}"
        try:
            results = self.interleaved(self.runs * 6, measure)
        except Failed as error:
            self.failed(name, error)
            return
        runs = len(results["qatutor"])
        for index, (what, unit) in enumerate(((name, "ms"), (f"peak memory, start-up {label}", "MB"),
                                             (f"processor time of the start-up run, {label}", "ms"))):
            self.row(what, [r[index] for r in results["qatutor"]], [r[index] for r in results["floor"]],
                     unit, runs)

    def in_process(self, measurement, megabytes, runs_per_process, processes=None):
        """A measurement that prints its own samples; returns {sample name: (tutor, floor)}."""
        def measure(side):
            _, lines, peak = self.spawn([measurement, side, str(megabytes), str(runs_per_process)],
                                        self.env)
            samples = {}
            for line in lines:
                parts = line.split(" ")
                if parts[0] == "sample":
                    samples.setdefault(" ".join(parts[1:-1]), []).append(float(parts[-1]))
            return samples, peak / 1024

        try:
            results = self.interleaved(processes or self.runs, measure)
        except Failed as error:
            self.failed(f"{measurement}, {megabytes} MB", error)
            return {}
        medians = {}
        names = results["qatutor"][0][0].keys()
        for name in names:
            tutor = [t for samples, _ in results["qatutor"] for t in samples[name]]
            floor = [t for samples, _ in results["floor"] for t in samples[name]]
            medians[name] = self.row(name, tutor, floor, "ms", len(tutor))
        self.memory.append((f"peak memory, {measurement.replace('-', ' ')} {megabytes} MB",
                            [m for _, m in results["qatutor"]], [m for _, m in results["floor"]]))
        return medians


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--runs", type=int, default=5, help="processes per side (start-up: 6 times as many)")
    parser.add_argument("--display", help="also measure start-up in this X display")
    parser.add_argument("--only", action="append", choices=MEASUREMENTS,
                        help="run only this measurement (may be given more than once)")
    options = parser.parse_args()
    wanted = set(options.only or MEASUREMENTS)

    bench = Bench(options.exe, options.runs)
    bench.memory = []
    print("| measurement | qatutor | floor | ratio | runs |")
    print("|---|---:|---:|---:|---:|", flush=True)
    if "startup" in wanted:
        bench.startup("offscreen")
        if options.display:
            bench.startup("Xvfb", options.display)

    if "display-send" in wanted:
        display = {}
        for megabytes, per_process, processes in ((1, 5, None), (10, 3, None), (50, 1, max(3, options.runs // 2))):
            display.update(bench.in_process("display-send", megabytes, per_process, processes))
        ones = display.get("display SEND file, 1 MB")
        fifties = display.get("display SEND file, 50 MB")
        if ones and fifties:
            tutor_slope = (fifties[0] - ones[0]) / 49
            floor_slope = (fifties[1] - ones[1]) / 49
            bench.rows.append(f"| display SEND file, growth per MB from 1 to 50 MB | {tutor_slope:.1f} ms "
                              f"| {floor_slope:.1f} ms | {tutor_slope / floor_slope:.2f} | |")
            print(bench.rows[-1], flush=True)
    for measurement, megabytes, per_process in (("enter-response", 1, 5), ("save-notes", 1, 5), ("next", 1, 5),
                                                ("record-core", 1, 5), ("channel-write", 1, 5),
                                                ("load-bank", 10, 3)):
        if measurement in wanted:
            bench.in_process(measurement, megabytes, per_process)
    for name, tutor, floor in bench.memory:
        bench.row(name, tutor, floor, "MB", len(tutor))
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
