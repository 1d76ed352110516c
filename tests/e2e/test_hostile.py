#!/usr/bin/env python3
"""Hostile stations and another program holding the user's file, tried on the real
programs under Wine (vnplay for the engine alone, volnar.exe for the player and its
catalogue). Each time the program must live, play what can be played, stay within tens of
MB and keep every stored station:

- a live station that drops after 1.5 KiB and, on the reconnect, brings 2.1 KiB of other
  audio and then pauses (tools/station.py live=, drop=, burst=, jump=, lull=): the join
  gives up on audio it cannot place, and the tone plays on;
- a live HLS station of packed AAC whose list, at two reloads, is 1 MiB of a 4 KiB key
  address and one-character segment lines: the process's resident memory (read from
  /proc, Wine runs each Windows program as a Linux process) grows by tens of MB at most,
  and the tone plays on;
- ten chained Ogg Vorbis tracks without end-of-stream pages, each its own tone and title:
  titles and sound go on past the eighth;
- an HLS station whose second list comes a byte a second: the reload is given up, the
  next one plays;
- volnar.exe started while another Windows program holds catalogue.json open (no
  sharing), which lets go once the catalogue has started; the user then adds a station
  and plays an HLS list whose segments, and a redirect, name the player's own catalogue
  port: none of those reaches the catalogue, the other segments play, the pages say the
  file could not be read, and the stored favourite and own station are still in
  catalogue.json afterwards.

Run: python3 tests/e2e/test_hostile.py   (exit 0 on success; the Ogg case is skipped
without ffmpeg's libvorbis encoder)
"""

import glob
import http.server
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import harness  # noqa: E402
import station  # noqa: E402  (its ADTS frame reader)

AAC = os.path.join(harness.ROOT, "tests", "fixtures", "tone660-44k-lc.aac")
SEGMENT_FRAMES = 43  # AAC frames of 1024 samples at 44.1 kHz a segment: 0.9985 s
MIB = 1024 * 1024


# ---------------------------------------------------------------- local servers

class Server:
    """An HTTP server of this check's own on a free loopback port: `answer(handler, path,
    query)` writes each GET's answer; `asked` lists (monotonic second, path) as they come."""

    def __init__(self, answer):
        self.asked = []
        self.stopping = threading.Event()
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.0"

            def do_GET(self):
                path, _, query = self.path.partition("?")
                outer.asked.append((time.monotonic(), path))
                try:
                    answer(self, path, urllib.parse.parse_qs(query))
                except OSError:  # the client left
                    pass

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.url = "http://127.0.0.1:%d" % self.port
        threading.Thread(target=self.httpd.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True).start()

    def stop(self):
        self.stopping.set()
        self.httpd.shutdown()
        self.httpd.server_close()


def send(handler, body, ctype, status=200, extra=()):
    handler.send_response(status)
    handler.send_header("Content-Type", ctype)
    handler.send_header("Content-Length", str(len(body)))
    for k, v in extra:
        handler.send_header(k, v)
    handler.end_headers()
    handler.wfile.write(body)


def aac_frames():
    with open(AAC, "rb") as f:
        data = f.read()
    frames, at = [], 0
    while True:
        frame = station.adts_frame(data, at)
        if frame is None:
            return frames
        frames.append(data[at: at + frame[0]])
        at += frame[0]


