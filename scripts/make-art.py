#!/usr/bin/env python3
"""Draws the installer's logo (resources/logo.bmp) and icon (resources/Install.ico).

The emblem is a blue shield carrying a white "Q" ring with its tail. Each pixel is
supersampled so the edges stay smooth at 16 px. Only the standard library is used, so
anyone can regenerate the art; the generated files are committed and the build never
runs this script.

    scripts/make-art.py [output-folder]     (default: resources/ next to this script)
"""
import math
import struct
import sys
from pathlib import Path

LOGO_W, LOGO_H = 49, 57
ICON_SIZES = (48, 32, 16)
SUPERSAMPLE = 8
SHIELD_H = 1.14  # height of the shield in shield widths

TOP = (0, 128, 255)      # the same azure as the progress bar
BOTTOM = (0, 72, 168)
RIM = (0, 48, 120)
WHITE = (255, 255, 255)


def in_shield(x, y):
    """Shield one unit wide, SHIELD_H high: rounded shoulders, sides curving to a tip."""
    if y < 0 or y > SHIELD_H or x < 0 or x > 1:
        return False
    split = 0.5 * SHIELD_H
    if y <= split:
        r = 0.14
        cx = min(max(x, r), 1 - r)
        cy = max(y, r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    t = (y - split) / (SHIELD_H - split)
    return abs(x - 0.5) <= 0.5 * (1 - t ** 1.6)


def in_q(x, y):
    """The "Q": a ring centred in the shield's upper part and a diagonal tail."""
    cx, cy = 0.5, 0.47
    d = math.hypot(x - cx, y - cy)
    if 0.155 <= d <= 0.265:
        return True
    # Tail: a thick segment from inside the ring out towards the lower right.
    ax, ay, bx, by = 0.55, 0.55, 0.74, 0.76
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    px, py = ax + t * vx, ay + t * vy
    return math.hypot(x - px, y - py) <= 0.052


def shade(x, y, width):
    """Colour of a point inside the shield: white Q, dark rim, vertical gradient."""
    if in_q(x, y):
        return WHITE
    rim = 1.2 / width
    if not all(in_shield(x + dx, y + dy) for dx, dy in ((rim, 0), (-rim, 0), (0, rim), (0, -rim))):
        return RIM
    return tuple(round(a + (b - a) * y / SHIELD_H) for a, b in zip(TOP, BOTTOM))


def render(width, height, size):
    """RGBA rows (top first) of the emblem, size pixels wide, centred, on transparency."""
    left = (width - size) / 2
    top = (height - size * SHIELD_H) / 2
    rows = []
    n = SUPERSAMPLE
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n - left) / size
                    y = (py + (sy + 0.5) / n - top) / size
                    if in_shield(x, y):
                        c = shade(x, y, size)
                        acc = [a + v for a, v in zip(acc, c)]
                        hits += 1
            if hits:
                row.append(tuple(round(a / hits) for a in acc) + (round(255 * hits / (n * n)),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def over_white(rgba):
    r, g, b, a = rgba
    return tuple(round((c * a + 255 * (255 - a)) / 255) for c in (r, g, b))


def bmp_24(rows):
    """A BITMAPFILEHEADER + BITMAPINFOHEADER file, 24 bits per pixel, bottom-up rows."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for rgba in row:
            r, g, b = over_white(rgba)
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + pixels


def icon_image(rows):
    """One icon image: 32-bit BGRA DIB (height doubled for the mask) plus the AND mask."""
    size = len(rows)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:  # older renderers that ignore alpha still see a transparent edge
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def ico(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries, blobs = b"", b""
    for size, blob in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return head + entries + blobs


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources"
    out.mkdir(parents=True, exist_ok=True)
    # A white margin of about three pixels keeps the emblem clear of the header's edges.
    logo = render(LOGO_W, LOGO_H, 43)
    (out / "logo.bmp").write_bytes(bmp_24(logo))
    images = []
    for size in ICON_SIZES:
        images.append((size, icon_image(render(size, size, size * 0.96 / SHIELD_H))))
    (out / "Install.ico").write_bytes(ico(images))


if __name__ == "__main__":
    main()
