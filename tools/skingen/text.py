"""Text as coverage maps, rendered by ImageMagick with the WenQuanYi Zen Hei
font (Debian's fonts-wqy-zenhei), the one font every build machine has that
carries both Chinese and Latin letters."""

import glob
import shutil
import subprocess

_FONT_PATTERNS = ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                  "/usr/share/fonts/**/wqy-zenhei.ttc")


def _font():
    for pattern in _FONT_PATTERNS:
        found = glob.glob(pattern, recursive=True)
        if found:
            return found[0]
    raise SystemExit("skingen: the font wqy-zenhei.ttc is missing (install fonts-wqy-zenhei)")


def render(text, size, weight=0.0):
    """Returns (width, height, coverage) of the text trimmed to its ink;
    weight > 0 thickens the strokes by that many pixels."""
    convert = shutil.which("convert")
    if convert is None:
        raise SystemExit("skingen: ImageMagick's convert is missing (install imagemagick)")
    command = [convert, "-background", "black", "-fill", "white", "-font", _font(),
               "-pointsize", str(size)]
    if weight > 0:
        command += ["-stroke", "white", "-strokewidth", str(weight)]
    command += ["label:" + text, "-trim", "+repage", "-depth", "8", "pgm:-"]
    data = subprocess.run(command, check=True, capture_output=True).stdout
    return _parse_pgm(data)


def _parse_pgm(data):
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P5":
        raise SystemExit("skingen: unexpected output from convert")
    width, height, maximum = int(fields[1]), int(fields[2]), int(fields[3])
    pixels = data[pos + 1:pos + 1 + width * height]
    return width, height, [v / maximum for v in pixels]
