#!/usr/bin/env python3
"""A local stand-in for the public station directory, for tests and the run command.

Standard library only; listens on 127.0.0.1 only, plain HTTP.

    python3 tools/directory_standin.py --port 0 --port-file FILE --station http://127.0.0.1:8765
        [--fixture tests/fixtures/directory/stations.json] [--log FILE] [--timing-log FILE]

Answers the API paths the player's catalogue uses, with the directory's field names:
/json/stations/search (name, countrycode, tag[Exact], language[Exact], codec, bitrateMin,
order, reverse, hidebroken, offset, limit), /json/stations/byuuid/<uuid>, /json/tags,
/json/countries, /json/languages, and /json/url/<uuid> (a play: counted, logged as
"click <uuid>"). "{station}" in the fixture's addresses becomes --station. Each request
is logged as one line "GET <path> <User-Agent>" to --log; --timing-log gets
"<epoch seconds> <path>" once an answer has been sent (for the benchmarks).
"""

import argparse
import http.server
import json
import os
import socketserver
import sys
import threading
import time
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def load(fixture, station):
    with open(fixture, encoding="utf-8") as f:
        text = f.read().replace("{station}", station)
    return json.loads(text)


def text(s, key):
    v = s.get(key)
    return v if isinstance(v, str) else ""


def number(s, key):
    v = s.get(key)
    try:
        return int(v)
    except (TypeError, ValueError):
        return 0


def search(stations, q):
    def one(name):
        return q.get(name, [""])[0]
    out = list(stations)
    if one("name"):
        out = [s for s in out if one("name").lower() in text(s, "name").lower()]
    if one("countrycode"):
        out = [s for s in out if text(s, "countrycode").upper() == one("countrycode").upper()]
    if one("tag"):
        tag = one("tag").lower()
        out = [s for s in out if tag in [t.strip().lower() for t in text(s, "tags").split(",")]]
    if one("language"):
        lang = one("language").lower()
        out = [s for s in out if lang in [t.strip().lower() for t in text(s, "language").split(",")]]
    if one("codec"):
        out = [s for s in out if text(s, "codec").upper() == one("codec").upper()]
    if one("bitrateMin"):
        out = [s for s in out if number(s, "bitrate") >= int(one("bitrateMin"))]
    if one("hidebroken") == "true":
        out = [s for s in out if s.get("lastcheckok") in (1, True)]
    order = one("order") or "name"
    key = {"clickcount": lambda s: number(s, "clickcount"), "bitrate": lambda s: number(s, "bitrate"),
           "votes": lambda s: number(s, "votes")}.get(order, lambda s: text(s, "name").lower())
    out.sort(key=key, reverse=one("reverse") == "true")
    offset = int(one("offset") or 0)
    limit = int(one("limit") or 100000)
    return out[offset:offset + limit]


def counts(stations, field, code_field):
    seen = {}
    for s in stations:
        if s.get("lastcheckok") not in (1, True):
            continue
        names = [text(s, field)] if field == "country" else text(s, field).split(",")
        for n in names:
            n = n.strip()
            if not n:
                continue
            entry = seen.setdefault(n, {"name": n, "stationcount": 0})
            if code_field:
                entry[code_field] = text(s, "countrycode") if field == "country" else ""
            entry["stationcount"] += 1
    return sorted(seen.values(), key=lambda e: -e["stationcount"])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--station", default="http://127.0.0.1:8765")
    ap.add_argument("--fixture", default=os.path.join(ROOT, "tests", "fixtures", "directory", "stations.json"))
    ap.add_argument("--log")
    ap.add_argument("--timing-log")
    ap.add_argument("--quiet", action="store_true")
    args = ap.parse_args()
    stations = load(args.fixture, args.station.rstrip("/"))
    log_lock = threading.Lock()

    def log(line):
        if args.log:
            with log_lock, open(args.log, "a", encoding="utf-8") as f:
                f.write(line + "\n")

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *a):
            if not args.quiet:
                super().log_message(*a)

        def answer(self, body, status=200):
            data = json.dumps(body, ensure_ascii=False).encode("utf-8")
            self.send_response(status)
            self.send_header("Content-Type", "application/json; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data)
            self.wfile.flush()
            if args.timing_log:
                with log_lock, open(args.timing_log, "a") as f:
                    f.write("%.6f %s\n" % (time.time(), self.path))

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            q = urllib.parse.parse_qs(url.query)
            path = url.path
            log("GET %s %s" % (self.path, self.headers.get("User-Agent", "")))
            if path == "/json/stations/search":
                self.answer(search(stations, q))
            elif path.startswith("/json/stations/byuuid/"):
                uuid = urllib.parse.unquote(path.rsplit("/", 1)[1])
                self.answer([s for s in stations if s.get("stationuuid") == uuid])
            elif path == "/json/tags":
                self.answer(counts(stations, "tags", None)[:int(q.get("limit", ["100"])[0])])
            elif path == "/json/countries":
                self.answer(counts(stations, "country", "iso_3166_1"))
            elif path == "/json/languages":
                self.answer(counts(stations, "language", "iso_639")[:int(q.get("limit", ["100"])[0])])
            elif path.startswith("/json/url/"):
                uuid = urllib.parse.unquote(path.rsplit("/", 1)[1])
                match = [s for s in stations if s.get("stationuuid") == uuid]
                log("click %s" % uuid)
                self.answer({"ok": bool(match), "message": "retrieved station url" if match else "not found",
                             "stationuuid": uuid, "name": text(match[0], "name") if match else "",
                             "url": text(match[0], "url") if match else ""})
            else:
                self.answer({"error": "not found"}, 404)

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True
        allow_reuse_address = True

    server = Server(("127.0.0.1", args.port), Handler)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(tmp, args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
