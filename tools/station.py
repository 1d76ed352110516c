#!/usr/bin/env python3
"""Local test station for Volnar Radio: radio streams, playlists, redirects and faults.

Standard library only. Listens on 127.0.0.1 only.

    python3 tools/station.py --port 0 --port-file FILE   # any free port, written to FILE
    python3 tools/station.py --port 8000

URL scheme (query parameters combine):

  /stream/<fixture>      the fixture from tests/fixtures looped forever, paced at its bit rate
      status=icy|http10|http11   status line (default icy)
      chunked=1                  chunked body (http11 only), chunks of odd sizes
      metaint=N                  audio bytes between metadata blocks (default 8192, 0 = none);
                                 only when the request carries "Icy-MetaData: 1"
      titles=A|B|C               titles (UTF-8 or %-encoded bytes); titles_cp1251=1 re-encodes
      title_every=SECONDS        title rotation period (default 2)
      name=, br=, hdrspace=1     icy-name, icy-br, a space after every header colon
      burst=BYTES, start=BYTES   sent at once on connect; offset into the file
      ctype=                     Content-Type override
      limit=SECONDS              close after that long
      jitter=MS                  each slice of paced audio leaves up to MS ms late, at random
                                 (seed=N); the rate over time stays exact
      length=BYTES               (http10, http11) a file: Content-Length BYTES, then the end
      fault=refuse|404|400icy|hang|drop|stall|badmeta|bigheaders|html|garbage|slowheaders
      after=N (drop, stall), bytes=N (garbage), seed=N (random faults)
      live=NAME                  a broadcast: every listener of NAME hears one timeline that
                                 runs with the clock from the first request on (as a real
                                 station does); burst=BYTES sends the last BYTES before "now"
                                 on each connect, as Icecast does, so a reconnecting listener
                                 gets audio again that it already had
      drop=N                     (live) connections end after N body bytes: the first
                                 `drops` of them (default 1; 0 = every one)
      stall=1                    (live) instead of ending, the connection stops sending and
                                 stays open
      refuse=M                   (live) after the first drop, the next M connections are
                                 closed at once without an answer
      outage=SECONDS             (live) after the first drop, connections are closed at once
                                 for that long
      gone=1                     (live) after the first drop, every connection is closed at once
      jump=BYTES                 (live) after the first drop, the broadcast is BYTES further on
                                 (a source that came back elsewhere): no listener had that audio
      lull=SECONDS               (live) after the first drop, each connection sends its burst and
                                 then nothing for SECONDS before the paced audio goes on
  With --tls-dir, the same pages are also served over TLS on one port per certificate
  there (good.pem, wronghost.pem, untrusted.pem: certificate and key), listed in
  --tls-port-file as "NAME PORT" lines.
  /playlist.pls|.m3u|.m3u8?entry=PATH&entry=PATH...   (also /list/<anything>.<ext>)
  /redirect?to=PATH&code=302&hops=N&rel=1   (to= may also be a whole http:// or https:// address)
  /catalogue             HTML page with play: links to the demo stations
  /live-stats?name=NAME  "connections N served N dropped 0|1" of a live=NAME broadcast: the
                         connections made, those answered with the stream, whether one dropped
  /demo/<n>              demo stations with changing titles (query parameters override)
"""

import argparse
import os
import random
import signal
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = os.path.join(ROOT, "tests", "fixtures")

SLICE_SECONDS = 0.05          # pacing granularity
MAX_REQUEST_BYTES = 64 * 1024
MAX_CONNECTIONS = 64          # concurrent clients; more are closed at once
MAX_STREAM_SECONDS = 3600     # hard bound of one connection, whatever the parameters
SEND_TIMEOUT = 30.0           # a client that reads nothing for this long is dropped
CHUNK_SIZES = (1, 7, 13, 251, 1021, 3, 4093, 77)  # odd chunk sizes, cycled

STOP = threading.Event()


