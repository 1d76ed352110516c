#!/usr/bin/env python3
"""The engine (vnplay) against live HLS from a real producer: ffmpeg encodes a tone whose
frequency steps every 0.25 s (aevalsrc, paced at real time) to AAC in 2 s segments, once as
MPEG-TS segments in a six-segment live list that deletes old segments, once as fMP4
segments with their initialisation segment (EXT-X-MAP), once as packed ADTS segments (the
segment muxer's live list), served by a plain HTTP server. Checks, on the
paced capture: the MPEG-TS stream plays on through many reloads with no gap and no step
back; a segment removed before it is fetched is left out (one step forward, no gap); the
playlist server stopped for 5 s and started again is found again within a second, the
stream plays on where it was (a short silence at most, when the outage outlasts the
few seconds buffered); the fMP4 and the packed ADTS streams play with no gap; an AES-128 encrypted
stream (ffmpeg's key info file, the IV from the sequence number) plays with no gap, its
key fetched once.

Run: python3 tests/e2e/test_hls.py   (exit 0 on success; skipped without ffmpeg)
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

# 400 Hz + 50 Hz a step, 32 steps of 0.25 s: what harness.step_report recognises.
TONE = "aevalsrc=exprs='0.5*sin(2*PI*(400+50*floor(mod(t,8)/0.25))*t)':s=44100:c=stereo"
PLAY_TS = 60      # seconds of the MPEG-TS stream (faults inside)
PLAY_PACKED = 12  # seconds of the packed ADTS stream
PLAY_AES = 12     # seconds of the encrypted stream
PLAY_FMP4 = 12    # seconds of the fragmented MP4 stream
KEY = bytes(range(0x30, 0x40))

FOLDER = None
PRODUCERS = []
SERVER = None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class HttpServer:
    """python3 -m http.server on the folder; its log tells which files were asked for."""

    def __init__(self, folder, port):
        self.folder, self.port, self.proc = folder, port, None
        self.log = os.path.join(folder, "server.log")

    def start(self):
        with open(self.log, "ab") as log:
            self.proc = subprocess.Popen([sys.executable, "-m", "http.server", str(self.port), "--bind", "127.0.0.1",
                                          "--directory", self.folder], stdout=log, stderr=log)
        if not harness.wait_listening(self.port, 5):
            raise RuntimeError("the HTTP server did not start")

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(10)
            self.proc = None

    def requests(self):
        with open(self.log, "rb") as f:
            text = f.read().decode("latin-1")
        return re.findall(r'"GET (\S+) HTTP/1\.\d" (\d+)', text)


def listed(playlist):
    try:
        with open(playlist) as f:
            return [line.strip() for line in f if line.strip() and not line.startswith("#")]
    except OSError:
        return []


def setUpModule():
    global FOLDER, SERVER
    if not shutil.which("ffmpeg"):
        raise unittest.SkipTest("ffmpeg is not installed")
    FOLDER = tempfile.mkdtemp(prefix="volnar-hls-")
    for sub in ("ts", "aac", "aes", "fmp4"):
        os.mkdir(os.path.join(FOLDER, sub))
    # The key file is served beside the segments; the info file names its
    # address (as the playlist will) and where ffmpeg reads it.
    key_file = os.path.join(FOLDER, "aes", "stream.key")
    with open(key_file, "wb") as f:
        f.write(KEY)
    key_info = os.path.join(FOLDER, "key_info")
    with open(key_info, "w") as f:
        f.write("stream.key\n%s\n" % key_file)
    common = ["ffmpeg", "-loglevel", "error", "-re", "-f", "lavfi", "-i", TONE, "-c:a", "aac", "-b:a", "128k"]
    PRODUCERS.append(subprocess.Popen(
        common + ["-f", "hls", "-hls_time", "2", "-hls_list_size", "6", "-hls_flags", "delete_segments",
                  "-hls_segment_type", "mpegts", os.path.join(FOLDER, "ts", "index.m3u8")],
        stdin=subprocess.DEVNULL))
    PRODUCERS.append(subprocess.Popen(
        common + ["-f", "hls", "-hls_time", "2", "-hls_list_size", "6", "-hls_flags", "delete_segments",
                  "-hls_segment_type", "fmp4", os.path.join(FOLDER, "fmp4", "index.m3u8")],
        stdin=subprocess.DEVNULL))
    PRODUCERS.append(subprocess.Popen(
        common + ["-f", "hls", "-hls_time", "2", "-hls_list_size", "6", "-hls_flags", "delete_segments",
                  "-hls_key_info_file", key_info, os.path.join(FOLDER, "aes", "index.m3u8")],
        stdin=subprocess.DEVNULL))
    PRODUCERS.append(subprocess.Popen(
        common + ["-f", "segment", "-segment_format", "adts", "-segment_time", "2",
                  "-segment_list", os.path.join(FOLDER, "aac", "index.m3u8"), "-segment_list_type", "m3u8",
                  "-segment_list_flags", "+live", "-segment_list_size", "6",
                  os.path.join(FOLDER, "aac", "seg%05d.aac")],
        stdin=subprocess.DEVNULL))
    SERVER = HttpServer(FOLDER, free_port())
    SERVER.start()
    harness.hold_wine_session()
    # Three segments listed: the client's start point (three target durations back) exists.
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        if all(len(listed(os.path.join(FOLDER, sub, "index.m3u8"))) >= 3 for sub in ("ts", "aac", "aes", "fmp4")):
            return
        time.sleep(0.2)
    raise RuntimeError("ffmpeg made no segments")


def tearDownModule():
    for p in PRODUCERS:
        p.terminate()
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
    if SERVER:
        SERVER.stop()
    if FOLDER:
        shutil.rmtree(FOLDER, ignore_errors=True)
    harness.remove_captures()



class HlsLiveTest(unittest.TestCase):
    def test_mpegts_live_through_reloads_a_lost_segment_and_a_server_outage(self):
        url = "http://127.0.0.1:%d/ts/index.m3u8" % SERVER.port
        playlist = os.path.join(FOLDER, "ts", "index.m3u8")
        faults = {"removed": None, "started": False, "outage": None}

        def remove_next_segment():
            # The next segment to appear is deleted at once, before the client's next
            # reload can name it to it.
            before = set(listed(playlist))
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                new = [s for s in listed(playlist) if s not in before]
                if new:
                    try:
                        os.remove(os.path.join(FOLDER, "ts", new[-1]))
                        faults["removed"] = new[-1]
                    except OSError:
                        pass
                    return
                time.sleep(0.02)

        def faults_thread():
            time.sleep(15)
            remove_next_segment()
            time.sleep(10)
            SERVER.stop()
            faults["outage"] = time.monotonic()
            time.sleep(5)
            SERVER.start()

        def during(t, line):
            if "ms: playing" in line and not faults["started"]:
                faults["started"] = True
                threading.Thread(target=faults_thread, daemon=True).start()

        run, cap = harness.vnplay(url, PLAY_TS, during=during)
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended")
        self.assertEqual([t for _, t in run.events("status:")][:1], ["HTTP/1.0 200 OK"])
        self.assertIsNotNone(faults["removed"], "no segment was removed")
        self.assertIsNotNone(faults["outage"], "the server was not stopped")
        asked = SERVER.requests()
        reloads = sum(1 for path, _ in asked if path.endswith("index.m3u8") and path.startswith("/ts/"))
        print("playlist loads: %d; removed %s" % (reloads, faults["removed"]))
        self.assertGreaterEqual(reloads, 15)  # reloaded all along (every 1-2 s)
        # When the client asked for the removed segment (404), it skipped it: one step
        # forward. If its reload came before the removal, it had it in time.
        lost = any(path.endswith("/" + faults["removed"]) and code == "404" for path, code in asked)
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s, silent %.2f s: %s" % (report["sounding"], report["gaps"] * 0.05, report["text"]))
        # The buffer holds what the start point gives (three target durations,
        # less as the next segment is made): a 5 s outage may outlast it by a
        # little, never by much, as the server is asked again within a second.
        # A segment lost before the outage leaves the cushion a segment shorter:
        # the producer makes the next one no sooner.
        self.assertLessEqual(report["gaps"] * 0.05, 2.5 + (2.0 if lost else 0.0), "the sound broke off for long")
        self.assertGreaterEqual(report["sounding"] + report["gaps"] * 0.05, PLAY_TS - 3)
        self.assertEqual(report["backs"], 0, "audio was heard twice")
        self.assertEqual(report["skips"], 1 if lost else 0)

    def check_live(self, folder, seconds):
        """vnplay plays the live list in `folder` for `seconds`: no end, gap, repeat or loss."""
        url = "http://127.0.0.1:%d/%s/index.m3u8" % (SERVER.port, folder)
        run, cap = harness.vnplay(url, seconds)
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended")
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], seconds - 2)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, why)
        self.assertEqual(report["backs"], 0)
        self.assertEqual(report["skips"], 0)

    def test_packed_adts_live(self):
        self.check_live("aac", PLAY_PACKED)

    def test_fmp4_live(self):
        with open(os.path.join(FOLDER, "fmp4", "index.m3u8")) as f:
            self.assertIn("#EXT-X-MAP:", f.read())
        self.check_live("fmp4", PLAY_FMP4)

    def test_aes128_encrypted_live(self):
        with open(os.path.join(FOLDER, "aes", "index.m3u8")) as f:
            self.assertIn("METHOD=AES-128", f.read())
        self.check_live("aes", PLAY_AES)
        keys = [code for path, code in SERVER.requests() if path == "/aes/stream.key"]
        self.assertEqual(keys, ["200"], "the key was not fetched exactly once")

if __name__ == "__main__":
    unittest.main(verbosity=2)
