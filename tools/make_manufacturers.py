#!/usr/bin/env python3
"""Makes manufacturers.dat from the IEEE OUI list (oui.txt of Debian's ieee-data).

    python3 make_manufacturers.py oui.txt manufacturers.dat

One line per "(base 16)" line of the list, in the list's order: six lower-case
hexadecimal digits, a space and the organisation's name in Windows-1252 (the
program's 8-bit texts), cut to 15 characters; CR LF line ends. An organisation
whose name comes out empty gets no line: the program shows no name for it either
way. The file is written to a temporary name and renamed, so a build that stops
half-way leaves no torn table.
"""

import os
import re
import sys

MAX_NAME = 15

LINE = re.compile(rb"^([0-9A-Fa-f]{6})[ \t]+\(base 16\)([^\r\n]*)", re.MULTILINE)

# Characters Windows-1252 lacks, written as the nearest ones it has.
NEAREST = {
    0x130: "I", 0x131: "i", 0x15E: "S", 0x15F: "s", 0x11E: "G", 0x11F: "g",
    0x141: "L", 0x142: "l", 0x10C: "C", 0x10D: "c", 0x106: "C", 0x107: "c",
    0x158: "R", 0x159: "r", 0x11A: "E", 0x11B: "e", 0x143: "N", 0x144: "n",
    0x15A: "S", 0x15B: "s", 0x179: "Z", 0x17A: "z", 0x17B: "Z", 0x17C: "z",
    0x150: "O", 0x151: "o", 0x170: "U", 0x171: "u", 0x162: "T", 0x163: "t",
    0x218: "S", 0x219: "s", 0x21A: "T", 0x21B: "t", 0x104: "A", 0x105: "a",
    0x118: "E", 0x119: "e", 0x10E: "D", 0x10F: "d",
}


def ansi_char(code):
    """One code point as Windows-1252 bytes: empty to drop it, "?" when it has none."""
    if code == 0xA0 or code == 0x3000 or 0x2000 <= code <= 0x200A:
        return b" "  # no-break and wide spaces
    if 0x300 <= code < 0x370 or 0x200B <= code <= 0x200F or code == 0xFEFF:
        return b""  # combining marks, zero-width spaces and joiners
    if 0xFF01 <= code <= 0xFF5E:
        return bytes([code - 0xFEE0])  # full-width forms of ASCII
    if code in NEAREST:
        return NEAREST[code].encode("ascii")
    if 0x80 <= code < 0xA0:
        return b"?"  # C1 controls; Windows-1252 puts letters there
    try:
        return chr(code).encode("cp1252")
    except UnicodeEncodeError:
        return b"?"


def to_ansi(raw):
    """UTF-8 bytes as Windows-1252; a byte that is not valid UTF-8 is kept as it is."""
    out = bytearray()
    for ch in raw.decode("utf-8", errors="surrogateescape"):
        code = ord(ch)
        if 0xDC80 <= code <= 0xDCFF:
            out.append(code - 0xDC00)
        else:
            out += ansi_char(code)
    return bytes(out)


def table_lines(oui_text):
    """The lines of manufacturers.dat (without line ends) for the bytes of oui.txt."""
    for match in LINE.finditer(oui_text):
        name = to_ansi(match.group(2)).strip()[:MAX_NAME].strip()
        if name:
            yield match.group(1).lower() + b" " + name


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: make_manufacturers.py oui.txt manufacturers.dat")
    with open(argv[1], "rb") as f:
        lines = list(table_lines(f.read()))
    if not lines:
        sys.exit(argv[1] + ': no "(base 16)" lines')
    temp = argv[2] + ".tmp"
    with open(temp, "wb") as f:
        f.write(b"".join(line + b"\r\n" for line in lines))
    os.replace(temp, argv[2])


if __name__ == "__main__":
    main(sys.argv)
