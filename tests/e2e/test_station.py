#!/usr/bin/env python3
"""Checks of the test station itself: answers, metadata framing, chunking, pacing, faults.

Starts a station of its own (it also checks that the station stops on SIGTERM).
Run: python3 tests/e2e/test_station.py   (exit 0 on success)
"""

import os
import re
import socket
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import harness  # noqa: E402
import station  # noqa: E402

META = [("Icy-MetaData", "1")]
MP3 = "/stream/tone440-44k-128.mp3"
AAC = "/stream/tone660-44k-lc.aac"
FIXTURE_MP3 = station.fixture("tone440-44k-128.mp3")


def split_meta(body, metaint):
    """Separates audio and metadata blocks; returns (audio, [(offset in body, block text)])."""
    audio = bytearray()
    blocks = []
    pos = 0
    while pos < len(body):
        take = body[pos: pos + metaint]
        audio += take
        pos += len(take)
        if pos >= len(body):
            break
        n = body[pos] * 16
        if pos + 1 + n > len(body):
            break
        blocks.append((pos, body[pos + 1: pos + 1 + n]))
        pos += 1 + n
    return bytes(audio), blocks


def dechunk(body):
    """Removes chunk framing; returns (payload, chunk sizes); raises on a malformed frame."""
    out = bytearray()
    sizes = []
    pos = 0
    while True:
        eol = body.find(b"\r\n", pos)
        if eol < 0:
            break
        size = int(body[pos:eol], 16)
        if size == 0:
            sizes.append(0)
            break
        if eol + 2 + size + 2 > len(body):
            break
        out += body[eol + 2: eol + 2 + size]
        if body[eol + 2 + size: eol + 4 + size] != b"\r\n":
            raise ValueError("chunk not followed by CRLF")
        sizes.append(size)
        pos = eol + 4 + size
    return bytes(out), sizes


def headers_of(head):
    lines = head.decode("latin-1").split("\r\n")
    return lines[0], lines[1:]


