#!/usr/bin/env python3
"""Start-up time: from opening a stream to the first sound written to the output.

For the engine (vnplay.exe of build/win32, or build/win64, under Wine) and for a native peer (ffplay from
Debian's ffmpeg package, or mpv with --peer mpv), on the same local test station, once
with a 64 KiB burst on connect and once without. Both play into the paced PulseAudio
null sink that the harness records; a watcher polls the capture file every 2 ms and
notes when its first non-silent sample appears.

The moment of opening differs by necessity:
- vnplay prints "opening" just before StreamOpenUrl; that line's arrival is the start,
  so Wine's own start-up (prefix, loader, DLLs: 0.5 to 2 s) is left out. The figure
  from the process start is printed too.
- the peer's start is its process start: its own start-up (a few tens of ms) is
  included, which slightly favours the engine.

    python3 bench/startup.py [--runs 3] [--peer ffplay|mpv] [--source hls|ogg]

--source adds a real producer's stream (bench/producers.py): a live HLS stream made by
ffmpeg, or an Ogg Vorbis mount of Icecast2.

Figures only; nothing here passes or fails.
"""

import argparse
import contextlib
import array
import os
import shutil
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
import producers  # noqa: E402

THRESHOLD = 64  # |sample| above this counts as sound (the tones peak near 16000)

STATIONS = [
    ("burst 64 KiB", "/stream/tone440-44k-128.mp3?burst=65536"),
    ("no burst", "/stream/tone440-44k-128.mp3?burst=0"),
]


class SoundWatcher:
    """Polls a capture file; `first` becomes the monotonic time its first sound appeared."""

    def __init__(self, path):
        self.path = path
        self.first = None
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        offset = 0
        carry = b""
        while not self.done.is_set() and self.first is None:
            try:
                with open(self.path, "rb") as f:
                    f.seek(offset)
                    data = f.read()
            except OSError:
                data = b""
            now = time.monotonic()
            if data:
                offset += len(data)
                data = carry + data
                usable = len(data) // 2 * 2
                carry = data[usable:]
                a = array.array("h")
                a.frombytes(data[:usable])
                if any(s > THRESHOLD or s < -THRESHOLD for s in a):
                    self.first = now
                    return
            time.sleep(0.002)

    def stop(self):
        self.done.set()
        self.thread.join(2)


def engine_run(url, seconds=8):
    cap = harness.Capture()
    watcher = SoundWatcher(cap.out)
    opening = {}

    def on_line(_, text):
        if text.endswith(" ms: opening"):
            opening["t"] = time.monotonic()

    start = time.monotonic()
    run = harness.run_wine(harness.tool_exe("vnplay"), [url, str(seconds)], cap, seconds + 60,
                           on_line=on_line)
    watcher.stop()
    if run.rc != 0 or watcher.first is None or "t" not in opening:
        return None, None, None, run
    # The driver's own figure: opening -> the output's first frame of stream audio.
    own = run.events("first sample")
    op = run.events("opening")
    inner = (own[0][0] - op[0][0]) / 1000 if own and op else None
    return watcher.first - opening["t"], watcher.first - start, inner, run


def peer_command(peer, url):
    if peer == "mpv":
        return ["mpv", "--no-video", "--no-terminal", "--ao=pulse", "--cache=no", url]
    return ["ffplay", "-nodisp", "-autoexit", "-loglevel", "quiet", url]


def peer_run(peer, url, seconds=15):
    cap = harness.Capture()
    watcher = SoundWatcher(cap.out)
    env = cap.env()
    env["SDL_AUDIODRIVER"] = "pulseaudio"
    start = time.monotonic()
    proc = subprocess.Popen(peer_command(peer, url), env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end = start + seconds
    while time.monotonic() < end and watcher.first is None:
        time.sleep(0.01)
    harness.stop_process(proc)
    watcher.stop()
    return None if watcher.first is None else watcher.first - start


def fmt(v):
    return "   -   " if v is None else "%6.0f ms" % (v * 1000)


def median(values):
    values = [v for v in values if v is not None]
    return harness.median(values) if values else None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--peer", default="ffplay", choices=["ffplay", "mpv"])
    producers.add_arguments(ap)
    args = ap.parse_args()
    if not shutil.which(args.peer):
        sys.exit("%s is not installed (VOLNAR_BENCH=1 bash tools/install-deps.sh)" % args.peer)
    harness.ensure_prefix()
    # Warm the prefix so the first measured run does not pay for wineserver's start.
    subprocess.run(["wine", "cmd", "/c", "exit"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rows = []
    with harness.Station() as st, contextlib.ExitStack() as sources:
        for label, url in producers.stations(args, st, STATIONS, sources):
            eng, eng_proc, eng_inner, peer = [], [], [], []
            for k in range(args.runs):
                e, ep, inner, run = engine_run(url)
                if e is None:
                    print("engine run failed (rc %s):\n%s" % (run.rc, run.text()[-2000:]))
                eng.append(e)
                eng_proc.append(ep)
                eng_inner.append(inner)
                peer.append(peer_run(args.peer, url))
                print("%-13s run %d: engine %s (in-process %s, from process start %s), %s %s"
                      % (label, k + 1, fmt(e), fmt(inner), fmt(ep), args.peer, fmt(peer[-1])),
                      flush=True)
            rows.append((label, median(eng), median(eng_inner), median(eng_proc), median(peer)))
    print()
    print("| station | engine: open -> first sound in the capture | engine in-process "
          "(open -> first frame to the sound device) | engine from process start (Wine start-up included) "
          "| %s from process start | ratio engine/%s |" % (args.peer, args.peer))
    print("|---|---|---|---|---|---|")
    for label, e, inner, ep, p in rows:
        ratio = "%.2f" % (e / p) if e is not None and p else "-"
        print("| %s | %s | %s | %s | %s | %s |" % (label, fmt(e), fmt(inner), fmt(ep), fmt(p), ratio))
    print("(medians of %d runs)" % args.runs)


if __name__ == "__main__":
    try:
        main()
    finally:
        harness.remove_captures()
