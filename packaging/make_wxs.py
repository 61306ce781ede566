"""Writes the WiX source of one bitness's installer, for Debian's wixl.

The package installs the module per machine into Program Files\\<library> and writes the
registry rows harvested from the module's own registration (harvest.py) as RegistryValue
rows, the module's path given as [#<file id>]. wixl cannot express SelfReg, Class or TypeLib,
and only these rows keep the installer's registration what the module's is.

A development release's package is a product of its own ("development" in its name) that refuses
to install while the release of its bitness is installed, as the release's refuses to install
while a development release is: both write the same class, so one over the other would leave
whichever came first registered.

Other files (--file: the licence, the changes) go beside the module, in its component.

usage: make_wxs.py OUT.wxs --bits x86|x64 --harvest HARVEST.json --module PATH --idl IDL
                   [--file PATH]... [--development]
"""
import argparse
import hashlib
import json
import os
import xml.etree.ElementTree as ET

import identities
import installer_codes
import xml_file

WIX = "http://schemas.microsoft.com/wix/2006/wi"


def formatted(parts, file_id):
    """The row's text as Windows Installer's Formatted type: brackets taken literally, the
    module's path as [#file], and a leading number sign kept from meaning a number."""
    text = ""
    for part in parts:
        if part is None:
            text += f"[#{file_id}]"
        else:
            text += "".join({"[": "[\\[]", "]": "[\\]]"}.get(c, c) for c in part)
    return "#" + text if text.startswith("#") else text


def add_rows(component, rows, file_id):
    for row in rows:
        value = {"Root": "HKCR", "Key": row["key"], "Type": "string"}
        if row.get("empty"):
            # The key itself: created with the component, removed with it.
            value.update(Name="*", Value="")
        else:
            if row["name"] is not None:
                value["Name"] = row["name"]
            value["Value"] = formatted(row["parts"], file_id)
        ET.SubElement(component, "RegistryValue", value)


def with_package_code(wix, paths):
    """Names the package by a code derived from what it holds: the WiX source and the files.
    (wixl ignores Package/@Id and writes a random code; msi_summary.py writes this one.)"""
    content = hashlib.sha256(ET.tostring(wix))
    for path in paths:
        with open(path, "rb") as held:
            content.update(held.read())
    wix.find("Product/Package").set(
        "Id", installer_codes.package_code(content.hexdigest()))
    return wix


def wxs(bits, harvest, module_path, ids, version, here, development, others=()):
    """The WiX source, to be written in the folder `here`: wixl takes no absolute path, so the
    files are named relative to it."""
    x64 = bits == "x64"
    width = "64-bit" if x64 else "32-bit"
    name = ids.library_name
    kind = " development" if development else ""
    file_name = os.path.basename(module_path)
    wix = ET.Element("Wix", xmlns=WIX)
    product = ET.SubElement(wix, "Product", {
        "Id": installer_codes.product_code(bits, version, development),
        "UpgradeCode": installer_codes.upgrade_code(bits, development),
        "Name": f"{name} {version}{kind} ({width})",
        "Manufacturer": name, "Version": installer_codes.product_version(version),
        "Language": "1033"})
    ET.SubElement(product, "Package", {
        "Description": f"The {name} {ids.class_name} control for {width} programs",
        "InstallerVersion": "200", "Compressed": "yes", "InstallScope": "perMachine"})
    ET.SubElement(product, "MajorUpgrade",
                  DowngradeErrorMessage=f"A newer {name} is already installed.")
    other = ET.SubElement(product, "Upgrade", Id=installer_codes.upgrade_code(bits, not development))
    ET.SubElement(other, "UpgradeVersion", OnlyDetect="yes", Property="OTHER_KIND_INSTALLED",
                  Minimum="0.0.0", IncludeMinimum="yes")
    installed = "A release" if development else "A development release"
    ET.SubElement(product, "Condition", Message=f"{installed} of {name} ({width}) is installed: "
                  "remove it first.").text = "NOT OTHER_KIND_INSTALLED OR Installed"
    ET.SubElement(product, "Media", Id="1", Cabinet="module.cab", EmbedCab="yes")

    target = ET.SubElement(product, "Directory", Id="TARGETDIR", Name="SourceDir")
    program_files = ET.SubElement(target, "Directory",
                                  Id="ProgramFiles64Folder" if x64 else "ProgramFilesFolder")
    folder = ET.SubElement(program_files, "Directory", Id="INSTALLDIR", Name=name)

    module = ET.SubElement(folder, "Component", Id="Module", Win64="yes" if x64 else "no",
                           Guid=installer_codes.component_guid(f"module {bits}"))
    ET.SubElement(module, "File", Id=file_name, Name=file_name, Source=os.path.relpath(module_path, here), KeyPath="yes")
    for other in others:
        ET.SubElement(module, "File", Id=os.path.basename(other), Name=os.path.basename(other),
                      Source=os.path.relpath(other, here))
    add_rows(module, harvest[bits], file_name)
    # The same component, GUID and rows in both packages: the installer counts both products
    # as its clients and removes the keys with the last of them. It is 32-bit in both, and has
    # no file: it lies in TARGETDIR, since a 32-bit component in a 64-bit folder (the x64
    # package's Program Files) is what ICE80 rejects.
    shared = ET.SubElement(target, "Component", Id="SharedRegistration",
                           Guid=installer_codes.component_guid("shared registration"), Win64="no")
    add_rows(shared, harvest["shared"], file_name)
    shared[0].set("KeyPath", "yes")

    feature = ET.SubElement(product, "Feature", Id="Control", Level="1")
    for component in ("Module", "SharedRegistration"):
        ET.SubElement(feature, "ComponentRef", Id=component)
    return with_package_code(wix, [module_path, *others])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--bits", choices=["x86", "x64"], required=True)
    parser.add_argument("--harvest", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--idl", required=True)
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("--development", action="store_true")
    args = parser.parse_args()
    with open(args.harvest, encoding="utf-8") as source:
        harvest = json.load(source)
    if not harvest["shared"]:
        raise SystemExit("the harvest has no keys that both bitnesses share")
    here = os.path.dirname(os.path.abspath(args.out))
    wix = wxs(args.bits, harvest, args.module, identities.Identities(args.idl),
              identities.module_version(args.module), here, args.development, args.file)
    xml_file.write(wix, args.out)


if __name__ == "__main__":
    main()
