#!/usr/bin/python3
"""Draws the demo's loading picture: an animated GIF of a spinner beside the
calendar's name, as the suite's picture server would hand it out.

    loading_picture.py OUTPUT

The splash shows whatever picture the system picture loader reads, so the
file keeps the name the server path gives it (loading.bmp). Needs
ImageMagick's convert and the WenQuanYi Zen Hei font (tools/setup.sh).
"""

import math
import os
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 400, 150
FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
DOTS = 12
CENTRE = (78, 75)
RADIUS = 30
LEAD = (0x1D, 0x5B, 0x94)
FAINT = (0xD6, 0xE4, 0xF2)
DELAY = 8  # hundredths of a second


def colour(step):
    """The dot `step` places behind the leading one: fading to FAINT."""
    t = min(step / (DOTS * 0.75), 1.0)
    r, g, b = (round(a + (c - a) * t) for a, c in zip(LEAD, FAINT))
    return "#%02x%02x%02x" % (r, g, b)


def frame_command(lead, path):
    command = [
        "convert", "-size", "%dx%d" % (WIDTH, HEIGHT), "gradient:#ffffff-#e2edf8",
        "-fill", "none", "-stroke", "#9fbfdf", "-strokewidth", "2",
        "-draw", "roundrectangle 1,1 %d,%d 12,12" % (WIDTH - 2, HEIGHT - 2),
        "-stroke", "none", "-font", FONT,
        "-fill", "#1d5b94", "-pointsize", "30", "-annotate", "+146+72", "Tessaly 日历",
        "-fill", "#5d7790", "-pointsize", "15", "-annotate", "+148+104", "正在准备今天的日历，请稍候…",
    ]
    for i in range(DOTS):
        angle = 2 * math.pi * i / DOTS - math.pi / 2
        x = CENTRE[0] + RADIUS * math.cos(angle)
        y = CENTRE[1] + RADIUS * math.sin(angle)
        size = 5.5 if i == lead else 4.5
        command += ["-fill", colour((lead - i) % DOTS),
                    "-draw", "circle %.1f,%.1f %.1f,%.1f" % (x, y, x + size, y)]
    return command + [path]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as work:
        frames = []
        for lead in range(DOTS):
            path = os.path.join(work, "frame%02d.png" % lead)
            subprocess.run(frame_command(lead, path), check=True)
            frames.append(path)
        # Optimised layers: later frames cover only the spinner, with their
        # offsets and disposal methods, as image editors write animations.
        subprocess.run(["convert", "-delay", str(DELAY), "-loop", "0", *frames,
                        "-layers", "Optimize", "gif:" + sys.argv[1]], check=True)


if __name__ == "__main__":
    main()
