#!/usr/bin/env python3
"""Turns the screen of an Xvfb started with -fbdir DIR (the file
DIR/Xvfb_screen0, a 24- or 32-bit TrueColor XWD image) into a PNG file, with
nothing but the standard library: the screenshot of a desktop test that is
looked at when a layout changes.

    Xvfb :90 -screen 0 1024x768x24 -fbdir /tmp/fb &
    ... run the test's programs on :90 ...
    python3 tests/desktop/xwd_to_png.py /tmp/fb/Xvfb_screen0 shot.png
"""
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
hdr = struct.unpack('>25I', data[:100])
header_size, version, fmt, depth, width, height = hdr[0], hdr[1], hdr[2], hdr[3], hdr[4], hdr[5]
byte_order, bpp, bpl, ncolors = hdr[7], hdr[11], hdr[12], hdr[19]
off = header_size + ncolors * 12
rows = []
for y in range(height):
    line = data[off + y * bpl: off + y * bpl + width * (bpp // 8)]
    out = bytearray(b'\0')
    step = bpp // 8
    for x in range(width):
        px = line[x * step: x * step + step]
        if byte_order == 0:  # LSBFirst: B G R X
            out += bytes((px[2], px[1], px[0]))
        else:
            out += bytes((px[1], px[2], px[3])) if step == 4 else bytes(px[:3])
    rows.append(bytes(out))
raw = b''.join(rows)
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 6)) + chunk(b'IEND', b'')
open(sys.argv[2], 'wb').write(png)
