"""The app's icons: the game's own icon picture read from its .ico and
written as PNG at a whole multiple of its size, each pixel a square block
(nearest neighbour), the icon's mask as transparency. Standard library only,
and the same picture gives the same bytes."""

import struct
import zlib


def read_icon(data, size=32):
    """(size, rows) of the icon's size x size picture: rows top first, each a bytes of RGBA."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    for i in range(count):
        w, h, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if (w or 256) == size and (h or 256) == size:
            return size, _read_dib(data[offset:offset + length], size)
    raise ValueError(f"the icon has no {size} x {size} picture")


def _read_dib(dib, size):
    header, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", dib, 0)
    if width != size or height != 2 * size or compression != 0:
        raise ValueError("an icon picture this reader does not know")
    colours = struct.unpack_from("<I", dib, 32)[0] or (1 << bits if bits <= 8 else 0)
    palette = [dib[header + 4 * i:header + 4 * i + 3][::-1] for i in range(colours)]  # BGR0 to RGB
    stride = (size * bits + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    pixels_at = header + 4 * colours
    mask_at = pixels_at + stride * size
    rows = []
    # Both bitmaps are stored bottom row first.
    for y in range(size - 1, -1, -1):
        row = dib[pixels_at + y * stride:pixels_at + (y + 1) * stride]
        mask = dib[mask_at + y * mask_stride:mask_at + (y + 1) * mask_stride]
        out = bytearray()
        for x in range(size):
            if bits <= 8:
                bit = x * bits
                index = (row[bit // 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
                rgb = palette[index]
            elif bits in (24, 32):
                rgb = row[x * bits // 8:x * bits // 8 + 3][::-1]
            else:
                raise ValueError(f"an icon of {bits} bits a pixel")
            transparent = mask[x // 8] >> (7 - x % 8) & 1
            out += b"\0\0\0\0" if transparent else rgb + b"\xff"
        rows.append(bytes(out))
    return rows


def scaled(rows, k):
    """Each pixel as a k x k block."""
    out = []
    for row in rows:
        wide = b"".join(row[i:i + 4] * k for i in range(0, len(row), 4))
        out += [wide] * k
    return out


def png(rows):
    """An 8-bit RGBA PNG of the rows, with no chunk that would differ from one build to another."""
    width, height = len(rows[0]) // 4, len(rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_png(ico, size):
    """The icon's 32 x 32 picture as a size x size PNG; size is a whole multiple of 32."""
    base, rows = read_icon(ico)
    if size % base:
        raise ValueError(f"{size} is not a whole multiple of the icon's {base} pixels")
    return png(scaled(rows, size // base))
