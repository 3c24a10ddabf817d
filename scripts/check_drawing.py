#!/usr/bin/python3
"""Checks workshop drawings (X.dxf with X.json beside it saying what it must show) in an
independent reader: ezdxf reads it strictly and its audit finds no error, every layer
holds what its name says, the contour and pitch curve are closed chains of arcs and lines
whose neighbours share their ends and tangents, and a render by ezdxf's drawing add-on
(matplotlib, Agg) has them on the rings the JSON gives, the bore, a clear centre but for
the centre mark, and all its ink inside $EXTMIN/$EXTMAX, which it fills. Writes the
render as X.png."""
import json
import math
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.image
import matplotlib.pyplot as plt
import numpy as np
from matplotlib.font_manager import FontProperties, findfont, get_font

import ezdxf
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
from ezdxf.tools import fonts

# The drawing names the SHX fonts of Japanese CAD programs (romans.shx with the big font
# extfont2.shx); IPA Gothic stands in for them here, as a program on Linux substitutes.
fonts.font_face_cache[fonts.cache_key(fonts.map_shx_to_ttf("romans.shx"))] = fonts.FontFace(
    "ipag.ttf", "IPAGothic", "normal", "normal", 400)

LAYERS = {"CONTOUR", "PITCH", "CENTER", "TEXT"}
WIDTH_PX = 1200


class Check:
    def __init__(self, path):
        self.path = path
        self.failures = []

    def that(self, condition, what):
        if not condition:
            self.failures.append(what)
        return condition


def near(a, b, tolerance=1e-9):
    return abs(a - b) <= tolerance * max(1.0, abs(a), abs(b))


def ends_and_tangents(e):
    """A piece's two ends, each with the unit tangent of the piece there, pointing out of
    the piece at its start and along it at its end (the direction it runs as DXF has it:
    an arc counter-clockwise)."""
    if e.dxftype() == "LINE":
        a, b = e.dxf.start, e.dxf.end
        d = (b - a).normalize()
        return [(a, -d), (b, d)]
    c, r = e.dxf.center, e.dxf.radius
    out = []
    for angle, sign in ((e.dxf.start_angle, -1), (e.dxf.end_angle, 1)):
        t = math.radians(angle)
        point = c + (r * math.cos(t), r * math.sin(t))
        tangent = ezdxf.math.Vec3(-math.sin(t), math.cos(t)) * sign
        out.append((point, tangent))
    return out


def check_chain(check, pieces, what):
    """The pieces make one closed chain: every end meets exactly one other piece's end, and
    there the tangents run on (one piece's outward tangent opposite the other's)."""
    ends = [(i, point, tangent) for i, e in enumerate(pieces) for point, tangent in ends_and_tangents(e)]
    worst_gap, worst_turn = 0.0, 0.0
    for i, point, tangent in ends:
        others = [(j, q, u) for j, q, u in ends if j != i and (q - point).magnitude < 1e-6]
        if not check.that(len(others) == 1, f"{what}: an end at {point} meets {len(others)} others"):
            return
        _, q, u = others[0]
        worst_gap = max(worst_gap, (q - point).magnitude)
        # One end's tangent points out of its piece, the other's along its own: opposite.
        # atan2, not acos: an angle of 1e-12 must not read as the 1.5e-8 of acos(1 - eps).
        cross = tangent.x * u.y - tangent.y * u.x
        worst_turn = max(worst_turn, math.atan2(abs(cross), -tangent.dot(u)))
    check.that(worst_gap <= 1e-9, f"{what}: ends apart by {worst_gap}")
    check.that(worst_turn <= 1e-9, f"{what}: tangents turn by {worst_turn} rad at a join")
    print(f"{check.path}: {what}: {len(pieces)} pieces, joins within {worst_gap:.2g} mm, "
          f"{worst_turn:.2g} rad")


def piece_points(e, n=64):
    """Points along a piece, for extents and reach."""
    if e.dxftype() == "LINE":
        return [e.dxf.start, e.dxf.end]
    if e.dxftype() == "CIRCLE":
        return [e.dxf.center + (e.dxf.radius * math.cos(2 * math.pi * k / n),
                                e.dxf.radius * math.sin(2 * math.pi * k / n)) for k in range(n)]
    a0, a1 = e.dxf.start_angle, e.dxf.end_angle
    span = (a1 - a0) % 360
    return [e.dxf.center + (e.dxf.radius * math.cos(math.radians(a0 + span * k / n)),
                            e.dxf.radius * math.sin(math.radians(a0 + span * k / n))) for k in range(n + 1)]


