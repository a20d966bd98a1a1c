#!/usr/bin/env python3
"""Interpreted text to PDF through the real program, beside texttopdf in the same run.

Usage: program_bench.py BUILD_DIR [PAGES]   (PROGRAM=path runs another build of the program)

For each case a fresh server (service mode, headless, private settings store, a folder spooler
with one printer folder, ports the system picks) is started, and the host simulator sends the
80 x 66 corpus of ../shared/bench/make-text-corpus.py as an interpreted job over loopback. The
time runs from the host's start (its first byte follows at once) until the PDF is in the
printer's folder (it is written beside it and renamed whole). Then the same corpus goes to the
same server twice more (the warm rounds: median reported). The server's peak resident memory
is read from /proc after the job. texttopdf (cups-filters, after iconv from CP437) runs on the
same corpus in the same run, three times, median.
"""
import glob
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
build = os.path.abspath(sys.argv[1])
pages = int(sys.argv[2]) if len(sys.argv) > 2 else 500
program = os.environ.get("PROGRAM", os.path.join(build, "typestone", "typestone"))
host_tool = os.path.join(build, "tests", "support", "host", "valdor-host")
common = subprocess.run(["git", "-C", here, "rev-parse", "--path-format=absolute", "--git-common-dir"],
                        capture_output=True, text=True, check=True).stdout.strip()
corpus_maker = os.path.join(common, "..", "..", "shared", "bench", "make-text-corpus.py")


def corpus(tmp, n):
    path = os.path.join(tmp, "corpus-%d.txt" % n)
    with open(path, "wb") as out:
        subprocess.run([sys.executable, corpus_maker, "80", "66", str(n)], stdout=out, check=True)
    return path


class Server:
    def __init__(self, tmp):
        self.dir = tempfile.mkdtemp(dir=tmp)
        for sub in ("spool/P0", "config", "state", "cache", "run"):
            os.makedirs(os.path.join(self.dir, sub))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(TYPESTONE_REGISTRY=os.path.join(self.dir, "registry.sqlite"),
                   TYPESTONE_SPOOLER="folder:" + os.path.join(self.dir, "spool"), TYPESTONE_ANY_PORTS="1",
                   XDG_CONFIG_HOME=os.path.join(self.dir, "config"), XDG_STATE_HOME=os.path.join(self.dir, "state"),
                   XDG_CACHE_HOME=os.path.join(self.dir, "cache"), XDG_RUNTIME_DIR=os.path.join(self.dir, "run"),
                   TMPDIR=self.dir)
        self.out = open(os.path.join(self.dir, "server.out"), "w+")
        self.proc = subprocess.Popen([program], env=env, stdout=self.out, stderr=subprocess.STDOUT)
        self.port = None
        deadline = time.time() + 30
        while time.time() < deadline and self.proc.poll() is None:
            self.out.seek(0)
            m = re.search(r"listening on UDP port \d+ and job port (\d+)", self.out.read())
            if m:
                self.port = int(m.group(1))
                break
            time.sleep(0.05)
        if self.port is None:
            self.stop()
            raise SystemExit("the server did not start")

    def print_job(self, path):
        """Seconds from the host's first byte (its connect, as strace saw it) to the PDF's last
        write (its modification time), and the PDF."""
        folder = os.path.join(self.dir, "spool", "P0")
        before = set(glob.glob(os.path.join(folder, "*.pdf")))
        trace = os.path.join(self.dir, "host.strace")
        subprocess.run(["strace", "-ttt", "-e", "trace=connect", "-o", trace, host_tool, "--host", "127.0.0.1",
                        "--port", str(self.port), "--printer", "P0", path],
                       stdout=subprocess.DEVNULL, check=True, timeout=300)
        with open(trace) as lines:
            connects = sorted(float(line.split()[0]) for line in lines if "connect(" in line and "AF_INET" in line)
        first = connects[0]
        # The second connection is the data port's, opened once the server has replied.
        self.replied = connects[1] if len(connects) > 1 else first
        deadline = time.time() + 300
        while time.time() < deadline:
            new = set(glob.glob(os.path.join(folder, "*.pdf"))) - before
            if new:
                pdf = new.pop()
                self.after_reply = os.stat(pdf).st_mtime_ns / 1e9 - self.replied
                return os.stat(pdf).st_mtime_ns / 1e9 - first, pdf
            time.sleep(0.001)
        raise SystemExit("no PDF appeared")

    def peak_kib(self):
        with open("/proc/%d/status" % self.proc.pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return -1

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def pdf_pages(path):
    info = subprocess.run(["pdfinfo", path], capture_output=True, text=True).stdout
    m = re.search(r"^Pages:\s+(\d+)", info, re.M)
    return int(m.group(1)) if m else 0


def texttopdf(tmp, path):
    utf8 = path + ".utf8"
    with open(path, "rb") as src, open(utf8, "wb") as dst:
        subprocess.run(["iconv", "-f", "CP437", "-t", "UTF-8"], stdin=src, stdout=dst, check=True)
    times = []
    out = os.path.join(tmp, "texttopdf.pdf")
    for _ in range(3):
        start = time.perf_counter()
        with open(out, "wb") as pdf:
            subprocess.run(["/usr/lib/cups/filter/texttopdf", "1", "u", "t", "1", "", utf8], stdout=pdf,
                           stderr=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times), pdf_pages(out)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        print("machine: %d cores; load %s; %s" % (os.cpu_count(), open("/proc/loadavg").read().split()[0:3],
                                                  time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())))
        for n in sorted({1, 100, pages}):
            path = corpus(tmp, n)
            server = Server(tmp)
            try:
                fresh, pdf = server.print_job(path)
                fresh_after_reply = server.after_reply
                warm = statistics.median(server.print_job(path)[0] for _ in range(3))
                peak = server.peak_kib()
            finally:
                server.stop()
            got = pdf_pages(pdf)
            print("typestone corpus=%d pdf_pages=%d fresh_ms=%.1f (%.1f after the reply) warm_ms=%.1f "
                  "pages_per_s=%.0f peak_kib=%d" % (n, got, fresh * 1000, fresh_after_reply * 1000, warm * 1000,
                                                    got / warm, peak))
            if os.path.exists("/usr/lib/cups/filter/texttopdf"):
                seconds, peer_pages = texttopdf(tmp, path)
                print("texttopdf corpus=%d pdf_pages=%d ms=%.1f pages_per_s=%.0f"
                      % (n, peer_pages, seconds * 1000, peer_pages / seconds))


main()
