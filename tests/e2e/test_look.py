#!/usr/bin/env python3
"""The real volnar.exe under Wine and Xvfb, looked at: a screenshot of its window
(kept in build/test-logs/test_look.png, with the control strip at 4x beside it)
checked pixel by pixel against the frame's colours and the pictures in
src/resources: the frame lines, the glass buttons' borders and faces, the
slider's thumb, and the panel picture wherever no control covers it.

Run by tools/run-tests.sh (WINEPREFIX, DISPLAY and a capturing HOME set);
exit code 0 = pass.
"""
import os
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

WIDTH, HEIGHT = 600, 637
LOGS = os.path.join(harness.ROOT, "build", "test-logs")
SHOT = os.path.join(LOGS, "test_look.png")
STRIP = os.path.join(LOGS, "test_look_strip4x.png")
RESOURCES = os.path.join(harness.ROOT, "src", "resources")

DARK, LIGHT, WHITE, KEY = (0x92, 0xD0, 0xEB), (0xD6, 0xF3, 0xFF), (255, 255, 255), (248, 248, 248)
PANEL = (27, 107)          # SkinPanel1 in the window
BUTTONS = {"PlayButton": ((16, 8), "play_normal.bmp"), "StopButton": ((96, 8), "stop_normal.bmp")}
SLIDER = (218, -4, 166, 21)  # on the panel
THUMB_TOP = 13               # thumb rows in the slider
COVERED = [(16, 8, 68, 30), (96, 8, 148, 30), (180, 7, 193, 20), (205, 19, 425, 32)]  # children

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def read_bmp(name):
    """A 24-bit BMP of src/resources as rows of (r, g, b)."""
    with open(os.path.join(RESOURCES, name), "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    row = (w * 3 + 3) & ~3
    pixels = []
    for y in range(abs(h)):
        src = (h - 1 - y) if h > 0 else y
        base = offset + src * row
        pixels.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                       for x in range(w)])
    return pixels


class Shot:
    """The window's pixels out of a screenshot of the root window."""

    def __init__(self, png, left, top):
        raw = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (WIDTH, HEIGHT, left, top),
                              "+repage", "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        self.raw = raw

    def at(self, x, y):
        i = 3 * (y * WIDTH + x)
        return tuple(self.raw[i:i + 3])


def hexc(c):
    return "#%02X%02X%02X" % c


def check_frame(shot):
    for what, x, y, colour in [
            ("the dark outline at the left edge", 0, 300, DARK),
            ("the dark outline at the bottom edge", 300, HEIGHT - 1, DARK),
            ("the dark outline at the right edge", WIDTH - 1, 300, DARK),
            ("the dark top edge left of the tabs", 300, 13, DARK),
            ("the light line under it", 20, 14, LIGHT),
            ("the light line under the tabs", WIDTH - 20, 13, LIGHT),
            ("a rounding pixel of the top-left step", 1, 14, DARK),
            ("a rounding pixel of the bottom-left step", 1, HEIGHT - 2, DARK)]:
        got = shot.at(x, y)
        check(got == colour, "%s: %s at (%d, %d), expected %s" % (what, hexc(got), x, y, hexc(colour)))


def check_buttons(shot):
    for name, ((bx, by), face_file) in BUTTONS.items():
        ox, oy = PANEL[0] + bx, PANEL[1] + by
        face = read_bmp(face_file)
        # The glass's two borders left of the face.
        for what, x, y in [("outer border", 0, 11), ("inner border", 1, 11)]:
            got = shot.at(ox + x, oy + y)
            check(got == WHITE, "%s: the glass's %s at (%d, %d) is %s" % (name, what, x, y, hexc(got)))
        wrong = [(x, y) for y in range(22) for x in range(50)
                 if face[y][x] != KEY and shot.at(ox + 2 + x, oy + y) != face[y][x]]
        check(not wrong, "%s: its face (%s) at x = 2, every non-transparent pixel as drawn (%d differ, first %s)"
              % (name, face_file, len(wrong), wrong[:3]))
        # The face's transparent corners: the glass's white borders show there,
        # the panel beyond them, and nothing dark (no caption glyph, no fringe).
        keys = [(x, y) for y in range(22) for x in range(50) if face[y][x] == KEY]
        white = sum(1 for x, y in keys if shot.at(ox + 2 + x, oy + y) == WHITE)
        other = [(x, y) for x, y in keys if min(shot.at(ox + 2 + x, oy + y)) < 0xB0]
        check(white >= 12, "%s: the glass's borders show through the face's transparent corners "
              "(%d of %d pixels white)" % (name, white, len(keys)))
        check(not other, "%s: nothing dark shows there (%d pixels, first %s)" % (name, len(other), other[:3]))


