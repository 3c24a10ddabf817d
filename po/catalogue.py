#!/usr/bin/env python3
"""The message catalogue's sources: every message id of the program, extracted by xgettext.

  catalogue.py pot SOURCE_DIR OUT.pot    writes the template of every message id
  catalogue.py check SOURCE_DIR LANG.po  fails when LANG.po lacks a translation of one, or
                                         when a translation loses or adds a placeholder

Message ids are the texts given to Tr() and Text::Message() or marked with N_(), and the constants of the
`namespace msg` and `namespace text` blocks (model/errors.h and the like), which are
marked here on a copy of the sources: those headers stay plain C++.
"""

import os
import re
import subprocess
import sys
import tempfile

# The folders of the programs' own sources (the tests' texts are not messages).
SOURCE_FOLDERS = ["app", "ui", "report", "base", "model", "engine", "design", "files", "batch"]

BLOCK = re.compile(r"namespace\s+(?:msg|text)\s*\{")
CONSTANT = re.compile(
    r'(constexpr\s+const\s+char\s*\*\s*(?:const\s+)?\w+\s*=\s*)((?:"(?:[^"\\\n]|\\.)*"\s*)+);')
PLACEHOLDER = re.compile(r"%[1-9sd]")


def sources(root):
    for folder in SOURCE_FOLDERS:
        for directory, _, names in sorted(os.walk(os.path.join(root, folder))):
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    yield os.path.relpath(os.path.join(directory, name), root)


def mark_constants(text):
    """The constants of msg and text blocks wrapped in N_(), lines kept where they were."""
    out, at = [], 0
    for block in BLOCK.finditer(text):
        if block.start() < at:
            continue
        depth, end = 0, block.end() - 1
        for end in range(block.end() - 1, len(text)):
            depth += {"{": 1, "}": -1}.get(text[end], 0)
            if depth == 0:
                break
        out.append(text[at:block.start()])
        out.append(CONSTANT.sub(r"\1N_(\2);", text[block.start():end + 1]))
        at = end + 1
    out.append(text[at:])
    return "".join(out)


def write_pot(root, pot):
    files = list(sources(root))
    with tempfile.TemporaryDirectory() as copy:
        for name in files:
            with open(os.path.join(root, name), encoding="utf-8") as f:
                text = mark_constants(f.read())
            os.makedirs(os.path.join(copy, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(copy, name), "w", encoding="utf-8") as f:
                f.write(text)
        subprocess.run(["xgettext", "--language=C++", "--from-code=UTF-8", "--keyword=",
                        "--keyword=Tr:1", "--keyword=N_", "--keyword=Message:1",
                        "--add-comments=TRANSLATORS:",
                        "--package-name=platecam", "--sort-by-file", "--no-wrap",
                        "--directory=" + copy, "--output=" + os.path.abspath(pot)] + files,
                       check=True)


def entries(po):
    """(msgid, msgstr, fuzzy) of a .po file, the header left out."""
    found, current, field, fuzzy = [], None, None, False

    def close():
        if current and current["msgid"]:
            found.append((current["msgid"], current["msgstr"], current["fuzzy"]))

    with open(po, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("#,") and "fuzzy" in line:
                fuzzy = True
            elif line.startswith(("msgid ", "msgstr ")):
                field, _, rest = line.partition(" ")
                if field == "msgid":
                    close()
                    current = {"msgid": "", "msgstr": "", "fuzzy": fuzzy}
                    fuzzy = False
                current[field] += eval(rest)  # a C string literal reads as Python's
            elif line.startswith('"') and current is not None:
                current[field] += eval(line)
    close()
    return found


def check(root, po):
    with tempfile.TemporaryDirectory() as work:
        pot = os.path.join(work, "platecam.pot")
        write_pot(root, pot)
        translated = {i: s for i, s, fuzzy in entries(po) if s and not fuzzy}
        ids = [i for i, _, _ in entries(pot)]
        missing = [i for i in ids if i not in translated]
    faults = 0
    for msgid in missing:
        print("no translation in %s:\nmsgid %s\nmsgstr \"\"\n" % (po, quote(msgid)))
        faults += 1
    for msgid, msgstr in translated.items():
        if sorted(PLACEHOLDER.findall(msgid)) != sorted(PLACEHOLDER.findall(msgstr)):
            print("the placeholders differ in %s:\nmsgid %s\nmsgstr %s\n" % (po, quote(msgid), quote(msgstr)))
            faults += 1
    print("%d message ids of the sources checked against %s: %d faults" % (len(ids), po, faults))
    return 1 if faults else 0


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("pot", "check"):
        sys.exit(__doc__)
    if sys.argv[1] == "pot":
        write_pot(sys.argv[2], sys.argv[3])
    else:
        sys.exit(check(sys.argv[2], sys.argv[3]))
