#!/usr/bin/env python3
"""Draws the small images of the Scanner page (signal bars, the lock of an
encrypted network, the mark of an ad-hoc station) and writes them as .png files
beside this script. Needs only Python and ImageMagick's convert; the .png files
are kept in the repository. The page stretches the 1-pixel bars to their width."""

import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def bar(top, bottom):
    """A 1x8 bar shading from top to bottom colour."""
    rows = []
    for y in range(8):
        t = y / 7
        rows.append([tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)])
    return rows


def grid(art, palette):
    return [[palette[ch] for ch in row] for row in art]


LOCK = [
    " ..... ",
    ".#   #.",
    ".#   #.",
    "#######",
    "##+ +##",
    "###+###",
    "###+###",
    "#######",
]
ADHOC = [
    "####  ####",
    "#++#  #++#",
    "#++#..#++#",
    "####  ####",
    " ##    ## ",
    "####  ####",
    "          ",
    "          ",
]

# The same marks drawn at twice the size, for screens of twice the density: the
# page asks for wep.png and Qt takes wep@2x.png where the screen wants it.
LOCK_2X = [
    "    ......    ",
    "   .######.   ",
    "  .##....##.  ",
    "  ##.    .##  ",
    "  ##      ##  ",
    "  ##      ##  ",
    "  ##      ##  ",
    "##############",
    "##############",
    "######++######",
    "#####++++#####",
    "#####++++#####",
    "######++######",
    "######++######",
    "##############",
    "##############",
]
ADHOC_2X = [
    "########    ########",
    "#++++++#    #++++++#",
    "#++++++#    #++++++#",
    "#++++++#....#++++++#",
    "#++++++#....#++++++#",
    "#++++++#    #++++++#",
    "########    ########",
    "   ##          ##   ",
    "  ####        ####  ",
    "########    ########",
    "########    ########",
] + [" " * 20] * 5

CLEAR = (0, 0, 0, 0)
LOCK_COLOURS = {" ": CLEAR, ".": (150, 120, 40, 255), "#": (196, 152, 32, 255),
                "+": (90, 60, 0, 255)}
VARIES_COLOURS = {" ": CLEAR, ".": (150, 150, 150, 255), "#": (176, 176, 176, 255),
                  "+": (90, 90, 90, 255)}
ADHOC_COLOURS = {" ": CLEAR, "#": (60, 60, 60, 255), "+": (120, 180, 230, 255),
                 ".": (60, 60, 60, 255)}
IMAGES = {
    "bar-red": bar((236, 86, 78), (176, 32, 28)),
    "bar-blue": bar((96, 150, 236), (34, 84, 176)),
    "bar-black": bar((0, 0, 0), (0, 0, 0)),
    "bar-grey": bar((222, 222, 222), (200, 200, 200)),
    "wep": grid(LOCK, LOCK_COLOURS),
    "wepvaries": grid(LOCK, VARIES_COLOURS),
    "adhoc": grid([row + " " for row in ADHOC], ADHOC_COLOURS),
    "wep@2x": grid(LOCK_2X, LOCK_COLOURS),
    "wepvaries@2x": grid(LOCK_2X, VARIES_COLOURS),
    "adhoc@2x": grid([row + "  " for row in ADHOC_2X], ADHOC_COLOURS),
}


def pam(rows):
    height, width = len(rows), len(rows[0])
    header = (f"P7\nWIDTH {width}\nHEIGHT {height}\nDEPTH 4\nMAXVAL 255\n"
              "TUPLTYPE RGB_ALPHA\nENDHDR\n").encode()
    return header + bytes(v for row in rows for px in row for v in px)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        for name, rows in IMAGES.items():
            source = os.path.join(tmp, name + ".pam")
            with open(source, "wb") as out:
                out.write(pam(rows))
            subprocess.run(["convert", source, "-strip", os.path.join(HERE, name + ".png")],
                           check=True)
            print(f"{name}.png")


if __name__ == "__main__":
    main()
