#!/usr/bin/env python3
"""The sound goes on while the sound device changes under a playing stream.

vnplay plays a 440 Hz station through the engine into the private sound server, which
gets a second null sink, "cap2", for the run; both sinks are recorded. Into the run:
  - cap2 becomes the default sink (pactl set-default-sink);
  - cap2, now playing, is unloaded (pactl unload-module);
  - the player's stream is killed by the sound server (pacmd kill-sink-input).
Checks: the tone is heard on the sinks, one after the other, to the end of the run, with no
silence longer than KILL_GAP anywhere and none longer than SMOOTH_GAP around the first two
changes; the output reopened its device after the kill.

What Wine 8 does here (printed by every run from vnplay's "output:" lines): it calls no
IMMNotificationClient method for any of the three, so the output hears of no default-device
change. On the first two the sound server moves the stream to the new default sink, or back
to "cap", by itself, and every render call keeps succeeding: nothing is for the program to do.
Only the killed stream reaches the program: GetCurrentPadding returns
AUDCLNT_E_DEVICE_INVALIDATED, and the output must open the default device again. The other
paths (a new default device, Start failing, no endpoint) are played through stand-in
endpoints in tests/win/engine_device_test.cpp.
Run: python3 tests/e2e/test_output_device.py   (exit 0 on success)
"""

import os
import re
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

PLAY_SECONDS = 13
RUN_TIMEOUT = 90
DEFAULT_AT, UNLOAD_AT, KILL_AT = 3.0, 6.0, 9.0  # seconds after "playing"
BLOCK = 0.05             # seconds per analysed block
SMOOTH_GAP = 0.15        # longest silence allowed where the sound server moves the stream
KILL_GAP = 0.6           # ... and where the stream is killed: its queued audio dies with it
STATION = None


def setUpModule():
    global STATION
    STATION = harness.Station()
    STATION.__enter__()
    harness.hold_wine_session()


def tearDownModule():
    STATION.__exit__(None, None, None)
    harness.remove_captures()


def sounding(path, started):
    """(monotonic start second, list of booleans per BLOCK: the 440 Hz tone sounds)."""
    samples = harness.read_pcm(path) if os.path.exists(path) else []
    out = []
    for _, level, freq in harness.blocks(samples, seconds=BLOCK):
        out.append(freq is not None and abs(freq - 440) < 440 * 0.03)
    return started, out


