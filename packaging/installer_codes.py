"""The installers' own fixed identities, kept in this one place.

Each bitness is a product of its own, so that both install side by side; its upgrade code
never changes. A product code belongs to one version of one bitness: it is derived from both,
so that every version gets a new one (which a major upgrade needs) and rebuilding a version
gives the same one. Component GUIDs are derived from the component's name, and the component
that holds the keys both bitnesses share has the same name, so the same GUID, in both packages.
A package code is derived from the package's content, so that packages that differ have
different codes, as Windows Installer requires of package codes, and building the same package
again gives the same one (learn.microsoft.com/windows/win32/msi/package-codes). Every code is
written in upper case, as Windows Installer requires of product and package codes.

A development release (built from changes that were not committed) is another product: its
upgrade and product codes are derived from the same names marked "development", so that it
never upgrades, nor is taken for, the release of the same version.
"""
import uuid

UPGRADE_CODES = {
    "x86": "{E19B7CE8-1660-405A-B8E7-39174AADF984}",
    "x64": "{7F35880D-2005-4AA6-94E0-3C399655FDD9}",
}

# The namespace of the name-based codes below. Changing it changes every one of them.
_NAMESPACE = uuid.UUID("51387EB0-C453-441B-B493-C1825EDC5882")


def _named(name):
    return "{%s}" % str(uuid.uuid5(_NAMESPACE, name)).upper()


def upgrade_code(bits, development=False):
    return _named(f"development upgrade {bits}") if development else UPGRADE_CODES[bits]


def product_code(bits, version, development=False):
    return _named(f"{'development ' if development else ''}product {bits} {version}")


def component_guid(name):
    return _named(f"component {name}")


def package_code(content_digest):
    return _named(f"package {content_digest}")


def product_version(module_version):
    """The installer's ProductVersion for the module's version a.b.0.d: "a.b.d".

    Windows Installer compares only the first three fields of a ProductVersion and ignores a
    fourth (learn.microsoft.com/windows/win32/msi/productversion), and a major upgrade needs a
    change in those three. The module's versions count up in the fourth field, its revision,
    with the third (the build) 0, as the version text a.bb.dddd shows; so the installer takes
    the revision as its third field, where the upgrade compares it.
    """
    major, minor, build, revision = (int(field) for field in module_version.split("."))
    if build != 0 or major > 255 or minor > 255 or revision > 65535:
        raise SystemExit(f"version {module_version} is no a.b.0.d with a and b at most 255 "
                         "and d at most 65535: it has no installer version")
    return f"{major}.{minor}.{revision}"
