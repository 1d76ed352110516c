#!/usr/bin/env python3
"""Underruns after a start: the share of starts whose first 30 s of sound break off.

Each start plays the test station's 440 Hz tone (128 kbit/s) through vnplay under Wine,
which waits as the player does (more than 75 % of the start buffer), then plays. The
station sends no burst and paces the stream at exactly its rate, with every slice of it
up to `--jitter` ms late at random (a new seed per start). The harness's paced
PulseAudio sink is recorded; from the first sound on, 30 s of the capture are searched
for silence: a run of at least 2 ms of samples with |s| <= 64 (the tone crosses zero in
a sample or two) is a break. A start with any break counts as one that underran.

The fixture itself is silent for about 65 ms where it loops (every 8.07 s: the MP3
encoder's delay and padding), so breaks that begin within 0.1 s of a loop seam are in
the source, and are listed apart. With --peer mpv the same starts are played by mpv
too, through the same analysis; with --compare DIR each start is also played by the
vnplay of another build folder (an older commit, say), so both meet the same load. For
each engine start the lowest fill of the download buffer that vnplay reported (once a
second) tells a buffer that ran dry from a sound path that did not keep up.

    python3 bench/underruns.py [--starts 10] [--jitter 100] [--seconds 30] [--peer mpv]
                               [--compare DIR]

Figures only; nothing here passes or fails.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import harness  # noqa: E402
import station  # noqa: E402

FIXTURE = "tone440-44k-128.mp3"
SEAM_MARGIN = 0.1  # seconds around a loop seam of the fixture

THRESHOLD = 64
MIN_BREAK = harness.CAPTURE_RATE * 2 // 1000  # samples: 2 ms


def breaks(samples, seconds, loop):
    """Silent runs in the first `seconds` after the first sound: (list of (start s, ms)
    away from the fixture's loop seams, number at the seams, seconds examined)."""
    first = harness.first_sound(samples, THRESHOLD)
    if first is None:
        return None
    want = int(seconds * harness.CAPTURE_RATE)
    window = samples[first: first + want]
    found = []
    run = 0
    for i, s in enumerate(list(window) + [THRESHOLD + 1]):
        if -THRESHOLD <= s <= THRESHOLD:
            run += 1
            continue
        # Silence up to the end of a short window is the run's end, not a break.
        if run >= MIN_BREAK and (i < len(window) or len(window) == want):
            found.append(((i - run) / harness.CAPTURE_RATE, run * 1000 / harness.CAPTURE_RATE))
        run = 0

    def at_seam(t):
        k = round(t / loop)
        return abs(t - k * loop) <= SEAM_MARGIN

    real = [b for b in found if not at_seam(b[0])]
    return real, len(found) - len(real), len(window) / harness.CAPTURE_RATE


def output_figures(run):
    """The output's last figures, and the driver seconds after "playing" at which
    the sources ran short, as text, or "" when vnplay gave none."""
    figures = run.events("output figures: ")
    if not figures:
        return ""
    playing = run.events("playing")
    t0 = playing[0][0] if playing else 0
    short_at = []
    last = 0
    for ms, text in figures:
        short = int(text.split("short mixes ")[1].split(",")[0])
        if short > last:
            short_at.append("%.0f" % ((ms - t0) / 1000))
        last = short
    text = figures[-1][1]
    if short_at:
        text += " (running short within the second before %s s)" % ", ".join(short_at[:8])
    return text


def engine_capture(exe, url, seconds, pulse_latency=None):
    """(samples or None, lowest reported buffer fill in bytes or None, output figures)."""
    cap = harness.Capture()
    env = dict(os.environ)
    if pulse_latency:
        env["PULSE_LATENCY_MSEC"] = str(pulse_latency)
    run = harness.run_wine(exe, [url, str(seconds + 2)], cap, seconds + 60, env=env)
    fills = []
    for _, text in run.events("fill "):
        if "(downloaded " in text:
            numbers = text.split("(downloaded ")[1].rstrip(")").split(", decoded ")
            fills.append(int(numbers[0]) - int(numbers[1]))
    samples = cap.samples()
    if run.rc != 0:
        print(run.text()[-1500:])
        return None, None, ""
    return samples, min(fills) if fills else None, output_figures(run)


def peer_capture(url, seconds):
    cap = harness.Capture()
    env = cap.env()
    proc = subprocess.Popen(["mpv", "--no-video", "--no-terminal", "--ao=pulse", url], env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(seconds + 4)
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return cap.samples()


def report(name, k, result, low=None, figures=""):
    if result is None:
        print("%s start %d: no sound" % (name, k), flush=True)
        return None
    real, seams, heard = result
    text = ", ".join("%.2f s (%.0f ms)" % b for b in real[:12]) or "none"
    if len(real) > 12:
        text += " and %d more" % (len(real) - 12)
    fill = "" if low is None else "; lowest buffer fill %d bytes" % low
    print("%s start %d: %.1f s examined, breaks: %s; %d at the fixture's seams%s"
          % (name, k, heard, text, seams, fill), flush=True)
    if figures:
        print("    output: %s" % figures, flush=True)
    return bool(real)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--starts", type=int, default=10)
    ap.add_argument("--jitter", type=float, default=100.0, help="ms")
    ap.add_argument("--seconds", type=float, default=30.0)
    ap.add_argument("--peer", choices=["mpv"])
    ap.add_argument("--compare", help="another build folder whose vnplay plays each start too")
    ap.add_argument("--pulse-latency", type=int, metavar="MS",
                    help="the sound server buffer Wine's pulse driver asks for (PULSE_LATENCY_MSEC); "
                         "unset, Wine asks for three of its 10 ms periods")
    args = ap.parse_args()
    if args.peer and not shutil.which(args.peer):
        sys.exit("%s is not installed (VOLNAR_BENCH=1 bash tools/install-deps.sh)" % args.peer)
    loop = station.Fixture(os.path.join(station.FIXTURES, FIXTURE)).duration
    harness.ensure_prefix()
    players = [("engine", harness.tool_exe("vnplay"))]
    if args.compare:
        os.environ["VOLNAR_WIN32_DIR"] = args.compare
        players.append(("compared", harness.tool_exe("vnplay")))
        os.environ.pop("VOLNAR_WIN32_DIR")
    tally = {name: [0, 0] for name, _ in players}  # underran, measured
    tally["mpv"] = [0, 0]
    with harness.Station() as st:
        for k in range(1, args.starts + 1):
            url = "%s/stream/%s?burst=0&jitter=%g&seed=%d" % (st.url, FIXTURE, args.jitter, k)
            for name, exe in players:
                samples, low, figures = engine_capture(exe, url, args.seconds, args.pulse_latency)
                under = report(name, k, breaks(samples, args.seconds, loop) if samples else None, low, figures)
                if under is not None:
                    tally[name][0] += under
                    tally[name][1] += 1
            if args.peer:
                under = report(args.peer, k, breaks(peer_capture(url, args.seconds), args.seconds, loop))
                if under is not None:
                    tally["mpv"][0] += under
                    tally["mpv"][1] += 1
    print()
    for name, (under, measured) in tally.items():
        if measured:
            print("%s: %d of %d starts underran in their first %g s (jitter %g ms, no burst)"
                  % (name, under, measured, args.seconds, args.jitter))


if __name__ == "__main__":
    try:
        main()
    finally:
        harness.remove_captures()
