#!/usr/bin/env python3
"""Draws the program's icons (101 and the tray states 122-125) at 16x16 and 32x32
and writes them as .ico files beside this script; with --hicolor, writes the
program's icon as PNG files at the sizes of the desktops' icon theme
(hicolor/SIZExSIZE/apps/net.nearbeam.Nearbeam.png, for the Linux program). Needs only Python and
ImageMagick's convert. Run it again after changing a drawing; the .ico files are
kept in the repository so that the build needs neither.

Each icon is a shape described by geometry, sampled 8x8 times per pixel so the
edges stay smooth at tray size, with a small bitmap glyph inside."""

import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 8

# 5x7 glyphs drawn inside the pin's head.
GLYPHS = {
    "dot": ["     ",
            " ### ",
            "#####",
            "#####",
            "#####",
            " ### ",
            "     "],
    "question": [" ### ",
                 "#   #",
                 "    #",
                 "  ## ",
                 "  #  ",
                 "     ",
                 "  #  "],
    "bang": ["  #  ",
             "  #  ",
             "  #  ",
             "  #  ",
             "  #  ",
             "     ",
             "  #  "],
    "arrow": ["  #  ",
              "  #  ",
              "  #  ",
              "#####",
              " ### ",
              "  #  ",
              "     "],
}


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def in_pin(x, y, grow):
    """A map pin filling the unit square: a round head and a point below it.
    grow widens the outline (negative shrinks it), in units of the square."""
    cx, cy, r = 0.5, 0.38, 0.34 + grow
    tip = 0.97 + grow * 1.6
    if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
        return True
    if cy <= y <= tip:
        half = r * (tip - y) / (tip - cy)
        return abs(x - cx) <= half * 0.94
    return False


def in_glyph(name, x, y, box):
    """box = (left, top, width, height) in the unit square."""
    left, top, w, h = box
    gx = int((x - left) / w * 5)
    gy = int((y - top) / h * 7)
    if 0 <= gx < 5 and 0 <= gy < 7 and x >= left and y >= top:
        return GLYPHS[name][gy][gx] == "#"
    return False


def pin_icon(fill, border, glyph, glyph_colour):
    fill, border, glyph_colour = map(hex_colour, (fill, border, glyph_colour))

    def sample(x, y, size):
        px = 1.0 / size
        if not in_pin(x, y, 0):
            return None
        if not in_pin(x, y, -1.1 * px):
            return border
        # The glyph sits on whole pixels of the head so it stays crisp.
        cell = max(1, round(size / 16))
        gw, gh = 5 * cell * px, 7 * cell * px
        left = round((0.5 - gw / 2) * size) * px
        top = round((0.38 - gh / 2) * size) * px
        if in_glyph(glyph, x, y, (left, top, gw, gh)):
            return glyph_colour
        return fill

    return sample


def beacon_icon(disc, border, mark):
    disc, border, mark = map(hex_colour, (disc, border, mark))

    def sample(x, y, size):
        px = 1.0 / size
        dx, dy = x - 0.5, y - 0.5
        d = math.hypot(dx, dy)
        if d > 0.49:
            return None
        if d > 0.49 - 1.1 * px:
            return border
        # A transmitter: a dot low in the disc and two arcs above it.
        bx, by = x - 0.5, y - 0.66
        bd = math.hypot(bx, by)
        if bd <= 0.09:
            return mark
        angle = math.degrees(math.atan2(bx, -by))
        if abs(angle) <= 48:
            for radius in (0.22, 0.36):
                if abs(bd - radius) <= 0.055:
                    return mark
        return disc

    return sample


def render(sample, size):
    pixels = bytearray()
    for row in range(size):
        for col in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    c = sample(x, y, size)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered:
                pixels += bytes(round(total[i] / covered) for i in range(3))
                pixels.append(round(255 * covered / (SAMPLES * SAMPLES)))
            else:
                pixels += b"\0\0\0\0"
    header = (f"P7\nWIDTH {size}\nHEIGHT {size}\nDEPTH 4\nMAXVAL 255\n"
              "TUPLTYPE RGB_ALPHA\nENDHDR\n").encode()
    return header + bytes(pixels)


ICONS = {
    "nearbeam": beacon_icon("#12708a", "#0a3d4c", "#ffffff"),      # 101, the program
    "tray-normal": pin_icon("#2e9e44", "#145a22", "dot", "#ffffff"),  # 122
    "tray-unrecognised": pin_icon("#f2a900", "#7a4f00", "question", "#2b1c00"),  # 123
    "tray-problem": pin_icon("#d8262c", "#6e0b0e", "bang", "#ffffff"),  # 124
    "tray-request": pin_icon("#2b6cd4", "#143a78", "arrow", "#ffffff"),  # 125
}


HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def write_hicolor():
    with tempfile.TemporaryDirectory() as tmp:
        for size in HICOLOR_SIZES:
            pam = os.path.join(tmp, f"{size}.pam")
            with open(pam, "wb") as out:
                out.write(render(ICONS["nearbeam"], size))
            folder = os.path.join(HERE, "hicolor", f"{size}x{size}", "apps")
            os.makedirs(folder, exist_ok=True)
            png = os.path.join(folder, "net.nearbeam.Nearbeam.png")
            subprocess.run(["convert", pam, "-strip", png], check=True)
            print(os.path.relpath(png, HERE))


def main():
    if sys.argv[1:] == ["--hicolor"]:
        write_hicolor()
        return
    names = sys.argv[1:] or list(ICONS)
    with tempfile.TemporaryDirectory() as tmp:
        for name in names:
            parts = []
            for size in (16, 32):
                path = os.path.join(tmp, f"{name}-{size}.pam")
                with open(path, "wb") as out:
                    out.write(render(ICONS[name], size))
                parts.append(path)
            subprocess.run(["convert", *parts, os.path.join(HERE, f"{name}.ico")], check=True)
            print(f"{name}.ico")


if __name__ == "__main__":
    main()