class HlsStation:
    """A live HLS station: packed AAC segments of about 1 s cut from the 660 Hz fixture, a
    list of the newest four, a new segment every second. `kind(n)` says what the n-th list
    request (0 = the first) gets: "list", "huge" (1 MiB of a 4 KiB key address and
    one-character segment lines) or "drip" (a list that comes a byte a second);
    `address(seq)` is segment seq's line in the list."""

    HUGE = ("#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-KEY:METHOD=AES-128,URI=\"%s\"\n" % ("k" * 4096)).encode()
    HUGE += b"a\n" * ((MIB - len(HUGE)) // 2)

    def __init__(self, kind=lambda n: "list", address=lambda seq: "seg/%d.aac" % seq, redirect=None):
        self.frames = aac_frames()
        self.kind, self.address, self.redirect = kind, address, redirect
        self.t0 = time.monotonic() - 4.0  # four segments are there from the start
        self.lists = []  # (monotonic second, kind) of each list request
        self.first = ()  # the segments of the first list: a player opens with one of them
        self.on_list = None  # called with (n, kind) before a list is answered
        self.server = Server(self.answer)
        self.url = self.server.url + "/live/index.m3u8"

    def segment(self, seq):
        n = len(self.frames)
        return b"".join(self.frames[(seq * SEGMENT_FRAMES + i) % n] for i in range(SEGMENT_FRAMES))

    def answer(self, handler, path, query):
        if path == "/live/index.m3u8":
            n = len(self.lists)
            kind = self.kind(n)
            self.lists.append((time.monotonic(), kind))
            if self.on_list:
                self.on_list(n, kind)
            if kind == "huge":
                send(handler, self.HUGE, "application/vnd.apple.mpegurl")
            elif kind == "drip":
                self.drip(handler)
            else:
                send(handler, self.playlist(), "application/vnd.apple.mpegurl")
            return
        m = re.match(r"/live/seg/(\d+)\.aac$", path)
        if m and self.redirect and self.redirect(int(m.group(1))):
            send(handler, b"moved\n", "text/plain", 302, [("Location", self.redirect(int(m.group(1))))])
        elif m:
            send(handler, self.segment(int(m.group(1))), "audio/aac")
        else:
            send(handler, b"not here\n", "text/plain", 404)

    def playlist(self):
        newest = int((time.monotonic() - self.t0) / (SEGMENT_FRAMES * 1024 / 44100.0)) - 1
        first = max(0, newest - 3)
        if not self.first:
            self.first = range(first, newest + 1)
        lines = ["#EXTM3U", "#EXT-X-VERSION:3", "#EXT-X-TARGETDURATION:1", "#EXT-X-MEDIA-SEQUENCE:%d" % first]
        for seq in range(first, newest + 1):
            lines += ["#EXTINF:0.998,", self.address(seq)]
        return ("\n".join(lines) + "\n").encode()

    def drip(self, handler):
        """A list a byte a second, every read in time; it would take a day to come whole."""
        text = b"#EXTM3U\n#EXT-X-TARGETDURATION:1\n#" + b"x" * 100000
        handler.send_response(200)
        handler.send_header("Content-Type", "application/vnd.apple.mpegurl")
        handler.send_header("Content-Length", str(len(text)))
        handler.end_headers()
        for i in range(len(text)):
            handler.wfile.write(text[i: i + 1])
            handler.wfile.flush()
            if self.server.stopping.wait(1.0):
                return

    def stop(self):
        self.server.stop()


# ---------------------------------------------------------------- measuring from outside

class Memory:
    """The resident memory of a running Windows program, from /proc: Wine runs each one as
    a Linux process whose command line holds the program's path and arguments. The
    process is found by `marker` in its command line; `peak()` is the highest high-water
    mark read while it ran, in bytes."""

    def __init__(self, marker):
        self.marker, self.pid = marker, None
        self.high = 0
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def find(self):
        for p in os.listdir("/proc"):
            if p.isdigit():
                try:
                    with open("/proc/%s/cmdline" % p, "rb") as f:
                        if self.marker.encode() in f.read():
                            return int(p)
                except OSError:
                    pass
        return None

    def status(self, field):
        try:
            with open("/proc/%d/status" % self.pid) as f:
                m = re.search(r"^%s:\s+(\d+) kB" % field, f.read(), re.M)
            return int(m.group(1)) * 1024 if m else None
        except (OSError, TypeError):
            return None

    def rss(self):
        while self.pid is None and not self.done.is_set():
            time.sleep(0.02)
        return self.status("VmRSS")

    def watch(self):
        while not self.done.wait(0.05):
            if self.pid is None:
                self.pid = self.find()
                continue
            high = self.status("VmHWM")
            if high is None:
                return  # it ended
            self.high = max(self.high, high)

    def peak(self):
        self.done.set()
        self.thread.join(5)
        return self.high


def sounding(samples, start=0.0, end=None, frequency=None, block=0.05):
    """Seconds of the capture between `start` and `end` (seconds) that sound, at
    `frequency` (within 6 %) when given."""
    rate = harness.CAPTURE_RATE
    part = samples[int(start * rate): None if end is None else int(end * rate)]
    heard = 0
    for _, level, f in harness.blocks(part, seconds=block):
        if level >= 200 and (frequency is None or (f and abs(f - frequency) < 0.06 * frequency)):
            heard += 1
    return heard * block


# ---------------------------------------------------------------- the engine alone

class HostileStreamTest(unittest.TestCase):
    def test_reconnect_with_too_little_to_join(self):
        # 1.5 KiB before the drop, 2.1 KiB of other audio on the reconnect, then 1.5 s
        # without a byte: the join's wait ends with less old audio than its probe.
        name = "hostile-%d-%d" % (os.getpid(), int(time.time() * 1000))
        with harness.Station() as st:
            url = st.url + ("/stream/tone440-44k-128.mp3?live=%s&drop=1500&burst=2100&jump=40000&lull=1.5"
                            "&metaint=0" % name)
            run, cap = harness.vnplay(url, 4)
            _, stats, _ = harness.http_get(st.port, "/live-stats?name=" + name)
        print("station: %s" % stats.decode().strip())
        self.assertEqual(run.rc, 0, "vnplay did not end by itself (a crash: %s)" % run.timed_out)
        counts = re.match(r"connections (\d+) served (\d+) dropped 1", stats.decode())
        self.assertTrue(counts and int(counts.group(2)) >= 2, "no reconnect after the drop: %s" % stats)
        heard = sounding(cap.samples(), frequency=440)
        print("heard 440 Hz for %.1f s" % heard)
        self.assertGreaterEqual(heard, 3.0)

    def test_huge_playlist_reloads_stay_within_tens_of_mb(self):
        hls = HlsStation(kind=lambda n: "huge" if n in (2, 4) else "list")
        self.addCleanup(hls.stop)
        memory = Memory(marker=hls.url)
        before = []
        hls.on_list = lambda n, kind: before.append(memory.rss()) if kind == "huge" and not before else None
        run, cap = harness.vnplay(hls.url, 7)
        peak = memory.peak()
        kinds = [k for _, k in hls.lists]
        print("lists: %s" % " ".join(kinds))
        self.assertEqual(run.rc, 0)
        self.assertTrue(before and before[0] and peak, "no memory figures")
        growth = peak - before[0]
        print("resident: %.1f MiB before the first huge list, %.1f MiB at most: +%.1f MiB"
              % (before[0] / MIB, peak / MIB, growth / MIB))
        self.assertLess(growth, 64 * MIB)
        self.assertEqual(kinds.count("huge"), 2, "the huge list did not come twice")
        self.assertIn("list", kinds[kinds.index("huge") + 1:], "no list was asked after the huge one")
        heard = sounding(cap.samples(), frequency=660)
        print("heard 660 Hz for %.1f s" % heard)
        self.assertGreaterEqual(heard, 5.0)

    def test_slow_drip_playlist_is_given_up(self):
        hls = HlsStation(kind=lambda n: "drip" if n == 1 else "list")
        self.addCleanup(hls.stop)
        run, cap = harness.vnplay(hls.url, 22)
        kinds = [k for _, k in hls.lists]
        print("lists: %s" % " ".join(kinds))
        self.assertEqual(run.rc, 0)
        self.assertEqual(kinds[:2], ["list", "drip"])
        self.assertIn("list", kinds[2:], "the dripping reload was never given up")
        samples = cap.samples()
        end = len(samples) / harness.CAPTURE_RATE
        heard = sounding(samples, end - 4.0, frequency=660)
        print("heard 660 Hz for %.1f s of the last 4 s" % heard)
        self.assertGreaterEqual(heard, 3.0)


def ogg_crc(page):
    crc = 0
    for b in page:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    return crc


def without_end_of_stream(data):
    """The Ogg pages of one track, (page, granule), the end-of-stream mark taken off."""
    pages, at = [], 0
    while at + 27 <= len(data) and data[at:at + 4] == b"OggS":
        size = 27 + data[at + 26] + sum(data[at + 27: at + 27 + data[at + 26]])
        page = bytearray(data[at: at + size])
        if page[5] & 4:
            page[5] &= ~4
            page[22:26] = b"\0\0\0\0"
            page[22:26] = struct.pack("<I", ogg_crc(page))
        pages.append((bytes(page), struct.unpack("<q", page[6:14])[0]))
        at += size
    return pages


CHAIN = 10
TRACK_SECONDS = 0.8


def track_tone(k):
    return 300 + 80 * k


class ChainedOggTest(unittest.TestCase):
    def test_ten_tracks_without_end_of_stream_pages(self):
        encoders = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True,
                                  text=True).stdout if shutil.which("ffmpeg") else ""
        if "libvorbis" not in encoders:
            self.skipTest("ffmpeg has no libvorbis encoder")
        folder = tempfile.mkdtemp(prefix="volnar-chain-")
        self.addCleanup(shutil.rmtree, folder, True)
        tracks = []
        for k in range(CHAIN):
            path = os.path.join(folder, "%d.ogg" % k)
            subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                            "sine=frequency=%d:sample_rate=44100:duration=%s" % (track_tone(k), TRACK_SECONDS),
                            "-ac", "2", "-c:a", "libvorbis", "-q:a", "2", "-fflags", "+bitexact",
                            "-serial_offset", str(1000 + k), "-metadata", "ARTIST=Chain",
                            "-metadata", "TITLE=Track %d" % (k + 1), path], check=True)
            with open(path, "rb") as f:
                tracks.append(without_end_of_stream(f.read()))

        def answer(handler, path, query):
            # One connection: the tracks one after another, each page at its time (1 s
            # ahead), then nothing more while the listener stays.
            handler.send_response(200)
            handler.send_header("Content-Type", "application/ogg")
            handler.send_header("icy-name", "Chain")
            handler.end_headers()
            start = time.monotonic()
            for k, pages in enumerate(tracks):
                for page, granule in pages:
                    due = start + k * TRACK_SECONDS + max(0, granule) / 44100.0 - 1.0
                    if server.stopping.wait(max(0.0, due - time.monotonic())):
                        return
                    handler.wfile.write(page)
                    handler.wfile.flush()
            server.stopping.wait(30)

        server = Server(answer)
        self.addCleanup(server.stop)
        run, cap = harness.vnplay(server.url + "/chain", CHAIN * TRACK_SECONDS + 1.0)
        self.assertEqual(run.rc, 0)
        samples = cap.samples()
        heard = {k: sounding(samples, frequency=track_tone(k)) for k in range(CHAIN)}
        print("seconds heard of each track's tone: %s" % ", ".join("%d: %.2f" % (k + 1, s) for k, s in heard.items()))
        titles = [t for _, t in run.events("title:")]
        self.assertEqual(titles[-2:], ["Chain - Track 9", "Chain - Track 10"], titles)
        for k in (8, 9):
            self.assertGreaterEqual(heard[k], TRACK_SECONDS / 2, "track %d was not heard" % (k + 1))


