"""A small reader of layered images (".bri"), versions 103 and later, storage
modes 0 (zlib) and 1 (raw), rows in seed order, tiles of kinds -1, -2 and
>= 0, and the frame and layer directory. Frames of one visible layer are
flattened (copy); other frames keep their layers only. Standard library only.
"""
import struct
import zlib


def tile_seed_order(seed, n):
    """The i-th value drawn from a pool of 0..n-1 by the generator
    state = state * 5 + seed (mod 2^32); each draw removes pool[state % len]."""
    seed &= 0xFFFFFFFF
    state = 0
    pool = list(range(n))
    order = []
    for _ in range(n):
        state = (state * 5 + seed) & 0xFFFFFFFF
        order.append(pool.pop(state % len(pool)))
    return order


class Image:
    def __init__(self, width, height, bits):
        self.width, self.height, self.bits = width, height, bits
        self.storage_bits = 16 if bits == 15 else bits
        self.row_bytes = ((width * self.storage_bits + 31) // 32) * 4
        self.rows = [bytearray(self.row_bytes) for _ in range(height)]

    def value(self, x, y):
        row, sb = self.rows[y], self.storage_bits
        if sb < 8:
            byte = row[x * sb // 8]
            shift = 8 - sb - (x * sb % 8)
            return (byte >> shift) & ((1 << sb) - 1)
        n = sb // 8
        return int.from_bytes(row[x * n:x * n + n], "little")


class Reader:
    def __init__(self, data, seed=0):
        self.data, self.pos, self.seed = data, 0, seed

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise ValueError("file ends early at %d (+%d)" % (self.pos, n))
        out = self.data[self.pos:self.pos + n]
        self.pos += n
        return out

    def i32(self):
        return struct.unpack("<i", self.take(4))[0]

    def u8(self):
        return self.take(1)[0]

    def string(self):
        n = self.i32()
        return self.take(n) if n > 0 else b""

    def read(self):
        magic = self.take(7)
        if magic[:4] != b"Brio":
            raise ValueError("no magic")
        self.version = int(magic[4:].decode("ascii"))
        if self.version < 103:
            raise ValueError("only versions from 103")
        length = self.i32()
        block = self.take(length) + bytes(40 - length)
        (self.hv, _w, _h, _b, count) = struct.unpack_from("<5i", block, 0)
        self.scrambled, self.mode = block[21] != 0, block[22]
        (self.background, self.tw, self.th) = struct.unpack_from("<3i", block, 24)
        if self.mode not in (0, 1):
            raise ValueError("storage mode %d is not read here" % self.mode)
        self.frames = []
        self.kinds = set()  # tile kinds met: -1, -2, and "frame" for >= 0
        for index in range(count):
            self.frames.append(self.frame(index))
        return self

    def frame(self, index):
        f = {"name": self.string(), "transparent": self.i32(), "time": self.i32()}
        self.take(5)
        layer_count = self.i32()
        w, h, bits = self.i32(), self.i32(), self.i32()
        f.update(width=w, height=h, bits=bits, palette=[])
        if bits <= 8:
            table = self.take(4 << bits)
            f["palette"] = [tuple(table[4 * i:4 * i + 3]) for i in range(1 << bits)]  # b, g, r
        f["layers"] = [self.layer(index, w, h, bits) for _ in range(layer_count)]
        if self.hv >= 104:
            f["rects"] = [self.rects(), self.rects()]
        visible = [l for l in f["layers"] if l["visible"]]
        if len(visible) == 1 and visible[0]["opacity"] >= 255 and visible[0]["transparent"] < 0:
            f["picture"] = visible[0]["image"]
            f["alpha"] = visible[0]["alpha"] if visible[0]["use_alpha"] else None
        return f

    def rects(self):
        n = self.i32()
        return [struct.unpack("<4i", self.take(16)) for _ in range(max(n, 0))]

    def layer(self, frame_index, w, h, bits):
        self.take(8)
        l = {"visible": self.u8() != 0, "transparent": self.i32(), "opacity": self.i32()}
        l["use_alpha"] = self.u8() != 0 if self.hv > 100 else False
        l["name"] = self.string()
        l["image"] = self.block(Image(w, h, bits), frame_index, "image")
        l["alpha"] = None
        if self.hv > 99:
            size = self.i32()
            if size > 0:
                self.pos -= 4
                if l["use_alpha"]:
                    l["transparent"] = -1
                l["alpha"] = self.block(Image(w, h, 8), frame_index, "alpha")
        return l

    def block(self, image, frame_index, part):
        data = self.take(self.i32())
        if self.mode == 0:
            data = zlib.decompress(data)
        if self.hv > 102 and self.tw > 0 and self.th > 0:
            self.tiles(data, image, frame_index, part)
        else:
            order = list(range(image.height))
            if self.hv > 102 and self.scrambled:
                order = tile_seed_order(self.seed, image.height)
            for i, y in enumerate(order):
                image.rows[y][:] = data[i * image.row_bytes:(i + 1) * image.row_bytes]
        return image

    def tiles(self, data, image, frame_index, part):
        tw, th, sb = self.tw, self.th, image.storage_bits
        across = (image.width + tw - 1) // tw
        down = (image.height + th - 1) // th
        n = across * down
        stored = [struct.unpack_from("<2i", data, 8 * i) for i in range(n)]
        table = list(stored)
        if self.scrambled:
            for i, p in enumerate(tile_seed_order(self.seed, n)):
                table[p] = stored[i]
        pos = 8 * n
        tile_row = (tw * sb + 7) // 8
        for k, (kind, arg) in enumerate(table):
            self.kinds.add(kind if kind < 0 else "frame")
            x, y = (k % across) * tw, (k // across) * th
            w, h = min(tw, image.width - x), min(th, image.height - y)
            wb = (w * sb + 7) // 8
            if kind == -1:
                off = (k % across) * tile_row
                for r in range(h):
                    image.rows[y + r][off:off + wb] = data[pos:pos + wb]
                    pos += wb
                continue
            if kind == -2:
                if not 0 <= arg < k:
                    raise ValueError("tile %d copies tile %d" % (k, arg))
                src, sx, sy = image, (arg % across) * tw, (arg // across) * th
            else:
                if kind >= frame_index:
                    raise ValueError("tile %d refers to frame %d" % (k, kind))
                src = self.frames[kind]["layers"][arg][part]
                sx, sy = x, y
            for r in range(h):
                s = src.rows[sy + r][sx * sb // 8:sx * sb // 8 + wb]
                image.rows[y + r][x * sb // 8:x * sb // 8 + wb] = s


def read(data, seed=0):
    return Reader(data, seed).read()
