#!/usr/bin/env python3
"""Checks the manifest inside the Windows 11 menu package against what Windows and Qarnet.dll expect.

It must be well-formed XML with the identity filled in at packaging time, name the class that the
interface description declares for the menu command (without braces) for files and folders, point the
COM class at Qarnet.dll, and refer only to logos that the package holds.
Usage: check_manifest.py package.msix qarnet.idl version publisher
"""

import re
import sys
import xml.etree.ElementTree as ET
import zipfile

NS = {
    "m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
    "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
    "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
    "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
    "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
}


def menu_command_clsid(idl_path: str) -> str:
    text = open(idl_path, encoding="utf-8").read()
    match = re.search(r"uuid\(([0-9A-Fa-f-]+)\)\s*\]\s*coclass\s+QvExplorerCommand\b", text)
    return match.group(1).upper()


def problems(package_path: str, idl_path: str, version: str, publisher: str) -> list[str]:
    with zipfile.ZipFile(package_path) as package:
        try:
            root = ET.fromstring(package.read("AppxManifest.xml"))
        except ET.ParseError as error:
            return [f"AppxManifest.xml is not well-formed: {error}"]
        files = set(package.namelist())
    clsid = menu_command_clsid(idl_path)
    found = []

    def expect(what: str, actual, wanted) -> None:
        if actual != wanted:
            found.append(f"{what}: {actual!r}, expected {wanted!r}")

    identity = root.find("m:Identity", NS)
    expect("identity name", identity.get("Name"), "Tolvane.ContextMenu")
    expect("version", identity.get("Version"), ".".join((version.split(".") + ["0"] * 4)[:4]))
    expect("architecture", identity.get("ProcessorArchitecture"), "x64")
    expect("publisher", identity.get("Publisher"), publisher)

    application = root.find("m:Applications/m:Application", NS)
    menus = application.find(".//desktop4:Extension[@Category='windows.fileExplorerContextMenus']", NS)
    verbs = {(t.get("Type"), v.get("Clsid")) for t in menus.iterfind(".//desktop5:ItemType", NS)
             for v in t.iterfind("desktop5:Verb", NS)}
    expect("menu verbs", verbs, {("*", clsid), ("Directory", clsid)})
    classes = [(c.get("Id"), c.get("Path"), c.get("ThreadingModel"))
               for c in application.iterfind(".//com:Extension[@Category='windows.comServer']"
                                             "/com:ComServer/com:SurrogateServer/com:Class", NS)]
    expect("COM classes", classes, [(clsid, "Qarnet.dll", "STA")])

    visual = application.find("uap:VisualElements", NS)
    logos = [root.findtext("m:Properties/m:Logo", namespaces=NS),
             visual.get("Square150x150Logo"), visual.get("Square44x44Logo")]
    for logo in logos:
        if logo is None or logo.replace("\\", "/") not in files:
            found.append(f"logo {logo!r} is not in the package")
    return found


if __name__ == "__main__":
    result = problems(*sys.argv[1:5])
    for problem in result:
        print(problem)
    print(f"AppxManifest.xml: {'as expected' if not result else 'WRONG'}")
    sys.exit(1 if result else 0)
