#!/usr/bin/env python3
"""Every output of platecam-batch for every example and test design, as SHA-256 hashes.

  output_hashes.py check  BATCH SOURCE_DIR HASHES   fails on any output whose hash differs
  output_hashes.py update BATCH SOURCE_DIR HASHES   writes the hashes anew

The hashes are taken once and committed: a change that means to keep every output as it
was (a new shape of the code, not of the results) shows here that it did. Each run writes
all of its outputs at once (the CSV, the JSON, the window's DXF, the workshop drawing, the
saved design, the report's text as pdftotext extracts it) and prints the check in English
and in Japanese; its exit status and messages are hashed too. The report is dated by
--title-block, so that its text does not change with the day.
"""

import hashlib
import os
import subprocess
import sys
import tempfile

# The runs of each design: its own settings, then sizing at a fine resolution with a speed.
RUNS = [
    [],
    ["--size-base", "--resolution", "0.2", "--rpm", "450"],
]
# A design file also with the window's other laws.
DAT_RUNS = [
    ["--law", "trapezoid", "--resolution", "0.5"],
    ["--law", "sine", "--points"],
]
OUTPUTS = [("--csv", "out.csv"), ("--json", "out.json"), ("--dxf", "out.dxf"),
           ("--drawing", "drawing.dxf"), ("--save-design", "saved.toml")]


def designs(source):
    found = []
    for folder in ("examples", os.path.join("tests", "data")):
        for name in sorted(os.listdir(os.path.join(source, folder))):
            if name.endswith((".dat", ".toml")):
                found.append(os.path.join(folder, name))
    return found


def digest(data):
    return hashlib.sha256(data).hexdigest()


def run_once(batch, design, options, work, report):
    """The hashes of one run, name -> hex."""
    for _, name in OUTPUTS + [("--report", "report.pdf")]:
        path = os.path.join(work, name)
        if os.path.exists(path):
            os.remove(path)
    arguments = [batch, design, "--check"] + options
    for option, name in OUTPUTS:
        arguments += [option, os.path.join(work, name)]
    if report:
        arguments += ["--report", os.path.join(work, "report.pdf"),
                      "--title-block", "date=2026-01-01"]
    hashes = {}
    environment = dict(os.environ, LC_ALL="C")
    for language in ("en", "ja"):
        done = subprocess.run(arguments + ["--lang", language], capture_output=True, env=environment)
        # The outputs are the same bytes in either language but the report's text.
        messages = done.stdout + b"\n--\n" + done.stderr.replace(work.encode(), b"WORK")
        hashes[f"check.{language}"] = digest(str(done.returncode).encode() + b"\n" + messages)
        if report and os.path.exists(os.path.join(work, "report.pdf")):
            text = subprocess.run(["pdftotext", "-layout", os.path.join(work, "report.pdf"), "-"],
                                  capture_output=True, check=True).stdout
            hashes[f"report.{language}"] = digest(text)
    for _, name in OUTPUTS:
        path = os.path.join(work, name)
        hashes[name] = digest(open(path, "rb").read()) if os.path.exists(path) else "absent"
    return hashes


def all_hashes(batch, source, report):
    lines = []
    with tempfile.TemporaryDirectory() as work:
        for design in designs(source):
            runs = RUNS + (DAT_RUNS if design.endswith(".dat") else [])
            for options in runs:
                # The design's own name stands in the outputs: run it from the source tree.
                hashes = run_once(batch, design, options, work, report)
                label = design + " " + " ".join(options)
                for name, value in sorted(hashes.items()):
                    lines.append(f"{label.strip()} | {name} | {value}")
    return lines


def main():
    mode, batch, source, stored = sys.argv[1:5]
    batch = os.path.abspath(batch)
    os.chdir(source)
    report = os.path.exists(os.path.join(os.path.dirname(batch), "..", "lib", "platecam",
                                         "libplatecam_report.so"))
    lines = all_hashes(batch, ".", report)
    if mode == "update":
        with open(stored, "w", encoding="utf-8") as f:
            f.write("# design options | output | sha256 (scripts/output_hashes.py update)\n")
            f.write("\n".join(lines) + "\n")
        print(f"{len(lines)} hashes written to {stored}")
        return 0
    expected = [l for l in open(stored, encoding="utf-8").read().splitlines() if not l.startswith("#")]
    if not report:
        expected = [l for l in expected if "| report." not in l]
    wrong = sorted(set(expected) ^ set(lines))
    if wrong:
        print("outputs that differ from the committed hashes (- committed, + now):")
        for line in wrong:
            print(("- " if line in expected else "+ ") + line)
        return 1
    print(f"{len(lines)} outputs hash as committed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
