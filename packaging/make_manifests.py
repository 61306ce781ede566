"""Writes the manifests for registration-free use.

The assembly manifest of one bitness describes the module's class, type library and
interfaces as its registration does, so that a program that depends on the assembly creates
the control with no registry key. Identities (class, type library, interfaces, names) come
from the IDL; what the registration says about them (ProgID, threading model, miscellaneous
status, type library flags, proxy-stubs) comes from the harvested registration (harvest.py);
the assembly's version is the module's. The application manifest is the example a host puts
beside its executable (or embeds): it depends on the assembly of the host's own bitness.

usage: make_manifests.py assembly OUT --bits x86|x64 --idl IDL --harvest HARVEST.json --module PATH
       make_manifests.py application OUT --idl IDL --module PATH
"""
import argparse
import json
import os
import xml.etree.ElementTree as ET

import identities
import xml_file

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ARCHITECTURES = {"x86": "x86", "x64": "amd64"}
BASE_INTERFACES = {"IDispatch": "{00020400-0000-0000-C000-000000000046}",
                   "IUnknown": "{00000000-0000-0000-C000-000000000046}"}
# OLEMISC_* and LIBFLAG_* by the names a manifest gives them.
MISC_STATUS = ["recomposeonresize", "onlyiconic", "insertnotreplace", "static", "cantlinkinside",
               "canlinkbyole1", "islinkobject", "insideout", "activatewhenvisible",
               "renderingisdeviceindependent", "invisibleatruntime", "alwaysrun", "actslikebutton",
               "actslikelabel", "nouiactivate", "alignable", "simpleframe", "setclientsitefirst",
               "imemode", "ignoreactivatewhenvisible", "wantstomenumerge", "supportsmultilevelundo"]
LIBRARY_FLAGS = ["restricted", "control", "hidden", "hasdiskimage"]
# DVASPECT_* as the subkeys of MiscStatus name them.
ASPECTS = {"1": "miscStatusContent", "2": "miscStatusThumbnail", "4": "miscStatusIcon",
           "8": "miscStatusDocPrint"}


def flag_names(number, names):
    if number >> len(names):
        raise SystemExit(f"unknown flags in {number:#x}")
    return ",".join(name for bit, name in enumerate(names) if number & (1 << bit))


class Registration:
    """The values of one bitness's harvested rows (its own and the shared ones)."""

    def __init__(self, harvest, bits):
        self.values = {}
        for row in harvest["shared"] + harvest[bits]:
            if not row.get("empty"):
                self.values[(row["key"].lower(), (row["name"] or "").lower())] = row["parts"]

    def value(self, key, name=None):
        parts = self.values.get((key.lower(), (name or "").lower()))
        if parts is None or None in parts:
            raise SystemExit(f"the registration has no plain value {key} {name or '@'}")
        return "".join(parts)

    def has(self, key):
        return (key.lower(), "") in self.values


def assembly_identity(parent, name, version, architecture):
    ET.SubElement(parent, "assemblyIdentity", type="win32", name=name, version=version,
                  processorArchitecture=architecture)


def assembly(bits, ids, registration, module_path):
    clsid_key = f"CLSID\\{ids.clsid}"
    root = ET.Element("assembly", xmlns=ASM_V1, manifestVersion="1.0")
    assembly_identity(root, ids.library_name, identities.module_version(module_path),
                      ARCHITECTURES[bits])
    file = ET.SubElement(root, "file", name=os.path.basename(module_path))
    com_class = ET.SubElement(file, "comClass", {
        "clsid": ids.clsid, "progid": registration.value(clsid_key + "\\ProgID"),
        "threadingModel": registration.value(clsid_key + "\\InprocServer32", "ThreadingModel"),
        "tlbid": ids.libid})
    all_aspects = int(registration.value(clsid_key + "\\MiscStatus"))
    if all_aspects:
        com_class.set("miscStatus", flag_names(all_aspects, MISC_STATUS))
    for aspect, attribute in ASPECTS.items():
        key = f"{clsid_key}\\MiscStatus\\{aspect}"
        if registration.has(key):
            com_class.set(attribute, flag_names(int(registration.value(key)), MISC_STATUS))
    library_key = f"TypeLib\\{ids.libid}\\{ids.library_version}"
    # Wine ends the process when helpdir is missing; the module registers no help directory.
    ET.SubElement(file, "typelib", tlbid=ids.libid, version=ids.library_version, helpdir="",
                  flags=flag_names(int(registration.value(library_key + "\\FLAGS")), LIBRARY_FLAGS))
    # Without these a marshal to another apartment fails: they name the proxy-stub.
    for name, iid, base in ids.interfaces:
        ET.SubElement(root, "comInterfaceExternalProxyStub", {
            "name": name, "iid": iid, "tlbid": ids.libid,
            "proxyStubClsid32": registration.value(f"Interface\\{iid}\\ProxyStubClsid32"),
            "baseInterface": BASE_INTERFACES[base]})
    return root


def application(ids, module_path):
    root = ET.Element("assembly", xmlns=ASM_V1, manifestVersion="1.0")
    dependent = ET.SubElement(ET.SubElement(root, "dependency"), "dependentAssembly")
    # "*": the assembly of the bitness of the program that carries this manifest.
    assembly_identity(dependent, ids.library_name, identities.module_version(module_path), "*")
    return root


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=["assembly", "application"])
    parser.add_argument("out")
    parser.add_argument("--idl", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--bits", choices=list(ARCHITECTURES))
    parser.add_argument("--harvest")
    args = parser.parse_args()
    ids = identities.Identities(args.idl)
    if args.kind == "assembly":
        with open(args.harvest, encoding="utf-8") as source:
            registration = Registration(json.load(source), args.bits)
        root = assembly(args.bits, ids, registration, args.module)
    else:
        root = application(ids, args.module)
    xml_file.write(root, args.out)


if __name__ == "__main__":
    main()
