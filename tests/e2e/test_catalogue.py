#!/usr/bin/env python3
"""The built-in catalogue under Wine, against a local stand-in of the station directory
(tools/directory_standin.py serving tests/fixtures/directory/stations.json: the
directory's field names and shapes, some stations broken, some Cyrillic, one hostile).

vncatalogue.exe runs the program's catalogue code without the window; then the real
volnar.exe is started and its own catalogue server is asked for its home page.

Checks: the server listens on 127.0.0.1 only and refuses a foreign Host; pages list the
stand-in's stations, escaped; a Cyrillic search reaches the directory encoded; a
favourite and an own station are added through the pages' forms (with the run's token)
and survive a restart and a killed process; a play reports the click to the directory
and goes into the history; with the stand-in stopped the home page says the directory
cannot be reached and still shows the favourites.

Run by tools/run-tests.sh (WINEPREFIX and DISPLAY set); exit code 0 = pass.
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

failures = []
MAYAK = "a0000010-0000-4000-8000-000000000010"
DEMO1 = "a0000001-0000-4000-8000-000000000001"
STATION = "http://127.0.0.1:9"  # the stand-in's stream addresses; nothing is played


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def request(port, method, target, body=b"", headers=None, host=None, seconds=10):
    """One raw request; (status, headers dict in lower case, body text)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=seconds)
    lines = ["%s %s HTTP/1.1" % (method, target), "Host: %s" % (host or "127.0.0.1:%d" % port)]
    for k, v in (headers or {}).items():
        lines.append("%s: %s" % (k, v))
    if method == "POST":
        lines.append("Content-Type: application/x-www-form-urlencoded")
        lines.append("Content-Length: %d" % len(body))
    s.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)
    data = b""
    while True:
        piece = s.recv(65536)
        if not piece:
            break
        data += piece
    s.close()
    head, _, rest = data.partition(b"\r\n\r\n")
    status_line, *header_lines = head.decode("latin-1").split("\r\n")
    fields = {}
    for line in header_lines:
        k, _, v = line.partition(":")
        fields[k.strip().lower()] = v.strip()
    return int(status_line.split()[1]), fields, rest.decode("utf-8", "replace")