def check_structure(check, doc, expect):
    header = doc.header
    check.that(doc.dxfversion == "AC1009", f"version {doc.dxfversion}")
    check.that(header.get("$DWGCODEPAGE") == "ANSI_932", f"code page {header.get('$DWGCODEPAGE')}")
    check.that(doc.encoding == "cp932", f"read as {doc.encoding}")
    auditor = doc.audit()
    print(f"{check.path}: {doc.dxfversion} {doc.encoding} audit errors={len(auditor.errors)} "
          f"fixes={len(auditor.fixes)}")
    if not check.that(not auditor.has_errors, f"audit: {len(auditor.errors)} errors"):
        auditor.print_error_report()

    names = {layer.dxf.name for layer in doc.layers}
    check.that(LAYERS <= names, f"layers {sorted(names)}")
    msp = doc.modelspace()
    by_layer = {}
    for e in msp:
        by_layer.setdefault(e.dxf.layer, []).append(e)
    check.that(set(by_layer) <= LAYERS, f"entities on {sorted(by_layer)}")

    bore = expect["bore"]
    on_contour = by_layer.get("CONTOUR", [])
    circles = [e for e in on_contour if e.dxftype() == "CIRCLE" and bore is not None
               and near(e.dxf.radius, bore / 2) and near(e.dxf.center.x, 0) and near(e.dxf.center.y, 0)]
    contour = [e for e in on_contour if e not in circles]
    check.that(all(e.dxftype() in ("ARC", "LINE", "CIRCLE") for e in contour), "only arcs and lines on CONTOUR")
    whole = [e for e in contour if e.dxftype() == "CIRCLE"]
    if whole:
        check.that(len(contour) == 1, "a whole circle is the whole contour")
    else:
        check_chain(check, contour, "contour")
    check.that(len(circles) == (0 if bore is None else 1), "the bore circle at the centre")
    pitch = by_layer.get("PITCH", [])
    if expect["pitch"]:
        check.that(all(e.dxftype() in ("ARC", "LINE", "CIRCLE") for e in pitch), "only arcs and lines on PITCH")
        if not (len(pitch) == 1 and pitch[0].dxftype() == "CIRCLE"):
            check_chain(check, pitch, "pitch curve")
    else:
        check.that(not pitch, "nothing on PITCH")
    if "arcs" in expect:
        check.that(len(contour) == expect["arcs"], f"{len(contour)} contour pieces, not {expect['arcs']}")

    points = [p for e in contour for p in piece_points(e)]
    reach = max(math.hypot(p.x, p.y) for p in points) if points else 0
    lines = [e for e in by_layer.get("CENTER", []) if e.dxftype() == "LINE"]
    # The arrow of the turn: an arc and its head on TEXT, outside the contour.
    arrow = [e for e in by_layer.get("TEXT", []) if e.dxftype() in ("ARC", "LINE")]
    if expect.get("rotation"):
        arcs_ = [e for e in arrow if e.dxftype() == "ARC"]
        check.that(len(arcs_) == 1 and len(arrow) == 3 and arcs_[0].dxf.radius > reach,
                   "the arrow of the turn outside the contour")
    check.that(len(lines) == len(by_layer.get("CENTER", [])), "only lines on CENTER")
    through = [l for l in lines if abs(l.dxf.start.x * l.dxf.end.y - l.dxf.start.y * l.dxf.end.x) < 1e-9
               and l.dxf.start.dot(l.dxf.end) < 0]
    horizontal = [l for l in through if near(l.dxf.start.y, 0) and near(l.dxf.end.y, 0)]
    vertical = [l for l in through if near(l.dxf.start.x, 0) and near(l.dxf.end.x, 0)]
    check.that(len(horizontal) == 1 and len(vertical) == 1, "centre mark: two lines through the centre")
    marks = [l for l in lines if near(l.dxf.start.x, 0) and near(l.dxf.end.x, 0)
             and min(l.dxf.start.y, l.dxf.end.y) > reach]
    check.that(len(marks) == 1, "a 0° mark on +y beyond the contour")

    texts = [e for e in by_layer.get("TEXT", []) if e.dxftype() == "TEXT"]
    plain = [t.plain_text() for t in texts]
    zero = [t for t in texts if t.plain_text() == "0°"]
    check.that(len(zero) == 1 and near(zero[0].dxf.align_point.x, 0)
               and zero[0].dxf.align_point.y > max([reach] + [max(l.dxf.start.y, l.dxf.end.y) for l in marks]),
               "0° text above the mark")
    for wanted in expect["texts"]:
        check.that(any(wanted in p for p in plain), f"text {wanted!r} in {plain}")

    # Every point drawn lies within the extents the header gives.
    lo, hi = header["$EXTMIN"], header["$EXTMAX"]
    drawn = points + [p for e in pitch for p in piece_points(e)] + [p for e in arrow for p in piece_points(e)]
    drawn += [p for l in lines for p in (l.dxf.start, l.dxf.end)]
    drawn += [t.dxf.insert for t in texts]
    for c in circles:
        drawn += [c.dxf.center + (s * c.dxf.radius, 0) for s in (-1, 1)]
        drawn += [c.dxf.center + (0, s * c.dxf.radius) for s in (-1, 1)]
    outside = [p for p in drawn if not (lo[0] <= p.x <= hi[0] and lo[1] <= p.y <= hi[1])]
    check.that(not outside, f"points outside $EXTMIN/$EXTMAX: {outside[:3]}")
    # The view AutoCAD opens on shows the same box.
    view = doc.viewports.get("*ACTIVE")
    check.that(len(view) == 1 and near(view[0].dxf.center.x, (lo[0] + hi[0]) / 2)
               and near(view[0].dxf.center.y, (lo[1] + hi[1]) / 2)
               and hi[1] - lo[1] <= view[0].dxf.height <= 1.1 * (hi[1] - lo[1]), "*ACTIVE view on the drawing")

    # Every glyph has a shape in the font the renderer uses (no empty boxes).
    for t in texts:
        face = fonts.get_font_face(doc.styles.get(t.dxf.style).dxf.font)
        font = get_font(findfont(FontProperties(family=face.family), fallback_to_default=False))
        missing = [c for c in t.plain_text() if c != " " and font.get_char_index(ord(c)) == 0]
        check.that(not missing, f"no glyph for {missing} in {font.fname}")
    return lo, hi


