#!/usr/bin/env python3
"""The check that tools/wine-test.sh trusts instead of a test program's exit status: fed the
reports that a crashed or cut-short run leaves, it must say the run failed."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "lib"))
import gtest_report  # noqa: E402

LISTING = "Suite.\n  First\n  DISABLED_Later\nTyped/0.  # TypeParam = int\n  Works\n"


def report(*cases, failures=0):
    body = "".join(f'<testcase classname="{suite}" name="{name}" status="{status}" '
                   f'result="{result}">{inside}</testcase>'
                   for suite, name, status, result, inside in cases)
    return (f'<?xml version="1.0"?><testsuites tests="{len(cases)}" failures="{failures}" '
            f'errors="0"><testsuite name="all">{body}</testsuite></testsuites>').encode()


FIRST = ("Suite", "First", "run", "completed", "")
LATER = ("Suite", "DISABLED_Later", "notrun", "suppressed", "")
TYPED = ("Typed/0", "Works", "run", "completed", "")
WHOLE = report(FIRST, LATER, TYPED)


class Judged(unittest.TestCase):
    def test_a_whole_clean_report_passes_and_every_fault_fails(self):
        self.assertEqual([], gtest_report.problems(LISTING, WHOLE))
        failing = {
            "a test missing": report(FIRST, LATER),
            "a failure": report(FIRST, LATER, TYPED[:4] + ('<failure message="x"/>',),
                                failures=1),
            "a test left out": report(FIRST, LATER, ("Typed/0", "Works", "notrun",
                                                     "suppressed", "")),
            "cut short": WHOLE[: len(WHOLE) // 2],
        }
        for fault, written in failing.items():
            with self.subTest(fault):
                self.assertNotEqual([], gtest_report.problems(LISTING, written))
        with self.subTest("nothing listed"):
            self.assertNotEqual([], gtest_report.problems("", report()))

    def test_a_run_that_wrote_no_report_fails(self):
        with tempfile.TemporaryDirectory() as folder:
            listing = os.path.join(folder, "listing")
            with open(listing, "w") as written:
                written.write(LISTING)
            self.assertEqual(1, gtest_report.main([listing, os.path.join(folder, "none.xml")]))


if __name__ == "__main__":
    unittest.main()
