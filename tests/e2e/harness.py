"""Shared helpers of the end-to-end checks and benchmarks.

- Station: starts tools/station.py on a free port (or reuses $VOLNAR_STATION) and stops it.
- Capture: records a private PulseAudio null sink (real-time pace) into out.raw while one
  Windows program under Wine plays into it through Wine's pulse driver.
- run_wine: runs a Windows program with such a capture and a time-out, recording each
  line of its output with the time it arrived.
- read_pcm, rms, frequency, blocks: what the captured audio sounds like (pure Python).
"""

import array
import atexit
import contextlib
import getpass
import glob
import json
import math
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CAPTURE_RATE = 44100  # the engine's output rate; the capture is 16-bit LE stereo


# ---------------------------------------------------------------- station

class Station:
    """A test station: the one of $VOLNAR_STATION, or a fresh one of our own."""

    def __init__(self, reuse=True, tls=True):
        self.proc = None
        self.url = os.environ.get("VOLNAR_STATION", "") if reuse else ""
        if self.url and not self.url.rstrip("/").split(":")[-1].isdigit():
            self.url = ""
        self.tls = tls
        self.https = {}  # certificate name -> "https://localhost:PORT"
        if self.url:
            for name in ("good", "wronghost", "untrusted"):
                if os.environ.get("VOLNAR_HTTPS_" + name.upper()):
                    self.https[name] = os.environ["VOLNAR_HTTPS_" + name.upper()]
        self.tmp = None

    def __enter__(self):
        if not self.url:
            self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        self.tmp = tempfile.mkdtemp(prefix="volnar-station-")
        port_file = os.path.join(self.tmp, "port")
        tls_file = os.path.join(self.tmp, "tls")
        self.log = open(os.path.join(self.tmp, "station.log"), "w")
        cmd = [sys.executable, os.path.join(ROOT, "tools", "station.py"), "--port", "0", "--port-file", port_file]
        if self.tls and trust_test_authority(os.path.join(self.tmp, "certs")):
            cmd += ["--tls-dir", os.path.join(self.tmp, "certs"), "--tls-port-file", tls_file]
        self.proc = subprocess.Popen(cmd, stdout=self.log, stderr=self.log)
        for _ in range(100):
            if os.path.exists(port_file):
                with open(port_file) as f:
                    port = f.read().strip()
                if port:
                    self.url = "http://127.0.0.1:" + port
                    if os.path.exists(tls_file):
                        with open(tls_file) as f:
                            for line in f:
                                name, tls_port = line.split()
                                self.https[name] = "https://localhost:" + tls_port
                    return
            if self.proc.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("the test station did not start")

    def stop(self):
        if self.proc is not None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            finally:
                if self.proc.poll() is None:
                    self.proc.kill()
                self.log.close()
            self.proc = None

    @property
    def port(self):
        return int(self.url.rstrip("/").rsplit(":", 1)[1])


def trust_test_authority(dir):
    """Makes test certificates in `dir` and adds their authority to the prefix's Current
    User Root store (tools/make-test-certs.sh, trustca). False when that cannot be done."""
    if not shutil.which("openssl"):
        return False
    try:
        tool = tool_exe("trustca")
    except FileNotFoundError:
        return False
    if subprocess.run(["bash", os.path.join(ROOT, "tools", "make-test-certs.sh"), dir],
                      capture_output=True).returncode != 0:
        return False
    ensure_prefix()
    pem = subprocess.run(["winepath", "-w", os.path.join(dir, "ca.pem")], capture_output=True,
                         text=True).stdout.strip()
    return subprocess.run(["wine", tool, pem], capture_output=True).returncode == 0


