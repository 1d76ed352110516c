#!/usr/bin/env python3
"""CPU time per minute of playback: the engine (vnplay under Wine) beside a native peer.

Both play the same local test station into an ALSA file capture. CPU time is user +
system time from /proc of every process in the player's session (the process and its
children), read once playback has settled (3 s after start-up) and again at the end,
and scaled to one minute. For the engine, the CPU that the prefix's shared Wine
processes (wineserver, services, explorer...) spend meanwhile is shown separately:
it is work Wine does on the program's behalf.

    python3 bench/cpu.py [--seconds 30] [--peer ffplay|mpv] [--path /stream/...] [--icecast]
                         [--source hls|ogg]

--icecast plays a real Icecast2 server fed by ffmpeg (as tests/e2e/test_icecast.py runs
it) instead of the test station; --source hls a live HLS stream made by ffmpeg, --source
ogg an Ogg Vorbis mount of Icecast2 (bench/producers.py).

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
import harness  # noqa: E402
import producers  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")
SETTLE = 3.0  # seconds after the start before the first reading


# Threads that Wine's pulse driver starts inside the program's process, by name.
WINE_AUDIO_THREADS = ("winepulse_mainl", "winepulse_timer")


def wine_audio_cpu(pid):
    """CPU seconds of the process's threads that Wine's pulse driver runs."""
    total = 0.0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0.0
    for tid in tasks:
        try:
            with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                name = f.read().strip()
            if name not in WINE_AUDIO_THREADS:
                continue
            with open("/proc/%d/task/%s/stat" % (pid, tid), "rb") as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat[stat.rfind(b")") + 2:].split()
        total += (int(fields[11]) + int(fields[12])) / TICK
    return total


def proc_table():
    """pid -> (session id, cpu seconds, environ bytes or b'')."""
    out = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name, "rb") as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat[stat.rfind(b")") + 2:].split()
        sid = int(fields[3])
        cpu = (int(fields[11]) + int(fields[12])) / TICK
        out[int(name)] = (sid, cpu)
    return out


def wine_prefix_pids(prefix):
    pids = set()
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if ("WINEPREFIX=" + prefix).encode() in env:
            pids.add(int(name))
    return pids


class Meter:
    """Per-pid CPU high-water marks of one session, plus of other listed pids."""

    def __init__(self, sid, others=()):
        self.sid = sid
        self.others = set(others)
        self.session = {}
        self.other = {}
        self.audio = {}

    def read(self):
        table = proc_table()
        for pid, (sid, cpu) in table.items():
            if sid == self.sid:
                self.session[pid] = max(cpu, self.session.get(pid, 0.0))
                self.audio[pid] = max(wine_audio_cpu(pid), self.audio.get(pid, 0.0))
            elif pid in self.others:
                self.other[pid] = max(cpu, self.other.get(pid, 0.0))
        return sum(self.session.values()), sum(self.other.values()), sum(self.audio.values())


def measure(cmd, env, seconds, cwd=None):
    others = wine_prefix_pids(os.environ["WINEPREFIX"]) if cmd[0] == "wine" else ()
    start = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, cwd=cwd, start_new_session=True, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    meter = Meter(proc.pid, others)
    first = None
    last = None
    end = start + seconds
    while time.monotonic() < end - 0.5 and proc.poll() is None:
        time.sleep(0.25)
        now = time.monotonic()
        reading = meter.read()
        if first is None and now - start >= SETTLE:
            first = (now, reading)
        last = (now, reading)
    whole = meter.read()[0] if proc.poll() is None else None
    try:
        os.killpg(proc.pid, 15)
        proc.wait(5)
    except (OSError, subprocess.TimeoutExpired):
        os.killpg(proc.pid, 9)
        proc.wait()
    if first is None or last is None or last[0] <= first[0]:
        return None
    span = last[0] - first[0]
    own = (last[1][0] - first[1][0]) / span * 60
    shared = (last[1][1] - first[1][1]) / span * 60
    audio = (last[1][2] - first[1][2]) / span * 60
    return own, shared, whole, span, audio


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seconds", type=float, default=30)
    ap.add_argument("--peer", default="ffplay", choices=["ffplay", "mpv"])
    ap.add_argument("--path", default="/stream/tone440-44k-128.mp3?burst=65536")
    ap.add_argument("--icecast", action="store_true", help="play a local Icecast2 fed by ffmpeg")
    ap.add_argument("--source", choices=sorted(producers.PRODUCERS), help="play a real producer's stream")
    args = ap.parse_args()
    if not shutil.which(args.peer):
        sys.exit("%s is not installed (VOLNAR_BENCH=1 bash tools/install-deps.sh)" % args.peer)
    harness.ensure_prefix()
    subprocess.run(["wine", "cmd", "/c", "exit"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if args.icecast:
        args.source = "icecast"
    source = producers.PRODUCERS[args.source]() if args.source else None
    with harness.Station() as st, source or contextlib.nullcontext() as source_url:
        if source:
            args.path = source.label
        url = source_url or st.url + args.path
        exe = harness.tool_exe("vnplay")
        cap = harness.Capture()
        eng = measure(["wine", exe, url, str(args.seconds + 5)], cap.env(), args.seconds,
                      cwd=os.path.dirname(exe))
        cap = harness.Capture()
        env = cap.env()
        env["SDL_AUDIODRIVER"] = "pulseaudio"
        if args.peer == "mpv":
            cmd = ["mpv", "--no-video", "--no-terminal", "--ao=pulse", url]
        else:
            cmd = ["ffplay", "-nodisp", "-loglevel", "quiet", url]
        peer = measure(cmd, env, args.seconds)
    print("station: %s, %.0f s runs, CPU after %.0f s of settling, scaled to one minute" %
          (args.path, args.seconds, SETTLE))
    print()
    print("| player | CPU s per minute (own processes) | of it Wine's pulse driver threads | "
          "the rest (the engine's threads) | plus shared Wine processes | whole run CPU s |")
    print("|---|---|---|---|---|---|")
    if eng:
        print("| vnplay (engine, Wine) | %.2f | %.2f | %.2f | %.2f | %.2f |"
              % (eng[0], eng[4], eng[0] - eng[4], eng[0] + eng[1], eng[2] or 0))
    else:
        print("| vnplay (engine, Wine) | failed | | | | |")
    if peer:
        print("| %s (native) | %.2f | - | - | - | %.2f |" % (args.peer, peer[0], peer[2] or 0))
    else:
        print("| %s (native) | failed | | | | |" % args.peer)
    if eng and peer and peer[0] > 0:
        print()
        print("ratio engine/%s: %.2f (own), %.2f (with shared Wine processes)"
              % (args.peer, eng[0] / peer[0], (eng[0] + eng[1]) / peer[0]))


if __name__ == "__main__":
    try:
        main()
    finally:
        harness.remove_captures()
