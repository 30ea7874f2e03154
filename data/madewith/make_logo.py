#!/usr/bin/env python3
"""Draws the player's start-up logo, logo.png (a still picture of ours).

The build turns it into a layered picture inside the MADEWITH archive that
is linked into opalplay. Run this again after changing it.
"""
import math
import os
import struct
import zlib

W, H = 240, 96


def write_png(path, rows):
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for p in row:
            raw.extend(p)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def coverage(d):
    """Anti-aliased coverage of a shape whose signed distance is d."""
    return max(0.0, min(1.0, 0.5 - d))


def main():
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            # An opal: an ellipse with a play of colours, and a ring around it.
            dx, dy = (x - 48) / 34.0, (y - 48) / 30.0
            r = math.hypot(dx, dy)
            stone = coverage((r - 1.0) * 30)
            hue = math.atan2(dy, dx) * 3 + r * 4
            c = (int(180 + 70 * math.sin(hue)), int(200 + 50 * math.sin(hue + 2.1)), int(220 + 35 * math.sin(hue + 4.2)))
            ring = coverage(abs(r - 1.18) * 30 - 1.2)
            # Three bars for the word beside it.
            bar = 0.0
            for i, length in enumerate((120, 90, 105)):
                top = 30 + i * 16
                if 100 <= x < 100 + length and top <= y < top + 8:
                    bar = 1.0
            a = max(stone, ring * 0.8, bar)
            if bar >= stone and bar > 0:
                c = (60, 70, 110)
            elif ring > stone:
                c = (90, 100, 150)
            row.append(c + (int(round(a * 255)),))
        rows.append(row)
    write_png(os.path.join(os.path.dirname(os.path.abspath(__file__)), "logo.png"), rows)


if __name__ == "__main__":
    main()
