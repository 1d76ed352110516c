#!/usr/bin/env python3
"""Recording against a real Icecast2 server (vnplay --record, the player's own recorder):
an MP3 and an AAC (ADTS) mount whose title is changed through Icecast's admin interface
while it records, and a chained Ogg Vorbis mount whose tracks change by themselves. Checks: one file per
title, named "YYYY-MM-DD HH-MM station - title.ext" in the station's folder; each file
decodes with ffmpeg without a complaint and holds the stepping tone from its start to its
end without a gap, a repeat or a loss; the MP3 files carry their title as an ID3v2 tag.

Run: python3 tests/e2e/test_record.py   (exit 0 on success; skipped without icecast2 or
ffmpeg)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from icecast import AAC, Icecast, skip_without_icecast  # noqa: E402
import test_icecast_ogg as ogg  # noqa: E402

ICECAST = None
NAME = re.compile(r"^\d{4}-\d\d-\d\d \d\d-\d\d (?P<station>.+?) - (?P<title>.+)\.(?P<ext>mp3|aac|ogg)$")


def setUpModule():
    global ICECAST
    skip_without_icecast()
    harness.hold_wine_session()
    ICECAST = Icecast()


def tearDownModule():
    if ICECAST:
        ICECAST.stop()
    harness.remove_captures()


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def decoded(path):
    """The file decoded by ffmpeg: (channel 0 samples, what ffmpeg complained of)."""
    raw = path + ".raw"
    p = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", path, "-f", "s16le", "-ac", "2",
                        "-ar", str(harness.CAPTURE_RATE), raw], capture_output=True, text=True)
    samples = harness.read_pcm(raw) if p.returncode == 0 else []
    if os.path.exists(raw):
        os.remove(raw)
    return samples, (p.stderr.strip() or ("" if p.returncode == 0 else "exit %d" % p.returncode))


def tags(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format_tags=title,artist", "-of",
                        "default=nw=1", path], capture_output=True, text=True)
    return p.stdout


class RecordTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="volnar-record-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def recorded(self, run):
        """{title: path} of the files in the one station folder, checked by name."""
        self.assertEqual(run.rc, 0)
        self.assertTrue(run.events("recording into"), "the recording did not start")
        self.assertEqual([t for _, t in run.events("recording ended")], [""])
        stations = os.listdir(self.folder)
        self.assertEqual(len(stations), 1, stations)
        files = {}
        for name in sorted(os.listdir(os.path.join(self.folder, stations[0]))):
            m = NAME.match(name)
            self.assertTrue(m, name)
            self.assertEqual(m.group("station"), stations[0])
            # A title heard again within the minute: "title (2)".
            files[re.sub(r" \(\d+\)$", "", m.group("title"))] = os.path.join(self.folder, stations[0], name)
        return stations[0], files

    def check_tone(self, path, at_least):
        samples, complaint = decoded(path)
        self.assertEqual(complaint, "", os.path.basename(path))
        # A file cut from a stream starts with a frame whose bit reservoir went to the
        # file before: its first 50 ms block can read as another step.
        report = harness.step_report_without_blips(samples[int(0.05 * harness.CAPTURE_RATE):])
        print("%s: %.1f s: %s" % (os.path.basename(path), report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], at_least, path)
        # Sound from the first block to the last: the file starts at a whole frame.
        self.assertEqual(report["text"].strip("?").count("."), 0, report["text"])
        self.assertEqual(report["backs"], 0)
        self.assertEqual(report["skips"], 0)
        return report["text"].strip("?")

    def check_join(self, texts):
        """Files one after another step on where the one before ended: nothing is lost
        or written twice at a cut."""
        digits = "0123456789ABCDEFGHIJKLMNOPQRSTUV"
        for a, b in zip(texts, texts[1:]):
            self.assertIn((digits.index(b[0]) - digits.index(a[-1])) % 32, (0, 1), (a[-10:], b[:10]))

    def across_a_title_change(self, mount, ext):
        """Records `mount` while its title changes once; {title: path} of the two files,
        each checked for the tone, and the join between them."""
        ICECAST.set_title("Record Band - First Part", mount)
        time.sleep(3)
        url = ICECAST.url(mount)
        state = {"changed": False}

        def during(t, line):
            if "recording into" in line and not state["changed"]:
                state["changed"] = True
                time.sleep(4)
                ICECAST.set_title("Record Band - Second/Part?", mount)

        run, _ = harness.vnplay(url, 10, extra=["--record", wine_path(self.folder)], during=during)
        station, files = self.recorded(run)
        self.assertEqual(station, "127.0.0.1")  # no icy-name: the address's host
        self.assertEqual(sorted(files), ["Record Band - First Part", "Record Band - Second_Part_"])
        for path in files.values():
            self.assertTrue(path.endswith(ext), path)
        self.check_join([self.check_tone(files["Record Band - First Part"], 3.0),
                         self.check_tone(files["Record Band - Second_Part_"], 3.0)])
        return files

    def test_mp3_across_a_title_change_gives_two_files_with_the_tone(self):
        ICECAST.stop_source()
        ICECAST.start_source()
        files = self.across_a_title_change("/live", ".mp3")
        with open(files["Record Band - First Part"], "rb") as f:
            self.assertEqual(f.read(3), b"ID3")
        self.assertEqual(tags(files["Record Band - First Part"]), "TAG:artist=Record Band\nTAG:title=First Part\n")
        self.assertEqual(tags(files["Record Band - Second_Part_"]),
                         "TAG:artist=Record Band\nTAG:title=Second/Part?\n")

    def test_aac_across_a_title_change_gives_two_adts_files_with_the_tone(self):
        try:
            ICECAST.start_source("/aac", AAC)
            files = self.across_a_title_change("/aac", ".aac")
        finally:
            ICECAST.stop_source("/aac")
        with open(files["Record Band - First Part"], "rb") as f:
            head = f.read(2)
        self.assertEqual((head[0], head[1] & 0xF6), (0xFF, 0xF0))  # an ADTS frame, no tag

    def test_chained_ogg_gives_a_file_per_track_with_its_headers(self):
        encoders = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True, text=True).stdout
        if "libvorbis" not in encoders:
            self.skipTest("ffmpeg has no libvorbis encoder")
        work = tempfile.mkdtemp(prefix="volnar-record-ogg-")
        source = None
        try:
            source = ogg.OggSource(ICECAST.port, ogg.encode(work))
            ICECAST.wait_mount(ogg.MOUNT)
            time.sleep(2)
            url = ICECAST.url(ogg.MOUNT)
            run, _ = harness.vnplay(url, 11, extra=["--record", wine_path(self.folder)])
        finally:
            if source:
                source.stop()
            shutil.rmtree(work, ignore_errors=True)
        station, files = self.recorded(run)
        self.assertEqual(station, "Volnar Ogg Test")
        # 11 s of 4 s tracks: the one playing at the start (from a page on), and at least
        # one whole track after it, which starts with its own headers.
        self.assertGreaterEqual(len(os.listdir(os.path.join(self.folder, station))), 3)
        self.assertEqual(set(files), set(ogg.TITLES))
        # In the order they were made (a name's minute can be the same, its number not).
        paths = sorted((os.path.join(self.folder, station, n) for n in os.listdir(os.path.join(self.folder, station))),
                       key=os.path.getmtime)
        self.check_join([self.check_tone(p, 0.5) for p in paths])


if __name__ == "__main__":
    unittest.main(verbosity=2)