# ---------------------------------------------------------------- the player

def catalogue_port(seconds=30):
    """The port on which the catalogue of our prefix's volnar.exe listens (47471, or one of
    the next four when that is taken): the listening socket held by Wine's server for this
    prefix (it works in a folder named by the prefix's device and inode)."""
    prefix = os.environ["WINEPREFIX"]
    st = os.stat(prefix)
    folder = "server-%x-%x" % (st.st_dev, st.st_ino)

    def ours(pid):
        try:
            if os.path.basename(os.readlink("/proc/%s/cwd" % pid)) == folder:
                return True
            with open("/proc/%s/environ" % pid, "rb") as f:
                return ("WINEPREFIX=%s" % prefix).encode() in f.read().split(b"\0")
        except OSError:
            return False

    end = time.monotonic() + seconds
    while time.monotonic() < end:
        out = subprocess.run(["ss", "-ltnpH"], capture_output=True, text=True).stdout
        for line in out.splitlines():
            m = re.search(r"127\.0\.0\.1:(4747[1-5])\s", line)
            if m and any(ours(pid) for pid in re.findall(r"pid=(\d+)", line)):
                return int(m.group(1))
        time.sleep(0.2)
    return None


class Connections:
    """Every TCP connection to or from `port` on the loopback address seen while it runs
    (ss, every 20 ms; a closed one stays listed a while in TIME-WAIT), by the port of its
    other end; `mine` holds the ports of this check's own requests."""

    def __init__(self, port):
        self.port, self.seen, self.mine = port, {}, set()
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def watch(self):
        own = ":%d" % self.port
        while not self.done.wait(0.02):
            out = subprocess.run(["ss", "-tanH"], capture_output=True, text=True).stdout
            for line in out.splitlines():
                f = line.split()
                if len(f) < 5 or f[0] == "LISTEN":
                    continue
                for a, b in ((f[3], f[4]), (f[4], f[3])):
                    if a == "127.0.0.1" + own:
                        self.seen.setdefault(int(b.rsplit(":", 1)[1]), time.monotonic())

    def since(self, t):
        return sorted(p for p, seen in self.seen.items() if seen >= t and p not in self.mine)

    def wait_other(self, seconds):
        """Waits up to `seconds` for a connection that is not one of this check's own."""
        end = time.monotonic() + seconds
        while not self.since(0) and time.monotonic() < end:
            time.sleep(0.05)

    def stop(self):
        self.done.set()
        self.thread.join(5)


