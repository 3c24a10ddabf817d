#!/usr/bin/env bash
# A screenshot of LibreCAD (Debian's) showing a DXF file, as a user with a CAD program
# sees the drawing: under its own Xvfb, the whole drawing in view.
#   scripts/librecad_shot.sh FILE.dxf OUT.png
# Needs librecad, xvfb, xdotool and imagemagick.
set -euo pipefail
dxf=$(realpath "$1")
png=$(realpath -m "$2")
home=$(mktemp -d)
display=":$((60 + RANDOM % 200))"
trap 'kill "$librecad" "$xvfb" 2>/dev/null || true; rm -rf "$home"' EXIT
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
sleep 2
export HOME=$home DISPLAY=$display
# No first-start dialog (units and language) over the drawing.
mkdir -p "$HOME/.config/LibreCAD"
printf '[Startup]\nFirstLoad=false\n' >"$HOME/.config/LibreCAD/LibreCAD.conf"
timeout 120 librecad "$dxf" >/dev/null 2>&1 &
librecad=$!
window=$(timeout 60 xdotool search --sync --pid "$librecad" --onlyvisible --name LibreCAD | head -1)
xdotool windowmove "$window" 0 0 windowsize "$window" 1280 900
sleep 2
# "za" in LibreCAD's command line: zoom to the whole drawing.
xdotool mousemove 1115 781 click 1
sleep 0.5
xdotool type --delay 80 za
xdotool key Return
sleep 3
xdotool mousemove 1279 450
sleep 0.5
import -window root "$png"
