#!/usr/bin/env python3
"""Counts the test cases of one ctest log: prints "<passed> <failed>".

A test that ran a GoogleTest suite as a whole (under Wine, one per suite)
left its cases' results in RESULTS/<test name>.xml ("/" as "-"): its cases
count one each. Any other test counts one; so does a suite that failed
without a failed case to show for it (it crashed, or timed out).

usage: test-counts.py CTEST_LOG RESULTS_DIR
"""

import re
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

# "  12/394 Test #87: Name .....   Passed    0.04 sec"; the name of a
# parameterised case may go on with "  # GetParam() = ...".
RESULT = re.compile(r"^\s*\d+/\d+ Test\s+#\d+: (\S+)")
PASSED = re.compile(r"\sPassed\s+[\d.]+ sec\s*$")


def cases(xml):
    """(passed, failed) of the cases a GoogleTest XML report ran."""
    passed = failed = 0
    for case in ElementTree.parse(xml).iter("testcase"):
        if case.get("status", "run") != "run" or case.get("result") == "skipped":
            continue
        if case.find("failure") is not None:
            failed += 1
        else:
            passed += 1
    return passed, failed


def main(log, results):
    passed = failed = 0
    for line in Path(log).read_text(errors="replace").splitlines():
        match = RESULT.match(line)
        if not match:
            continue
        name, ok = match.group(1), PASSED.search(line) is not None
        xml = Path(results) / (name.replace("/", "-") + ".xml")
        good, bad = cases(xml) if xml.exists() else (int(ok), int(not ok))
        if not ok and bad == 0:
            bad = 1
        passed += good
        failed += bad
    print(passed, failed)


if __name__ == "__main__":
    main(*sys.argv[1:])
