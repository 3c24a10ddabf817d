#!/usr/bin/env bash
# Remakes the committed pictures: the icon from the start-up design's contour, the
# README's screenshots of the classic and the engineering window, taken under Xvfb, the
# drawing in LibreCAD, both pages of the design report in
# Japanese and the workshop drawing. Run after ./run.sh or ./test.sh has built build/.
#   scripts/make_images.sh          every picture
#   scripts/make_images.sh report   the report's pages and the drawing only
set -euo pipefail
cd "$(dirname "$0")/.."
only_report=false
[[ "${1:-}" == report ]] && only_report=true
targets="platecam-batch platecam_report"
$only_report || targets="$targets platecam-window-shot"
cmake --build build --target $targets >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p docs
if ! $only_report; then
  ./build/batch/platecam-batch tests/data/cam1.dat --csv "$tmp/cam.csv"
  /usr/bin/python3 scripts/make_icon.py "$tmp/cam.csv" data/platecam.svg
  xvfb-run -a -s "-screen 0 1280x900x24" ./build/app/platecam-window-shot docs/window.png
  xvfb-run -a -s "-screen 0 1400x1000x24" ./build/app/platecam-window-shot \
    --engineering examples/swing-arm.toml docs/engineering.png
fi

# The start-up design as a design document, with a title block, its bore and a fixed
# date (the pictures do not change from day to day), in the language of its readers.
./build/batch/platecam-batch tests/data/cam1.toml --rpm 300 --size-base --lang ja \
  --title-block part_number=K-1024 --title-block material=S45C --title-block designer=山田 \
  --title-block checker=佐藤 --title-block revision=A --title-block date=2025-04-01 \
  --title-block bore_diameter=30 \
  --report "$tmp/cam.pdf" --drawing "$tmp/cam-drawing.dxf" >/dev/null
pdftoppm -png -r 100 "$tmp/cam.pdf" docs/report-page

# The same drawing as a CAD program a Debian user has shows it: LibreCAD under Xvfb, its
# Japanese in the stroke font the drawing's text style names.
scripts/librecad_shot.sh "$tmp/cam-drawing.dxf" docs/librecad-drawing.png


# The drawing as a CAD program shows it: ezdxf's drawing add-on, as the drawing's own
# check renders it (IPA Gothic standing in for MS Gothic).
/usr/bin/python3 - "$tmp/cam-drawing.dxf" docs/drawing.png <<'EOF'
import sys
sys.path.insert(0, "scripts")
import ezdxf
from check_drawing import render

doc = ezdxf.readfile(sys.argv[1])
render(doc, doc.header["$EXTMIN"], doc.header["$EXTMAX"], sys.argv[2])
EOF
if $only_report; then
  echo "wrote docs/report-page-*.png, docs/drawing.png and docs/librecad-drawing.png"
else
  echo "wrote data/platecam.svg, docs/window.png, docs/engineering.png, docs/report-page-*.png, docs/drawing.png and docs/librecad-drawing.png"
fi