def http_get(port, target, headers=(), seconds=2.0, max_bytes=None):
    """Raw GET; returns (header bytes, body bytes, closed_by_server) after `seconds`."""
    s = socket.create_connection(("127.0.0.1", port), timeout=5)
    req = "GET %s HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n" % (target, port)
    req += "".join("%s: %s\r\n" % h for h in headers) + "\r\n"
    s.sendall(req.encode("latin-1"))
    data = bytearray()
    closed = False
    end = time.monotonic() + seconds
    try:
        while time.monotonic() < end and (max_bytes is None or len(data) < max_bytes):
            s.settimeout(max(0.01, end - time.monotonic()))
            try:
                piece = s.recv(65536)
            except socket.timeout:
                break
            except ConnectionResetError:
                closed = True
                break
            if not piece:
                closed = True
                break
            data += piece
    finally:
        s.close()
    head, sep, body = bytes(data).partition(b"\r\n\r\n")
    if not sep:
        return bytes(data), b"", closed
    return head, body, closed


# ---------------------------------------------------------------- Wine

def win_dir():
    """The Windows build that runs here: build/win32, or build/win64 on a machine that
    runs no 32-bit programs ($VOLNAR_WIN_DIR, set by tools/wine-env.sh)."""
    if not os.environ.get("VOLNAR_WIN_DIR"):
        wine_environment()
    return os.environ["VOLNAR_WIN_DIR"]


def tool_exe(name):
    """<name>.exe in the Windows build, or <name>_win.exe as the build names tools/<name>_win.cpp."""
    for n in (name + ".exe", name + "_win.exe"):
        p = os.path.join(win_dir(), n)
        if os.path.exists(p):
            return p
    raise FileNotFoundError("%s.exe is not built in %s" % (name, win_dir()))


_WINE_VARIABLES = ("VOLNAR_WIN_WIDTH", "VOLNAR_WIN_DIR", "WINEARCH", "WINELOADER", "PATH",
                   "WINEDEBUG")


