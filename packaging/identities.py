"""The control's identities as the IDL and the built module state them.

The IDL is the one place that names the type library, the class and the interfaces; the
module's version information is the one place that gives the release its version. Everything
the release writes (manifests, installers, release text) reads them from here.
"""
import re
import struct
import sys

_ATTRIBUTES_THEN_NAME = re.compile(
    r"\[([^\[\]]*)\]\s*(library|coclass|interface|dispinterface)\s+(\w+)")
_UUID = re.compile(r"\buuid\(\s*([0-9A-Fa-f-]{36})\s*\)")
_VERSION = re.compile(r"\bversion\(\s*(\d+\.\d+)\s*\)")


def _without_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


def _library_body(text, name):
    """The text between the braces of `library name`, so that imported declarations stay out."""
    start = re.search(r"\blibrary\s+%s\s*\{" % re.escape(name), text)
    depth, at = 1, start.end()
    while depth:
        depth += {"{": 1, "}": -1}.get(text[at], 0)
        at += 1
    return text[start.end() : at - 1]


def _base(text, declaration):
    if declaration.group(2) == "dispinterface":
        return "IDispatch"
    return re.compile(r"\s*:\s*(\w+)").match(text, declaration.end()).group(1)


def guid(text):
    return "{%s}" % text.upper()


class Identities:
    """Reads an IDL file that holds one library with one coclass."""

    def __init__(self, idl_path):
        with open(idl_path, encoding="utf-8") as source:
            text = _without_comments(source.read())
        declared = [m for m in _ATTRIBUTES_THEN_NAME.finditer(text) if _UUID.search(m.group(1))]
        libraries = [m for m in declared if m.group(2) == "library"]
        if len(libraries) != 1:
            raise SystemExit(f"{idl_path}: expected one library, found {len(libraries)}")
        library = libraries[0]
        self.library_name = library.group(3)
        self.libid = guid(_UUID.search(library.group(1)).group(1))
        self.library_version = _VERSION.search(library.group(1)).group(1)

        body = _library_body(text, self.library_name)
        inside = [m for m in _ATTRIBUTES_THEN_NAME.finditer(body) if _UUID.search(m.group(1))]
        classes = [m for m in inside if m.group(2) == "coclass"]
        if len(classes) != 1:
            raise SystemExit(f"{idl_path}: expected one coclass, found {len(classes)}")
        self.class_name = classes[0].group(3)
        self.clsid = guid(_UUID.search(classes[0].group(1)).group(1))
        # (name, IID, base interface) of every interface the library defines, in order; a
        # dispinterface is an IDispatch.
        self.interfaces = [
            (m.group(3), guid(_UUID.search(m.group(1)).group(1)), _base(body, m))
            for m in inside
            if m.group(2) in ("interface", "dispinterface")
        ]


def module_version(module_path):
    """The file version of a Windows module, "a.b.c.d", from its VS_FIXEDFILEINFO."""
    with open(module_path, "rb") as module:
        data = module.read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        raise SystemExit(f"{module_path}: no version information")
    most, least = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def source_version(resources_path):
    """The major and minor version, "a.b", that the resource script states."""
    with open(resources_path, encoding="utf-8") as source:
        found = re.search(r"^#define QUORVANE_VERSION (\d+), (\d+), \d+, \d+$", source.read(), re.M)
    if not found:
        raise SystemExit(f"{resources_path}: no #define QUORVANE_VERSION a, b, c, d")
    return "%s.%s" % found.groups()


def module_language(module_path):
    """The language of a Windows module's version information, as a decimal LANGID: the first
    of the translations that its VarFileInfo lists."""
    with open(module_path, "rb") as module:
        data = module.read()
    key = "Translation\0".encode("utf-16-le")
    at = data.find(key)
    if at < 0:
        raise SystemExit(f"{module_path}: no translation in its version information")
    # A Var: three WORDs (length, value length, type), the key, padding to 32 bits, the value.
    start = at - 6
    value = start + (6 + len(key) + 3) // 4 * 4
    return str(struct.unpack_from("<H", data, value)[0])


def main():
    """identities.py idl IDL ATTRIBUTE | identities.py version MODULE | identities.py
    source_version RESOURCES.rc: prints the one value."""
    if len(sys.argv) == 4 and sys.argv[1] == "idl":
        print(getattr(Identities(sys.argv[2]), sys.argv[3]))
    elif len(sys.argv) == 3 and sys.argv[1] == "version":
        print(module_version(sys.argv[2]))
    elif len(sys.argv) == 3 and sys.argv[1] == "source_version":
        print(source_version(sys.argv[2]))
    else:
        raise SystemExit(main.__doc__)


if __name__ == "__main__":
    main()
