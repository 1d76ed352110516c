#!/usr/bin/env python3
"""A TCP proxy between a listener and a stream server that breaks the listener's
connection the ways real networks do, for the reconnection tests.

    python3 tools/fault_proxy.py --target 127.0.0.1:8000 [--port 0] [--port-file F]
        [--reset-after S | --stall-after S] [--refuse K] [--rate-after B]

  --reset-after S  S seconds after the first connection was accepted, close it with a
                   zero linger: the listener gets a reset, and its kernel drops what it
                   held unread.
  --stall-after S  S seconds after the first connection was accepted, stop forwarding to
                   the listener and keep its socket open (no close, no reset ever: a dead
                   wireless link). What the server sends meanwhile is read and dropped, so
                   the server does not notice.
  --refuse K       after the fault, the next K connections are accepted and reset at once
                   (a server or link that is not back yet).
  --rate-after B   connections made after the fault get at most B bytes/s: a slow link,
                   over which a server's burst on connect takes a while to arrive.

Only the first connection is broken; the later ones are forwarded as they come.
Importable: FaultProxy(...).start() runs it on threads of this process; .stats() tells
how many connections came, which were refused, and whether the listener closed the
stalled one.
"""

import argparse
import select
import socket
import struct
import sys
import threading
import time


class FaultProxy:
    def __init__(self, target, port=0, reset_after=None, stall_after=None, refuse=0, rate_after=None):
        host, _, p = target.rpartition(":")
        self.target = (host or "127.0.0.1", int(p))
        self.reset_after = reset_after
        self.stall_after = stall_after
        self.refuse = refuse
        self.rate_after = rate_after
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", port))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        self.lock = threading.Lock()
        self.connections = 0  # accepted so far
        self.refused = 0
        self.faulted_at = None  # monotonic time of the fault
        self.stalled_closed_at = None  # when the listener closed the stalled connection
        self.forwarded = 0  # bytes sent to listeners
        self.closing = False
        self.threads = []

    # ---- running

    def start(self):
        t = threading.Thread(target=self.serve, daemon=True)
        t.start()
        self.threads.append(t)
        return self

    def stop(self):
        self.closing = True
        try:
            self.listener.close()
        except OSError:
            pass

    def stats(self):
        with self.lock:
            return {
                "connections": self.connections,
                "refused": self.refused,
                "faulted": self.faulted_at is not None,
                "stalled_closed_after": (None if self.stalled_closed_at is None or self.faulted_at is None
                                         else self.stalled_closed_at - self.faulted_at),
                "forwarded": self.forwarded,
            }

    def serve(self):
        while not self.closing:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            with self.lock:
                self.connections += 1
                number = self.connections
                refuse = self.faulted_at is not None and self.refused < self.refuse
                if refuse:
                    self.refused += 1
            if refuse:
                reset(client)
                continue
            with self.lock:
                rate = self.rate_after if self.faulted_at is not None else None
            t = threading.Thread(target=self.forward, args=(client, number == 1, rate), daemon=True)
            t.start()

    def forward(self, client, broken, rate=None):
        try:
            upstream = socket.create_connection(self.target, timeout=5)
        except OSError:
            reset(client)
            return
        accepted = time.monotonic()
        fault_at = None
        if broken and self.reset_after is not None:
            fault_at = accepted + self.reset_after
        if broken and self.stall_after is not None:
            fault_at = accepted + self.stall_after
        stalled = False
        try:
            while not self.closing:
                now = time.monotonic()
                if fault_at is not None and not stalled and now >= fault_at:
                    with self.lock:
                        self.faulted_at = now
                    if self.reset_after is not None:
                        reset(client)
                        upstream.close()
                        return
                    stalled = True
                wait = 0.05 if fault_at is None or stalled else max(0.0, min(0.05, fault_at - now))
                ready, _, _ = select.select([client, upstream], [], [], wait)
                if client in ready:
                    data = recv(client)
                    if not data:
                        if stalled:
                            with self.lock:
                                self.stalled_closed_at = time.monotonic()
                        return
                    if not stalled:
                        upstream.sendall(data)
                if upstream in ready:
                    data = recv(upstream, int(rate * 0.02) if rate else 65536)
                    if not data:
                        if not stalled:
                            client.shutdown(socket.SHUT_WR)
                            drain(client)
                        return
                    if not stalled:
                        client.sendall(data)
                        with self.lock:
                            self.forwarded += len(data)
                        if rate:
                            time.sleep(len(data) / rate)
        except OSError:
            pass
        finally:
            for s in (client, upstream):
                try:
                    s.close()
                except OSError:
                    pass


def recv(s, size=65536):
    try:
        return s.recv(size)
    except OSError:
        return b""


def drain(s):
    s.settimeout(2)
    try:
        while s.recv(65536):
            pass
    except OSError:
        pass


def reset(s):
    """Closes `s` with a zero linger: the peer gets a reset, not an orderly close."""
    try:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    s.close()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--target", required=True, help="host:port of the server")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--reset-after", type=float)
    ap.add_argument("--stall-after", type=float)
    ap.add_argument("--refuse", type=int, default=0)
    ap.add_argument("--rate-after", type=float)
    a = ap.parse_args()
    if a.reset_after is not None and a.stall_after is not None:
        ap.error("--reset-after and --stall-after exclude each other")
    proxy = FaultProxy(a.target, a.port, a.reset_after, a.stall_after, a.refuse, a.rate_after)
    if a.port_file:
        with open(a.port_file, "w") as f:
            f.write("%d\n" % proxy.port)
    print("listening on 127.0.0.1:%d -> %s:%d" % ((proxy.port,) + proxy.target), flush=True)
    try:
        proxy.serve()
    except KeyboardInterrupt:
        pass
    print(proxy.stats())
    return 0


if __name__ == "__main__":
    sys.exit(main())
