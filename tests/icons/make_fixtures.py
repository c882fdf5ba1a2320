#!/usr/bin/env python3
"""Fixtures of the icon replacement tests.

  make_fixtures.py icons DIR        icon files, a 16-bit (NE) program with two
                                    icons and damaged copies of it
  make_fixtures.py damage PROGRAM   damaged copies of a PE program with icons,
                                    named PROGRAM-<kind>.exe (without ".exe")

An icon file holds one image whose bytes follow a pattern of its own seed,
so that a reader can tell which image a program holds.
"""
import struct
import sys


def image(size, seed):
    """An image of size bytes: a bitmap header of a 32x32 4-bit icon (when
    it fits), then patterned bytes."""
    head = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, 0, 0, 0, 0, 0)
    body = bytes((i * 7 + seed) & 0xFF for i in range(size))
    return (head + body[len(head):])[:size]


def icon(data, count=1, kind=1, size=None, offset=22):
    """An icon file: header, one directory entry, the image."""
    size = len(data) if size is None else size
    head = struct.pack("<HHH", 0, kind, count)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, size, offset)
    out = head + entry + data
    return out


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def ne_program(icons, shift=4, names_same=False, beyond=False, data_start=0x200):
    """A small NE program: MZ stub, NE header, resource table with the icons
    (type 0x8003), resident-name table, and the icon data at aligned
    offsets."""
    ne = 0x40
    restab = 64  # relative to the NE header
    table = struct.pack("<H", shift)
    table += struct.pack("<HHI", 0x8003, len(icons), 0)
    unit = 1 << min(shift, 15)
    at = data_start
    records = b""
    placed = []
    for n, data in enumerate(icons):
        units = (len(data) + unit - 1) // unit
        off_units = at // unit
        if beyond and n == len(icons) - 1:
            off_units = 0xF000
        records += struct.pack("<HHHHI", off_units, units, 0x1C30, 0x8001 + n, 0)
        placed.append((at, units * unit))
        at += units * unit
    table += records
    table += struct.pack("<H", 0) + b"\x00"
    resnames = restab + len(table)
    resident = b"\x04ICON\x00\x00" + b"\x00"
    modref = resnames + len(resident)
    header = bytearray(64)
    header[0:2] = b"NE"
    header[2] = 5
    struct.pack_into("<H", header, 4, modref)  # entry table
    struct.pack_into("<H", header, 6, 0)
    struct.pack_into("<H", header, 0x0C, 0x0302)  # flags
    struct.pack_into("<H", header, 0x1C, 0)  # segments
    struct.pack_into("<H", header, 0x22, restab)  # segment table
    struct.pack_into("<H", header, 0x24, restab)
    struct.pack_into("<H", header, 0x26, restab if names_same else resnames)
    struct.pack_into("<H", header, 0x28, modref)
    struct.pack_into("<H", header, 0x2A, modref)
    struct.pack_into("<I", header, 0x2C, ne + modref + 2)
    struct.pack_into("<H", header, 0x32, shift if shift <= 15 else 4)
    struct.pack_into("<H", header, 0x34, len(icons))
    header[0x36] = 2  # Windows
    mz = bytearray(0x40)
    mz[0:2] = b"MZ"
    struct.pack_into("<H", mz, 2, 0x40)
    struct.pack_into("<H", mz, 4, 1)
    struct.pack_into("<H", mz, 8, 4)
    struct.pack_into("<H", mz, 24, 0x40)
    struct.pack_into("<I", mz, 60, ne)
    out = bytearray(mz) + header + table + resident + b"\x00\x00" + b"\x00"
    out += bytes(data_start - len(out))
    for data, (where, room) in zip(icons, placed):
        assert len(out) == where
        out += data + bytes(room - len(data))
    return bytes(out)