def wine_environment(prefix_base=None):
    """Takes the Windows width, build folder and Wine launcher that tools/wine-env.sh picks
    for this machine (and, given `prefix_base`, makes or keeps a prefix there)."""
    script = 'source "$0/tools/wine-env.sh"'
    if prefix_base:
        script += ' && volnar_wine_prefix "$1" && echo "WINEPREFIX=$WINEPREFIX" && ' \
                  'echo "WINEDLLOVERRIDES=$WINEDLLOVERRIDES"'
    for name in _WINE_VARIABLES:
        script += ' && echo "%s=${%s:-}"' % (name, name)
    out = subprocess.run(["bash", "-c", script, ROOT, prefix_base or ""],
                         capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        k, _, v = line.partition("=")
        if v:
            os.environ[k] = v


def ensure_prefix():
    """Keeps $WINEPREFIX (the test command's); otherwise makes one with tools/wine-env.sh."""
    if os.environ.get("WINEPREFIX"):
        return
    wine_environment(os.environ.get("VOLNAR_E2E_PREFIX", "/tmp/volnar-e2e-wine"))


_session = None


def hold_wine_session():
    """Keeps one Wine program of ours (tools/wine_session) running in the prefix until
    this process ends. Without it each program started alone starts the session's
    system processes and, at its end, waits for them to go (a second or more a run),
    and a player deleting its tray icon as the last one waits 2 s more."""
    global _session
    if _session_held():
        return
    ensure_prefix()
    _session = subprocess.Popen(["wine", tool_exe("wine_session")], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    atexit.register(_end_wine_session)
    # A program started while the session's system processes are still starting can
    # hang there: the others wait until the session is up.
    if select.select([_session.stdout], [], [], 60)[0]:
        _session.stdout.readline()


def _session_held():
    return _session is not None and _session.poll() is None


def _end_wine_session():
    if not _session_held():
        return
    _session.stdin.close()  # the program ends with its input
    try:
        _session.wait(10)
    except subprocess.TimeoutExpired:
        _session.kill()
        _session.wait()


def registry_settled():
    """After a Wine tool changed the registry: waits until the next Wine program will see
    the change. In a held session it does at once; otherwise the session's server may be
    ending, and a new one reads the registry from its files only after the old one has
    written them, so this waits for the server to end."""
    if _session_held():
        return
    subprocess.run(["wineserver", "-w"])


_captures = []


def remove_captures():
    """Ends the recordings and deletes the capture folders made so far (the folders stay
    when $VOLNAR_KEEP_CAPTURES is set)."""
    for cap in list(_live):
        cap.stop()
    if os.environ.get("VOLNAR_KEEP_CAPTURES"):
        return
    while _captures:
        shutil.rmtree(_captures.pop(), ignore_errors=True)


# ---------------------------------------------------------------- paced sound

class PulseServer:
    """A private PulseAudio server with one null sink, "cap", that plays at real-time
    rate. The test command starts one ($VOLNAR_PULSE_SERVER); without it the harness
    starts its own, once per process, and ends it at exit."""

    _own = None

    @classmethod
    def address(cls):
        given = os.environ.get("VOLNAR_PULSE_SERVER")
        if given:
            return given
        if cls._own is None:
            cls._own = cls()
        return cls._own.server

    @classmethod
    def log_path(cls):
        """The server's log, at debug level: where it says that a client ran short."""
        if os.environ.get("VOLNAR_PULSE_SERVER"):
            return os.environ.get("VOLNAR_PULSE_LOG")
        cls.address()
        return cls._own.log

    def __init__(self):
        if not shutil.which("pulseaudio") or not shutil.which("parec"):
            raise RuntimeError("pulseaudio and parec are needed (bash tools/install-deps.sh)")
        self.dir = tempfile.mkdtemp(prefix="volnar-pulse-")  # short: the socket path has a limit
        home = os.path.join(self.dir, "home")
        os.makedirs(home)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=self.dir, XDG_CONFIG_HOME=home)
        env.pop("PULSE_SERVER", None)
        self.log = os.path.join(self.dir, "server.log")  # a daemon's stderr goes nowhere
        with open(os.path.join(self.dir, "pulseaudio.log"), "w") as log:
            subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n",
                            "--use-pid-file=yes", "--log-target=file:" + self.log, "--log-level=debug",
                            "--load=module-null-sink sink_name=cap rate=%d channels=2" % CAPTURE_RATE,
                            "--load=module-native-protocol-unix auth-anonymous=1"],
                           env=env, stdout=log, stderr=log, check=True, timeout=30)
        pid_file = os.path.join(self.dir, "pulse", "pid")
        for _ in range(100):
            if os.path.exists(pid_file) and open(pid_file).read().strip():
                break
            time.sleep(0.05)
        self.pid = int(open(pid_file).read().strip())
        self.server = "unix:" + os.path.join(self.dir, "pulse", "native")
        atexit.register(self.stop)

    def stop(self):
        try:
            os.kill(self.pid, signal.SIGTERM)
        except OSError:
            pass
        shutil.rmtree(self.dir, ignore_errors=True)


_wine_driver_set = False


def use_pulse_driver():
    """Sets the prefix's audio driver to Wine's pulse driver (once per process)."""
    global _wine_driver_set
    if _wine_driver_set:
        return
    ensure_prefix()
    out = subprocess.run(["wine", "reg", "query", r"HKCU\Software\Wine\Drivers", "/v", "Audio"],
                         capture_output=True, text=True).stdout
    if "pulse" not in out:
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/d", "pulse",
                        "/f"], capture_output=True)
        registry_settled()
    _wine_driver_set = True


_live = set()
_awake = {}  # sound server -> the recorder that keeps its sink rendering


