#!/usr/bin/env python3
"""Draws the application icon: a blue database cylinder with a green tick, as SVG and as PNGs of
48 and 256 pixels, from one description, in plain Python so the icon can be rebuilt anywhere.
Usage: scripts/make-icon.py [OUT_DIR]   (default: data/icons)"""
import os
import struct
import sys
import zlib

# The picture on a 256-unit square: (kind, colour RGBA, geometry).
BODY = (0x2B, 0x5C, 0xB8, 255)
TOP = (0x7F, 0xB2, 0xF0, 255)
RIM = (0x1D, 0x3F, 0x80, 255)
TICK = (0x2E, 0xA0, 0x43, 255)
CX, RX, RY, Y0, Y1 = 112, 80, 26, 58, 190
TICK_POINTS = [(132, 170), (160, 198), (226, 112), (208, 96), (160, 162), (150, 152)]


def in_ellipse(x, y, cy):
    return ((x - CX) / RX) ** 2 + ((y - cy) / RY) ** 2 <= 1.0


def in_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def colour_at(x, y):
    """The colour of the picture at (x, y) in 256-unit space, or None for transparent."""
    if in_polygon(x, y, TICK_POINTS):
        return TICK
    if in_ellipse(x, y, Y0):
        return TOP if ((x - CX) / (RX - 5)) ** 2 + ((y - Y0) / (RY - 4)) ** 2 <= 1.0 else RIM
    for band in (Y0 + 44, Y0 + 88):
        if abs(x - CX) <= RX and in_ellipse(x, y, band) and not in_ellipse(x, y - 5, band):
            return RIM
    if (abs(x - CX) <= RX and Y0 <= y <= Y1) or in_ellipse(x, y, Y1):
        return BODY
    return None


def png(size):
    samples = 4
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * 256 / size
                    y = (py + (sy + 0.5) / samples) * 256 / size
                    c = colour_at(x, y)
                    if c:
                        for k in range(3):
                            acc[k] += c[k] * c[3]
                        acc[3] += c[3]
            n = samples * samples
            alpha = acc[3] / n
            if acc[3]:
                row += bytes(int(round(acc[k] / acc[3])) for k in range(3))
            else:
                row += b"\0\0\0"
            row.append(int(round(alpha)))
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def hexcolour(c):
    return "#%02x%02x%02x" % c[:3]


def svg():
    bands = "".join(
        f'  <path d="M{CX - RX},{b} A{RX},{RY} 0 0 0 {CX + RX},{b}" fill="none" '
        f'stroke="{hexcolour(RIM)}" stroke-width="5"/>\n' for b in (Y0 + 44 + 2.5, Y0 + 88 + 2.5))
    tick = " ".join(f"{x},{y}" for x, y in TICK_POINTS)
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
        f'  <title>Lumora</title>\n'
        f'  <ellipse cx="{CX}" cy="{Y1}" rx="{RX}" ry="{RY}" fill="{hexcolour(BODY)}"/>\n'
        f'  <rect x="{CX - RX}" y="{Y0}" width="{2 * RX}" height="{Y1 - Y0}" '
        f'fill="{hexcolour(BODY)}"/>\n'
        + bands +
        f'  <ellipse cx="{CX}" cy="{Y0}" rx="{RX}" ry="{RY}" fill="{hexcolour(RIM)}"/>\n'
        f'  <ellipse cx="{CX}" cy="{Y0}" rx="{RX - 5}" ry="{RY - 4}" fill="{hexcolour(TOP)}"/>\n'
        f'  <polygon points="{tick}" fill="{hexcolour(TICK)}"/>\n'
        '</svg>\n')


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "lumora.svg"), "w") as f:
        f.write(svg())
    for size in (48, 256):
        with open(os.path.join(out, f"lumora-{size}.png"), "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main()
