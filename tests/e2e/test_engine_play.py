#!/usr/bin/env python3
"""The engine against the test station under Wine, through the vnplay driver.

Each run has its own audio capture, paced at real time. Checks: MP3, AAC, FLAC and
resampled MP3 play the fixture's tone (within 2 %) for the run without a gap, and the output never
runs short of the stream's audio, also when the station paces with jitter; titles follow the station's changes;
failing stations give exit code 2 and the right error, and no run hangs.
Run: python3 tests/e2e/test_engine_play.py   (exit 0 on success)
"""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

PLAY_SECONDS = 6
RUN_TIMEOUT = 60          # a run that lasts this long hangs
ERROR_HTTP = 11           # engine.h kErrorHttp
ERROR_ABORTED = 17        # engine.h kErrorAborted
STATION = None


def setUpModule():
    global STATION
    STATION = harness.Station()
    STATION.__enter__()
    harness.hold_wine_session()


def tearDownModule():
    STATION.__exit__(None, None, None)
    harness.remove_captures()


def vnplay(path, seconds=PLAY_SECONDS, extra=(), timeout=RUN_TIMEOUT):
    cap = harness.Capture()
    run = harness.run_wine(harness.tool_exe("vnplay"), [STATION.url + path, str(seconds)] + list(extra),
                           cap, timeout)
    sys.stdout.write("---- vnplay %s (rc %s)\n%s\n" % (path, run.rc, run.text()))
    return run, cap


def gap_runs(samples, seconds=0.05):
    """The silent stretches between the first and the last sounding block, as
    lengths in blocks."""
    marks = "".join("." if b[2] is None else "T" for b in harness.blocks(samples, seconds=seconds))
    return [len(m) for m in re.findall(r"\.+", marks.strip("."))]


