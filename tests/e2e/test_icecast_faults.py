#!/usr/bin/env python3
"""The engine (vnplay) against a real Icecast2 server (fed by ffmpeg with the stepping
tone made as it is sent, its usual 64 KiB burst) through tools/fault_proxy.py, which breaks the listener's
connection as networks do: a reset, a stall (no data, no close, no reset), and a reset
after which the next connections are refused. Each time the sound must go on with no
gap and no step heard twice or left out, heard on the paced capture.

Run: python3 tests/e2e/test_icecast_faults.py   (exit 0 on success; skipped without icecast2)
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import harness  # noqa: E402
from icecast import Icecast, skip_without_icecast  # noqa: E402
from fault_proxy import FaultProxy  # noqa: E402

ICECAST = None
FAULT_AFTER = 6.0  # seconds into the first connection; playback starts about 1 s in
PLAY = 13  # seconds of playback per case


def setUpModule():
    global ICECAST
    skip_without_icecast()
    harness.hold_wine_session()
    ICECAST = Icecast()
    ICECAST.start_source()
    time.sleep(4.5)  # icecast's queue fills past its burst size


def tearDownModule():
    if ICECAST:
        ICECAST.stop()
    harness.remove_captures()


class IcecastFaultTest(unittest.TestCase):
    def play_through(self, proxy):
        proxy.start()
        self.addCleanup(proxy.stop)
        url = "http://127.0.0.1:%d/live" % proxy.port
        run, cap = harness.vnplay(url, PLAY)
        report = harness.step_report_without_blips(cap.samples())
        print("proxy %s\nheard %.1f s: %s" % (proxy.stats(), report["sounding"], report["text"]))
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended")
        stats = proxy.stats()
        self.assertTrue(stats["faulted"], "the fault came after the run: %s" % stats)
        self.assertGreaterEqual(stats["connections"], 2 + proxy.refuse)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, "the sound broke off: " + why)
        self.assertEqual(report["backs"], 0, "audio heard twice")
        self.assertEqual(report["skips"], 0, "audio left out")
        self.assertGreaterEqual(report["sounding"], PLAY - 1.5)
        return stats

    def test_reset(self):
        self.play_through(FaultProxy("127.0.0.1:%d" % ICECAST.port, reset_after=FAULT_AFTER))

    def test_reset_then_refused_reconnections(self):
        self.play_through(FaultProxy("127.0.0.1:%d" % ICECAST.port, reset_after=FAULT_AFTER, refuse=2))

    def test_reset_then_a_slow_link(self):
        # The new connection brings icecast's 64 KiB burst at 40 KB/s: it takes longer
        # than the engine's wait for the old tail, and is still a repeat.
        self.play_through(FaultProxy("127.0.0.1:%d" % ICECAST.port, reset_after=FAULT_AFTER, rate_after=40000))

    def test_stall(self):
        stats = self.play_through(FaultProxy("127.0.0.1:%d" % ICECAST.port, stall_after=FAULT_AFTER))
        # The stalled connection is given up once the new one delivers, long before the
        # 15 s read time-out would have ended it (or the run's end, 7 s after the fault).
        self.assertIsNotNone(stats["stalled_closed_after"], "the stalled connection stayed open")
        self.assertLess(stats["stalled_closed_after"], 5.0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
