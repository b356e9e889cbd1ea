"""Art of the calendar widget: the window skin and its mask, the title buttons,
the settings window pieces and the loading picture."""

import glyphs
import text
from palette import (BRAND, BRAND_DARK, BRAND_LIGHT, CLOSE_RED, CREAM, EDGE, RING_DARK,
                     RING_LIGHT, SHADOW, WHITE)
from raster import (Canvas, ellipse, horizontal, intersect, inset, mix, outline, ramp, rect,
                    rounded_rect, segment, union, vertical)

# Main window: 501 x 342; the browser covers PAGE, the skin is the frame around it.
WIDTH, HEIGHT = 501, 342
PAGE = (20, 25, 481, 317)
BODY_TOP = 8          # the rings of the binding stand above the body
CORNER = 16
RING_XS = [43.5 + 23 * i for i in range(19)]
RING_TOP, HOLE_Y = 2.5, 16.5
YELLOW = (255, 255, 0)  # the main window's colour key: must never appear in the skin


def _body():
    return rounded_rect(0, BODY_TOP, WIDTH, HEIGHT, CORNER)


WIRE = 1.3            # half width of one wire; each ring is a pair of wires
WIRE_GAP = 1.9        # offset of each wire from the ring's centre line


def _wires(x):
    return [segment(x + dx, RING_TOP + WIRE, x + dx, HOLE_Y, WIRE) for dx in (-WIRE_GAP, WIRE_GAP)]


def _rings():
    """All rings; a point only ever needs the ring nearest to it."""
    pitch = RING_XS[1] - RING_XS[0]
    rings = [union(*_wires(x)) for x in RING_XS]

    def d(x, y):
        k = min(max(round((x - RING_XS[0]) / pitch), 0), len(RING_XS) - 1)
        return rings[k](x, y)
    return d


def _silhouette():
    return union(_body(), _rings())


def main_mask():
    """1 (white) outside the window, 0 (black) inside."""
    shape = _silhouette()
    return [[1 if shape(x + 0.5, y + 0.5) >= 0 else 0 for x in range(WIDTH)]
            for y in range(HEIGHT)]


def main_skin():
    c = Canvas(WIDTH, HEIGHT, EDGE)
    body = _body()
    c.fill(body, vertical(BODY_TOP, HEIGHT, (52, 150, 204), (20, 118, 172), (4, 90, 138)))
    # A soft sheen over the top band, where the rings are bound.
    c.fill(intersect(inset(body, 1), rect(0, 0, WIDTH, PAGE[1])), WHITE, 0.10)

    # The page sits in a recess: dark lip, light lower edge, soft inner shade.
    x0, y0, x1, y1 = PAGE
    c.glow(rounded_rect(x0 - 2, y0 - 2, x1 + 2, y1 + 2, 4), SHADOW, 0.22, 5,
           box=(x0 - 8, y0 - 8, x1 + 8, y1 + 8))
    c.fill(outline(rounded_rect(x0 - 3, y0 - 3, x1 + 3, y1 + 3, 5), 1.2), WHITE,
           ramp(y0, y1, 0.0, 0.35))
    c.fill(rounded_rect(x0 - 2.5, y0 - 2.5, x1 + 2.5, y1 + 2.5, 4), BRAND_DARK)
    c.fill(rounded_rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, 2), (0, 50, 78))
    c.fill(rect(x0, y0, x1, y1), (250, 251, 253))

    # Binding: punched holes, ring shadows, then the wire rings.
    for x in RING_XS:
        box = (x - 8, 0, x + 8, HOLE_Y + 6)
        c.fill(rounded_rect(x - 4.2, HOLE_Y - 2, x + 4.2, HOLE_Y + 3, 2.5), (0, 42, 66), box=box)
        for wire in _wires(x):
            c.glow(wire, SHADOW, 0.3, 2.0, box=box, offset=(1.2, 1.0))
        for dx in (-WIRE_GAP, WIRE_GAP):
            c.fill(segment(x + dx, RING_TOP + WIRE, x + dx, HOLE_Y, WIRE),
                   horizontal(x + dx - WIRE, x + dx + WIRE, RING_DARK, RING_LIGHT, RING_DARK),
                   box=box)

    # Rim: a dark outline, a faint highlight just inside it along the top.
    c.fill(outline(inset(body, 0.5), 1.0), EDGE, 0.9)
    c.fill(outline(inset(body, 1.5), 1.0), WHITE, ramp(BODY_TOP, HEIGHT, 0.35, 0.0))

    # The name, lightly embossed in the bottom band.
    w, h, cov = text.render("Tessaly", 12)
    left, top = x1 - w, (y1 + HEIGHT - h) // 2 + 1
    c.stamp(cov, w, h, left, top + 1, SHADOW, 0.45)
    c.stamp(cov, w, h, left, top, (214, 238, 250), 0.85)
    return _without_key_colour(c.pixels())


def _without_key_colour(rows):
    return [[(255, 255, 1) if p == YELLOW else p for p in row] for row in rows]


# --- panel buttons: 14 x 14 pictures within 18 x 18 shapes -----------------

BUTTON = 14
SHAPE_SIZE = 18


def _button_outline():
    return rounded_rect(0, 0, BUTTON, BUTTON, 2.5)


def button_shape():
    """Black where the button is, pure white elsewhere (cut from the window)."""
    shape = _button_outline()
    return [[(0, 0, 0) if x < BUTTON and y < BUTTON and shape(x + 0.5, y + 0.5) < 0
             else WHITE for x in range(SHAPE_SIZE)] for y in range(SHAPE_SIZE)]


