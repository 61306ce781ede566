"""Zips a folder: its files in name order under the folder's own name, deflated.

usage: zip_tree.py OUT.zip FOLDER
"""
import os
import sys
import zipfile


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    out, folder = sys.argv[1], os.path.normpath(sys.argv[2])
    base = os.path.dirname(folder)
    paths = sorted(os.path.join(d, f) for d, _, files in os.walk(folder) for f in files)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in paths:
            archive.write(path, os.path.relpath(path, base))


if __name__ == "__main__":
    main()
