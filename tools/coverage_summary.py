"""Prints tools/coverage's lines from gcovr's summary and the report tally.

    python3 coverage_summary.py <gcovr JSON summary> <report tally folder> <root>

The tally folder holds an empty file for each report call of the program
that a test asserted (IsReport), named by its source file, "/" written as
"~", then "~" and the line: store~status_store.cpp~49. Exits 1 when less
than 95 % of the lines are covered, when a report call is unreached, or
when no report call or no tally is found.
"""
import json
import os
import re
import sys

FOLDERS = ("app", "base", "diag", "dialogs", "store", "web")
TARGET = 95.0


def report_calls(root):
    """(file, line) of every REPORT_IF_ call in the program."""
    calls = []
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(".cpp"):
                    continue
                path = os.path.join(base, name)
                source = open(path, encoding="utf-8").read()
                for found in re.finditer(r"\bREPORT_IF_(?:FAILED|FALSE)\(", source):
                    line = source.count("\n", 0, found.start()) + 1
                    calls.append((os.path.relpath(path, root).replace(os.sep, "/"), line))
    return sorted(calls)


def main():
    summary_path, tally_path, root = sys.argv[1:4]
    summary = json.load(open(summary_path, encoding="utf-8"))
    seen = set()
    for entry in os.listdir(tally_path) if os.path.isdir(tally_path) else []:
        file, _, line = entry.rpartition("~")
        seen.add((file.replace("~", "/"), line))
    calls = report_calls(root)
    missed = [f"{path}:{line}" for path, line in calls if (path, str(line)) not in seen]
    lines = summary["line_percent"]
    print(f"coverage of app, base, diag, dialogs, store and web (gcov, gcovr): "
          f"lines {lines:.1f} % ({summary['line_covered']} of {summary['line_total']}), "
          f"branches {summary['branch_percent']:.1f} % "
          f"({summary['branch_covered']} of {summary['branch_total']}); "
          f"error-report calls reached: {len(calls) - len(missed)} of {len(calls)}")
    failed = False
    if not calls:
        print("coverage: no error-report call found in the sources", file=sys.stderr)
        failed = True
    if not seen:
        print(f"coverage: no report tally in {tally_path}", file=sys.stderr)
        failed = True
    if missed:
        print("coverage: error-report calls no test asserts: " + ", ".join(missed), file=sys.stderr)
        failed = True
    if lines < TARGET:
        print(f"coverage: lines under {TARGET:.0f} %", file=sys.stderr)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
