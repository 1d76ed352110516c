"""Real producers for the benchmarks, beside the test station: a live HLS stream (ffmpeg's
hls muxer, AAC 128 kbit/s in 2 s MPEG-TS segments, a six-segment list, served by a plain
HTTP server), an Ogg Vorbis mount on a private Icecast2 (ffmpeg's libvorbis encoder as
the source client), and an MP3 mount of the same (ffmpeg copying the stepping tone).
Each is a context manager whose value is the stream's address."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
import test_hls  # noqa: E402
from icecast import Icecast  # noqa: E402

STEPS = os.path.join(harness.ROOT, "tests", "fixtures", "steps400-44k-128.mp3")


class HlsLive:
    label = "HLS live (ffmpeg, AAC 128 kbit/s, 2 s TS segments)"

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="volnar-bench-hls-")
        self.producer = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-re", "-stream_loop", "-1", "-i", STEPS, "-c:a", "aac", "-b:a", "128k",
             "-f", "hls", "-hls_time", "2", "-hls_list_size", "6", "-hls_flags", "delete_segments",
             os.path.join(self.folder, "index.m3u8")], stdin=subprocess.DEVNULL)
        self.server = test_hls.HttpServer(self.folder, test_hls.free_port())
        self.server.start()
        # A full list, as a station that has been on air for a while serves it.
        deadline = time.monotonic() + 30
        while len(test_hls.listed(os.path.join(self.folder, "index.m3u8"))) < 6:
            if time.monotonic() > deadline:
                raise RuntimeError("ffmpeg made no segments")
            time.sleep(0.2)
        return "http://127.0.0.1:%d/index.m3u8" % self.server.port

    def __exit__(self, *exc):
        harness.stop_process(self.producer)
        self.server.stop()
        shutil.rmtree(self.folder, ignore_errors=True)


class IcecastOgg:
    label = "Ogg Vorbis from Icecast2 (ffmpeg libvorbis q4 as the source)"

    def __enter__(self):
        self.icecast = Icecast()
        try:
            self.icecast.start_source("/ogg", ["-c:a", "libvorbis", "-q:a", "4", "-content_type", "application/ogg",
                                               "-f", "ogg"], tone=["-stream_loop", "-1", "-i", STEPS])
        except RuntimeError:
            self.icecast.stop()
            raise
        time.sleep(4.5)  # Icecast's burst filled, as for a station already on air
        return self.icecast.url("/ogg")

    def __exit__(self, *exc):
        self.icecast.stop()


class IcecastMp3:
    label = "icecast2 /live (the stepping tone made live, ffmpeg libmp3lame 128 kbit/s)"

    def __enter__(self):
        self.icecast = Icecast()
        try:
            self.icecast.start_source()
        except RuntimeError:
            self.icecast.stop()
            raise
        time.sleep(4.5)  # Icecast's burst filled, as for a station already on air
        return self.icecast.url()

    def __exit__(self, *exc):
        self.icecast.stop()


PRODUCERS = {"hls": HlsLive, "ogg": IcecastOgg, "icecast": IcecastMp3}


def add_arguments(parser):
    parser.add_argument("--source", action="append", choices=sorted(PRODUCERS), default=[],
                        help="also a real producer's stream (repeatable)")
    parser.add_argument("--only-sources", action="store_true", help="leave out the test station's rows")


def stations(args, station, paths, stack):
    """(label, address) of each stream to measure: the test station's `paths` (label,
    path) unless --only-sources, then the producers --source names, each started on
    `stack` (a contextlib.ExitStack) and stopped with it."""
    out = [] if args.only_sources else [(label, station.url + path) for label, path in paths]
    for name in args.source:
        source = PRODUCERS[name]()
        out.append((source.label, stack.enter_context(source)))
    return out
