#!/usr/bin/env python3
"""The keyboard's media keys drive the real volnar.exe under Wine: Play/Pause
(a real key press through X) starts the stored station, a mount of a real
Icecast2 server fed by ffmpeg with a 440 Hz tone; the captured audio carries
the tone, and the same key silences it again; the Stop key stops it too.

Run by tools/run-tests.sh (WINEPREFIX, DISPLAY set); exit code 0 = pass (or
skipped without icecast2 or ffmpeg, as the other Icecast checks are).
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from icecast import Icecast, MP3, sine_source  # noqa: E402

WIDTH, HEIGHT = 600, 637
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)
    return ok


def wine(*args, timeout=60, env=None):
    return subprocess.run(["wine", *args], capture_output=True, timeout=timeout, env=env)


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def tone_after(capture, seconds):
    start = len(harness.read_pcm(capture.out))
    time.sleep(seconds)
    return harness.tone_report(harness.read_pcm(capture.out)[start:])


def silent_after(capture):
    time.sleep(0.8)  # what was queued before the stop plays out
    start = len(harness.read_pcm(capture.out))
    time.sleep(1.5)
    tail = harness.read_pcm(capture.out)[start:]
    return harness.rms(tail), len(tail)


def explain(icecast):
    """What the player and the server show when no tone came: the window's title
    (the status line's station and state) and the server's last requests."""
    print("     window titles:", harness.player_titles())
    try:
        with open(os.path.join(icecast.dir, "log", "access.log"), errors="replace") as f:
            print("     icecast access log:", "".join(f.readlines()[-5:]).strip() or "(empty)")
    except OSError as e:
        print("     no icecast access log:", e)


def heard(report):
    hz, seconds = report
    return hz is not None and abs(hz - 440) < 440 * 0.02 and seconds >= 1.0


def main():
    harness.hold_wine_session()
    with Icecast() as icecast:
        # On air while the player starts, so Icecast has its burst ready for it.
        icecast.start_source("/keys", MP3, tone=sine_source(440))
        url = icecast.url("/keys")
        capture = harness.Capture()
        env = capture.env()
        wine("reg", "delete", r"HKCU\SOFTWARE\Volnar", "/f", env=env)
        wine("reg", "add", r"HKCU\SOFTWARE\Volnar", "/v", "lasturl", "/t", "REG_SZ", "/d", url, "/f", env=env)
        exe = os.path.join(harness.win_dir(), "volnar.exe")
        proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        try:
            if not check(harness.wait_player_window(proc, WIDTH, HEIGHT), "the window appears"):
                return
            time.sleep(1.5)
            key("XF86AudioPlay")
            report = tone_after(capture, 5)
            if not check(heard(report), "Play/Pause starts the station: its 440 Hz tone is heard (%s Hz, %.1f s)" % report):
                explain(icecast)
            key("XF86AudioPlay")
            rms, n = silent_after(capture)
            check(rms < 1.0, "Play/Pause again silences it (rms %.1f over %d samples)" % (rms, n))
            key("XF86AudioPlay")
            report = tone_after(capture, 5)
            if not check(heard(report), "and starts it again (%s Hz, %.1f s)" % report):
                explain(icecast)
            key("XF86AudioStop")
            rms, n = silent_after(capture)
            check(rms < 1.0, "the Stop key silences it (rms %.1f over %d samples)" % (rms, n))
            check(harness.close_player(proc, env) == 0, "closing the window")
        finally:
            if proc.poll() is None:
                proc.kill()
    harness.remove_captures()


if __name__ == "__main__":
    if not shutil.which("icecast2") or not shutil.which("ffmpeg"):
        print("skipped: icecast2 or ffmpeg is not installed")
        sys.exit(0)
    main()
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
