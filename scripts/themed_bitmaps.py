#!/usr/bin/env python3
"""Draws the themed control pack's pictures, one set per look, as 24-bit BMP
files under resources/bitmap/themed/<look>/ (the resource name is the file
name; the sub-folder per look only keeps the folder readable).

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
# Each look gives its panel colour, its faces (border and gradient per button
# state, shared by all its buttons), the sizes and colours of its other
# pictures (ui) and a drawing function per kind of picture.
# A button state is 'NORMAL', 'MOUSEON' or 'MOUSEDOWN'; a box state is
# 'NORMAL', 'MOUSEON', 'MOUSEDOWN' or 'DISABLE'.

def check_points(x0, y0, s):
    """A check mark in a box of side s with its corner at (x0, y0)."""
    return [(x0 + s * 0.22, y0 + s * 0.50), (x0 + s * 0.42, y0 + s * 0.72), (x0 + s * 0.78, y0 + s * 0.26)]


def flat_box(look, checked, state, radio):
    """A flat 13 x 13 box or ring: a border, a gradient, a check or a dot."""
    f = look.flat
    p = Picture(13, 13, hexrgb(look.panel))
    disabled = state == 'DISABLE'
    r = f['ring']
    outer = circle(6.5, 6.5, r) if radio else rrect(0, 0, 13, 13, f['radius'])
    inner = circle(6.5, 6.5, r - 1) if radio else rrect(1, 1, 12, 12, max(f['radius'] - 1, 0))
    p.paint(outer, solid(f['borders'][state]))
    p.paint(inner, vfill(1, 12, f['fills'][state]))
    if checked:
        ink = f['ink'][1] if disabled else f['ink'][0]
        if radio:
            p.paint(circle(6.5, 6.5, f['dot']), solid(ink))
            if f['shine'] and not disabled:
                p.paint(circle(5.7, 5.6, 1.0), solid('#FFFFFF'), alpha=0.7)
        else:
            points, width = f['check']
            p.paint(polyline(points, width), solid(ink))
    return p.keyed(hexrgb('#FF00FF')) if radio else p


class MacOS:
    prefix = 'MACOS'
    panel = '#E7E7E7'
    button_size = (84, 23)
    check_size = (15, 17)
    radio_size = (16, 17)
    button_keyed = False

    ui = dict(
        sizes=dict(progress=(13, 10), progress_v=(13, 13), title=23, titlebtn=17, tab=(18, 27), tab_line=(17, 7),
                   bar=(45, 5), slider=(11, 20), slider_v=(19, 11), scroll_btn=(16, 22), scroll_track=(16, 33)),
        ink='#2A2A2A', accent='#3973C4', frame='#8A8A8A',
        title=[(0, '#F0F0F0'), (0.5, '#DADADA'), (1, '#BDBDBD')], title_line='#8E8E8E', title_radius=0,
        titlebtn_top=4, titlebtn_round=True, titlebtn_keyed=False, titlebtn_light=False,
        progress=[(0, '#CFE3FA'), (0.45, '#7FB2EE'), (0.5, '#4F8FE0'), (1, '#9CC7F5')],
        tab_active=[(0, '#FFFFFF'), (1, '#EDEDED')], tab_inactive=[(0, '#E2E2E2'), (1, '#CBCBCB')])

    faces = {
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
        border, stops = self.faces[state]
        r = (h - 1) / 2
        self.gel_body(p, rrect(0, 0, w, h - 1, r), rrect(1, 1, w - 1, h - 2, r - 1), 1, h - 2, border, stops,
                      rrect(r * 0.6, 1.6, w - r * 0.6, h * 0.42, r * 0.5))
        return p

    def box(self, checked, state, radio):
        w, h = self.radio_size if radio else self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        key = 'DISABLE' if state == 'DISABLE' else ('CHECKED' if checked and state == 'NORMAL' else state)
        border, stops = self.faces[key]
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

    faces = {'NORMAL': ('#B6C8F2', [(0, '#E3EBFD'), (1, '#BACCF5')]),
             'MOUSEON': ('#B8CCF7', [(0, '#F4F8FF'), (1, '#CFDDFD')]),
             'MOUSEDOWN': ('#8AA6E6', [(0, '#A9BFF0'), (1, '#C5D5F8')])}

    ui = dict(
        sizes=dict(progress=(6, 10), progress_v=(10, 6), title=29, titlebtn=21, tab=(9, 18), tab_line=(8, 1),
                   bar=(45, 4), slider=(11, 20), slider_v=(18, 11), scroll_btn=(16, 17), scroll_track=(16, 21)),
        ink='#4D6185', accent='#3169C6', frame='#919B9C',
        title=[(0, '#4B9BFF'), (0.12, '#0F67F0'), (0.5, '#0058E6'), (0.88, '#004BD6'), (1, '#0039A8')],
        title_line='#003C9C', title_radius=7, titlebtn_top=5, titlebtn_round=False, titlebtn_keyed=False,
        titlebtn_light=True, progress=[(0, '#CFF3CC'), (0.4, '#5BD55A'), (1, '#21A121')],
        tab_active=[(0, '#FFFFFF'), (1, '#FCFCFE')], tab_inactive=[(0, '#FFFFFF'), (1, '#ECEBE6')])

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

    ui = dict(
        sizes=dict(progress=(1, 10), progress_v=(10, 1), title=32, titlebtn=19, tab=(6, 17), tab_line=(5, 5),
                   bar=(45, 4), slider=(11, 20), slider_v=(18, 11), scroll_btn=(16, 16), scroll_track=(16, 21)),
        ink='#0E2350', accent='#444AA0', frame='#0E2350',
        title=[(0, '#42639F'), (0.45, '#1D3A72'), (0.5, '#142D5E'), (1, '#0B1C40')], title_line='#050E22',
        title_radius=0, titlebtn_top=2, titlebtn_round=False, titlebtn_keyed=False, titlebtn_light=False,
        progress=[(0, '#8FA9DA'), (0.5, '#3C5BA0'), (1, '#182F66')],
        tab_active=[(0, '#FFFFFF'), (1, '#F1F4FA')], tab_inactive=[(0, '#D7DFEE'), (1, '#B3C3DE')])

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

    flat = dict(borders={'DISABLE': '#A7AFBE', 'MOUSEON': '#2F5FB8', 'NORMAL': '#0E2350', 'MOUSEDOWN': '#0E2350'},
                fills={'DISABLE': [(0, '#F4F4F4'), (1, '#EBEBEB')], 'MOUSEON': [(0, '#FFFFFF'), (1, '#C6DAF5')],
                       'MOUSEDOWN': [(0, '#A8BCDD'), (1, '#D2DCEC')], 'NORMAL': [(0, '#FFFFFF'), (1, '#D5DEEE')]},
                ink=('#0E2350', '#A7AFBE'), radius=1, ring=6.5, dot=2.7, shine=False,
                check=([(3.2, 6.3), (5.5, 9.0), (9.9, 3.6)], 2.3))

    def box(self, checked, state, radio):
        return flat_box(self, checked, state, radio)


class Protein:
    prefix = 'PROTEIN'
    panel = '#FBFBFB'
    button_size = (74, 21)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = False

    ui = dict(
        sizes=dict(progress=(1, 10), progress_v=(10, 1), title=23, titlebtn=19, tab=(9, 17), tab_line=(10, 5),
                   bar=(45, 4), slider=(11, 20), slider_v=(18, 11), scroll_btn=(16, 16), scroll_track=(16, 21)),
        ink='#404040', accent='#2D30C4', frame='#7A7A7A',
        # Dark enough for the title bar's white caption.
        title=[(0, '#7174E2'), (0.5, '#4043CF'), (0.52, '#2D30C4'), (1, '#25289F')], title_line='#1A1C80',
        title_radius=0,
        titlebtn_top=2, titlebtn_round=True, titlebtn_keyed=True, titlebtn_light=False,
        progress=[(0, '#B9BAF0'), (0.5, '#5558D8'), (1, '#2D30C4')],
        tab_active=[(0, '#FFFFFF'), (1, '#FEFEFE')], tab_inactive=[(0, '#F3F3F3'), (1, '#DEDEDE')])

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

    flat = dict(borders={'DISABLE': '#C4C4C4', 'MOUSEON': '#4F52D3', 'MOUSEDOWN': '#2D30C4', 'NORMAL': '#7A7A7A'},
                fills={'DISABLE': [(0, '#FAFAFA'), (1, '#F0F0F0')], 'MOUSEON': [(0, '#FFFFFF'), (1, '#DEDFF7')],
                       'MOUSEDOWN': [(0, '#CDCEF1'), (1, '#F0F0FB')], 'NORMAL': [(0, '#FFFFFF'), (1, '#E2E2E2')]},
                ink=('#2D30C4', '#C4C4C4'), radius=3.5, ring=6.4, dot=3.0, shine=True,
                check=([(3.4, 6.6), (5.7, 9.0), (9.8, 3.8)], 2.2))

    def box(self, checked, state, radio):
        return flat_box(self, checked, state, radio)


class BlueGlass:
    prefix = 'BLUEGLASS'
    panel = '#E7E7E7'
    button_size = (77, 27)
    check_size = (13, 13)
    radio_size = (13, 13)
    button_keyed = True

    ui = dict(
        sizes=dict(progress=(1, 10), progress_v=(10, 1), title=33, titlebtn=19, tab=(9, 17), tab_line=(10, 5),
                   bar=(45, 4), slider=(11, 20), slider_v=(18, 11), scroll_btn=(17, 16), scroll_track=(16, 21)),
        ink='#0B2F66', accent='#5E5EEC', frame='#1D4F91',
        title=[(0, '#D7E8FD'), (0.48, '#A2C6F4'), (0.5, '#6F9FE3'), (1, '#9CC4F4')], title_line='#1D4F91',
        title_radius=7, titlebtn_top=6, titlebtn_round=False, titlebtn_keyed=True, titlebtn_light=False,
        progress=[(0, '#D2E6FC'), (0.48, '#8DB7EE'), (0.5, '#4F86D1'), (1, '#9CC4F4')],
        tab_active=[(0, '#FFFFFF'), (1, '#F4F8FE')], tab_inactive=[(0, '#DCEAFB'), (1, '#B6D0F3')])

    faces = {
        'NORMAL': ('#1D4F91', [(0, '#E6F1FD'), (0.48, '#BCD7F8'), (0.5, '#8DB7EE'), (1, '#C2DDFB')]),
        'MOUSEON': ('#2670C2', [(0, '#F2F9FF'), (0.48, '#CCE6FF'), (0.5, '#7EC0F6'), (1, '#C4E6FF')]),
        'MOUSEDOWN': ('#143C70', [(0, '#AAC7EC'), (0.48, '#80A8DD'), (0.5, '#4F86D1'), (1, '#85B5EC')]),
        'CHECKED': ('#1D4F91', [(0, '#D2E6FC'), (0.48, '#9DC4F4'), (0.5, '#6A9FE6'), (1, '#A9CFF8')]),
        'DISABLE': ('#A3B4CA', [(0, '#F5F8FC'), (0.48, '#EBF0F7'), (0.5, '#E1E8F2'), (1, '#EEF3F9')]),
    }

    def button(self, state):
        w, h = self.button_size
        p = Picture(w, h, hexrgb(self.panel))
        border, stops = self.faces[state]
        p.paint(rrect(0, 0, w, h, 5), solid(border))
        p.paint(rrect(1, 1, w - 1, h - 1, 4), vfill(1, h - 1, stops))
        p.paint(rrect(2, 1.5, w - 2, 3, 1), solid('#FFFFFF'), alpha=0.7, opaque_shape=False)
        return p.keyed(MAGENTA)

    def box(self, checked, state, radio):
        w, h = self.check_size
        p = Picture(w, h, hexrgb(self.panel))
        key = 'DISABLE' if state == 'DISABLE' else ('CHECKED' if checked and state == 'NORMAL' else state)
        border, stops = self.faces[key]
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


def hfill(x0, x1, stops):
    g = grad(stops)
    return lambda x, y: g((x - x0) / max(x1 - x0, 1e-6))


def polygon(points):
    """Inside test of a polygon (sign only, which is all coverage needs)."""
    def d(x, y):
        inside = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -1 if inside else 1
    return d


def union(*shapes):
    return lambda x, y: min(f(x, y) for f in shapes)


# Background colours behind the pictures the controls may draw either plain
# or keyed by their top-left pixel: the panel or scroll-bar colour, so both
# ways look right.
SCROLL_BG = {'MACOS': '#C9C9C9', 'WINXP': '#F9F9F9', 'DEEPBLUE': '#F5F5F5', 'PROTEIN': '#F5F5F5',
             'BLUEGLASS': '#F4F4F4'}


def progress(look, vertical):
    u = look.ui
    w, h = u['sizes']['progress_v' if vertical else 'progress']
    p = Picture(w, h, hexrgb(look.panel))
    fill = (hfill(0, w, u['progress']) if vertical else vfill(0, h, u['progress']))
    # One continuous fill: the bar stretches the picture over its filled
    # part, so a gap or a stripe drawn in it would be stretched out of shape.
    p.paint(rrect(0, 0, w, h, 0), fill)
    return p


# Widths of the title bar's left, client and right pictures: they become
# the section widths, so they decide where the caption may go.
TITLE_WIDTHS = {
    'MACOS': {'LEFT': 48, 'CLIENT': 49, 'RIGHT': 48},
    'WINXP': {'LEFT': 35, 'CLIENT': 37, 'RIGHT': 35},
    'DEEPBLUE': {'LEFT': 97, 'CLIENT': 98, 'RIGHT': 97},
    'PROTEIN': {'LEFT': 441, 'CLIENT': 1, 'RIGHT': 1},
    'BLUEGLASS': {'LEFT': 162, 'CLIENT': 179, 'RIGHT': 101},
}


def title_part(look, part):
    u = look.ui
    h = u['sizes']['title']
    w = TITLE_WIDTHS[look.prefix][part]
    p = Picture(w, h, hexrgb(u['title_line']))
    r = u['title_radius']
    # Only the outer ends round: the left part's left, the right part's right.
    x0 = 0 if part == 'LEFT' else -r - 8
    x1 = w if part == 'RIGHT' else w + r + 8
    body = rrect(x0, 0, x1, h + r + 8, r) if r else rrect(-8, 0, w + 8, h, 0)
    p.paint(body, vfill(0, h, u['title']))
    # A highlight along the top and the frame's side lines.
    p.paint(intersect(body, rrect(-8, 0.6, w + 8, 1.6, 0)), solid('#FFFFFF'), alpha=0.45)
    if part == 'LEFT':
        p.paint(intersect(body, rrect(0, 0, 1, h, 0)), solid(u['title_line']), alpha=0.8)
    if part == 'RIGHT':
        p.paint(intersect(body, rrect(w - 1, 0, w, h, 0)), solid(u['title_line']), alpha=0.8)
    p.paint(rrect(-8, h - (2 if look.prefix == 'PROTEIN' else 1), w + 8, h, 0), solid(u['title_line']))
    return p


def glyph(kind, s, x0=0.0, y0=0.0):
    """The caption-button sign of a kind in a square of side s."""
    def P(fx, fy):
        return (x0 + fx * s, y0 + fy * s)
    t = max(1.6, s * 0.11)
    if kind == 'CLOSE':
        return union(polyline([P(0.3, 0.3), P(0.7, 0.7)], t), polyline([P(0.7, 0.3), P(0.3, 0.7)], t))
    if kind == 'MAX':
        return subtract(rrect(*P(0.27, 0.27), *P(0.73, 0.73), 0), rrect(*P(0.33, 0.42), *P(0.67, 0.67), 0))
    if kind == 'RST':
        back = subtract(rrect(*P(0.38, 0.22), *P(0.76, 0.58), 0), rrect(*P(0.43, 0.33), *P(0.71, 0.53), 0))
        front = subtract(rrect(*P(0.24, 0.4), *P(0.62, 0.76), 0), rrect(*P(0.29, 0.51), *P(0.57, 0.71), 0))
        return union(subtract(back, rrect(*P(0.24, 0.4), *P(0.62, 0.76), 0)), front)
    if kind == 'MIN':
        return rrect(*P(0.28, 0.62), *P(0.6, 0.72), 0)
    if kind == 'HELP':
        hook = polyline([P(0.35, 0.36), P(0.42, 0.26), P(0.56, 0.25), P(0.64, 0.33), P(0.61, 0.43), P(0.5, 0.5),
                         P(0.5, 0.6)], t * 0.9)
        return union(hook, circle(*P(0.5, 0.73), t * 0.6))
    return polygon([P(0.28, 0.4), P(0.72, 0.4), P(0.5, 0.66)])  # CTLBOX: the window menu


TRAFFIC = {'CLOSE': ('#E0443E', '#A32822'), 'MIN': ('#DEA123', '#A57410'), 'MAX': ('#1AAB29', '#0E7A19'),
           'RST': ('#1AAB29', '#0E7A19'), 'HELP': ('#8C9BAE', '#5E6B7C'), 'CTLBOX': ('#8C9BAE', '#5E6B7C')}


def title_button(look, kind, state):
    u = look.ui
    n = u['sizes']['titlebtn']
    top = u['titlebtn_top']
    title = grad(u['title'])
    th = u['sizes']['title']
    p = Picture(n, n, (0, 0, 0))
    # Drawn over the title bar's colours at the button's height.
    p.paint(rrect(0, 0, n, n, 0), lambda x, y: title((y + top) / th), opaque_shape=False)
    if look.prefix == 'MACOS':
        c, dark = TRAFFIC[kind]
        body = circle(n / 2, n / 2, n / 2 - 1.5)
        p.paint(circle(n / 2, n / 2, n / 2 - 0.8), solid(dark))
        face = {'NORMAL': c, 'MOUSEON': c, 'MOUSEDOWN': dark}[state]
        p.paint(body, dfill(0, 0, n, n, [(0, '#FFFFFF'), (0.35, face), (1, face)]))
        p.paint(ellipse(n / 2, n * 0.32, n * 0.26, n * 0.14), solid('#FFFFFF'), alpha=0.5, opaque_shape=False)
        if state != 'NORMAL':
            p.paint(intersect(glyph(kind, n), body), solid('#3A1010' if kind == 'CLOSE' else '#222222'),
                    alpha=0.8)
        return p
    close = kind == 'CLOSE'
    border, stops = look.faces[state]
    if look.prefix == 'WINXP':
        base = {'NORMAL': ('#FFFFFF', [(0, '#5C9CFF'), (1, '#1F5EDB')]),
                'MOUSEON': ('#FFFFFF', [(0, '#8CBDFF'), (1, '#3A7EF5')]),
                'MOUSEDOWN': ('#FFFFFF', [(0, '#1E4FC4'), (1, '#3F77E0')])}
        if close:
            base = {'NORMAL': ('#FFFFFF', [(0, '#EE8A6C'), (1, '#C93F1A')]),
                    'MOUSEON': ('#FFFFFF', [(0, '#F8AB94'), (1, '#E25A32')]),
                    'MOUSEDOWN': ('#FFFFFF', [(0, '#B33A16'), (1, '#D65A36')])}
        border, stops = base[state]
    elif look.prefix == 'DEEPBLUE' and close:
        stops = [(0, '#F5B1A8'), (0.5, '#D9544A'), (1, '#B2322A')] if state != 'MOUSEDOWN' else \
            [(0, '#9E2C25'), (1, '#D9544A')]
    elif look.prefix == 'BLUEGLASS' and close:
        border = '#8E2A24'
        stops = {'NORMAL': [(0, '#F8C9C3'), (0.48, '#EC8A80'), (0.5, '#D9544A'), (1, '#EE9A90')],
                 'MOUSEON': [(0, '#FCDCD7'), (0.48, '#F3A298'), (0.5, '#E5645A'), (1, '#F5B0A6')],
                 'MOUSEDOWN': [(0, '#D9776D'), (0.48, '#C4473D'), (0.5, '#A8332A'), (1, '#C95B51')]}[state]
    radius = n / 2 if u['titlebtn_round'] else 3
    outer = rrect(0.5, 0.5, n - 0.5, n - 0.5, radius)
    p.paint(outer, solid(border))
    p.paint(rrect(1.5, 1.5, n - 1.5, n - 1.5, max(radius - 1, 1)), vfill(1.5, n - 1.5, stops))
    light = u['titlebtn_light'] or (close and look.prefix in ('DEEPBLUE', 'BLUEGLASS'))
    p.paint(glyph(kind, n), solid('#FFFFFF' if light else u['ink']))
    if u['titlebtn_keyed']:
        p.keyed(MAGENTA)
    return p


def tab(look, active):
    u = look.ui
    w, h = u['sizes']['tab']
    p = Picture(w, h, hexrgb(look.panel))
    r = max(1, w // 3 - 1) if look.prefix != 'DEEPBLUE' else 1
    top = 0 if active else 2
    body = rrect(0, top, w, h + r + 2, r)
    p.paint(body, solid(look.ui['frame']))
    p.paint(rrect(1, top + 1, w - 1, h + r + 2, max(r - 1, 0.5)),
            vfill(top, h, u['tab_active' if active else 'tab_inactive']))
    if active and look.prefix == 'WINXP':
        # Luna's orange top on the selected tab.
        p.paint(intersect(rrect(1, 0, w - 1, 3, 0), body), vfill(0, 3, [(0, '#E68B2C'), (1, '#FFC73C')]))
    if active and look.prefix in ('PROTEIN', 'BLUEGLASS'):
        p.paint(intersect(rrect(1, 1, w - 1, 3, 0), body), solid(u['accent']), alpha=0.8)
    if not active:
        p.paint(rrect(0, h - 1, w, h, 0), solid(u['frame']))
    return p


def tab_line(look):
    u = look.ui
    w, h = u['sizes']['tab_line']
    p = Picture(w, h, hexrgb(u['tab_active'][-1][1]))
    p.paint(rrect(0, 0, w, 1, 0), solid(u['frame']))
    if h > 2:
        p.paint(rrect(0, 1, w, h, 0), vfill(1, h, u['tab_active']))
    return p


def track_bar(look):
    u = look.ui
    w, h = u['sizes']['bar']
    p = Picture(w, h, hexrgb(look.panel))
    groove = rrect(0, 0, w, h, h / 2)
    p.paint(groove, solid(u['frame']))
    p.paint(rrect(1, 1, w - 1, h, (h - 1) / 2), vfill(1, h, [(0, '#B8B8B8'), (1, '#FFFFFF')]))
    if look.prefix == 'MACOS':
        p.paint(rrect(1, 1, w - 1, h - 1, (h - 2) / 2), vfill(1, h - 1, [(0, '#9BB7DD'), (1, '#D9E7F8')]))
    return p


def slider(look, vertical):
    u = look.ui
    w, h = u['sizes']['slider_v' if vertical else 'slider']
    p = Picture(w, h, hexrgb(look.panel))
    border, stops = look.faces['NORMAL']
    if look.prefix == 'MACOS':
        stops = [(0, '#E4F0FC'), (0.5, '#A9CBF3'), (0.52, '#7FB0EA'), (1, '#CFE6FD')]
        border = '#3F6FB0'
    if vertical:
        outer = polygon([(0.5, 0.5), (w - 6, 0.5), (w - 0.5, h / 2), (w - 6, h - 0.5), (0.5, h - 0.5)])
        inner = polygon([(1.5, 1.5), (w - 6.4, 1.5), (w - 1.9, h / 2), (w - 6.4, h - 1.5), (1.5, h - 1.5)])
        fill = hfill(1, w - 2, stops)
    else:
        outer = polygon([(0.5, 0.5), (w - 0.5, 0.5), (w - 0.5, h - 6), (w / 2, h - 0.5), (0.5, h - 6)])
        inner = polygon([(1.5, 1.5), (w - 1.5, 1.5), (w - 1.5, h - 6.4), (w / 2, h - 1.9), (1.5, h - 6.4)])
        fill = vfill(1, h - 2, stops)
    p.paint(outer, solid(border))
    p.paint(inner, fill)
    if look.prefix == 'WINXP':
        # Luna's green edge on the thumb.
        band = rrect(1.5, 1.5, 3.5, h - 1.5, 0) if vertical else rrect(1.5, 1.5, w - 1.5, 3.5, 0)
        p.paint(intersect(band, inner), solid('#21C721'), alpha=0.8)
    return p


def scroll_button(look, up, state):
    u = look.ui
    w, h = u['sizes']['scroll_btn']
    p = Picture(w, h, hexrgb(SCROLL_BG[look.prefix]))
    border, stops = look.faces[state]
    r = {'MACOS': w / 2 - 1, 'WINXP': 2, 'DEEPBLUE': 1, 'PROTEIN': 4, 'BLUEGLASS': 3}[look.prefix]
    inset = 0.5
    p.paint(rrect(inset, inset, w - inset, h - inset, r), solid(border))
    p.paint(rrect(inset + 1, inset + 1, w - inset - 1, h - inset - 1, max(r - 1, 0.5)),
            hfill(inset + 1, w - inset - 1, stops) if look.prefix == 'MACOS' else vfill(1, h - 1, stops))
    cx, cy = w / 2, h / 2
    a = 3.5
    tri = [(cx - a, cy + a / 2), (cx + a, cy + a / 2), (cx, cy - a / 2 - 0.5)] if up else \
        [(cx - a, cy - a / 2), (cx + a, cy - a / 2), (cx, cy + a / 2 + 0.5)]
    p.paint(polygon(tri), solid(u['ink']))
    return p


def scroll_track(look):
    """The thumb: a top cap, a middle that stretches, a bottom cap."""
    u = look.ui
    w, h = u['sizes']['scroll_track']
    p = Picture(w, h, hexrgb(SCROLL_BG[look.prefix]))
    border, stops = look.faces['NORMAL']
    if look.prefix == 'MACOS':
        border, stops = '#3F6FB0', [(0, '#AFCDEF'), (0.45, '#7FB0EA'), (0.55, '#5B95DD'), (1, '#A6CEF6')]
    r = {'MACOS': w / 2 - 1, 'WINXP': 2, 'DEEPBLUE': 1, 'PROTEIN': 4, 'BLUEGLASS': 3}[look.prefix]
    p.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, r), solid(border))
    p.paint(rrect(1.5, 1.5, w - 1.5, h - 1.5, max(r - 1, 0.5)), hfill(1.5, w - 1.5, stops))
    if look.prefix != 'MACOS':
        # Grip lines in the middle third, which the scroll bar stretches.
        third = h / 3
        for i in range(3):
            y = third + third * (i + 1) / 4
            p.paint(rrect(4.5, y - 0.5, w - 4.5, y + 0.5, 0), solid(u['ink']), alpha=0.55)
    return p


def menu_checked():
    p = Picture(16, 16, (255, 255, 255))
    p.paint(polyline([(4.2, 8.2), (6.8, 11.0), (11.8, 4.8)], 2.0), solid('#000000'))
    return p


def macos_combo_button():
    """The aqua drop button the combo box stretches over its button area."""
    w, h = 17, 20
    p = Picture(w, h, hexrgb('#FFFFFF'))
    p.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, 3.5), solid('#3F6FB0'))
    p.paint(rrect(1.5, 1.5, w - 1.5, h - 1.5, 2.5),
            vfill(1.5, h - 1.5, [(0.0, '#D8E8FA'), (0.45, '#8DB8EC'), (0.5, '#5E97E0'), (1.0, '#A9D0F8')]))
    p.paint(rrect(3.0, 2.0, w - 3.0, h / 2 - 1.0, 2.0), solid('#FFFFFF'), alpha=0.35)
    return p


def side_channel_bar(hot):
    """The side channel's collapsed bar: a grip with an arrow pointing inwards."""
    w, h = 10, 80
    p = Picture(w, h, hexrgb('#D4D0C8'))
    stops = [(0, '#F4F4F4'), (1, '#C8CDD6')] if not hot else [(0, '#FFF3D0'), (1, '#F5C86A')]
    p.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, 2), solid('#7A8290'))
    p.paint(rrect(1.5, 1.5, w - 1.5, h - 1.5, 1.5), hfill(1.5, w - 1.5, stops))
    cy = h / 2
    p.paint(polygon([(3.0, cy - 4), (7.0, cy), (3.0, cy + 4)]), solid('#283040'))
    return p


