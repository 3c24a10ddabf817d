#!/usr/bin/env python3
"""Holds the Japanese catalogue to the glossary (docs/glossary.md): no translation uses a
word the glossary's last column sets aside, and a message that is a glossary term alone is
translated by the glossary's word.

  check_glossary.py GLOSSARY.md LANG.po [TEXT...]

TEXT files (the Japanese manual pages) are held to the words set aside too.
"""

import re
import sys


def glossary(path):
    """(English terms, Japanese word, words set aside) for each row of the table."""
    rows = []
    for line in open(path, encoding="utf-8"):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 3 or cells[0] in ("English", "") or set(cells[0]) <= set("-"):
            continue
        english = [t.strip() for t in re.sub(r"\(.*?\)", "", cells[0]).split(",") if t.strip()]
        not_used = [w.strip() for w in cells[2].split(",") if w.strip()]
        rows.append((english, cells[1], not_used))
    return rows


def catalogue(path):
    """(msgid, msgstr) of every entry."""
    text = open(path, encoding="utf-8").read()
    entries = []
    for block in text.split("\n\n"):
        parts = {"msgid": "", "msgstr": ""}
        current = None
        for line in block.split("\n"):
            m = re.match(r'^(msgid|msgstr) "(.*)"$', line)
            if m:
                current = m.group(1)
                parts[current] = m.group(2)
            elif line.startswith('"') and current:
                parts[current] += line[1:-1]
        if parts["msgid"]:
            entries.append((parts["msgid"], parts["msgstr"]))
    return entries


def main(glossary_path, po_path, *texts):
    rows, entries = glossary(glossary_path), catalogue(po_path)
    faults = []
    for path in texts:
        for number, line in enumerate(open(path, encoding="utf-8"), 1):
            for _, japanese, not_used in rows:
                for word in not_used:
                    if word in line:
                        faults.append(f"{path}:{number}: '{word}' where the glossary says '{japanese}'")
    for msgid, msgstr in entries:
        for english, japanese, not_used in rows:
            for word in not_used:
                if word in msgstr:
                    faults.append(f"{msgid!r}: '{word}' where the glossary says '{japanese}'")
            # A message that is the term alone is the glossary's word.
            words = [w.strip() for w in re.sub(r"\(.*?\)", "", japanese).split(",")]
            if msgid in english and msgstr not in words:
                faults.append(f"{msgid!r}: '{msgstr}', the glossary says '{japanese}'")
    for fault in faults:
        print(fault)
    print(f"{len(entries)} messages against {len(rows)} glossary terms: {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