FACES = {
    "normal": ((74, 164, 216), (8, 98, 148), EDGE),
    "hover": ((140, 212, 248), (40, 150, 210), (0, 84, 130)),
    "close-hover": ((252, 136, 116), CLOSE_RED, (140, 30, 20)),
}


def _glyph(kind):
    if kind == "close":
        return glyphs.cross(7, 7, 2.6, 0.85)
    if kind == "minimize":
        return segment(4, 7.5, 10, 7.5, 0.9)
    return glyphs.gear(7, 7, 4.9, 3.6, 1.5, 8, 1.9)


def button_picture(kind, hover, outside):
    """A glyph button on a background of colour outside: magenta, the
    transparent colour, for the main window's skinned buttons; white for the
    panel's shaped buttons, whose white mask pixels show background AND
    picture, so white shows the background even where a region is not
    honoured."""
    top, bottom, border = FACES[("close-" if kind == "close" else "") + "hover" if hover
                                else "normal"]
    shape = _button_outline()
    c = Canvas(BUTTON, BUTTON, outside)
    for y in range(BUTTON):
        for x in range(BUTTON):
            if shape(x + 0.5, y + 0.5) < 0:
                c.rgb[y * BUTTON + x] = border
    face = inset(shape, 1)
    c.fill(face, vertical(1, BUTTON - 1, top, bottom))
    c.fill(intersect(face, ellipse(7, 1.5, 9, 5.5)), WHITE, 0.25)
    glyphs.shadowed(c, _glyph(kind), WHITE, (0, 0, BUTTON, BUTTON))
    return c.pixels()


# --- settings window: title bar pieces (27 px tall) and body ----------------

TITLE_HEIGHT = 27


def _title_bar(width, left_border, right_border):
    c = Canvas(width, TITLE_HEIGHT, BRAND)
    c.fill(rect(0, 0, width, TITLE_HEIGHT),
           vertical(0, TITLE_HEIGHT, (86, 176, 226), (30, 132, 188), (6, 102, 152)))
    c.fill(rect(0, 0, width, 13), WHITE, 0.08)
    c.fill(rect(0, 1, width, 2), WHITE, 0.35)
    c.fill(rect(0, 0, width, 1), BRAND)
    c.fill(rect(0, TITLE_HEIGHT - 1, width, TITLE_HEIGHT), BRAND_DARK)
    if left_border:
        c.fill(rect(1, 1, 2, TITLE_HEIGHT - 1), WHITE, 0.25)
        c.fill(rect(0, 0, 1, TITLE_HEIGHT), BRAND)
    if right_border:
        c.fill(rect(width - 2, 1, width - 1, TITLE_HEIGHT - 1), SHADOW, 0.12)
        c.fill(rect(width - 1, 0, width, TITLE_HEIGHT), BRAND)
    return c


def settings_title_left():
    return _title_bar(9, True, False).pixels()


def settings_title_middle():
    return _title_bar(3, False, False).pixels()


def settings_title_right():
    return _title_bar(9, False, True).pixels()


def settings_title():
    c = _title_bar(96, False, False)
    glyphs.shadowed(c, glyphs.gear(9.5, 13.5, 6.0, 4.4, 1.9, 8, 2.3), WHITE, (2, 6, 17, 22))
    w, h, cov = text.render("设置", 13, 0.3)
    top = (TITLE_HEIGHT - h) // 2
    c.stamp(cov, w, h, 20, top + 1, SHADOW, 0.4)
    c.stamp(cov, w, h, 20, top, WHITE)
    return c.pixels()


def settings_body():
    return [[CREAM] * 10 for _ in range(12)]


# --- loading picture ----------------------------------------------------------

def splash():
    w, h = 500, 200
    c = Canvas(w, h, WHITE)
    c.fill(rect(0, 0, w, h), vertical(0, h, (255, 255, 255), (236, 245, 252), (220, 236, 248)))
    # Soft circles to the right give the plain backdrop some depth.
    c.fill(ellipse(455, 205, 150, 120), (205, 228, 244), 0.45, box=(300, 80, w, h))
    c.fill(ellipse(500, 150, 90, 90), (190, 220, 240), 0.30, box=(405, 55, w, h))
    c.fill(rect(0, 0, w, 5), horizontal(0, w, BRAND_LIGHT, BRAND, BRAND_DARK))
    glyphs.calendar(c, 40, 36, 132)

    tw, th, cov = text.render("Tessaly 日历", 34, 0.4)
    c.stamp(cov, tw, th, 200, 52, BRAND_DARK)
    tw, th, cov = text.render("正在加载日历，请稍候…", 15)
    c.stamp(cov, tw, th, 202, 104, (84, 110, 130))

    track = rounded_rect(202, 138, 452, 146, 4)
    c.fill(inset(track, -1), (186, 212, 232))
    c.fill(track, (232, 242, 250))
    done = intersect(track, rect(0, 0, 340, h))
    c.fill(done, horizontal(202, 340, BRAND_LIGHT, BRAND))
    c.fill(intersect(done, rect(0, 138, w, 141)), WHITE, 0.35)

    tw, th, cov = text.render("Wexbury", 11)
    c.stamp(cov, tw, th, w - tw - 12, h - th - 10, (120, 150, 172))
    c.fill(outline(rect(0.5, 0.5, w - 0.5, h - 0.5), 1.0), mix(BRAND, WHITE, 0.45))
    return c.pixels()