class OutputDeviceTest(unittest.TestCase):
    def test_sound_follows_the_sinks(self):
        server = harness.PulseServer.address()
        env = dict(os.environ, PULSE_SERVER=server)
        runtime = server[len("unix:"):].rsplit("/pulse/", 1)[0]
        # The recordings stay on their monitors: with no default source of its own, the
        # server would make the new default sink's monitor the default and move them there.
        subprocess.run(["pactl", "set-default-source", "cap.monitor"], env=env, check=True)
        sink2 = harness.pulse_load(env, "module-null-sink sink_name=cap2 rate=%d channels=2" % harness.CAPTURE_RATE)
        cli = harness.pulse_load(env, "module-cli-protocol-unix")
        cap = harness.Capture()
        second_out = os.path.join(cap.dir, "cap2.raw")
        second = harness.record_sink(env, "cap2.monitor", second_out)
        done = {}
        timers = []

        def act(name, *cmd, **kw):
            result = subprocess.run(list(cmd), env=kw.get("env", env), capture_output=True, text=True)
            done[name] = time.monotonic()
            print("%s: %s rc %d %s" % (name, " ".join(cmd), result.returncode, result.stderr.strip()))

        def kill_stream():
            inputs = subprocess.run(["pactl", "list", "short", "sink-inputs"], env=env, capture_output=True,
                                    text=True).stdout.split()
            if inputs:
                act("kill", "pacmd", "kill-sink-input", inputs[0], env=dict(env, XDG_RUNTIME_DIR=runtime))

        def on_line(_, text):
            if text.endswith("ms: playing") and not timers:
                for at, fn in ((DEFAULT_AT, lambda: act("default", "pactl", "set-default-sink", "cap2")),
                               (UNLOAD_AT, lambda: act("unload", "pactl", "unload-module", sink2)),
                               (KILL_AT, kill_stream)):
                    t = threading.Timer(at, fn)
                    t.start()
                    timers.append(t)
                done["playing"] = time.monotonic()

        try:
            run = harness.run_wine(harness.tool_exe("vnplay"),
                                   [STATION.url + "/stream/tone440-44k-128.mp3?status=icy&burst=65536",
                                    str(PLAY_SECONDS)], cap, RUN_TIMEOUT, on_line=on_line)
        finally:
            for t in timers:
                t.join()
            harness.stop_process(second)
            subprocess.run(["pactl", "set-default-sink", "cap"], env=env, capture_output=True)
            subprocess.run(["pactl", "unload-module", cli], env=env, capture_output=True)
            if "unload" not in done:
                subprocess.run(["pactl", "unload-module", sink2], env=env, capture_output=True)
        sys.stdout.write("---- vnplay (rc %s)\n%s\n" % (run.rc, run.text()))
        self.assertFalse(run.timed_out, "vnplay hung")
        self.assertEqual(run.rc, 0)
        for name in ("playing", "default", "unload", "kill"):
            self.assertIn(name, done, "the run did not get as far as " + name)

        # What the output heard of it all.
        outputs = run.events("output:")
        print("output states: %s" % [o[1] for o in outputs])
        last = outputs[-1][1]
        opens = int(re.search(r"opens (\d+)", last).group(1))
        lost = int(re.search(r"lost (\d+)", last).group(1))
        changes = int(re.search(r"default changes (\d+)", last).group(1))
        print("Wine signalled %d default-device change(s); %d device(s) lost, %d opened" % (changes, lost, opens))
        self.assertTrue(last.startswith("wasapi"), last)
        self.assertGreaterEqual(lost, 1, "the killed stream was not noticed")
        self.assertGreaterEqual(opens, 2, "the output did not open the device again after the kill")

        # One timeline from both recordings, each block sounding on either sink.
        tracks = [sounding(cap.out, cap.started), sounding(second_out, second.started)]
        origin = min(t[0] for t in tracks)
        length = max(int((t[0] - origin) / BLOCK) + len(t[1]) for t in tracks)
        heard = [False] * length
        where = [""] * length
        for n, (start, blocks) in enumerate(tracks):
            offset = int(round((start - origin) / BLOCK))
            for i, s in enumerate(blocks):
                if s and 0 <= offset + i < length:
                    heard[offset + i] = True
                    where[offset + i] += "12"[n]
        # Once cap2 is unloaded the server moves its recording to cap's monitor, so from
        # then on both recordings hear cap ("b").
        text = "".join({"": ".", "1": "1", "2": "2"}.get(w, "b") for w in where)
        print("timeline, one character per %.2f s (1 = cap, 2 = cap2, b = both, . = silence):\n%s" % (BLOCK, text))

        def block_at(name):
            return int((done[name] - origin) / BLOCK)

        first = heard.index(True)
        end = block_at("playing") + int(PLAY_SECONDS / BLOCK) - int(1.0 / BLOCK)
        self.assertLess(first, block_at("default"), "no sound before the first change")
        self.assertTrue(any(heard[end - int(1.0 / BLOCK):end]), "the sound did not last to the end")
        self.assertIn("2", text[block_at("default"):block_at("unload")], "the default sink never played")

        def longest_silence(a, b):
            run_len = best = 0
            for h in heard[a:b]:
                run_len = 0 if h else run_len + 1
                best = max(best, run_len)
            return best * BLOCK

        margin = int(1.0 / BLOCK)
        for name, allowed in (("default", SMOOTH_GAP), ("unload", SMOOTH_GAP), ("kill", KILL_GAP)):
            gap = longest_silence(max(first, block_at(name) - margin), block_at(name) + 2 * margin)
            print("%s: longest silence %.2f s" % (name, gap))
            self.assertLessEqual(gap, allowed + 1e-9, "the sound broke off at " + name)
        self.assertLessEqual(longest_silence(first, end), KILL_GAP + 1e-9)


if __name__ == "__main__":
    unittest.main()
