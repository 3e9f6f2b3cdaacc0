#!/usr/bin/env python3
"""Draws the portrait the wizard's end-to-end tests retouch.

    scripts/draw_fixture_portrait.py [output.jpg]   (default: tests/data/wizard/portrait.jpg)

No photographs are kept or fetched, so the portrait is drawn: a shaded,
skin-coloured face in front of a cool background, dark hair, eyes, brows,
nose and mouth, a shiny highlight on the forehead and the nose, a few dark
moles on the left cheek (the viewer's right), and fine noise everywhere so
that smoothing, levels and JPEG coding meet something like a photo's grain.
The picture is 600 by 800; cjpeg (from the JPEG library the program uses)
writes it at quality 88. The noise comes from a fixed generator, so the
same file comes out on every run.
"""
import math
import os
import subprocess
import sys
import tempfile

W, H = 600, 800

# Face oval and features, in picture pixels.
FACE_CX, FACE_CY, FACE_RX, FACE_RY = 300.0, 390.0, 165.0, 225.0
SKIN = (226, 172, 142)
SKIN_SHADOW = (176, 122, 98)
HAIR = (52, 34, 24)
BACK_TOP, BACK_BOTTOM = (108, 132, 158), (60, 78, 104)
SHIRT = (42, 70, 96)
EYES = ((235.0, 350.0), (365.0, 350.0))
MOLES = ((392.0, 452.0, 5.0), (418.0, 478.0, 3.5), (371.0, 489.0, 4.0), (352.0, 438.0, 2.5))
HIGHLIGHTS = ((300.0, 250.0, 34.0, 1.0), (300.0, 440.0, 14.0, 0.8))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smoothstep(e0, e1, x):
    t = max(0.0, min(1.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def ellipse(x, y, cx, cy, rx, ry):
    """Below 1 inside the ellipse, 1 on its edge."""
    return math.sqrt(((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2)


def pixel(x, y):
    fx, fy = x + 0.5, y + 0.5
    # Background: a soft vertical gradient with a light falloff.
    c = mix(BACK_TOP, BACK_BOTTOM, fy / H)
    c = mix(c, (140, 160, 182), 0.25 * (1 - min(1.0, math.hypot(fx - 300, fy - 300) / 420)))

    # Hair behind the head.
    hair_back = ellipse(fx, fy, 300, 330, 205, 270)
    if hair_back < 1:
        c = mix(HAIR, c, smoothstep(0.96, 1.0, hair_back))

    # Neck and shoulders.
    if fy > 540 and abs(fx - 300) < 70:
        shade = abs(fx - 300) / 70
        c = mix(SKIN, SKIN_SHADOW, 0.45 + 0.4 * shade)
    shoulders = ellipse(fx, fy, 300, 860, 300, 190)
    if shoulders < 1:
        c = mix(SHIRT, c, smoothstep(0.97, 1.0, shoulders))

    # The face: lit from the upper left, darker toward its edge.
    face = ellipse(fx, fy, FACE_CX, FACE_CY, FACE_RX, FACE_RY)
    if face < 1.02:
        nx, ny = (fx - FACE_CX) / FACE_RX, (fy - FACE_CY) / FACE_RY
        light = 0.82 - 0.18 * nx - 0.12 * ny - 0.25 * face ** 4
        skin = mix(SKIN_SHADOW, SKIN, light)
        # Cheeks a little warmer.
        for cx in (230.0, 370.0):
            skin = mix(skin, (224, 150, 130), 0.35 * (1 - min(1.0, math.hypot(fx - cx, fy - 460) / 60)))
        c = mix(skin, c, smoothstep(0.985, 1.02, face))

        # Fringe of hair over the forehead.
        fringe = fy - (190 + 28 * math.cos((fx - 300) / 55))
        if fringe < 0 and face < 1.0:
            c = mix(HAIR, c, smoothstep(-4, 0, fringe))

        # Brows, eyes, nose, mouth.
        for ex, ey in EYES:
            brow = ellipse(fx, fy, ex, ey - 38 + ((fx - ex) / 40) ** 2 * 6, 42, 7)
            if brow < 1:
                c = mix(HAIR, c, smoothstep(0.7, 1.0, brow))
            eye = ellipse(fx, fy, ex, ey, 34, 14)
            if eye < 1:
                white = mix((236, 232, 228), c, smoothstep(0.85, 1.0, eye))
                iris = math.hypot(fx - ex, fy - ey)
                white = mix((70, 48, 30), white, smoothstep(9, 11, iris))
                white = mix((12, 8, 6), white, smoothstep(3.5, 5, iris))
                white = mix((250, 250, 250), white, smoothstep(1, 2.5, math.hypot(fx - ex + 3, fy - ey + 4)))
                c = white
            lid = ellipse(fx, fy, ex, ey - 2, 36, 16)
            if 0.92 < lid < 1.08 and fy < ey:
                c = mix(c, (60, 40, 32), 0.6)
        nose = abs(fx - 300 - 14) < 4 and 360 < fy < 440
        if nose:
            c = mix(c, SKIN_SHADOW, 0.35)
        nostrils = min(ellipse(fx, fy, 286, 452, 8, 4), ellipse(fx, fy, 314, 452, 8, 4))
        if nostrils < 1:
            c = mix((96, 56, 46), c, smoothstep(0.6, 1.0, nostrils))
        mouth = ellipse(fx, fy, 300, 520 + 0.004 * (fx - 300) ** 2, 58, 11)
        if mouth < 1:
            c = mix((176, 82, 84), c, smoothstep(0.8, 1.0, mouth))
            if abs(fy - (520 + 0.004 * (fx - 300) ** 2)) < 1.2:
                c = mix(c, (100, 40, 44), 0.7)

        # Shine: a bright, slightly warm spot that fades into the skin.
        for hx, hy, hr, strength in HIGHLIGHTS:
            d = math.hypot((fx - hx) / 1.3, fy - hy)
            if d < hr:
                c = mix(c, (252, 240, 230), strength * (1 - smoothstep(0.35 * hr, hr, d)))

        # Moles: small dark brown discs with soft edges.
        for mx, my, mr in MOLES:
            d = math.hypot(fx - mx, fy - my)
            if d < mr + 1.5:
                c = mix((70, 42, 32), c, smoothstep(mr - 1, mr + 1.5, d))
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "wizard", "portrait.jpg")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    seed = 0x2545F491
    rows = bytearray()
    for y in range(H):
        for x in range(W):
            c = pixel(x, y)
            for ch in range(3):
                # xorshift32: fine grain of about +-3 levels.
                seed ^= (seed << 13) & 0xFFFFFFFF
                seed ^= seed >> 17
                seed ^= (seed << 5) & 0xFFFFFFFF
                grain = (seed % 7) - 3
                rows.append(max(0, min(255, int(round(c[ch])) + grain)))
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H))
        f.write(bytes(rows))
        ppm = f.name
    try:
        with open(out, "wb") as o:
            subprocess.run(["cjpeg", "-quality", "88", "-optimize", ppm], stdout=o, check=True)
    finally:
        os.unlink(ppm)


if __name__ == "__main__":
    main()
