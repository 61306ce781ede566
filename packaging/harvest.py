"""Turns what the module's own DllRegisterServer wrote into installer rows.

tools/package.sh registers each bitness's module in a scratch Wine prefix and keeps a copy of
system.reg before and after. This takes the keys and values each registration added below
HKEY_CLASSES_ROOT (HKLM\\Software\\Classes) and writes them as JSON:

    {"shared": [row...], "x86": [row...], "x64": [row...]}

A row is {"key": KEY, "name": NAME or null, "parts": [...]} for a string value, the module's
path standing as null among the parts of the text, or {"key": KEY, "empty": true} for a key
created without values. KEY is relative to HKEY_CLASSES_ROOT as the module named it: the
32-bit view's Wow6432Node is taken off. Rows that both bitnesses wrote to the same place (the
keys that both views share) are "shared"; the rest belong to the bitness that wrote them.

usage: harvest.py OUT.json --x86 BEFORE.reg AFTER.reg MODULE_PATH
                           --x64 BEFORE.reg AFTER.reg MODULE_PATH
"""
import argparse
import json

import wine_registry

CLASSES = "Software\\Classes"
REDIRECTED = CLASSES + "\\Wow6432Node"


def _parts(text, module_path):
    """The text split around the module's path (Windows compares paths without case)."""
    parts, lowered, path = [], text.lower(), module_path.lower()
    at = 0
    while (found := lowered.find(path, at)) >= 0:
        parts += [text[at:found], None]
        at = found + len(path)
    parts.append(text[at:])
    return [p for p in parts if p != ""]


def registered(before, after, module_path):
    """{(physical key, value name): row} of what one registration added below Classes."""
    rows = {}
    added = wine_registry.under(wine_registry.changes(before, after), [CLASSES])
    for what, key, name, data in added:
        if what in ("-key", "-"):
            raise SystemExit(f"registration removed {key} {name or '@'}: not expected")
        if what == "+key":
            rows[(key.lower(), "*")] = {"key": key, "empty": True}
            continue
        kind, text = data
        if kind != "string":
            raise SystemExit(f"{key} {name or '@'}: a value of type {kind}, not supported")
        rows.pop((key.lower(), "*"), None)  # a key with values needs no row of its own
        row = {"key": key, "name": name, "parts": _parts(text, module_path)}
        rows[(key.lower(), (name or "").lower())] = row
    return rows


def _relative(row):
    """The row with its key relative to HKEY_CLASSES_ROOT, as a program of its bitness sees it."""
    key = row["key"]
    for root in (REDIRECTED, CLASSES):
        if key.lower().startswith(root.lower() + "\\"):
            return dict(row, key=key[len(root) + 1 :])
    raise AssertionError(key)


def split(by_bits):
    """{"shared": rows, bits: rows...}: a row is shared when every bitness wrote it alike."""
    first = next(iter(by_bits.values()))
    shared = {k for k, row in first.items() if all(rows.get(k) == row for rows in by_bits.values())}
    result = {"shared": [_relative(first[k]) for k in sorted(shared)]}
    for bits, rows in by_bits.items():
        result[bits] = [_relative(rows[k]) for k in sorted(rows) if k not in shared]
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    for bits in ("x86", "x64"):
        parser.add_argument("--" + bits, nargs=3, required=True,
                            metavar=("BEFORE", "AFTER", "MODULE"))
    args = parser.parse_args()
    by_bits = {}
    for bits in ("x86", "x64"):
        before, after, module_path = getattr(args, bits)
        by_bits[bits] = registered(wine_registry.load(before), wine_registry.load(after),
                                   module_path)
        if not by_bits[bits]:
            raise SystemExit(f"the {bits} registration wrote nothing below {CLASSES}")
    with open(args.out, "w", encoding="utf-8") as out:
        json.dump(split(by_bits), out, indent=1)


if __name__ == "__main__":
    main()
