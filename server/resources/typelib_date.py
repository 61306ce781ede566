#!/usr/bin/env python3
"""Dates widl's type library by SOURCE_DATE_EPOCH, when that is set, instead of by the clock.

widl writes the time it ran into every library it makes, twice, as custom data: the text
"Created by WIDL version V at <ctime>" and the time itself (a VT_UI4 of seconds since 1970).
Each build's library, and the module that embeds it, would differ from the last. This rewrites
both in place; the text keeps its form (ctime's 24 characters, here in UTC), so nothing moves.

usage: typelib_date.py LIBRARY.tlb   (unchanged without SOURCE_DATE_EPOCH)
"""
import calendar
import os
import re
import struct
import sys
import time

_STAMP = re.compile(rb"(Created by WIDL version [^\0\n]* at )"
                    rb"([A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4})")
_CTIME = "%a %b %d %H:%M:%S %Y"
VT_UI4 = 0x13
_ZONES = 15 * 3600  # the text is in widl's local time, at most this far from UTC


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        return
    path = sys.argv[1]
    with open(path, "rb") as library:
        data = library.read()
    stamps = list(_STAMP.finditer(data))
    if len(stamps) != 1:
        raise SystemExit(f"{path}: expected one widl date stamp, found {len(stamps)}")
    stamp = stamps[0]
    written = calendar.timegm(time.strptime(stamp.group(2).decode("ascii"), _CTIME))
    # The time as a number: a VT_UI4 whose value lies within a time zone of the text's.
    numbers = [m for m in re.finditer(rb"\x13\x00(.{4})", data, re.S)
               if abs(struct.unpack("<I", m.group(1))[0] - written) <= _ZONES]
    if len(numbers) != 1:
        raise SystemExit(f"{path}: expected one widl time, found {len(numbers)}")
    data = bytearray(data)
    date = time.asctime(time.gmtime(int(epoch))).encode("ascii")
    data[stamp.start(2) : stamp.end(2)] = date
    struct.pack_into("<I", data, numbers[0].start(1), int(epoch))
    with open(path, "wb") as library:
        library.write(data)


if __name__ == "__main__":
    main()