class Live:
    """One broadcast timeline shared by every listener of a live=NAME stream."""

    _all = {}
    _lock = threading.Lock()

    def __init__(self, start_bytes):
        self.t0 = time.monotonic()
        self.start = start_bytes      # timeline byte at t0
        self.connections = 0          # connections seen so far
        self.served = 0               # of them answered with the stream
        self.refused = 0              # of them closed at once (refuse=M)
        self.dropped_at = None        # monotonic time of the first drop
        self.jumped = False           # the jump=BYTES after the first drop made

    @classmethod
    def get(cls, name, start_bytes):
        with cls._lock:
            if name not in cls._all:
                cls._all[name] = cls(start_bytes)
            return cls._all[name]

    def position(self, rate):
        return self.start + int((time.monotonic() - self.t0) * rate)


# ---------------------------------------------------------------- fixtures

MP3_BITRATES = {  # (version is MPEG-1, layer) -> kbit/s by index
    (True, 3): [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    (False, 3): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    (True, 2): [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
    (False, 2): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    (True, 1): [0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448],
    (False, 1): [0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256],
}
MP3_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}
ADTS_RATES = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350]


def mp3_frame(data, i):
    """(length, samples, rate, kbps) of the MPEG audio frame at i, or None."""
    if i + 4 > len(data) or data[i] != 0xFF or (data[i + 1] & 0xE0) != 0xE0:
        return None
    ver = (data[i + 1] >> 3) & 3
    layer_bits = (data[i + 1] >> 1) & 3
    bri = data[i + 2] >> 4
    sri = (data[i + 2] >> 2) & 3
    pad = (data[i + 2] >> 1) & 1
    if ver == 1 or layer_bits == 0 or bri in (0, 15) or sri == 3:
        return None
    layer = 4 - layer_bits
    mpeg1 = ver == 3
    kbps = MP3_BITRATES[(mpeg1, layer)][bri]
    rate = MP3_RATES[ver][sri]
    if layer == 1:
        return ((12 * kbps * 1000 // rate + pad) * 4, 384, rate, kbps)
    samples = 1152 if (layer == 2 or mpeg1) else 576
    return (samples // 8 * kbps * 1000 // rate + pad, samples, rate, kbps)


def adts_frame(data, i):
    if i + 7 > len(data) or data[i] != 0xFF or (data[i + 1] & 0xF6) != 0xF0:
        return None
    sri = (data[i + 2] >> 2) & 0xF
    length = ((data[i + 3] & 3) << 11) | (data[i + 4] << 3) | (data[i + 5] >> 5)
    if sri >= len(ADTS_RATES) or length < 7:
        return None
    blocks = (data[i + 6] & 3) + 1
    return (length, 1024 * blocks, ADTS_RATES[sri], 0)


class Fixture:
    """A fixture file with the figures pacing needs, taken from its own frame headers."""

    def __init__(self, path):
        self.name = os.path.basename(path)
        with open(path, "rb") as f:
            self.data = f.read()
        self.is_aac = self.name.lower().endswith(".aac")
        self.is_flac = self.data[:4] == b"fLaC"
        self.is_ogg = self.data[:4] == b"OggS"
        if self.is_ogg:
            # Ogg Vorbis or Opus: the length from the last page's granule position, in
            # samples of the identification header's rate (Opus counts at 48 kHz).
            body = 27 + self.data[26]
            opus = self.data[body:body + 8] == b"OpusHead"
            self.sample_rate = 48000 if opus else int.from_bytes(self.data[body + 12:body + 16], "little")
            last = self.data.rfind(b"OggS")
            self.duration = int.from_bytes(self.data[last + 6:last + 14], "little") / self.sample_rate
            self.bytes_per_second = len(self.data) / self.duration
            self.kbps = int(round(self.bytes_per_second * 8 / 1000))
            return
        if self.is_flac:
            # Native FLAC: rate and length from STREAMINFO (the first block); looped, each
            # round starts with the stream's headers again.
            packed = int.from_bytes(self.data[18:26], "big")
            self.sample_rate = packed >> 44
            self.duration = (packed & ((1 << 36) - 1)) / self.sample_rate
            self.bytes_per_second = len(self.data) / self.duration
            self.kbps = int(round(self.bytes_per_second * 8 / 1000))
            return
        parse = adts_frame if self.is_aac else mp3_frame
        i = 0
        if self.data[:3] == b"ID3" and len(self.data) > 10:  # skip an ID3v2 tag
            size = 0
            for b in self.data[6:10]:
                size = (size << 7) | (b & 0x7F)
            i = 10 + size
        while i < len(self.data) and parse(self.data, i) is None:
            i += 1
        samples = 0
        rate = 0
        kbps_seen = {}
        while True:
            fr = parse(self.data, i)
            if fr is None:
                break
            length, n, rate, kbps = fr
            samples += n
            kbps_seen[kbps] = kbps_seen.get(kbps, 0) + 1
            i += length
        if samples == 0 or rate == 0:
            raise ValueError("no audio frames in " + path)
        self.sample_rate = rate
        self.duration = samples / rate                      # seconds
        self.bytes_per_second = len(self.data) / self.duration
        if self.is_aac:
            self.kbps = int(round(self.bytes_per_second * 8 / 1000))
        else:
            self.kbps = max(kbps_seen, key=kbps_seen.get)


_fixtures = {}
_fixtures_lock = threading.Lock()


def fixture(name):
    if "/" in name or "\\" in name or name.startswith("."):
        return None
    path = os.path.join(FIXTURES, name)
    with _fixtures_lock:
        if name not in _fixtures:
            if not os.path.isfile(path):
                return None
            _fixtures[name] = Fixture(path)
        return _fixtures[name]


# ---------------------------------------------------------------- requests

class Query:
    """Query parameters; values kept as bytes so %-encoded non-UTF-8 titles survive."""

    def __init__(self, raw):
        self.items = []
        for part in raw.split("&") if raw else []:
            key, _, value = part.partition("=")
            key = urllib.parse.unquote(key.replace("+", " "))
            self.items.append((key, urllib.parse.unquote_to_bytes(value.replace("+", " "))))

    def all(self, key):
        return [v for k, v in self.items if k == key]

    def raw(self, key, default=None):
        vals = self.all(key)
        return vals[-1] if vals else default

    def text(self, key, default=None):
        v = self.raw(key)
        return default if v is None else v.decode("utf-8", "replace")

    def num(self, key, default, kind=int):
        v = self.raw(key)
        if v is None or v == b"":
            return default
        try:
            return kind(v.decode("ascii"))
        except ValueError:
            return default

    def update(self, other):
        keys = {k for k, _ in other.items}
        self.items = [(k, v) for k, v in self.items if k not in keys] + other.items


class Closed(Exception):
    """The connection is to end now (client gone, a fault, the limit or shutdown)."""


class Body:
    """Writes the answer body: optional chunk framing, the `after` byte limit, a time-out."""

    def __init__(self, sock, chunked=False, after=None, deadline=None):
        self.sock = sock
        self.chunked = chunked
        self.after = after          # body bytes (after de-chunking) before the fault hits
        self.sent = 0               # body bytes written, metadata included
        self.deadline = deadline    # monotonic time at which the connection ends
        self.chunk_i = 0

    def send_raw(self, data):
        if STOP.is_set():
            raise Closed()
        try:
            self.sock.sendall(data)
        except OSError:
            raise Closed()

    def write(self, data):
        """Returns False once `after` bytes have gone out (the rest is not sent)."""
        hit = False
        if self.after is not None and self.sent + len(data) >= self.after:
            data = data[: self.after - self.sent]
            hit = True
        if data:
            if self.chunked:
                out = bytearray()
                pos = 0
                while pos < len(data):
                    n = CHUNK_SIZES[self.chunk_i % len(CHUNK_SIZES)]
                    self.chunk_i += 1
                    piece = data[pos: pos + n]
                    pos += len(piece)
                    out += b"%x\r\n" % len(piece) + piece + b"\r\n"
                self.send_raw(bytes(out))
            else:
                self.send_raw(data)
            self.sent += len(data)
        return not hit

    def end(self):
        if self.chunked:
            self.send_raw(b"0\r\n\r\n")


def read_request(sock):
    sock.settimeout(10.0)
    buf = b""
    while b"\r\n\r\n" not in buf and b"\n\n" not in buf:
        try:
            piece = sock.recv(4096)
        except OSError:
            return None
        if not piece:
            return None
        buf += piece
        if len(buf) > MAX_REQUEST_BYTES:
            return None
    head = buf.split(b"\r\n\r\n")[0].split(b"\n\n")[0].decode("latin-1")
    lines = [ln.rstrip("\r") for ln in head.split("\n")]
    parts = lines[0].split(" ")
    if len(parts) < 2:
        return None
    headers = {}
    for ln in lines[1:]:
        k, sep, v = ln.partition(":")
        if sep:
            headers[k.strip().lower()] = v.strip()
    return parts[0], parts[1], headers


def wait_until_closed(sock, seconds=MAX_STREAM_SECONDS):
    """Keeps a connection open without answering until the client leaves or we stop."""
    sock.settimeout(0.2)
    end = time.monotonic() + seconds
    while not STOP.is_set() and time.monotonic() < end:
        try:
            if not sock.recv(4096):
                return
        except socket.timeout:
            continue
        except OSError:
            return


def header_block(status, headers, space):
    sep = ": " if space else ":"
    lines = [status] + [k + sep + v for k, v in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8")  # header values as a UTF-8 server sends them


def simple_answer(sock, status, ctype, body, extra=()):
    headers = [("Content-Type", ctype), ("Content-Length", str(len(body))),
               ("Connection", "close")] + list(extra)
    try:
        sock.sendall(header_block(status, headers, True) + body)
    except OSError:
        pass


# ---------------------------------------------------------------- streams

def meta_block(text):
    text = text[: 255 * 16]
    padded = text + b"\0" * (-len(text) % 16)
    return bytes([len(padded) // 16]) + padded


def title_bytes(q, fx):
    raw = q.raw("titles")
    titles = raw.split(b"|") if raw else [("Volnar Test - " + fx.name).encode()]
    if q.num("titles_cp1251", 0):
        titles = [t.decode("utf-8", "replace").encode("cp1251", "replace") for t in titles]
    return titles


def serve_stream(sock, req_headers, q, fx, server_port):
    fault = q.text("fault", "")
    rng = random.Random(q.num("seed", 1))
    if fault == "refuse":
        return
    live = None
    live_drop = None  # body bytes after which this connection ends or stalls
    if q.text("live"):
        live = Live.get(q.text("live"), max(0, q.num("burst", 0)))
        with Live._lock:
            number = live.connections
            live.connections += 1
            after_drop = live.dropped_at is not None
            if after_drop and (q.num("gone", 0) == 1 or
                               time.monotonic() - live.dropped_at < q.num("outage", 0.0, float)):
                return
            if after_drop and live.refused < q.num("refuse", 0):
                live.refused += 1
                return
            live.served += 1
            if after_drop and not live.jumped:
                live.jumped = True
                live.start += max(0, q.num("jump", 0))
            drops = q.num("drops", 1)
            if q.num("drop", 0) > 0 and (drops == 0 or number < drops):
                live_drop = q.num("drop", 0)
    if fault == "hang":
        wait_until_closed(sock)
        return
    if fault == "404":
        simple_answer(sock, "HTTP/1.0 404 Not Found", "text/html",
                      b"<html><body><h1>404 Not Found</h1></body></html>\n")
        return
    if fault == "400icy":
        try:
            sock.sendall(b"ICY 400 Server Full\r\n\r\n")
        except OSError:
            pass
        return
    if fault == "html":
        simple_answer(sock, "HTTP/1.0 200 OK", "text/html",
                      b"<html><head><title>Station status</title></head>"
                      b"<body><p>This is a status page, not a stream.</p></body></html>\n")
        return

    status = q.text("status", "icy")
    chunked = status == "http11" and q.num("chunked", 0) == 1
    wants_meta = req_headers.get("icy-metadata", "").strip() == "1"
    # An Ogg stream carries its titles in its own comments, never in ICY blocks.
    metaint = q.num("metaint", 8192) if wants_meta and not fx.is_ogg else 0
    if metaint < 0:
        metaint = 0
    space = q.num("hdrspace", 0) == 1

    status_line = {"icy": "ICY 200 OK", "http10": "HTTP/1.0 200 OK",
                   "http11": "HTTP/1.1 200 OK"}.get(status, "ICY 200 OK")
    ctype = q.text("ctype")
    if ctype is None and fx.is_flac:
        ctype = "audio/flac"
    if ctype is None and fx.is_ogg:
        ctype = "application/ogg"
    if ctype is None and (status != "icy" or fx.is_aac):
        ctype = "audio/aacp" if (fx.is_aac and status == "icy") else (
            "audio/aac" if fx.is_aac else "audio/mpeg")
    headers = []
    if status == "icy":
        headers.append(("icy-notice1", "<BR>This stream is served by the Volnar test station<BR>"))
    if ctype is not None:
        headers.append(("content-type" if status == "icy" else "Content-Type", ctype))
    headers += [("icy-name", q.text("name", "Volnar Test")),
                ("icy-genre", "Test"),
                ("icy-url", "http://127.0.0.1:%d/" % server_port),
                ("icy-pub", "0"),
                ("icy-br", q.text("br", str(fx.kbps)))]
    if metaint:
        headers.append(("icy-metaint", str(metaint)))
    if status != "icy":
        headers.append(("Cache-Control", "no-cache"))
        headers.append(("Server", "Volnar test station"))
    if chunked:
        headers.append(("Transfer-Encoding", "chunked"))
    if status == "http11":
        headers.append(("Connection", "close"))
    length = q.num("length", None) if status != "icy" and not chunked else None
    if length is not None:
        headers.append(("Content-Length", str(length)))
    if fault == "bigheaders":
        filler = []
        size = 0
        n = 0
        while size < 64 * 1024:
            line = ("X-Filler-%04d" % n, "f" * 100)
            filler.append(line)
            size += len(line[0]) + len(line[1]) + 3
            n += 1
        headers = filler + headers
    head = header_block(status_line, headers, space)

    try:
        if fault == "slowheaders":
            for i in range(len(head)):
                if STOP.wait(0.1):
                    return
                sock.sendall(head[i: i + 1])
        else:
            sock.sendall(head)
    except OSError:
        return

    limit = q.num("limit", None, float)
    seconds = MAX_STREAM_SECONDS if limit is None else min(limit, MAX_STREAM_SECONDS)
    after = q.num("after", None) if fault in ("drop", "stall") else None
    if live_drop is not None:
        after = live_drop
    if length is not None:
        after = length
    t0 = time.monotonic()
    body = Body(sock, chunked, after, t0 + seconds)

    titles = title_bytes(q, fx)
    title_every = q.num("title_every", 2.0, float)
    if title_every <= 0:
        title_every = 2.0
    last_title = [None]
    since_meta = [0]  # audio bytes since the last metadata block

    def next_meta():
        if fault == "badmeta":
            n = rng.randrange(1, 256)
            return bytes([n]) + bytes(rng.randrange(256) for _ in range(n * 16))
        idx = int((time.monotonic() - t0) / title_every) % len(titles)
        if titles[idx] == last_title[0]:
            return b"\0"
        last_title[0] = titles[idx]
        return meta_block(b"StreamTitle='" + titles[idx] + b"';StreamUrl='';")

    def send_audio(data):
        """Interleaves metadata every metaint audio bytes; False when `after` is reached."""
        out = bytearray()
        pos = 0
        while pos < len(data):
            if metaint:
                room = metaint - since_meta[0]
                take = data[pos: pos + room]
                out += take
                pos += len(take)
                since_meta[0] += len(take)
                if since_meta[0] == metaint:
                    out += next_meta()
                    since_meta[0] = 0
            else:
                out += data[pos:]
                pos = len(data)
        return body.write(bytes(out))

    src_pos = [q.num("start", 0) % len(fx.data)]
    burst = max(0, q.num("burst", 0))
    if live is not None:
        # The listener joins the broadcast now, with the last `burst` bytes first.
        src_pos[0] = max(0, live.position(fx.bytes_per_second) - burst) % len(fx.data)

    def audio(n):
        out = bytearray()
        while len(out) < n:
            take = fx.data[src_pos[0]: src_pos[0] + n - len(out)]
            out += take
            src_pos[0] = (src_pos[0] + len(take)) % len(fx.data)
        return bytes(out)

    try:
        if fault == "garbage":
            if not send_audio(bytes(rng.randrange(256) for _ in range(q.num("bytes", 4096)))):
                raise Closed()
        if burst and not send_audio(audio(burst)):
            raise Closed()
        if live is not None and after_drop and STOP.wait(max(0.0, q.num("lull", 0.0, float))):
            return
        rate = fx.bytes_per_second
        jitter = max(0.0, q.num("jitter", 0.0, float)) / 1000.0  # seconds
        paced = 0  # audio bytes sent by pacing
        start = time.monotonic()
        while True:
            now = time.monotonic()
            if now >= body.deadline:
                body.end()
                return
            # A late slice holds back what was due; the next one on time catches up.
            lag = rng.uniform(0.0, jitter) if jitter else 0.0
            due = int(rate * (now - start - lag)) - paced
            if due > 0:
                if not send_audio(audio(due)):
                    raise Closed()
                paced += due
            if STOP.wait(SLICE_SECONDS):
                return
    except Closed:
        hit = body.after is not None and body.sent >= body.after
        if hit and live is not None:
            with Live._lock:
                if live.dropped_at is None:
                    live.dropped_at = time.monotonic()
        if hit and (fault == "stall" or (live is not None and q.num("stall", 0) == 1)):
            wait_until_closed(sock)
        return


# ---------------------------------------------------------------- other pages

def base_url(sock, port):
    """This server's address as the client reached it (https on a TLS port)."""
    if isinstance(sock, ssl.SSLSocket):
        return "https://localhost:%d" % port
    return "http://127.0.0.1:%d" % port


def serve_playlist(sock, path, q, port):
    ext = path.rsplit(".", 1)[-1].lower()
    entries = [e.decode("utf-8", "replace") for e in q.all("entry")]
    urls = [base_url(sock, port) + (e if e.startswith("/") else "/" + e) for e in entries]
    if ext == "pls":
        lines = ["[playlist]", "NumberOfEntries=%d" % len(urls)]
        for i, u in enumerate(urls, 1):
            lines += ["File%d=%s" % (i, u), "Title%d=Entry %d" % (i, i), "Length%d=-1" % i]
        lines.append("Version=2")
        ctype = "audio/x-scpls"
    elif ext in ("m3u", "m3u8"):
        lines = ["#EXTM3U"]
        for i, u in enumerate(urls, 1):
            lines += ["#EXTINF:-1,Entry %d" % i, u]
        ctype = "audio/x-mpegurl" if ext == "m3u" else "application/vnd.apple.mpegurl"
    else:
        simple_answer(sock, "HTTP/1.0 404 Not Found", "text/plain", b"unknown playlist type\n")
        return
    simple_answer(sock, "HTTP/1.0 200 OK", q.text("ctype", ctype),
                  ("\r\n".join(lines) + "\r\n").encode("utf-8"))


def serve_redirect(sock, q, port):
    target = q.text("to", "/")
    hops = max(1, q.num("hops", 1))
    code = q.num("code", 302)
    rel = q.num("rel", 0) == 1
    if hops > 1:
        rest = [(k, v) for k, v in q.items if k != "hops"] + [("hops", str(hops - 1).encode())]
        loc = "/redirect?" + "&".join(
            urllib.parse.quote(k) + "=" + urllib.parse.quote_from_bytes(v, safe="") for k, v in rest)
    elif target.startswith(("http://", "https://")):
        loc = target  # another server, or the same one over the other scheme
        rel = True
    else:
        loc = target if target.startswith("/") else "/" + target
    if not rel:
        loc = base_url(sock, port) + loc
    reason = {301: "Moved Permanently", 302: "Found", 303: "See Other",
              307: "Temporary Redirect", 308: "Permanent Redirect"}.get(code, "Redirect")
    simple_answer(sock, "HTTP/1.0 %d %s" % (code, reason), "text/html",
                  b"<html><body>moved</body></html>\n", [("Location", loc)])


DEMOS = {
    1: ("tone440-44k-128.mp3", "name=Volnar Demo 1: MP3 128k&status=icy&burst=65536&title_every=8"
        "&titles=Demo Band - Morning Tone|Demo Band - 440 Hz Forever|"
        "%D0%92%D0%BE%D0%BB%D0%BD%D0%B0%D1%80 - %D0%9F%D0%B5%D1%81%D0%BD%D1%8F"),
    2: ("tone660-44k-lc.aac", "name=Volnar Demo 2: AAC&status=http10&burst=32768&title_every=10"
        "&titles=AAC Ensemble - Six Sixty|AAC Ensemble - Steady State"),
    3: ("tone1000-24k-64.mp3", "name=Volnar Demo 3: MP3 64k chunked&status=http11&chunked=1"
        "&title_every=12&titles=Test Card - One Kilohertz|Test Card - Calibration"),
    4: ("tone880-48k-lc.aac", "name=Volnar Demo 4: AAC 48k&status=icy&titles_cp1251=1&title_every=10"
        "&titles=%D0%A0%D0%B0%D0%B4%D0%B8%D0%BE - %D0%A2%D0%BE%D0%BD 880|Radio - Tone 880"),
}


def serve_catalogue(sock, port):
    items = "".join(
        '<li><a href="play:http://127.0.0.1:%d/demo/%d">%s</a></li>\n'
        % (port, n, urllib.parse.unquote(p.split("&")[0][5:]).replace("&", "&amp;"))
        for n, (_, p) in sorted(DEMOS.items()))
    page = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Volnar demo stations</title>"
            "</head><body><h1>Demo stations</h1>\n<ul>\n%s</ul>\n"
            '<a href="playmain:http://127.0.0.1:%d/demo/1"></a>\n</body></html>\n' % (items, port))
    simple_answer(sock, "HTTP/1.0 200 OK", "text/html; charset=utf-8", page.encode("utf-8"))


# ---------------------------------------------------------------- server

class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        if not self.server.slots.acquire(blocking=False):
            return
        try:
            if self.server.tls is not None:
                sock.settimeout(10.0)
                try:
                    sock = self.server.tls.wrap_socket(sock, server_side=True)
                except (ssl.SSLError, OSError) as e:  # e.g. the client refused our certificate
                    log("tls handshake failed: %s" % (e,))
                    return
            self.serve(sock)
        except Exception as e:  # one broken connection must not stop the station
            log("error: %r" % (e,))
        finally:
            self.server.slots.release()
            if sock is not self.request:
                try:
                    sock.close()
                except OSError:
                    pass

    def serve(self, sock):
        port = self.server.server_address[1]
        req = read_request(sock)
        if req is None:
            return
        method, target, headers = req
        path, _, raw_query = target.partition("?")
        path = urllib.parse.unquote(path)
        q = Query(raw_query)
        log("%s %s" % (method, target))
        sock.settimeout(SEND_TIMEOUT)
        if path.startswith("/stream/"):
            fx = fixture(path[len("/stream/"):])
            if fx is None:
                if q.text("fault"):  # a fault answer needs no real fixture
                    fx = fixture("tone440-44k-128.mp3")
                else:
                    simple_answer(sock, "HTTP/1.0 404 Not Found", "text/plain", b"no such stream\n")
                    return
            serve_stream(sock, headers, q, fx, port)
        elif path.startswith("/demo/"):
            try:
                name, params = DEMOS[int(path[len("/demo/"):])]
            except (KeyError, ValueError):
                simple_answer(sock, "HTTP/1.0 404 Not Found", "text/plain", b"no such demo\n")
                return
            dq = Query(params)
            dq.update(q)
            serve_stream(sock, headers, dq, fixture(name), port)
        elif path in ("/playlist.pls", "/playlist.m3u", "/playlist.m3u8") or path.startswith("/list/"):
            serve_playlist(sock, path, q, port)
        elif path == "/live-stats":
            live = Live._all.get(q.text("name", ""))
            text = ("connections %d served %d dropped %d\n" % (
                live.connections, live.served, live.dropped_at is not None) if live else "none\n")
            simple_answer(sock, "HTTP/1.0 200 OK", "text/plain", text.encode())
        elif path == "/redirect":
            serve_redirect(sock, q, port)
        elif path in ("/catalogue", "/"):
            serve_catalogue(sock, port)
        else:
            simple_answer(sock, "HTTP/1.0 404 Not Found", "text/plain", b"not found\n")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, port, tls=None):
        super().__init__(("127.0.0.1", port), Handler)
        self.slots = threading.BoundedSemaphore(MAX_CONNECTIONS)
        self.tls = tls  # an ssl.SSLContext: this port speaks TLS

    def shutdown_request(self, request):
        try:
            request.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        request.close()


QUIET = False


def log(msg):
    if not QUIET:
        sys.stderr.write("station: %s\n" % msg)
        sys.stderr.flush()


def main():
    global QUIET
    ap = argparse.ArgumentParser(description="Volnar test station")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--quiet", action="store_true")
    ap.add_argument("--tls-dir", help="folder with good.pem, wronghost.pem, untrusted.pem")
    ap.add_argument("--tls-port-file")
    args = ap.parse_args()
    QUIET = args.quiet
    server = Server(args.port)
    port = server.server_address[1]
    tls_servers = []
    if args.tls_dir:
        for name in ("good", "wronghost", "untrusted"):
            pem = os.path.join(args.tls_dir, name + ".pem")
            if not os.path.exists(pem):
                continue
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.minimum_version = ssl.TLSVersion.TLSv1_2
            ctx.load_cert_chain(pem)
            tls_servers.append((name, Server(0, ctx)))
        for _, srv in tls_servers:
            threading.Thread(target=srv.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
        if args.tls_port_file:
            tmp = args.tls_port_file + ".tmp"
            with open(tmp, "w") as f:
                for name, srv in tls_servers:
                    f.write("%s %d\n" % (name, srv.server_address[1]))
            os.replace(tmp, args.tls_port_file)

    def stop(signum, frame):
        STOP.set()
        threading.Thread(target=server.shutdown, daemon=True).start()
        for _, srv in tls_servers:
            threading.Thread(target=srv.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    log("listening on http://127.0.0.1:%d" % port)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        STOP.set()
        server.server_close()
    log("stopped")


if __name__ == "__main__":
    main()
