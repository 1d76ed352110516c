"""A real Icecast2 server for the end-to-end checks and the benchmarks: Debian's icecast2
on a free port of its own, its files in a temp folder, fed by ffmpeg sources (the
stepping tone by default) and titled through its admin interface. Each user makes its
own, so checks run side by side never share a port or a file."""

import os
import shutil
import socket
import subprocess
import tempfile
import time
import unittest
import urllib.request

import harness  # noqa: E402  (found beside this file, as the checks find it)

PASSWORD = "volnar-test"
MP3 = ["-c:a", "libmp3lame", "-b:a", "128k", "-content_type", "audio/mpeg", "-f", "mp3"]
AAC = ["-c:a", "aac", "-b:a", "128k", "-content_type", "audio/aac", "-f", "adts"]


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


def sine_source(hz):
    """ffmpeg input options for a steady stereo sine of `hz` at 44.1 kHz."""
    return ["-f", "lavfi", "-i", "aevalsrc='0.5*sin(2*PI*%g*t)':s=44100:c=stereo" % hz]


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def skip_without_icecast():
    if not shutil.which("icecast2") or not shutil.which("ffmpeg"):
        raise unittest.SkipTest("icecast2 or ffmpeg is not installed")


class Icecast:
    """A private icecast2 on a free port, run as nobody with its files in a temp folder;
    its ffmpeg sources by mount. Also a context manager that stops it all at the end."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="volnar-icecast-")
        os.chmod(self.dir, 0o777)
        self.port = free_port()
        self.sources = {}
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
        if not harness.wait_listening(self.port):
            self.stop()
            raise RuntimeError("icecast2 did not start")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def url(self, mount="/live"):
        return "http://127.0.0.1:%d%s" % (self.port, mount)

    def start_source(self, mount="/live", encoder=MP3, tone=None):
        """An ffmpeg source on `mount`, at real time: `tone` (ffmpeg input options, the
        stepping tone from where the clock stands by default) encoded with `encoder`
        (ffmpeg output options). Returns once Icecast lists the mount."""
        tone = tone if tone is not None else steps_source(time.time())
        self.sources[mount] = subprocess.Popen(
            ["ffmpeg", "-loglevel", "error", "-re"] + tone + encoder +
            ["icecast://source:%s@127.0.0.1:%d%s" % (PASSWORD, self.port, mount)],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not self.wait_mount(mount):
            raise RuntimeError("the ffmpeg source did not reach icecast2 at %s" % mount)

    def stop_source(self, mount="/live"):
        source = self.sources.pop(mount, None)
        if source:
            harness.stop_process(source, 10)

    def mount_up(self, mount):
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/status-json.xsl" % self.port, timeout=2) as r:
                return mount.encode() in r.read()
        except OSError:
            return False

    def wait_mount(self, mount, seconds=10):
        """True once Icecast lists `mount` (False when it does not within `seconds`)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.mount_up(mount):
                return True
            time.sleep(0.1)
        return False

    def set_title(self, title, mount="/live"):
        url = "http://127.0.0.1:%d/admin/metadata?mount=%s&mode=updinfo&song=%s" % (
            self.port, mount, urllib.request.quote(title))
        auth = urllib.request.HTTPPasswordMgrWithDefaultRealm()
        auth.add_password(None, url, "admin", PASSWORD)
        opener = urllib.request.build_opener(urllib.request.HTTPBasicAuthHandler(auth))
        opener.open(url, timeout=5).read()

    def stop(self):
        for mount in list(self.sources):
            self.stop_source(mount)
        harness.stop_process(self.proc, 10)
        shutil.rmtree(self.dir, ignore_errors=True)
