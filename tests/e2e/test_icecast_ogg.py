#!/usr/bin/env python3
"""The engine (vnplay) against a real Icecast2 server with an Ogg Vorbis mount, as many
stations run it: ffmpeg encodes the two halves of the stepping tone with libvorbis into
two files with different titles, and a source client sends them one after the other to
Icecast, paced at real time. Every file is a logical stream of its own, so the mount is a
chained Ogg stream whose title changes with each new stream (every 4 s), as a source that
encodes track by track makes it, while the tone steps on across the joins. Checks, on the paced capture: the tone plays from Icecast's burst
(headers first) without gaps, repeats or losses across the chain's joins, and both
titles arrive; when the source leaves and comes back, the listener is taken back and
plays on without a gap. Opus (decoded at 48 kHz) and FLAC in Ogg, chained the same way on
mounts of their own, play at the tone's pitch across the joins with each track's title.

Run: python3 tests/e2e/test_icecast_ogg.py   (exit 0 on success; skipped without icecast2
or ffmpeg's libvorbis encoder)
"""

import base64
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from icecast import PASSWORD, Icecast, skip_without_icecast  # noqa: E402

STEPS = os.path.join(harness.ROOT, "tests", "fixtures", "steps400-44k-128.mp3")
TITLES = ("Ogg Band - First Song", "Ogg Band - Second Song")
MOUNT = "/ogg"


def ogg_pages(data):
    """(page bytes, granule position) of each page of an Ogg file."""
    pages, at = [], 0
    while at + 27 <= len(data) and data[at:at + 4] == b"OggS":
        segments = data[at + 26]
        size = 27 + segments + sum(data[at + 27: at + 27 + segments])
        pages.append((data[at: at + size], struct.unpack("<q", data[at + 6: at + 14])[0]))
        at += size
    return pages


def encode(folder, codec=("-c:a", "libvorbis", "-q:a", "3"), ext="ogg", titles=TITLES):
    """The stepping tone's two halves (4 s each) as Ogg Vorbis (or `codec`), one per
    title; each file gets its own serial number and, as an encoder that starts a new
    stream for each track writes it, granule positions that count from 0 (the source
    paces each file by them). Played in turn they step on without a break."""
    files = []
    for i, title in enumerate(titles):
        path = os.path.join(folder, "steps%d.%s" % (i, ext))
        artist, song = title.split(" - ")
        trim = "atrim=%d:%d,asetpts=PTS-STARTPTS" % (4 * i, 4 * i + 4)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", STEPS, "-af", trim] + list(codec) +
                       ["-metadata", "ARTIST=" + artist, "-metadata", "TITLE=" + song, "-f", "ogg", path],
                       check=True)
        with open(path, "rb") as f:
            files.append(ogg_pages(f.read()))
    return files


class OggSource:
    """A source client: the files in turn, page by page at the time their granules say."""

    def __init__(self, port, files, rate=44100, mount=MOUNT):
        auth = base64.b64encode(("source:%s" % PASSWORD).encode()).decode()
        # Icecast keeps the mount of a source that just left for a moment (403 then).
        for _ in range(50):
            self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
            self.sock.sendall(("SOURCE %s HTTP/1.0\r\nAuthorization: Basic %s\r\n"
                               "Content-Type: application/ogg\r\nIce-Name: Volnar Ogg Test\r\n\r\n"
                               % (mount, auth)).encode())
            answer = self.sock.recv(1024)
            if b" 200 " in answer.split(b"\r\n")[0]:
                break
            self.sock.close()
            time.sleep(0.1)
        else:
            raise RuntimeError("icecast2 refused the source: %r" % answer[:80])
        self.files, self.rate = files, rate
        self.stop_flag = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        start = time.monotonic()
        offset = 0.0  # seconds of the files already sent
        try:
            while not self.stop_flag.is_set():
                for pages in self.files:
                    last = 0
                    for page, granule in pages:
                        if granule > 0:
                            last = granule
                        delay = start + offset + last / self.rate - time.monotonic()
                        if delay > 0 and self.stop_flag.wait(delay):
                            return
                        self.sock.sendall(page)
                    offset += last / self.rate
        except OSError:
            pass

    def stop(self):
        self.stop_flag.set()
        self.thread.join(10)
        self.sock.close()