def keep_sink_awake(server):
    """A null sink renders only as often as its connected clients ask; with none it
    sleeps for up to about 2 s at a time, so a recorder that connects then waits that
    long for its first sample. One low-latency recorder of ours, reading into nothing,
    stays connected to `server` until this process ends (once per server)."""
    if server in _awake and _awake[server].poll() is None:
        return
    proc = subprocess.Popen(["parec", "-d", "cap.monitor", "--raw", "--latency-msec=20"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=dict(os.environ, PULSE_SERVER=server))
    _awake[server] = proc
    atexit.register(proc.kill)


class Capture:
    """Records everything played into the private sound server's null sink to out.raw
    (raw 16-bit LE stereo, 44100 Hz), from the moment it is made until stop(). The sink
    plays at real-time rate, so gaps and repeats in the output are real. Made under
    $VOLNAR_WORK when the test command sets it, else in the temp folder. One program
    at a time: the sink hears every client."""

    def __init__(self, dir=None):
        if dir is None:
            base = os.environ.get("VOLNAR_WORK")
            dir = tempfile.mkdtemp(prefix="volnar-capture-", dir=base if base and os.path.isdir(base) else None)
            _captures.append(dir)
        self.dir = dir
        self.home = os.path.join(self.dir, "home")
        self.out = os.path.join(self.dir, "out.raw")
        os.makedirs(self.home, exist_ok=True)
        self.server = PulseServer.address()
        self.server_log = PulseServer.log_path()
        self.server_log_from = os.path.getsize(self.server_log) if self.server_log and os.path.exists(self.server_log) else None
        keep_sink_awake(self.server)
        use_pulse_driver()
        self.started = time.monotonic()
        with open(self.out, "wb") as out, open(os.path.join(self.dir, "parec.log"), "wb") as log:
            self.proc = subprocess.Popen(
                ["parec", "-d", "cap.monitor", "--raw", "--format=s16le", "--rate=%d" % CAPTURE_RATE,
                 "--channels=2", "--latency-msec=20"],
                stdout=out, stderr=log, env=dict(os.environ, PULSE_SERVER=self.server))
        _live.add(self)
        self.started = recording_started(self.proc, self.out, self.started)

    def env(self, base=None):
        env = dict(base or os.environ)
        env["PULSE_SERVER"] = self.server
        env.pop("PULSE_SINK", None)
        env["VOLNAR_AUDIO_OUT"] = self.out
        env.setdefault("WINEDEBUG", "-all")
        # Wine's pulse driver asks the sound server for three 10 ms periods only, so a
        # timer thread of Wine's that is 30 ms late breaks the sound whatever the program
        # queued (bench/README.md, underruns); on Windows the system mixer reads the
        # endpoint buffer. The checks hear the program with a 100 ms server buffer, as
        # the Windows tests do.
        env.setdefault("PULSE_LATENCY_MSEC", "100")
        return env

    def server_underruns(self):
        """How often, while this capture recorded, the sound server found a client's
        stream empty ("underrun" in its debug log): a break made below the program's
        output. None when the server keeps no such log."""
        if self.server_log_from is None:
            return None
        with open(self.server_log, "rb") as f:
            f.seek(self.server_log_from)
            text = f.read().decode("utf-8", "replace")
        return len(re.findall(r"[Uu]nderrun (?:of|on) '", text))

    def stop(self, drain=0.3):
        """Ends the recording, after `drain` seconds for the last samples to arrive."""
        if self.proc is None:
            return
        time.sleep(drain)
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.proc = None
        _live.discard(self)

    def samples(self, channel=0):
        self.stop()
        return read_pcm(self.out, channel)


class Run:
    """One finished program run: exit code, lines as (ms since start, text), time-out flag."""

    def __init__(self, rc, lines, timed_out, seconds):
        self.rc = rc
        self.lines = lines
        self.timed_out = timed_out
        self.seconds = seconds

    def events(self, prefix):
        """Lines of the driver "MS ms: prefix ..." as (driver ms, rest after the prefix)."""
        out = []
        for _, text in self.lines:
            ms, sep, rest = text.partition(" ms: ")
            if sep and ms.strip().isdigit() and rest.startswith(prefix):
                out.append((int(ms), rest[len(prefix):].strip()))
        return out

    def text(self):
        return "\n".join(t for _, t in self.lines)


def run_wine(exe, args, capture, timeout, env=None, on_line=None):
    """Runs `wine exe args` playing into the capture; kills it after `timeout` seconds.
    The capture's recording ends with the run."""
    ensure_prefix()
    env = capture.env(env)
    start = time.monotonic()
    proc = subprocess.Popen(["wine", exe] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, env=env, start_new_session=True,
                            cwd=os.path.dirname(exe))
    lines = []

    def reader():
        for raw in proc.stdout:
            t = int((time.monotonic() - start) * 1000)
            text = raw.decode("cp1251", "replace").rstrip("\r\n")
            lines.append((t, text))
            if on_line:
                on_line(t, text)

    th = threading.Thread(target=reader, daemon=True)
    th.start()
    timed_out = False
    try:
        proc.wait(timeout)
    except subprocess.TimeoutExpired:
        timed_out = True
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except OSError:
            pass
        proc.wait()
    th.join(5)
    proc.stdout.close()
    capture.stop()
    return Run(proc.returncode, lines, timed_out, time.monotonic() - start)


# ---------------------------------------------------------------- X windows

def x_windows():
    """(id, name, class, width, height, x, y) of every window xwininfo lists."""
    out = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    rows = []
    pattern = re.compile(r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((.*?)\)\s+'
                         r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)')
    for line in out.splitlines():
        m = pattern.match(line)
        if m:
            wid, name, cls, w, h, _, _, ax, ay = m.groups()
            rows.append((wid, name or "", cls, int(w), int(h), int(ax), int(ay)))
    return rows


def net_wm_name(wid):
    """A window's title as the X server has it (UTF-8)."""
    out = subprocess.run(["xprop", "-id", wid, "_NET_WM_NAME", "WM_NAME"],
                         capture_output=True, text=True).stdout
    m = re.search(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"', out)
    return m.group(1).replace('\\"', '"') if m else ""


def player_window(width=600, height=637):
    """The row of x_windows() of volnar.exe's main window (by its size), or None."""
    return next((r for r in x_windows() if "volnar.exe" in r[2] and r[3] == width and r[4] == height),
                None)


def wait_player_window(proc, width=600, height=637, seconds=60):
    """Waits for volnar.exe's main window (see player_window) while `proc` runs; its row, or
    None when the time is up or the process ended first."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        window = player_window(width, height)
        if window or proc.poll() is not None:
            return window
        time.sleep(0.1)
    return None


def appdata_folder():
    """The prefix's %APPDATA%\\Volnar, where volnar.exe keeps catalogue.json, as (Linux
    path, Windows path)."""
    users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
    user = getpass.getuser()
    if not os.path.isdir(os.path.join(users, user)):
        user = next(u for u in sorted(os.listdir(users)) if u != "Public")
    return (os.path.join(users, user, "AppData", "Roaming", "Volnar"),
            "C:\\users\\%s\\AppData\\Roaming\\Volnar" % user)


@contextlib.contextmanager
def stored_catalogue(content):
    """The prefix's catalogue.json with `content` (a dict, stored as JSON) for the run of
    the block: what the player had stored (catalogue.json and the files named after it)
    waits aside meanwhile and comes back afterwards, in place of whatever the run left.
    Gives the stored file's Linux path."""
    folder, _ = appdata_folder()
    os.makedirs(folder, exist_ok=True)
    stored = os.path.join(folder, "catalogue.json")
    aside = tempfile.mkdtemp(prefix="volnar-stored-")
    for old in glob.glob(stored + "*"):
        shutil.move(old, aside)
    try:
        with open(stored, "w", encoding="utf-8") as f:
            json.dump(content, f, ensure_ascii=False)
        yield stored
    finally:
        for p in glob.glob(stored + "*"):
            os.remove(p)
        for p in os.listdir(aside):
            shutil.move(os.path.join(aside, p), folder)
        os.rmdir(aside)


def start_player_with(url, cap):
    """volnar.exe started with `url` stored as its last station, playing into the
    capture `cap`; the process."""
    # No pipes: a Wine process started meanwhile may hold them open after the tool ends.
    subprocess.run(["wine", "reg", "add", r"HKCU\SOFTWARE\Volnar", "/v", "lasturl", "/t", "REG_SZ", "/d", url, "/f"],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    registry_settled()
    exe = os.path.join(win_dir(), "volnar.exe")
    return subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=cap.env(),
                            cwd=os.path.dirname(exe))


PLAY_BUTTON = ("16", "8", "52", "22")  # inside the control strip


def press_play(proc, width=600, height=637):
    """Presses the player's Play button once its window is up (a minute at most);
    False when the window never came or the program ended."""
    for _ in range(300):
        pressed = subprocess.run(["wine", tool_exe("press_button"), str(width), str(height), *PLAY_BUTTON],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 timeout=60)
        if pressed.returncode == 0:
            return True
        if proc.poll() is not None:
            return False
        time.sleep(0.2)
    return False


def close_player(proc, env=None, width=600, height=637, seconds=30):
    """Closes volnar.exe's main window the way a user does (tools/close_window) and waits
    for `proc` to end; kills it when it does not end in time. The closer's exit code."""
    # The X window can be up a moment before the program's window counts as visible at
    # its size (the form is still being shown): the closer then finds none, and the
    # player, never asked to close, would be waited for in vain. Ask again while it runs.
    end = time.monotonic() + seconds
    while True:
        # No pipes: a Wine process started meanwhile may hold them open after the tool ends.
        closed = subprocess.run(["wine", tool_exe("close_window"), str(width), str(height), str(seconds)],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env=env, timeout=3 * seconds)
        if closed.returncode == 0 or proc.poll() is not None or time.monotonic() > end - 5:
            break
        time.sleep(0.2)
    try:
        proc.wait(seconds)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return closed.returncode


def player_titles():
    """The titles of volnar.exe's X windows: the application title, the caption..."""
    return [net_wm_name(r[0]) for r in x_windows() if "volnar.exe" in r[2]]


# ---------------------------------------------------------------- audio

def step_changes(seq, steps=32, block=None):
    """The steps back (audio heard twice) and skipped steps (audio lost) in a sequence of
    recognised steps (negative values: silent or unrecognised blocks). Counts, or with
    `block` (seconds a value) the times of each."""
    backs, skips = [], []
    prev = None
    for i, v in enumerate(seq):
        if v < 0 or v == prev:
            continue
        if prev is not None:
            d = (v - prev) % steps
            if d > steps // 2:
                backs.append(i)
            elif d > 1:
                skips.append(i)
        prev = v
    if block is None:
        return len(backs), len(skips)
    return [round(i * block, 2) for i in backs], [round(i * block, 2) for i in skips]


def step_report(samples, rate=CAPTURE_RATE, base=400.0, step=50.0, steps=32, block=0.05):
    """What the stepping fixture (steps400-44k-128.mp3) sounds like in a capture:
    dict with 'sounding' (seconds), 'gaps' (silent blocks between the first and the last
    sound), 'backs' (a step followed by an earlier one: audio heard twice), 'skips' (a
    later one than the next: audio lost) and 'text' (a character per block)."""
    n = int(rate * block)
    seq = []
    for i in range(0, len(samples) - n + 1, n):
        b = samples[i: i + n]
        if rms(b) < 200:
            seq.append(-2)
            continue
        f = frequency(b, rate)
        k = int(round((f - base) / step)) if f else -1
        seq.append(k if f and 0 <= k < steps and abs(f - (base + k * step)) < step * 0.3 else -1)
    heard = [i for i, v in enumerate(seq) if v != -2]
    gaps = sum(1 for i in range(heard[0], heard[-1]) if seq[i] == -2) if heard else 0
    backs, skips = step_changes(seq, steps)
    text = "".join("." if v == -2 else "?" if v == -1 else "0123456789ABCDEFGHIJKLMNOPQRSTUV"[v] for v in seq)
    return {"sounding": len(heard) * block, "gaps": gaps, "backs": backs, "skips": skips, "text": text}


def read_pcm(path, channel=0):
    """One channel of a raw 16-bit LE stereo capture as an array of ints."""
    a = array.array("h")
    with open(path, "rb") as f:
        data = f.read()
    data = data[: len(data) // 4 * 4]
    a.frombytes(data)
    if sys.byteorder != "little":
        a.byteswap()
    return a[channel::2]


def rms(samples):
    if not samples:
        return 0.0
    return math.sqrt(sum(s * s for s in samples) / len(samples))


def first_sound(samples, threshold=64):
    """Index of the first sample whose magnitude passes `threshold`, or None."""
    for i, s in enumerate(samples):
        if s > threshold or s < -threshold:
            return i
    return None


def frequency(samples, rate=CAPTURE_RATE):
    """Frequency of a steady tone from the median time between rising zero crossings
    (interpolated), so short gaps of silence in the capture do not bias it; None if
    there are too few crossings."""
    crossings = []
    for i in range(1, len(samples)):
        a, b = samples[i - 1], samples[i]
        if a < 0 <= b:
            crossings.append(i - 1 + (-a) / (b - a))
    if len(crossings) < 5:
        return None
    periods = [y - x for x, y in zip(crossings, crossings[1:])]
    return rate / median(periods)


def blocks(samples, rate=CAPTURE_RATE, seconds=0.25, silence=200.0):
    """The capture cut into blocks: list of (start second, rms, frequency or None)."""
    n = int(rate * seconds)
    out = []
    for i in range(0, len(samples) - n + 1, n):
        b = samples[i: i + n]
        r = rms(b)
        out.append((i / rate, r, frequency(b, rate) if r >= silence else None))
    return out


def median(values):
    v = sorted(values)
    if not v:
        return None
    m = len(v) // 2
    return v[m] if len(v) % 2 else (v[m - 1] + v[m]) / 2


def tone_report(samples, rate=CAPTURE_RATE):
    """(median tone frequency of the sounding blocks or None, seconds of sound captured)."""
    bl = blocks(samples, rate, seconds=0.05)
    freqs = [b[2] for b in bl if b[2] is not None]
    return median(freqs), len(freqs) * 0.05


def step_report_without_blips(samples, steps=32):
    """step_report, except that a single block heard as another step between blocks of
    one step, or of a step and the next (unrecognised blocks aside), counts as
    unrecognised ('?'), as does a single odd block at the edge of the sound (its start,
    next to a gap, its end): the fixture's loop seam (where a looping source joins the
    file's end to its start), the decoder's first frames and the edge of a step can read
    that way for one 50 ms block. A repeat or a loss from a reconnect lasts far longer
    than one block, so it still counts, and gaps count as before."""
    report = step_report(samples, steps=steps)
    digits = "0123456789ABCDEFGHIJKLMNOPQRSTUV"
    seq = [-2 if c == "." else -1 if c == "?" else digits.index(c) for c in report["text"]]
    def near(i, step):  # the nearest recognised step within two blocks, or None
        for j in (i + step, i + 2 * step):
            if 0 <= j < len(seq) and seq[j] >= 0:
                return seq[j]
            if not 0 <= j < len(seq) or seq[j] != -1:
                return None
        return None

    for i in range(1, len(seq) - 1):
        x = seq[i]
        if x < 0 or seq[i - 1] == x or seq[i + 1] == x:
            continue
        a, b = near(i, -1), near(i, 1)
        # At the edge of the sound (its start, after a gap, its end) one side is enough.
        a = b if a is None else a
        b = a if b is None else b
        if a is not None and x != a and x != b and (b - a) % steps in (0, 1):
            seq[i] = -1
    backs, skips = step_changes(seq, steps)
    text = "".join("." if v == -2 else "?" if v == -1 else digits[v] for v in seq)
    return dict(report, backs=backs, skips=skips, text=text)


def gap_runs(report):
    """The silent stretches between the first and the last sound of a step or tone
    report's text, as lengths in blocks."""
    text = report["text"].strip(".")
    return [len(m) for m in re.findall(r"\.+", text)]


def output_figures(run):
    """The engine output's last account of itself in a vnplay run: (short mixes, late
    passes), or None when it printed none."""
    figures = run.events("output figures: ")
    if not figures:
        return None
    m = re.match(r"short mixes (\d+), late passes (\d+)", figures[-1][1])
    return (int(m.group(1)), int(m.group(2))) if m else None


def program_gaps(report, run, capture):
    """The gaps of a capture that the program made: (count, why). A short gap (two 50 ms
    blocks at most) is the sound path's, not the program's, only when the engine says
    its sources never ran short and its device queue never ran dry while they played
    (vnplay's output figures) and the sound server logged a client running short at
    least as often in the run. Any other gap counts: a dry buffer shows in the engine's
    figures, and audio lost or heard twice is counted apart, as steps left out or
    repeated."""
    return gap_verdict(gap_runs(report), run, capture)


def gap_verdict(runs, run, capture):
    """program_gaps for gaps already measured: `runs` the lengths of the silent
    stretches, in 50 ms blocks."""
    if not runs:
        return 0, "no gap"
    figures = output_figures(run)
    underruns = capture.server_underruns()
    why = "gaps %s blocks; engine figures (short mixes, late passes) %s; sound server underruns %s" % (
        runs, figures, underruns)
    if figures != (0, 0) or not underruns:
        return len(runs), why
    long_ones = [n for n in runs if n > 2]
    short_ones = len(runs) - len(long_ones)
    return len(long_ones) + max(0, short_ones - underruns), why


# ---------------------------------------------------------------- sound server changes

def pulse_load(env, module):
    """Loads a module ("name arg=value ...") into the sound server of env's PULSE_SERVER;
    returns its index as text."""
    return subprocess.run(["pactl", "load-module"] + module.split(), env=env, capture_output=True,
                          text=True, check=True).stdout.strip()


def recording_started(proc, out, fallback, seconds=4.0):
    """The monotonic second at which the recording `proc` writes into `out` began: its
    first sample. A null sink's monitor delivers nothing until the sink's first render,
    which for a sink loaded just before comes up to two seconds after the recorder
    connects, so the time the recorder was started would misplace the recording."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and proc.poll() is None:
        size = os.path.getsize(out)
        if size > 0:
            return time.monotonic() - size / (4.0 * CAPTURE_RATE)
        time.sleep(0.005)
    return fallback


def vnplay(url, seconds, extra=(), during=None):
    """The vnplay tool against `url` for `seconds`, recorded by a Capture of its own;
    `during(t, line)` sees each output line. (run, capture); the output is printed."""
    cap = Capture()
    run = run_wine(tool_exe("vnplay"), [url, str(seconds)] + list(extra), cap, seconds + 60, on_line=during)
    sys.stdout.write("---- vnplay %s (rc %s)\n%s\n" % (url, run.rc, run.text()))
    return run, cap


def record_sink(env, source, out):
    """Records `source` (a sink's monitor) of env's sound server into `out` (raw, as Capture
    does) until stop_process; `proc.started` is the monotonic second of its first sample."""
    started = time.monotonic()
    with open(out, "wb") as f:
        proc = subprocess.Popen(["parec", "-d", source, "--raw", "--format=s16le", "--rate=%d" % CAPTURE_RATE,
                                 "--channels=2", "--latency-msec=20"], stdout=f, stderr=subprocess.DEVNULL, env=env)
    proc.started = recording_started(proc, out, started)
    return proc


def wait_listening(port, seconds=10):
    """True once something accepts connections on the loopback `port`."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def stop_process(proc, seconds=5):
    """Ends `proc`: asked first, killed when it has not ended after `seconds`."""
    if proc.poll() is None:
        proc.terminate()
    try:
        proc.wait(seconds)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()

