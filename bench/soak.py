#!/usr/bin/env python3
"""A long run of the player, for figures (nothing passes or fails).

1. The real volnar.exe plays a live station for --minutes (default 10): its title
   changes every 2 s and it drops the listener about every minute (each connection
   ends after a minute of audio; the player reconnects and joins). The process's
   memory, handle and thread counts are read every minute (bench/proc_figures_win.cpp),
   and the captured sound is checked for gaps and repeats (the stepping fixture).
2. The main window in-process (bench/soak_switch_win.cpp) is switched between two
   stations --switches times (default 200) through play: links and Play/Stop, with
   its figures read at the start, every 50 switches and at the end.

Run: python3 bench/soak.py [--minutes 10] [--switches 200]   (after the Windows build;
see bench/README.md). Prints a Markdown table.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

WIDTH, HEIGHT = 600, 637
BYTES_PER_SECOND = 16000  # the 128 kbit/s fixture


def wine(*args, timeout=60, env=None, stdout=subprocess.DEVNULL):
    # No pipes: a Wine process started meanwhile may hold them open after the tool ends.
    return subprocess.run(["wine", *args], stdin=subprocess.DEVNULL, stdout=stdout,
                          stderr=subprocess.DEVNULL, timeout=timeout, env=env)


def linux_figures(image):
    """The Linux side of the Wine process running `image`: resident and data size (KiB),
    threads (Wine's own among them) and open file descriptors."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv0 = f.read().split(b"\0")[0].decode(errors="replace")
            if not argv0.lower().endswith(image.lower()):
                continue
            status = {}
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    key, _, value = line.partition(":")
                    status[key] = value.split()[0] if value.split() else "0"
            return {"rss_kb": int(status.get("VmRSS", 0)), "data_kb": int(status.get("VmData", 0)),
                    "linux_threads": int(status.get("Threads", 0)),
                    "fds": len(os.listdir("/proc/%s/fd" % pid))}
        except OSError:
            continue
    return {}


def figures():
    """The player's figures as a dict, or None when it cannot be read."""
    with tempfile.TemporaryFile() as f:
        wine(harness.tool_exe("proc_figures"), "volnar.exe", stdout=f)
        f.seek(0)
        out = f.read().decode(errors="replace")
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 12 and fields[0] == "pid":
            result = dict(zip(fields[2::2], (int(v) for v in fields[3::2])))
            result.update(linux_figures("volnar.exe"))
            return result
    return None


def parse_figure_lines(text):
    rows = []
    for line in text.splitlines():
        head, sep, rest = line.partition(" working_set_kb ")
        if sep:
            fields = ("working_set_kb " + rest).split()
            rows.append((head.strip(), dict(zip(fields[::2], (int(v) for v in fields[1::2])))))
    return rows


HEADER = ("| when | working set MiB | handles | threads | GDI/USER objects | Linux RSS MiB "
          "| Linux data MiB | Linux threads | fds |\n|---|---|---|---|---|---|---|---|---|")


def row(label, f):
    if not f:
        return "| %s | unreadable | | | | | | | |" % label
    return "| %s | %d | %d | %d | %d/%d | %s | %s | %s | %s |" % (
        label, f["working_set_kb"] // 1024, f["handles"], f["threads"], f["gdi"], f["user"],
        f.get("rss_kb", 0) // 1024, f.get("data_kb", 0) // 1024, f.get("linux_threads", "?"),
        f.get("fds", "?"))


def long_play(station, minutes):
    name = "soak-%d" % int(time.time())
    url = (station.url + "/stream/steps400-44k-128.mp3?live=" + name + "&name=Soak&status=http10"
           "&metaint=16000&burst=65536&title_every=2&titles=Soak%20-%20One|Soak%20-%20Two|Soak%20-%20Three"
           "&drops=0&drop=" + str(60 * BYTES_PER_SECOND))
    cap = harness.Capture()
    proc = harness.start_player_with(url, cap)
    samples_at = []
    try:
        harness.press_play(proc, WIDTH, HEIGHT)
        start = time.monotonic()
        time.sleep(10)  # connected and playing
        samples_at.append(("start (10 s)", figures()))
        for m in range(1, minutes + 1):
            time.sleep(max(0, start + 60 * m - time.monotonic()))
            samples_at.append(("%d min" % m, figures()))
    finally:
        samples = cap.samples()
        harness.close_player(proc, width=WIDTH, height=HEIGHT)
    _, body, _ = harness.http_get(station.port, "/live-stats?name=" + name, seconds=2)
    return samples_at, harness.step_report_without_blips(samples), body.decode(errors="replace").strip()


def events(text, block=0.05):
    """Seconds into the capture of each step back (a repeat) and each skip (a loss)."""
    digits = "0123456789ABCDEFGHIJKLMNOPQRSTUV"
    seq = [digits.index(c) if c in digits else -1 for c in text]
    return harness.step_changes(seq, block=block)


def switching(station, switches):
    a = station.url + "/stream/tone440-44k-128.mp3?name=Soak%20A&burst=65536&titles=A%20-%20440"
    b = station.url + "/stream/tone660-44k-lc.aac?name=Soak%20B&burst=32768&titles=B%20-%20660"
    cap = harness.Capture()
    linux = []

    def on_line(_, text):
        if " working_set_kb " in text:
            linux.append(linux_figures("soak_switch_win.exe"))

    run = harness.run_wine(harness.tool_exe("soak_switch"), [str(switches), a, b], cap,
                           timeout=switches * 20 + 120, on_line=on_line)
    rows = parse_figure_lines(run.text())
    for (_, f), extra in zip(rows, linux):
        f.update(extra)
    return run, rows


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--minutes", type=int, default=10)
    ap.add_argument("--switches", type=int, default=200)
    args = ap.parse_args()
    harness.ensure_prefix()
    with harness.Station() as station:
        print("## Long play: %d min, title every 2 s, a drop every minute\n" % args.minutes)
        rows, report, stats = long_play(station, args.minutes)
        print(HEADER)
        for label, f in rows:
            print(row(label, f))
        print("\nstation: %s" % stats)
        backs, skips = events(report["text"])
        print("sound: %.1f s heard, %d gaps (50 ms blocks), %d repeats (steps back, at %s s), "
              "%d losses (steps skipped, at %s s)" % (report["sounding"], report["gaps"], report["backs"],
                                                     backs, report["skips"], skips))
        print("\n## Switching: %d switches between two stations (play: links, Play/Stop)\n" % args.switches)
        run, rows = switching(station, args.switches)
        print(HEADER)
        for label, f in rows:
            print(row(label, f))
        print("\n" + "\n".join(t for _, t in run.lines if t.startswith("switches")))
        if run.timed_out:
            print("(the switching run timed out)")
    harness.remove_captures()


if __name__ == "__main__":
    main()
