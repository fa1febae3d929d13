#!/usr/bin/env python3
"""Builds Tolvane's Windows 11 menu package: the manifest and the logos, no program.

Usage: make_menu_package.py --version 1.0.0.1 --publisher "CN=..." --output Tolvane-1.0.0.1-win64-menu.msix
The publisher must be exactly the subject of the certificate that will sign the package.
"""

import argparse
import pathlib
import sys

import appx_manifest
import msix_package

SOURCE = pathlib.Path(__file__).resolve().parent.parent
LOGOS = ("StoreLogo.png", "Square150x150Logo.png", "Square44x44Logo.png")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True, help="the product version, up to four parts")
    parser.add_argument("--publisher", required=True, help="the subject of the signing certificate")
    parser.add_argument("--output", required=True, help="the package file to write")
    args = parser.parse_args()

    idl = (SOURCE / "shellext" / "qarnet.idl").read_text(encoding="utf-8")
    template = (SOURCE / "packaging" / "AppxManifest.xml.in").read_text(encoding="utf-8")
    try:
        manifest = appx_manifest.fill(template, args.version, args.publisher,
                                      appx_manifest.class_id(idl, "QvExplorerCommand"))
    except ValueError as error:
        print(f"make_menu_package: {error}", file=sys.stderr)
        return 1
    payload = [("AppxManifest.xml", manifest.encode("utf-8"))]
    payload += [(f"Images/{logo}", (SOURCE / "packaging" / "images" / logo).read_bytes()) for logo in LOGOS]
    msix_package.write(args.output, payload)
    return 0


if __name__ == "__main__":
    sys.exit(main())
