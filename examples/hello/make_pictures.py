#!/usr/bin/env python3
"""Draws the example game's pictures into pictures/ as PNG files.

opaltool build turns each PNG into a layered picture; NAME.N.png files
become the frames (in order of N) of one animated NAME.bri. Run this again
after changing it; the PNGs it writes are kept with the example.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")


def write_png(name, width, height, pixels, alpha):
    """pixels: rows of (r, g, b) or (r, g, b, a) tuples."""
    colour_type = 6 if alpha else 2
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw.extend(p[:4] if alpha else p[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def background():
    w, h = 640, 480
    sky_top, sky_low = (40, 70, 150), (170, 200, 235)
    grass_top, grass_low = (70, 140, 60), (30, 80, 30)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            if y < 330:
                c = mix(sky_top, sky_low, y / 329)
                # a soft sun in the upper right
                d = math.hypot(x - 520, y - 90)
                if d < 60:
                    c = mix(c, (255, 240, 190), min(1.0, (60 - d) / 12))
            else:
                c = mix(grass_top, grass_low, (y - 330) / 149)
                if (x // 40 + y // 30) % 2 == 0:
                    c = mix(c, (0, 0, 0), 0.06)
            row.append(c)
        rows.append(row)
    write_png("bg.png", w, h, rows, False)


def character():
    w, h = 120, 200
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            a = 0.0
            c = (0, 0, 0)
            head = 28 - math.hypot(x - 60, y - 40)
            if head > -1:
                a = min(1.0, head + 1)
                c = (250, 215, 180)
            body_dx = abs(x - 60) - (18 + (y - 70) * 0.25)
            if 70 <= y < 190 and body_dx < 1:
                a = max(a, min(1.0, 1 - body_dx))
                c = (200, 60, 80) if y < 150 else (60, 60, 120)
            row.append(c + (int(round(a * 255)),))
        rows.append(row)
    write_png("chara.png", w, h, rows, True)


def spark_frames():
    size = 48
    colours = [(255, 220, 60), (255, 150, 40), (255, 90, 90), (255, 150, 40)]
    for n, colour in enumerate(colours):
        rows = []
        for y in range(size):
            row = []
            for x in range(size):
                dx, dy = x - 23.5, y - 23.5
                r = math.hypot(dx, dy)
                ang = math.atan2(dy, dx) + n * math.pi / 8
                reach = 10 + 12 * abs(math.cos(2 * ang)) ** 3
                a = max(0.0, min(1.0, reach - r))
                row.append(colour + (int(round(a * 255)),))
            rows.append(row)
        write_png("spark.%d.png" % n, size, size, rows, True)


def brick_tile():
    w, h = 32, 16
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            shift = 0 if y < 8 else 16
            mortar = y % 8 == 7 or (x + shift) % 32 == 31
            row.append((200, 195, 185) if mortar else (150 + (x * 3) % 20, 70, 50))
        rows.append(row)
    write_png("brick.png", w, h, rows, False)


def title_card():
    """The story's title: a night sky with stars over a dark hill."""
    w, h = 640, 480
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            c = mix((10, 12, 40), (60, 40, 90), y / 479)
            # a few fixed stars
            if ((x * 73856093) ^ (y * 19349663)) % 1009 == 0 and y < 300:
                c = (255, 255, 230)
            hill = 360 + 40 * math.sin(x / 90.0)
            if y > hill:
                c = mix((20, 30, 30), (5, 10, 10), (y - hill) / max(1.0, 480 - hill))
            row.append(c)
        rows.append(row)
    write_png("title.png", w, h, rows, False)


def evening():
    """The second scene: an evening street, orange sky and a row of houses."""
    w, h = 640, 480
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            c = mix((250, 150, 80), (120, 60, 110), y / 329) if y < 330 else mix((90, 80, 70), (50, 45, 40), (y - 330) / 149)
            house = (x // 80) % 2
            roof = 200 + (abs((x % 80) - 40))
            if 330 > y > roof:
                c = (110, 70, 60) if house else (140, 100, 70)
                if (x % 80) in range(25, 45) and 260 < y < 290:
                    c = (255, 220, 120)  # a lit window
            row.append(c)
        rows.append(row)
    write_png("evening.png", w, h, rows, False)


def rule():
    """The rule of the evening's shadow wipe: grey levels, brightest at the
    centre, so the evening spreads outwards in rings."""
    w, h = 640, 480
    far = math.hypot(w / 2, h / 2)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            d = math.hypot(x - w / 2, y - h / 2) / far
            v = max(0.0, min(1.0, 1.0 - d + 0.04 * math.sin(d * 40)))
            g = int(round(v * 255))
            row.append((g, g, g))
        rows.append(row)
    write_png("rule.png", w, h, rows, False)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    background()
    character()
    spark_frames()
    brick_tile()
    title_card()
    evening()
    rule()