def render(doc, lo, hi, png):
    """The modelspace as a viewer opens it ($EXTMIN/$EXTMAX with a margin), white paper."""
    margin = 0.08 * max(hi[0] - lo[0], hi[1] - lo[1])
    x0, x1, y0, y1 = lo[0] - margin, hi[0] + margin, lo[1] - margin, hi[1] + margin
    height_px = round(WIDTH_PX * (y1 - y0) / (x1 - x0))
    fig = plt.figure(figsize=(WIDTH_PX / 100, height_px / 100), dpi=100)
    ax = fig.add_axes((0, 0, 1, 1))
    msp = doc.modelspace()
    # The layers first (draw_layout skips them when given layout properties), then
    # white paper.
    context = RenderContext(doc)
    context.set_current_layout(msp)
    properties = context.current_layout_properties
    properties.set_colors("#ffffff")
    Frontend(context, MatplotlibBackend(ax, adjust_figure=False)).draw_layout(
        msp, finalize=True, layout_properties=properties)
    ax.set_xlim(x0, x1)
    ax.set_ylim(y0, y1)
    fig.canvas.draw()
    image = np.asarray(fig.canvas.buffer_rgba())[:, :, :3].astype(int)
    matplotlib.image.imsave(png, image.astype(np.uint8))
    to_data = ax.transData

    def pixel(x, y):
        col, row = to_data.transform((x, y))
        return col, image.shape[0] - row

    plt.close(fig)
    return image, pixel


