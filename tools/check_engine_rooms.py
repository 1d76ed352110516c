#!/usr/bin/env python3
"""The engine's rooms, one a stage, include only the rooms below them (so there is no
circle). Prints the rooms' graph; exits 1 on an include of a room above, a file
outside the rooms, or an include of a header that is not in one.

    python3 tools/check_engine_rooms.py [ROOT]
"""
import pathlib
import re
import sys

ROOMS = ["net", "output", "formats", "codecs", "session", "api"]  # from the bottom up

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent) / "src" / "engine"
edges = {room: set() for room in ROOMS}
bad = []
for f in sorted(p for p in root.rglob("*") if p.is_file()):
    rel = f.relative_to(root)
    if rel == pathlib.Path("README.md"):  # the engine's own map
        continue
    room = rel.parts[0] if len(rel.parts) == 2 else None
    if room not in ROOMS:
        bad.append("%s: not in a room" % rel)
        continue
    for target in re.findall(r'#include "engine/([^"]+)"', f.read_text(encoding="utf-8")):
        to = target.split("/")[0]
        if to not in ROOMS or not (root / target).is_file():
            bad.append("%s: includes %s, which is not in a room" % (rel, target))
        elif to != room:
            edges[room].add(to)
            if ROOMS.index(to) > ROOMS.index(room):
                bad.append("%s: includes %s, a room above it" % (rel, target))
for room in reversed(ROOMS):
    print("%-8s -> %s" % (room, ", ".join(sorted(edges[room], key=ROOMS.index)) or "(nothing)"))
print("\n".join(bad) or "every include points down")
sys.exit(1 if bad else 0)
