"""Zips a folder: its files in name order under the folder's own name, deflated.

The archive is the same for the same files wherever and whenever it is made: every entry is
dated SOURCE_DATE_EPOCH (in UTC; the clock when that is not set) and has the same permissions.

usage: zip_tree.py OUT.zip FOLDER
"""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    out, folder = sys.argv[1], os.path.normpath(sys.argv[2])
    base = os.path.dirname(folder)
    paths = sorted(os.path.join(d, f) for d, _, files in os.walk(folder) for f in files)
    # A zip's dates are local times from 1980 on, to two seconds.
    date = time.gmtime(max(int(os.environ.get("SOURCE_DATE_EPOCH", time.time())), 315532800))
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in paths:
            entry = zipfile.ZipInfo(os.path.relpath(path, base), date[:6])
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix, so that the permissions below are read as such
            entry.external_attr = 0o100644 << 16  # a regular file, rw-r--r--
            with open(path, "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()
