"""Writes an MSIX package: a ZIP of the payload files, their block map and their content types.

Windows checks every file of a package against AppxBlockMap.xml before it installs it: each file's size,
the size of its local file header and the SHA-256 of each 64 KiB block. The payload files are stored,
not deflated, so a block's bytes in the archive are exactly the bytes hashed and the block map needs no
compressed sizes. The block map and the content types, which the block map does not cover, are
deflated: a signing tool rewrites the content types deflated and keeps the entry's method, so a stored
one would come out of signing unreadable. Every field that could vary from run to run (times,
attributes) is fixed, so the same input gives the same package byte for byte.
"""

import base64
import hashlib
import struct
import zlib
from xml.sax.saxutils import escape, quoteattr

BLOCK_SIZE = 64 * 1024
HASH_METHOD = "http://www.w3.org/2001/04/xmlenc#sha256"
BLOCK_MAP_NAME = "AppxBlockMap.xml"
CONTENT_TYPES_NAME = "[Content_Types].xml"

# Content types by extension for the payload, and for the package's own parts by name.
_CONTENT_TYPES_BY_EXTENSION = {"png": "image/png"}
_CONTENT_TYPES_BY_NAME = {
    "AppxManifest.xml": "application/vnd.ms-appx.manifest+xml",
    BLOCK_MAP_NAME: "application/vnd.ms-appx.blockmap+xml",
}

_DOS_TIME = 0  # 00:00:00
_DOS_DATE = (0 << 9) | (1 << 5) | 1  # 1980-01-01, the first day a ZIP time can name
_VERSION_NEEDED = 20  # 2.0: stored and deflated files in a plain (not ZIP64) archive
_STORED, _DEFLATED = 0, 8
_LOCAL_HEADER = struct.Struct("<4sHHHHHIIIHH")
_CENTRAL_HEADER = struct.Struct("<4sHHHHHHIIIHHHHHII")
_END_OF_DIRECTORY = struct.Struct("<4sHHHHIIH")


def _deflate(data: bytes) -> bytes:
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)  # raw deflate, as ZIP holds it
    return compressor.compress(data) + compressor.flush()


# `packed` is the file's data as the archive holds it: the data itself when stored, else deflated.
def _local_header(name: bytes, method: int, data: bytes, packed: bytes) -> bytes:
    return _LOCAL_HEADER.pack(b"PK\x03\x04", _VERSION_NEEDED, 0, method, _DOS_TIME, _DOS_DATE, zlib.crc32(data),
                              len(packed), len(data), len(name), 0) + name


def _central_header(name: bytes, method: int, data: bytes, packed: bytes, offset: int) -> bytes:
    return _CENTRAL_HEADER.pack(b"PK\x01\x02", _VERSION_NEEDED, _VERSION_NEEDED, 0, method, _DOS_TIME, _DOS_DATE,
                                zlib.crc32(data), len(packed), len(data), len(name), 0, 0, 0, 0, 0, offset) + name


def _zip_name(name: str) -> bytes:
    if not name.isascii() or "\\" in name or name.startswith("/"):
        raise ValueError(f"package file names are plain relative ASCII paths with '/': {name!r}")
    return name.encode("ascii")


def _block_map(files: list[tuple[str, bytes]]) -> bytes:
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" HashMethod="{HASH_METHOD}">']
    for name, data in files:
        lfh_size = _LOCAL_HEADER.size + len(_zip_name(name))
        windows_name = quoteattr(name.replace("/", "\\"))
        lines.append(f'<File Name={windows_name} Size="{len(data)}" LfhSize="{lfh_size}">')
        for start in range(0, len(data), BLOCK_SIZE):
            digest = hashlib.sha256(data[start:start + BLOCK_SIZE]).digest()
            lines.append(f'<Block Hash="{base64.b64encode(digest).decode("ascii")}"/>')
        lines.append("</File>")
    lines.append("</BlockMap>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def _content_types(names: list[str]) -> bytes:
    defaults, overrides = {}, {}
    for name in names:
        if name in _CONTENT_TYPES_BY_NAME:
            overrides["/" + name] = _CONTENT_TYPES_BY_NAME[name]
            continue
        extension = name.rpartition(".")[2].lower()
        if extension not in _CONTENT_TYPES_BY_EXTENSION:
            raise ValueError(f"no content type for {name}")
        defaults[extension] = _CONTENT_TYPES_BY_EXTENSION[extension]
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    lines += [f'<Default Extension="{escape(e)}" ContentType="{t}"/>' for e, t in sorted(defaults.items())]
    lines += [f'<Override PartName="{escape(n)}" ContentType="{t}"/>' for n, t in sorted(overrides.items())]
    lines.append("</Types>")
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def write(path: str, payload: list[tuple[str, bytes]]) -> None:
    """Writes the package: the payload files in the order given, then the block map, then the content types."""
    names = [name for name, _ in payload]
    if len(set(n.lower() for n in names)) != len(names) or {BLOCK_MAP_NAME, CONTENT_TYPES_NAME} & set(names):
        raise ValueError("package file names must be unique and not those of the package's own parts")
    entries = [(name, _STORED, data) for name, data in payload]
    entries += [(BLOCK_MAP_NAME, _DEFLATED, _block_map(payload)),
                (CONTENT_TYPES_NAME, _DEFLATED, _content_types(names + [BLOCK_MAP_NAME]))]
    archive = bytearray()
    directory = bytearray()
    for name, method, data in entries:
        encoded = _zip_name(name)
        packed = _deflate(data) if method == _DEFLATED else data
        directory += _central_header(encoded, method, data, packed, len(archive))
        archive += _local_header(encoded, method, data, packed) + packed
    end = _END_OF_DIRECTORY.pack(b"PK\x05\x06", 0, 0, len(entries), len(entries), len(directory), len(archive), 0)
    with open(path, "wb") as out:
        out.write(archive + directory + end)
