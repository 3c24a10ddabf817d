#!/usr/bin/env python3
"""Facts the documentation states about the programs, checked against the programs.

    check_facts.py SOURCE_DIR PLATECAM_BATCH PLATECAM BUILT_MAN_DIR

- The version: what both programs print for --version, the Debian changelog's latest
  entry, the AppStream metadata's latest release and the built man pages' headers.
- The options: every option `--help` lists appears in the English and Japanese manual
  pages of its program, and each option of platecam-batch in the README.
Prints each fault; exits 1 when there is one.
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

source, batch, window, built_man = sys.argv[1:5]
faults = []


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def output(*argv):
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
    return subprocess.run(argv, capture_output=True, text=True, env=environment, check=True).stdout


def man_text(path):
    """The page's words with roff's escapes of a hyphen undone: \\-\\-size\\-base."""
    return read(path).replace("\\-", "-").replace("\\(hy", "-")


# ---- The version, in every place it is written ----
versions = {}
for name, program in (("platecam-batch --version", batch), ("platecam --version", window)):
    words = output(program, "--version").split()
    versions[name] = words[-1] if words else ""
changelog = read(os.path.join(source, "packaging/changelog")).splitlines()[0]
match = re.match(r"platecam \(([^)]+)\)", changelog)
versions["packaging/changelog"] = match.group(1) if match else changelog
releases = ElementTree.parse(os.path.join(source, "data/platecam.metainfo.xml")).find("releases")
versions["metainfo <releases>"] = releases[0].get("version") if releases is not None and len(releases) else ""
for page in ("platecam.1", "platecam-batch.1", "ja/platecam.1", "ja/platecam-batch.1"):
    header = next((l for l in read(os.path.join(built_man, page)).splitlines() if l.startswith(".TH")), "")
    found = re.search(r'"platecam ([^"]+)"', header)
    versions["man " + page] = found.group(1) if found else header
expected = versions["platecam-batch --version"]
for where, version in versions.items():
    if version != expected:
        faults.append(f"{where} says version {version!r}, platecam-batch --version {expected!r}")

# ---- The options --help lists, in the manual pages and the README ----
def options(help_text):
    return sorted(set(re.findall(r"^\s+(?:-\w, )?(--[a-z][a-z-]*)", help_text, re.MULTILINE)))

readme = read(os.path.join(source, "README.md"))
for program, binary, extra in (("platecam-batch", batch, [readme]), ("platecam", window, [])):
    listed = options(output(binary, "--help"))
    if len(listed) < 3:
        faults.append(f"{program} --help lists only {listed}: the pattern no longer reads it")
    pages = {f"man/{program}.1": man_text(os.path.join(source, "man", program + ".1")),
             f"man/ja/{program}.1": man_text(os.path.join(source, "man/ja", program + ".1"))}
    if extra:
        pages["README.md"] = extra[0]
    for option in listed:
        if option == "--help-all":  # Qt's own
            continue
        for where, text in pages.items():
            if not re.search(re.escape(option) + r"(?![a-z-])", text):
                faults.append(f"{where} does not mention {program} {option}")

for fault in faults:
    print(fault)
print(f"{len(versions)} versions and the options of 2 programs checked: {len(faults)} faults")
sys.exit(1 if faults else 0)