class StationTest(unittest.TestCase):
    st = None

    @classmethod
    def setUpClass(cls):
        cls.st = harness.Station(reuse=False)
        cls.st.start()
        cls.port = cls.st.port

    @classmethod
    def tearDownClass(cls):
        proc = cls.st.proc
        cls.st.stop()
        assert proc.returncode == 0, "station did not stop cleanly on SIGTERM: %r" % proc.returncode

    def get(self, target, headers=META, seconds=1.5, **kw):
        return harness.http_get(self.port, target, headers, seconds, **kw)

    # -------- answers

    def test_status_lines_and_headers(self):
        cases = [  # (query, status line, has content type, content type value)
            ("", "ICY 200 OK", None),
            ("?status=http10", "HTTP/1.0 200 OK", "audio/mpeg"),
            ("?status=http11", "HTTP/1.1 200 OK", "audio/mpeg"),
            ("?ctype=audio/x-test", "ICY 200 OK", "audio/x-test"),
        ]
        for query, status, ctype in cases:
            with self.subTest(query=query):
                head, body, _ = self.get(MP3 + query, seconds=0.5)
                first, lines = headers_of(head)
                self.assertEqual(first, status)
                self.assertIn("icy-name:Volnar Test", lines)
                self.assertIn("icy-br:128", lines)
                self.assertIn("icy-metaint:8192", lines)
                types = [ln.split(":", 1)[1] for ln in lines if ln.lower().startswith("content-type:")]
                self.assertEqual(types, [ctype] if ctype else [])
        head, _, _ = self.get(AAC, seconds=0.5)
        self.assertIn("content-type:audio/aacp", headers_of(head)[1])
        head, _, _ = self.get(AAC + "?status=http10", seconds=0.5)
        self.assertIn("Content-Type:audio/aac", headers_of(head)[1])
        self.assertIn("icy-br:99", headers_of(head)[1])

    def test_header_options(self):
        head, _, _ = self.get(MP3 + "?name=Jazz%20FM&br=320&hdrspace=1", seconds=0.5)
        lines = headers_of(head)[1]
        self.assertIn("icy-name: Jazz FM", lines)
        self.assertIn("icy-br: 320", lines)
        self.assertTrue(all(": " in ln for ln in lines))
        # Without Icy-MetaData: 1 there is no metaint and no metadata in the body.
        head, body, _ = self.get(MP3 + "?burst=20000", headers=(), seconds=0.5)
        self.assertFalse([ln for ln in headers_of(head)[1] if ln.startswith("icy-metaint")])
        self.assertEqual(body[:20000], FIXTURE_MP3.data[:20000])

    # -------- metadata

    def test_metadata_every_metaint_bytes(self):
        for metaint in (8192, 1000, 16000):
            with self.subTest(metaint=metaint):
                head, body, _ = self.get(
                    MP3 + "?metaint=%d&burst=60000&titles=First|Second&title_every=60" % metaint)
                self.assertIn("icy-metaint:%d" % metaint, headers_of(head)[1])
                audio, blocks = split_meta(body, metaint)
                self.assertGreaterEqual(len(blocks), 3)
                # The audio between blocks is the fixture, byte for byte, looped.
                loop = FIXTURE_MP3.data * (len(audio) // len(FIXTURE_MP3.data) + 1)
                self.assertEqual(audio, loop[: len(audio)])
                for k, (off, _) in enumerate(blocks):
                    self.assertEqual(off - sum(1 + len(b) for _, b in blocks[:k]), (k + 1) * metaint)
                self.assertEqual(blocks[0][1].rstrip(b"\0"), b"StreamTitle='First';StreamUrl='';")
                self.assertEqual(len(blocks[0][1]) % 16, 0)
                self.assertTrue(all(b == b"" for _, b in blocks[1:]), "no change: empty blocks")

    def test_metaint_zero_sends_no_metadata(self):
        head, body, _ = self.get(MP3 + "?metaint=0&burst=30000", seconds=0.5)
        self.assertFalse([ln for ln in headers_of(head)[1] if "metaint" in ln])
        self.assertEqual(body[:30000], FIXTURE_MP3.data[:30000])

    def test_titles_rotate(self):
        head, body, _ = self.get(MP3 + "?metaint=1000&titles=A|B|C&title_every=0.4", seconds=2.2)
        _, blocks = split_meta(body, 1000)
        titles = [re.match(rb"StreamTitle='(.*?)';", b).group(1) for _, b in blocks if b]
        # Each change moves on in the cycle A, B, C (a loaded machine may skip one).
        self.assertGreaterEqual(len(set(titles)), 3)
        self.assertEqual(titles[0], b"A")
        order = [b"A", b"B", b"C"]
        for a, b in zip(titles, titles[1:]):
            self.assertNotEqual(a, b)
            self.assertIn(b, (order[(order.index(a) + 1) % 3], order[(order.index(a) + 2) % 3]))

    def test_title_encodings(self):
        utf8 = "Волнар - Песня".encode("utf-8")
        q = "?metaint=500&burst=2000&titles=" + "".join("%%%02X" % c for c in utf8)
        _, body, _ = self.get(MP3 + q, seconds=0.3)
        self.assertIn(b"StreamTitle='" + utf8 + b"'", split_meta(body, 500)[1][0][1])
        _, body, _ = self.get(MP3 + q + "&titles_cp1251=1", seconds=0.3)
        self.assertIn(b"StreamTitle='" + "Волнар - Песня".encode("cp1251") + b"'",
                      split_meta(body, 500)[1][0][1])
        # Raw %-encoded bytes that are not UTF-8 go out unchanged.
        _, body, _ = self.get(MP3 + "?metaint=500&burst=2000&titles=%C2%E5%F1%ED%E0", seconds=0.3)
        self.assertIn(b"StreamTitle='\xc2\xe5\xf1\xed\xe0'", split_meta(body, 500)[1][0][1])

    # -------- body framing, burst, start, pacing

    def test_chunked_framing(self):
        head, body, _ = self.get(MP3 + "?status=http11&chunked=1&metaint=4000&burst=40000", seconds=0.8)
        self.assertIn("Transfer-Encoding:chunked", headers_of(head)[1])
        payload, sizes = dechunk(body)
        self.assertTrue(any(s % 2 for s in sizes) and len(set(sizes)) > 3, sizes[:20])
        audio, blocks = split_meta(payload, 4000)
        self.assertGreaterEqual(len(blocks), 9)
        self.assertEqual(audio[:36000], FIXTURE_MP3.data[:36000])
        # chunked only with http11
        head, body, _ = self.get(MP3 + "?status=http10&chunked=1&metaint=0&burst=100", seconds=0.3)
        self.assertNotIn("Transfer-Encoding:chunked", headers_of(head)[1])
        self.assertEqual(body[:100], FIXTURE_MP3.data[:100])

    def test_chunked_limit_ends_with_last_chunk(self):
        head, body, closed = self.get(MP3 + "?status=http11&chunked=1&limit=0.5", seconds=3)
        self.assertTrue(closed)
        self.assertTrue(body.endswith(b"0\r\n\r\n"))
        self.assertEqual(dechunk(body)[1][-1], 0)

    def test_burst_then_pacing(self):
        # The burst arrives at once; then about bit rate / 8 bytes per second (lenient).
        head, body, _ = self.get(MP3 + "?metaint=0&burst=65536", headers=(), seconds=0.3)
        self.assertGreaterEqual(len(body), 65536)
        seconds = 2.0
        head, body, _ = self.get(MP3 + "?metaint=0", headers=(), seconds=seconds)
        rate = len(body) / seconds
        self.assertGreater(rate, FIXTURE_MP3.bytes_per_second / 2)
        self.assertLess(rate, FIXTURE_MP3.bytes_per_second * 2)
        self.assertEqual(body, FIXTURE_MP3.data[: len(body)])

    def test_start_offset(self):
        _, body, _ = self.get(MP3 + "?metaint=0&start=1001&burst=5000", headers=(), seconds=0.3)
        self.assertEqual(body[:5000], FIXTURE_MP3.data[1001:6001])
        n = len(FIXTURE_MP3.data)
        _, body, _ = self.get(MP3 + "?metaint=0&start=%d&burst=5000" % (n - 100), headers=(),
                              seconds=0.3)
        self.assertEqual(body[:5000], FIXTURE_MP3.data[n - 100:] + FIXTURE_MP3.data[:4900])

    def test_fixture_figures(self):
        cases = [  # (file, sample rate, kbit/s, bytes per second)
            ("tone440-44k-128.mp3", 44100, 128, 16000),
            ("tone1000-24k-64.mp3", 24000, 64, 8000),
            ("tone330-16k-32.mp3", 16000, 32, 4000),
            ("tone660-44k-lc.aac", 44100, 99, 12337),
        ]
        for name, rate, kbps, bps in cases:
            with self.subTest(name=name):
                fx = station.fixture(name)
                self.assertEqual((fx.sample_rate, fx.kbps), (rate, kbps))
                self.assertAlmostEqual(fx.bytes_per_second, bps, delta=bps * 0.01)
                self.assertAlmostEqual(fx.duration, 8.05, delta=0.1)

    # -------- faults

    def test_error_answers(self):
        cases = [  # (query, status line)
            ("?fault=404", "HTTP/1.0 404 Not Found"),
            ("?fault=400icy", "ICY 400 Server Full"),
            ("?fault=html", "HTTP/1.0 200 OK"),
        ]
        for query, status in cases:
            with self.subTest(query=query):
                head, body, closed = self.get(MP3 + query, seconds=3)
                self.assertEqual(headers_of(head)[0], status)
                self.assertTrue(closed)
        head, body, _ = self.get(MP3 + "?fault=html", seconds=2)
        self.assertIn("Content-Type: text/html", headers_of(head)[1])
        self.assertIn(b"<html>", body)
        head, _, closed = self.get("/stream/nothing.mp3", seconds=2)
        self.assertEqual(headers_of(head)[0], "HTTP/1.0 404 Not Found")

    def test_refuse_and_hang(self):
        head, body, closed = self.get(MP3 + "?fault=refuse", seconds=3)
        self.assertEqual((head, body, closed), (b"", b"", True))
        t = time.monotonic()
        head, body, closed = self.get(MP3 + "?fault=hang", seconds=1.0)
        self.assertEqual((head, body, closed), (b"", b"", False))
        self.assertGreaterEqual(time.monotonic() - t, 0.9)

    def test_drop_and_stall(self):
        head, body, closed = self.get(MP3 + "?fault=drop&after=3000&burst=10000", seconds=3)
        self.assertTrue(closed)
        self.assertEqual(len(body), 3000)
        head, body, closed = self.get(MP3 + "?fault=stall&after=3000&burst=10000", seconds=1.0)
        self.assertFalse(closed)
        self.assertEqual(len(body), 3000)
        # `after` counts body bytes after chunk framing is removed.
        head, body, closed = self.get(
            MP3 + "?fault=drop&after=2500&status=http11&chunked=1&burst=10000", seconds=3)
        self.assertTrue(closed)
        self.assertEqual(len(dechunk(body)[0]), 2500)

    def test_badmeta(self):
        _, body, _ = self.get(MP3 + "?fault=badmeta&metaint=2000&burst=30000", seconds=0.5)
        audio, blocks = split_meta(body, 2000)
        self.assertGreaterEqual(len(blocks), 5)
        self.assertTrue(all(len(b) > 0 for _, b in blocks))
        self.assertFalse(any(b"StreamTitle" in b for _, b in blocks))
        self.assertGreater(len({len(b) for _, b in blocks}), 2)
        self.assertEqual(audio[:10000], FIXTURE_MP3.data[:10000])

    def test_bigheaders(self):
        head, body, _ = self.get(MP3 + "?fault=bigheaders&burst=1000", headers=(), seconds=1.0)
        self.assertGreaterEqual(len(head), 64 * 1024)
        first, lines = headers_of(head)
        self.assertEqual(first, "ICY 200 OK")
        self.assertIn("icy-name:Volnar Test", lines)
        self.assertEqual(body[:1000], FIXTURE_MP3.data[:1000])

    def test_garbage_before_audio(self):
        _, body, _ = self.get(MP3 + "?fault=garbage&bytes=777&burst=5000&metaint=0", headers=(),
                              seconds=0.5)
        self.assertNotEqual(body[:777], FIXTURE_MP3.data[:777])
        self.assertEqual(body[777:5777], FIXTURE_MP3.data[:5000])

    def test_slowheaders(self):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        s.sendall(("GET %s?fault=slowheaders HTTP/1.0\r\n\r\n" % MP3).encode())
        got = s.recv(100)
        s.close()
        self.assertLessEqual(len(got), 2)  # one byte at a time, not the whole answer
        head, _, _ = self.get(MP3 + "?fault=slowheaders", seconds=3.0)
        self.assertEqual(headers_of(head)[0], "ICY 200 OK")  # starts correctly

    # -------- playlists, redirects, pages

    def test_playlists(self):
        base = "http://127.0.0.1:%d" % self.port
        entries = "entry=/stream/a.mp3&entry=%2Fstream%2Fb.mp3%3Fmetaint%3D0"
        cases = [  # (target, content type, expected body lines)
            ("/playlist.pls?" + entries, "audio/x-scpls",
             ["[playlist]", "NumberOfEntries=2", "File1=%s/stream/a.mp3" % base, "Title1=Entry 1",
              "Length1=-1", "File2=%s/stream/b.mp3?metaint=0" % base, "Title2=Entry 2",
              "Length2=-1", "Version=2"]),
            ("/playlist.m3u?" + entries, "audio/x-mpegurl",
             ["#EXTM3U", "#EXTINF:-1,Entry 1", base + "/stream/a.mp3", "#EXTINF:-1,Entry 2",
              base + "/stream/b.mp3?metaint=0"]),
            ("/playlist.m3u8?" + entries, "application/vnd.apple.mpegurl", None),
            ("/list/radio.pls?ctype=text/plain&" + entries, "text/plain", None),
        ]
        for target, ctype, lines in cases:
            with self.subTest(target=target):
                head, body, closed = self.get(target, headers=(), seconds=2)
                self.assertTrue(closed)
                self.assertIn("Content-Type: " + ctype, headers_of(head)[1])
                if lines:
                    self.assertEqual(body.decode().split("\r\n")[:-1], lines)

    def test_redirects(self):
        hops = []
        target = "/redirect?to=%2Fcatalogue&hops=3&code=301&rel=1"
        for _ in range(5):
            head, _, _ = self.get(target, headers=(), seconds=2)
            first, lines = headers_of(head)
            if not first.startswith("HTTP/1.0 3"):
                break
            hops.append(first)
            target = [ln[len("Location: "):] for ln in lines if ln.startswith("Location: ")][0]
            self.assertTrue(target.startswith("/"))
        self.assertEqual(hops, ["HTTP/1.0 301 Moved Permanently"] * 3)
        self.assertEqual(first, "HTTP/1.0 200 OK")
        head, _, _ = self.get("/redirect?to=/stream/a.mp3", headers=(), seconds=2)
        self.assertIn("Location: http://127.0.0.1:%d/stream/a.mp3" % self.port, headers_of(head)[1])

    def test_catalogue_and_demo(self):
        _, body, _ = self.get("/catalogue", headers=(), seconds=2)
        links = re.findall(rb'href="play:(http://[^"]+)"', body)
        self.assertGreaterEqual(len(links), 4)
        for link in links:
            path = link.decode().split(str(self.port), 1)[1]
            head, body, _ = self.get(path, seconds=0.6)
            self.assertIn(" 200 OK", headers_of(head)[0])
            self.assertGreater(len(body), 100, path)
        head, _, _ = self.get("/demo/1?name=Override", seconds=0.3)
        self.assertIn("icy-name:Override", headers_of(head)[1])
        head, _, _ = self.get("/demo/99", seconds=1)
        self.assertIn("404", headers_of(head)[0])

    def test_many_clients_and_unknown_paths(self):
        socks = [socket.create_connection(("127.0.0.1", self.port)) for _ in range(20)]
        for s in socks:
            s.sendall(("GET %s?metaint=0 HTTP/1.0\r\n\r\n" % MP3).encode())
        for s in socks:
            s.settimeout(5)
            self.assertTrue(s.recv(100).startswith(b"ICY 200 OK"))
            s.close()
        head, _, _ = self.get("/nothing/here", headers=(), seconds=2)
        self.assertIn("404", headers_of(head)[0])


class ShutdownTest(unittest.TestCase):
    def test_sigterm_with_clients_connected(self):
        st = harness.Station(reuse=False)
        st.start()
        socks = []
        for q in ("?fault=hang", "?fault=stall&after=10", "?metaint=0", "?fault=slowheaders"):
            s = socket.create_connection(("127.0.0.1", st.port))
            s.sendall(("GET %s%s HTTP/1.0\r\n\r\n" % (MP3, q)).encode())
            socks.append(s)
        time.sleep(0.5)
        proc = st.proc
        st.stop()
        self.assertEqual(proc.returncode, 0)
        for s in socks:
            s.settimeout(5)
            try:
                while s.recv(65536):
                    pass
            except OSError:
                pass
            s.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
