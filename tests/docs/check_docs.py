#!/usr/bin/env python3
"""Checks that the samples the docs show are the files under examples/, that each sample is
shown, runs, or says where its runnable twin is, and that every link between pages leads to a
file that is there.

A quoted block is a fenced block right after a marker line
    <!-- quote: examples/PATH -->          the whole file
    <!-- quote: examples/PATH#L5-L12 -->   lines 5 to 12
Every file under examples/ must be quoted or named by its path on some page. A sample runs when it has an .expected
output beside it (tools/examples-test.sh runs it) or is built by examples/build-mingw.sh; any
other sample must be quoted next to the words "Not run here". Prints one line per problem and
exits 1 when there is any. Each member's reference page must end with Requirements naming the
type library as the IDL declares it. A user page names a test (Suite.Name of a test under tests/)
only in a paragraph from its words "Tested by" on, and every test the docs name exists."""
import pathlib
import re
import sys

MARKER = re.compile(r"^<!-- quote: (examples/[^#\s]+)(?:#L(\d+)-L(\d+))? -->$")
BUILT_BY = "examples/build-mingw.sh"
NEAR = 12  # lines around a block in which "Not run here" must stand
LINK = re.compile(r"\]\(([^)#\s]+)(?:#[^)]*)?\)")
IDL = "server/automation/quorvane.idl"
LIBRARY = re.compile(r"version\((\d+\.\d+)\)[^\]]*\]\s*library (\w+)")
TEST = re.compile(r"^\s*TEST(?:_F)?\(\s*(\w+),\s*(\w+)", re.M)
TESTED_BY = re.compile(r"(?:^|(?<=\. ))Tested by", re.M)  # a line or a sentence, not a column
DEVELOPMENT = "docs/development.md"  # the map of claims to tests, for developers


def requirements_problems(root):
    """Each member's reference page ends with Requirements naming the type library as the IDL
    declares it (the IDL is in the repository, not in the release)."""
    idl = root / IDL
    if not idl.exists():
        return []
    version, name = LIBRARY.search(idl.read_text()).groups()
    problems = []
    for page in sorted((root / "docs" / "reference").glob("*.md")):
        if page.name == "README.md":
            continue
        text = page.read_text(encoding="utf-8")
        tail = text[text.rfind("\n## "):]
        if not tail.startswith("\n## Requirements") or f"`{name}` {version}" not in tail:
            problems.append(f"{page.relative_to(root).as_posix()}: it does not end with "
                            f"Requirements naming the type library `{name}` {version}")
    return problems


def test_names(root):
    """(suite, name) of every C++ test; none in a release, which ships no tests."""
    return {match for path in (root / "tests").rglob("*.cpp")
            for match in TEST.findall(path.read_text(encoding="utf-8", errors="replace"))}


def test_name_problems(where, text, tests):
    """A user page reads in the user's words: a test is named only from "Tested by" to the end of
    its paragraph (or on the development page). A named test must exist, so the map stays true."""
    if not tests:
        return []
    suites = "|".join(sorted({suite for suite, _ in tests}))
    name = re.compile(rf"\b({suites})\.(\*|[A-Z]\w+)")
    problems, offset = [], 0
    for paragraph in re.split(r"(\n\s*\n)", text):
        tested_by = TESTED_BY.search(paragraph)
        allowed = 0 if where == DEVELOPMENT else tested_by.start() if tested_by else -1
        for match in name.finditer(paragraph):
            line = text.count("\n", 0, offset + match.start()) + 1
            if match[2] != "*" and (match[1], match[2]) not in tests:
                problems.append(f"{where}:{line}: no test {match[0]} is under tests/")
            if allowed < 0 or match.start() < allowed:
                problems.append(f"{where}:{line}: {match[0]} is named outside a Tested by line")
        offset += len(paragraph)
    return problems


def quoted_blocks(page, lines):
    """Yields (line number, path, first, last, text of the block) for each marker."""
    for i, line in enumerate(lines):
        match = MARKER.match(line.strip())
        if not match:
            continue
        fence = lines[i + 1] if i + 1 < len(lines) else ""
        if not fence.startswith("```"):
            yield i + 1, match[1], None, None, None
            continue
        end = next((j for j in range(i + 2, len(lines)) if lines[j].startswith("```")), None)
        body = "\n".join(lines[i + 2 : end]) if end else None
        first, last = (int(match[2]), int(match[3])) if match[2] else (None, None)
        yield i + 1, match[1], first, last, body


def main(root):
    root = pathlib.Path(root)
    pages = [root / "README.md", *sorted((root / "docs").rglob("*.md"))]
    samples = {p.relative_to(root).as_posix() for p in (root / "examples").rglob("*")
               if p.is_file() and p.suffix != ".expected" and p.name != "README.md"}
    built = (root / BUILT_BY).read_text() if (root / BUILT_BY).exists() else ""
    problems, shown, declared, named = [], set(), set(), set()
    tests = test_names(root)
    for page in pages:
        text = page.read_text(encoding="utf-8")
        lines = text.splitlines()
        where = page.relative_to(root).as_posix()
        named |= {path for path in samples if path in text}
        problems += test_name_problems(where, text, tests)
        for link in LINK.findall(text):
            if "://" not in link and not (page.parent / link).exists():
                problems.append(f"{where}: the link to {link} leads nowhere")
        for number, path, first, last, body in quoted_blocks(page, lines):
            if body is None:
                problems.append(f"{where}:{number}: the marker for {path} has no fenced block")
                continue
            if not (root / path).is_file():
                problems.append(f"{where}:{number}: {path} does not exist")
                continue
            sample = (root / path).read_text(encoding="utf-8").rstrip("\n").split("\n")
            want = "\n".join(sample[first - 1 : last] if first else sample)
            if body != want:
                problems.append(f"{where}:{number}: the block differs from {path}"
                                + (f" lines {first}-{last}" if first else ""))
            shown.add(path)
            around = "\n".join(lines[max(0, number - NEAR) : number + NEAR + body.count("\n")])
            if "not run here" in around.lower():
                declared.add(path)
    for path in sorted(samples):
        runs = (root / (path + ".expected")).exists() or path in built or path == BUILT_BY
        runs = runs or (root / path).with_suffix(".expected").exists()
        if path not in shown and path not in named:
            problems.append(f"{path}: no page of the docs shows or names it")
        elif not runs and path not in declared:
            problems.append(f"{path}: it does not run here, and its page does not say so")
    problems += requirements_problems(root)
    for problem in problems:
        print(problem)
    print(f"{len(shown)} samples shown, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
