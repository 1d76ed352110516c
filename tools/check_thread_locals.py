#!/usr/bin/env python3
"""Thread-local variables in the program and its Windows tests hold only values
without a destructor: plain numbers, flags, enums and raw pointers. The Windows
runtime's emulated thread-local storage frees a thread's storage at its end before
the destructors of its objects run, so a thread_local std::vector or std::string
there frees freed memory (base/thread_owned_win.h is the way to keep such objects).
Exits 1 and names each declaration of another kind.

    python3 tools/check_thread_locals.py [ROOT]
"""
import pathlib
import re
import sys

TRIVIAL = re.compile(
    r"\bthread_local\s+(?:static\s+)?(?:const\s+)?"
    r"(?:(?:unsigned|signed)\s+)?(?:bool|char|short|int|long|long long|float|double|size_t|"
    r"u?int(?:8|16|32|64)_t|DWORD|HRESULT|UINT|BOOL|HANDLE|HWND)\b"
    r"|\bthread_local\s+(?:static\s+)?(?:const\s+)?[\w:<>]+\s*(?:const\s*)?\*")

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
bad = []
for folder in ("src", "tests/win", "tools"):
    for f in sorted((root / folder).rglob("*")):
        if f.suffix not in (".cpp", ".h") or not f.is_file():
            continue
        for n, line in enumerate(f.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            code = line.split("//")[0]
            if re.search(r"\bthread_local\b", code) and not TRIVIAL.search(code):
                bad.append("%s:%d: %s" % (f.relative_to(root), n, line.strip()))
for b in bad:
    print(b)
print("%d thread_local declarations of a kind with a destructor" % len(bad))
sys.exit(1 if bad else 0)
