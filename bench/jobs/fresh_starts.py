#!/usr/bin/env python3
"""Fresh starts of the real program: the time to its ports, and its first interpreted jobs.

Usage: fresh_starts.py BUILD_DIR ROUNDS [--gap SECONDS] [PROGRAM ...]

Starts each PROGRAM (default: BUILD_DIR/typestone/typestone) ROUNDS times, the programs taking
turns, each time on a private settings store and a folder spooler with one printer folder P0
(service mode, headless, ports the system picks), and measures:
- start: from the start of the process until it says it listens (its ports are open);
- first: bench_jobs --interpreted 10 (BUILD_DIR built with -DTYPESTONE_BENCH=ON), the first
  one-page text job's time (connect to the server's close, the PDF in the printer folder), and
  the median of the nine after it;
- with --gap: the first job comes SECONDS after the ports open, and one more job on the same
  server SECONDS after the first ("next"): a job after an idle pause, fresh and warm (an idle
  machine's caches and a shared machine's other work make any job after a pause slower).
Each program's medians over the rounds come last. A program from another build runs with its
own libraries when its folder holds a lib/ beside it (LD_LIBRARY_PATH).
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
rounds = int(sys.argv[2])
rest = sys.argv[3:]
gap = None
if rest[:1] == ["--gap"]:
    gap = float(rest[1])
    rest = rest[2:]
programs = [os.path.abspath(p) for p in rest] or [os.path.join(build, "typestone", "typestone")]
bench_jobs = os.path.join(build, "bench", "jobs", "bench_jobs")
listening = re.compile(r"listening on UDP port \d+ and job port (\d+)")
result = re.compile(r"first ([\d.]+) ms(?:, next \d+: median ([\d.]+) ms)?")


def one_start(program):
    tmp = tempfile.mkdtemp()
    try:
        for sub in ("spool/P0", "config", "state", "cache", "run"):
            os.makedirs(os.path.join(tmp, sub))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(TYPESTONE_REGISTRY=os.path.join(tmp, "registry.sqlite"),
                   TYPESTONE_SPOOLER="folder:" + os.path.join(tmp, "spool"), TYPESTONE_ANY_PORTS="1",
                   XDG_CONFIG_HOME=os.path.join(tmp, "config"), XDG_STATE_HOME=os.path.join(tmp, "state"),
                   XDG_CACHE_HOME=os.path.join(tmp, "cache"), XDG_RUNTIME_DIR=os.path.join(tmp, "run"),
                   TMPDIR=tmp)
        lib = os.path.join(os.path.dirname(program), "lib")
        if os.path.isdir(lib):
            env["LD_LIBRARY_PATH"] = lib
        out_path = os.path.join(tmp, "server.out")
        out_file = open(out_path, "w")
        start = time.perf_counter()
        proc = subprocess.Popen([program], env=env, stdout=out_file, stderr=subprocess.STDOUT)
        try:
            port = None
            deadline = start + 30
            while port is None and proc.poll() is None and time.perf_counter() < deadline:
                with open(out_path) as said:
                    m = listening.search(said.read())
                if m:
                    port = m.group(1)
                else:
                    time.sleep(0.0005)
            started_ms = (time.perf_counter() - start) * 1000
            if port is None:
                raise SystemExit("%s did not start" % program)
            def jobs(count):
                out = subprocess.run([bench_jobs, "--port", port, "--pid", str(proc.pid), "--spool",
                                      os.path.join(tmp, "spool"), "--idle", "0", "--interpreted", str(count)],
                                     capture_output=True, text=True, timeout=120).stdout
                m = result.search(out)
                if not m:
                    raise SystemExit("bench_jobs said: " + out)
                return float(m.group(1)), float(m.group(2) or "nan")
            if gap is None:
                return (started_ms,) + jobs(10)
            time.sleep(gap)
            first = jobs(1)[0]
            time.sleep(gap)
            return started_ms, first, jobs(1)[0]
        finally:
            proc.terminate()
            try:
                proc.wait(30)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            out_file.close()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    with open("/proc/cpuinfo") as info:
        model = next((line.split(":", 1)[1].strip() for line in info if line.startswith("model name")), "?")
    print("machine: %d cores, %s; load %s; %s" % (os.cpu_count(), model, " ".join(open("/proc/loadavg").read().split()[:3]),
                                                  time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())))
    figures = {p: [] for p in programs}
    for r in range(rounds):
        for program in programs:
            started, first, next_median = one_start(program)
            figures[program].append((started, first, next_median))
            print("round %d %s: start %.1f ms, first job %.1f ms, next median %.1f ms" %
                  (r + 1, program, started, first, next_median), flush=True)
    for program, runs in figures.items():
        print("%s: %d fresh starts, medians: start %.1f ms, first job %.1f ms (%.1f to %.1f), next %.1f ms" %
              (program, len(runs), statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs),
               min(r[1] for r in runs), max(r[1] for r in runs), statistics.median(r[2] for r in runs)))
    print("load at the end: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))


main()
