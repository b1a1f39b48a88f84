#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the calculator's icon as SVG and as a 128x128 PNG from one description.

Run by hand after changing the shapes: python3 make-icons.py (writes next to itself)."""
import math
import os
import struct
import zlib

SIZE = 128
# (kind, fill, geometry): shapes drawn in this order on a 128x128 canvas.
SHAPES = [
    ("rrect", "#1f4e8c", (4, 4, 120, 120, 22)),   # background tile
    ("circle", "#e3b341", (46, 46, 30)),          # coin, upper left
    ("circle", "#f2d27a", (46, 46, 22)),
    ("circle", "#c9ccd1", (82, 82, 30)),          # coin, lower right
    ("circle", "#e6e8eb", (82, 82, 22)),
    # exchange arrows: one to the right along the top, one to the left along the bottom
    ("poly", "#ffffff", [(74, 18), (98, 18), (98, 10), (114, 26), (98, 42), (98, 34), (74, 34)]),
    ("poly", "#ffffff", [(54, 94), (30, 94), (30, 86), (14, 102), (30, 118), (30, 110), (54, 110)]),
]


def svg():
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
           f'viewBox="0 0 {SIZE} {SIZE}">']
    for kind, fill, g in SHAPES:
        if kind == "rrect":
            x, y, w, h, r = g
            out.append(f'  <rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{fill}"/>')
        elif kind == "circle":
            cx, cy, r = g
            out.append(f'  <circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}"/>')
        else:
            pts = " ".join(f"{x},{y}" for x, y in g)
            out.append(f'  <polygon points="{pts}" fill="{fill}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def inside(kind, g, x, y):
    if kind == "circle":
        cx, cy, r = g
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "rrect":
        x0, y0, w, h, r = g
        if not (x0 <= x <= x0 + w and y0 <= y <= y0 + h):
            return False
        nx = min(max(x, x0 + r), x0 + w - r)
        ny = min(max(y, y0 + r), y0 + h - r)
        return (x - nx) ** 2 + (y - ny) ** 2 <= r * r
    hit = False
    for i in range(len(g)):
        (x1, y1), (x2, y2) = g[i], g[i - 1]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            hit = not hit
    return hit


def rgb(fill):
    return tuple(int(fill[i:i + 2], 16) for i in (1, 3, 5))


def png(path, n=4):
    rows = []
    for py in range(SIZE):
        row = bytearray([0])
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied colour and coverage
            for sy in range(n):
                for sx in range(n):
                    x, y = px + (sx + 0.5) / n, py + (sy + 0.5) / n
                    col = None
                    for kind, fill, g in SHAPES:
                        if inside(kind, g, x, y):
                            col = rgb(fill)
                    if col:
                        acc[0] += col[0]; acc[1] += col[1]; acc[2] += col[2]; acc[3] += 1
            a = acc[3] / (n * n)
            if acc[3]:
                row += bytes(round(acc[i] / acc[3]) for i in range(3)) + bytes([round(a * 255)])
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "org.tarvo.Wechsler.svg"), "w") as f:
        f.write(svg())
    png(os.path.join(here, "org.tarvo.Wechsler.png"))
