#!/usr/bin/python3
"""Packs the program's PNG icons into the Windows icon file (PNG entries).

  packaging/windows/make-icon.py   (from the project's folder; rewrites vx500-monitor.ico)
"""
import struct

SIZES = (16, 24, 32, 48, 64, 256)
images = [open("packaging/icons/vx500-monitor-%d.png" % s, "rb").read() for s in SIZES]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, png in zip(SIZES, images):
    assert png[16:24] == struct.pack(">II", size, size), "packaging/icons/vx500-monitor-%d.png is not %d by %d" % (size, size, size)
    out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
open("packaging/windows/vx500-monitor.ico", "wb").write(out + b"".join(images))
