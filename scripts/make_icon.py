#!/usr/bin/python3
"""Draws the program's icon from a real cam contour: the CSV that platecam-batch writes
for the start-up design (columns contour_x_mm, contour_y_mm), as a scalable SVG."""
import csv
import sys

rows = list(csv.DictReader(open(sys.argv[1])))
points = [(float(r["contour_x_mm"]), float(r["contour_y_mm"])) for r in rows]
reach = max(max(abs(x), abs(y)) for x, y in points)
scale = 56 / reach  # the cam fills a 128-unit square with a margin


def at(x, y):
    return f"{64 + x * scale:.2f},{64 - y * scale:.2f}"


path = "M" + " L".join(at(x, y) for x, y in points) + " Z"
top = max(y for _, y in points)
roller = 10 * scale
svg = f"""<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">
  <title>platecam</title>
  <path d="{path}" fill="#3c78b4" stroke="#1d3f63" stroke-width="2" stroke-linejoin="round"/>
  <circle cx="64" cy="64" r="6" fill="#ffffff" stroke="#1d3f63" stroke-width="2"/>
  <circle cx="64" cy="{64 - top * scale - roller:.2f}" r="{roller:.2f}" fill="#e8a33d" stroke="#7a4e0f" stroke-width="2"/>
</svg>
"""
open(sys.argv[2], "w").write(svg)
