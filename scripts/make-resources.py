#!/usr/bin/env python3
"""Generates the list bitmap (bitmaps/quake_marks.png) and the default sound (sounds/earthquake-04.wav).

Run from anywhere: python3 scripts/make-resources.py. Uses the standard library only; the output is
deterministic, so running it again gives the same files.
"""
import math
import os
import random
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "resources")

# Palette of the 16-colour bitmap: index 0 is the mask colour.
MAGENTA, RED, DARK_RED = 0, 1, 2
PALETTE = [(255, 0, 255), (255, 0, 0), (128, 0, 0)] + [(0, 0, 0)] * 13
WIDTH, HEIGHT, CELL = 69, 16, 16


def line(pixels, x0, y0, x1, y1, colour):
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        pixels[y0][x0] = colour
        if x0 == x1 and y0 == y1:
            return
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def tremor_mark(pixels, left, amplitudes):
    """A seismogram stroke: a zig-zag through the cell's middle with the given swing per peak."""
    mid = 7
    step = 14 // len(amplitudes)
    x, y = left + 1, mid
    for i, amp in enumerate(amplitudes):
        nx = left + 1 + (i + 1) * step
        ny = mid - amp if i % 2 == 0 else mid + amp
        ny = max(1, min(HEIGHT - 3, ny))
        line(pixels, x, y, nx, ny, RED)
        x, y = nx, ny
    line(pixels, x, y, left + 14, mid, RED)
    # Dark red shading below and to the right of the stroke.
    for yy in range(HEIGHT - 1, -1, -1):
        for xx in range(left + CELL - 1, left - 1, -1):
            if pixels[yy][xx] == RED:
                for ox, oy in ((1, 1), (0, 1)):
                    px, py = xx + ox, yy + oy
                    if px < left + CELL and py < HEIGHT and pixels[py][px] == MAGENTA:
                        pixels[py][px] = DARK_RED


def make_bitmap(path):
    pixels = [[MAGENTA] * WIDTH for _ in range(HEIGHT)]
    tremor_mark(pixels, CELL * 1, [1, 2, 2, 1])
    tremor_mark(pixels, CELL * 2, [2, 4, 5, 4, 3, 2])
    tremor_mark(pixels, CELL * 3, [3, 6, 7, 7, 6, 5, 3])
    raw = b"".join(b"\x00" + bytes((row[x] << 4) | (row[x + 1] if x + 1 < WIDTH else 0)
                                   for x in range(0, WIDTH, 2)) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 4, 3, 0, 0, 0))
    png += chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def make_sound(path):
    """About one second of low rumble with two thuds, fading out: 22050 Hz, 16-bit mono."""
    rate, seconds = 22050, 1.1
    rng = random.Random(4)
    n = int(rate * seconds)
    samples = []
    low = 0.0
    for i in range(n):
        t = i / rate
        # Brown-ish noise for the rumble.
        low = 0.985 * low + 0.015 * rng.uniform(-1.0, 1.0)
        rumble = low * 9.0
        thud = sum(math.exp(-(t - t0) * 14.0) * math.sin(2 * math.pi * 48 * (t - t0))
                   for t0 in (0.02, 0.38) if t >= t0)
        envelope = min(1.0, t / 0.03) * max(0.0, 1.0 - t / seconds) ** 1.5
        value = (0.55 * rumble + 0.45 * thud) * envelope
        samples.append(int(max(-1.0, min(1.0, value)) * 26000))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(struct.pack("<%dh" % n, *samples))


if __name__ == "__main__":
    make_bitmap(os.path.join(RES, "bitmaps", "quake_marks.png"))
    make_sound(os.path.join(RES, "sounds", "earthquake-04.wav"))