def check_pixels(check, image, pixel, lo, hi, text_height, expect):
    ink = (image < 160).any(axis=2)
    dark = image.max(axis=2) < 110
    blue = (image[:, :, 2] > 150) & (image[:, :, 0] < 110) & (image[:, :, 1] < 110)
    red = (image[:, :, 0] > 150) & (image[:, :, 1] < 110) & (image[:, :, 2] < 110)
    rows, cols = image.shape[:2]
    c0, r0 = pixel(0, 0)
    px_per_mm = pixel(1, 0)[0] - c0

    def any_within(mask, col, row, radius):
        r, c = int(round(row)), int(round(col))
        k = int(math.ceil(radius))
        if not (k <= r < rows - k and k <= c < cols - k):
            return False
        return bool(mask[r - k:r + k + 1, c - k:c + k + 1].any())

    def at(degrees, radius):  # cam angle, clockwise from +y
        a = math.radians(degrees)
        return pixel(radius * math.sin(a), radius * math.cos(a))

    # The rings: ink at the radius, and not 2 mm inside or outside it.
    for ring in expect["rings"]:
        mask = dark if ring["layer"] == "CONTOUR" else blue
        r = ring["radius"]
        span = ring["to"] - ring["from"] - 4
        window = math.degrees(3.0 / r)  # 3 mm of arc: a chain line's gap is 2.5 mm
        for i in range(9):
            angle = ring["from"] + 2 + span * i / 8
            hit = any(any_within(mask, *at(angle + window * j / 6, r), 2) for j in range(-6, 7))
            check.that(hit, f"{ring['layer']} at radius {r} mm, {angle:.1f}°")
            if ring["layer"] == "CONTOUR":
                for off in (-2, 2):
                    check.that(not any_within(dark, *at(angle, r + off), 1),
                               f"contour ink at {r + off} mm, {angle:.1f}°")

    # The bore between the axes, and nothing near the centre but the centre mark.
    if expect["bore"] is not None:
        for k in range(8):
            check.that(any_within(dark, *at(22.5 + 45 * k, expect["bore"] / 2), 2),
                       f"bore at {22.5 + 45 * k}°")
        clear = 0.6 * expect["bore"] / 2
    else:
        clear = 0.6 * min(ring["radius"] for ring in expect["rings"])
    k = int(clear * px_per_mm)
    yy, xx = np.mgrid[-k:k + 1, -k:k + 1]
    disc = (xx ** 2 + yy ** 2 <= k * k) & (abs(xx) > 3) & (abs(yy) > 3)
    r, c = int(round(r0)), int(round(c0))
    around = ink[r - k:r + k + 1, c - k:c + k + 1]
    check.that(not (around & disc).any(), "ink near the centre off the centre mark")
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        arm = [pixel(dx * t * clear / 10, dy * t * clear / 10) for t in range(1, 11)]
        check.that(any(any_within(red, col, row, 1) for col, row in arm), f"centre mark arm {dx, dy}")

    # The ink lies within $EXTMIN/$EXTMAX and reaches each of its sides (a text's height
    # of slack: the writer estimates text widths without the font).
    ink_rows, ink_cols = np.nonzero(ink)
    left, top = pixel(lo[0], hi[1])
    right, bottom = pixel(hi[0], lo[1])
    slack = text_height * px_per_mm
    check.that(ink_cols.min() >= left - 2 and ink_cols.max() <= right + 2
               and ink_rows.min() >= top - 2 and ink_rows.max() <= bottom + 2,
               "ink outside $EXTMIN/$EXTMAX")
    check.that(ink_cols.min() <= left + slack and ink_cols.max() >= right - slack
               and ink_rows.min() <= top + slack and ink_rows.max() >= bottom - slack,
               f"$EXTMIN/$EXTMAX larger than the drawing: ink "
               f"{(ink_cols.min(), ink_rows.min(), ink_cols.max(), ink_rows.max())} "
               f"in {(left, top, right, bottom)}")


def main(paths):
    failed = False
    for path in paths:
        check = Check(path)
        expect = json.loads(Path(path).with_suffix(".json").read_text(encoding="utf-8"))
        try:
            doc = ezdxf.readfile(path)
        except (IOError, ezdxf.DXFStructureError) as error:
            print(f"{path}: unreadable: {error}")
            failed = True
            continue
        lo, hi = check_structure(check, doc, expect)
        png = str(Path(path).with_suffix(".png"))
        image, pixel = render(doc, lo, hi, png)
        check_pixels(check, image, pixel, lo, hi, doc.header["$TEXTSIZE"], expect)
        print(f"{path}: {len(check.failures)} failures, render {png}")
        for failure in check.failures:
            print(f"  {failure}")
        failed = failed or bool(check.failures)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
