#!/usr/bin/env python3
"""Local station catalogue for the Volnar Radio demo: the page the player's browser opens.

Standard library only. Listens on 127.0.0.1 only.

    python3 tools/catalogue.py --port 8760 --station http://127.0.0.1:8765 [--port-file FILE]

Every path answers the catalogue page (the player opens "http://<host>" with no path):
play: links to the demo stations of tools/station.py, a new: link that opens the page's
"about" text in the default web browser, a playmain: link naming the default station, and
a cookie of its own ("volnar_visits", counting the visits) that the player keeps between
runs. /about is a plain page for the new: link.
"""

import argparse
import html
import http.cookies
import http.server
import os
import signal
import socketserver
import sys
import threading

DEMOS = [
    (1, "Volnar Demo 1: MP3 128k"),
    (2, "Volnar Demo 2: AAC"),
    (3, "Volnar Demo 3: MP3 64k chunked"),
    (4, "Volnar Demo 4: AAC 48k"),
]

QUIET = False


def catalogue_page(station, own, visits):
    rows = "\n".join(
        '<li><a href="play:%s/demo/%d">%s</a></li>' % (html.escape(station), n, html.escape(name))
        for n, name in DEMOS)
    return """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Волнар-радио: каталог</title>
<style>
body {{ margin: 0; background: #e5f7ff; font: 13px Tahoma, sans-serif; }}
/* The window's logo, header picture and control strip lie over the top 131 px:
   the placeholder's bands under the pictures, the heading in the free row
   between the logo and the strip (y 62..92), the links below the strip. */
.band {{ height: 52px; background: #dff6ff; border-bottom: 10px solid #fff; }}
h1 {{ font-size: 15px; color: #1f6f9f; margin: 0; padding: 0 16px; height: 30px; line-height: 30px; }}
.main {{ padding: 45px 16px 8px; }}
ul {{ margin: 0; }} li {{ margin: 4px 0; }} a {{ color: #0069a8; }}
#cookie {{ color: #555; margin-top: 14px; }}
</style></head>
<body>
<div class="band"></div>
<h1>Демо-станции</h1>
<div class="main">
<ul>
{rows}
</ul>
<p><a href="new:{own}/about">О каталоге (откроется в браузере)</a></p>
<a href="playmain:{station}/demo/1"></a>
<p id="cookie">Визит № {visits}.</p>
</div>
<script>
document.getElementById("cookie").innerHTML += " Cookie: " + document.cookie;
</script>
</body></html>
""".format(rows=rows, own=html.escape(own), station=html.escape(station), visits=visits)


ABOUT = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Volnar catalogue</title></head>"
         "<body><p>The local demo catalogue of Volnar Radio.</p></body></html>\n")


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "VolnarCatalogue/1"

    def do_GET(self):
        if self.path.split("?")[0] == "/about":
            self.answer(ABOUT.encode("utf-8"))
            return
        jar = http.cookies.SimpleCookie()
        try:
            jar.load(self.headers.get("Cookie", ""))
        except http.cookies.CookieError:
            pass
        try:
            visits = int(jar["volnar_visits"].value) + 1 if "volnar_visits" in jar else 1
        except ValueError:
            visits = 1
        own = "http://%s" % self.headers.get("Host", "127.0.0.1:%d" % self.server.server_address[1])
        page = catalogue_page(self.server.station, own, visits).encode("utf-8")
        self.answer(page, [("Set-Cookie", "volnar_visits=%d; Path=/" % visits)])

    def answer(self, body, extra=()):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        if not QUIET:
            sys.stderr.write("catalogue: %s\n" % (fmt % args))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global QUIET
    ap = argparse.ArgumentParser(description="Volnar demo catalogue")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--station", required=True, help="base address of tools/station.py")
    ap.add_argument("--quiet", action="store_true")
    args = ap.parse_args()
    QUIET = args.quiet
    server = Server(("127.0.0.1", args.port), Handler)
    server.station = args.station.rstrip("/")

    def stop(signum, frame):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(tmp, args.port_file)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
