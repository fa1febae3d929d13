#!/usr/bin/env python3
"""Packs files that span several 64 KiB blocks, an empty one and one ending on a block boundary, with
the packer, and checks the result independently: the menu package's own files all fit in one block.
Usage: pack_large_file.py PACKAGING_DIR
"""

import random
import sys
import tempfile

import check_block_map

sys.path.insert(0, sys.argv[1])
import msix_package  # noqa: E402  (found through the path given)

generator = random.Random(14)
payload = [
    ("AppxManifest.xml", b"<Package/>"),
    ("Images/Large.png", generator.randbytes(3 * 65536 + 1234)),
    ("Images/Empty.png", b""),
    ("Images/Exact.png", generator.randbytes(2 * 65536)),
]
with tempfile.TemporaryDirectory() as folder:
    msix_package.write(f"{folder}/large.msix", payload)
    found = check_block_map.problems(f"{folder}/large.msix")
for problem in found:
    print(problem)
print("files of several blocks:", "packed as the block map says" if not found else "WRONG")
sys.exit(1 if found else 0)
