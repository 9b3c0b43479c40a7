#!/usr/bin/python3
"""Reads the first page of a PWG raster file (what a driverless printer
receives) and prints its resolution and size, then the dark runs of one
row and one column as "first,last" dot pairs:
    dpi X Y
    size W H
    row Y: a,b c,d ...
    column X: a,b ...
Usage: pwg-runs.py FILE ROW COLUMN
   or: pwg-runs.py FILE --pgm OUT   (the first page as a grey PGM image)"""
import struct
import sys


def cups_v3_page(data):
    """The first page of an uncompressed CUPS raster (version 3, either
    byte order), as a driver gets it from CUPS's filters: dark where there
    is ink."""
    order = ">" if data[:4] == b"RaS3" else "<"
    header = data[4:4 + 1796]
    x_dpi, y_dpi = struct.unpack(order + "II", header[276:284])
    width, height = struct.unpack(order + "II", header[372:380])
    bits_per_color, bits_per_pixel, bytes_per_line, color_order, color_space = struct.unpack(
        order + "IIIII", header[384:404])
    if bits_per_color != 8 or color_order != 0:
        sys.exit("raster of %d bits a colour, order %d" % (bits_per_color, color_order))
    pixel = bits_per_pixel // 8
    # Additive spaces (grey, RGB) are white at 255; the others are ink.
    additive = color_space in (0, 1, 17, 18, 19, 20)
    at = 4 + 1796
    rows = []
    for _ in range(height):
        line = data[at:at + bytes_per_line]
        at += bytes_per_line
        first = line[0::pixel] if additive else bytes(255 - v for v in line[pixel - 1::pixel])
        rows.append(bytes(first))
    return x_dpi, y_dpi, width, height, rows


def first_page(path, grey=True):
    data = open(path, "rb").read()
    if data[:4] in (b"RaS3", b"3SaR"):
        return cups_v3_page(data)
    if data[:4] != b"RaS2":
        sys.exit("not PWG raster: %r" % data[:4])
    header = data[4:4 + 1796]
    x_dpi, y_dpi = struct.unpack(">II", header[276:284])
    width, height = struct.unpack(">II", header[372:380])
    bits_per_pixel, bytes_per_line = struct.unpack(">II", header[388:396])
    pixel = bits_per_pixel // 8
    at = 4 + 1796
    rows = []
    while len(rows) < height:
        repeat = data[at] + 1
        at += 1
        line = bytearray()
        while len(line) < bytes_per_line:
            control = data[at]
            at += 1
            if control == 128:  # the rest of the line is white
                line += b"\xff" * (bytes_per_line - len(line))
            elif control < 128:
                line += data[at:at + pixel] * (control + 1)
                at += pixel
            else:
                count = 257 - control
                line += data[at:at + count * pixel]
                at += count * pixel
        if grey:  # one darkness per dot: the darkest channel
            line = [min(line[i:i + pixel]) for i in range(0, bytes_per_line, pixel)]
        else:  # the first channel, as bytes: the ink is black
            line = bytes(line[0::pixel])
        rows.extend([line] * repeat)
    return x_dpi, y_dpi, width, height, rows


def runs(values):
    out, start = [], None
    for i, v in enumerate(values + [255]):
        if v < 128 and start is None:
            start = i
        elif v >= 128 and start is not None:
            out.append("%d,%d" % (start, i - 1))
            start = None
    return " ".join(out)


if sys.argv[2] == "--pgm":
    x_dpi, y_dpi, width, height, rows = first_page(sys.argv[1], grey=False)
    with open(sys.argv[3], "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (width, height))
        out.write(b"".join(rows))
    sys.exit(0)
x_dpi, y_dpi, width, height, rows = first_page(sys.argv[1])
row, column = int(sys.argv[2]), int(sys.argv[3])
print("dpi %d %d" % (x_dpi, y_dpi))
print("size %d %d" % (width, height))
print("row %d: %s" % (row, runs(rows[row])))
print("column %d: %s" % (column, runs([r[column] for r in rows])))
