"""Writes a PNG of an X window (or the root window): screenshot.py WINDOW_ID FILE.

Reads the window's pixels with XGetImage through libX11, so that a test can
keep a picture of a dialog without an image package installed.
"""
import ctypes
import ctypes.util
import struct
import sys
import zlib


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("rest", ctypes.c_byte * 200)]


def main():
    x = ctypes.CDLL(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                       ctypes.POINTER(XWindowAttributes)]
    x.XGetImage.restype = ctypes.POINTER(XImage)
    x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                            ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("no display")
    window = int(sys.argv[1], 0) if sys.argv[1] != "root" else x.XDefaultRootWindow(display)
    attrs = XWindowAttributes()
    x.XGetWindowAttributes(display, window, ctypes.byref(attrs))
    image = x.XGetImage(display, window, 0, 0, attrs.width, attrs.height, 0xFFFFFFFF, 2)
    if not image:
        sys.exit("no image")
    im = image.contents
    rows = []
    for y in range(im.height):
        row = bytearray(b"\0")
        base = y * im.bytes_per_line
        for xx in range(im.width):
            p = base + xx * 4
            row += bytes((im.data[p + 2], im.data[p + 1], im.data[p]))
        rows.append(bytes(row))

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", im.width, im.height,
                                                             8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
    with open(sys.argv[2], "wb") as f:
        f.write(png)


main()
