#!/usr/bin/env python3
"""The real volnar.exe under Wine plays an HLS station and an Ogg Vorbis station from
its Play button, and its application title shows their songs and follows a change:

- HLS: ffmpeg makes a live stream (the stepping tone as AAC in 2 s MPEG-TS segments, a
  six-segment list that deletes old segments); the test's HTTP server serves ffmpeg's
  files and writes each segment's song into its EXTINF line (title="...",
  artist="..."), as stations do, a new song every third segment.
- Ogg Vorbis: a real Icecast2 mount whose source sends a chained stream: each song a
  new logical stream with its own Vorbis comments (ARTIST, TITLE), every 4 s; the
  station name comes from Icecast's icy-name header.

Checks, in the paced capture and the window titles read from outside: the tone plays
without gaps and without audio heard twice; the application title shows the song (and
for Icecast the station name before it), then the next song.

Run: python3 tests/e2e/test_player_formats.py   (exit 0 on success; skipped without
ffmpeg, icecast2 or ffmpeg's libvorbis encoder)
"""

import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import test_hls  # noqa: E402
import test_icecast_ogg  # noqa: E402
from icecast import Icecast  # noqa: E402

WIDTH, HEIGHT = 600, 637
HLS_ARTIST = "HLS Band"
SEGMENTS_PER_SONG = 3


def song_of(segment):
    number = int(re.search(r"(\d+)\.ts$", segment).group(1))
    return "Song %d" % (number // SEGMENTS_PER_SONG)


class TitledPlaylists(http.server.SimpleHTTPRequestHandler):
    """ffmpeg's files, with each playlist entry's song written into its EXTINF line."""

    def do_GET(self):
        if not self.path.endswith(".m3u8"):
            return super().do_GET()
        try:
            with open(os.path.join(self.directory, self.path.lstrip("/")), encoding="ascii") as f:
                lines = f.read().splitlines()
        except OSError:
            return self.send_error(404)
        for i, line in enumerate(lines[:-1]):
            if line.startswith("#EXTINF:") and lines[i + 1].endswith(".ts"):
                duration = line[len("#EXTINF:"):].split(",")[0]
                lines[i] = '#EXTINF:%s,title="%s",artist="%s"' % (duration, song_of(lines[i + 1]), HLS_ARTIST)
        body = ("\n".join(lines) + "\n").encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/vnd.apple.mpegurl")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class PlayerFormatsTest(unittest.TestCase):
    def play(self, url, until, limit=45, after=4):
        """Runs volnar.exe with `url` as its last station, presses Play, and waits until
        `until(titles)` holds for the player's window titles (`limit` s at most), then
        `after` s more; the samples captured meanwhile and whether it held."""
        cap = harness.Capture()
        proc = harness.start_player_with(url, cap)
        held = False
        try:
            pressed = harness.press_play(proc, WIDTH, HEIGHT)
            self.assertTrue(pressed, "the player's Play button was not found")
            end = time.monotonic() + limit
            while not held and time.monotonic() < end:
                held = bool(until(harness.player_titles()))
                time.sleep(0.2)
            time.sleep(after)
        finally:
            samples = cap.samples()
            harness.close_player(proc, width=WIDTH, height=HEIGHT)
        return samples, held

    def check_sound(self, samples, at_least):
        report = harness.step_report_without_blips(samples)
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], at_least)
        self.assertEqual(report["gaps"], 0, "the sound broke off")
        self.assertEqual(report["backs"], 0, "audio was heard twice")

    def test_hls_station_with_song_titles(self):
        if not shutil.which("ffmpeg"):
            self.skipTest("ffmpeg is not installed")
        folder = tempfile.mkdtemp(prefix="volnar-player-hls-")
        producer = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-re", "-f", "lavfi", "-i", test_hls.TONE, "-c:a", "aac", "-b:a", "128k",
             "-f", "hls", "-hls_time", "2", "-hls_list_size", "6", "-hls_flags", "delete_segments",
             os.path.join(folder, "index.m3u8")], stdin=subprocess.DEVNULL)
        server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), lambda *a: TitledPlaylists(*a, directory=folder))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            deadline = time.monotonic() + 30
            while len(test_hls.listed(os.path.join(folder, "index.m3u8"))) < 3:
                self.assertLess(time.monotonic(), deadline, "ffmpeg made no segments")
                time.sleep(0.2)
            songs = []  # the songs seen in the application title, in order

            def until(titles):
                for t in titles:
                    # The marquee rotates the title: the whole text is inside two copies of it.
                    m = re.search(r"   %s - (Song \d+)\.  " % HLS_ARTIST, t + t)
                    if m and (not songs or songs[-1] != m.group(1)):
                        songs.append(m.group(1))
                return len(songs) >= 2

            url = "http://127.0.0.1:%d/index.m3u8" % server.server_address[1]
            samples, held = self.play(url, until)
            print("songs in the title:", songs)
            self.assertTrue(held, "the application title did not show a song and then the next (%s, %s)"
                            % (songs, harness.player_titles()))
            first, second = (int(s.split()[1]) for s in songs[:2])
            self.assertEqual(second, first + 1, "the title skipped a song")
            self.check_sound(samples, 4.0)
        finally:
            server.shutdown()
            harness.stop_process(producer)
            shutil.rmtree(folder, ignore_errors=True)

    def test_ogg_vorbis_station_with_chained_titles(self):
        if not shutil.which("icecast2") or not shutil.which("ffmpeg"):
            self.skipTest("icecast2 or ffmpeg is not installed")
        encoders = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True, text=True).stdout
        if "libvorbis" not in encoders:
            self.skipTest("ffmpeg has no libvorbis encoder")
        folder = tempfile.mkdtemp(prefix="volnar-player-ogg-")
        icecast = Icecast()
        source = None
        try:
            source = test_icecast_ogg.OggSource(icecast.port, test_icecast_ogg.encode(folder))
            icecast.wait_mount(test_icecast_ogg.MOUNT)
            time.sleep(4.5)  # Icecast's queue filled past its burst size
            # The source's Ice-Name, which Icecast sends as icy-name, leads the title.
            wanted = ["Volnar Ogg Test   %s.  " % t for t in test_icecast_ogg.TITLES]
            seen = []

            def until(titles):
                for t in titles:
                    for w in wanted:
                        if len(t) == len(w) and w in t + t and (not seen or seen[-1] != w):
                            seen.append(w)
                return len(seen) >= 2

            url = "http://127.0.0.1:%d%s" % (icecast.port, test_icecast_ogg.MOUNT)
            samples, held = self.play(url, until, limit=30)
            print("titles seen:", seen)
            self.assertTrue(held, "the application title did not follow the chained stream's titles (%s, %s)"
                            % (seen, harness.player_titles()))
            self.check_sound(samples, 4.0)
        finally:
            if source:
                source.stop()
            icecast.stop()
            shutil.rmtree(folder, ignore_errors=True)


def setUpModule():
    harness.hold_wine_session()


def tearDownModule():
    harness.remove_captures()


if __name__ == "__main__":
    unittest.main(verbosity=2)
