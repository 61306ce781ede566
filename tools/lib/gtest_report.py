#!/usr/bin/env python3
"""Says whether a GoogleTest run passed, from the program's own report rather than its exit
status: a test program under Wine can crash after printing its results and still exit 0.

    gtest_report.py LISTING REPORT

LISTING is what the program printed for --gtest_list_tests with the run's filter; REPORT the
file that --gtest_output=xml:REPORT wrote. The run passed when the report is there and whole,
holds every test of the listing, each run to the end (or skipped), and no failure or error.
Exits 0 if so; otherwise prints what is wrong and exits 1."""
import sys
import xml.etree.ElementTree as ElementTree


def listed_tests(listing):
    """The full names in a --gtest_list_tests listing: "Suite." lines, then indented names;
    a "#" starts a note (the type or value of a typed or parameterised test)."""
    tests, suite = [], None
    for line in listing.splitlines():
        text = line.split("#", 1)[0].rstrip()
        if not text.strip():
            continue
        if not text[0].isspace():
            suite = text.strip()
        elif suite is None:
            raise ValueError(f"a test before any suite: {line!r}")
        else:
            tests.append(suite + text.strip())
    return tests


def disabled(name):
    """Whether GoogleTest leaves the test out unless asked to run disabled tests (its listing
    names it all the same)."""
    return any(part.startswith("DISABLED_") for part in name.split("."))


def problems(listing, report):
    """What keeps the run from counting as passed (none: it passed)."""
    expected = listed_tests(listing)
    if not expected:
        return ["the listing names no test: nothing would have run"]
    try:
        root = ElementTree.fromstring(report)
    except ElementTree.ParseError as error:
        return [f"the report is not whole: {error}"]
    cases = {f"{case.get('classname')}.{case.get('name')}": case for case in root.iter("testcase")}
    found = [f"{name} is missing from the report" for name in expected if name not in cases]
    for name, case in cases.items():
        if case.find("failure") is not None or case.find("error") is not None:
            found.append(f"{name} failed")
        elif name in expected and case.get("status") != "run" and not disabled(name):
            found.append(f"{name} did not run")
        elif case.get("result") not in (None, "completed", "skipped", "suppressed"):
            found.append(f"{name} did not finish: {case.get('result')}")
    for count in ("failures", "errors"):
        if root.get(count, "0") != "0":
            found.append(f"the report counts {root.get(count)} {count}")
    return found


def main(arguments):
    if len(arguments) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    listing_file, report_file = arguments
    with open(listing_file, encoding="utf-8", errors="replace") as listing:
        listed = listing.read()
    try:
        with open(report_file, "rb") as report:
            written = report.read()
    except OSError:
        print(f"no report: {report_file} (the program ended before writing it)", file=sys.stderr)
        return 1
    found = problems(listed, written)
    for problem in found:
        print(problem, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
