"""Draws every bitmap and icon of Tessaly and Update into the folder given on
the command line, under the names the resource scripts refer to.

    python3 tools/skingen OUTPUT_DIR
"""

import os
import sys

import formats
import glyphs
import tessaly_art
import update_art
from palette import MAGENTA, WHITE
from raster import Canvas

ICON_SIZES = (16, 32, 48)


def _icon(draw):
    images = []
    for size in ICON_SIZES:
        c = Canvas(size, size)
        draw(c, 0, 0, size)
        rows = []
        for y in range(size):
            row = []
            for x in range(size):
                i = y * size + x
                r, g, b = (int(v + 0.5) for v in c.rgb[i])
                row.append((r, g, b, int(c.alpha[i] * 255 + 0.5)))
            rows.append(row)
        images.append((size, rows))
    return images


def main(out):
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    bmp = formats.write_bmp24
    # Tessaly
    formats.write_ico(path("tessaly.ico"), _icon(glyphs.calendar))
    formats.write_bmp1(path("main_mask.bmp"), tessaly_art.main_mask())
    bmp(path("main_skin.bmp"), tessaly_art.main_skin())
    bmp(path("close_hover.bmp"), tessaly_art.button_picture("close", True, WHITE))
    bmp(path("close_normal.bmp"), tessaly_art.button_picture("close", False, WHITE))
    bmp(path("ok_hover.bmp"), tessaly_art.button_picture("settings", True, MAGENTA))
    bmp(path("ok_normal.bmp"), tessaly_art.button_picture("settings", False, MAGENTA))
    bmp(path("settings_hover.bmp"), tessaly_art.button_picture("settings", True, WHITE))
    bmp(path("settings_normal.bmp"), tessaly_art.button_picture("settings", False, WHITE))
    bmp(path("minimize_hover.bmp"), tessaly_art.button_picture("minimize", True, WHITE))
    bmp(path("minimize_normal.bmp"), tessaly_art.button_picture("minimize", False, WHITE))
    bmp(path("button_shape.bmp"), tessaly_art.button_shape())
    bmp(path("settings_button_shape.bmp"), tessaly_art.button_shape())
    bmp(path("settings_title_left.bmp"), tessaly_art.settings_title_left())
    bmp(path("settings_title.bmp"), tessaly_art.settings_title())
    bmp(path("settings_title_middle.bmp"), tessaly_art.settings_title_middle())
    bmp(path("settings_title_right.bmp"), tessaly_art.settings_title_right())
    bmp(path("settings_body.bmp"), tessaly_art.settings_body())
    bmp(path("splash.bmp"), tessaly_art.splash())
    # Update
    formats.write_ico(path("update.ico"), _icon(glyphs.update_arrow))
    bmp(path("update_background.bmp"), update_art.background())
    bmp(path("update_mask.bmp"), update_art.mask())
    bmp(path("close_strip.bmp"), update_art.close_strip())


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: skingen OUTPUT_DIR")
    main(sys.argv[1])