def thumb_left(shot, thumb):
    """The thumb's left edge in the slider, found by its row of grips."""
    sx, sy = PANEL[0] + SLIDER[0], PANEL[1] + SLIDER[1]
    row = 3
    for left in range(0, SLIDER[2] - 22):
        if all(thumb[row][x] == KEY or shot.at(sx + left + x, sy + THUMB_TOP + row) == thumb[row][x]
               for x in range(23)):
            return left
    return None


def check_thumb_and_panel(shot):
    panel = read_bmp("skinpanel.bmp")
    thumb = read_bmp("thumb.bmp")
    left = thumb_left(shot, thumb)
    check(left is not None, "the thumb's picture is on the slider")
    if left is None:
        return
    check(any(left == 3 + (p * 137) // 100 for p in range(101)),
          "the thumb's left edge %d is one of the slider's positions" % left)
    sx, sy = PANEL[0] + SLIDER[0], PANEL[1] + SLIDER[1]
    wrong = []
    for y in range(8):
        for x in range(23):
            want = thumb[y][x]
            if want == KEY:  # the panel shows through
                px, py = SLIDER[0] + left + x, SLIDER[1] + THUMB_TOP + y
                want = panel[py][px]
            if shot.at(sx + left + x, sy + THUMB_TOP + y) != want:
                wrong.append((x, y))
    check(not wrong, "the thumb at %d: its picture with the panel under its corners (%d differ, first %s)"
          % (left, len(wrong), wrong[:3]))
    # The panel picture everywhere no child covers it (the slider is transparent
    # but for its thumb).
    thumb_rect = (SLIDER[0] + left, SLIDER[1] + THUMB_TOP, SLIDER[0] + left + 23, SLIDER[1] + THUMB_TOP + 8)
    covered = COVERED + [thumb_rect]
    wrong = [(x, y) for y in range(39) for x in range(427)
             if not any(a <= x < c and b <= y < d for a, b, c, d in covered)
             and shot.at(PANEL[0] + x, PANEL[1] + y) != panel[y][x]]
    check(not wrong, "the panel shows its picture exactly, no fill or bevel (%d pixels differ, first %s)"
          % (len(wrong), wrong[:3]))
    groove = shot.at(PANEL[0] + 300 if left + SLIDER[0] > 320 else PANEL[0] + 360, PANEL[1] + 12)
    check(groove == panel[12][300 if left + SLIDER[0] > 320 else 360], "the groove beside the thumb: %s" % hexc(groove))


def main():
    harness.hold_wine_session()
    env = dict(os.environ)
    exe = os.path.join(harness.win_dir(), "volnar.exe")
    closer = harness.tool_exe("close_window")
    subprocess.run(["wine", "reg", "delete", r"HKCU\SOFTWARE\Volnar", "/f"], capture_output=True, env=env)
    proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        window = harness.wait_player_window(proc, WIDTH, HEIGHT)
        place = (window[5], window[6]) if window else None
        check(place is not None, "a 600 x 637 window of volnar.exe appears")
        if place is None:
            return
        time.sleep(2.0)  # the first paints
        os.makedirs(LOGS, exist_ok=True)
        subprocess.run(["import", "-window", "root", SHOT], check=True)
        subprocess.run(["convert", SHOT, "-crop", "440x50+%d+%d" % (place[0] + 20, place[1] + 100), "+repage",
                        "-scale", "400%", STRIP], check=False)
        print("screenshot: %s (strip at 4x: %s)" % (SHOT, STRIP))
        shot = Shot(SHOT, place[0], place[1])
        check_frame(shot)
        check_buttons(shot)
        check_thumb_and_panel(shot)
        closed = subprocess.run(["wine", closer, str(WIDTH), str(HEIGHT), "30"], capture_output=True,
                                env=env, timeout=90)
        check(closed.returncode == 0, "closing the window")
        try:
            proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            check(False, "the program ended after its window closed")
    finally:
        if proc.poll() is None:
            proc.kill()


if __name__ == "__main__":
    main()
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
