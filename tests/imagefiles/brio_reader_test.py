"""Compares the independent reader (brio_reader.py) and `opaltool image
decode` on files `opaltool image encode` makes from PNGs written here.

usage: brio_reader_test.py OPALTOOL
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import brio_reader  # noqa: E402


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, width, height, pixels, mode, palette=None):
    """pixels: rows of tuples (RGB, RGBA) or of indices (mode 'P')."""
    colour_type = {"RGB": 2, "RGBA": 6, "P": 3}[mode]
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw.extend([p] if mode == "P" else p)
    body = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if mode == "P":
        body += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    body += chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + body)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def read_png(path):
    """Returns width, height and rows of RGBA tuples (8-bit channels)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, palette, trns = 8, b"", [], b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b"IHDR":
            w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert interlace == 0
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, n, 3)]
        elif kind == b"tRNS":
            trns = body
        elif kind == b"IDAT":
            idat += body
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    bpp = max(1, channels * depth // 8)
    stride = (w * channels * depth + 7) // 8
    raw = zlib.decompress(idat)
    prev = bytearray(stride)
    rows = []
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + [0, a, b, (a + b) // 2, paeth(a, b, c)][f]) & 0xFF
        prev = line
        out = []
        for x in range(w):
            if ctype == 3:
                bit = x * depth
                idx = (line[bit // 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1)
                out.append(palette[idx] + ((trns[idx],) if idx < len(trns) else (255,)))
            elif ctype == 2:
                out.append(tuple(line[3 * x:3 * x + 3]) + (255,))
            elif ctype == 6:
                out.append(tuple(line[4 * x:4 * x + 4]))
            elif ctype == 0:
                out.append((line[x],) * 3 + (255,))
            else:
                out.append((line[2 * x],) * 3 + (line[2 * x + 1],))
        rows.append(out)
    return w, h, rows


W, H = 23, 17


def picture(frame, depth, with_alpha):
    """RGB(A) rows; a block repeats inside the picture and most pixels
    repeat between frames, so tiles are reused both ways."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            sx, sy = (1, 1) if y >= 6 else (x, y)
            v = (sx * 37 + sy * 91 + (frame * 13 if x < 4 and y < 3 else 0)) & 0xFF
            if depth == 8:
                row.append(v % 200)
            else:
                px = (v, (v * 3 + 17) & 0xFF, (v * 7 + 5) & 0xFF)
                row.append(px + ((v * 11) & 0xFF,) if with_alpha else px)
        rows.append(row)
    return rows


PALETTE = [((i * 5) & 0xFF, (255 - i) & 0xFF, (i * 3 + 1) & 0xFF) for i in range(256)]


def expected_raw(depth, p):
    r, g, b = p[:3]
    if depth == 16:
        return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
    return r << 16 | g << 8 | b


def run(tool, *args):
    r = subprocess.run([tool] + list(args), capture_output=True, text=True)
    if r.returncode != 0:
        raise AssertionError("%s failed: %s" % (" ".join(args), r.stderr))


def check_case(tool, work, depth, mode, seed, tiles):
    with_alpha = depth == 32
    frames = [picture(f, depth, with_alpha) for f in range(3)]
    inputs = []
    for i, rows in enumerate(frames):
        path = os.path.join(work, "in%d.png" % i)
        if depth == 8:
            write_png(path, W, H, rows, "P", PALETTE)
        else:
            write_png(path, W, H, rows, "RGBA" if with_alpha else "RGB")
        inputs.append(path)
    out = os.path.join(work, "out.bri")
    args = ["image", "encode", "--depth", str(depth), "--mode", str(mode)]
    if seed:
        args += ["--scramble", "--seed", str(seed)]
    if tiles:
        args += ["--tiles", tiles]
    run(tool, *(args + inputs + ["-o", out]))
    name = "depth %d mode %d seed %d tiles %s" % (depth, mode, seed, tiles)

    parsed = brio_reader.read(open(out, "rb").read(), seed)
    assert len(parsed.frames) == 3, name
    if tiles:
        assert parsed.kinds == {-1, -2, "frame"}, (name, parsed.kinds)
    for i, f in enumerate(parsed.frames):
        assert (f["width"], f["height"], f["bits"]) == (W, H, depth), name
        img = f["picture"]
        for y in range(H):
            for x in range(W):
                src = frames[i][y][x]
                got = img.value(x, y)
                if depth == 8:
                    b, g, r = f["palette"][got]
                    assert got == src and (r, g, b) == PALETTE[src], (name, i, x, y)
                else:
                    assert got & 0xFFFFFF == expected_raw(depth, src), (name, i, x, y, hex(got))
                    if with_alpha:
                        assert f["alpha"].value(x, y) == src[3], (name, i, x, y)

    png = os.path.join(work, "back.png")
    run(tool, "image", "decode", "--seed", str(seed), out, "-o", png)
    for i in range(3):
        w, h, rows = read_png(os.path.join(work, "back-%d.png" % i))
        assert (w, h) == (W, H), name
        img = parsed.frames[i]["picture"]
        for y in range(H):
            for x in range(W):
                r, g, b, a = rows[y][x]
                raw = img.value(x, y)
                if depth == 8:
                    pb, pg, pr = parsed.frames[i]["palette"][raw]
                    assert (r, g, b) == (pr, pg, pb), (name, "decode", i, x, y)
                elif depth == 16:
                    assert (r >> 3, g >> 2, b >> 3) == (raw >> 11, (raw >> 5) & 63, raw & 31), (name, "decode", x, y)
                else:
                    assert (r, g, b) == ((raw >> 16) & 0xFF, (raw >> 8) & 0xFF, raw & 0xFF), (name, "decode", x, y)
                if with_alpha:
                    assert a == parsed.frames[i]["alpha"].value(x, y), (name, "decode alpha", x, y)
    return name


def main():
    tool = os.path.abspath(sys.argv[1])
    # The order of the generator agrees with itself on a known case: seed 0
    # keeps the natural order.
    assert brio_reader.tile_seed_order(0, 4) == [0, 1, 2, 3]
    count = 0
    with tempfile.TemporaryDirectory() as work:
        for depth in (8, 16, 24, 32):
            for mode in (0, 1):
                for seed in (0, 4321):
                    for tiles in (None, "8x8", "5x3"):
                        check_case(tool, work, depth, mode, seed, tiles)
                        count += 1
    print("%d cases agree" % count)


if __name__ == "__main__":
    main()
