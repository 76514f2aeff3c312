#!/usr/bin/env python3
"""Writes mixerpanel's icon, 16x16 and 32x32 in 32-bit colour: three faders
on a dark rounded tile. Drawn here so that no binary lives in the sources.

  make_icon.py OUT.ico"""
import struct
import sys


def draw(size):
    s = size / 32.0
    tile = (40, 46, 54)
    slot = (14, 16, 20)
    knobs = [(90, 200, 110), (240, 200, 60), (90, 200, 110)]
    heights = [0.35, 0.6, 0.5]  # knob positions, fraction from the top
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    radius = 6 * s
    for y in range(size):
        for x in range(size):
            # Rounded corners: outside the quarter circles stays transparent.
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2:
                pixels[y][x] = tile + (255,)
    for i, (knob, height) in enumerate(zip(knobs, heights)):
        centre = (8 + 8 * i) * s
        top, bottom = 5 * s, 27 * s
        for y in range(size):
            for x in range(size):
                px, py = x + 0.5, y + 0.5
                if abs(px - centre) <= max(0.5, 1.0 * s) and top <= py <= bottom:
                    pixels[y][x] = slot + (255,)
        knob_y = top + (bottom - top) * height
        for y in range(size):
            for x in range(size):
                px, py = x + 0.5, y + 0.5
                if abs(px - centre) <= 3.2 * s and abs(py - knob_y) <= 1.8 * s:
                    pixels[y][x] = knob + (255,)
    return pixels


def image(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # the alpha channel decides; the mask is all opaque
    return header + colour + mask


def main(out):
    sizes = [16, 32]
    images = [image(n) for n in sizes]
    offset = 6 + 16 * len(sizes)
    data = struct.pack("<HHH", 0, 1, len(sizes))
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