class PlayTest(unittest.TestCase):
    def assert_played(self, run, cap, freq, seconds=PLAY_SECONDS):
        self.assertFalse(run.timed_out, "vnplay hung")
        self.assertEqual(run.rc, 0)
        self.assertTrue(run.events("opened"))
        self.assertTrue(run.events("playing"))
        samples = cap.samples()
        found, sounding = harness.tone_report(samples)
        print("captured %.1f s, %.1f s of it sounding, tone %s Hz"
              % (len(samples) / harness.CAPTURE_RATE, sounding, found))
        self.assertIsNotNone(found, "the capture is silent")
        self.assertAlmostEqual(found, freq, delta=freq * 0.02)
        # The capture is paced by the sink's clock, so what it holds is what a listener
        # hears: the played time must be there, and sound once started never breaks off
        # until the driver closes the stream.
        self.assertGreaterEqual(sounding, 0.85 * seconds, "most of the run's sound is missing")
        # A short break that the sound server made below a clean output (it logged a
        # client running short, the engine's figures are clean) is not the program's.
        gaps, why = harness.gap_verdict(gap_runs(samples), run, cap)
        self.assertEqual(gaps, 0, "the sound breaks off: " + why)
        # The output's own account: the stream never ran short of audio while it
        # played (the last figures before the driver closes the stream).
        figures = run.events("output figures: ")
        self.assertTrue(figures, "vnplay reported no output figures")
        self.assertTrue(figures[-1][1].startswith("short mixes 0,"), figures[-1][1])

    def test_tones(self):
        cases = [  # (station path, tone Hz)
            ("/stream/tone440-44k-128.mp3?status=icy&burst=65536", 440),
            ("/stream/tone660-44k-lc.aac?status=http10&burst=32768", 660),
            ("/stream/tone1000-24k-64.mp3?status=http11&chunked=1", 1000),  # 24 kHz, resampled
            ("/stream/tone880-48k-lc.aac?status=icy", 880),  # 48 kHz AAC, resampled, no burst
            ("/stream/tone700-48k-24-mono.flac?status=http11&chunked=1", 700),  # FLAC, 24 bits, resampled
            # No burst, paced at exactly the stream's rate with every slice up to 100 ms
            # late: the start's cushion must carry it through.
            ("/stream/tone440-44k-128.mp3?burst=0&jitter=100&seed=3", 440),
        ]
        for path, freq in cases:
            with self.subTest(path=path):
                run, cap = vnplay(path)
                self.assert_played(run, cap, freq)

    def test_master_volume(self):
        path = "/stream/tone440-44k-128.mp3?burst=65536"
        levels = {}
        for volume in ("1", "0.5", "0"):
            run, cap = vnplay(path, seconds=2, extra=["--volume", volume])
            self.assertEqual(run.rc, 0)
            self.assertFalse(run.events("volume"), "the engine refused the volume")
            loud = [b[1] for b in harness.blocks(cap.samples(), seconds=0.05) if b[1] >= 50]
            levels[volume] = harness.median(loud) if loud else 0.0
        print("median RMS by volume:", levels)
        self.assertGreater(levels["1"], 5000)
        self.assertLess(levels["0.5"], levels["1"] * 0.8)
        self.assertGreater(levels["0.5"], levels["1"] * 0.1)
        self.assertEqual(levels["0"], 0.0)

    def test_headers_reach_the_program(self):
        run, _ = vnplay("/stream/tone440-44k-128.mp3?name=Jazz%20FM&br=128&burst=65536", seconds=1)
        self.assertEqual(run.rc, 0)
        self.assertEqual([t for _, t in run.events("status:")], ["ICY 200 OK"])
        self.assertEqual([t for _, t in run.events("name:")], ["Jazz FM"])
        self.assertEqual([t for _, t in run.events("bitrate:")], ["128"])
        # An HTTP answer: the list comes as the HTTP one.
        run, _ = vnplay("/stream/tone440-44k-128.mp3?status=http10&burst=65536&hdrspace=1", seconds=1)
        self.assertEqual(run.rc, 0)
        self.assertEqual([t for _, t in run.events("status:")], ["HTTP/1.0 200 OK"])
        self.assertTrue(run.events("tag http: icy-name: Volnar Test"))
        self.assertEqual([t for _, t in run.events("name:")], ["Volnar Test"])

    def test_native_flac_over_http_plays_with_the_title_of_its_comments(self):
        # Looped by the station: the stream's headers come again every 3 s, between frames.
        run, cap = vnplay("/stream/tone500-44k-16.flac?status=http10&metaint=0")
        self.assert_played(run, cap, 500)
        self.assertEqual({t for _, t in run.events("title:")}, {"Flac Artist - Tone 500"})

    def test_titles_follow_the_station(self):
        path = ("/stream/tone440-44k-128.mp3?status=http11&chunked=1&burst=65536&metaint=4000"
                "&title_every=1.5&titles=One|Two|Three")
        run, _ = vnplay(path, seconds=7)
        self.assertEqual(run.rc, 0)
        titles = [t for _, t in run.events("title:")]
        changes = [t for k, t in enumerate(titles) if k == 0 or titles[k - 1] != t]
        self.assertGreaterEqual(len(changes), 3, titles)
        self.assertEqual(changes[0], "One")
        cycle = ["One", "Two", "Three"]
        for a, b in zip(changes, changes[1:]):
            self.assertIn(b, cycle)
            self.assertNotEqual(cycle.index(b), cycle.index(a))
        for meta in run.events("meta:"):
            self.assertRegex(meta[1], r"^StreamTitle='(One|Two|Three)';StreamUrl='';$")

    def test_cp1251_title_as_sent(self):
        title = "Волнар - Песня"
        quoted = "".join("%%%02X" % c for c in title.encode("utf-8"))
        run, _ = vnplay("/stream/tone440-44k-128.mp3?burst=65536&titles_cp1251=1&titles=" + quoted,
                        seconds=1)
        self.assertEqual(run.rc, 0)
        self.assertIn(title, [t for _, t in run.events("title:")])

    def test_failures_end_cleanly(self):
        cases = [  # (station path, expected error code or None for any)
            ("/stream/tone440-44k-128.mp3?fault=404", ERROR_HTTP),
            ("/stream/tone440-44k-128.mp3?fault=400icy", ERROR_HTTP),
            ("/stream/no-such-file.mp3", ERROR_HTTP),
            ("/stream/tone440-44k-128.mp3?fault=refuse", None),
        ]
        for path, code in cases:
            with self.subTest(path=path):
                run, _ = vnplay(path, seconds=1)
                self.assertFalse(run.timed_out, "vnplay hung")
                self.assertEqual(run.rc, 2)
                failed = run.events("failed: error ")
                self.assertEqual(len(failed), 1)
                if code is not None:
                    self.assertEqual(int(failed[0][1].split()[0]), code)
                self.assertFalse(run.events("fill"))
                self.assertTrue(run.events("freed"))

    def test_damaged_streams_still_play(self):
        base = "/stream/tone440-44k-128.mp3?burst=65536"
        cases = [  # (query, what the engine has to cope with)
            ("&fault=garbage&bytes=3000&metaint=2000", "junk before the first frame"),
            ("&start=777", "a start in the middle of a frame"),
            ("&fault=badmeta&metaint=2000", "binary metadata blocks of random sizes"),
            ("&fault=drop&after=40000", "the server closes after 2.5 s of audio"),
            ("&fault=stall&after=40000", "the server stops sending and keeps the connection"),
        ]
        for query, why in cases:
            with self.subTest(why=why):
                run, cap = vnplay(base + query, seconds=4)
                self.assertFalse(run.timed_out, "vnplay hung")
                self.assertEqual(run.rc, 0)
                found, _ = harness.tone_report(cap.samples())
                self.assertIsNotNone(found, "the capture is silent")
                self.assertAlmostEqual(found, 440, delta=440 * 0.02)

    def test_unplayable_answers_fail(self):
        cases = [  # (query, accepted error codes)
            ("?fault=html", (13, 14)),        # a status page instead of audio
            ("?fault=bigheaders", (13,)),     # 64 KiB of headers
        ]
        for query, codes in cases:
            with self.subTest(query=query):
                run, _ = vnplay("/stream/tone440-44k-128.mp3" + query, seconds=2)
                self.assertFalse(run.timed_out, "vnplay hung")
                if query == "?fault=bigheaders" and run.rc == 0:
                    continue  # reading past oversized headers is also sound behaviour
                self.assertEqual(run.rc, 2)
                self.assertIn(int(run.events("failed: error ")[0][1].split()[0]), codes)

    def test_close_while_connecting(self):
        # The station never answers. Closing must abandon the connection: the open call
        # then ends with "aborted", not with the time-out it would reach after 15 s.
        run, _ = vnplay("/stream/tone440-44k-128.mp3?fault=hang", seconds=1,
                        extra=["--close-after", "1000"])
        self.assertFalse(run.timed_out, "vnplay hung")
        self.assertEqual(run.rc, 2)
        self.assertTrue(run.events("closing"))
        failed = run.events("failed: error ")
        self.assertTrue(failed)
        self.assertEqual(int(failed[0][1].split()[0]), ERROR_ABORTED)

    def test_playlist_and_redirect(self):
        entry = "%2Fstream%2Ftone440-44k-128.mp3%3Fburst%3D65536"
        for path in ("/playlist.pls?entry=/stream/missing.mp3&entry=" + entry,
                     "/redirect?hops=2&to=" + entry):
            with self.subTest(path=path):
                run, cap = vnplay(path, seconds=4)
                self.assert_played(run, cap, 440, seconds=4)


if __name__ == "__main__":
    unittest.main(verbosity=2)