ICECAST = None
FILES = None
FOLDER = None


def setUpModule():
    global ICECAST, FILES, FOLDER
    skip_without_icecast()
    encoders = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True, text=True).stdout
    if "libvorbis" not in encoders:
        raise unittest.SkipTest("ffmpeg has no libvorbis encoder")
    FOLDER = tempfile.mkdtemp(prefix="volnar-ogg-")
    FILES = encode(FOLDER)
    harness.hold_wine_session()
    ICECAST = Icecast()


def tearDownModule():
    if ICECAST:
        ICECAST.stop()
    if FOLDER:
        shutil.rmtree(FOLDER, ignore_errors=True)
    harness.remove_captures()



class IcecastOggTest(unittest.TestCase):
    def setUp(self):
        self.source = OggSource(ICECAST.port, FILES)
        ICECAST.wait_mount(MOUNT)
        time.sleep(4.5)  # let icecast's queue fill past its burst size

    def tearDown(self):
        if self.source:
            self.source.stop()

    def test_chained_streams_play_without_gaps_and_change_the_title(self):
        url = "http://127.0.0.1:%d%s" % (ICECAST.port, MOUNT)
        run, cap = harness.vnplay(url, 8)  # twice a file's length: at least one new stream
        self.assertEqual(run.rc, 0)
        self.assertEqual([t for _, t in run.events("status:")], ["HTTP/1.0 200 OK"])
        titles = [t for _, t in run.events("title:")]
        for title in TITLES:
            self.assertIn(title, titles)
        # Each change is reported once: no title repeats the one before it.
        self.assertTrue(all(a != b for a, b in zip(titles, titles[1:])), titles)
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], 6.5)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, why)
        self.assertEqual(report["backs"], 0)
        self.assertEqual(report["skips"], 0)

    def test_source_that_leaves_and_comes_back(self):
        url = "http://127.0.0.1:%d%s" % (ICECAST.port, MOUNT)
        state = {"done": False}

        def during(t, line):
            if "ms: playing" in line and not state["done"]:
                state["done"] = True
                time.sleep(2)
                self.source.stop()
                self.source = OggSource(ICECAST.port, FILES)  # starts its files afresh

        run, cap = harness.vnplay(url, 9, during=during)
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended though the source came back")
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        # The buffer bridged the source's absence (the new source starts its file
        # afresh, so the tone steps back once there).
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, "the sound broke off: " + why)
        self.assertGreaterEqual(report["sounding"], 7.0)
        self.assertLessEqual(report["backs"], 1)


class IcecastOpusFlacTest(unittest.TestCase):
    """Opus (its granules count at 48 kHz) and FLAC in Ogg, chained track by track as
    the Vorbis mount is: the steps are heard at their pitch, in order, across the joins
    (an Opus track's pre-skip and end padding dropped), and each track's title arrives."""

    def test_opus_and_ogg_flac_chains_play_at_pitch_with_titles(self):
        cases = (("/opus", ("-c:a", "libopus", "-b:a", "96k"), "opus", 48000,
                  ("Opus Band - First Song", "Opus Band - Second Song")),
                 ("/flac", ("-c:a", "flac"), "oga", 44100,
                  ("Flac Band - First Song", "Flac Band - Second Song")))
        for mount, codec, ext, rate, titles in cases:
            with self.subTest(mount):
                source = OggSource(ICECAST.port, encode(FOLDER, codec, ext, titles), rate, mount)
                try:
                    ICECAST.wait_mount(mount)
                    time.sleep(4.5)
                    run, cap = harness.vnplay("http://127.0.0.1:%d%s" % (ICECAST.port, mount), 8)
                    self.assertEqual(run.rc, 0)
                    heard = [t for _, t in run.events("title:")]
                    for title in titles:
                        self.assertIn(title, heard)
                    report = harness.step_report_without_blips(cap.samples())
                    print("%s: heard %.1f s: %s" % (mount, report["sounding"], report["text"]))
                    self.assertGreaterEqual(report["sounding"], 6.5)
                    gaps, why = harness.program_gaps(report, run, cap)
                    self.assertEqual(gaps, 0, why)
                    self.assertEqual(report["backs"], 0)
                    self.assertEqual(report["skips"], 0)
                finally:
                    source.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
