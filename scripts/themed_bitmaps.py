#!/usr/bin/env python3
"""Draws the themed control pack's pictures, one set per look, as 24-bit BMP
files under resources/bitmap/themed/ (the resource name is the file name).

    python3 scripts/themed_bitmaps.py [output-folder]

Shapes are rendered with 4x4 supersampling against the look's panel colour.
Pictures drawn with a key colour (radio buttons: their top-left pixel; the
transparent BlueGlass buttons: magenta) get the key on every pixel the shape
does not touch at all, so no pink fringe shows round the edges.
Only the standard library is used.
"""
import math
import os
import struct
import sys

MAGENTA = (255, 0, 255)
SS = 4  # samples per axis


def hexrgb(s):
    s = s.lstrip('#')
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def grad(stops):
    """Colour along t in [0, 1] through (t, '#rrggbb') stops."""
    pts = [(t, hexrgb(c)) for t, c in stops]

    def at(t):
        if t <= pts[0][0]:
            return pts[0][1]
        for (t0, c0), (t1, c1) in zip(pts, pts[1:]):
            if t <= t1:
                return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0)
        return pts[-1][1]
    return at


def vfill(y0, y1, stops):
    g = grad(stops)
    return lambda x, y: g((y - y0) / max(y1 - y0, 1e-6))


def dfill(x0, y0, x1, y1, stops):
    """Diagonal gradient, top-left to bottom-right."""
    g = grad(stops)
    span = (x1 - x0) + (y1 - y0)
    return lambda x, y: g(((x - x0) + (y - y0)) / max(span, 1e-6))


def solid(c):
    c = hexrgb(c) if isinstance(c, str) else c
    return lambda x, y: c


# ---- Shapes: functions (x, y) -> signed distance, negative inside ----------
def rrect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
    r = min(r, hx, hy)

    def d(x, y):
        qx = abs(x - cx) - hx + r
        qy = abs(y - cy) - hy + r
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * min(rx, ry)


