#!/usr/bin/env python3
"""Button images for the toolbox's catalogues: three small PNGs per tool.

    tool-icons.py OUT_DIR NAME...

writes OUT_DIR/NAME-normal.png, NAME-over.png and NAME-select.png for each
NAME (a plug-in's library name such as ZEVAPlug_SpeedTest, or any word): an
80 x 70 picture with a rounded tile in its upper part (the toolbox writes the
tool's caption below it) and a white sign for the tool. The pointer over the
button lightens the tile, a pressed button darkens it and rings it. The
colours and signs depend on the name only, so every run draws the same files.
Standard library only: the pictures are drawn here, nothing is fetched.
"""

import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 80, 70
TILE = (18.0, 1.0, 62.0, 45.0)  # left, top, right, bottom
RADIUS = 8.0
SAMPLES = 3  # per axis, for smooth edges


def png(path, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def rounded_box(x, y, box, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    l, t, rt, b = box
    cx, cy = (l + rt) / 2, (t + b) / 2
    hx, hy = (rt - l) / 2 - r, (b - t) / 2 - r
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0), max(qy, 0))
    return outside + min(max(qx, qy), 0) - r


def segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    h = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - h * dx, y - ay - h * dy)


# Signs in tile coordinates (the tile's centre is 40, 23): True where white.
def sign_gauge(x, y):
    d = math.hypot(x - 40, y - 27)
    angle = math.atan2(27 - y, x - 40)
    arc = abs(d - 13) < 2.2 and angle > -0.35
    needle = segment(x, y, 40, 27, 49, 16) < 1.8
    return arc or needle or d < 3


def sign_check(x, y):
    board = abs(rounded_box(x, y, (29, 10, 51, 37), 2.5)) < 1.3
    tick = segment(x, y, 33, 24, 38, 30) < 1.9 or segment(x, y, 38, 30, 47, 17) < 1.9
    clip = rounded_box(x, y, (35, 7.5, 45, 12.5), 1.5) < 0
    return board or tick or clip


def sign_network(x, y):
    nodes = [(40, 13), (29, 33), (51, 33)]
    if any(math.hypot(x - nx, y - ny) < 4.2 for nx, ny in nodes):
        return True
    return any(segment(x, y, *a, *b) < 1.4 for a, b in [(nodes[0], nodes[1]), (nodes[0], nodes[2]),
                                                          (nodes[1], nodes[2])])


def sign_grid(x, y):
    return any(rounded_box(x, y, (l, t, l + 9, t + 9), 2) < 0
               for l in (30, 41) for t in (13, 24))


def sign_star(x, y):
    angle = math.atan2(y - 24, x - 40)
    d = math.hypot(x - 40, y - 24)
    spike = 0.5 + 0.5 * math.cos(5 * (angle + math.pi / 2))
    return d < 6 + 7 * spike ** 2


def sign_dot(x, y):
    return abs(math.hypot(x - 40, y - 23) - 9) < 2.5


SIGNS = {
    "speedtest": sign_gauge,
    "receipt": sign_check,
    "antipilfernet": sign_network,
    "treasurebox": sign_grid,
    "sample": sign_star,
}


def name_hash(name):
    return zlib.crc32(name.encode("utf-8"))


def sign_for(name):
    key = name.lower().removeprefix("zevaplug_")
    return SIGNS.get(key, sign_dot)


def hsv(h, s, v):
    i = int(h * 6) % 6
    f = h * 6 - int(h * 6)
    p, q, t = v * (1 - s), v * (1 - f * s), v * (1 - (1 - f) * s)
    return [(v, t, p), (q, v, p), (p, v, t), (p, q, v), (t, p, v), (v, p, q)][i]


def draw(name, state):
    hue = (name_hash(name) % 360) / 360.0
    value = {"normal": 0.82, "over": 0.95, "select": 0.66}[state]
    sign = sign_for(name)
    rows = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            cover = white = ring = 0
            shade = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    d = rounded_box(x, y, TILE, RADIUS)
                    if d > 0:
                        continue
                    cover += 1
                    shade += (y - TILE[1]) / (TILE[3] - TILE[1])
                    if state == "select" and d > -2.0:
                        ring += 1
                    elif sign(x, y):
                        white += 1
            n = SAMPLES * SAMPLES
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            # Lighter at the top, darker at the bottom of the tile.
            r, g, b = hsv(hue, 0.55, value * (1.08 - 0.25 * shade / cover))
            mix = (white + ring) / cover
            colour = tuple(int(round(255 * min(1.0, c * (1 - mix) + mix))) for c in (r, g, b))
            row.append(colour + (int(round(255 * cover / n)),))
        rows.append(row)
    return rows


def main(argv):
    if len(argv) < 3 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) > 1 and argv[1] in ("-h", "--help") else 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name in argv[2:]:
        for state in ("normal", "over", "select"):
            png(os.path.join(out, f"{name}-{state}.png"), draw(name, state))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
