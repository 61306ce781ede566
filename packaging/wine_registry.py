"""Reads the registry files of a Wine prefix and tells what changed between two copies.

Wine keeps the registry as text (system.reg for HKEY_LOCAL_MACHINE, user.reg for
HKEY_CURRENT_USER) and writes it out when its wineserver ends. A key appears there with its
values; a key that has subkeys but no values of its own is not written.

usage: wine_registry.py diff BEFORE.reg AFTER.reg [--under PREFIX] [--except PREFIX]
                                                 [--allow-empty PREFIX]
prints every key and value added, changed or removed, one a line; exits 1 if there is any.
"""
import argparse
import re
import sys

_KEY = re.compile(r'^\[(.*)\](?: \d+)?$')
_VALUE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')
_ESCAPES = {"a": "\a", "b": "\b", "t": "\t", "n": "\n", "v": "\v", "f": "\f", "r": "\r",
            "e": "\x1b"}


def unescape(text):
    """Wine's escaping: C escapes, octal below 32, and \\x with hex digits beyond ASCII."""
    out, at = [], 0
    while at < len(text):
        char = text[at]
        if char != "\\":
            out.append(char)
            at += 1
            continue
        code = text[at + 1]
        hexadecimal = code == "x" and re.match(r"[0-9a-fA-F]{1,4}", text[at + 2 :])
        octal = re.match(r"[0-7]{1,3}", text[at + 1 :])
        if hexadecimal:
            out.append(chr(int(hexadecimal.group(0), 16)))
            at += 2 + len(hexadecimal.group(0))
        elif octal:
            out.append(chr(int(octal.group(0), 8)))
            at += 1 + len(octal.group(0))
        else:
            out.append(_ESCAPES.get(code, code))
            at += 2
    return "".join(out)


def _value(raw):
    """(type, data): ("string", text) for REG_SZ; other types keep Wine's spelling."""
    if raw.startswith('"') and raw.endswith('"'):
        return ("string", unescape(raw[1:-1]))
    kind, _, data = raw.partition(":")
    return (kind, data)


def _lines(path):
    """The logical lines of a registry file, continued lines (ending in a backslash) joined."""
    with open(path, encoding="utf-8", errors="surrogateescape") as source:
        pending = ""
        for raw in source:
            line = pending + (raw.strip() if pending else raw.rstrip("\n"))
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1]
                continue
            pending = ""
            yield line


def load(path):
    """{key: {value name or None for the default value: (type, data)}}; keys as written."""
    keys, current = {}, None
    for line in _lines(path):
        match = _KEY.match(line)
        if match:
            current = keys.setdefault(unescape(match.group(1)), {})
            continue
        match = _VALUE.match(line)
        if match and current is not None:
            name = None if match.group(1) == "@" else unescape(match.group(1)[1:-1])
            current[name] = _value(match.group(2))
    return keys


def _folded(keys):
    """Keys and value names compared as Windows compares them: without regard to case."""
    return {
        key.lower(): (key, {(n.lower() if n else n): (n, v) for n, v in values.items()})
        for key, values in keys.items()
    }


def changes(before, after):
    """What `after` adds to, changes in or removes from `before`, as sorted tuples
    (what, key, value name, data), `what` one of "+key", "-key", "+", "-" ."""
    old, new = _folded(before), _folded(after)
    found = []
    for folded in sorted(set(old) | set(new)):
        was = old.get(folded, (None, {}))
        now = new.get(folded, (None, {}))
        if folded not in old:
            found.append(("+key", now[0], None, None))
        elif folded not in new:
            found.append(("-key", was[0], None, None))
        key = now[0] or was[0]
        for name in sorted(set(was[1]) | set(now[1]), key=lambda n: n or ""):
            if was[1].get(name, (0, None))[1] != now[1].get(name, (0, None))[1]:
                if name in was[1]:
                    found.append(("-", key, was[1][name][0], was[1][name][1]))
                if name in now[1]:
                    found.append(("+", key, now[1][name][0], now[1][name][1]))
    return found


def under(found, prefixes):
    """The changes to keys that lie at or below one of `prefixes`."""
    lowered = [p.lower() for p in prefixes]
    return [c for c in found
            if any(c[1].lower() == p or c[1].lower().startswith(p + "\\") for p in lowered)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=["diff"])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--under", action="append", default=[], help="only keys at or below this")
    parser.add_argument("--except", action="append", default=[], dest="excepted", metavar="PREFIX",
                        help="leave out the keys at or below this")
    parser.add_argument("--allow-empty", action="append", default=[], metavar="PREFIX",
                        help="a key added below this is no change as long as it holds no value")
    args = parser.parse_args()
    found = changes(load(args.before), load(args.after))
    if args.under:
        found = under(found, args.under)
    allowed = set(under(found, args.excepted))
    allowed |= {c for c in under(found, args.allow_empty) if c[0] == "+key"}
    found = [c for c in found if c not in allowed]
    for what, key, name, data in found:
        print(what, key, "" if what.endswith("key") else f"{name or '@'} = {data}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