def make_icons(folder):
    # The images the programs are built with, and the ones that replace
    # them (other seeds).
    write(f"{folder}/old744.ico", icon(image(744, 1)))
    write(f"{folder}/old296.ico", icon(image(296, 2)))
    write(f"{folder}/new744.ico", icon(image(744, 3)))
    write(f"{folder}/new296.ico", icon(image(296, 4)))
    write(f"{folder}/new743.ico", icon(image(743, 5)))
    write(f"{folder}/new745.ico", icon(image(745, 6)))
    write(f"{folder}/new100.ico", icon(image(100, 7)))
    write(f"{folder}/new753.ico", icon(image(753, 8)))
    # Damaged icon files: 69 bytes in all; not an icon (type 2); no image;
    # an image of size 0; an image beyond the file's end; one that ends
    # beyond it.
    write(f"{folder}/short.ico", icon(image(47, 9)))
    write(f"{folder}/cursor.ico", icon(image(744, 9), kind=2))
    write(f"{folder}/noimage.ico", icon(image(744, 9), count=0))
    write(f"{folder}/empty.ico", icon(image(744, 9), size=0))
    write(f"{folder}/far.ico", icon(image(744, 9), offset=100000))
    write(f"{folder}/long.ico", icon(image(744, 9), size=745))
    write(f"{folder}/text.ico", b"not an icon file at all\r\n" * 4)
    old = [image(744, 1), image(296, 2)]
    write(f"{folder}/ne.exe", ne_program(old))
    write(f"{folder}/ne-nores.exe", ne_program(old, names_same=True))
    write(f"{folder}/ne-shift.exe", ne_program(old, shift=16))
    write(f"{folder}/ne-beyond.exe", ne_program(old, beyond=True))
    # No end to the type records: the count of the icon type overruns the
    # table.
    damaged = bytearray(ne_program(old))
    struct.pack_into("<H", damaged, 0x40 + 64 + 4, 0x4000)
    write(f"{folder}/ne-count.exe", bytes(damaged))
    # A program that is neither: MZ with another header; MZ alone.
    mz = bytearray(ne_program(old))
    mz[0x40:0x42] = b"LE"
    write(f"{folder}/le.exe", bytes(mz))
    write(f"{folder}/dos.exe", b"MZ" + bytes(58) + struct.pack("<I", 0))
    write(f"{folder}/text.exe", b"plain text, no program\r\n" * 8)


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def damage(program):
    data = bytearray(open(program + ".exe", "rb").read())
    pe = u32(data, 60)
    count = u16(data, pe + 6)
    opt = u16(data, pe + 20)
    table = pe + 24 + opt
    rsrc = None
    text = None
    for i in range(count):
        s = table + i * 40
        name = bytes(data[s:s + 8]).rstrip(b"\0")
        sec = (s, u32(data, s + 12), u32(data, s + 16), u32(data, s + 20))
        if name == b".rsrc":
            rsrc = sec
        elif name == b".text":
            text = sec
    entry, va, raw_size, raw = rsrc
    root = raw
    root_count = u16(data, root + 12) + u16(data, root + 14)
    for i in range(root_count):
        e = root + 16 + i * 8
        if u32(data, e) == 3:
            icons = raw + (u32(data, e + 4) & 0x7FFFFFFF)
            icon_entry = e
    names = icons  # the directory of icon names
    first_name = names + 16
    language = raw + (u32(data, first_name + 4) & 0x7FFFFFFF)
    leaf = raw + (u32(data, language + 16 + 4) & 0x7FFFFFFF)

    def save(kind, changed):
        write(f"{program}-{kind}.exe", bytes(changed))

    # The first icon's data lies in the code section.
    d = bytearray(data)
    struct.pack_into("<I", d, leaf, text[1] + 16)
    save("outside", d)
    # The first icon's data runs past the end of the section.
    d = bytearray(data)
    struct.pack_into("<I", d, leaf + 4, raw_size + 16)
    save("overrun", d)
    # The names directory leads back to itself.
    d = bytearray(data)
    struct.pack_into("<I", d, first_name + 4, 0x80000000 | (names - raw))
    save("loop", d)
    # The language directory leads one level deeper.
    d = bytearray(data)
    struct.pack_into("<I", d, language + 16 + 4, 0x80000000 | (names - raw))
    save("deep", d)
    # The root directory claims more entries than the section holds.
    d = bytearray(data)
    struct.pack_into("<H", d, root + 14, 0xFFFF)
    save("count", d)
    # The icon type entry points beyond the section.
    d = bytearray(data)
    struct.pack_into("<I", d, icon_entry + 4, 0x80000000 | 0x7FFFFFF0)
    save("offset", d)
    # The resource section's stored bytes begin beyond the file's end.
    d = bytearray(data)
    struct.pack_into("<I", d, entry + 20, len(data) + 0x1000)
    save("raw", d)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "icons":
        make_icons(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "damage":
        damage(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
