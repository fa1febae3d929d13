#!/usr/bin/env python3
"""Checks an MSIX package as Windows would before installing it, reading the archive byte by byte.

Every file of the block map must be in the archive with the block map's Size and LfhSize (the length of
its local header as it lies in the archive), and each 64 KiB block of its data must have the block map's
SHA-256; every other file must be one of the package's own parts; the content types must give a type to
every file. Written apart from the packer, so that one's mistake is not repeated in the other.
Usage: check_block_map.py package.msix   (prints each problem; exit status 1 when there is one)
"""

import base64
import hashlib
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile

BLOCK_MAP_NS = "{http://schemas.microsoft.com/appx/2010/blockmap}"
TYPES_NS = "{http://schemas.openxmlformats.org/package/2006/content-types}"
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
REQUIRED_TYPES = {
    "AppxManifest.xml": "application/vnd.ms-appx.manifest+xml",
    "AppxBlockMap.xml": "application/vnd.ms-appx.blockmap+xml",
}


def local_header_size(raw: bytes, offset: int) -> int:
    signature, name_length, extra_length = struct.unpack_from("<4s22xHH", raw, offset)
    if signature != b"PK\x03\x04":
        raise ValueError(f"no local file header at offset {offset}")
    return 30 + name_length + extra_length


def block_map_problems(package: zipfile.ZipFile, raw: bytes) -> list[str]:
    root = ET.fromstring(package.read("AppxBlockMap.xml"))
    problems = []
    if root.get("HashMethod") != "http://www.w3.org/2001/04/xmlenc#sha256":
        problems.append(f"block map hash method {root.get('HashMethod')!r}, not SHA-256")
    entries = {info.filename: info for info in package.infolist()}
    mapped = set()
    for file in root.iter(BLOCK_MAP_NS + "File"):
        name = file.get("Name").replace("\\", "/")
        mapped.add(name)
        if name not in entries:
            problems.append(f"{name}: in the block map, not in the archive")
            continue
        info = entries[name]
        data = package.read(name)
        if int(file.get("Size")) != len(data):
            problems.append(f"{name}: Size {file.get('Size')}, the file has {len(data)} bytes")
        actual_lfh = local_header_size(raw, info.header_offset)
        if int(file.get("LfhSize")) != actual_lfh:
            problems.append(f"{name}: LfhSize {file.get('LfhSize')}, the local header has {actual_lfh} bytes")
        blocks = list(file.iter(BLOCK_MAP_NS + "Block"))
        expected = [data[i:i + 65536] for i in range(0, len(data), 65536)]
        if len(blocks) != len(expected):
            problems.append(f"{name}: {len(blocks)} blocks in the block map, {len(expected)} in the file")
        for index, (block, chunk) in enumerate(zip(blocks, expected)):
            if base64.b64decode(block.get("Hash")) != hashlib.sha256(chunk).digest():
                problems.append(f"{name}: block {index} does not match its hash")
        compressed = [b.get("Size") for b in blocks]
        if info.compress_type == zipfile.ZIP_STORED and any(compressed):
            problems.append(f"{name}: stored, yet its blocks name compressed sizes")
        if info.compress_type == zipfile.ZIP_DEFLATED and (
                None in compressed or sum(int(s) for s in compressed) != info.compress_size):
            problems.append(f"{name}: deflated, and its blocks' sizes do not add up to its compressed size")
    for name in entries.keys() - mapped - FOOTPRINT:
        problems.append(f"{name}: in the archive, not in the block map")
    return problems


def content_type_problems(package: zipfile.ZipFile) -> list[str]:
    root = ET.fromstring(package.read("[Content_Types].xml"))
    defaults = {d.get("Extension").lower(): d.get("ContentType") for d in root.iter(TYPES_NS + "Default")}
    overrides = {o.get("PartName").lower(): o.get("ContentType") for o in root.iter(TYPES_NS + "Override")}
    problems = []
    for name in package.namelist():
        if name == "[Content_Types].xml":
            continue
        content_type = overrides.get("/" + name.lower(), defaults.get(name.rpartition(".")[2].lower()))
        if content_type is None:
            problems.append(f"{name}: no content type")
        elif name in REQUIRED_TYPES and content_type != REQUIRED_TYPES[name]:
            problems.append(f"{name}: content type {content_type}, not {REQUIRED_TYPES[name]}")
    return problems


def order_problems(names: list[str]) -> list[str]:
    payload_end = max((i for i, n in enumerate(names) if n not in FOOTPRINT), default=-1)
    block_map, content_types = names.index("AppxBlockMap.xml"), names.index("[Content_Types].xml")
    if not payload_end < block_map < content_types:
        return ["the archive's order is not: payload files, AppxBlockMap.xml, [Content_Types].xml"]
    return []


def problems(path: str) -> list[str]:
    with open(path, "rb") as f:
        raw = f.read()
    with zipfile.ZipFile(path) as package:
        damaged = package.testzip()
        if damaged:
            return [f"{damaged}: its data does not match its CRC"]
        for part in ("AppxBlockMap.xml", "[Content_Types].xml", "AppxManifest.xml"):
            if part not in package.namelist():
                return [f"{part} is missing"]
        return (block_map_problems(package, raw) + content_type_problems(package) +
                order_problems(package.namelist()))


if __name__ == "__main__":
    found = problems(sys.argv[1])
    for problem in found:
        print(problem)
    print(f"{sys.argv[1]}: {'the block map and content types match the archive' if not found else 'BROKEN'}")
    sys.exit(1 if found else 0)