def side_channel_pin(on_top):
    """The pin button's glyph: a pin lying (free) or standing (pinned)."""
    w, h = 12, 12
    p = Picture(w, h, (255, 255, 255))
    ink = solid('#202020')
    if on_top:
        p.paint(rrect(3.5, 1.5, 8.5, 6.5, 0), ink)
        p.paint(rrect(4.5, 2.5, 7.5, 5.5, 0), solid('#E0E0E0'))
        p.paint(rrect(2.0, 6.0, 10.0, 7.0, 0), ink)
        p.paint(rrect(5.5, 7.0, 6.5, 11.0, 0), ink)
    else:
        p.paint(rrect(5.5, 3.5, 10.5, 8.5, 0), ink)
        p.paint(rrect(6.5, 4.5, 9.5, 7.5, 0), solid('#E0E0E0'))
        p.paint(rrect(5.0, 2.0, 6.0, 10.0, 0), ink)
        p.paint(rrect(1.0, 5.5, 5.0, 6.5, 0), ink)
    return p


def font_marker(truetype):
    """The font combo's markers: a doubled T for TrueType, a printer for device fonts."""
    w, h = 14, 12
    p = Picture(w, h, (255, 255, 255))
    if truetype:
        p.paint(rrect(0.0, 1.0, 8.0, 3.0, 0), solid('#606060'))
        p.paint(rrect(3.0, 1.0, 5.0, 9.0, 0), solid('#606060'))
        p.paint(rrect(5.0, 3.0, 13.0, 5.0, 0), solid('#1F4FB0'))
        p.paint(rrect(8.0, 3.0, 10.0, 11.0, 0), solid('#1F4FB0'))
    else:
        p.paint(rrect(3.5, 0.5, 10.5, 4.5, 0), solid('#404040'))
        p.paint(rrect(4.5, 1.5, 9.5, 4.5, 0), solid('#FFFFFF'))
        p.paint(rrect(0.5, 4.5, 13.5, 9.5, 1), solid('#404040'))
        p.paint(rrect(1.5, 5.5, 12.5, 8.5, 0.5), solid('#B8B8B8'))
        p.paint(rrect(3.5, 8.5, 10.5, 11.5, 0), solid('#404040'))
    return p


