#!/usr/bin/env python3
"""Shows that the package check finds each kind of damage: copies of a good package, each spoiled in
one way, must every one be refused for the reason expected, and the good package accepted.
Usage: check_block_map_catches.py package.msix
"""

import re
import sys
import tempfile
import zipfile

import check_block_map


def rewrite(source: str, target: str, change) -> None:
    with zipfile.ZipFile(source) as package:
        entries = [(info, package.read(info)) for info in package.infolist()]
    entries = change(entries)
    with zipfile.ZipFile(target, "w") as package:
        for info, data in entries:
            package.writestr(info, data)


def edit(name: str, edit_data):
    return lambda entries: [(i, edit_data(d) if i.filename == name else d) for i, d in entries]


def with_extra_field(name: str):
    def change(entries):
        for info, _ in entries:
            if info.filename == name:
                info.extra = b"\x99\x99\x04\x00" + b"\x00" * 4  # an unknown 4-byte field, legal in ZIP
        return entries
    return change


def block_map_sub(pattern: str, replacement: str):
    return edit("AppxBlockMap.xml", lambda d: re.sub(pattern, replacement, d.decode(), count=1).encode())


CASES = [
    ("a byte of a logo changed", edit("Images/StoreLogo.png", lambda d: d[:100] + bytes([d[100] ^ 1]) + d[101:]),
     "block 0 does not match"),
    ("a wrong size in the block map", block_map_sub(r'Size="(\d+)"', 'Size="999999"'), "Size 999999"),
    ("a wrong header length in the block map", block_map_sub(r'LfhSize="(\d+)"', 'LfhSize="31"'),
     "LfhSize 31"),
    ("a local header grown by an extra field", with_extra_field("Images/Square44x44Logo.png"), "LfhSize"),
    ("a file the block map does not list",
     lambda e: e[:1] + [(zipfile.ZipInfo("Images/Extra.png"), b"x")] + e[1:], "not in the block map"),
    ("a listed file missing", lambda e: [(i, d) for i, d in e if i.filename != "Images/Square44x44Logo.png"],
     "not in the archive"),
    ("no content type for the logos", edit("[Content_Types].xml", lambda d: re.sub(rb"<Default [^>]*/>", b"", d)),
     "no content type"),
    ("the content types before the block map", lambda e: e[:-2] + e[-1:] + e[-2:-1], "order"),
]


def main() -> int:
    good = sys.argv[1]
    failures = [f"the good package: {p}" for p in check_block_map.problems(good)]
    with tempfile.TemporaryDirectory() as folder:
        for what, change, reason in CASES:
            spoiled = f"{folder}/spoiled.msix"
            rewrite(good, spoiled, change)
            found = check_block_map.problems(spoiled)
            verdict = "refused" if any(reason in p for p in found) else "NOT REFUSED"
            print(f"{what}: {verdict} ({'; '.join(found) or 'no problem found'})")
            if verdict != "refused":
                failures.append(what)
    for failure in failures:
        print(f"missed: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
