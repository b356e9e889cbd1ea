"""Art of the updater: the dialog background, its mask and the close button strip."""

import functools

import glyphs
from palette import BRAND, CLOSE_RED, MAGENTA, UPDATER_BODY, WHITE
from raster import Canvas, inset, intersect, outline, rect, rounded_rect, vertical

WIDTH, HEIGHT = 342, 318
TITLE = 30             # the strip that drags the window
FOOTER = 280           # the buttons' band
CLOSE_AT = (312, 2)    # where the dialog puts its close button
FRAME = (21, 20)


def _body():
    return rounded_rect(0, 0, WIDTH, HEIGHT, 7)


def mask():
    """Pure white outside the window, black inside."""
    shape = _body()
    return [[WHITE if shape(x + 0.5, y + 0.5) >= 0 else (0, 0, 0) for x in range(WIDTH)]
            for y in range(HEIGHT)]


@functools.lru_cache(maxsize=None)
def _background():
    c = Canvas(WIDTH, HEIGHT, BRAND)
    body = _body()
    c.fill(body, UPDATER_BODY)
    c.fill(intersect(body, rect(0, 0, WIDTH, TITLE)),
           vertical(0, TITLE, (246, 251, 255), (216, 238, 251), (190, 225, 246)))
    c.fill(rect(0, TITLE - 1, WIDTH, TITLE), (128, 186, 222))
    c.fill(rect(0, TITLE, WIDTH, TITLE + 1), WHITE, 0.8)
    c.fill(intersect(body, rect(0, FOOTER, WIDTH, HEIGHT)),
           vertical(FOOTER, HEIGHT, (224, 243, 252), (212, 237, 250)))
    c.fill(rect(0, FOOTER - 1, WIDTH, FOOTER), (192, 224, 241))
    c.fill(rect(0, FOOTER, WIDTH, FOOTER + 1), WHITE, 0.8)
    c.fill(outline(inset(body, 0.5), 1.0), BRAND, 0.9)
    c.fill(intersect(outline(inset(body, 1.5), 1.0), rect(0, 0, WIDTH, TITLE)), WHITE, 0.6)
    glyphs.update_arrow(c, 9, 7, 16)
    return c


def background():
    return _background().pixels()


def _close_frame(state):
    """One frame of the close button, drawn on a transparent canvas."""
    w, h = FRAME
    c = Canvas(w, h)
    cross = glyphs.cross(w / 2, h / 2, 3.5, 0.8)
    face = rounded_rect(1, 1, w - 1, h - 1, 3.5)
    if state == "normal":
        c.fill(cross, (62, 96, 122))
    elif state == "spare":
        c.fill(cross, (156, 174, 188))
    else:
        top, bottom = ((250, 132, 112), CLOSE_RED) if state == "hover" else \
                      ((214, 70, 52), (170, 40, 28))
        c.fill(face, vertical(1, h - 1, top, bottom))
        c.fill(outline(inset(face, 0.5), 1.0), (150, 36, 24), 0.8)
        shift = 0.0 if state == "hover" else 1.0
        c.fill(lambda x, y: cross(x, y - shift), WHITE)
    return c


def close_strip():
    """Four frames side by side: normal, hover, pressed, spare. Their edges are
    blended with the title strip they are drawn on; untouched pixels are magenta."""
    w, h = FRAME
    behind = _background().crop(CLOSE_AT[0], CLOSE_AT[1], w, h)  # a copy
    rows = [[None] * (4 * w) for _ in range(h)]
    for k, state in enumerate(("normal", "hover", "pressed", "spare")):
        frame = _close_frame(state)
        shown = behind.copy()
        shown.draw(frame, 0, 0)
        pixels = shown.pixels()
        for y in range(h):
            for x in range(w):
                drawn = frame.alpha[y * w + x] > 0.0
                rows[y][k * w + x] = pixels[y][x] if drawn else MAGENTA
    return rows