def macos_menu_bar():
    w, h = 1, 22
    p = Picture(w, h, hexrgb('#FFFFFF'))
    p.paint(rrect(0, 0, w, h, 0), vfill(0, h, [(0, '#FCFCFC'), (0.5, '#EDEDED'), (1, '#D6D6D6')]))
    p.paint(rrect(0, h - 1, w, h, 0), solid('#A8A8A8'))
    return p


def macos_menu_select():
    w, h = 1, 21
    p = Picture(w, h, hexrgb('#FFFFFF'))
    p.paint(rrect(0, 0, w, h, 0), vfill(0, h, [(0, '#6D9AE8'), (0.5, '#3D74DB'), (1, '#1F5BD0')]))
    return p


def form_background(look):
    """8 x 8 brush patterns: MacOS pin stripes, Protein a faint dot grid."""
    if look == 'MACOS':
        p = Picture(8, 8, hexrgb('#EEEEEE'))
        for y in (0, 1, 4, 5):
            p.paint(rrect(0, y, 8, y + 1, 0), solid('#E2E2E2'))
    else:
        p = Picture(8, 8, hexrgb('#FBFBFB'))
        p.paint(rrect(0, 0, 1, 1, 0), solid('#E6E6EE'))
        p.paint(rrect(4, 4, 5, 5, 0), solid('#E6E6EE'))
    return p


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
    out.append(('PROGRESSBAR', progress(look, False)))
    out.append(('PROGRESSBAR_V', progress(look, True)))
    for part in ('LEFT', 'CLIENT', 'RIGHT'):
        out.append(('TITLE_' + part, title_part(look, part)))
    kinds = ['CLOSE', 'MAX', 'MIN', 'HELP', 'CTLBOX'] + (['RST'] if look.prefix == 'WINXP' else [])
    for kind in kinds:
        for state in ('NORMAL', 'MOUSEON', 'MOUSEDOWN'):
            out.append((f'TITLEBTN_{kind}_{state}', title_button(look, kind, state)))
    out.append(('TAB_ACTIVE', tab(look, True)))
    out.append(('TAB_INACTIVE', tab(look, False)))
    out.append(('TAB_LINE', tab_line(look)))
    out.append(('TRACKBAR_BAR', track_bar(look)))
    out.append(('TRACKBAR_SLIDER', slider(look, False)))
    out.append(('TRACKBAR_SLIDER_V', slider(look, True)))
    for end, up in (('TOPBUTTON', True), ('BTMBUTTON', False)):
        for state in ('NORMAL', 'MOUSEON', 'MOUSEDOWN'):
            out.append((f'SCROLLBAR_{end}_{state}', scroll_button(look, up, state)))
    out.append(('SCROLLBAR_TRACK', scroll_track(look)))
    if look.prefix == 'MACOS':
        out.append(('COMBOBOX_BUTTON', macos_combo_button()))
        out.append(('MENU_BAR', macos_menu_bar()))
        out.append(('MENU_SELECT', macos_menu_select()))
        out.append(('FORM_BACKGROUND', form_background('MACOS')))
    if look.prefix == 'PROTEIN':
        out.append(('FORM_BACKGROUND', form_background('PROTEIN')))
    return [(look.prefix + '_' + name, pic) for name, pic in out]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources', 'bitmap', 'themed')
    os.makedirs(folder, exist_ok=True)
    for look in LOOKS:
        sub = os.path.join(folder, look.prefix.lower())
        os.makedirs(sub, exist_ok=True)
        for name, pic in pictures(look):
            pic.save(os.path.join(sub, name + '.bmp'))
    menu_checked().save(os.path.join(folder, 'MENU_CHECKED.bmp'))
    # Pictures of one control each, the same in every look.
    side_channel_bar(False).save(os.path.join(folder, 'SIDECHANNEL_BAR_NORMAL.bmp'))
    side_channel_bar(True).save(os.path.join(folder, 'SIDECHANNEL_BAR_MOUSEON.bmp'))
    side_channel_pin(False).save(os.path.join(folder, 'SIDECHANNEL_BTN_NOONTOP.bmp'))
    side_channel_pin(True).save(os.path.join(folder, 'SIDECHANNEL_BTN_ONTOP.bmp'))
    font_marker(True).save(os.path.join(folder, 'FONTCOMBO_TRUETYPE_FNT.bmp'))
    font_marker(False).save(os.path.join(folder, 'FONTCOMBO_DEVICE_FNT.bmp'))


if __name__ == '__main__':
    main()
