"""A small anti-aliased rasteriser: shapes are signed distance functions
(negative inside, in pixels), painted with a coverage of 0.5 - distance, which
gives a one-pixel soft edge without supersampling every pixel."""

import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


# --- shapes: each is a function (x, y) -> signed distance -------------------

def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return d


def rect(x0, y0, x1, y1):
    return rounded_rect(x0, y0, x1, y1, 0.0)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Scaled circle distance: exact enough for soft edges of mild ellipses.
    k = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k


def segment(ax, ay, bx, by, half_width):
    """A capsule: the stroke of a line with round caps."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / length2)
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - half_width
    return d


def polygon(points):
    """Any simple polygon, given by its corners."""
    n = len(points)

    def d(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            t = clamp(((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey))
            best = min(best, math.hypot(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best
    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def subtract(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def inset(shape, amount):
    """The shape shrunk by amount pixels (grown when negative)."""
    return lambda x, y: shape(x, y) + amount


def outline(shape, width):
    """A stroke of the given width centred on the shape's edge."""
    return lambda x, y: abs(shape(x, y)) - width / 2


def translate(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


# --- paints: a colour, or a function (x, y) -> colour -----------------------

def gradient(x0, y0, x1, y1, stops):
    """Linear gradient along (x0, y0) -> (x1, y1); stops are (t, colour)."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def paint(x, y):
        t = clamp(((x - x0) * dx + (y - y0) * dy) / length2)
        for i in range(1, len(stops)):
            if t <= stops[i][0]:
                t0, c0 = stops[i - 1]
                t1, c1 = stops[i]
                return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0.0)
        return stops[-1][1]
    return paint


def ramp(y0, y1, a0, a1):
    """An opacity changing from a0 at y0 to a1 at y1."""
    return lambda x, y: a0 + (a1 - a0) * clamp((y - y0) / (y1 - y0))


def vertical(y0, y1, *colours):
    n = len(colours) - 1
    return gradient(0, y0, 0, y1, [(i / n, c) for i, c in enumerate(colours)])


def horizontal(x0, x1, *colours):
    n = len(colours) - 1
    return gradient(x0, 0, x1, 0, [(i / n, c) for i, c in enumerate(colours)])


class Canvas:
    """Straight-alpha RGB image; painting composites 'over'."""

    def __init__(self, width, height, colour=None):
        self.width, self.height = width, height
        fill = colour if colour is not None else (0.0, 0.0, 0.0)
        self.rgb = [tuple(map(float, fill))] * (width * height)
        self.alpha = [1.0 if colour is not None else 0.0] * (width * height)

    def copy(self):
        c = Canvas(self.width, self.height)
        c.rgb, c.alpha = list(self.rgb), list(self.alpha)
        return c

    def crop(self, x, y, w, h):
        c = Canvas(w, h)
        for j in range(h):
            src = (y + j) * self.width + x
            c.rgb[j * w:(j + 1) * w] = self.rgb[src:src + w]
            c.alpha[j * w:(j + 1) * w] = self.alpha[src:src + w]
        return c

    def blend(self, i, colour, a):
        """Composite colour with alpha a over pixel i."""
        if a <= 0.0:
            return
        da = self.alpha[i]
        out = a + da * (1.0 - a)
        if out <= 0.0:
            return
        k = a / out
        self.rgb[i] = mix(self.rgb[i], colour, k)
        self.alpha[i] = out

    def fill(self, shape, paint, opacity=1.0, box=None):
        """Paint the shape; opacity may vary as a function (x, y) -> 0..1;
        box (x0, y0, x1, y1) limits the pixels looked at."""
        x0, y0, x1, y1 = self._box(box)
        solid = not callable(paint)
        varying = callable(opacity)
        for y in range(y0, y1):
            cy = y + 0.5
            row = y * self.width
            for x in range(x0, x1):
                cx = x + 0.5
                cov = 0.5 - shape(cx, cy)
                if cov <= 0.0:
                    continue
                if cov > 1.0:
                    cov = 1.0
                a = opacity(cx, cy) if varying else opacity
                self.blend(row + x, paint if solid else paint(cx, cy), cov * a)

    def glow(self, shape, colour, opacity, spread, box=None, offset=(0.0, 0.0)):
        """A soft shadow or glow that fades over spread pixels outside the shape."""
        x0, y0, x1, y1 = self._box(box)
        ox, oy = offset
        for y in range(y0, y1):
            for x in range(x0, x1):
                d = shape(x + 0.5 - ox, y + 0.5 - oy)
                t = 1.0 - clamp(d / spread)
                if t > 0.0:
                    self.blend(y * self.width + x, colour, opacity * t * t)

    def stamp(self, coverage, cw, ch, left, top, paint, opacity=1.0):
        """Paint through a coverage map (cw x ch values in 0..1), e.g. text."""
        solid = not callable(paint)
        for j in range(ch):
            y = top + j
            if not 0 <= y < self.height:
                continue
            for i in range(cw):
                x = left + i
                c = coverage[j * cw + i]
                if c > 0.0 and 0 <= x < self.width:
                    colour = paint if solid else paint(x + 0.5, y + 0.5)
                    self.blend(y * self.width + x, colour, c * opacity)

    def draw(self, other, left, top):
        """Composite another canvas onto this one at (left, top)."""
        for j in range(other.height):
            for i in range(other.width):
                k = j * other.width + i
                x, y = left + i, top + j
                if 0 <= x < self.width and 0 <= y < self.height:
                    self.blend(y * self.width + x, other.rgb[k], other.alpha[k])

    def pixels(self):
        """Rows of (r, g, b) byte triples, top row first."""
        out = []
        for y in range(self.height):
            row = self.rgb[y * self.width:(y + 1) * self.width]
            out.append([tuple(int(c + 0.5) for c in p) for p in row])
        return out

    def _box(self, box):
        if box is None:
            return 0, 0, self.width, self.height
        x0, y0, x1, y1 = box
        return (max(0, int(math.floor(x0))), max(0, int(math.floor(y0))),
                min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1))))