def request(port, method, target, connections, body=b""):
    """One request to the catalogue from a port noted in `connections`; (status, text)."""
    s = socket.socket()
    s.settimeout(20)
    s.bind(("127.0.0.1", 0))
    connections.mine.add(s.getsockname()[1])
    s.connect(("127.0.0.1", port))
    head = "%s %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\n" % (method, target, port)
    if method == "POST":
        head += ("Origin: http://127.0.0.1:%d\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                 "Content-Length: %d\r\n" % (port, len(body)))
    s.sendall(head.encode() + b"\r\n" + body)
    data = b""
    while True:
        piece = s.recv(65536)
        if not piece:
            break
        data += piece
    s.close()
    status = int(data.split(b" ", 2)[1]) if data.startswith(b"HTTP/") else 0
    return status, data.partition(b"\r\n\r\n")[2].decode("utf-8", "replace")


FAVOURITE = {"name": "Станция-долгожитель", "url": "http://127.0.0.1:9/keeper",
             "stationuuid": "a00000ff-0000-4000-8000-0000000000ff"}
OWN = {"id": "1", "name": "Своя старая", "url": "http://own.example:8000/old"}


class PlayerTest(unittest.TestCase):
    def test_file_held_at_start_and_playlists_aimed_at_the_catalogue(self):
        # What the prefix's player had stored waits aside meanwhile.
        stored = self.enterContext(harness.stored_catalogue(
            {"version": 1, "favourites": [FAVOURITE], "own": [OWN], "history": []}))
        _, win_folder = harness.appdata_folder()

        # After the first list (the player opens with one of its segments, so a failing
        # one would fail the open), every fourth segment names the catalogue's port
        # itself and every fourth answers with a redirect to it; the others play.
        own = {"port": 9}

        def aimed(seq, rest):
            return seq % 4 == rest and seq not in hls.first

        hls = HlsStation(address=lambda seq: ("http://127.0.0.1:%d/seg/%d.aac" % (own["port"], seq)
                                              if aimed(seq, 1) else "seg/%d.aac" % seq),
                         redirect=lambda seq: "http://127.0.0.1:%d/fav" % own["port"] if aimed(seq, 3) else None)
        self.addCleanup(hls.stop)

        holder = subprocess.Popen(["wine", harness.tool_exe("hold_file"), win_folder + "\\catalogue.json"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: holder.poll() is None and holder.kill())
        self.assertEqual(holder.stdout.readline().strip(), b"holding")
        cap = harness.Capture()
        player = harness.start_player_with(hls.url, cap)
        try:
            own["port"] = catalogue_port()
            self.assertIsNotNone(own["port"], "the catalogue did not listen")
            connections = Connections(own["port"])
            self.addCleanup(connections.stop)
            # An answer means the catalogue has read (or given up reading) its file.
            status, page = request(own["port"], "GET", "/own", connections)
            holder.stdin.close()
            self.assertEqual(holder.wait(30), 0)
            self.assertEqual(status, 200)
            told = "catalogue.json) сейчас не удалось прочитать" in page
            token = re.search(r'name="t" value="([0-9a-f]{32})"', page).group(1)
            status, _ = request(own["port"], "POST", "/own/add", connections, urllib.parse.urlencode(
                {"t": token, "name": "Новая станция", "url": "http://new.example:8000/live", "back": "/own"}).encode())
            self.assertIn(status, (200, 303))
            _, page = request(own["port"], "GET", "/own", connections)
            self.assertIn("Новая станция", page, "the new station is not in the run's list")

            # The browser pane loads the catalogue's page once as the window opens; the
            # engine's connections to the catalogue are those made after.
            self.assertIsNotNone(harness.wait_player_window(player), "no player window")
            connections.wait_other(5)
            time.sleep(0.5)
            played_from = time.monotonic()
            self.assertTrue(harness.press_play(player))
            time.sleep(7)
            self.assertIsNone(player.poll(), "volnar.exe ended")
            reached = connections.since(played_from)
        finally:
            harness.close_player(player)
        asked = [p for _, p in hls.server.asked]
        print("asked of the station: %s" % " ".join(asked))
        self.assertEqual(reached, [], "the engine reached the catalogue's own port")
        self.assertGreaterEqual(len(hls.lists), 2, "no list with segments at the catalogue's port was asked for")
        segments = [int(m.group(1)) for m in (re.match(r"/live/seg/(\d+)\.aac$", p) for p in asked) if m]
        self.assertTrue(any(aimed(seq, 3) for seq in segments),
                        "no segment that redirects to the catalogue was asked for")
        heard = sounding(cap.samples(), frequency=660)
        print("heard 660 Hz for %.1f s" % heard)
        self.assertGreaterEqual(heard, 2.0)

        with open(stored, encoding="utf-8") as f:
            kept = json.load(f)
        self.assertEqual([s["url"] for s in kept["favourites"]], [FAVOURITE["url"]], "the favourite is gone")
        self.assertEqual([s["url"] for s in kept["own"]], [OWN["url"]])
        self.assertEqual(glob.glob(stored + ".bad*"), [])
        self.assertTrue(told, "the page did not say that the file could not be read")


def setUpModule():
    harness.hold_wine_session()


def tearDownModule():
    harness.remove_captures()


if __name__ == "__main__":
    unittest.main(verbosity=2)
