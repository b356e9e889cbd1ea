"""Pictures drawn at any size: the two program emblems and the small button
glyphs. Every function paints into a canvas inside the given box."""

import math

from raster import (circle, ellipse, horizontal, inset, intersect, outline, polygon, rect,
                    rounded_rect, segment, subtract, union, vertical)
from palette import (BRAND, BRAND_DARK, BRAND_LIGHT, EDGE, PAGE_BOTTOM, PAGE_TOP, RING_DARK,
                     RING_LIGHT, SHADOW, TODAY, WHITE)


def gear(cx, cy, r_outer, r_body, r_hole, teeth, tooth_width):
    sector = 2 * math.pi / teeth
    half = tooth_width / 2

    def tooth(x, y):
        r = math.hypot(x - cx, y - cy)
        a = math.atan2(y - cy, x - cx)
        a = (a + sector / 2) % sector - sector / 2
        lx, ly = r * math.cos(a), r * math.sin(a)
        qx, qy = abs(lx - r_outer / 2) - r_outer / 2, abs(ly) - half
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0)

    return subtract(union(circle(cx, cy, r_body), intersect(tooth, circle(cx, cy, r_outer))),
                    circle(cx, cy, r_hole))


def _unit_square(ox, oy, s):
    """Maps emblem coordinates 0..1 onto the s x s box at (ox, oy); small
    sizes snap to whole pixels so that edges stay crisp."""
    if s < 24:
        return ((lambda u: math.floor(ox + u * s + 0.5)), (lambda v: math.floor(oy + v * s + 0.5)),
                (ox, oy, ox + s, oy + s))
    return (lambda u: ox + u * s), (lambda v: oy + v * s), (ox, oy, ox + s, oy + s)


def calendar(canvas, ox, oy, s):
    """The Tessaly emblem: a desk calendar page with two rings."""
    X, Y, box = _unit_square(ox, oy, s)
    page = rounded_rect(X(0.08), Y(0.16), X(0.92), Y(0.95), max(1.5, 0.1 * s))
    if s >= 32:
        canvas.glow(page, SHADOW, 0.35, 0.07 * s, box, offset=(0, 0.03 * s))
    canvas.fill(page, vertical(Y(0.16), Y(0.95), PAGE_TOP, PAGE_BOTTOM), box=box)
    header = intersect(page, rect(X(0), Y(0), X(1), Y(0.42)))
    canvas.fill(header, vertical(Y(0.16), Y(0.42), BRAND_LIGHT, BRAND), box=box)
    edge = max(1.0, 0.025 * s)
    canvas.fill(outline(inset(page, edge / 2), edge), EDGE, 0.85, box=box)
    if s >= 24:
        canvas.fill(rect(X(0.08), Y(0.42), X(0.92), Y(0.42) + max(1.0, 0.02 * s)),
                    BRAND_DARK, 0.6, box=box)

    cols, rows = (3, 2) if s < 24 else (4, 3) if s < 40 else (5, 4) if s < 80 else (7, 4)
    left, right, top, bottom = X(0.19), X(0.81), Y(0.50), Y(0.87)
    pitch_x, pitch_y = (right - left) / cols, (bottom - top) / rows
    cell = 2 if s < 24 else min(pitch_x, pitch_y) * 0.62
    for j in range(rows):
        for i in range(cols):
            cx, cy = left + (i + 0.5) * pitch_x, top + (j + 0.5) * pitch_y
            if s < 24:
                cx, cy = math.floor(cx + 0.5), math.floor(cy + 0.5)
            today = (i, j) == (cols - 2, rows - 1)
            colour = TODAY if today else (150, 192, 222)
            canvas.fill(rounded_rect(cx - cell / 2, cy - cell / 2, cx + cell / 2, cy + cell / 2,
                                     cell * 0.22), colour, box=box)

    hw = max(0.9, 0.05 * s)
    for u in (0.3, 0.7):
        canvas.fill(ellipse(X(u), Y(0.27), hw * 1.5, hw * 1.2), BRAND_DARK, 0.8, box=box)
        ring = segment(X(u), Y(0.05) + hw, X(u), Y(0.27), hw)
        canvas.fill(ring, horizontal(X(u) - hw, X(u) + hw, RING_DARK, RING_LIGHT, RING_DARK),
                    box=box)


def update_arrow(canvas, ox, oy, s):
    """The Update emblem: a blue disc with a white arrow into a tray."""
    X, Y, box = _unit_square(ox, oy, s)
    disc = circle(X(0.5), Y(0.5), 0.45 * s)
    if s >= 32:
        canvas.glow(disc, SHADOW, 0.35, 0.06 * s, box, offset=(0, 0.025 * s))
    canvas.fill(disc, vertical(Y(0.05), Y(0.95), (96, 192, 240), BRAND, BRAND_DARK), box=box)
    canvas.fill(intersect(disc, ellipse(X(0.5), Y(0.3), 0.36 * s, 0.24 * s)), WHITE, 0.22, box=box)
    if s >= 24:
        canvas.fill(outline(disc, max(1.0, 0.025 * s)), EDGE, 0.8, box=box)
    w = max(0.9, 0.065 * s)
    arrow = union(segment(X(0.5), Y(0.22), X(0.5), Y(0.52), w),
                  polygon([(X(0.29), Y(0.47)), (X(0.71), Y(0.47)), (X(0.5), Y(0.68))]),
                  segment(X(0.28), Y(0.77), X(0.72), Y(0.77), max(0.8, 0.05 * s)))
    if s >= 24:
        canvas.fill(arrow, SHADOW, 0.35, box=(box[0], box[1] + 1, box[2], box[3] + 1))
    canvas.fill(arrow, WHITE, box=box)


def cross(cx, cy, arm, half_width):
    return union(segment(cx - arm, cy - arm, cx + arm, cy + arm, half_width),
                 segment(cx + arm, cy - arm, cx - arm, cy + arm, half_width))


def shadowed(canvas, shape, colour, box, shadow_opacity=0.35):
    """A glyph with a one-pixel drop shadow, for light glyphs on colour."""
    x0, y0, x1, y1 = box
    canvas.fill(lambda x, y: shape(x, y - 1), SHADOW, shadow_opacity, box=(x0, y0, x1, y1 + 1))
    canvas.fill(shape, colour, box=box)

