#!/usr/bin/env python3
"""Draws the program's own artwork: the 32 x 32 icon (PNG and SVG), the icon
drawn for 16, 22 and 24 pixels, and the hand
pointer shown over "Start Printing" (a Windows cursor file, HAND-M.CUR).
Run it again only to change the pictures; its output is committed."""
import struct
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "resources"

HAND = """
.......XX.......................
......X..X......................
......X..X......................
......X..X......................
......X..X......................
......X..XXX....................
......X..X..XXX.................
......X..X..X..XX...............
...XX.X..X..X..X.X..............
..X..XX.........XX..............
..X...X..........X..............
...X.............X..............
...X.............X..............
....X............X..............
....X...........X...............
.....X..........X...............
.....X.........X................
......X........X................
......XXXXXXXXXX................
......XXXXXXXXXX................
""".strip().splitlines()
HOT_SPOT = (7, 0)  # the fingertip


def hand_pixels():
    """32 x 32 rows of (r, g, b, a): black outline, white inside."""
    rows = [[(0, 0, 0, 0)] * 32 for _ in range(32)]
    for y, line in enumerate(HAND):
        xs = [x for x, c in enumerate(line) if c == "X"]
        if not xs:
            continue
        for x in range(xs[0], xs[-1] + 1):
            rows[y][x] = (0, 0, 0, 255) if line[x] == "X" else (255, 255, 255, 255)
    return rows


def cursor_file(pixels, hot):
    """A .cur file holding one 32-bit image with its AND mask."""
    width = height = 32
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(
        struct.pack("BBBB", b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row
    )
    mask = b""
    for row in reversed(pixels):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, hot[0], hot[1], len(image), 6 + 16)
    return directory + entry + image


def icon_pixels(size=32):
    """Graph paper: white, blue lines every 4 pixels, a wide one every 16; at
    the small sizes (16, 22, 24) drawn for the size, on whole pixels: lines
    every 3 pixels, every fourth one dark and a pixel wide."""
    step, wide_width = (4, 2) if size >= 32 else (3, 1)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            edge = x in (0, size - 1) or y in (0, size - 1)
            wide = (x - 2) % (4 * step) < wide_width or (y - 2) % (4 * step) < wide_width
            thin = (x - 2) % step == 0 or (y - 2) % step == 0
            if edge:
                row.append((40, 40, 40, 255))
            elif wide:
                row.append((20, 60, 200, 255))
            elif thin:
                row.append((120, 160, 235, 255))
            else:
                row.append((255, 255, 255, 255))
        rows.append(row)
    return rows


def png_file(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)
    ihdr = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_svg():
    """The same graph paper as a scalable picture."""
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
             '<rect x="0.5" y="0.5" width="31" height="31" fill="#ffffff" stroke="#282828"/>']
    for p in range(2, 31, 4):
        wide = (p - 2) % 16 == 0
        colour, width = ("#143cc8", 2) if wide else ("#78a0eb", 1)
        centre = p + width / 2
        parts.append(f'<line x1="{centre}" y1="1" x2="{centre}" y2="31" stroke="{colour}" '
                     f'stroke-width="{width}"/>')
        parts.append(f'<line x1="1" y1="{centre}" x2="31" y2="{centre}" stroke="{colour}" '
                     f'stroke-width="{width}"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


if __name__ == "__main__":
    OUT.mkdir(exist_ok=True)
    (OUT / "HAND-M.CUR").write_bytes(cursor_file(hand_pixels(), HOT_SPOT))
    (OUT / "gridorra.png").write_bytes(png_file(icon_pixels()))
    (OUT / "gridorra.svg").write_text(icon_svg())
    (OUT / "icons").mkdir(exist_ok=True)
    for size in (16, 22, 24):
        (OUT / "icons" / f"gridorra-{size}.png").write_bytes(png_file(icon_pixels(size)))
