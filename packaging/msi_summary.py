"""Gives an installer package (MSI) the package code of its WiX source and the date
SOURCE_DATE_EPOCH, where wixl writes a random code and the time it ran.

wixl ignores Package/@Id and writes a new package code, and the time, into the package's summary
information each time, so the same sources would give a different package every time. This
rewrites the summary information stream in place: it is a property set inside the package's
compound file, and the code (a GUID in braces) and the dates (VT_FILETIME) keep their sizes, so
nothing else moves.

usage: msi_summary.py PACKAGE.msi SOURCE.wxs   (with SOURCE_DATE_EPOCH in the environment)
"""
import os
import struct
import sys
import xml.etree.ElementTree as ET

SIGNATURE = bytes.fromhex("D0CF11E0A1B11AE1")
FREE, END_OF_CHAIN = 0xFFFFFFFF, 0xFFFFFFFE
STREAM = "\x05SummaryInformation"
VT_LPSTR, VT_FILETIME = 30, 64
PID_REVNUMBER = 9  # the package code
EPOCH_AS_FILETIME = 116444736000000000  # 1970-01-01 in 100 ns since 1601-01-01


class CompoundFile:
    """Just enough of the compound file format to find where a stream's bytes lie."""

    def __init__(self, data):
        if data[:8] != SIGNATURE:
            raise SystemExit("not a compound file")
        self.data = data
        shift, mini_shift = struct.unpack_from("<HH", data, 0x1E)
        self.sector, self.mini_sector = 1 << shift, 1 << mini_shift
        directory, _, self.cutoff, minifat, _, _, difat_count = struct.unpack_from("<7I", data, 0x30)
        if difat_count:
            raise SystemExit("a compound file this large is not expected")
        fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C) if s != FREE]
        self.fat = [n for s in fat_sectors for n in self._words(s)]
        self.minifat = [n for s in self.chain(minifat) for n in self._words(s)]
        self.entries = {}
        for s in self.chain(directory):
            for at in range(self.offset(s), self.offset(s) + self.sector, 128):
                length, kind = struct.unpack_from("<HB", data, at + 64)
                if kind:
                    name = data[at : at + max(length - 2, 0)].decode("utf-16-le")
                    start, size = struct.unpack_from("<IQ", data, at + 116)
                    self.entries[name] = (kind, start, size & 0xFFFFFFFF)
        root = [e for e in self.entries.values() if e[0] == 5][0]
        self.mini_stream = [self.offset(s) + i for s in self.chain(root[1])
                            for i in range(0, self.sector, self.mini_sector)]

    def offset(self, sector):
        return (sector + 1) * self.sector

    def _words(self, sector):
        return struct.unpack_from(f"<{self.sector // 4}I", self.data, self.offset(sector))

    def chain(self, start, table=None):
        table = self.fat if table is None else table
        while start != END_OF_CHAIN:
            yield start
            start = table[start]

    def stream_offsets(self, name):
        """The file offset of each of the stream's bytes."""
        _, start, size = self.entries[name]
        if size < self.cutoff:
            blocks = [self.mini_stream[m] for m in self.chain(start, self.minifat)]
            block = self.mini_sector
        else:
            blocks, block = [self.offset(s) for s in self.chain(start)], self.sector
        return [b + i for b in blocks for i in range(block)][:size]


def rewritten(stream, package_code, filetime):
    """The summary information property set with the package code and every date replaced."""
    stream = bytearray(stream)
    section = struct.unpack_from("<I", stream, 28 + 16)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    for index in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * index)
        at += section
        kind = struct.unpack_from("<I", stream, at)[0]
        if kind == VT_FILETIME:
            struct.pack_into("<Q", stream, at + 4, filetime)
        elif pid == PID_REVNUMBER and kind == VT_LPSTR:
            code = package_code.encode("ascii") + b"\0"
            if struct.unpack_from("<I", stream, at + 4)[0] != len(code):
                raise SystemExit("the package code written is not a GUID in braces")
            stream[at + 8 : at + 8 + len(code)] = code
    return stream


def main():
    if len(sys.argv) != 3 or "SOURCE_DATE_EPOCH" not in os.environ:
        raise SystemExit(__doc__)
    filetime = EPOCH_AS_FILETIME + int(os.environ["SOURCE_DATE_EPOCH"]) * 10_000_000
    wix = "{http://schemas.microsoft.com/wix/2006/wi}"
    package_code = ET.parse(sys.argv[2]).find(f"{wix}Product/{wix}Package").get("Id")
    with open(sys.argv[1], "rb") as package:
        data = bytearray(package.read())
    offsets = CompoundFile(data).stream_offsets(STREAM)
    stream = rewritten(bytes(data[at] for at in offsets), package_code, filetime)
    for at, byte in zip(offsets, stream):
        data[at] = byte
    with open(sys.argv[1], "wb") as package:
        package.write(data)


if __name__ == "__main__":
    main()
