#!/usr/bin/python3
"""Writes the files of the hostile benchmark into OUTDIR (kept when present).

  make_hostile_files.py OUTDIR

Files that claim sizes or counts no real picture has, beside one real
animation of many frames that must still load:
  rle8_4000x4000_1.5gb.bmp      an RLE8 bitmap of 4000 x 4000 with 1.5 GB of
                                data after its first rows (sparse: the tail
                                takes no disk)
  bitfields_header44.bmp        a 16-bit 5-6-5 bit-field bitmap whose info
                                header is 44 bytes long, masks after it
  comment_blocks_60mb.gif       one comment of 30 million one-byte sub-blocks
  comment_extensions_60mb.gif   12 million comment extensions of one block
  frames_1x1_60mb.gif           4 million frames of 1 x 1 pixel
  animation_5000_frames.gif     a looping animation of 5000 16 x 16 frames
"""
import os
import struct
import sys

MB = 1000 * 1000


def write_repeated(f, unit, total):
    """Writes unit over and over until total bytes (a whole number of units)."""
    count = max(1, total // len(unit))
    chunk = unit * max(1, (1 << 20) // len(unit))
    per_chunk = len(chunk) // len(unit)
    while count >= per_chunk:
        f.write(chunk)
        count -= per_chunk
    f.write(unit * count)


def gif_header(width, height, colours):
    """GIF89a with a global table of 2 ** n >= colours grey entries."""
    n = max(1, (colours - 1).bit_length())
    table = b"".join(bytes([v, v, v]) for v in (i * 255 // ((1 << n) - 1) for i in range(1 << n)))
    return b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (n - 1), 0, 0) + table


def lzw_plain(pixels, min_size):
    """LZW data that never lets the code table grow: a clear code before the
    table would widen the codes, so every code is min_size + 1 bits wide."""
    clear = 1 << min_size
    width = min_size + 1
    codes = []
    for i, p in enumerate(pixels):
        if i % (clear - 2) == 0:
            codes.append(clear)
        codes.append(p)
    codes.append(clear + 1)
    acc = bits = 0
    out = bytearray()
    for c in codes:
        acc |= c << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc)
    blocks = bytearray([min_size])
    for at in range(0, len(out), 255):
        part = out[at:at + 255]
        blocks += bytes([len(part)]) + part
    return bytes(blocks + b"\0")


ONE_PIXEL_FRAME = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00"


def rle8_bmp(path):
    width = height = 4000
    palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, 0, 2835, 2835, 256, 0)
    rows = b""
    for y in range(100):  # runs of 250 pixels, then an end of line
        rows += bytes([250, y]) * 16 + b"\0\0"
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 0, 0, 0, 14 + 40 + 1024))
        f.write(header + palette + rows)
        f.truncate(1536 * 1024 * 1024)  # the rest is a hole of zeros: ends of lines


def bitfields_bmp(path):
    width, height = 4, 4
    header = struct.pack("<IiiHHIIiiII", 44, width, height, 1, 16, 3, 0, 2835, 2835, 0, 0) + b"\0" * 4
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    pixels = b"".join(struct.pack("<H", (x * 8) << 11 | (y * 16) << 5 | 31) for y in range(height) for x in range(width))
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 0, 0, 0, 14 + 44 + 12) + header + masks + pixels)


def comment_blocks_gif(path):
    with open(path, "wb") as f:
        f.write(gif_header(1, 1, 2) + b"\x21\xfe")
        write_repeated(f, b"\x01x", 60 * MB)
        f.write(b"\0" + ONE_PIXEL_FRAME + b";")


def comment_extensions_gif(path):
    with open(path, "wb") as f:
        f.write(gif_header(1, 1, 2))
        write_repeated(f, b"\x21\xfe\x01x\x00", 60 * MB)
        f.write(ONE_PIXEL_FRAME + b";")


def frames_gif(path):
    with open(path, "wb") as f:
        f.write(gif_header(1, 1, 2))
        write_repeated(f, ONE_PIXEL_FRAME, 60 * MB)
        f.write(b";")


def animation_gif(path):
    side, frames = 64, 5000
    out = bytearray(gif_header(side, side, 256))
    out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for n in range(frames):
        x, y = (n * 3) % (side - 16), (n * 7) % (side - 16)
        out += b"\x21\xf9\x04\x04" + struct.pack("<H", 2) + b"\x00\x00"  # keep, 20 ms
        out += b"\x2c" + struct.pack("<HHHHB", x, y, 16, 16, 0)
        out += lzw_plain([(n + i) % 256 for i in range(256)], 8)
    out += b";"
    with open(path, "wb") as f:
        f.write(out)


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, make in [("rle8_4000x4000_1.5gb.bmp", rle8_bmp), ("bitfields_header44.bmp", bitfields_bmp),
                       ("comment_blocks_60mb.gif", comment_blocks_gif),
                       ("comment_extensions_60mb.gif", comment_extensions_gif),
                       ("frames_1x1_60mb.gif", frames_gif), ("animation_5000_frames.gif", animation_gif)]:
        path = os.path.join(outdir, name)
        if not os.path.exists(path):
            make(path + ".part")
            os.rename(path + ".part", path)


if __name__ == "__main__":
    main()
