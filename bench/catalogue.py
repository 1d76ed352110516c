#!/usr/bin/env python3
"""Figures of the built-in catalogue: the program's catalogue code (vncatalogue.exe)
under Wine, asked over loopback, with the directory stand-in (tools/directory_standin.py)
behind it.

- a page from the cache: the home page again once its directory answers are cached;
- a page after a directory answer: from the moment the stand-in has sent its (last)
  answer for a fresh search to the moment the page has arrived here;
- the home page's size;
- memory (resident set of the Wine process) with no favourites and with 1000, and the
  favourites page's time and size with 1000.

    python3 bench/catalogue.py [--runs 30]

Without $WINEPREFIX a prefix is made in /tmp/volnar-e2e-wine (tests/e2e/harness.py).
"""
import argparse
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
import harness  # noqa: E402


def get(port, target):
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n" % (target, port)).encode("ascii"))
    data = b""
    while True:
        piece = s.recv(1 << 16)
        if not piece:
            break
        data += piece
    s.close()
    return data.partition(b"\r\n\r\n")[2]


def median(values):
    v = sorted(values)
    return v[len(v) // 2]


def start_catalogue(directory, data):
    proc = subprocess.Popen(["wine", harness.tool_exe("vncatalogue"), "--directory", directory, "--data", data,
                             "--port", "0"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline().strip()
    return proc, int(line.rsplit(":", 1)[1])


def stop(proc):
    proc.stdin.write("quit\n")
    proc.stdin.flush()
    proc.wait(30)


def rss_kib():
    """VmRSS of the Wine process that runs vncatalogue (the largest of those named so)."""
    best = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            cmdline = open("/proc/%s/cmdline" % pid, "rb").read()
            if b"vncatalogue_win.exe" not in cmdline:
                continue
            for row in open("/proc/%s/status" % pid):
                if row.startswith("VmRSS:"):
                    best = max(best, int(row.split()[1]))
        except OSError:
            continue
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=30)
    args = ap.parse_args()
    harness.ensure_prefix()
    tmp = tempfile.mkdtemp(prefix="volnar-bench-catalogue-")
    folder = "volnar-bench-catalogue-%d" % os.getpid()
    drive = os.path.join(os.environ["WINEPREFIX"], "drive_c", folder)
    timing = os.path.join(tmp, "timing.log")
    port_file = os.path.join(tmp, "port")
    standin = subprocess.Popen([sys.executable, os.path.join(harness.ROOT, "tools", "directory_standin.py"),
                                "--port", "0", "--port-file", port_file, "--station", "http://127.0.0.1:9",
                                "--timing-log", timing, "--quiet"])
    try:
        while not os.path.exists(port_file):
            time.sleep(0.05)
        directory = "http://127.0.0.1:" + open(port_file).read().strip()
        proc, port = start_catalogue(directory, "C:\\" + folder)
        home = get(port, "/")  # fills the cache
        cached = []
        for _ in range(args.runs):
            t = time.monotonic()
            get(port, "/")
            cached.append((time.monotonic() - t) * 1000)
        after = []
        for i in range(args.runs):
            target = "/list?q=bench%d" % i
            get(port, target)
            arrived = time.time()
            answered = []
            for _ in range(100):  # the stand-in notes the time just after sending
                answered = [float(l.split()[0]) for l in open(timing) if ("name=bench%d&" % i) in l]
                if answered:
                    break
                time.sleep(0.01)
            after.append((arrived - answered[-1]) * 1000)
        rss_empty = rss_kib()
        stop(proc)

        favourites = [{"stationuuid": "u%04d" % i, "name": "Станция номер %d" % i,
                       "url": "http://stream%d.example/live" % i, "codec": "MP3", "bitrate": 128,
                       "country": "The Russian Federation", "tags": "pop,rock"} for i in range(1000)]
        os.makedirs(drive, exist_ok=True)
        with open(os.path.join(drive, "catalogue.json"), "w", encoding="utf-8") as f:
            json.dump({"version": 1, "favourites": favourites, "own": [], "history": []}, f, ensure_ascii=False)
        proc, port = start_catalogue(directory, "C:\\" + folder)
        fav_times = []
        for _ in range(5):
            t = time.monotonic()
            page = get(port, "/fav")
            fav_times.append((time.monotonic() - t) * 1000)
        rss_full = rss_kib()
        stop(proc)

        print("home page from the cache:        median %.1f ms, worst %.1f ms (%d runs)"
              % (median(cached), max(cached), len(cached)))
        print("page after the directory answer: median %.1f ms, worst %.1f ms (%d runs)"
              % (median(after), max(after), len(after)))
        print("home page size:                  %d bytes (%d station rows)" % (len(home), home.count(b'class="st')))
        print("memory, no favourites:           %d KiB resident" % rss_empty)
        print("memory, 1000 favourites:         %d KiB resident (+%d KiB)" % (rss_full, rss_full - rss_empty))
        print("favourites page, 1000 rows:      median %.1f ms, %d bytes" % (median(fav_times), len(page)))
    finally:
        standin.terminate()
        standin.wait(10)
        shutil.rmtree(tmp, ignore_errors=True)
        shutil.rmtree(drive, ignore_errors=True)


if __name__ == "__main__":
    main()
