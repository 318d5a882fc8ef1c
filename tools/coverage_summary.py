"""Prints tools/coverage's lines from gcovr's summary and the report tally.

    python3 coverage_summary.py <gcovr JSON summary> <report tally> <root>

The tally holds one line per error report a test has seen: the procedure
as the report names it, a tab, the line number. A report call of the
program is reached when a report of its procedure and line was seen.
Exits 1 when less than 95 % of the lines are covered.
"""
import json
import os
import re
import sys

FOLDERS = ("app", "base", "diag", "dialogs", "store", "web")
TARGET = 95.0


def report_calls(root):
    """(file, line, procedure text) of every REPORT_IF_ call in the program."""
    texts = open(os.path.join(root, "res", "texts.h"), encoding="utf-8").read()
    procedures = dict(re.findall(r'#define (TXT_PROC_\w+) L"([^"]*)"', texts))
    calls = []
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(".cpp"):
                    continue
                path = os.path.join(base, name)
                source = open(path, encoding="utf-8").read()
                for found in re.finditer(r"\bREPORT_IF_(?:FAILED|FALSE)\(\s*(TXT_PROC_\w+)", source):
                    line = source.count("\n", 0, found.start()) + 1
                    calls.append((os.path.relpath(path, root), line, procedures[found.group(1)]))
    return sorted(calls)


def main():
    summary_path, tally_path, root = sys.argv[1:4]
    summary = json.load(open(summary_path, encoding="utf-8"))
    seen = set()
    if os.path.exists(tally_path):
        for entry in open(tally_path, encoding="utf-8"):
            procedure, _, line = entry.rstrip("\n").partition("\t")
            seen.add((procedure, line))
    calls = report_calls(root)
    missed = [f"{path}:{line}" for path, line, procedure in calls if (procedure, str(line)) not in seen]
    lines = summary["line_percent"]
    print(f"coverage of app, base, diag, dialogs, store and web (gcov, gcovr): "
          f"lines {lines:.1f} % ({summary['line_covered']} of {summary['line_total']}), "
          f"branches {summary['branch_percent']:.1f} % "
          f"({summary['branch_covered']} of {summary['branch_total']}); "
          f"error-report calls reached: {len(calls) - len(missed)} of {len(calls)}")
    if missed:
        print("error-report calls no test reaches: " + ", ".join(missed))
    if lines < TARGET:
        print(f"coverage: lines under {TARGET:.0f} %", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
