#!/usr/bin/python3
"""Opens DXF files with ezdxf and fails when the reader or its audit finds an error."""
import sys

import ezdxf
from ezdxf import recover

failed = False
for path in sys.argv[1:]:
    try:
        doc, auditor = recover.readfile(path)
    except (IOError, ezdxf.DXFStructureError) as error:
        print(f"{path}: unreadable: {error}")
        failed = True
        continue
    auditor = doc.audit()
    counts = {}
    for entity in doc.modelspace():
        counts[entity.dxftype()] = counts.get(entity.dxftype(), 0) + 1
    print(f"{path}: {doc.dxfversion} {sorted(counts.items())} "
          f"errors={len(auditor.errors)} fixes={len(auditor.fixes)}")
    if auditor.has_errors:
        auditor.print_error_report()
        failed = True
sys.exit(1 if failed else 0)
