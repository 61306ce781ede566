"""Checks an installer package (MSI) against the validation rules (ICEs) that apply to it, since
no ICE tool runs here. Prints each broken rule; fails if there is one.

- bitness (ICE80): a 64-bit component lies in a 64-bit folder and a 32-bit one never does; an
  x86 package has neither 64-bit components nor 64-bit folders; the platform in the summary is
  the package's;
- key paths (ICE02, ICE18, ICE21): each component has one, a file or registry row of its own,
  and belongs to a feature;
- versioned files (ICE60, and the MsiFileHash table's rule): the module's row has its file
  version and language, and no hash, which is for unversioned files alone;
- registry bitness: the keys that 64-bit Windows keeps apart per view (CLSID, Interface) are
  written by a component of the package's own bitness, whether a row names them under
  HKEY_CLASSES_ROOT or as Software\\Classes\\... under HKLM or HKCU; a 32-bit component of
  an x64 package writes only keys that both views share.

usage: msi_rules.py PACKAGE.msi x86|x64 MODULE   (with packaging/ on PYTHONPATH)
"""
import os
import subprocess
import sys

import identities

COMPONENT_64BIT = 0x100  # msidbComponentAttributes64bit
COMPONENT_REGISTRY_KEY_PATH = 0x4  # msidbComponentAttributesRegistryKeyPath
FOLDERS_64BIT = {"ProgramFiles64Folder", "System64Folder", "CommonFiles64Folder"}
FOLDERS_32BIT = {"ProgramFilesFolder", "SystemFolder", "CommonFilesFolder"}
KEPT_APART = ("clsid\\", "interface\\")  # under HKEY_CLASSES_ROOT
CLASSES_UNDER_A_HIVE = "software\\classes\\"


def table(package, name):
    """The rows of a table as dicts; none if the package lacks the table."""
    result = subprocess.run(["msiinfo", "export", package, name], capture_output=True,
                            text=True)
    if result.returncode:
        return []
    lines = result.stdout.splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def folder_kind(directories, directory):
    """64, 32 or None: whether the folder lies under a 64-bit or 32-bit system folder."""
    while directory:
        if directory in FOLDERS_64BIT:
            return 64
        if directory in FOLDERS_32BIT:
            return 32
        parent = directories[directory]["Directory_Parent"]
        directory = parent if parent != directory else ""
    return None


def classes_key(row):
    """A Registry row's key under HKEY_CLASSES_ROOT, lower case, also where the row writes it
    as Software\\Classes\\... under HKLM or HKCU; None for a key outside the classes."""
    key = row["Key"].lower()
    if row["Root"] in ("0", "-1"):
        return key
    if row["Root"] in ("1", "2") and key.startswith(CLASSES_UNDER_A_HIVE):
        return key[len(CLASSES_UNDER_A_HIVE):]
    return None


def broken_rules(package, bits, module):
    broken = []
    directories = {row["Directory"]: row for row in table(package, "Directory")}
    components = table(package, "Component")
    files = {row["File"]: row for row in table(package, "File")}
    registry = {row["Registry"]: row for row in table(package, "Registry")}
    featured = {row["Component_"] for row in table(package, "FeatureComponents")}
    summary = subprocess.run(["msiinfo", "suminfo", package], capture_output=True, text=True,
                             check=True).stdout
    platform = "x64" if bits == "x64" else "Intel"
    if f"Template: {platform};" not in summary:
        broken.append(f"ICE80: the summary's platform is not {platform}")
    if bits == "x86":
        broken += [f"ICE80: 64-bit folder {d} in an x86 package" for d in directories
                   if folder_kind(directories, d) == 64]

    for component in components:
        name, attributes = component["Component"], int(component["Attributes"])
        wide = bool(attributes & COMPONENT_64BIT)
        kind = folder_kind(directories, component["Directory_"])
        if wide and (bits == "x86" or kind == 32):
            broken.append(f"ICE80: 64-bit component {name} in {component['Directory_']}")
        if not wide and kind == 64:
            broken.append(f"ICE80: 32-bit component {name} in 64-bit {component['Directory_']}")
        key = component["KeyPath"]
        rows = registry if attributes & COMPONENT_REGISTRY_KEY_PATH else files
        if not key or key not in rows or rows[key]["Component_"] != name:
            broken.append(f"ICE18: component {name} has no key path of its own ({key!r})")
        if name not in featured:
            broken.append(f"ICE21: component {name} belongs to no feature")
        for row in registry.values():
            key = classes_key(row)
            if row["Component_"] != name or key is None:
                continue
            apart = key.startswith(KEPT_APART)
            if apart and wide != (bits == "x64"):
                broken.append(f"registry: {row['Key']} in component {name} of the other bitness")

    file_id = os.path.basename(module)
    row = files.get(file_id)
    if row is None:
        broken.append(f"the package holds no {file_id}")
    else:
        version, language = identities.module_version(module), identities.module_language(module)
        if row["Version"] != version or row["Language"] != language:
            broken.append(f"ICE60: {file_id} is listed as version {row['Version']!r}, language "
                          f"{row['Language']!r}, not {version}, {language}")
    if any(r["File_"] == file_id for r in table(package, "MsiFileHash")):
        broken.append(f"MsiFileHash: a hash row for the versioned {file_id}")
    return broken


def main():
    if len(sys.argv) != 4 or sys.argv[2] not in ("x86", "x64"):
        raise SystemExit(__doc__)
    broken = broken_rules(*sys.argv[1:])
    for rule in broken:
        print(rule, file=sys.stderr)
    sys.exit(1 if broken else 0)


if __name__ == "__main__":
    main()
