#!/usr/bin/env bash
# Remakes the committed pictures: the icon from the start-up design's contour, the
# README's screenshot of the window, taken under Xvfb, and both pages of the design
# report. Run after ./run.sh or ./test.sh has built build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target platecam-batch platecam_report platecam-window-shot >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
./build/batch/platecam-batch tests/data/cam1.dat --csv "$tmp/cam.csv"
/usr/bin/python3 scripts/make_icon.py "$tmp/cam.csv" data/platecam.svg
mkdir -p docs
xvfb-run -a -s "-screen 0 1280x900x24" ./build/app/platecam-window-shot docs/window.png
./build/batch/platecam-batch tests/data/cam1.dat --resolution 0.2 --rpm 300 --size-base \
  --report "$tmp/cam.pdf" >/dev/null
pdftoppm -png -r 60 "$tmp/cam.pdf" docs/report-page
echo "wrote data/platecam.svg, docs/window.png and docs/report-page-1.png, -2.png"
