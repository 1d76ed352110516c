#!/usr/bin/env python3
"""Play click to first sound: the real volnar.exe under Wine, beside a native peer.

For each station (a 64 KiB burst on connect, and none) and each run: volnar.exe starts
with the station stored as its last station; once its window is up, a real pointer
click (xdotool) presses the Play button, and a watcher polling the capture file every
2 ms notes the first non-silent sample. The peer (ffplay, or mpv with --peer mpv) plays
the same address in the same run, timed from its process start (so its own start-up
counts against it; Wine's start-up does not count against the player, whose window is
already open when the user clicks).

Both play into the harness's paced PulseAudio null sink.

    python3 bench/play_click.py [--runs 5] [--peer ffplay|mpv] [--source hls|ogg] [--only-sources]

--source adds a real producer's stream (bench/producers.py): a live HLS stream made by
ffmpeg, or an Ogg Vorbis mount of Icecast2.

Figures only; nothing here passes or fails.
"""

import argparse
import contextlib
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
import harness  # noqa: E402
import producers  # noqa: E402
from startup import SoundWatcher, fmt, median, peer_run  # noqa: E402

LEFT, TOP, WIDTH, HEIGHT = 372, 207, 600, 637
PLAY = (LEFT + 27 + 16 + 26, TOP + 107 + 8 + 11)  # the Play button's centre on screen

STATIONS = [
    ("burst 64 KiB", "/stream/tone440-44k-128.mp3?burst=65536"),
    ("no burst", "/stream/tone440-44k-128.mp3?burst=0"),
]


def player_run(url):
    """Seconds from the click on Play to the first sound, or None."""
    env = dict(os.environ)
    subprocess.run(["wine", "reg", "add", r"HKCU\SOFTWARE\Volnar", "/v", "lasturl", "/t", "REG_SZ",
                    "/d", url, "/f"], capture_output=True, env=env)
    cap = harness.Capture()
    env = cap.env(env)
    proc = subprocess.Popen(["wine", os.path.join(harness.win_dir(), "volnar.exe")],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        harness.wait_player_window(proc, WIDTH, HEIGHT)
        time.sleep(2)  # the first paint and the start-up page
        subprocess.run(["xdotool", "mousemove", str(PLAY[0]), str(PLAY[1])], check=True)
        time.sleep(0.3)
        watcher = SoundWatcher(cap.out)
        clicked = time.monotonic()
        subprocess.run(["xdotool", "click", "1"], check=True)
        end = clicked + 15
        while watcher.first is None and time.monotonic() < end:
            time.sleep(0.01)
        watcher.stop()
        return None if watcher.first is None else watcher.first - clicked
    finally:
        harness.close_player(proc, env=env, width=WIDTH, height=HEIGHT, seconds=20)
        cap.stop(0)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--peer", default="ffplay", choices=["ffplay", "mpv"])
    producers.add_arguments(ap)
    args = ap.parse_args()
    for tool in (args.peer, "xdotool"):
        if not shutil.which(tool):
            sys.exit("%s is not installed (VOLNAR_BENCH=1 bash tools/install-deps.sh)" % tool)
    harness.ensure_prefix()
    rows = []
    with harness.Station() as st, contextlib.ExitStack() as sources:
        for label, url in producers.stations(args, st, STATIONS, sources):
            player, peer = [], []
            for k in range(args.runs):
                player.append(player_run(url))
                peer.append(peer_run(args.peer, url))
                print("%-13s run %d: player %s, %s %s" % (label, k + 1, fmt(player[-1]), args.peer,
                                                          fmt(peer[-1])), flush=True)
            rows.append((label, median(player), median(peer)))
    print()
    print("| station | volnar.exe: Play click -> first sound | %s: process start -> first sound "
          "| ratio |" % args.peer)
    print("|---|---|---|---|")
    for label, p, q in rows:
        ratio = "%.2f" % (p / q) if p is not None and q else "-"
        print("| %s | %s | %s | %s |" % (label, fmt(p), fmt(q), ratio))
    print("(medians of %d runs)" % args.runs)


if __name__ == "__main__":
    try:
        main()
    finally:
        harness.remove_captures()
