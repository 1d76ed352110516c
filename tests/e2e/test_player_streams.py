#!/usr/bin/env python3
"""The real volnar.exe under Wine plays a live https station whose connection drops
and comes back with a burst of audio it already had (as Icecast does), and what the
listener hears (the paced capture) has neither a gap nor a repeat: the stepping tone
of the fixture only ever rises one step at a time. And a live HLS station that names
itself only in a later segment's ID3 tag (TRSN): the state slot shows the address's
host while it plays, then that name once it comes.

Run: python3 tests/e2e/test_player_streams.py   (exit 0 on success)
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from test_hostile import HlsStation  # noqa: E402

WIDTH, HEIGHT = 600, 637
STATION = None


def setUpModule():
    global STATION
    harness.hold_wine_session()
    STATION = harness.Station()
    STATION.__enter__()


def tearDownModule():
    STATION.__exit__(None, None, None)
    harness.remove_captures()


def id3_tag(frames):
    """An ID3v2.4 tag of text frames ((id, text), UTF-8)."""
    def syncsafe(n):
        return bytes((n >> s) & 0x7F for s in (21, 14, 7, 0))
    body = b"".join(fid.encode() + syncsafe(len(text.encode()) + 1) + b"\0\0\x03" + text.encode()
                    for fid, text in frames)
    return b"ID3\x04\x00\x00" + syncsafe(len(body)) + body


class LaterNamedHls(HlsStation):
    """Its segments from the fourth after the first list's on start with an ID3 tag that
    names the station."""
    NAME = "Tag Wave FM"

    def segment(self, seq):
        audio = super().segment(seq)
        if self.first and seq > max(self.first) + 3:
            return id3_tag([("TRSN", self.NAME)]) + audio
        return audio


def live_stats(name):
    _, body, _ = harness.http_get(STATION.port, "/live-stats?name=" + name, seconds=2)
    fields = body.decode().split()
    return dict(zip(fields[::2], (int(v) for v in fields[1::2]))) if len(fields) >= 6 else {}


class PlayerStreamTest(unittest.TestCase):
    def play(self, url, seconds, until=None):
        """Runs volnar.exe with `url` as its last station, presses Play, and records what
        it plays until `until()` holds (40 s at most), then `seconds` more."""
        cap = harness.Capture()
        proc = harness.start_player_with(url, cap)
        try:
            pressed = harness.press_play(proc, WIDTH, HEIGHT)
            self.assertTrue(pressed, "the player's Play button was not found")
            limit = time.monotonic() + 40
            while until and not until() and time.monotonic() < limit:
                time.sleep(0.25)
            time.sleep(seconds)
        finally:
            samples = cap.samples()
            harness.close_player(proc, width=WIDTH, height=HEIGHT)
        return samples

    def test_https_station_survives_a_drop_without_gap_or_repeat(self):
        if "good" not in STATION.https:
            self.skipTest("no TLS station (openssl or the trustca tool missing)")
        name = "player-%d" % int(time.time() * 1000)
        url = (STATION.https["good"] + "/stream/steps400-44k-128.mp3?live=" + name +
               "&status=http10&metaint=16000&burst=65536&drop=100000&titles=Secure%20Song")
        samples = self.play(url, 4, until=lambda: live_stats(name).get("served", 0) >= 2)
        stats = live_stats(name)
        print("station:", stats)
        # What played before the first sound and after the press of Play is not ours to judge.
        # A single odd block where the looping fixture joins its end to its start is not
        # a repeat: one from the reconnect would last far longer than one block.
        report = harness.step_report_without_blips(samples)
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(stats.get("served", 0), 2, "the player did not reconnect")
        self.assertEqual(stats.get("dropped"), 1)
        self.assertGreaterEqual(report["sounding"], 5.0)
        self.assertEqual(report["gaps"], 0, "the sound broke off")
        self.assertEqual(report["backs"], 0, "audio was heard twice")
        self.assertEqual(report["skips"], 0, "audio was lost")

    def test_hls_station_named_only_by_a_later_segments_tag(self):
        hls = LaterNamedHls()
        self.addCleanup(hls.stop)
        seen = []  # the names the marquee showed, in order

        def named():
            for title in harness.player_titles():
                for name in ("127.0.0.1", hls.NAME):
                    if name in title + title and (not seen or seen[-1] != name):
                        seen.append(name)
            return hls.NAME in seen

        self.play(hls.url, 1, until=named)
        print("names shown:", seen)
        self.assertEqual(seen, ["127.0.0.1", hls.NAME])


if __name__ == "__main__":
    unittest.main(verbosity=2)
