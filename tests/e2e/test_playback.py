#!/usr/bin/env python3
"""The real volnar.exe under Wine plays the station stored as lasturl: a click on
the Play button (a real pointer click through X) makes the captured audio carry
the station's tone; the application title, read from outside, shows the station
name and the track title, scrolls, and follows the station's title change; a
click on Stop silences the output and stills the title; closing the window
leaves lasturl as it was.

Run by tools/run-tests.sh (WINEPREFIX, DISPLAY set); exit code 0 = pass.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

LEFT, TOP, WIDTH, HEIGHT = 372, 207, 600, 637
# The glass buttons' centres on screen: the strip at 27, 107 in the window,
# Play at 16, 8 and Stop at 96, 8 in the strip, both 52 x 22.
PLAY = (LEFT + 27 + 16 + 26, TOP + 107 + 8 + 11)
STOP = (LEFT + 27 + 96 + 26, TOP + 107 + 8 + 11)
NAME = "E2E Station"

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)
    return ok


def wine(*args, timeout=60, env=None):
    return subprocess.run(["wine", *args], capture_output=True, timeout=timeout, env=env)


def is_rotation(text, of):
    return len(text) == len(of) and text in of + of


def application_title(full):
    """The first window name that is a rotation of `full`, or None."""
    for n in harness.player_titles():
        if is_rotation(n, full):
            return n
    return None


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        v = predicate()
        if v:
            return v
        time.sleep(0.1)
    return predicate()


def click(point):
    subprocess.run(["xdotool", "mousemove", str(point[0]), str(point[1])], check=True)
    time.sleep(0.3)
    subprocess.run(["xdotool", "click", "1"], check=True)


def main():
    harness.hold_wine_session()
    with harness.Station() as station:
        url = (station.url + "/stream/tone440-44k-128.mp3?name=E2E%20Station&titles=First|Second"
               "&title_every=6&burst=65536")
        capture = harness.Capture()
        env = capture.env()
        wine("reg", "delete", r"HKCU\SOFTWARE\Volnar", "/f", env=env)
        wine("reg", "add", r"HKCU\SOFTWARE\Volnar", "/v", "lasturl", "/t", "REG_SZ", "/d", url, "/f",
             env=env)
        exe = os.path.join(harness.win_dir(), "volnar.exe")
        proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env=env)
        try:
            if not check(harness.wait_player_window(proc, WIDTH, HEIGHT), "the window appears"):
                return
            time.sleep(1.5)
            before = len(harness.read_pcm(capture.out))
            click(PLAY)

            first = NAME + "   First.  "
            title = wait_for(lambda: application_title(first), 30)
            check(title is not None, "the application title shows the station and the track (%s)"
                  % harness.player_titles())
            later = wait_for(lambda: (lambda t: t if t and t != title else None)(application_title(first)), 5)
            check(later is not None, "the title scrolls (%r, then %r)" % (title, later))

            time.sleep(2)
            sound = harness.read_pcm(capture.out)[before:]
            hz, seconds = harness.tone_report(sound)
            check(hz is not None and abs(hz - 440) < 440 * 0.02 and seconds >= 1.0,
                  "the captured output carries the station's 440 Hz tone (%s Hz, %.1f s)" % (hz, seconds))

            second = NAME + "   Second.  "
            check(wait_for(lambda: application_title(second), 20) is not None,
                  "the title follows the station's title change (%s)" % harness.player_titles())

            click(STOP)
            stopped = NAME + "   Остановлено .  "
            still = wait_for(lambda: next((n for n in harness.player_titles() if n == stopped), None), 10)
            check(still is not None, "after Stop the title reads %r unscrolled (%s)" % (stopped, harness.player_titles()))
            time.sleep(0.5)
            at_stop = len(harness.read_pcm(capture.out))
            time.sleep(1.5)
            check(stopped in harness.player_titles(), "the title stands still after Stop")
            tail = harness.read_pcm(capture.out)[at_stop:]
            check(harness.rms(tail) < 1.0, "Stop silences the output (rms %.1f over %d samples)"
                  % (harness.rms(tail), len(tail)))

            # Play again after the stop: the output starts again.
            again_from = len(harness.read_pcm(capture.out))
            click(PLAY)
            time.sleep(4)
            hz, seconds = harness.tone_report(harness.read_pcm(capture.out)[again_from:])
            check(hz is not None and abs(hz - 440) < 440 * 0.02 and seconds >= 1.0,
                  "Play after Stop is heard again (%s Hz, %.1f s)" % (hz, seconds))

            closed = wine(harness.tool_exe("close_window"), str(WIDTH), str(HEIGHT), "30", env=env,
                          timeout=90)
            check(closed.returncode == 0, "closing the window")
            try:
                rc = proc.wait(timeout=60)
                check(rc == 0, "the program ended cleanly after its window closed (exit code %s)" % rc)
            except subprocess.TimeoutExpired:
                check(False, "the program ended after its window closed")
        finally:
            if proc.poll() is None:
                proc.kill()
        query = wine("reg", "query", r"HKCU\SOFTWARE\Volnar", "/v", "lasturl", env=env).stdout
        check(url.encode() in query, "lasturl is still the station's address")
    harness.remove_captures()


if __name__ == "__main__":
    main()
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
