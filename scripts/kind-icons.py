#!/usr/bin/env python3
"""Draws the four 32 x 32 pictures of the macro kinds (start a program,
keystrokes, mouse and keyboard, advanced script) as .ico files into
src/app/win32. Run from the repository root; needs nothing but Python."""
import struct
import sys

N = 32


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * N for _ in range(N)]

    def put(self, x, y, c):
        if 0 <= x < N and 0 <= y < N:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(N):
            for x in range(N):
                if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1:
                    self.put(x, y, c)

    def triangle(self, pts, c):
        (ax, ay), (bx, by), (qx, qy) = pts

        def side(px, py, x0, y0, x1, y1):
            return (px - x1) * (y0 - y1) - (x0 - x1) * (py - y1)

        for y in range(N):
            for x in range(N):
                px, py = x + 0.5, y + 0.5
                d1 = side(px, py, ax, ay, bx, by)
                d2 = side(px, py, bx, by, qx, qy)
                d3 = side(px, py, qx, qy, ax, ay)
                if not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0)):
                    self.put(x, y, c)

    def ico(self):
        pixels = b"".join(bytes((b, g, r, a)) for row in reversed(self.px) for (r, g, b, a) in row)
        mask = bytes(4 * N)
        header = struct.pack("<IiiHHIIiiII", 40, N, 2 * N, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        image = header + pixels + mask
        return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", N, N, 0, 0, 1, 32, len(image), 22) + image


INK = (40, 40, 48, 255)
WHITE = (255, 255, 255, 255)
GREY = (200, 204, 210, 255)
DARK = (120, 124, 132, 255)
BLUE = (36, 92, 196, 255)
GREEN = (40, 160, 72, 255)
YELLOW = (250, 210, 80, 255)


def start_program():
    c = Canvas()
    c.rect(2, 4, 27, 25, WHITE)
    c.rect(2, 4, 27, 8, BLUE)
    c.frame(2, 4, 27, 25, INK)
    c.triangle([(13, 11), (13, 29), (28, 20)], INK)
    c.triangle([(14.5, 13.5), (14.5, 26.5), (25.5, 20)], GREEN)
    return c


def keyboard(c, y0):
    c.rect(1, y0, 30, y0 + 13, GREY)
    c.frame(1, y0, 30, y0 + 13, INK)
    for row, (x0, count) in enumerate([(3, 7), (4, 7), (3, 7)]):
        for k in range(count):
            x = x0 + k * 4
            c.rect(x, y0 + 2 + row * 3, x + 2, y0 + 3 + row * 3, WHITE)
    c.rect(9, y0 + 11, 22, y0 + 11, WHITE)


def keystrokes():
    c = Canvas()
    keyboard(c, 10)
    return c


def mouse_and_keyboard():
    c = Canvas()
    keyboard(c, 16)
    c.ellipse(23, 9, 6, 8.5, INK)
    c.ellipse(23, 9, 5, 7.5, WHITE)
    c.rect(18, 8, 28, 8, INK)
    c.rect(23, 1, 23, 8, INK)
    return c


def script():
    c = Canvas()
    c.rect(5, 1, 24, 30, WHITE)
    c.frame(5, 1, 24, 30, INK)
    for i, width in enumerate([14, 10, 15, 8, 12, 13]):
        c.rect(8, 5 + i * 4, 8 + width, 6 + i * 4, DARK if i % 2 else BLUE)
    # A pencil across the page.
    for t in range(16):
        x, y = 14 + t, 29 - t
        c.rect(x, y - 1, x + 1, y, YELLOW)
        c.put(x + 2, y - 1, INK)
        c.put(x - 1, y + 1, INK)
    c.rect(12, 29, 13, 30, INK)
    return c


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "src/app/win32"
    for n, draw in enumerate([start_program, keystrokes, mouse_and_keyboard, script], start=1):
        with open(f"{out}/kind{n}.ico", "wb") as f:
            f.write(draw().ico())
