#!/usr/bin/env python3
"""Packs PNG images into one Windows .ico file: make-ico.py OUT.ico A.png ...

Each image is stored as PNG data, which Windows takes in icons since Vista;
the directory entry gives its size (0 standing for 256) and 32 bits per
pixel. The bytes depend on the PNGs alone, so the build is reproducible."""
import struct
import sys


def png_size(data, name):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit("make-ico: %s is not a PNG file" % name)
    width, height = struct.unpack(">II", data[16:24])
    if not (1 <= width <= 256 and 1 <= height <= 256):
        sys.exit("make-ico: %s is %dx%d; an icon image is 1 to 256 pixels a side" % (name, width, height))
    return width, height


def main(out, names):
    images = []
    for name in names:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    offset = 6 + 16 * len(images)
    head = struct.pack("<HHH", 0, 1, len(images))
    entries, body = b"", b""
    for (width, height), data in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    with open(out, "wb") as f:
        f.write(head + entries + body)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: make-ico.py OUT.ico IMAGE.png ...")
    main(sys.argv[1], sys.argv[2:])
