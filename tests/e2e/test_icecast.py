#!/usr/bin/env python3
"""The engine (vnplay) against a real Icecast2 server, what most stations run: Debian's
icecast2 fed by an ffmpeg source with the stepping tone, titles set through its admin
interface. Checks: the tone plays from Icecast's burst without gaps, its titles arrive;
when the source goes and comes back, the listener is taken back and plays on without a
gap; when the source is gone for good, the stream ends and says so (the end sync).

Run: python3 tests/e2e/test_icecast.py   (exit 0 on success; skipped without icecast2)
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402



def steps_source(seconds_in):
    """ffmpeg input options for the stepping tone made as it is sent: 32 steps of 0.25 s
    from 400 Hz up by 50 Hz, as the fixture holds them, but with no seam of its own (a
    looped file joins its end to its start through the encoder's padding). The phase runs
    on across steps and cycles (each cycle is a whole number of turns), and the tone
    starts `seconds_in` into its 8 s cycle, so a source started again goes on where the
    clock stands."""
    expr = ("st(0,mod(t+%.3f,8));st(1,floor(ld(0)*4));"
            "0.5*sin(2*PI*(0.25*(400*ld(1)+25*ld(1)*(ld(1)-1))+(400+50*ld(1))*(ld(0)-0.25*ld(1))))"
            % (seconds_in % 8))
    return ["-f", "lavfi", "-i", "aevalsrc='%s':s=44100:c=stereo" % expr]
PASSWORD = "volnar-test"


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


class Icecast:
    """A private icecast2 on a free port, run as nobody with its files in a temp folder."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="volnar-icecast-")
        os.chmod(self.dir, 0o777)
        self.port = free_port()
        log = os.path.join(self.dir, "log")
        os.makedirs(log)
        os.chmod(log, 0o777)
        config = os.path.join(self.dir, "icecast.xml")
        with open(config, "w") as f:
            f.write("""<icecast>
  <limits><clients>20</clients><sources>2</sources><burst-size>65536</burst-size></limits>
  <authentication>
    <source-password>%(pw)s</source-password><admin-user>admin</admin-user><admin-password>%(pw)s</admin-password>
  </authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>%(port)d</port><bind-address>127.0.0.1</bind-address></listen-socket>
  <fileserve>0</fileserve>
  <paths><basedir>/usr/share/icecast2</basedir><logdir>%(log)s</logdir>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>
  <security><chroot>0</chroot><changeowner><user>nobody</user><group>nogroup</group></changeowner></security>
</icecast>
""" % {"pw": PASSWORD, "port": self.port, "log": log})
        self.proc = subprocess.Popen(["icecast2", "-c", config], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.source = None
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("icecast2 did not start")

    def start_source(self, mount="/live"):
        self.source = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-re"] + steps_source(time.time()) +
            ["-c:a", "libmp3lame", "-b:a", "128k", "-content_type", "audio/mpeg", "-f", "mp3",
             "icecast://source:%s@127.0.0.1:%d%s" % (PASSWORD, self.port, mount)],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if self.mount_up(mount):
                return
            time.sleep(0.1)
        raise RuntimeError("the ffmpeg source did not reach icecast2")

    def stop_source(self):
        if self.source:
            self.source.terminate()
            self.source.wait(10)
            self.source = None

    def mount_up(self, mount):
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/status-json.xsl" % self.port, timeout=2) as r:
                return mount.encode() in r.read()
        except OSError:
            return False

    def set_title(self, title, mount="/live"):
        url = "http://127.0.0.1:%d/admin/metadata?mount=%s&mode=updinfo&song=%s" % (
            self.port, mount, urllib.request.quote(title))
        auth = urllib.request.HTTPPasswordMgrWithDefaultRealm()
        auth.add_password(None, url, "admin", PASSWORD)
        opener = urllib.request.build_opener(urllib.request.HTTPBasicAuthHandler(auth))
        opener.open(url, timeout=5).read()

    def stop(self):
        self.stop_source()
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


ICECAST = None


def setUpModule():
    global ICECAST
    if not shutil.which("icecast2") or not shutil.which("ffmpeg"):
        raise unittest.SkipTest("icecast2 or ffmpeg is not installed")
    harness.hold_wine_session()
    ICECAST = Icecast()


def tearDownModule():
    if ICECAST:
        ICECAST.stop()
    harness.remove_captures()



class IcecastTest(unittest.TestCase):
    def setUp(self):
        ICECAST.stop_source()
        ICECAST.start_source()
        time.sleep(4.5)  # let icecast's queue fill past its burst size

    def test_plays_from_the_burst_with_titles(self):
        url = "http://127.0.0.1:%d/live" % ICECAST.port
        titles = []

        def during(t, line):
            if "ms: playing" in line and not titles:
                titles.append(None)
                ICECAST.set_title("Icecast Band - Stepping Tone")

        run, cap = harness.vnplay(url, 6, during=during)
        self.assertEqual(run.rc, 0)
        self.assertEqual([t for _, t in run.events("status:")], ["HTTP/1.0 200 OK"])
        self.assertIn("Icecast Band - Stepping Tone", [t for _, t in run.events("title:")])
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        self.assertGreaterEqual(report["sounding"], 5.0)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, why)
        self.assertEqual(report["backs"], 0)
        self.assertEqual(report["skips"], 0)
        # Icecast's burst filled the start buffer at once: no wait for paced audio.
        fills = [int(t.rstrip("%").split("%")[0]) for _, t in run.events("fill ")]
        self.assertTrue(fills and max(fills) > 75)

    def test_source_that_comes_back_and_one_that_is_gone(self):
        url = "http://127.0.0.1:%d/live" % ICECAST.port
        # The source leaves for a moment: icecast drops its listeners; they come back.
        state = {"stopped": False}

        def during(t, line):
            if "ms: playing" in line and not state["stopped"]:
                state["stopped"] = True
                time.sleep(2)
                ICECAST.stop_source()
                ICECAST.start_source()

        run, cap = harness.vnplay(url, 14, during=during)
        self.assertEqual(run.rc, 0)
        self.assertFalse(run.events("ended"), "the stream ended though the source came back")
        report = harness.step_report_without_blips(cap.samples())
        print("heard %.1f s: %s" % (report["sounding"], report["text"]))
        # The buffer bridged the source's absence: no gap, and sound to the end. (The
        # new source goes on where the clock stands, so the tone skips ahead there.)
        gaps, why = harness.program_gaps(report, run, cap)
        self.assertEqual(gaps, 0, "the sound broke off: " + why)
        self.assertGreaterEqual(report["sounding"], 12.0)
        # Gone for good: the stream ends once the (shortened) reconnection time is up.
        gone = {"done": False}

        def during_gone(t, line):
            if "ms: playing" in line and not gone["done"]:
                gone["done"] = True
                time.sleep(1)
                ICECAST.stop_source()

        run, _ = harness.vnplay(url, 12, extra=["--reconnect", "3000"], during=during_gone)
        self.assertEqual(run.rc, 0)
        self.assertEqual(len(run.events("ended")), 1)


if __name__ == "__main__":
    unittest.main(verbosity=2)
