#!/usr/bin/env python3
"""Corrects what widl cannot express in a type library (MSFT format).

widl places a type at its first use and refuses `version` and `nonextensible` on a
dispinterface. This rewrites its output so that the types stand in the given order and the
named types carry the given version and extra type flags. widl also names every parameter;
the parameters given by name to --unnamed lose their names.

usage: fix_typelib.py IN OUT --order A,B,C [--version NAME=MAJOR.MINOR] [--add-flags NAME=HEX]
                     [--unnamed NAME,...]
"""
import argparse
import struct

TYPEINFO_SIZE = 0x64
SEGMENTS = 15
SEG_TYPEINFO, SEG_REFERENCES, SEG_GUID, SEG_NAME, SEG_TYPEDESC = 0, 3, 5, 7, 9
VT_USERDEFINED = 0x1D
TKIND_INTERFACE, TKIND_DISPATCH = 3, 4
# Fields of a typeinfo record, by 32-bit slot.
TI_TYPEKIND, TI_MEMBERS, TI_ELEMENTS, TI_FLAGS, TI_NAME, TI_VERSION, TI_DATATYPE1 = 0, 1, 6, 12, 13, 14, 22
PARAM_SIZE = 12  # data type, name offset, flags


def i32(data, at):
    return struct.unpack_from("<i", data, at)[0]


def put32(data, at, value):
    struct.pack_into("<i", data, at, value)


class TypeLib:
    def __init__(self, data):
        self.data = bytearray(data)
        if i32(self.data, 0) != 0x5446534D:
            raise SystemExit("not an MSFT type library")
        self.count = i32(self.data, 0x20)
        seg_dir = 0x54 + (4 if i32(self.data, 0x14) & 0x100 else 0) + 4 * self.count
        self.segs = [struct.unpack_from("<2i", self.data, seg_dir + 16 * i) for i in range(SEGMENTS)]

    def typeinfo(self, index):
        return self.segs[SEG_TYPEINFO][0] + index * TYPEINFO_SIZE

    def name_at(self, offset):
        at = self.segs[SEG_NAME][0] + offset
        length = i32(self.data, at + 8) & 0xFF
        return self.data[at + 12 : at + 12 + length].decode("ascii")

    def type_names(self):
        return [self.name_at(i32(self.data, self.typeinfo(i) + 4 * TI_NAME)) for i in range(self.count)]

    def records(self, seg, size, field):
        """Offsets of `field` in every fixed-size record of a segment."""
        start, length = self.segs[seg]
        return [at + field for at in range(start, start + max(length, 0), size)]

    def reorder(self, order):
        names = self.type_names()
        if sorted(order) != sorted(names):
            raise SystemExit(f"--order {order} does not name the library's types {names}")
        new_index = {names.index(name): place for place, name in enumerate(order)}

        def remap(at):
            href = i32(self.data, at)
            # A reference inside this file is the offset of the typeinfo record.
            if href >= 0 and href % 4 == 0 and href // TYPEINFO_SIZE < self.count:
                put32(self.data, at, new_index[href // TYPEINFO_SIZE] * TYPEINFO_SIZE)

        for at in self.records(SEG_GUID, 24, 16) + self.records(SEG_REFERENCES, 16, 0):
            remap(at)
        start, length = self.segs[SEG_NAME]
        at = start
        while at < start + length:
            remap(at)
            at += 12 + (((i32(self.data, at + 8) & 0xFF) + 3) & ~3)
        for at in self.records(SEG_TYPEDESC, 8, 0):
            if i32(self.data, at) & 0xFFFF == VT_USERDEFINED:
                remap(at + 4)
        for index in range(self.count):
            base = self.typeinfo(index)
            if i32(self.data, base) & 0xF in (TKIND_INTERFACE, TKIND_DISPATCH):
                remap(base + 4 * TI_DATATYPE1)
        records = [bytes(self.data[self.typeinfo(i) : self.typeinfo(i) + TYPEINFO_SIZE]) for i in range(self.count)]
        for old, new in new_index.items():
            self.data[self.typeinfo(new) : self.typeinfo(new) + TYPEINFO_SIZE] = records[old]

    def unname_params(self, names):
        """Drops the name of every parameter called one of `names`."""
        for index in range(self.count):
            base = self.typeinfo(index)
            members = i32(self.data, base + 4 * TI_MEMBERS)
            functions = i32(self.data, base + 4 * TI_ELEMENTS) & 0xFFFF
            if functions == 0 or members < 0:
                continue
            record = members + 4  # past the size of the records
            for _ in range(functions):
                size = i32(self.data, record) & 0xFFFF
                params = struct.unpack_from("<h", self.data, record + 20)[0]
                for p in range(params):
                    at = record + size - (params - p) * PARAM_SIZE + 4
                    name = i32(self.data, at)
                    if name != -1 and self.name_at(name) in names:
                        put32(self.data, at, -1)
                record += size

    def field(self, name, slot):
        return self.typeinfo(self.type_names().index(name)) + 4 * slot


def pairs(values):
    return [value.split("=", 1) for value in values]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("input")
    parser.add_argument("output")
    parser.add_argument("--order", required=True)
    parser.add_argument("--version", action="append", default=[])
    parser.add_argument("--add-flags", action="append", default=[])
    parser.add_argument("--unnamed", default="")
    args = parser.parse_args()
    with open(args.input, "rb") as f:
        lib = TypeLib(f.read())
    lib.reorder(args.order.split(","))
    for name, version in pairs(args.version):
        major, minor = (int(part) for part in version.split("."))
        put32(lib.data, lib.field(name, TI_VERSION), major | minor << 16)
    for name, flags in pairs(args.add_flags):
        at = lib.field(name, TI_FLAGS)
        put32(lib.data, at, i32(lib.data, at) | int(flags, 16))
    lib.unname_params(set(filter(None, args.unnamed.split(","))))
    with open(args.output, "wb") as f:
        f.write(lib.data)


if __name__ == "__main__":
    main()