class StandIn:
    def __init__(self, tmp):
        self.log = os.path.join(tmp, "directory.log")
        port_file = os.path.join(tmp, "directory.port")
        self.proc = subprocess.Popen([sys.executable, os.path.join(harness.ROOT, "tools", "directory_standin.py"),
                                      "--port", "0", "--port-file", port_file, "--station", STATION,
                                      "--log", self.log, "--quiet"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(port_file):
                self.url = "http://127.0.0.1:" + open(port_file).read().strip()
                return
            time.sleep(0.05)
        raise RuntimeError("the directory stand-in did not start")

    def lines(self):
        return open(self.log, encoding="utf-8").read().splitlines() if os.path.exists(self.log) else []

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)


class Catalogue:
    """vncatalogue.exe under Wine: the program's catalogue without its window."""

    def __init__(self, directory, data):
        self.proc = subprocess.Popen(["wine", harness.tool_exe("vncatalogue"), "--directory", directory,
                                      "--data", data, "--port", "0"],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     text=True)
        line = self.proc.stdout.readline().strip()
        if not line.startswith("listening 127.0.0.1:"):
            raise RuntimeError("vncatalogue did not start: %r" % line)
        self.port = int(line.rsplit(":", 1)[1])

    def command(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()

    def quit(self):
        if self.proc.poll() is None:
            self.command("quit")
            self.proc.wait(30)

    def kill(self):
        self.proc.kill()
        self.proc.wait(30)


def token_of(page):
    m = re.search(r'<input type="hidden" name="t" value="([0-9a-f]{32})">', page)
    return m.group(1) if m else ""


def post(port, path, token, **fields):
    fields = dict(fields, t=token)
    body = urllib.parse.urlencode(fields).encode("ascii")
    return request(port, "POST", path, body, {"Origin": "http://127.0.0.1:%d" % port})


def loopback_only(port):
    """True when nothing but 127.0.0.1 accepts on `port`."""
    others = ["127.0.0.2"]
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        probe.connect(("10.255.255.255", 1))
        own = probe.getsockname()[0]
        if not own.startswith("127."):
            others.append(own)
    except OSError:
        pass
    finally:
        probe.close()
    for address in others:
        try:
            socket.create_connection((address, port), timeout=2).close()
            print("     %s:%d accepted a connection" % (address, port))
            return False
        except OSError:
            pass
    listening = subprocess.run(["ss", "-ltnH"], capture_output=True, text=True).stdout
    bound = [l.split()[3] for l in listening.splitlines() if l.split() and l.split()[3].endswith(":%d" % port)]
    print("     listening sockets on port %d: %s" % (port, bound))
    return bound == ["127.0.0.1:%d" % port]


def catalogue_checks(tmp):
    directory = StandIn(tmp)
    folder = "volnar-e2e-catalogue-%d" % os.getpid()
    data = "C:\\" + folder
    shutil.rmtree(os.path.join(os.environ["WINEPREFIX"], "drive_c", folder), ignore_errors=True)
    cat = Catalogue(directory.url, data)
    try:
        port = cat.port
        check(loopback_only(port), "the catalogue listens on 127.0.0.1 only")
        status, _, _ = request(port, "GET", "/", host="evil.example:%d" % port)
        check(status == 421, "a foreign Host is refused (%d)" % status)
        status, _, _ = request(port, "GET", "/", host="localhost:%d" % port)
        check(status == 421, "another name for the loopback address is refused (%d)" % status)

        status, fields, home = request(port, "GET", "/")
        check(status == 200 and fields.get("x-ua-compatible") == "IE=edge",
              "the home page answers with the newest document mode (%d %s)" % (status, fields.get("x-ua-compatible")))
        check("Волнар Демо 1: Русское радио" in home and "Радио Маяк" in home,
              "the home page lists the directory's Russian stations")
        check('href="play:%s/demo/3?mayak"' % STATION in home, "a station row plays its url_resolved")
        check("Сломанное радио" not in home, "a broken station is hidden")
        check("<script>alert" not in home and "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;" in home
              and '"javascript:' not in home and ":javascript:" not in home,
              "the hostile station is shown escaped, without its script addresses")
        check(home.count('href="playmain:') == 1, "the first run names one default station")
        token = token_of(home)
        check(bool(token), "the page carries the run's form token")

        status, _, found = request(port, "GET", "/list?q=" + urllib.parse.quote("Маяк"))
        asked = [l for l in directory.lines() if l.startswith("GET /json/stations/search?name=")]
        check(status == 200 and "Радио Маяк" in found and "Волнар Демо 1" not in found,
              "a Cyrillic search finds its station")
        check(any("name=%D0%9C%D0%B0%D1%8F%D0%BA&" in l and l.endswith("VolnarRadio/1.0") for l in asked),
              "the search reaches the directory percent-encoded, with our User-Agent")

        status, _, _ = request(port, "GET", "/fav/toggle?t=%s&k=u:%s" % (token, MAYAK))
        check(status == 405, "a GET cannot add a favourite (%d)" % status)
        status, _, _ = post(port, "/fav/toggle", "0" * 32, k="u:" + MAYAK)
        check(status == 403, "a POST without the run's token is refused (%d)" % status)
        status, fields, _ = post(port, "/fav/toggle", token, k="u:" + MAYAK, back="/")
        check(status == 303 and fields.get("location") == "http://127.0.0.1:%d/" % port,
              "a favourite is added and the page returns (%d %s)" % (status, fields.get("location")))
        status, _, page = post(port, "/own/add", token, name="Моя станция", url="ftp://own.example/")
        check(status == 200 and "должен начинаться с http:// или https://" in page,
              "an own station that is not http(s) is refused with a message")
        status, _, _ = post(port, "/own/add", token, name="Моя станция", url="http://own.example:8000/live")
        check(status == 303, "an own station is added (%d)" % status)

        print("     " + cat.command("play %s/demo/3?mayak" % STATION))
        clicked = False
        for _ in range(50):
            if "click " + MAYAK in directory.lines():
                clicked = True
                break
            time.sleep(0.1)
        check(clicked, "a play of a directory station is reported to the directory")
        _, _, recent = request(port, "GET", "/recent")
        check("Радио Маяк" in recent, "the play is in the history")
        _, _, home = request(port, "GET", "/")
        check('href="playmain:' not in home, "after a play the home page names no default station")

        cat.quit()
        cat = Catalogue(directory.url, data)
        port = cat.port
        _, _, fav = request(port, "GET", "/fav")
        _, _, own = request(port, "GET", "/own")
        _, _, recent = request(port, "GET", "/recent")
        check("Радио Маяк" in fav and "Моя станция" in own and "Радио Маяк" in recent,
              "favourites, own stations and history survive a restart")

        _, _, home = request(port, "GET", "/")
        status, _, _ = post(port, "/fav/toggle", token_of(home), k="u:" + DEMO1)
        check(status == 303, "a second favourite is added (%d)" % status)
        cat.kill()
        cat = Catalogue(directory.url, data)
        port = cat.port
        _, _, fav = request(port, "GET", "/fav")
        check("Радио Маяк" in fav and "Волнар Демо 1" in fav and fav.index("Радио Маяк") < fav.index("Волнар Демо 1"),
              "both favourites, in order, survive a killed process")

        directory.stop()
        cat.quit()
        cat = Catalogue(directory.url, data)  # a fresh cache: the directory must be asked
        port = cat.port
        start = time.monotonic()
        status, _, home = request(port, "GET", "/")
        took = time.monotonic() - start
        print("     the unreachable page took %.2f s" % took)
        check(status == 200 and "Каталог станций сейчас недоступен" in home and "Радио Маяк" in home,
              "with the directory stopped the home page says so and shows the favourites")
    finally:
        cat.quit() if cat.proc.poll() is None else None
        directory.stop()
        shutil.rmtree(os.path.join(os.environ["WINEPREFIX"], "drive_c", folder), ignore_errors=True)


def program_checks():
    """The real volnar.exe serves its catalogue at the fixed port."""
    exe = os.path.join(harness.win_dir(), "volnar.exe")
    proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = harness.wait_player_window(proc)
        check(window is not None, "volnar.exe shows its window")
        status, body = 0, ""
        for _ in range(50):
            try:
                status, _, body = request(47471, "GET", "/")
                break
            except OSError:
                time.sleep(0.2)
        check(status == 200 and "<title>Каталог станций</title>" in body,
              "volnar.exe answers its catalogue's home page at 127.0.0.1:47471 (%d)" % status)
        status, _, _ = request(47471, "GET", "/", host="evil.example")
        check(status == 421, "volnar.exe's catalogue refuses a foreign Host (%d)" % status)
    finally:
        harness.close_player(proc)


def main():
    harness.hold_wine_session()
    tmp = tempfile.mkdtemp(prefix="volnar-e2e-catalogue-")
    try:
        catalogue_checks(tmp)
        program_checks()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all catalogue checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