def polyline(points, width):
    segs = list(zip(points, points[1:]))

    def d(x, y):
        best = 1e9
        for (ax, ay), (bx, by) in segs:
            vx, vy = bx - ax, by - ay
            t = max(0, min(1, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
            best = min(best, math.hypot(x - ax - t * vx, y - ay - t * vy))
        return best - width / 2
    return d


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


class Picture:
    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.px = [[tuple(float(v) for v in bg) for _ in range(w)] for _ in range(h)]
        self.cover = [[0.0] * w for _ in range(h)]

    def paint(self, shape, fill, alpha=1.0, opaque_shape=True):
        """Blends fill over the pixels shape covers; the shape counts for the
        key mask when opaque_shape is set."""
        n = SS * SS
        for py in range(self.h):
            row = self.px[py]
            for px in range(self.w):
                hits = 0
                for sy in range(SS):
                    y = py + (sy + 0.5) / SS
                    for sx in range(SS):
                        if shape(px + (sx + 0.5) / SS, y) <= 0:
                            hits += 1
                if not hits:
                    continue
                a = alpha * hits / n
                row[px] = mix(row[px], fill(px + 0.5, py + 0.5), a)
                if opaque_shape:
                    self.cover[py][px] = max(self.cover[py][px], hits / n)

    def keyed(self, key):
        for py in range(self.h):
            for px in range(self.w):
                if self.cover[py][px] == 0:
                    self.px[py][px] = key
        return self

    def save(self, path):
        row_bytes = (self.w * 3 + 3) & ~3
        data = bytearray()
        for py in range(self.h - 1, -1, -1):
            line = bytearray()
            for r, g, b in self.px[py]:
                line += bytes((int(round(b)), int(round(g)), int(round(r))))
            line += b'\0' * (row_bytes - len(line))
            data += line
        header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(path, 'wb') as f:
            f.write(header + info + data)


# ---- Looks -------------------------------------------------------------------
# Each look gives its panel colour and a drawing function per kind of picture.
# A button state is 'NORMAL', 'MOUSEON' or 'MOUSEDOWN'; a box state is
# 'NORMAL', 'MOUSEON', 'MOUSEDOWN' or 'DISABLE'.

def check_points(x0, y0, s):
    """A check mark in a box of side s with its corner at (x0, y0)."""
    return [(x0 + s * 0.22, y0 + s * 0.50), (x0 + s * 0.42, y0 + s * 0.72), (x0 + s * 0.78, y0 + s * 0.26)]


class MacOS:
    prefix = 'MACOS'
    panel = '#E7E7E7'
    button_size = (84, 23)
    check_size = (15, 17)
    radio_size = (16, 17)
    button_keyed = False

    gel = {
        'NORMAL': ('#8A8A8A', [(0, '#FFFFFF'), (0.5, '#EFEFEF'), (0.52, '#E0E0E0'), (1, '#FBFBFB')]),
        'MOUSEON': ('#5D87C0', [(0, '#E4F0FC'), (0.5, '#B8D5F5'), (0.52, '#93BFEF'), (1, '#D5EBFE')]),
        'MOUSEDOWN': ('#2D5C9C', [(0, '#AFCDEF'), (0.5, '#76A6E1'), (0.52, '#4E88D5'), (1, '#A6CEF6')]),
        'CHECKED': ('#3D6AA8', [(0, '#CFE3F9'), (0.5, '#8FBAEC'), (0.52, '#679FE3'), (1, '#BFDDFA')]),
        'DISABLE': ('#BDBDBD', [(0, '#FBFBFB'), (0.5, '#F3F3F3'), (0.52, '#EDEDED'), (1, '#F8F8F8')]),
    }

    def gel_body(self, p, shape_outer, shape_inner, y0, y1, border, stops, shine):
        p.paint(shape_outer, solid(border))
        p.paint(shape_inner, vfill(y0, y1, stops))
        p.paint(shine, vfill(y0, (y0 + y1) / 2, [(0, '#FFFFFF'), (1, '#FFFFFF')]), alpha=0.55, opaque_shape=False)

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        # A soft shadow under the pill, then the gel itself.
        p.paint(rrect(0.5, 1.2, w - 0.5, h, 11), solid('#C4C4C4'), alpha=0.6)
        border, stops = self.gel[state]
        r = (h - 1) / 2
        self.gel_body(p, rrect(0, 0, w, h - 1, r), rrect(1, 1, w - 1, h - 2, r - 1), 1, h - 2, border, stops,
                      rrect(r * 0.6, 1.6, w - r * 0.6, h * 0.42, r * 0.5))
        return p

    def box(self, checked, state, radio):
        w, h = self.radio_size if radio else self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        key = 'DISABLE' if state == 'DISABLE' else ('CHECKED' if checked and state == 'NORMAL' else state)
        border, stops = self.gel[key]
        s = w - 1
        if radio:
            c = s / 2 + 0.5
            p.paint(circle(c, c + 1.0, s / 2), solid('#C8C8C8'), alpha=0.6)
            self.gel_body(p, circle(c, c, s / 2), circle(c, c, s / 2 - 1), 1, s, border, stops,
                          ellipse(c, c - s * 0.2, s * 0.3, s * 0.17))
            if checked:
                dot = '#9A9A9A' if state == 'DISABLE' else '#1A1A1A'
                p.paint(circle(c, c, 2.6), solid(dot))
        else:
            p.paint(rrect(0.5, 1.8, s + 0.5, s + 2, 3), solid('#C8C8C8'), alpha=0.6)
            self.gel_body(p, rrect(0.5, 0.5, s + 0.5, s + 0.5, 3), rrect(1.5, 1.5, s - 0.5, s - 0.5, 2), 1.5, s - 0.5,
                          border, stops, rrect(2.5, 2, s - 1.5, s * 0.45, 2))
            if checked:
                ink = '#9A9A9A' if state == 'DISABLE' else '#111111'
                pts = [(3.6, 7.4), (6.3, 10.6), (11.6, 2.2)]
                p.paint(polyline(pts, 2.2), solid(ink))
        return p.keyed(hexrgb('#FF00FF')) if radio else p


class WinXP:
    prefix = 'WINXP'
    panel = '#EFEBDE'
    button_size = (18, 21)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = False

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        outer = rrect(0, 0, w, h, 3.2)
        inner = rrect(1, 1, w - 1, h - 1, 2.2)
        p.paint(outer, solid('#003C74'))
        if state == 'MOUSEDOWN':
            p.paint(inner, vfill(1, h - 1, [(0, '#D1CCC1'), (0.15, '#E3E2DA'), (1, '#EFEEE8')]))
        else:
            p.paint(inner, vfill(1, h - 1, [(0, '#FFFFFF'), (0.7, '#F2F1EC'), (0.85, '#E9E6DE'), (1, '#D6D0C5')]))
        if state == 'MOUSEON':
            # Luna's hot frame: an orange ring inside the blue border.
            ring = subtract(inner, rrect(3, 3, w - 3, h - 3, 1))
            p.paint(ring, vfill(1, h - 1, [(0, '#FFF0CF'), (0.4, '#FDD889'), (1, '#F8B330')]))
            p.paint(rrect(3, 3, w - 3, h - 3, 1), vfill(3, h - 3, [(0, '#FFFFFF'), (0.7, '#F2F1EC'), (1, '#E3E0D6')]))
        return p

    def box(self, checked, state, radio):
        w, h = self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        disabled = state == 'DISABLE'
        border = '#CAC8BB' if disabled else '#1C5180'
        outer = circle(6.5, 6.5, 6.5) if radio else rrect(0, 0, 13, 13, 0)
        inner = circle(6.5, 6.5, 5.5) if radio else rrect(1, 1, 12, 12, 0)
        core = circle(6.5, 6.5, 3.6) if radio else rrect(3, 3, 10, 10, 0)
        p.paint(outer, solid(border))
        if disabled:
            p.paint(inner, solid('#FFFFFF'))
        elif state == 'MOUSEDOWN':
            p.paint(inner, dfill(1, 1, 12, 12, [(0, '#B0B0A7'), (1, '#E3E1D9')]))
        else:
            p.paint(inner, dfill(1, 1, 12, 12, [(0, '#DCDCD7'), (1, '#FFFFFF')]))
        if state == 'MOUSEON':
            p.paint(subtract(inner, core), dfill(1, 1, 12, 12, [(0, '#FFF0CF'), (0.5, '#F9C960'), (1, '#E59700')]))
            p.paint(core, dfill(3, 3, 10, 10, [(0, '#E8E8E4'), (1, '#FFFFFF')]))
        if checked:
            ink = '#CAC8BB' if disabled else '#21A121'
            if radio:
                dot = solid(ink) if disabled else dfill(4, 4, 9, 9, [(0, '#5BD95A'), (1, '#0A8B0A')])
                p.paint(circle(6.5, 6.5, 2.6), dot)
            else:
                p.paint(polyline([(3.6, 6.2), (5.6, 8.6), (9.6, 3.9)], 2.1), solid(ink))
        return p.keyed(hexrgb('#FF00FF')) if radio else p


class DeepBlue:
    prefix = 'DEEPBLUE'
    panel = '#E8E8E8'
    button_size = (74, 21)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = False

    faces = {
        'NORMAL': ('#0E2350', [(0, '#F3F6FB'), (0.45, '#D3DCEB'), (0.5, '#C1CEE4'), (1, '#A9BCDA')]),
        'MOUSEON': ('#14357A', [(0, '#FFFFFF'), (0.45, '#DCE8F8'), (0.5, '#BED5F3'), (1, '#97B9E8')]),
        'MOUSEDOWN': ('#0A1A3C', [(0, '#8EA5CB'), (0.5, '#A3B7D7'), (0.55, '#B3C4E0'), (1, '#CBD6E9')]),
    }

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        border, stops = self.faces[state]
        p.paint(rrect(0, 0, w, h, 2), solid(border))
        p.paint(rrect(1, 1, w - 1, h - 1, 1), vfill(1, h - 1, stops))
        if state != 'MOUSEDOWN':
            p.paint(rrect(1, 1, w - 1, 2, 0), solid('#FFFFFF'), alpha=0.8)
        if state == 'MOUSEON':
            p.paint(subtract(rrect(1, 1, w - 1, h - 1, 1), rrect(2, 2, w - 2, h - 2, 0)), solid('#4C7BD0'), alpha=0.8)
        return p

    def box(self, checked, state, radio):
        w, h = self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        disabled = state == 'DISABLE'
        border = {'DISABLE': '#A7AFBE', 'MOUSEON': '#2F5FB8'}.get(state, '#0E2350')
        outer = circle(6.5, 6.5, 6.5) if radio else rrect(0, 0, 13, 13, 1)
        inner = circle(6.5, 6.5, 5.5) if radio else rrect(1, 1, 12, 12, 0)
        p.paint(outer, solid(border))
        fill = {'DISABLE': [(0, '#F4F4F4'), (1, '#EBEBEB')],
                'MOUSEON': [(0, '#FFFFFF'), (1, '#C6DAF5')],
                'MOUSEDOWN': [(0, '#A8BCDD'), (1, '#D2DCEC')]}.get(state, [(0, '#FFFFFF'), (1, '#D5DEEE')])
        p.paint(inner, vfill(1, 12, fill))
        if checked:
            ink = '#A7AFBE' if disabled else '#0E2350'
            if radio:
                p.paint(circle(6.5, 6.5, 2.7), solid(ink))
            else:
                p.paint(polyline([(3.2, 6.3), (5.5, 9.0), (9.9, 3.6)], 2.3), solid(ink))
        return p.keyed(hexrgb('#FF00FF')) if radio else p


class Protein:
    prefix = 'PROTEIN'
    panel = '#FBFBFB'
    button_size = (74, 21)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = False

    faces = {
        'NORMAL': ('#7A7A7A', [(0, '#FFFFFF'), (0.55, '#F1F1F1'), (1, '#D9D9D9')]),
        'MOUSEON': ('#4F52D3', [(0, '#FFFFFF'), (0.55, '#EEEEFB'), (1, '#D3D4F4')]),
        'MOUSEDOWN': ('#2D30C4', [(0, '#C9CAF0'), (0.5, '#DDDEF6'), (1, '#F2F2FC')]),
    }

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        border, stops = self.faces[state]
        p.paint(rrect(0, 0.6, w, h, 7), solid('#DCDCDC'), alpha=0.7)
        p.paint(rrect(0, 0, w, h - 0.6, 7), solid(border))
        p.paint(rrect(1, 1, w - 1, h - 1.6, 6), vfill(1, h - 1.6, stops))
        # A soft sheen over the upper third.
        p.paint(rrect(4, 1.5, w - 4, h * 0.38, 4), solid('#FFFFFF'), alpha=0.6, opaque_shape=False)
        return p

    def box(self, checked, state, radio):
        w, h = self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        disabled = state == 'DISABLE'
        border = {'DISABLE': '#C4C4C4', 'MOUSEON': '#4F52D3', 'MOUSEDOWN': '#2D30C4'}.get(state, '#7A7A7A')
        outer = circle(6.5, 6.5, 6.4) if radio else rrect(0, 0, 13, 13, 3.5)
        inner = circle(6.5, 6.5, 5.4) if radio else rrect(1, 1, 12, 12, 2.5)
        p.paint(outer, solid(border))
        fill = {'DISABLE': [(0, '#FAFAFA'), (1, '#F0F0F0')],
                'MOUSEON': [(0, '#FFFFFF'), (1, '#DEDFF7')],
                'MOUSEDOWN': [(0, '#CDCEF1'), (1, '#F0F0FB')]}.get(state, [(0, '#FFFFFF'), (1, '#E2E2E2')])
        p.paint(inner, vfill(1, 12, fill))
        if checked:
            ink = '#C4C4C4' if disabled else '#2D30C4'
            if radio:
                p.paint(circle(6.5, 6.5, 3.0), solid(ink))
                if not disabled:
                    p.paint(circle(5.7, 5.6, 1.0), solid('#FFFFFF'), alpha=0.7)
            else:
                p.paint(polyline([(3.4, 6.6), (5.7, 9.0), (9.8, 3.8)], 2.2), solid(ink))
        return p.keyed(hexrgb('#FF00FF')) if radio else p


class BlueGlass:
    prefix = 'BLUEGLASS'
    panel = '#E7E7E7'
    button_size = (77, 27)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = True

    glass = {
        'NORMAL': ('#1D4F91', [(0, '#E6F1FD'), (0.48, '#BCD7F8'), (0.5, '#8DB7EE'), (1, '#C2DDFB')]),
        'MOUSEON': ('#2670C2', [(0, '#F2F9FF'), (0.48, '#CCE6FF'), (0.5, '#7EC0F6'), (1, '#C4E6FF')]),
        'MOUSEDOWN': ('#143C70', [(0, '#AAC7EC'), (0.48, '#80A8DD'), (0.5, '#4F86D1'), (1, '#85B5EC')]),
        'CHECKED': ('#1D4F91', [(0, '#D2E6FC'), (0.48, '#9DC4F4'), (0.5, '#6A9FE6'), (1, '#A9CFF8')]),
        'DISABLE': ('#A3B4CA', [(0, '#F5F8FC'), (0.48, '#EBF0F7'), (0.5, '#E1E8F2'), (1, '#EEF3F9')]),
    }

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        border, stops = self.glass[state]
        p.paint(rrect(0, 0, w, h, 5), solid(border))
        p.paint(rrect(1, 1, w - 1, h - 1, 4), vfill(1, h - 1, stops))
        p.paint(rrect(2, 1.5, w - 2, 3, 1), solid('#FFFFFF'), alpha=0.7, opaque_shape=False)
        return p.keyed(MAGENTA)

    def box(self, checked, state, radio):
        w, h = self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        key = 'DISABLE' if state == 'DISABLE' else ('CHECKED' if checked and state == 'NORMAL' else state)
        border, stops = self.glass[key]
        outer = circle(6.5, 6.5, 6.5) if radio else rrect(0, 0, 13, 13, 2)
        inner = circle(6.5, 6.5, 5.5) if radio else rrect(1, 1, 12, 12, 1)
        p.paint(outer, solid(border))
        p.paint(inner, vfill(1, 12, stops))
        if checked:
            ink = '#8D9DB3' if state == 'DISABLE' else '#0B2F66'
            if radio:
                p.paint(circle(6.5, 6.5, 2.6), solid(ink))
                p.paint(circle(5.8, 5.7, 0.9), solid('#FFFFFF'), alpha=0.6, opaque_shape=False)
            else:
                p.paint(polyline([(3.3, 6.4), (5.6, 9.0), (9.9, 3.5)], 2.2), solid(ink))
        return p.keyed(hexrgb('#FF00FF')) if radio else p


LOOKS = [MacOS(), WinXP(), DeepBlue(), Protein(), BlueGlass()]


def pictures(look):
    """(resource name, Picture) of every picture of one look."""
    out = []
    for state in ('NORMAL', 'MOUSEON', 'MOUSEDOWN'):
        out.append(('BUTTON_' + state, look.button(state)))
    for kind, radio in (('CHECKBOX', False), ('RADIOBUTTON', True)):
        for checked in (True, False):
            tail = 'CHECK' if checked else 'UNCHECK'
            out.append((f'{kind}_DISABLE_{tail}', look.box(checked, 'DISABLE', radio)))
            if look.prefix == 'WINXP':
                for state in ('NORMAL', 'MOUSEON', 'MOUSEDOWN'):
                    out.append((f'{kind}_{state}_{tail}', look.box(checked, state, radio)))
            else:
                out.append((f'{kind}_{tail}', look.box(checked, 'NORMAL', radio)))
    return [(look.prefix + '_' + name, pic) for name, pic in out]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources', 'bitmap', 'themed')
    os.makedirs(folder, exist_ok=True)
    for look in LOOKS:
        for name, pic in pictures(look):
            pic.save(os.path.join(folder, name + '.bmp'))


if __name__ == '__main__':
    main()
