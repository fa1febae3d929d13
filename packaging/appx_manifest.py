"""The package manifest of the Windows 11 menu package, filled in from its template.

The class of the menu command is read from the interface description, where it is declared once, so the
manifest can never name another class than the one Qarnet.dll registers.
"""

import re
from xml.sax.saxutils import quoteattr

# The attribute forms of a distinguished name that Windows accepts as a package's Publisher.
_DN_KEY = (r"(?:CN|L|O|OU|E|C|S|STREET|T|G|I|SN|DC|SERIALNUMBER|Description|PostalCode|POBox|Phone|X21Address"
           r"|dnQualifier|OID\.(?:0|[1-9][0-9]*)(?:\.(?:0|[1-9][0-9]*))+)")
_DN_VALUE = r'(?:[^,+="<>#;]+|".*")'
_DN_PATTERN = re.compile(rf"{_DN_KEY}={_DN_VALUE}(?:, {_DN_KEY}={_DN_VALUE})*")


def package_version(version: str) -> str:
    """The product version in the four parts a package identity needs (1.2.3 becomes 1.2.3.0)."""
    parts = version.split(".")
    if not 1 <= len(parts) <= 4 or not all(p.isdigit() and int(p) <= 65535 for p in parts):
        raise ValueError(f"not a package version: {version!r}")
    return ".".join(str(int(p)) for p in parts + ["0"] * (4 - len(parts)))


def check_publisher(publisher: str) -> str:
    """The publisher unchanged, or ValueError when Windows would refuse it as a distinguished name."""
    if not 1 <= len(publisher) <= 8192 or not _DN_PATTERN.fullmatch(publisher):
        raise ValueError(f"not a distinguished name Windows accepts as a publisher: {publisher!r}")
    return publisher


def class_id(idl_text: str, coclass: str) -> str:
    """The CLSID of a coclass in an interface description, upper case and without braces."""
    match = re.search(
        r"\[\s*uuid\(\s*([0-9A-Fa-f-]{36})\s*\)[^\]]*\]\s*coclass\s+" + re.escape(coclass) + r"\b", idl_text
    )
    if not match:
        raise ValueError(f"no coclass {coclass} with a uuid in the interface description")
    return match.group(1).upper()


def fill(template: str, version: str, publisher: str, menu_clsid: str) -> str:
    """The manifest text: the template with its placeholders replaced, the publisher escaped for XML."""
    values = {
        "@VERSION@": package_version(version),
        "@PUBLISHER@": quoteattr(check_publisher(publisher))[1:-1],
        "@MENU_CLSID@": menu_clsid,
    }
    for placeholder, value in values.items():
        template = template.replace(placeholder, value)
    left = re.findall(r"@[A-Z_]+@", template)
    if left:
        raise ValueError(f"placeholders left in the manifest: {', '.join(left)}")
    return template
