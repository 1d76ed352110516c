#!/usr/bin/env python3
"""The titles heard, end to end: the real volnar.exe under Wine plays a mount of a real
Icecast2 server (an own station of the user's, started with the Play button as the
stored last station) whose title is changed twice through Icecast's admin interface;
the catalogue's "Недавние" page then lists both titles, newest first, each with the
station's name, and catalogue.json keeps them after the player has ended.

Run: python3 tests/e2e/test_history.py   (exit 0 on success; skipped without icecast2 or
ffmpeg)
"""

import html
import json
import os
import re
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
from test_hostile import catalogue_port  # noqa: E402
from icecast import Icecast  # noqa: E402

STATION = "Ледяная волна"
FIRST, SECOND = "Первая группа - Утренняя песня", "Вторая группа - Вечерняя & ночная"
ROW = re.compile(r'<div class="tt">.*?<span class="title">(.*?)</span><div class="meta">(.*?)</div>', re.S)


def titles_listed(port):
    """(title, station) of every row of the titles heard on the catalogue's /recent page."""
    head, body, _ = harness.http_get(port, "/recent", seconds=5)
    if b" 200 " not in head.split(b"\r\n", 1)[0]:
        return []
    return [(html.unescape(t), html.unescape(s)) for t, s in ROW.findall(body.decode("utf-8", "replace"))]


def wait_listed(port, title, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        rows = titles_listed(port)
        if any(t == title for t, _ in rows):
            return rows
        time.sleep(0.5)
    return titles_listed(port)


class TitleHistoryTest(unittest.TestCase):
    def test_the_recent_page_lists_the_titles_heard(self):
        if not shutil.which("icecast2") or not shutil.which("ffmpeg"):
            self.skipTest("icecast2 or ffmpeg is not installed")
        icecast = Icecast()
        self.addCleanup(icecast.stop)
        icecast.start_source()
        url = icecast.url()

        # The prefix's stored catalogue waits aside; this run starts from one own station.
        stored = self.enterContext(harness.stored_catalogue(
            {"version": 1, "favourites": [], "own": [{"id": "1", "name": STATION, "url": url}], "history": []}))

        cap = harness.Capture()
        player = harness.start_player_with(url, cap)
        try:
            port = catalogue_port()
            self.assertIsNotNone(port, "the catalogue did not listen")
            self.assertTrue(harness.press_play(player), "no Play button to press")
            icecast.set_title(FIRST)
            rows = wait_listed(port, FIRST)
            self.assertIn((FIRST, STATION), rows, "the first title is not on the page")
            icecast.set_title(SECOND)
            rows = wait_listed(port, SECOND)
            print("listed: %s" % rows)
            self.assertEqual(rows, [(SECOND, STATION), (FIRST, STATION)])
            self.assertIsNone(player.poll(), "volnar.exe ended")
        finally:
            harness.close_player(player)
        with open(stored, encoding="utf-8") as f:
            kept = json.load(f).get("titles", [])
        self.assertEqual([(t.get("title"), t.get("url")) for t in kept], [(SECOND, url), (FIRST, url)])


def setUpModule():
    harness.hold_wine_session()


def tearDownModule():
    harness.remove_captures()


if __name__ == "__main__":
    unittest.main(verbosity=2)
