#!/usr/bin/env python3
"""The real volnar.exe under Wine and Xvfb: its skinned 600 x 637 window appears
at 372, 207 with the application title "Волнар-радио", its frame and shape are
on screen, the catalogue area is the hosted browser control, and closing it
stores the last station address (and no cookies: no catalogue page was shown,
Wine having no HTML engine).

Run by tools/run-tests.sh (WINEPREFIX, DISPLAY and a capturing HOME set);
exit code 0 = pass. Leaves a screenshot in build/test-logs/test_window.png.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

TITLE = "Волнар-радио"
LEFT, TOP, WIDTH, HEIGHT = 372, 207, 600, 637
SHOT = os.path.join(harness.ROOT, "build", "test-logs", "test_window.png")

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def wine(*args, timeout=60, env=None):
    return subprocess.run(["wine", *args], capture_output=True, timeout=timeout, env=env)


def pixel(png, x, y):
    out = subprocess.run(["convert", png, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                         capture_output=True, text=True).stdout
    m = re.search(r"#([0-9A-Fa-f]{6})", out)
    return m.group(1).upper() if m else "?"


def main():
    harness.hold_wine_session()
    env = dict(os.environ)
    exe = os.path.join(harness.win_dir(), "volnar.exe")
    closer = harness.tool_exe("close_window")
    wine("reg", "delete", r"HKCU\SOFTWARE\Volnar", "/f", env=env)

    proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=env)
    try:
        window = harness.wait_player_window(proc, WIDTH, HEIGHT)
        check(window is not None, "a 600 x 637 window of volnar.exe appears")
        if window is None:
            return
        time.sleep(1.5)  # the first paint
        check((window[5], window[6]) == (LEFT, TOP),
              "the window is at %d, %d (found %d, %d)" % (LEFT, TOP, window[5], window[6]))

        # The application title: the title window carries the taskbar text.
        names = harness.player_titles()
        check(names.count(TITLE) >= 2,
              "the application title and the window caption read %s (saw %s)" % (TITLE, names))

        os.makedirs(os.path.dirname(SHOT), exist_ok=True)
        subprocess.run(["import", "-window", "root", SHOT], check=True)
        x0, y0 = LEFT, TOP
        root_colour = pixel(SHOT, 5, 5)
        expected = [
            ("the dark outline at the left edge", 0, 300, "92D0EB"),
            ("the dark outline at the bottom edge", 300, HEIGHT - 1, "92D0EB"),
            ("the dark outline at the right edge", WIDTH - 1, 300, "92D0EB"),
            ("the dark top edge left of the tabs", 300, 13, "92D0EB"),
            ("the light line under it", 20, 14, "D6F3FF"),
            # The browser control's own blank page: Wine cannot render the placeholder.
            ("the hosted browser's blank page in the catalogue area", 300, 400, "FFFFFF"),
            ("the move tab's face", WIDTH - 42 + 7, 12, "D6F3FF"),
            ("the close tab's face", WIDTH - 14 + 2, 8, "D6F3FF"),
        ]
        for what, x, y, colour in expected:
            got = pixel(SHOT, x0 + x, y0 + y)
            check(got == colour, "%s: #%s at (%d, %d), expected #%s" % (what, got, x, y, colour))
        # The region: above the body left of the tabs and in the notches the
        # screen behind shows through.
        for what, x, y in [("above the body", 300, 5), ("the notch between tabs", WIDTH - 28, 1),
                           ("the cut bottom-left corner", 0, HEIGHT - 1)]:
            got = pixel(SHOT, x0 + x, y0 + y)
            check(got == root_colour, "%s shows the screen behind (#%s, screen #%s)"
                  % (what, got, root_colour))

        closed = wine(closer, str(WIDTH), str(HEIGHT), "30", env=env, timeout=90)
        check(closed.returncode == 0, "closing the window (%s)" % closed.stderr.decode(errors="replace").strip())
        try:
            proc.wait(timeout=60)
            check(True, "the program ended after its window closed")
        except subprocess.TimeoutExpired:
            check(False, "the program ended after its window closed")
    finally:
        if proc.poll() is None:
            proc.kill()

    query = wine("reg", "query", r"HKCU\SOFTWARE\Volnar", env=env).stdout.decode(errors="replace")
    check(re.search(r"cookies\s+REG_SZ", query) is None,
          "the registry holds no cookies (only a catalogue page's are kept)")
    check(re.search(r"lasturl\s+REG_SZ", query) is not None, "the registry holds lasturl (REG_SZ)")


if __name__ == "__main__":
    main()
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
