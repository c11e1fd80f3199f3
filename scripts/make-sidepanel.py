#!/usr/bin/env python3
"""Draws the wizard's side-panel artwork (data/sidepanel.png): a deep blue gradient with three
stacked database cylinders joined by a cable, in plain Python so the picture can be rebuilt
anywhere. Usage: scripts/make-sidepanel.py [OUT.png]"""
import math
import struct
import sys
import zlib

W, H = 164, 314


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def blend(dst, src, alpha):
    return tuple(int(round(d + (s - d) * alpha)) for d, s in zip(dst, src))


top, bottom = (18, 52, 97), (10, 122, 140)
img = [[lerp(top, bottom, y / (H - 1)) for _ in range(W)] for y in range(H)]

# Soft diagonal light bands.
for y in range(H):
    for x in range(W):
        band = math.sin((x + y * 0.6) / 23.0)
        if band > 0.85:
            img[y][x] = blend(img[y][x], (255, 255, 255), (band - 0.85) * 0.35)


def ellipse_coverage(px, py, cx, cy, rx, ry):
    d = ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2
    edge = 1.0 / max(rx, ry) * 2
    return max(0.0, min(1.0, (1.0 - d) / edge + 0.5))


def cylinder(cx, cy, rx, ry, height, body, lid):
    for y in range(int(cy - ry - 2), int(cy + height + ry + 2)):
        for x in range(int(cx - rx - 2), int(cx + rx + 2)):
            if not (0 <= x < W and 0 <= y < H):
                continue
            px, py = x + 0.5, y + 0.5
            inside_body = abs(px - cx) <= rx and cy <= py <= cy + height
            bottom_cap = ellipse_coverage(px, py, cx, cy + height, rx, ry)
            a = 1.0 if inside_body else bottom_cap
            if a > 0:
                shade = 0.75 + 0.25 * math.cos((px - cx) / rx * 1.3)
                img[y][x] = blend(img[y][x], tuple(int(c * shade) for c in body), a)
            lid_a = ellipse_coverage(px, py, cx, cy, rx, ry)
            if lid_a > 0:
                img[y][x] = blend(img[y][x], lid, lid_a)
            ring = ellipse_coverage(px, py, cx, cy, rx, ry) - ellipse_coverage(px, py, cx, cy, rx - 1.6, ry - 1.2)
            if ring > 0:
                img[y][x] = blend(img[y][x], (255, 255, 255), ring * 0.6)


def line(x0, y0, x1, y1, color, width):
    for y in range(H):
        for x in range(W):
            px, py = x + 0.5, y + 0.5
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
            d = math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))
            a = max(0.0, min(1.0, width / 2 - d + 0.5))
            if a > 0:
                img[y][x] = blend(img[y][x], color, a * 0.8)


line(82, 96, 52, 170, (160, 220, 230), 2.2)
line(82, 96, 112, 226, (160, 220, 230), 2.2)
cylinder(82, 62, 34, 10, 34, (40, 110, 190), (120, 185, 240))
cylinder(52, 162, 26, 8, 26, (30, 140, 150), (110, 210, 210))
cylinder(112, 218, 26, 8, 26, (60, 90, 170), (140, 165, 235))

raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in img)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
out = sys.argv[1] if len(sys.argv) > 1 else "data/sidepanel.png"
with open(out, "wb") as f:
    f.write(png)
