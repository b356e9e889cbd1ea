#!/usr/bin/python3
"""Writes a stand-in for the SimSun (宋体) font into a Wine prefix's Fonts folder.

The programs' dialogs use 宋体 9 pt, whose vertical metrics (ascent + descent
equal to the em, 12 px lines at 9 pt) fix the size of every dialog unit. Wine
has no SimSun and falls back to a font with taller lines, which stretches
every dialog vertically by a third. AR PL UMing is a Song (Ming) typeface of
the same design; this copies it with SimSun's vertical metrics and names, so
dialogs under Wine take the size they have on Windows.
"""
import sys

from fontTools.ttLib import TTCollection

SOURCE = "/usr/share/fonts/truetype/arphic/uming.ttc"
# SimSun's own metrics: 256 units per em, ascent 220, descent 36, no line gap.
ASCENT, DESCENT, EM = 220, 36, 256


def main(target):
    font = TTCollection(SOURCE).fonts[0]
    upm = font["head"].unitsPerEm
    ascent, descent = round(upm * ASCENT / EM), round(upm * DESCENT / EM)
    font["hhea"].ascent, font["hhea"].descent, font["hhea"].lineGap = ascent, -descent, 0
    os2 = font["OS/2"]
    os2.usWinAscent, os2.usWinDescent = ascent, descent
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, -descent, 0

    names = font["name"]
    for name_id in (1, 3, 4, 6):
        names.removeNames(nameID=name_id)
    for name_id in (1, 3, 4, 6):
        names.setName("SimSun", name_id, 3, 1, 0x409)
        names.setName("SimSun", name_id, 1, 0, 0)
    for name_id in (1, 4):
        names.setName("宋体", name_id, 3, 1, 0x804)
    font.save(target)


if __name__ == "__main__":
    main(sys.argv[1])
