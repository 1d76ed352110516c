#!/usr/bin/env python3
"""The engine (vnplay) against a real Icecast2 server, what most stations run: Debian's
icecast2 fed by an ffmpeg source with the stepping tone, titles set through its admin
interface. Checks: the tone plays from Icecast's burst without gaps, its titles arrive;
when the source goes and comes back, the listener is taken back and plays on without a
gap; when the source is gone for good, the stream ends and says so (the end sync).

Run: python3 tests/e2e/test_icecast.py   (exit 0 on success; skipped without icecast2)
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from icecast import Icecast, skip_without_icecast  # noqa: E402

ICECAST = None


def setUpModule():
    global ICECAST
    skip_without_icecast()
    harness.hold_wine_session()
    ICECAST = Icecast()


def tearDownModule():
    if ICECAST:
        ICECAST.stop()
    harness.remove_captures()



class IcecastTest(unittest.TestCase):
    def setUp(self):
        ICECAST.stop_source()
        ICECAST.start_source()
        time.sleep(4.5)  # let icecast's queue fill past its burst size

    def test_plays_from_the_burst_with_titles(self):
        url = ICECAST.url()
        titles = []

        def during(t, line):
            if "ms: playing" in line and not titles:
                titles.append(None)
                ICECAST.set_title("Icecast Band - Stepping Tone")

        run, cap = harness.vnplay(url, 6, during=during)
        self.assertEqual(run.rc, 0)
        self.assertEqual([t for _, t in run.events("status:")], ["HTTP/1.0 200 OK"])
        self.assertIn("Icecast Band - Stepping Tone", [t for _, t in run.events("title:")])
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], 5.0)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, why)
        self.assertEqual(report["backs"], 0)
        self.assertEqual(report["skips"], 0)
        # Icecast's burst filled the start buffer at once: no wait for paced audio.
        fills = [int(t.rstrip("%").split("%")[0]) for _, t in run.events("fill ")]
        self.assertTrue(fills and max(fills) > 75)

    def test_source_that_comes_back_and_one_that_is_gone(self):
        url = ICECAST.url()
        # The source leaves for a moment: icecast drops its listeners; they come back.
        state = {"stopped": False}

        def during(t, line):
            if "ms: playing" in line and not state["stopped"]:
                state["stopped"] = True
                time.sleep(2)
                ICECAST.stop_source()
                ICECAST.start_source()

        run, cap = harness.vnplay(url, 14, during=during)
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended though the source came back")
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        # The buffer bridged the source's absence: no gap, and sound to the end. (The
        # new source goes on where the clock stands, so the tone skips ahead there.)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, "the sound broke off: " + why)
        self.assertGreaterEqual(report["sounding"], 12.0)
        # Gone for good: the stream ends once the (shortened) reconnection time is up.
        gone = {"done": False}

        def during_gone(t, line):
            if "ms: playing" in line and not gone["done"]:
                gone["done"] = True
                time.sleep(1)
                ICECAST.stop_source()

        run, _ = harness.vnplay(url, 12, extra=["--reconnect", "3000"], during=during_gone)
        self.assertEqual(run.rc, 0)
        self.assertEqual(len(run.events("ended")), 1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
